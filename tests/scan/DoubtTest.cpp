#include "scan/Scanner.h"
#include "support/ReferenceScanner.h"

#include <gtest/gtest.h>

#include <string>

using vorlund::DoubtKind;
using vorlund::ScanKernel;
using vorlund::ScanResult;

namespace {

struct Row {
    const char* what;
    std::string program;
    std::int64_t line; // of the first doubt, 0 for none
    DoubtKind kind;
    const char* text;
    std::int64_t lines; // doubtful lines
};

using K = DoubtKind;

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
    {"IZ", "L IX+5 IZ-5\n", 1, K::Incremental, "Z-5", 1},
    {"G53", "G53 G0 Z-650.\n", 1, K::Machine, "G53", 1},
    {"M91", "L Z-10 FMAX M91\n", 1, K::Machine, "M91", 1},
    {"SUPA", "G0 SUPA Z-10\n", 1, K::Machine, "SUPA", 1},
    {"G10", "G10 L2 P1 Z-300.\n", 1, K::Offset, "G10", 1},
    {"G92", "G92 Z-5\n", 1, K::Offset, "G92", 1},
    {"datum shift", "CYCL DEF 7.3 Z-328.485\n", 1, K::Offset, "CYCL DEF 7.", 1},
    {"G38.2", "G38.2 Z-0.1 F50\n", 1, K::Probe, "G38.2", 1},
    {"G31", "G31 Z-3\n", 1, K::Probe, "G31", 1},
    {"lower case", "g1 z-3\n", 1, K::Lowercase, "z-3", 1},
    {"lower case, spaces", "g1 z -3\n", 1, K::Lowercase, "z -3", 1},
    {"lower case variable", "g1 z#4\ng1 z[#1-2]\n", 1, K::Lowercase, "z#4", 2},
    {"lower case past the first",
     "g1 z-1\nz-0.0\ng1 z -3\nm3 s100 z+2\nxz-3\ng0 x1 (z-3)\nz[1]\nx1 Z#1\nx1 IZ-5\nx1 Z-5 y1\ng1 "
     "Z y2\n",
     1, K::Lowercase, "z-1", 5},
    {"M98", "M98 P1002\n", 1, K::Call, "M98", 1},
    {"G65", "G65 P9001 A1\n", 1, K::Call, "G65", 1},
    {"CALL PGM", "CALL PGM 5\n", 1, K::Call, "CALL PGM", 1},
    {"undefined o-word", "o<pocket> call [2]\no<pocket> CALL\no100 sub\n", 1, K::Call,
     "o<pocket> call", 2},
    {"first kind wins", "G91 G53 Z-5\nZ#1 G53\nG90 G53 M98 Z-1\nM98 z-3\n", 1, K::Incremental,
     "Z-5", 4},
    {"kinds in order", "Z#1 G53\nG90 G53 M98 Z-1\nM98 z-3\n", 1, K::Unreadable, "Z#1", 3},
    // Near misses.
    {"G91.1", "G91.1\nG1 Z-1\n", 0, K::None, "", 0},
    {"G92.1", "G92.1 Z-5\n", 0, K::None, "", 0},
    {"G28 G91 Z0", "G28 G91 Z0\nG90\nG1 Z-1\n", 0, K::None, "", 0},
    {"G53 Z0", "G53 Z0\n", 0, K::None, "", 0},
    {"G53 with a positive Z", "G53 Z5\n", 0, K::None, "", 0},
    {"z in a comment", "(z-3) G1 Z-1 ;z-4\n", 0, K::None, "", 0},
    {"G91 in a comment", "(G91)\nZ-1\n", 0, K::None, "", 0},
    {"lower-case z+3", "g1 z+3\n", 0, K::None, "", 0},
    {"axis of a blank", "BLK FORM 0.1 Z X+0 Y+0 Z-40\n", 0, K::None, "", 0},
    {"tool axis", "TOOL CALL 3 Z S4500\nTOOL CALL 1 Z\r\nTOOL CALL 2 Z\t(T2)\n", 0, K::None, "", 0},
    {"G38 without fraction", "G38 Z-1\n", 0, K::None, "", 0},
    {"o-word defined", "o100 call\nG1 Z-1\no100 sub\nG1 Z-2\no100 endsub\n", 0, K::None, "", 0},
    {"G0 to G3 words", "G0 X1\nG01 Z-1\nG02 X1 I1 J0\nG1 Z-2\n", 0, K::None, "", 0},
    {"letters before the word", "MSG91 Z-1\nAM98\n", 0, K::None, "", 0},
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
            EXPECT_EQ(r.FirstDoubt.Kind, row.kind) << row.what;
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
