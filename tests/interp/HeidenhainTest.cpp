#include "interp/Interpreter.h"
#include "support/MemorySource.h"
#include "support/ReaderRows.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlund {
namespace {

using U = Reason;
constexpr auto Bottom = DepthSource::CycleBottom;
constexpr auto Move = DepthSource::Move;

using Row = test::ProgramRow;

const Row kRows[] = {
    // Moves: absolute and incremental words, block numbers, comments, commas.
    {"absolute", "L Z+5 R0 FMAX\nL Z-2.5 F100\nL Z+1\nEND PGM T MM\nL Z-9", U::None, -2.5, 3},
    {"numbered, commas", "1 L Z+5,5 R0 FMAX ; Z-9\n2 L Z-1,25 (Z-8)\n/3 L Z-2", U::None, -2, 4},
    {"skippable end, STOP M30", "L Z-1\n/ 3 L M30\nL Z-2\nSTOP M30\nL Z-9", U::None, -2, 4},
    {"incremental", "L Z+2 FMAX\nL IZ-3 IX+5\nL IZ-1.5\nL IZ+10", U::None, -2.5, 4},
    {"incremental after a tool call", "TOOL CALL 1 Z S1000\nL IZ-3", U::IncrementalStart, 0, 3,
     "IZ-3"},
    {"retract up the tool axis", "L Z+0\nL M140 MB MAX\nL IZ-1", U::IncrementalStart, 0, 4},
    {"blank, structure, M words",
     "BLK FORM 0.1 Z X+0 Y+0 Z-40\nBLK FORM 0.2 X+9 Y+9 Z+0\n"
     "* - ROUGH\nTOOL DEF 3\nSTOP\nM3 M8\nL Z-2 F100 M8\nM30\nL Z-9",
     U::None, -2, 8},
    {"polar moves and circles in the plane",
     "L Z+1\nCC X+0 Y+0\nLP PR+10 PA+0 Z-1\nCP IPA+720 IZ-4 DR+\nC X+10 Y+0 DR-\n"
     "CR X+0 Y+10 R+10 DR+\nCT X+5 Y+5\nRND R2\nCHF 1\nLP IPA+45",
     U::None, -5, 5},
    {"a comment goes on", "; a comment~\n L Z-50\nL Z-1", U::None, -1, 4},
    {"a block goes on after its comment",
     "CYCL DEF 200 ;DRILL ~\nQ201=-3 ;DEPTH ~\nQ203=+1 ;TOP\nCYCL CALL", U::None, -2, 5, "",
     Bottom},
    {"a longer tool", "TOOL CALL 3 Z S900 DL+0.2 DR-0.1\nL Z-1", U::None, -1, 3},
    {"a shorter tool", "TOOL CALL 3 Z S900 DL-0.2", U::Offset, 0, 2, "DL"},
    {"tool axis X", "TOOL CALL 1 X S500", U::Frame, 0, 2, "TOOL CALL X"},
    {"pole in Z", "CC X+0 Z-5", U::Frame, 0, 2, "CC Z-5"},
    {"tilting axis", "L Z+5\nL B+45", U::Frame, 0, 3, "B"},
    {"machine coordinates", "L Z-50 R0 FMAX M91", U::Machine, 0, 2, "M91"},
    {"machine Z above 0", "L Z+1\nL Z+0 M92\nL IZ-1", U::IncrementalStart, 0, 4},
    {"unknown block", "L Z-1\nFOO 3", U::Error, 0, 3, "unknown block FOO"},
    {"other program", "CALL PGM TNC:\\DRILL.H", U::MissingProgram, 0, 2, "CALL PGM"},
    {"probing", "TCH PROBE 400", U::Probe, 0, 2, "TCH PROBE"},
    {"tilted plane", "PLANE RESET STAY\nPLANE SPATIAL SPA+0 SPB+45 SPC+0", U::Frame, 0, 3, "PLANE"},

    // Parameters: formulas, FN 0 to FN 8, Q QL QR, values the program does not set.
    {"formula", "Q1 = -2\nQ2 = Q1 * 3 + 1\nL Z+Q2\nL Z-Q1", U::None, -5, 4},
    {"functions", "Q1 = SQRT(16) + ABS(-2) + SIN(90) + 2^3 - INT(1.7) + PI - PI\nL Z-Q1", U::None,
     -14, 3},
    {"FN 0 to 4",
     "FN 0: Q1 = +4\nFN 1: Q2 = +Q1 + +2\nFN 2: Q3 = +0 - +Q2\n"
     "FN 3: Q4 = +Q3 * +0.5\nFN 4: Q5 = +Q4 DIV +3\nL Z+Q5",
     U::None, -1, 7},
    {"FN without a blank", "FN0: Q1 = -2\nL Z+Q1", U::None, -2, 3},
    {"FN 5 to 8",
     "FN 5: Q6 = SQRT +16\nFN 6: Q7 = SIN +30\nFN 7: Q8 = COS +60\n"
     "FN 8: Q9 = +3 LEN +4\nL Z-Q6\nL Z-Q9\nL Z+Q7\nQ10 = Q7 - Q8 - 1\nL Z+Q10",
     U::None, -5, 7},
    {"local and remanent", "QL1 = -3\nQR2 = QL1 * 2\nL Z+QR2", U::None, -6, 4},
    {"not set", "L Z+Q7", U::Unset, 0, 2, "Q7"},
    {"read from the controller", "FN 18: SYSREAD Q1 = ID20 NR1\nL Z+Q1", U::Unset, 0, 3, "Q1"},
    {"written to the controller", "FN 17: SYSWRITE ID 990 NR4 IDX1 = Q1", U::Offset, 0, 2},
    {"division by zero", "FN 4: Q1 = +1 DIV +0", U::Error, 0, 2, "division by zero"},
    {"error stops", "FN 14: ERROR = 1000", U::Error, 0, 2, "FN 14"},

    // Flow: subprograms, section repeats, jumps.
    {"subprogram", "L Z+0\nCALL LBL 1\nCALL LBL 1\nM30\nLBL 1\nL IZ-2\nLBL 0", U::None, -4, 7},
    {"section repeat", "L Z+0\nLBL 1\nL IZ-1\nCALL LBL 1 REP 3", U::None, -4, 4},
    {"nested repeats, named",
     "L Z+0\nLBL \"A\"\nLBL 2\nL IZ-0.5\nCALL LBL 2 REP 1\nCALL LBL \"A\" REP 2", U::None, -3, 5},
    {"jumps",
     "Q1 = 0\nLBL 5\nQ1 = Q1 - 1\nL Z+Q1\nFN 11: IF +Q1 GT -3 GOTO LBL 5\n"
     "FN 9: IF +0 EQU +0 GOTO LBL \"E\"\nL Z-50\nLBL \"E\"",
     U::None, -3, 5},
    {"endless", "LBL 1\nFN 9: IF +0 EQU +0 GOTO LBL 1", U::Runaway, 0, -1, "no end"},
    {"recursion", "LBL 1\nCALL LBL 1\nLBL 0", U::Runaway, 0, 3, "nested"},
    {"missing label", "CALL LBL 7", U::Error, 0, 2, "LBL 7"},
    {"END PGM in a subprogram", "CALL LBL 1\nL Z-9\nLBL 1\nL Z-1\nEND PGM", U::None, -1, 5},
    {"repeat forward", "CALL LBL 1 REP 2\nLBL 1", U::Error, 0, 2, "REP"},

    // Cycles: where they are called, what they are not.
    {"called by M99, values on their own lines",
     "L Z+50 FMAX\nCYCL DEF 200 DRILLING\nQ200 = 2 ;SET-UP\nQ201 = -15\nQ206 = AUTO\n"
     "Q203 = +0\nQ204 = 50\nL X+10 Y+10 R0 FMAX M99",
     U::None, -15, 9, "", Bottom},
    {"modal M89 with an old cycle",
     "L Z+0\nCYCL DEF 1.0 PECKING\nCYCL DEF 1.1 SET UP 0\nCYCL DEF 1.2 DEPTH -1\n"
     "L X+1 M89\nL IZ-1\nL X+2 M99\nL X+3",
     U::None, -2, 7, "", Bottom},
    {"old cycle from an unknown Z",
     "TOOL CALL 1 Z\nCYCL DEF 4.0 POCKET\nCYCL DEF 4.1 SET UP 2\nCYCL DEF 4.2 DEPTH -5\nCYCL CALL",
     U::IncrementalStart, 0, 6},
    {"pattern surface",
     "CYCL DEF 200 ~\nQ200=+2 ~\nQ201=-10 ~\nQ203=+0\nCYCL DEF 220 ~\n"
     "Q216=+50 ~\nQ203=-5\nL Z+100",
     U::None, -15, 6, "", Bottom},
    {"call at positions", "L Z+9\nCYCL DEF 201 ~\nQ201=-4 ~\nQ203=+0\nCYCL CALL POS X+1 Y+2 Z+0",
     U::None, -4, 6, "", Bottom},
    {"call at a Z position", "CYCL DEF 201 ~\nQ201=-4 ~\nQ203=+0\nCYCL CALL POS X+1 Z+5", U::Cycle,
     0, 5, "CYCL CALL POS Z"},
    {"pattern call", "CYCL DEF 201 ~\nQ201=-4 ~\nQ203=+0\nCYCL CALL PAT", U::Cycle, 0, 5, "PAT"},
    {"no cycle", "CYCL CALL", U::Error, 0, 2, "without a cycle"},
    {"a value after the definition",
     "CYCL DEF 20 ~\nQ1=-5 ~\nQ5=+0\nQ1 = -2\nCYCL DEF 22\nCYCL CALL", U::None, -5, 7, "", Bottom},
    {"not defined", "CYCL DEF 200 ~\nQ203=+0\nCYCL CALL", U::Unset, 0, 4, "CYCL DEF 200 Q201"},
    {"depth 0 does nothing", "CYCL DEF 200 ~\nQ201=+0 ~\nQ203=-5\nCYCL CALL", U::None, 0, 0},
    {"depth above", "CYCL DEF 200 ~\nQ201=+5 ~\nQ203=+0\nCYCL CALL", U::Error, 0, 5, "Q201=5"},
    {"depth to the shank", "CYCL DEF 200 ~\nQ201=-5 ~\nQ203=+0 ~\nQ395=+1\nCYCL CALL", U::Cycle, 0,
     6, "Q395=1"},
    {"unknown cycle", "CYCL DEF 204 BACK BORING ~\nQ201=-5", U::Cycle, 0, 2, "CYCL DEF 204"},
    {"contour without its data", "CYCL DEF 22 ~\nQ10=-5\nCYCL CALL", U::Cycle, 0, 4, "22"},
    {"program cycle", "CYCL DEF 12.0 PGM CALL\nCYCL DEF 12.1 PGM TNC:\\A.H", U::MissingProgram, 0,
     2},

    // Frames: a shift or a rotation in the plane changes no depth.
    {"datum in the plane, rotation",
     "CYCL DEF 7.0 DATUM SHIFT\nCYCL DEF 7.1 X+10\nCYCL DEF 7.2 IY-5\nCYCL DEF 7.3 Z+0\n"
     "CYCL DEF 10.0 ROTATION\nCYCL DEF 10.1 ROT+45\nCYCL DEF 8.0 MIRROR\nCYCL DEF 8.1 X Y\n"
     "CYCL DEF 11.0 SCALING\nCYCL DEF 11.1 SCL 1\nCYCL DEF 19.0 WORKING PLANE\n"
     "CYCL DEF 19.1 A+0 B+0\nCYCL DEF 26.0 AXIS-SPECIFIC SCALING\nCYCL DEF 26.1 X1.5 Y2\nL Z-1",
     U::None, -1, 16},
    {"datum in Z", "CYCL DEF 7.0 DATUM SHIFT\nCYCL DEF 7.1 Z-5", U::Offset, 0, 3, "Z"},
    {"datum from a table", "CYCL DEF 7.0 DATUM SHIFT\nCYCL DEF 7.1 #3", U::Offset, 0, 3, "#3"},
    {"mirror Z", "CYCL DEF 8.0 MIRROR\nCYCL DEF 8.1 Z", U::Frame, 0, 3},
    {"scaling", "CYCL DEF 11.0 SCALING\nCYCL DEF 11.1 SCL 0.5", U::Frame, 0, 3},
    {"axis scaling in Z", "CYCL DEF 26.0 AXIS-SPECIFIC\nCYCL DEF 26.1 Z2", U::Frame, 0, 3},
    {"tilt", "CYCL DEF 19.0 WORKING PLANE\nCYCL DEF 19.1 B+45", U::Frame, 0, 3},
};

InterpResult RunProgram(const std::string& Program) {
    return Interpret(test::MemorySource("BEGIN PGM T MM\n" + Program + "\nEND PGM T MM\n"),
                     {100'000, 16});
}

TEST(HeidenhainTest, Programs) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        test::ExpectRun(RunProgram(row.program), row);
    }
}

// Each cycle's bottom as its manual draws it: Q203 (the surface) plus Q201
// (the depth, negative), deeper for a thread cycle's drilling or sinking; a
// face milling cycle to Q386; a contour to cycle 20's Q5 plus Q1; an old
// cycle DEPTH below the surface, SET UP below where it is called.
struct CycleRow {
    const char* values; // the definition's lines after CYCL DEF
    double bottom;
};

const CycleRow kCycles[] = {
    {"200 ~\nQ200=+2 ~\nQ201=-15 ~\nQ206=+150 ~\nQ202=+5 ~\nQ203=+0 ~\nQ204=+50", -15},
    {"201 ~\nQ201=-12 ~\nQ203=-3 ~\nQ208=FMAX", -15},
    {"202 ~\nQ201=-8 ~\nQ203=+1", -7},
    {"203 ~\nQ201=-20 ~\nQ203=+0 ~\nQ395=+0", -20},
    {"205 ~\nQ201=-30 ~\nQ203=-1", -31},
    {"206 ~\nQ201=-16 ~\nQ203=+0", -16},
    {"207 ~\nQ201=-20 ~\nQ239=+1.25 ~\nQ203=+5", -15},
    {"208 ~\nQ201=-10 ~\nQ203=+0", -10},
    {"209 ~\nQ201=-18 ~\nQ203=+0", -18},
    {"240 ~\nQ343=+0 ~\nQ201=-2 ~\nQ203=+0", -2},
    {"241 ~\nQ201=-80 ~\nQ203=+0", -80},
    {"251 ~\nQ201=-8 ~\nQ203=+0 ~\nQ369=+0.2", -8},
    {"252 ~\nQ201=-6.5 ~\nQ203=+0", -6.5},
    {"253 ~\nQ201=-4 ~\nQ203=+0", -4},
    {"254 ~\nQ201=-4 ~\nQ203=-1", -5},
    {"256 ~\nQ201=-12 ~\nQ203=+0", -12},
    {"257 ~\nQ201=-12 ~\nQ203=+0", -12},
    {"262 ~\nQ201=-14 ~\nQ203=+0", -14},
    {"263 ~\nQ201=-14 ~\nQ356=-1 ~\nQ203=+0", -14},
    {"264 ~\nQ201=-16 ~\nQ356=-20 ~\nQ203=+0", -20},
    {"265 ~\nQ201=-16 ~\nQ358=-0.5 ~\nQ203=+0", -16},
    {"267 ~\nQ201=-16 ~\nQ203=+2", -14},
    {"232 ~\nQ227=+2 ~\nQ386=-0.5", -0.5},
    {"233 ~\nQ227=+0 ~\nQ386=-3", -3},
    {"14.0 CONTOUR\nCYCL DEF 14.1 CONTOUR LABEL 1\nCYCL DEF 20 ~\nQ1=-12 ~\nQ5=+1\n"
     "CYCL DEF 22 ROUGH-OUT ~\nQ10=-5",
     -11},
    {"20 ~\nQ1=-7 ~\nQ5=+0\nCYCL DEF 23", -7},
    {"25 ~\nQ1=-3 ~\nQ5=-1", -4},
    {"1.0 PECKING\nCYCL DEF 1.1 SET UP 2\nCYCL DEF 1.2 DEPTH -15\nCYCL DEF 1.3 PECKG 5", -15},
    {"2.0 TAPPING\nCYCL DEF 2.1 SET UP 3\nCYCL DEF 2.2 DEPTH -20", -20},
    {"3.0 SLOT MILLING\nCYCL DEF 3.1 SET UP 2\nCYCL DEF 3.2 DEPTH -6", -6},
    {"4.0 POCKET MILLING\nCYCL DEF 4.1 SET UP 2\nCYCL DEF 4.2 DEPTH -10", -10},
    {"5.0 CIRCULAR POCKET\nCYCL DEF 5.1 SET UP 2\nCYCL DEF 5.2 DEPTH -8", -8},
    {"17.0 RIGID TAPPING GS\nCYCL DEF 17.1 SET UP 2\nCYCL DEF 17.2 DEPTH -20", -20},
};

TEST(HeidenhainTest, CycleBottoms) {
    for (const CycleRow& row : kCycles) {
        SCOPED_TRACE(row.values);
        // The old cycles start at SET UP above the surface, Z+0.
        const std::string set =
            std::string(row.values).find("SET UP 3") != std::string::npos ? "+3" : "+2";
        const InterpResult r =
            RunProgram("L Z" + set + " FMAX\nCYCL DEF " + row.values + "\nCYCL CALL\nL Z+50");
        test::ExpectBottom(r, row.bottom);
    }
}

TEST(HeidenhainTest, Dialect) {
    test::ExpectDialects({
        {"BEGIN PGM A MM\n", Dialect::Heidenhain},
        {"\xEF\xBB\xBF\n(a comment)\n; another\n%\n0  BEGIN PGM A MM\n", Dialect::Heidenhain},
        {"G1 Z-1\nBEGIN PGM A MM\n", Dialect::Rs274},
        {"N10 BEGIN\n", Dialect::Rs274},
        {"", Dialect::Rs274},
    });
}

} // namespace
} // namespace vorlund
