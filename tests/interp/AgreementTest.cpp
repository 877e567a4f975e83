#include "common/Codes.h"
#include "interp/Interpreter.h"
#include "scan/Scanner.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>

namespace vorlund {
namespace {

// A code as written: "G38.2", "M98".
std::string Written(const CodeRule& Rule) {
    std::string text(1, Rule.Letter);
    text += std::to_string(Rule.Code / 10);
    if (Rule.Code % 10) text += "." + std::to_string(Rule.Code % 10);
    return text;
}

// Programs around one code {}, with the words it needs {w}: alone, with axis
// words down and up, under G91, and after the program's end.
const char* const kShapes[] = {
    "G0 X0 Y0 Z1\n{} {w}\nG1 Z-2\nM30\n",
    "G0 X0 Y0 Z1\n{} Z-3 {w}\nG1 Z-1\nM30\n",
    "G0 X0 Y0 Z1\n{} Z4 {w}\nG1 Z-1\nM30\n",
    "G0 X0 Y0 Z1\n{} X2 Z0.5 {w}\nG1 Z-1\nM30\n",
    "G0 X0 Y0 Z1\nG91 {} Z-1 {w}\nG90 G1 Z-2\nM30\n",
    "G0 X0 Y0 Z1\nG1 Z-1\n{} P5\nM30\nG1 Z-3\n",
};

// What a block of the code needs to be run: an arc a centre, a cycle its R
// plane and, alone, its bottom; a frame its L.
std::string Needs(const CodeRule& Rule, bool Alone) {
    switch (Rule.Effect) {
    case Does::Arc:
        return "I1";
    case Does::Cycle:
        return Alone ? "R5 Z-0.5" : "R5";
    case Does::Offset:
        return Rule.Code == G10 ? "L2 P1" : "";
    default:
        return "";
    }
}

std::string Program(std::string Shape, const CodeRule& Rule) {
    const bool alone = Shape.find("{} {w}\n") != std::string::npos;
    Shape.replace(Shape.find("{}"), 2, Written(Rule));
    if (const auto at = Shape.find("{w}"); at != std::string::npos)
        Shape.replace(at, 3, Needs(Rule, alone));
    return Shape;
}

// Wherever the fast scan settles a program, running it gives the same depth:
// the scan's rules and the machine read every code of the table alike.
TEST(Agreement, FastPathTagIsTheRunsTag) {
    int settled = 0;
    for (const CodeRule& rule : kCodes) {
        for (const char* shape : kShapes) {
            if (rule.Modal == Group::Distance &&
                std::string_view(shape).find("G91") != std::string_view::npos)
                continue; // two codes of one group: the run's error
            // The run starts in millimetres; the scan reads a program in the
            // unit it names first, before or after its first move.
            if (rule.Modal == Group::Units) continue;
            const std::string program = Program(shape, rule);
            const ScanResult scan = ScanBytes(program);
            if (scan.FirstDoubt.Line != 0) continue;
            ++settled;
            const InterpResult run = Interpret(test::MemorySource(program), {100'000, 16});
            EXPECT_TRUE(run.Unsure.Why == Reason::None && run.MinZ == scan.MinZ)
                << "scan " << scan.MinZ << ", run " << run.MinZ << " " << run.Unsure.Text << ": "
                << program;
        }
    }
    EXPECT_GT(settled, int(std::size(kCodes)));
}

} // namespace
} // namespace vorlund
