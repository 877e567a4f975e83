#pragma once

#include "common/Error.h"

#include <string>

namespace vorlund {

// The sentence the user reads for E: "PATH: reason" for a file, or the
// clipboard's; the message itself when E carries no Fault.
std::string Message(const Error& E);

// The words for the reason of a system's failure: "No such file or
// directory", "File exists", ..., else the system's own text.
std::string ReasonWords(const Fault& Facts);

} // namespace vorlund
