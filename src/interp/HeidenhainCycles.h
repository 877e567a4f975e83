#pragma once

#include "interp/Interpreter.h"

#include <bitset>
#include <cstdint>
#include <string>

namespace vorlund {

// What a Heidenhain cycle does to the depth.
enum class CycleKind : std::uint8_t {
    Unknown,     // not run: a doubt naming it
    Program,     // 12: calls another program
    Old,         // 1, 2, 3, 4, 5, 17: SET UP and DEPTH below where the tool is
    Hole,        // 200 to 209, 240, 241, 25x pockets and studs, 26x threads: Q203 + Q201
    Face,        // 232, 233: down to Q386
    Contour,     // 20: the contour's depth Q1 and surface Q5
    ContourMill, // 21 to 24: at cycle 20's depth
    Train,       // 25: its own Q1 and Q5
    Pattern,     // 220, 221: the last cycle at each point, from its own Q203
    Datum,       // 7: a shift
    Mirror,      // 8
    Scale,       // 11
    AxisScale,   // 26
    Tilt,        // 19
    None,        // dwell, rotation about the tool axis, tolerance, a preset, contour labels
};

CycleKind KindOf(int Number);

// A cycle's definition: its Q values, and the old cycles' set-up clearance
// and depth.
struct CycleValues {
    static constexpr int kCount = 1200; // Q0 to Q1199
    static constexpr int kSetUp = kCount, kDepth = kCount + 1;

    int Number = -1;
    std::int64_t Line = 0;
    double Value[kCount + 2] = {};
    std::bitset<kCount + 2> Given;

    void Start(int N, std::int64_t At) {
        Number = N, Line = At;
        Given.reset();
    }
    void Set(int Index, double V) { Value[Index] = V, Given.set(std::size_t(Index)); }
    bool Has(int Index) const { return Given.test(std::size_t(Index)); }
    // A value the cycle needs: a doubt when its definition does not give it.
    double Get(int Index) const;
    std::string Name() const; // "CYCL DEF 200"
};

struct CycleBottom {
    Reason Why = Reason::None;
    std::string Text;
    bool Skip = false; // a depth of 0: the cycle does nothing
    double Bottom = 0.0, Clearance = 0.0;
};

// Where Cycle's tool tip goes deepest, absolute; Contour is cycle 20's data,
// Surface a pattern cycle whose Q203 replaces the cycle's (or nullptr). The
// old cycles count from where the tool is: not here.
CycleBottom BottomOf(const CycleValues& Cycle, const CycleValues& Contour,
                     const CycleValues* Surface);

} // namespace vorlund
