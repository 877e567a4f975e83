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
constexpr auto ArcLow = DepthSource::ArcLowest;

using Row = test::ProgramRow;

const Row kRows[] = {
    // Words, modes, comments, labels, block numbers.
    {"plain", "N10 G0 Z5 ; Z-9\nN20 G1 Z-2.5 F100\nlab1: Z-1\nM30\nZ-9", U::None, -2.5, 3},
    {"packed words, lower case", "g0x0y0z5\ng1 z-1.5", U::None, -1.5, 3},
    {"G0 at the start", "Z5\nZ-1", U::None, -1, 3},
    {"incremental", "G0 Z2\nG91 G1 Z-3\nZ-1.5\nG90 Z10", U::None, -2.5, 4},
    {"IC and AC", "G0 Z2\nG1 Z=IC(-3)\nG91 Z=AC(-4)\nZ-1", U::None, -5, 5},
    {"IC from an unknown Z", "G1 Z=IC(-3)", U::IncrementalStart, 0, 2},
    {"inch", "G70 G0 Z0\nG1 Z-1", U::None, -1, 3},
    {"helix with CR", "G17 G0 X0 Y0 Z0\nG2 X10 Y0 Z-3 CR=5", U::None, -3, 3},
    {"arc in XZ with a centre", "G18 G0 X-5 Z0\nG2 X5 Z0 I5 K0", U::None, -5, 3, "", ArcLow},
    {"CIP and CT in XY", "G0 X0 Y0 Z0\nCIP X10 Y0 I1=5 J1=5 Z-2\nCT X20 Y5 Z-3\nX30 Y0", U::None,
     -3, 4},
    {"CIP through another Z", "G0 X0 Y0 Z0\nCIP X10 Y0 I1=5 J1=5 K1=-4", U::Error, 0, 3, "K1"},
    {"CIP in XZ", "G18 G0 X0 Z0\nCIP X10 Z0 I1=5 K1=-5", U::Error, 0, 3, "G17"},
    {"turns", "G18 G0 X-5 Z0\nG2 X-5 Z0 I5 K0 TURN=1", U::None, -5, 3, "", ArcLow},
    {"tilting axis", "G0 Z5\nG1 B30", U::Frame, 0, 3, "B"},
    {"machine coordinates", "G0 Z5\nG0 SUPA Z-100", U::Machine, 0, 3},
    {"machine coordinates above", "G0 Z0\nG0 SUPA Z0\nG91 G1 Z-1", U::IncrementalStart, 0, 4},
    {"home in Z", "G0 Z0\nG74 Z1=0\nG1 Z-1", U::Error, 0, 3, "Z1"},
    {"unknown G", "G0 Z0\nG147 Z-1", U::Error, 0, 3, "G147"},
    {"messages and modes",
     "MSG(\"ROUGH; Z-9\")\nT=\"MILL 8\" D1\nM6\nSOFT G64 FFWON\nG0 Z1\n"
     "G1 Z-2 RND=1",
     U::None, -2, 7},

    // Parameters and expressions.
    {"R parameters", "R1=-7.5 R2=R1/2\nG0 Z0\nG1 Z=R1\nZ=R2-R1*2", U::None, -7.5, 4},
    {"R indexed", "R1=3 R[R1]=-4\nG0 Z0\nG1 Z=R3", U::None, -4, 4},
    {"DEF locals",
     "DEF REAL DEPTH=-2, STEP\nDEF INT N=2.6\nSTEP=0.5\nG0 Z0\n"
     "G1 Z=DEPTH*N-STEP",
     U::None, -6.5, 6},
    {"functions",
     "R1=SQRT(16)+ABS(-2)+SIN(90)+POT(2)-TRUNC(1.7)+ROUND(0.6)+MINVAL(1,2)\n"
     "R2=MAXVAL(1,2)+ATAN2(1,1)/45+COS(0)\nG0 Z0\nG1 Z=-R1-R2",
     U::None, -16, 5},
    {"comparisons and logic",
     "R1=(3==3)+(3<>3)+(2>1)+(2<1)+(2>=2)+(1<=0)+NOT 0+(1 AND 0)+(0 OR 1)\n"
     "G0 Z0\nG1 Z=-R1",
     U::None, -5, 4},
    {"signs", "R1=- -+-2\nR2=NOT NOT 3\nG0 Z0\nG1 Z=R1-R2", U::None, -3, 5},
    {"signs too deep", "R1=----------------------------------------------------------------------1",
     U::Error, 0, 2, "too deep"},
    {"not set", "G0 Z0\nG1 Z=R7", U::Unset, 0, 3, "R7"},
    {"not set local", "DEF REAL A\nG1 Z=A", U::Unset, 0, 3, "A"},
    {"system variable", "R1=$AA_IM[Z]", U::Unset, 0, 2, "$AA_IM"},
    {"writes the controller's data", "$P_UIFR[1]=CTRANS(Z,-5)", U::Offset, 0, 2, "$P_UIFR"},
    {"division by zero", "R1=0\nR2=1/R1", U::Error, 0, 3, "division by zero"},

    // Flow.
    {"GOTOF and GOTOB",
     "R1=0\nG0 Z0\nUP: R1=R1-1\nG1 Z=R1\nIF R1>-3 GOTOB UP\nGOTOF END\n"
     "G1 Z-50\nEND: M30",
     U::None, -3, 5},
    {"GOTO to a block number", "G0 Z0\nGOTO N50\nG1 Z-50\nN50 G1 Z-1", U::None, -1, 5},
    {"CASE",
     "R1=2\nG0 Z0\nCASE R1 OF 1 GOTOF ONE 2 GOTOF TWO DEFAULT GOTOF ONE\n"
     "ONE: G1 Z-50\nTWO: G1 Z-2",
     U::None, -2, 6},
    {"GOTOC to nowhere", "G0 Z0\nGOTOC NOWHERE\nG1 Z-1", U::None, -1, 4},
    {"GOTOF to nowhere", "G0 Z0\nGOTOF NOWHERE", U::Error, 0, 3, "NOWHERE"},
    {"IF ELSE ENDIF", "R1=1\nG0 Z0\nIF R1==1\nG1 Z-2\nIF R1>5\nZ-40\nENDIF\nELSE\nZ-50\nENDIF",
     U::None, -2, 5},
    {"ELSE runs", "R1=0\nG0 Z0\nIF R1==1\nG1 Z-50\nELSE\nG1 Z-3\nENDIF", U::None, -3, 7},
    {"WHILE", "R1=0\nG0 Z0\nWHILE R1>-4\nR1=R1-1\nG1 Z=R1\nENDWHILE", U::None, -4, 6},
    {"FOR", "DEF INT I\nG0 Z0\nFOR I=1 TO 3\nG1 Z=-I\nENDFOR", U::None, -3, 5},
    {"REPEAT UNTIL", "R1=0\nG0 Z0\nREPEAT\nR1=R1-0.5\nG1 Z=R1\nUNTIL R1<=-2", U::None, -2, 6},
    {"LOOP left by a jump",
     "R1=0\nG0 Z0\nLOOP\nR1=R1-1\nG1 Z=R1\nIF R1<-2 GOTOF OUT\nENDLOOP\n"
     "OUT: M30",
     U::None, -3, 6},
    {"section REPEAT", "G0 Z0\nG91\nSTART: G1 Z-1\nREPEAT START P=2\nG90 G0 Z10", U::None, -3, 4},
    {"REPEAT between labels", "G0 Z0\nG91\nA1: G1 Z-1\nB1: G1 Z-0.5\nG1 Z0\nREPEAT A1 B1 P=1",
     U::None, -3, 5},
    {"REPEATB", "G0 Z0\nG91\nA1: G1 Z-1\nREPEATB A1 P=3", U::None, -4, 4},
    {"runaway", "LOOP\nENDLOOP", U::Runaway, 0, -1},
    {"runaway through an array", "DEF REAL ARR[10]\nR1=0\nLOOP\nARR[R1]=1\nR1=R1+1\nENDLOOP",
     U::Runaway, 0, -1},
    {"arrays and a call's own variables",
     "DEF INT ARR[3]\nARR[1]=2.6\nG0 Z0\nSUB(ARR[1])\nG1 Z=-ARR[1]\nM30\n"
     "PROC SUB(REAL DEP)\nDEF REAL HALF=DEP/2\nG1 Z=-HALF\nRET",
     U::None, -3, 6},
    {"ENDWHILE without WHILE", "ENDWHILE", U::Error, 0, 2},

    // Subprograms.
    {"PROC with parameters",
     "G0 Z0\nDRILL(-2)\nDRILL(-5)\nM30\nPROC DRILL(REAL D) SAVE\nG1 Z=D\nG0 Z5\nRET", U::None, -5,
     7},
    {"L with arguments", "G0 Z0\nL7(-3)\nM30\nPROC L7(REAL D)\nG1 Z=D\nM17", U::None, -3, 6},
    {"L with repeats", "G0 Z0\nG91\nL10 P3\nM30\nPROC L10\nG1 Z-1\nM17", U::None, -3, 7},
    {"the program's own parameter", "PROC MAIN(REAL DEPTH)\nG0 Z0\nG1 Z=DEPTH", U::Unset, 0, 4,
     "DEPTH"},
    {"another program by name", "G0 Z5\nBAR_CENTR\nG1 Z-1", U::MissingProgram, 0, 3, "BAR_CENTR"},
    {"another program by L", "G0 Z5\nL123", U::MissingProgram, 0, 3, "L123"},
    {"CALL", "CALL \"PART2\"", U::MissingProgram, 0, 2, "CALL"},
    {"EXTCALL", "EXTCALL \"BIG\"", U::MissingProgram, 0, 2, "EXTCALL"},

    // Cycles: where the tool is, with MCALL at each later position.
    {"drilling", "G0 X0 Y0 Z50\nCYCLE81(10,0,2,-12)\nG0 Z5", U::None, -12, 3, "", Bottom},
    {"DPR wins", "G0 Z50\nCYCLE83(10,1,2,-30,8,5,,3)", U::None, -7, 3, "", Bottom},
    {"DPR 0 leaves DP", "G0 Z50\nCYCLE82(10,0,2,-6,0,1)", U::None, -6, 3, "", Bottom},
    {"ends at RTP", "G0 Z50\nCYCLE81(10,0,2,-6)\nG91 G1 Z-20", U::None, -10, 4},
    {"modal call", "G0 Z50\nMCALL CYCLE81(10,0,2,-4)\nX10 Y10\nX20\nMCALL\nX30 Z-1", U::None, -4, 4,
     "", Bottom},
    {"modal call's depth", "G0 Z50\nR1=-9\nMCALL CYCLE82(10,0,2,R1)\nX10 Y10", U::None, -9, 5, "",
     Bottom},
    {"pattern with a modal call", "G0 Z50\nMCALL CYCLE81(10,0,2,-3)\nHOLES2(0,0,20,0,90,4)\nMCALL",
     U::None, -3, 4, "", Bottom},
    {"no depth", "G0 Z50\nCYCLE81(10,0,2)", U::Unset, 0, 3, "DP"},
    {"unknown cycle", "CYCLE800(1,\"TABLE\",0,57,0,0,0,30,0,0,0,0,0,-1)", U::Cycle, 0, 2,
     "CYCLE800"},
    {"tolerance cycle", "CYCLE832(0.01,1,1)\nG0 Z0\nG1 Z-1", U::None, -1, 4},
    {"cycle in XZ", "G18 G0 Z50\nCYCLE81(10,0,2,-5)", U::Cycle, 0, 3, "G17"},
    {"ISO drilling", "G0 X0 Y0 Z10\nG99 G81 X5 Y5 Z-8 R2 F100\nG80", U::None, -8, 3, "", Bottom},

    // Frames.
    {"shift and rotation in the plane",
     "TRANS X10 Y5\nATRANS Z0\nROT RPL=30\nAROT Z45\nROT\n"
     "G0 Z0\nG1 Z-1",
     U::None, -1, 8},
    {"shift in Z", "TRANS Z-5", U::Offset, 0, 2, "TRANS Z"},
    {"rotation about X", "ROT X30", U::Frame, 0, 2, "ROT X"},
    {"rotation in XZ", "G18\nROT RPL=10", U::Frame, 0, 3, "RPL"},
    {"scale", "SCALE Z2", U::Frame, 0, 2, "SCALE"},
    {"mirror reset", "MIRROR\nG0 Z0\nG1 Z-1", U::None, -1, 4},
};

