#include "interp/Machine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace vorlund {
namespace {

// Blocks from "G0 Z5;G1 Z-2": one block a line, words already evaluated.
std::vector<Block> Blocks(const std::string& Program) {
    std::vector<Block> blocks;
    std::istringstream lines(Program);
    std::string line, word;
    while (std::getline(lines, line, ';')) {
        Block b;
        b.Line = static_cast<std::int64_t>(blocks.size()) + 1;
        std::istringstream words(line);
        while (words >> word) {
            char letter = word[0];
            double v = std::strtod(word.c_str() + 1, nullptr);
            if (letter == 'G')
                b.G[b.GCount++] = static_cast<std::uint16_t>(std::lround(v * 10));
            else if (letter == 'M')
                b.M[b.MCount++] = static_cast<std::uint16_t>(v);
            else
                b.Value[letter - 'A'] = v;
            b.Has |= 1u << (letter - 'A');
        }
        blocks.push_back(b);
    }
    return blocks;
}

struct Row {
    const char* Program;
    float MinZ;
    std::int64_t MinLine;
    DepthSource Source = DepthSource::Move;
    Reason Why = Reason::None;
    std::int64_t Line = 0; // of the reason
    const char* Text = "";
};

constexpr auto Arc = DepthSource::ArcLowest;
constexpr auto Bottom = DepthSource::CycleBottom;
constexpr auto Move = DepthSource::Move;

const Row Rows[] = {
    // Straight moves, units, distance mode.
    {"G0 Z5;G1 Z-2;Z-2;Z1", -2, 2},
    {"G0 Z1;G91 G1 Z-1.5;Z-1.5;G90 Z3", -2, 3},
    {"G20 G0 Z0.1;G21 G1 Z-25.4", -1, 2},
    {"G21 G0 Z1;G20 G1 Z-1", -25.4f, 2},
    {"G0 Z5", 0, 0},
    {"G0 Z-1;G91 G1 Z-1e39", -1, 1, Move, Reason::Error, 2, "number out of range"},
    {"G0 Z-0.3;G0 Z0.1;G91 G1 Z-0.2;Z-0.2", -0.3f, 1},
    {"G91 G1 Z-2", 0, 0, Move, Reason::IncrementalStart, 1, "G91 Z-2"},
    {"G91 G28 Z0;G90 G0 Z1;G1 Z-3", -3, 3},
    {"X1 Z-1", -1, 1},
    {"G0 Z1;G81 X1 R2 Z-3;G80 Z-1", -3, 2, Bottom},
    // XZ and YZ arcs at their lowest point, both ways, I/K and R forms.
    {"G0 X0 Z0;G18 G2 X20 Z0 I10 K0", -10, 2, Arc},
    {"G0 X0 Z0;G18 G3 X20 Z0 I10 K0", 0, 0},
    {"G0 X0 Z0;G18 G2 X20 Z0 R10", -10, 2, Arc},
    {"G0 X0 Z0;G18 G2 X10 Z0 R-10", -18.660254f, 2, Arc},
    {"G0 X0 Z0;G18 G3 X10 Z0 R-10", 0, 0},
    {"G0 X0 Z-1;G18 G2 I10;G90.1 G3 X20 Z-1 I10 K-1", -11, 2, Arc},
    {"G0 Y0 Z0;G19 G3 Y20 Z0 J10 K0", -10, 2, Arc},
    {"G0 Y0 Z0;G19 G2 Y20 Z0 J10 K0", 0, 0},
    {"G0 Y0 Z-2;G19 G2 Y-2 Z0 K2", -2, 1},
    {"G0 X0 Z0;G18 G3 X20 Z0 I10 K0 P2", -10, 2, Arc},
    {"G0 X1000.1 Z0;G91 G0 X0.2;G90 G18 G3 X1000.3 Z0 I0.8 K0.6", -0.4f, 3, Arc},
    {"G0 X0 Y0 Z0;G2 X0 Y0 I5 Z-3 P2", -3, 2},
    {"G0 X0 Y0 Z0;G2 X20 I10.05", 0, 0, Move, Reason::Error, 2},
    {"G0 X0 Y0 Z0;G2 X2000 I1000.45;G2 X2001 R0.5", 0, 0},
    {"G0 X0 Y0 Z0;G2 X0 Y0 R5", 0, 0, Move, Reason::Error, 2},
    {"G0 X0 Y0 Z0;G2 X10 I5 K1", 0, 0, Move, Reason::Error, 2},
    {"G0 Z0;G28;G18 G2 X20 Z0 I10", 0, 0, Move, Reason::IncrementalStart, 3},
    // Canned cycles: the bottom, G91 levels from the initial Z, L repeats.
    {"G0 Z5;G99 G81 X1 R2 Z-4;X2 Z-6;G80", -6, 3, Bottom},
    {"G0 Z5;G91 G81 X10 R-3 Z-10 L3", -8, 2, Bottom},
    {"G0 Z5;G91 G99 G81 X10 R-3 Z-10;X10 Z-12", -10, 3, Bottom},
    {"G0 Z-5;G98 G81 X10 R-3 Z-8;G91 X1", -16, 3, Bottom},
    {"G0 Z5;G81 X1 R-5 Z-2", 0, 0, Move, Reason::Error, 2},
    {"G0 Z5;G81 X1 R2 Z-2 L0", 0, 0, Move, Reason::Error, 2, "cycle repeats L0"},
    {"G91 G81 X1 R-2 Z-3", 0, 0, Move, Reason::IncrementalStart, 1, "G91 R-2"},
    {"G98 G83 X1 R2 Z-3 Q1;G91 G0 Z-1", -3, 1, Bottom, Reason::IncrementalStart, 2},
    {"G99 G73 X1 R2 Z-3 Q1;G91 G0 Z-6", -4, 2},
    {"G0 Z5;G18 G99 G81 Z-2 X1 R2 Y-20", -2, 2},
    // Home and machine moves: Z unknown after them.
    {"G0 Z5;G91 G30 Z-7;G1 Z1", -2, 2, Move, Reason::IncrementalStart, 3, "G91 Z1"},
    {"G0 Z5;G28 X0;G91 G1 Z-6", -1, 3},
    {"G0 Z1;G53 G0 Z-5", 0, 0, Move, Reason::Machine, 2, "G53 Z-5"},
    {"G53 G0 Z0;G91 G1 Z-1", 0, 0, Move, Reason::IncrementalStart, 2},
    // Offsets, probing, splines, codes.
    {"G10 L2 P1 Z-5", 0, 0, Move, Reason::Offset, 1, "G10 L2"},
    {"G10 L1 P1 Z-5 R2;G10 L0;G0 Z-1;G10 X1 Z-9", -1, 3, Move, Reason::Offset, 4, "G10"},
    {"G0 Z1;G92 Z0;G1 Z-2;G92.1;G1 Z-2", -2, 5},
    {"G0 Z1;G92 Z0;G20 G1 Z-1", -24.4f, 3},
    // Before any move G92 sets the frame the Z words are read in.
    {"G92 Z0;G1 Z-1", -1, 2},
    {"G0 X1;G53 Z0;G92 Z0", 0, 0, Move, Reason::Offset, 3, "G92 at an unknown Z"},
    {"G0 Z0;G92.3;G1 Z-1", -1, 3}, // no offset at the start, none to restore
    {"G0 Z0;G92 Z2;G92.2;G1 Z-1;G92.3;G1 Z-1", -3, 6},
    {"G92 X5;G92.1;G18 G2 X1 Z0 R1", 0, 0, Move, Reason::IncrementalStart, 3},
    {"G0 Z0;G52 Z-2;G1 Z-1;G52 Z0;G1 Z-2", -3, 3},
    {"G0 Z1;G50 S2000;G50 X0 Z2;G1 Z-1", -2, 4},
    {"G0 X0 Z0;G50 S2000;G18 G2 X2 Z0 R1", 0, 0, Move, Reason::Error, 3, "an arc on a lathe"},
    {"G0 X0 Z0;G7 G18 G2 X2 Z0 R1", 0, 0, Move, Reason::Error, 2, "an arc on a lathe"},
    {"G0 X0 Z0;G50 S2000;G8 G18 G2 X2 Z0 R1", -1, 3, Arc},
    {"G0 Z-5;G10 L20 P0 Z0;G1 Z-1", -6, 3},
    {"G55 G0 Z-5;G10 L20 P2 Z0;G1 Z-1;G54", -6, 3, Move, Reason::Offset, 4, "G54 after"},
    {"G10 L20 P2 Z0", 0, 0, Move, Reason::Offset, 1, "G10 L20"},
    // A probing move reaches its end at the deepest, and ends unknown.
    {"G0 Z1;G31 Z-5", -5, 2},
    {"G0 Z1;G38.3 Z-3;G91 Z-1", -3, 2, Move, Reason::IncrementalStart, 3, "G91 Z-1"},
    // Scaling and mirroring move Z; a rotation in XY does not.
    {"G0 Z1;G51 X0 Y0 Z0 P2;G1 Z-1", 0, 0, Move, Reason::Frame, 2, "G51"},
    {"G51.1 Z0", 0, 0, Move, Reason::Frame, 1, "G51.1"},
    {"G68.2 X0 Y0 Z0 I0 J45 K0", 0, 0, Move, Reason::Frame, 1, "G68.2"},
    {"G68 X0 Y0 R45;G1 X5 Z-2;G69;G50.1", -2, 2},
    {"G18 G68 X0 Z0 R30", 0, 0, Move, Reason::Frame, 1, "G68"},
    {"G68 X0 Y0 Z0 I1 J0 K0 R30", 0, 0, Move, Reason::Frame, 1, "G68"},
    {"G0 Z1;G38.2 Z-10 F100;X1 Z-12", -12, 3},
    {"G0 X0 Z0;G18 G5.1 X5 Z-1 I1 K1", 0, 0, Move, Reason::Spline, 2, "G5.1"},
    {"G0 Z0;G5 X5 Y5 I1 J1 P1 Q1 Z-1", -1, 2},
    {"G0 Z-1;G6.2 L3 P1 K0 X0 Y0;X1 Y1 P1 K1;G18 G6.2 X1 Z-5 R0", -1, 1, Move, Reason::Spline, 4},
    {"G0 X0 Z0;G19 G5.2 P1 L3;Y1 Z-3 P1;Y2 Z0 P2;G5.3;G18 G6.2 X1 Z-4 R1 K0 P3", -4, 6},
    {"G0 Z1;G18 G76 P0.05 Z-10 I-0.1 J0.02 K0.1;G91 G1 Z-1", -10, 2},
    {"G0 X5 Z1;G75 R0.5;G75 X0 Z-3 P1 Q1 F0.1;G75 X0 I0.005;G91 G1 Z-1", -3, 3},
    {"G133 X1", 0, 0, Move, Reason::Error, 1, "unknown G code G133"},
    {"G4 P1;G40 G49 G54.1 G61 G94 G103;G54 G64;G0 G43 H1 Z-1 M3;G43.1 Z-5", -1, 4},
    // A block's codes act in the order of their groups; two of one group are an error.
    {"G0 G1 Z-5", 0, 0, Move, Reason::Error, 1, "G0 and G1 in one modal group"},
    {"G90 G91 Z-5", 0, 0, Move, Reason::Error, 1, "G90 and G91"},
    {"G0 Z0;G92 Z1 G20;G1 Z0", -25.4f, 3},
    {"G0 Z0;G1 Z-1 G91;G1 Z-1", -2, 3},
    {"G80 G81 R1 Z-3", 0, 0, Move, Reason::Error, 1, "G80 and G81"},
    {"G12 I5 Z-3", 0, 0, Move, Reason::Error, 1, "unknown G code G12"},
    // Under G16, X and Y are a radius and an angle; Z is as written.
    {"G0 X0 Y0 Z0;G16 G1 X10 Y45 Z-3;G15 G91 X1 Z-1", -4, 3},
    {"G18 G16 X10 Z-3", 0, 0, Move, Reason::Frame, 1, "G16"},
    {"G0 Z0;G45 X5 D1;G1 Z-2", -2, 3},
    {"G0 Z0;G46 Z-1 D1", 0, 0, Move, Reason::Offset, 2, "G46"},
    {"G0 Z0;G50 G69 G50.1 G15 G11 G22;G23 G9;G187;G1 Z-2", -2, 5},
};

TEST(MachineTest, RunsPrograms) {
    for (const Row& row : Rows) {
        SCOPED_TRACE(row.Program);
        Machine m;
        Doubt out;
        std::int64_t line = 0;
        try {
            for (Block b : Blocks(row.Program)) {
                // A runner may leave values of letters a block does not give.
                for (int i = 0; i < 26; ++i)
                    b.Value[i] = b.Given(char('A' + i)) ? b.Value[i] : 7.0;
                line = b.Line;
                m.Run(b);
            }
        } catch (const Doubt& stop) {
            out = stop;
        }
        EXPECT_EQ(out.Why, row.Why);
        EXPECT_EQ(row.Why == Reason::None ? 0 : line, row.Line);
        EXPECT_TRUE(out.Text.starts_with(row.Text)) << out.Text;
        EXPECT_FLOAT_EQ(m.MinZ(), row.MinZ);
        EXPECT_EQ(m.MinLine(), row.MinLine);
        EXPECT_EQ(row.MinLine ? m.Source() : Move, row.Source);
    }
}

TEST(MachineTest, MovedOnlyByMoves) {
    Machine m;
    for (const Block& b : Blocks("G21 G90 G17;G0"))
        m.Run(b);
    EXPECT_FALSE(m.Moved());
    m.Run(Blocks("G28")[0]);
    EXPECT_TRUE(m.Moved());
}

} // namespace
} // namespace vorlund
