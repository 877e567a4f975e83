#include "scan/Scanner.h"
#include "support/ReferenceScanner.h"

#include <gtest/gtest.h>

#include <string>

using vorlund::Reason;
using vorlund::ScanKernel;
using vorlund::ScanResult;

namespace {

struct Row {
    const char* what;
    std::string program;
    std::int64_t line; // of the first doubt, 0 for none
    Reason kind;
    const char* text;
    std::int64_t lines; // doubtful lines
};

using K = Reason;

const Row kRows[] = {
    {"parametric Z", "G0 Z5\nG1 Z[#26-#13]\n", 2, K::Unreadable, "Z[#26-#13]", 1},
    {"Z of a variable", "G1 X1 Z#3 F100\n", 1, K::Unreadable, "Z#3", 1},
    {"Z then space", "Z 3\n", 1, K::Unreadable, "Z 3", 1},
    {"Z NAN", "G1 ZNAN\n", 1, K::Unreadable, "ZNAN", 1},
    {"Z minus alone", "G1 Z-\n", 1, K::Unreadable, "Z-", 1},
    {"Z plus letter", "G1 Z+Q1\n", 1, K::Unreadable, "Z+Q1", 1},
    {"axis then number", "TOOL CALL 1 Z\nG1 Z 3\nZS\n", 2, K::Unreadable, "Z 3", 2},
    {"G91 moves", "G91\nG1 Z-0.1\nG1 Z-0.1\nG90\nG1 Z-0.1\n", 2, K::Incremental, "Z-0.1", 2},
    {"G91 steps of 0",
     "G91\nZ-1\nZ-0.0\nZ-0.0.5\nZ-0." + std::string(50, '0') + "1\nZ-2 G90\nZ-3\n", 2,
     K::Incremental, "Z-1", 1},
    {"G91 later on the line", "G1 Z-2 G91\n", 1, K::Incremental, "Z-2", 1},
    {"G091 and tabs", "G\t091\r\nZ-1\r\n", 2, K::Incremental, "Z-1", 1},
    {"after M30", "G1 Z-1\nM30\n%\nG0 Z5\nG1 Z-3\nG90 G1 Z-4\n", 5, K::AfterEnd, "Z-3", 2},
    {"after M2, G91 before", "G91\nM02\nZ-1\n", 3, K::AfterEnd, "Z-1", 1},
    {"G53", "G53 G0 Z-650.\n", 1, K::Machine, "G53", 1},
    {"G10", "G10 L2 P1 Z-300.\n", 1, K::Offset, "G10", 1},
    {"G92 and G52", "G92 Z-5\nG52 Z-1\n", 1, K::Offset, "G92", 2},
    {"G38.2", "G38.2 Z-0.1 F50\n", 1, K::Probe, "G38.2", 1},
    {"G31", "G31 Z-3\n", 1, K::Probe, "G31", 1},
    {"XZ and YZ planes", "G18 G2 X20 Z0 I10 K0\nG19\n", 1, K::Plane, "G18", 2},
    {"unit changed", "G21\nG21 G90\nG20 X1\nG21 Z-1\n", 3, K::Unit, "G20", 2},
    {"lower case", "g1 z-3\nG1 X1 y2\n", 1, K::Lowercase, "g1", 2},
    {"lower case, z+3", "G1 z+3\n", 1, K::Lowercase, "z+3", 1},
    {"M98 and M99", "M98 P1002\nM99\n", 1, K::Call, "M98", 2},
    {"G65", "G65 P9001 A1\n", 1, K::Call, "G65", 1},
    {"o-words", "o<pocket> call [2]\nO100 SUB\no2 if [#1 GT 0]\nO3 WHILE [1]\n", 1, K::OWord,
     "o<pocket> call", 4},
    {"IZ", "L IX+5 IZ-5\n", 1, K::ForeignIncremental, "Z-5", 1},
    {"M91", "L Z-10 FMAX M91\n", 1, K::ForeignMachine, "M91", 1},
    {"SUPA", "G0 SUPA Z-10\n", 1, K::ForeignMachine, "SUPA", 1},
    {"datum shift", "CYCL DEF 7.3 Z-328.485\n", 1, K::ForeignOffset, "CYCL DEF 7.", 1},
    {"CALL PGM", "CALL PGM 5\n", 1, K::ForeignCall, "CALL PGM", 1},
    {"TRANS", "TRANS Z-5\nATRANS X1 Z-2\nTRANS X10\n", 1, K::ForeignOffset, "TRANS", 2},
    {"cycle call", "G0 X5 Y5 Z40\nCYCLE83(40,1,1,-32,,8)\n", 2, K::ForeignCycle, "CYCLE", 1},
    {"modal cycle call", "MCALL CYCLE82(10,0,2,-5)\nX10 Y10\nMCALL\n", 1, K::ForeignCycle, "MCALL",
     2},
    {"pocket, slot, long hole", "POCKET3(10,0,2,-5)\nSLOT1(1)\nLONGHOLE(1)\n", 1, K::ForeignCycle,
     "POCKET", 3},
    {"cycle defined, called by M99",
     "CYCL DEF 200 DRILLING\nQ201=-18 ;DEPTH\nL X+10 Y+10 R0 FMAX M99\n", 1, K::ForeignCycle,
     "CYCL DEF 2", 2},
    {"old cycles, pattern call",
     "CYCL DEF 1.0 PECKING\nCYCL DEF 4.0 POCKET MILLING\nCYCL CALL PAT F500\nM89\n", 1,
     K::ForeignCycle, "CYCL DEF 1.", 4},
    {"jumps and loops", "GOTOF LBL1\nFOR R1=1 TO 5\nREPEAT LBL1 P=2\nLOOP\n", 1, K::ForeignFlow,
     "GOTOF", 4},
    {"label jump and repeat", "FN 9: IF +Q1 EQU +0 GOTO LBL 1\nCALL LBL 1 REP 5\n", 1,
     K::ForeignFlow, "FN 9:", 2},
    {"blocks of another dialect", "IF R1>0\nG1 Z-1\nELSE\nENDIF\nWHILE R1<3\nENDWHILE\n", 3,
     K::ForeignFlow, "ELSE", 5},
    {"their ends are foreign", "G1 Z-1\nENDIF\nUNTIL R1>2\nENDFOR\nENDLOOP\n", 2, K::ForeignFlow,
     "ENDIF", 4},
    {"macro jumps", "IF [#3 GT 1] GOTO 20\nG1 Z-25.\nN20 WHILE[#1GT-9.]DO1\nGOTO#1\n", 1, K::Jump,
     "IF", 3},
    {"scaling, mirror, rotation",
     "G51 X0 Y0 Z0 P2000\nG51.1 Z0\nG68 X0 Y0 R45\nG68.2 Z0\nG101 Z0\n", 1, K::Frame, "G51", 5},
    {"frames of other dialects", "SCALE Z2\nAMIRROR Z0\nROT X30\nAROT Y10\n", 1, K::ForeignFrame,
     "SCALE", 4},
    {"tilts and mirror images",
     "CYCL DEF 8.0 MIRROR IMAGE\nCYCL DEF 11.0 SCALING\nPLANE SPATIAL SPA+0 SPB+45\n"
     "CYCL DEF 19.0 WORKING PLANE\n",
     1, K::ForeignFrame, "CYCL DEF 8.", 4},
    {"tool length from axis words", "G43.1 Z-4\nG43.2 Z-1\n", 1, K::Offset, "G43.1", 2},
    {"a dialect's word wins", "G91 Z-1\nM98\nSUPA Z-2\n", 3, K::ForeignMachine, "SUPA", 3},
    {"first kind wins", "G91 G53 Z-5\nZ#1 G53\nG90 G53 M98 Z-1\nM98 z-3\n", 1, K::Incremental,
     "Z-5", 4},
    {"kinds in order", "Z#1 G53\nG90 G53 M98 Z-1\nM98 z-3\n", 1, K::Unreadable, "Z#1", 3},
    // Near misses: what CAM programs hold.
    {"program number, units, end", "%\nO1001 (PART)\nG90 G21 G17\nG21 Z-1\nM30\n%\n", 0, K::None,
     "", 0},
    {"nothing deeper after the end", "Z-1\nM30\nG0 Z5\nX1 Y1\nM2\n", 0, K::None, "", 0},
    {"words that make no doubt", "G17 G40 G49 G80 G54 G43 H1 M3 M5 M8 M9 M6 T1\nG81 Z-1 R1\n", 0,
     K::None, "", 0},
    {"G91.1", "G91.1\nG1 Z-1\n", 0, K::None, "", 0},
    {"G92.1", "G92.1 Z-5\n", 1, K::Offset, "G92.1", 1},
    {"G28 G91 Z0", "G28 G91 Z0\nG90\nG1 Z-1\n", 0, K::None, "", 0},
    {"G53 Z0", "G53 Z0\nG53 Z5\n", 0, K::None, "", 0},
    {"in comments", "(z-3 G91 o1 call) G1 Z-1 ;z-4 M98\n(G91)\nZ-1\n", 0, K::None, "", 0},
    {"axis of a blank", "BLK FORM 0.1 Z X+0 Y+0 Z-40\n", 0, K::None, "", 0},
    {"tool axis", "TOOL CALL 3 Z S4500\nTOOL CALL 1 Z\r\nTOOL CALL 2 Z\t(T2)\n", 0, K::None, "", 0},
    {"G38 without fraction", "G38 Z-1\n", 1, K::Unknown, "G38", 1},
    {"codes no rule names", "G0 Z1\nG6 G9.5 Z-1\nG12 I5 Z-3\nG150 P1\nG43.15 H1\nG38.20 Z-2\n", 3,
     K::Unknown, "G12", 4},
    {"known codes without a doubt",
     "G11 G15 G22 G23 G50.1 G61.1 G64 G69 G94 G187 Z-1\nG44 H1 Z2\nG154 P12\nG129\n", 0, K::None,
     "", 0},
    {"G45 to G48 lengthen a move", "G46 X1\nG47 Z-1\n", 2, K::Offset, "G47", 1},
    {"M97 calls a line", "M97 P100\n", 1, K::Call, "M97", 1},
    {"computed codes", "#1=91\nG1 Z-1\nG #1\nZ-1\nM[#2]\nG0#3\n", 3, K::Unknown, "G #", 2},
    {"G0 to G3 words", "G0 X1\nG01 Z-1\nG02 X1 I1 J0\nG1 Z-2\n", 0, K::None, "", 0},
    {"letters before the word", "MSG91 Z-1\nAM98\nPO1 CALL\n", 0, K::None, "", 0},
    {"keywords inside words and harmless ones",
     "END PGM 1 MM\nPLANE RESET STAY\nCYCL DEF 32.0 TOLERANCE\nCYCL DEF 10.0 ROT+45\n"
     "CYCL DEF 9.0 DWELL\nROT Z45\nROT RPL=30\nTRANSMIT\nL X+0 FMAX\nFORMAT\nIFS\n"
     "TRANS X1\nO1 (WHILE)\n",
     0, K::None, "", 0},
    {"o-words in capitals",
     "O101 REPEAT [2]\nO101 ENDREPEAT\nO1 IF [1]\nO1 ELSE\nO1 ENDIF\nO<SCALE> CALL\n", 1, K::OWord,
     "O101 REPEAT", 6},
    {"o-word without a keyword", "O100\nO200 G1 Z-1\n", 0, K::None, "", 0},
};

} // namespace

