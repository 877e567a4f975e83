#pragma once

#include <string_view>

namespace vorlund {

// The words after an o-word's name that make it control flow, in lower case:
// the scan hands a program that has one to the interpreter, which runs them.
inline constexpr std::string_view kOKeywords[] = {
    "sub",   "endsub",   "call", "return", "if",        "elseif", "else",     "endif",
    "while", "endwhile", "do",   "repeat", "endrepeat", "break",  "continue",
};

} // namespace vorlund
