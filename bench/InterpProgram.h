#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vorlund::bench {

// A program the scan cannot settle and the interpreter must run: from a known
// start, a subroutine of incremental moves called in a loop, then Size bytes
// of incremental moves such as "G1 X0.125 Y-0.250 Z-0.002" under G91 and
// M2. Written in pieces of about 1 MiB; the same size gives the same bytes.
// Returns the deepest Z in thousandths of a millimetre.
std::int64_t WriteInterpProgram(std::uint64_t Size,
                                const std::function<void(std::string_view)>& Out);

std::string MakeInterpProgram(std::uint64_t Size);

} // namespace vorlund::bench
