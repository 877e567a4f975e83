#include "InterpProgram.h"

#include <cstdio>

namespace vorlund::bench {

std::int64_t WriteInterpProgram(std::uint64_t Size,
                                const std::function<void(std::string_view)>& Out) {
    std::string text =
        "%\n(incremental moves from a known start)\nG21 G90 G17\nG0 X0 Y0 Z5\nG1 Z0 F800\n"
        "o<pass> sub\n  G91\n";
    for (int i = 0; i < 8; ++i)
        text += "  G1 X1.25 Y0.5 Z-0.025\n  G1 X-1.25 Y0.5 Z0.025\n";
    text += "  G1 Z-0.1\n  G90\no<pass> endsub\n#<i>=0\no1 while [#<i> LT 10]\n"
            "  o<pass> call\n  #<i>=[#<i>+1]\no1 endwhile\nG91\n";
    std::int64_t z = -1000; // microns, after the ten passes
    std::int64_t deepest = z;
    std::uint32_t x = 12345;
    std::uint64_t written = 0;
    char line[64];
    while (written + text.size() < Size) {
        x = x * 1664525u + 1013904223u;
        // Z steps of -9 to +9 microns, drifting back towards -1 mm.
        std::int64_t dz = std::int64_t(x >> 28) % 10 - (z < -1000 ? 4 : 5);
        z += dz;
        deepest = std::min(deepest, z);
        const int n = std::snprintf(line, sizeof line, "G1 X%d.%03u Y-%u.%03u Z%s0.%03lld\n",
                                    int(x >> 30), (x >> 8) % 1000, (x >> 18) % 3, x % 1000,
                                    dz < 0 ? "-" : "", (long long)(dz < 0 ? -dz : dz));
        text.append(line, std::size_t(n));
        if (text.size() >= 1 << 20) {
            Out(text);
            written += text.size();
            text.clear();
        }
    }
    text += "G90\nM2\n%\n";
    Out(text);
    return deepest;
}

std::string MakeInterpProgram(std::uint64_t Size) {
    std::string program;
    WriteInterpProgram(Size, [&](std::string_view Piece) { program.append(Piece); });
    return program;
}

} // namespace vorlund::bench