InterpResult RunProgram(const std::string& Program) {
    return Interpret(test::MemorySource("%_N_T_MPF\n" + Program + "\n"), {100'000, 16});
}

TEST(SinumerikTest, Programs) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        test::ExpectRun(RunProgram(row.program), row);
    }
}

// Each cycle's bottom as its manual draws it: RFP - DPR when DPR is given,
// else DP; the cycles without DPR at DP.
struct CycleRow {
    const char* call;
    double bottom;
};

const CycleRow kCycles[] = {
    {"CYCLE81(10,0,2,-12)", -12},
    {"CYCLE81(10,0,2,,12)", -12},
    {"CYCLE82(10,-1,2,-20,5,1)", -6},
    {"CYCLE83(10,0,2,-40,,5,,3,,,1,0)", -40},
    {"CYCLE84(10,0,2,-15,,,3,,1.25,,90,500)", -15},
    {"CYCLE840(10,0,2,,18,1,4,3,0,,1.5)", -18},
    {"CYCLE85(10,2,2,-25,,1,100,200)", -25},
    {"CYCLE86(10,0,2,-30,,1,3,-1,-1,1,45)", -30},
    {"CYCLE87(10,0,2,,9,3)", -9},
    {"CYCLE88(10,0,2,-14,,1,3)", -14},
    {"CYCLE89(10,5,2,-10,,1)", -10},
    {"CYCLE90(10,0,2,-20,,46,40,2,800,3,0,50,50)", -20},
    {"POCKET1(10,0,2,-17.5,,60,40,8,60,40,0,120,300,4,2,0.5,0,0,0,0)", -17.5},
    {"POCKET2(10,0,2,,12,25,60,40,120,300,4,2,0.5,0)", -12},
    {"POCKET3(10,0,2,-11,60,40,8,60,40,0,4,0.5,0.2,300,100,0,21,5,,,,,)", -11},
    {"POCKET4(10,0,2,-8,25,60,40,4,0.5,0.2,300,100,0,21,5)", -8},
    {"SLOT1(10,0,2,-23,,4,30,8,40,45,20,45,90,100,320,10,2,0.5,0)", -23},
    {"SLOT2(10,0,2,,6,3,70,15,60,60,42,0,120,100,300,3,2,0.5,0)", -6},
    {"LONGHOLE(10,0,2,-23,,4,30,40,45,20,45,90,100,320,6)", -23},
    {"CYCLE71(10,0,2,-5,0,0,100,60,0,2,40,1,0.2,500,31,5)", -5},
    {"CYCLE72(\"CONTOUR\",10,0,2,-15,5,0.5,0.2,500,100,111,41,1,8,400,1,8)", -15},
    {"CYCLE76(10,0,2,-12,,60,40,5,30,30,0,4,0.5,0.2,300,100,0,1,70,50)", -12},
    {"CYCLE77(10,0,2,,7,30,50,50,4,0.5,0.2,300,100,0,1,40)", -7},
};

