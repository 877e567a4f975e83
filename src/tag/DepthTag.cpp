#include "tag/DepthTag.h"

#include <charconv>
#include <cmath>

namespace vorlund {

std::string DecimalText(float Value, std::string_view Separator) {
    if (Value == 0.0f) return "0"; // and not "-0"
    char buf[32];
    const auto end =
        std::to_chars(buf, buf + sizeof buf, double(Value), std::chars_format::general, 7).ptr;
    std::string text;
    for (const char* p = buf; p != end; ++p) {
        if (*p == '.')
            text += Separator;
        else
            text += *p;
    }
    return text;
}

std::string DepthTag(float MinZ, std::string_view Separator) {
    return "h" + DecimalText(std::fabs(MinZ), Separator);
}

} // namespace vorlund
