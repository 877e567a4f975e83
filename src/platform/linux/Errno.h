#pragma once

#include "common/Error.h"

#include <string>

namespace vorlund {

// The facts of a failed call: what errno Err means and the system's text.
Fault ErrnoFault(Fault::Kind What, const std::string& Path, int Err, const std::string& To = "");

} // namespace vorlund
