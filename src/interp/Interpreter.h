#pragma once

#include "common/Reason.h"
#include "common/Source.h"

#include <cstdint>
#include <string>

namespace vorlund {

// What put the tool at its deepest point.
enum class DepthSource : std::uint8_t { Move, ArcLowest, CycleBottom };

struct InterpResult {
    Doubt Unsure;             // why the depth is not settled; Reason::None when it is
    float MinZ = 0.0f;        // never above 0, in the unit of the program's first move
    std::int64_t MinLine = 0; // the line of the deepest point; 0 when MinZ is 0
    DepthSource Source = DepthSource::Move;
};

struct InterpLimits {
    std::uint64_t Steps = 20'000'000; // blocks run again by calls and loops
    int CallDepth = 64;
};

// Runs the program as a controller would, from a known start (G17 G21 G90,
// no offsets) and reports the deepest tool-tip Z it commands. Memory stays
// flat: lines are re-read at their offsets for calls and loops. Throws what
// Source's ReadAt throws.
InterpResult Interpret(const ProgramSource& Source, const InterpLimits& Limits = {});

} // namespace vorlund
