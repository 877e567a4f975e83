#pragma once

// What the Heidenhain and Sinumerik readers share to read a line: its
// letters and digits, and the numbers its formulas make.

#include "common/Reason.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string_view>

namespace vorlund::reading {

using Text = std::string_view;

// A letter's bit among a block's words.
constexpr std::uint32_t Bit(char Letter) {
    return 1u << (Letter - 'A');
}

inline bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

inline bool IsUpper(char C) {
    return C >= 'A' && C <= 'Z';
}

// V, when a formula may go on with it.
inline double Checked(double V) {
    if (!std::isfinite(V)) Fail(Reason::Error, "number out of range");
    return V;
}

inline double Radians(double Degrees) {
    return Degrees * std::numbers::pi / 180.0;
}

inline double Degrees(double Radians) {
    return Radians * 180.0 / std::numbers::pi;
}

} // namespace vorlund::reading
