#pragma once

// Why a program's depth is not settled, and the one value that carries it:
// the scan hands a line to the run for a reason, the run stops for one. The
// sentence a machinist reads for each is written in src/app.

#include <cstdint>
#include <string>
#include <utility>

namespace vorlund {

enum class Reason : std::uint8_t {
    None,
    // Words of other dialects: their files are run by the reader of their
    // dialect, or keep the doubt.
    ForeignIncremental, // IZ below 0
    ForeignMachine,     // M91, M92 or SUPA with Z below 0
    ForeignOffset,      // CYCL DEF 7., TRANS, ATRANS with Z below 0
    ForeignCall,        // CALL PGM
    ForeignCycle,       // a cycle call: CYCLE81(, MCALL, POCKET1, CYCL CALL
    ForeignFlow,        // a jump or loop: GOTOF, FOR, REPEAT, LOOP, CALL LBL 1 REP 5
    ForeignFrame,       // scaling, mirroring, rotation out of the plane, a tilted plane
    // Why the fast scan hands a line to the run; a line gets the first that
    // applies.
    Unreadable, // a Z word without a number: Z#1, Z[#2-1], Z 3
    Incremental,
    AfterEnd,  // Z below 0 after M2 or M30
    Machine,   // G53 with Z below 0; in the run, any such move
    Offset,    // G10, G52, G92, G43.1 with a Z word; in the run, an offset it cannot follow
    Probe,     // G38.2 to G38.5 or G31; in the run, a value measured by them
    Plane,     // G18, G19: arcs in XZ or YZ
    Frame,     // scaling, mirroring, a rotation that moves Z, a tilted plane
    Call,      // M98, M99, G65, G66; M89, a modal cycle call
    Jump,      // GOTO, IF, WHILE: macro jumps, conditions and loops
    OWord,     // o-word control: sub, call, if, while, ...
    Lowercase, // a lower-case letter
    Unknown,   // a G code from G10 up that no rule names, a G or M code computed: G#1
    Unit,      // G20 or G21 after the other; the last of the scan's, so that joining parts can tell
    // Why the run stops.
    IncrementalStart, // G91 before any absolute Z
    Unset,            // a parameter read before it is set: a caller's argument, #5xxx, _ini
    MissingProgram,   // calls a program that is not in the file
    OnlySubroutines,  // defines subroutines and moves nothing when run alone
    Spline,           // a spline in the XZ or YZ plane
    Runaway,          // no end within the step budget, or calls nested too deep
    Error,            // division by zero, an unknown word, a malformed expression
    Cycle,            // a cycle whose depth the run cannot tell: CYCL DEF 204, CYCL CALL PAT
};

// The reasons the scan gives, None to Unit.
inline constexpr std::size_t kScanReasons = std::size_t(Reason::Unit) + 1;

// Whether a reason belongs to another dialect, which only its own reader runs.
constexpr bool Foreign(Reason Why) {
    return Why >= Reason::ForeignIncremental && Why <= Reason::ForeignFrame;
}

// A reason, the words as written ("G53", "#5220", "division by zero") and
// their 1-based line: 0 when there is none, or, thrown in the run, the line
// being run.
struct Doubt {
    Reason Why = Reason::None;
    std::string Text;
    std::int64_t Line = 0;
};

// Ends a run where it stands: the one exception of the run, caught once at
// its top, which reports the line being run where Line is 0.
[[noreturn]] inline void Fail(Reason Why, std::string Text) {
    throw Doubt{Why, std::move(Text)};
}

} // namespace vorlund
