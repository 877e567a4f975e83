#pragma once

// Shared by the fuzz targets: a failed check and a plain reference for the
// lenient number read.

#include <cfloat>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

// Aborts with What, so that libFuzzer keeps the input.
inline void Expect(bool Ok, const char* What) {
    if (Ok) return;
    std::fprintf(stderr, "check failed: %s\n", What);
    std::abort();
}

struct Number {
    bool overflow = false;
    float value = 0.0f;
};

// An optional sign, digits with at most one ".", read as a double and rounded
// to float; anything after that is ignored, no digit reads as 0.
inline Number ReadLenient(std::string_view Text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) negative = Text[i++] == '-';
    std::string body;
    bool dot = false;
    bool digit = false;
    bool wholePart = false; // a nonzero digit before the "."
    for (; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
            wholePart |= !dot && c != '0';
        } else if (c != '.' || dot) {
            break;
        }
        dot |= c == '.';
        body += c;
    }
    if (!digit) return {};
    double d = 0.0;
    const auto [ptr, ec] =
        std::from_chars(body.data(), body.data() + body.size(), d, std::chars_format::fixed);
    Expect(ptr == body.data() + body.size(), "reference reads the whole number");
    if (ec == std::errc::result_out_of_range) {
        if (wholePart) return {true, 0.0f}; // at least 1: too big for a double
        d = 0.0;                            // below 1: too small for a double
    }
    // Doubles from here on round to infinity as a float.
    if (d >= 0x1.ffffffp127) return {true, 0.0f};
    const float f = d > FLT_MAX ? FLT_MAX : float(d);
    return {false, negative ? -f : f};
}

} // namespace fuzz
