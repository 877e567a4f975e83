#include "interp/Interpreter.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace vorlund {
namespace {

using U = Reason;

struct Row {
    const char* what;
    const char* program;
    U reason;
    double minZ;       // when settled
    std::int64_t line; // MinLine when settled, else the reason's line (-1: any)
    const char* text;  // a part of the reason's text
};

// Moves are G0/G1 only: the rows test the runner, not the machine.
const Row kRows[] = {
    {"line ends", "G0 Z1\rG1 Z-1\r\nG1 Z-3\nG1 Z-2", U::None, -3, 3, ""},
    {"byte order mark, control bytes", "\xEF\xBB\xBFG1 Z-1\f\nG1 Z-2\n\x1a", U::None, -2, 2, ""},
    {"comments", "G1 Z-1 (Z-9)\nG1 ; Z-8\n(Z-7\n", U::None, -1, 1, ""},
    {"block delete runs", "G1 Z-1\n/G1 Z-4\n/2 G1 Z-3\n", U::None, -4, 2, ""},
    {"percent ends", "%\nG1 Z-1\n%\nG1 Z-7\n", U::None, -1, 2, ""},
    {"N, spaces, case", "n10 g 1 z - 2 . 5\nN20G1Z-1\n", U::None, -2.5, 1, ""},
    {"program number", "O1234 (MAIN)\nG1 Z-2\nM30\n", U::None, -2, 2, ""},
    {"settings after reads", "#1=-1\n#1=-2 G1 Z#1\nG1 Z#1\n", U::None, -2, 3, ""},
    {"indirect", "#1=2\n#2=-6\nG1 Z##1\n", U::None, -6, 3, ""},
    {"named", "#<a>=-2\n#<_g>=[#<a>*3]\nG1 Z#<_g>\n", U::None, -6, 3, ""},
    {"precedence", "G1 Z[0-2**3*2+10 MOD 4-8/4]\n", U::None, -16, 1, ""},
    {"comparison, logic",
     "G1 Z[[1 LT 2] AND [3 GE 3] OR [0 XOR 0] + [2 EQ 2.00001]*0]\nG1 Z-[1 GT 2]", U::None, 0, 0,
     ""},
    {"functions",
     "G1 Z[0-ABS[-1]-SQRT[4]-FIX[1.7]-FUP[1.2]-ROUND[2.5]-ATAN[1]/[1]/45-SIN[90]-EXP[0]-LN[1]]\n",
     U::None, -12, 1, ""},
    {"exists", "#<a>=1\n#2=99999\nG1 Z[0-EXISTS[#<a>]-EXISTS[#<b>]-EXISTS[#1]-EXISTS[##2]]\n",
     U::None, -2, 3, ""},
    {"sub and locals",
     "o<p> sub\n#1=[#1*2]\nG1 Z#1\no<p> endsub\n#1=-1\no<p> call [-3]\nG1 Z[#1*4]\nM2\n", U::None,
     -6, 3, ""},
    {"return value",
     "o100 sub\no100 return [#1-#2]\no100 endsub\no100 call [1] [6]\nG1 Z#<_value>\nM2\n", U::None,
     -5, 5, ""},
    {"if elseif else",
     "#1=2\no1 if [#1 EQ 1]\nG1 Z-10\no1 elseif [#1 EQ 2]\nG1 Z-4\no1 else\nG1 Z-20\no1 endif\n",
     U::None, -4, 5, ""},
    {"branches past a longer line",
     "o1 if [1 EQ 2 AND 3 EQ 4]\n(a comment longer than any line before it, so that reading it "
     "takes more room)\no1 elseif [0]\nG1 Z-9\no1 else\nG1 Z-2\no1 endif\n",
     U::None, -2, 6, ""},
    {"while", "#1=0\no2 while [#1 GT -5]\n#1=[#1-1.5]\nG1 Z#1\no2 endwhile\n", U::None, -6, 4, ""},
    {"do while", "#1=0\no3 do\n#1=[#1-1]\nG1 Z#1\no3 while [#1 GT -3]\n", U::None, -3, 4, ""},
    {"repeat", "G1 Z0\n#1=0\no4 repeat [4]\n#1=[#1-0.5]\nG1 Z#1\no4 endrepeat\n", U::None, -2, 5,
     ""},
    {"break, continue",
     "#1=0\no5 while [1]\n#1=[#1+1]\no6 if [#1 LT 3]\no5 continue\no6 endif\nG1 Z[0-#1]\n"
     "o7 if [#1 GE 6]\no5 break\no7 endif\no5 endwhile\nM2\n",
     U::None, -6, 7, ""},
    {"M98 and M99",
     "#1=0\nM98 P100 L3\nM98 P20200\nM30\nO0100\nG1 Z[#1-1]\n#1=[#1-1]\nM99\n"
     "O0200\nG1 Z-9.5\nM99\n%\n",
     U::None, -9.5, 10, ""},
    {"M97 local", "G1 Z0\nM97 P100 L2\nM30\nN100 G91 G1 Z-1.5\nG90\nM99\n", U::None, -3, 4, ""},
    {"M97 missing", "M97 P200\nM30\nN20 G1 Z-1\n", U::MissingProgram, 0, 1, "N200"},
    {"G65 arguments", "#1=5\nG65 P100 A-2 Z-1\nG1 Z#1\nM30\nO0100\nG1 Z[#1+#26]\nM99\n", U::None,
     -3, 6, ""},
    {"M2 ends", "G1 Z-2\nM2\nG1 Z-50\n", U::None, -2, 1, ""},
    {"sub after M30", "o1 call\nM30\no1 sub\nG1 Z-3\no1 endsub\nG1 Z-9\n", U::None, -3, 4, ""},
    {"caller's argument", "G1 Z-1\nG1 Z#1\n", U::Unset, 0, 2, "#1"},
    {"machine data", "#1=#5220\nG1 Z-1\nG1 Z#1\n", U::Unset, 0, 3, "#5220"},
    {"run's own values",
     "G20 G91\no1 if [#<_imperial> AND #<_incremental> AND #<_task> AND EXISTS[#<_z>]]\n"
     "G90 G0 Z#<_metric>\nG1 Z[-#5422-1]\no1 endif\nT5 M6\nG1 Z[-#<_current_tool>]\n",
     U::None, -5, 7, ""},
    {"position unknown", "G28\nG1 Z[#<_z>-1]\n", U::Unset, 0, 2, "#<_z>"},
    {"tool unknown", "T5\nG1 Z-#5400\n", U::Unset, 0, 2, "#5400"},
    {"unknown feed and speed", "G1 F#<_hal[f]> Z-1\n#1=#<_ini[a]b>\nS#1 M3\nM67 E0 Q1\n", U::None,
     -1, 1, ""},
    {"unknown settled by logic", "o1 if [0 AND #2]\nG1 Z-9\no1 endif\nG1 Z-1\n", U::None, -1, 4,
     ""},
    {"unknown condition", "o1 if [#2 GT 1]\nG1 Z-1\no1 endif\n", U::Unset, 0, 1, "#2"},
    {"unknown condition, still branches",
     "G0 Z5\no7 if [#<_ini[a]b> EQ 0]\n(MSG, preview)\nM5\no7 elseif [#3]\nS100 F#2\no7 else\n"
     "M9\no7 endif\nG1 Z-4\n",
     U::None, -4, 10, ""},
    {"unknown condition, a branch sets", "o7 if [#2]\nM3\no7 else\n#1=2\no7 endif\n", U::Unset, 0,
     1, "#2"},
    {"unknown elseif, a branch calls", "o7 if [0]\no7 elseif [#2]\nM98 P1\no7 endif\n", U::Unset, 0,
     2, "#2"},
    {"unknown count", "#1=#5399\no1 repeat [#1]\no1 endrepeat\n", U::Unset, 0, 2, "#5399"},
    {"spindle number, polar words forget X",
     "M3 $0 S9\nG0 X0 Y0 Z0\nG1 @5 ^30 Z-1\nG18 G2 X1 Z0 R1\n", U::IncrementalStart, 0, 4,
     "unknown point"},
    {"computed o-word", "#1=99\no100 sub\nG1 Z-#1\no100 endsub\no[#1+1] call [7]\n", U::None, -7, 3,
     ""},
    {"profile cycle's sub",
     "G18 G0 X20 Z5\no100 sub\nG0 X0 Z3\nG1 Z-12\nX20\no100 endsub\nG71 Q100 X20 Z3 D1 I1\n"
     "G70 Q100 X20 Z3 P2\nM2\n",
     U::None, -12, 4, ""},
    {"the tool after a profile cycle",
     "G0 X20 Z5\no1 sub\nG1 Z-2\no1 endsub\nG71 Q1 X20 Z5\nG91 G1 Z-1\n", U::IncrementalStart, 0, 6,
     ""},
    {"facing past its profile",
     "G0 X20 Z5\no1 sub\nG1 Z-2\no1 endsub\nG72 Q1 X20 Z5 R0.5\nG1 Z-2\n", U::None, -2.5, 3, ""},
    {"Fanuc profile cycle",
     "G0 X30 Z2\nG71 U1 R0.5\nG71 P10 Q20 U0.5 W0.1 F0.2\nN10 G0 X10\nG1 Z-25\nN20 X30\n"
     "G70 P10 Q20\nM30\n",
     U::None, -25, 5, ""},
    {"Fanuc profile cycle with stock below",
     "G0 X30 Z2\nG72 P10 Q20 U0.5 W-0.1\nN10 G0 Z-5\nN20 X0\n", U::Error, 0, 2, "W below 0"},
    {"Fanuc profile elsewhere", "G71 P10 Q20 U0.5\nG0 Z5\nM30\nN10 G1 Z-9\nN20 X1\n", U::Error, 0,
     2, "N10"},
    {"read only", "#<_x>=1\n", U::Error, 0, 1, "read only"},
    {"ini", "G1 Z#<_ini[axis_z]max_limit>\n", U::Unset, 0, 1, "_ini"},
    {"unset local", "#<d>=1\no1 sub\nG1 Z#<d>\no1 endsub\no1 call\n", U::Unset, 0, 3, "#<d>"},
    {"probe result", "G1 Z#5063\n", U::Probe, 0, 1, "#5063"},
    {"offset parameter", "#5223=-10\n", U::Offset, 0, 1, "#5223"},
    {"missing sub", "G1 Z-1\no<nope> call [1]\n", U::MissingProgram, 0, 2, "o<nope>"},
    {"missing program", "M98 P9000\n", U::MissingProgram, 0, 1, "O9000"},
    {"only subroutines", "o1 sub\nG1 Z-3\no1 endsub\n", U::OnlySubroutines, 0, 1, ""},
    {"endless loop", "o1 while [1]\nG1 Z-1\no1 endwhile\n", U::Runaway, 0, -1, "no end"},
    {"recursion", "o1 sub\no1 call\no1 endsub\no1 call\n", U::Runaway, 0, 2, "nested"},
    {"M99 in main", "G1 Z-1\nM99\n", U::Runaway, 0, 2, "M99"},
    {"division by zero", "#1=0\nG1 Z[1/#1]\n", U::Error, 0, 2, "division by zero"},
    {"root of a negative", "G1 Z[SQRT[-1]]\n", U::Error, 0, 1, "square root"},
    {"log of zero", "G1 Z[LN[0]]\n", U::Error, 0, 1, "logarithm"},
    {"malformed", "G1 Z[1+]\n", U::Error, 0, 1, "malformed"},
    {"unclosed", "G1 Z[1+2\n", U::Error, 0, 1, "malformed"},
    {"too big", "G1 Z[10**200*10**200]\n", U::Error, 0, 1, "out of range"},
    {"unknown word", "G1 :5\n", U::Error, 0, 1, "unknown word :"},
    {"unknown function", "G1 Z[FOO[1]]\n", U::Error, 0, 1, "FOO"},
    {"two Z words", "G1 Z1 Z2\n", U::Error, 0, 1, "two Z"},
    {"if without endif", "o1 if [0]\nG1 Z-1\n", U::Error, 0, 1, "no end"},
    {"endwhile alone", "o1 endwhile\n", U::Error, 0, 1, "without while"},
    {"sub without endsub", "o1 call\nM2\no1 sub\nG1 Z-1\n", U::Error, 0, 4, "no endsub"},
};

// Fanuc macro B: jumps, conditions, loops, vacant values, alarms.
const Row kMacroRows[] = {
    {"GOTO skips lines", "G1 Z-1\nGOTO 20\nG1 Z-25.\nN20 G1 Z-2\nM30\n", U::None, -2, 4, ""},
    {"IF GOTO, taken or not",
     "#1=3\nIF [#1 GT 1] GOTO 20\nG1 Z-25.\nN20 IF [#1 LT 1] GOTO 30\nG1 Z-4\nN30 M30\n", U::None,
     -4, 5, ""},
    {"GOTO back", "#1=0\nN10 #1=#1+1\nG1 Z-#1\nIF [#1 LT 3] GOTO10\nM30\n", U::None, -3, 3, ""},
    {"WHILE steps down", "#1=0\nWHILE [#1 GT -9.] DO1\n#1=#1-2.\nG1 Z#1\nEND1\nM30\n", U::None, -10,
     4, ""},
    {"nested loops",
     "#1=0\n#3=0\nWHILE [#1 LT 2] DO1\n#2=0\nWHILE [#2 LT 3] DO2\n#2=#2+1\n#3=#3-1\nEND2\n"
     "#1=#1+1\nEND1\nG1 Z#3\n",
     U::None, -6, 11, ""},
    {"WHILE false skips its body", "WHILE [0] DO1\nG1 Z-9\nEND1\nG1 Z-1\n", U::None, -1, 4, ""},
    {"DO loop left by GOTO", "#1=0\nDO1\n#1=#1-1\nG1 Z#1\nIF [#1 LE -2] GOTO 9\nEND1\nN9 M30\n",
     U::None, -2, 4, ""},
    {"IF of two conditions", "#1=1\n#2=2\nIF[#1EQ1]AND[#2EQ2]GOTO9\nG1 Z-8\nN9 G1 Z-1\n", U::None,
     -1, 5, ""},
    {"IF THEN", "#1=-1\nIF [#1 LT 0] THEN #2=-5\nIF [#1 GT 0] THEN #2=-7\nG1 Z#2\n", U::None, -5, 4,
     ""},
    {"G65 arguments vacant",
     "G65 P100 A-3\nM30\nO0100\nIF [#2 EQ #0] THEN #2=-1\nG1 Z[#1+#2] X#24\nG1 Z#26\nM99\n",
     U::None, -4, 5, ""},
    {"vacant is not 0", "G65 P100\nM30\nO0100\nIF [#1 EQ 0] THEN #3000=1\nG1 Z-1\nM99\n", U::None,
     -1, 5, ""},
    {"indirect", "#101=-7\n#1=1\nG1 Z#[#1+100]\n", U::None, -7, 3, ""},
    {"functions", "G1 Z-[POW[2,3]+ATAN[1,1]+BIN[37]+BCD[25]+FUP[0.2]+ROUND[-0.4]]\n", U::None,
     -(8 + 45 + 25 + 37 + 1), 1, ""},
    {"BIN of no BCD", "G1 Z-BIN[10]\n", U::Error, 0, 1, "BIN"},
    {"GOTO finds its own program's line",
     "M98 P100\nM98 P200\nM30\nO0100\nGOTO 10\nG1 Z-9\nN10 M99\nO0200\nN10 G1 Z-2\nM99\n", U::None,
     -2, 9, ""},
    {"G66 calls after each move",
     "G66 P100 A-2\nG0 X1 Y1\n#9=1\nG0 X2 Y2\nG67\nG0 X3\nM30\nO0100\nG1 Z#1\nG0 Z5 X0\nM99\n",
     U::None, -2, 9, ""},
    {"G66.1", "G66.1 P100\n", U::Error, 0, 1, "G66.1"},
    {"M99 P returns to a line", "M98 P100\nG1 Z-9\nN40 G1 Z-2\nM30\nO0100\nG1 Z-1\nM99 P40\n",
     U::None, -2, 3, ""},
    {"M99 P in main jumps", "G1 Z-1\nM99 P10\nG1 Z-8\nN10 M30\n", U::None, -1, 1, ""},
    {"macros nested 4 deep",
     "G65 P1 A4\nM30\nO0001\nG1 Z-#1\nIF [#1 LE 1] GOTO 9\nG65 P1 A[#1-1]\nN9 M99\n", U::None, -4,
     4, ""},
    {"macros nested 5 deep", "G65 P1 A5\nM30\nO0001\nIF [#1 LE 1] GOTO 9\nG65 P1 A[#1-1]\nN9 M99\n",
     U::Error, 0, 5, "macros nested deeper than 4"},
    {"subprograms nested 11 deep", "M98 P1\nM30\nO0001\nM98 P1\nM99\n", U::Error, 0, 4,
     "subprograms nested deeper than 10"},
    {"system variables of the run's own state",
     "G91 G20 G1 X1\nG90 G0 Z1\nG1 Z-[#4001+#4003+#4006+#4002/17]\nG1 Z-[#5003+#5043+#4012/67]\n",
     U::None, -(0 + 90 + 20 + 1), 3, ""},
    {"a system variable of the machine", "G1 Z-#5021\n", U::Unset, 0, 1, "#5021"},
    {"an argument of a caller outside", "IF [#1 GT 2] GOTO 5\n", U::Unset, 0, 1, "#1"},
    {"alarm", "#3000=1 (NO TOOL)\n", U::Error, 0, 1, "alarm 1"},
    {"DO without END", "WHILE [0] DO1\nG1 Z-1\n", U::Error, 0, 1, "DO1 has no END"},
    {"END without DO", "END1\n", U::Error, 0, 1, "END1 without DO1"},
    {"loop number 4", "WHILE [1] DO4\n", U::Error, 0, 1, "DO4"},
    {"GOTO nowhere", "GOTO 5\n", U::Error, 0, 1, "GOTO 5: no such line"},
    {"IF without GOTO or THEN", "IF [1] G1 Z-1\n", U::Error, 0, 1, "IF without"},
    {"GOTO for ever", "N1 GOTO 1\n", U::Runaway, 0, -1, "no end"},
};

void Check(const Row& Row) {
    SCOPED_TRACE(Row.what);
    const InterpResult r = Interpret(test::MemorySource(Row.program), {100'000, 16});
    EXPECT_EQ(r.Unsure.Why, Row.reason) << r.Unsure.Text;
    if (Row.reason == U::None) {
        EXPECT_EQ(r.MinZ, float(Row.minZ));
        EXPECT_EQ(r.MinLine, Row.line);
    } else {
        if (Row.line >= 0) {
            EXPECT_EQ(r.Unsure.Line, Row.line);
        }
        EXPECT_NE(r.Unsure.Text.find(Row.text), std::string::npos) << r.Unsure.Text;
    }
}

TEST(InterpreterTest, MacroB) {
    for (const Row& row : kMacroRows)
        Check(row);
}

TEST(InterpreterTest, Programs) {
    for (const Row& row : kRows)
        Check(row);
}

// Calls and loops re-read lines the buffer no longer holds.
TEST(InterpreterTest, LongProgram) {
    std::string program = "o1 sub\nG1 Z#1\no1 endsub\n#2=0\no2 while [#2 GT -3]\n";
    for (int i = 0; i < 100'000; ++i)
        program += "G1 X1.234 Y5.678 (padding the loop past the buffer)\n";
    program += "#2=[#2-1]\no1 call [#2]\no2 endwhile\nM2\n";
    const InterpResult r = Interpret(test::MemorySource(program));
    EXPECT_EQ(r.Unsure.Why, U::None) << r.Unsure.Text;
    EXPECT_EQ(r.MinZ, -3.0f);
    EXPECT_EQ(r.MinLine, 2);
}

TEST(InterpreterTest, LineTooLong) {
    const InterpResult r =
        Interpret(test::MemorySource("G1 Z-1\n(" + std::string(300'000, 'x') + ")\n"));
    EXPECT_EQ(r.Unsure.Why, U::Error);
    EXPECT_EQ(r.Unsure.Line, 2);
}

// A CR LF cut by the end of a read is one line end: the reader holds 512 KiB,
// and with a first line of 9 bytes a CR of the 8-byte lines falls on its last byte.
TEST(InterpreterTest, CrLfAcrossReads) {
    std::string program = "G0 Z0.0\r\n";
    for (int i = 0; i < 70'000; ++i)
        program += "G1 X12\r\n";
    program += "G1 Z-2\r\n";
    const InterpResult r = Interpret(test::MemorySource(program));
    EXPECT_EQ(r.Unsure.Why, U::None) << r.Unsure.Text;
    EXPECT_EQ(r.MinLine, 70'002);
}

} // namespace
} // namespace vorlund