// One row per kind and the near misses that must not count, on the plain rules
// and on every kernel.
TEST(Doubts, FirstOfTheKinds) {
    for (const auto& row : kRows) {
        std::vector<ScanResult> results{vorlund::ReferenceScanBytes(row.program)};
        for (const auto kernel : {ScanKernel::Fastest, ScanKernel::Baseline, ScanKernel::Plain})
            results.push_back(vorlund::ScanBytes(row.program, 0, kernel));
        for (const auto& r : results) {
            EXPECT_EQ(r.FirstDoubt.Line, row.line) << row.what;
            EXPECT_EQ(r.FirstDoubt.Why, row.kind) << row.what;
            EXPECT_EQ(r.FirstDoubt.Text, row.text) << row.what;
            EXPECT_EQ(r.DoubtLines, row.lines) << row.what;
        }
    }
}

TEST(Doubts, LineOfTheDeepestZ) {
    const struct {
        std::string program;
        std::int64_t line;
    } cases[] = {
        {"Z-1\nZ-3\nZ-3\nZ-2\n", 2}, {"Z5\n", 0}, {"(Z-9)\r\nZ-0\r\n", 0}, {"Z-1\r\rZ-2", 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(vorlund::ScanBytes(c.program).MinLine, c.line) << c.program;
        EXPECT_EQ(vorlund::ReferenceScanBytes(c.program).MinLine, c.line) << c.program;
    }
}
