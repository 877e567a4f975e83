#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vorlund::bench {

// A surfacing program: a CAM header, then raster passes of short moves such
// as "X12.345 Y-6.789 Z-1.234" over a wavy surface; one move at Deepest (a
// fraction of the size) goes below all others. Comments, some of them with a
// Z deeper still, come at a rate of Comments per line. With Near (mm) above
// 0 it is a finishing program instead: every Z lies within Near mm above the
// deepest, so most share its whole part.
struct ProgramShape {
    std::uint64_t Size = 1 << 20;
    std::string Ends = "\r\n";
    double Deepest = 0.5;
    double Comments = 0.001;
    double Near = 0;
    std::uint64_t Seed = 1;
};

struct ProgramFacts {
    std::uint64_t Bytes = 0;
    std::uint64_t Lines = 0;
    std::int64_t DeepestMicrons = 0; // the minimum Z in thousandths of a millimetre
};

// Writes the program in pieces of about 1 MiB; the same shape gives the same bytes.
ProgramFacts WriteProgram(const ProgramShape& Shape,
                          const std::function<void(std::string_view)>& Out);

// The whole program in memory, for the benchmarks.
std::string MakeProgram(const ProgramShape& Shape);

} // namespace vorlund::bench