TEST(SinumerikTest, CycleBottoms) {
    for (const CycleRow& row : kCycles) {
        SCOPED_TRACE(row.call);
        const InterpResult r = RunProgram(std::string("G0 X0 Y0 Z50\n") + row.call + "\nG0 Z50");
        test::ExpectBottom(r, row.bottom);
    }
}

// Only a program that shows a Sinumerik word is read as one.
TEST(SinumerikTest, Dialect) {
    test::ExpectDialects({
        {"; part 1\nG0 Z5\nR1=-2\n", Dialect::Sinumerik},
        {"%_N_PART_MPF\nG0 Z5\n", Dialect::Sinumerik},
        {"N10 DEF REAL A\n", Dialect::Sinumerik},
        {"PROC PART(REAL D)\n", Dialect::Sinumerik},
        {"MSG (\"ROUGH\")\n", Dialect::Sinumerik},
        {"G0 X0\nN20 CYCLE81(10,0,2,-5)\n", Dialect::Sinumerik},
        {"IF R1>0 GOTOF END\n", Dialect::Sinumerik},
        {"WHILE R1<5\n", Dialect::Sinumerik},
        {"EXTERN WARMUP(REAL)\n", Dialect::Sinumerik},
        {"(MSG, ROUGH)\nG0 Z1\nDPRNT[X#1]\nPOPEN\nGOTO1(TO 1)\nOCIRCLE(CIRCLE)\n", Dialect::Rs274},
        {"; LinuxCNC\nG0 Z5 ; comment\no100 if [#1 GT 0]\n#1=-2\nG1 Z#1\nR1\n", Dialect::Rs274},
        {"O1000\n#1=-5\nIF [#1 LT 0] GOTO 10\nWHILE [#1 LT 0] DO1\nG81 R2 Z-5\nM30\n",
         Dialect::Rs274},
        {"(CYCLE81 in a comment)\nG0 Z5\nM98 P1000\n", Dialect::Rs274},
        {"BEGIN PGM A MM\nL Z-1\n", Dialect::Heidenhain},
    });
}

} // namespace
} // namespace vorlund
