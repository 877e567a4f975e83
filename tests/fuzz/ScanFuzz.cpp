// The streaming scan, fed in pieces cut from the input, against a plain
// whole-buffer reading of the same rules.

#include "Fuzz.h"

#include "scan/Scanner.h"
#include "scan/SplitScan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Expected {
    float minZ = 0.0f;
    std::int64_t badLine = 0;
    std::int64_t lineEnds = 0;
};

// Lines end at LF, CR LF or CR; the last line counts whether or not it ends.
std::vector<std::string_view> SplitLines(std::string_view Text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '\n' && Text[i] != '\r') continue;
        lines.push_back(Text.substr(start, i - start));
        if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    lines.push_back(Text.substr(start));
    return lines;
}

// Blanks comments: "(" to ")" or the line end, ";" to the line end.
std::string StripComments(std::string_view Line) {
    std::string code(Line);
    bool paren = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (paren) {
            paren = code[i] != ')';
            code[i] = ' ';
        } else if (code[i] == '(') {
            paren = true;
            code[i] = ' ';
        } else if (code[i] == ';') {
            std::fill(code.begin() + long(i), code.end(), ' ');
            break;
        }
    }
    return code;
}

Expected Reference(std::string_view Text) {
    Expected result;
    const auto lines = SplitLines(Text);
    result.lineEnds = std::int64_t(lines.size()) - 1;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string code = StripComments(lines[n]);
        const auto z = code.find('Z');
        if (z == std::string::npos) continue;
        const auto number = fuzz::ReadLenient(std::string_view(code).substr(z + 1));
        if (number.overflow) {
            result.badLine = std::int64_t(n) + 1;
            return result;
        }
        if (number.value < result.minZ) result.minZ = number.value;
    }
    return result;
}

void Check(const vorlund::ScanResult& Got, const Expected& Want) {
    fuzz::Expect(Got.BadLine == Want.badLine, "line of the bad number");
    if (Want.badLine) return;
    fuzz::Expect(Got.MinZ == Want.minZ, "minimum Z");
    fuzz::Expect(Got.LineEnds == Want.lineEnds, "number of line ends");
}

std::uint32_t Next(std::uint32_t& X) {
    X ^= X << 13, X ^= X >> 17, X ^= X << 5;
    return X;
}

// Pieces of 0 to 16 bytes, their lengths drawn from Seed.
vorlund::ScanResult ScanIrregular(std::string_view Text, std::uint32_t Seed) {
    vorlund::Scanner scanner;
    std::uint32_t x = Seed | 1;
    for (std::size_t at = 0; at < Text.size();) {
        const std::size_t n = std::min<std::size_t>(Next(x) % 17, Text.size() - at);
        scanner.Feed(Text.substr(at, n));
        at += n;
    }
    return scanner.Finish();
}

// Cut at up to three line starts drawn from Seed, parts on threads, read
// in small pieces as a file would be.
vorlund::ScanResult ScanInParts(std::string_view Text, std::uint32_t Seed) {
    const vorlund::ReadAt read = [Text](std::uint64_t Offset, char* Buffer, std::size_t Length) {
        if (Offset >= Text.size()) return std::size_t(0);
        const std::size_t n = std::min<std::size_t>(Length, Text.size() - Offset);
        std::memcpy(Buffer, Text.data() + Offset, n);
        return n;
    };
    std::uint32_t x = Seed | 1;
    std::vector<std::uint64_t> targets(Next(x) % 4);
    for (auto& target : targets)
        target = Next(x) % (Text.size() + 2);
    std::sort(targets.begin(), targets.end());
    return vorlund::ScanSplit(read, targets, 1 + Seed % 64);
}

} // namespace

// The first two bytes choose the cuts, the rest is the program.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 2) return 0;
    const std::string_view text(reinterpret_cast<const char*>(Data) + 2, Size - 2);
    const Expected want = Reference(text);
    Check(vorlund::ScanBytes(text), want);
    Check(vorlund::ScanBytes(text, std::size_t(Data[0]) + 1), want);
    Check(ScanIrregular(text, Data[1]), want);
    Check(ScanInParts(text, Data[0] << 8 | Data[1]), want);
    return 0;
}
