#pragma once

// What a run of any reader must report, whatever the program: it ended (the
// step budget is small), and its depth and lines hold together.

#include "Fuzz.h"

#include "interp/Interpreter.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace fuzz {

// The limits every run fuzz target runs with.
inline constexpr vorlund::InterpLimits kRunLimits{20'000, 16};

// Checks R, the run of Text; a reason names a line from FirstLine on.
inline void CheckRun(std::string_view Text, const vorlund::InterpResult& R,
                     std::int64_t FirstLine = 0) {
    const auto lines = std::int64_t(std::count(Text.begin(), Text.end(), '\n') +
                                    std::count(Text.begin(), Text.end(), '\r')) +
                       1;
    Expect(R.MinZ <= 0.0f, "depth never above 0");
    if (R.Unsure.Why == vorlund::Reason::None) {
        Expect(R.MinLine >= 0 && R.MinLine <= lines, "line of the deepest point");
        Expect((R.MinLine == 0) == (R.MinZ == 0.0f), "a line for a depth");
    } else {
        Expect(R.Unsure.Line >= FirstLine && R.Unsure.Line <= lines, "line of the reason");
    }
}

} // namespace fuzz
