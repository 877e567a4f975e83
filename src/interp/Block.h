#pragma once

#include <cstdint>

namespace vorlund {

// One block (line) as the controller runs it: its words after expressions
// and parameters are evaluated. G and M words may repeat; a letter other than
// G or M stands at most once.
struct Block {
    static constexpr std::uint32_t kPolar = 1u << 26; // @ or ^: X and Y by distance and angle

    std::int64_t Line = 0;    // 1-based
    std::uint32_t Has = 0;    // bit L - 'A' for each letter given, G and M included; kPolar
    double Value[26] = {};    // by letter, A to Z; unused for G and M
    std::uint16_t G[16] = {}; // G codes times 10: G38.2 is 382, G1 is 10
    int GCount = 0;
    std::uint16_t M[8] = {}; // M codes
    int MCount = 0;
    // Bit 0, 1, 2 for X, Y, Z: the word counts from where the axis is, in any
    // distance mode (Heidenhain's IX, IY, IZ).
    std::uint8_t Incremental = 0;
    // Bit 0, 1, 2: the word counts from the program's zero in any distance
    // mode (Sinumerik's AC()).
    std::uint8_t AbsoluteAxes = 0;

    bool Given(char Letter) const { return Has >> (Letter - 'A') & 1u; }
    double Of(char Letter) const { return Value[Letter - 'A']; }
};

} // namespace vorlund
