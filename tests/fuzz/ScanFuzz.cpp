// The streaming scan, fed in pieces cut from the input, against the plain
// whole-buffer reading of the same rules in tests/support.

#include "Fuzz.h"

#include "scan/Scanner.h"
#include "scan/SplitScan.h"
#include "support/ReferenceScanner.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

void Check(const vorlund::ScanResult& Got, const vorlund::ScanResult& Want) {
    fuzz::Expect(Got.BadLine == Want.BadLine, "line of the bad number");
    fuzz::Expect(Got.MinZ == Want.MinZ, "minimum Z");
    fuzz::Expect(Got.LineEnds == Want.LineEnds, "number of line ends");
    fuzz::Expect(Got.MinLine == Want.MinLine, "line of the minimum");
    fuzz::Expect(Got.FirstDoubt.Line == Want.FirstDoubt.Line, "line of the first doubt");
    fuzz::Expect(Got.FirstDoubt.Why == Want.FirstDoubt.Why, "kind of the first doubt");
    fuzz::Expect(Got.FirstDoubt.Text == Want.FirstDoubt.Text, "text of the first doubt");
    fuzz::Expect(Got.DoubtLines == Want.DoubtLines, "doubtful lines");
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
    const vorlund::ScanResult want = vorlund::ReferenceScanBytes(text);
    Check(vorlund::ScanBytes(text), want);
    Check(vorlund::ScanBytes(text, std::size_t(Data[0]) + 1), want);
    Check(ScanIrregular(text, Data[1]), want);
    Check(ScanInParts(text, Data[0] << 8 | Data[1]), want);
    return 0;
}
