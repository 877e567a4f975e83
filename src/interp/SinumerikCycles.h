#pragma once

#include "interp/Interpreter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlund {

// What a Sinumerik standard cycle does to the depth.
enum class SiemensCycle : std::uint8_t {
    Unknown, // not run: a doubt naming it
    Depth,   // drills or mills down to its depth parameters
    Pattern, // places the modal call at points: HOLES1, HOLES2, CYCLE801, CYCLE802
    None,    // moves no axis: CYCLE832
};

SiemensCycle SiemensCycleKind(std::string_view Name);

// A cycle call's arguments: an empty one, or a string, is not given.
struct CycleArgs {
    static constexpr int kMax = 40;
    double Value[kMax] = {};
    bool Given[kMax] = {};
    int Count = 0;
};

struct SiemensBottom {
    Reason Why = Reason::None;
    std::string Text;
    double Bottom = 0.0, Retract = 0.0; // absolute
};

// Where a Depth cycle's tool tip goes deepest, and the plane it retracts to.
SiemensBottom SiemensBottomOf(std::string_view Name, const CycleArgs& Args);

} // namespace vorlund
