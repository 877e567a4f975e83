#pragma once

#include "common/Source.h"

#include <cstdint>
#include <string>

namespace vorlund {

// Why running a program could not settle its depth.
enum class Unsettled : std::uint8_t {
    None,
    IncrementalStart, // G91 before any absolute Z
    Machine,          // a move in machine coordinates (G53) with Z below 0
    Offset,           // the program sets its own offsets: G10, G92, G52
    Probe,            // probing, or a value computed from it
    Unset,            // a parameter read before it is set: a caller's argument, #5xxx, _ini
    MissingProgram,   // calls a program that is not in the file
    OnlySubroutines,  // defines subroutines and moves nothing when run alone
    Spline,           // a spline in the XZ or YZ plane
    Frame,            // scaling, mirroring, a rotation that moves Z, a tilted plane
    Runaway,          // no end within the step budget, or calls nested too deep
    Error,            // division by zero, an unknown word, a malformed expression
    Cycle,            // a cycle whose depth the run cannot tell: CYCL DEF 204, CYCL CALL PAT
};

// What put the tool at its deepest point.
enum class DepthSource : std::uint8_t { Move, ArcLowest, CycleBottom };

struct InterpResult {
    Unsettled Reason = Unsettled::None;
    std::int64_t Line = 0;    // 1-based line of the reason; 0 when settled
    std::string Text;         // the word or a short detail: "G53", "#5220", "division by zero"
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
