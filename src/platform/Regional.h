#pragma once

#include <string>

namespace vorlund {

// The user's decimal separator (LC_ALL, else LC_NUMERIC, else LANG), as
// UTF-8: "." or "," for most.
std::string DecimalSeparator();

} // namespace vorlund
