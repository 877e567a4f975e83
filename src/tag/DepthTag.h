#pragma once

#include <string>
#include <string_view>

namespace vorlund {

// A float as text: at most 7 significant digits, no trailing zeros, Separator
// for the decimal point, an exponent only outside 0.0001..9999999 ("1e-05").
std::string DecimalText(float Value, std::string_view Separator);

// "h" and the magnitude of the minimum Z: -12.5 gives "h12.5".
std::string DepthTag(float MinZ, std::string_view Separator);

} // namespace vorlund
