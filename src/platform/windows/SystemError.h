#pragma once

#include "common/Error.h"

#include <string>

namespace vorlund {

// What a Windows error code means where the words depend on it; Other for
// the rest.
Fault::Cause CauseOf(unsigned long Code);

// The system's own text for Code, without its closing full stop and line
// end; "error CODE" when it has none.
std::string SystemText(unsigned long Code);

// The facts of a failed call: Code, what it means and the system's text.
Fault CodeFault(Fault::Kind What, const std::string& Path, unsigned long Code,
                const std::string& To = "");

} // namespace vorlund
