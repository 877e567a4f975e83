#include "scan/ScanKernel.h"
#include "scan/Scanner.h"
#include "support/ReferenceScanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <string>
#include <vector>

using vorlund::ReferenceScanBytes;
using vorlund::ScanKernel;
using vorlund::Scanner;
using vorlund::ScanResult;

namespace {

using namespace std::string_literals;

// Same minimum to the bit (so -0 and 0 differ), same bad line, same count,
// same line of the minimum and same doubts.
::testing::AssertionResult Same(const ScanResult& Got, const ScanResult& Want) {
    const auto& g = Got.FirstDoubt;
    const auto& w = Want.FirstDoubt;
    if (std::bit_cast<std::uint32_t>(Got.MinZ) == std::bit_cast<std::uint32_t>(Want.MinZ) &&
        Got.BadLine == Want.BadLine && Got.LineEnds == Want.LineEnds &&
        Got.MinLine == Want.MinLine && g.Line == w.Line && g.Why == w.Why && g.Text == w.Text &&
        Got.DoubtLines == Want.DoubtLines)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got {" << Got.MinZ << ", " << Got.BadLine << ", " << Got.LineEnds << ", "
           << Got.MinLine << ", " << g.Line << " " << int(g.Why) << " " << g.Text << ", "
           << Got.DoubtLines << "} want {" << Want.MinZ << ", " << Want.BadLine << ", "
           << Want.LineEnds << ", " << Want.MinLine << ", " << w.Line << " " << int(w.Why) << " "
           << w.Text << ", " << Want.DoubtLines << "}";
}

constexpr ScanKernel kKernels[] = {ScanKernel::Fastest, ScanKernel::Baseline, ScanKernel::Plain};

// Each piece in a buffer of its own, followed by bytes that would cut a
// number short if the scan read past the piece's end.
ScanResult ScanPieces(const std::string& Bytes, const std::vector<std::size_t>& Cuts,
                      ScanKernel Kernel) {
    Scanner scanner(Kernel);
    std::size_t at = 0;
    const auto feed = [&](std::size_t Length) {
        const std::string buffer = Bytes.substr(at, Length) + std::string(64, 'X');
        scanner.Feed(std::string_view(buffer).substr(0, std::min(Length, Bytes.size() - at)));
        at += Length;
    };
    for (const std::size_t cut : Cuts)
        feed(cut - at);
    feed(Bytes.size() - at);
    return scanner.Finish();
}

ScanResult ScanInChunks(const std::string& Bytes, std::size_t Chunk, ScanKernel Kernel) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = Chunk; at < Bytes.size(); at += Chunk)
        cuts.push_back(at);
    return ScanPieces(Bytes, cuts, Kernel);
}

std::string Repeat(const std::string& Line, std::size_t Times) {
    std::string text;
    for (std::size_t i = 0; i < Times; ++i)
        text += Line;
    return text;
}

// Lines around a spot, so that the spot falls on every offset of a block.
const std::string kBefore = Repeat("G1 X12.345 Y-6.789 Z-1.234\r\n", 5);
const std::string kAfter = Repeat("G1 X1 Y2 Z-2.5 (cut)\r\n", 4);
const std::string kOverflow(40, '9');

struct Spot {
    const char* what;
    std::string line;
};

const Spot kSpots[] = {
    {"the minimum", "G1 X0.5 Y-3 Z-17.125 F800\r\n"},
    {"a Z word at the line start", "Z-17.125\r\n"},
    {"a Z word ending the piece", "G1 Z-17.125"},
    {"a comment before the Z word", "(ROUGH Z-99 CUT) G1 Z-17.125\r\n"},
    {"an unclosed comment", "(ROUGH Z-99\r\nZ-17.125\r\n"},
    {"a semicolon comment", "; Z-99\nG1 Z-17.125 ;Z-98\n"},
    {"a comment after the Z word", "G1 Z-17.125 (Z-99)\r\n"},
    {"CR LF after CR", "Z-17.125\r\r\n\r\n"},
    {"lone CR line ends", "Z-1\rZ-17.125\rZ-3\r"},
    {"a number one division rounds wrong", "G1 Z-788.576141357421811\r\n"},
    {"the same whole part, deeper", "Z-17.1\r\nZ-17.125\r\n"},
    {"the same whole part, leading zeros", "Z-17.1\r\nZ-0017.125\r\n"},
    {"one more whole digit", "Z-9.99\r\nZ-17.125\r\n"},
    {"no whole digit", "Z-0.5\r\nZ-.75\r\nZ-17.125\r\n"},
    {"the same whole part, fractions around the minimum's",
     "Z-5.999\r\nZ-5.99900007\r\nZ-5.999000072\r\nZ-5.\r\nZ-5\r\nZ-5.998999999\r\n"
     "Z-5.9990000 Z-9\r\nZ-5.99901\r\nZ-5.9991.5\r\nZ-5.99910000001\r\n"},
    {"signed numbers", "Z+17.125\r\nZ+1234567.5\r\nZ+\r\nZ+.5\r\nZ+0000000001\r\n"},
    {"deeper than its first digits", "Z-20\r\nZ-175.5\r\n"},
    {"six whole digits", "Z-123456.5\r\nZ-234567.25\r\n"},
    {"seven digits each side", "Z-1234567.125\r\nZ-17.1234567\r\n"},
    {"a long number", "G1 Z-17.12500000000000000000000000001\r\n"},
    {"an underflow", "G1 Z-0." + std::string(60, '0') + "1\r\n"},
    {"an overflow", "G1 Z-" + kOverflow + "\r\nZ-300\r\n"},
    {"a signed overflow", "G1 Z+" + kOverflow + "\r\n"},
    {"an overflow ending the piece", "G1 Z-" + kOverflow},
    {"a second overflow later", "Z-" + kOverflow + "\nZ" + kOverflow + "\n"},
    {"NUL and high bytes", "\0\xff Z-17.125\x80\n"s},
    {"Z without a number", "BLK FORM 0.1 Z X+0 Z-40\r\n"},
    {"doubts of each kind",
     "G1 Z[#2]\r\nIZ-1\nG53 Z-9\rG10 L2 Z-3\nG38.2 Z-2\nz-1\nM98 P1\no<a> call\n"},
    {"a doubt cut by the piece", "G1 X1 Y1 Z#1"},
    {"G91 across the lines", "G91\r\nG1 Z-1\r\n\r\nZ-2 (x)\r\nG90\r\nZ-3\r\n"},
    {"G91 to the end", "G0 X0\nG91 G1 X1\nZ-1\nZ-2"},
    {"lower case in a comment", "G1 (tool z-5 g91) Z-17.125\r\n"},
    {"common words", "G00 G01 G02 G03 G0 G1 M3 M30 S100 F10 I1 J2 Z-1\r\n"},
    {"candidates without a doubt", "G90 G54 G17 M9 O1 SUB CX Z5\r\n"},
    {"o-word call and its definition", "O200 CALL\r\nO0200 sub\r\n"},
    {"a bad number after a doubt", "G53 Z-1\nZ-" + kOverflow + " G53\nM98\n"},
    {"a doubt at a number cut", "G92 Z-17.125 G53\r\n"},
};

} // namespace

// Every two-piece cut inside the spot line, with the spot at every offset of a
// 64-byte block, gives what the plain byte-at-a-time rules give.
TEST(FastScan, CutAnywhereAroundTheSpot) {
    for (const auto kernel : kKernels) {
        for (const auto& spot : kSpots) {
            for (std::size_t shift = 0; shift < 64; ++shift) {
                const std::string head = std::string(shift, 'X') + "\n" + kBefore;
                const std::string text = head + spot.line + kAfter;
                const ScanResult want = ReferenceScanBytes(text);
                ASSERT_TRUE(Same(ScanPieces(text, {}, kernel), want))
                    << spot.what << " shift " << shift;
                for (std::size_t cut = head.size(); cut <= head.size() + spot.line.size(); ++cut)
                    ASSERT_TRUE(Same(ScanPieces(text, {cut}, kernel), want))
                        << spot.what << " shift " << shift << " cut " << cut;
            }
        }
    }
}

TEST(FastScan, ChunkSizeDoesNotMatter) {
    for (const auto kernel : kKernels) {
        for (const auto& spot : kSpots) {
            const std::string text = kBefore + spot.line + kAfter + spot.line;
            const ScanResult want = ReferenceScanBytes(text);
            for (std::size_t chunk = 1; chunk <= 200; ++chunk)
                ASSERT_TRUE(Same(ScanInChunks(text, chunk, kernel), want))
                    << spot.what << " chunk " << chunk;
        }
    }
}

// Fed nothing but separators, comments or one number, pieces never lose state.
TEST(FastScan, StateCarriesAcrossPieces) {
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"number across many pieces", "Z-" + std::string(300, '1') + ".5\nZ-2\n"},
        {"comment across many pieces", "(" + std::string(300, 'Z') + ")Z-4\nZ-2\n"},
        {"CR then LF in the next piece", Repeat("Z-1\r", 40) + "\nZ-5\r\n"},
        {"line without Z across pieces", std::string(200, 'X') + "Z-6\n"},
    };
    for (const auto kernel : kKernels) {
        for (const auto& c : cases) {
            const ScanResult want = ReferenceScanBytes(c.text);
            for (std::size_t chunk : {1, 2, 3, 63, 64, 65, 127})
                ASSERT_TRUE(Same(ScanInChunks(c.text, chunk, kernel), want))
                    << c.what << " " << chunk;
        }
    }
}

// Random programs over the bytes that matter, cut at random, against the rules.
TEST(FastScan, MatchesTheRulesOnRandomPrograms) {
    std::mt19937 random(20240611);
    const std::string alphabet = "ZZZZ((););\r\r\n\n\n  XG-+..0123456789";
    const std::string words[] = {"G91", "G90", "G53", "M98", "o1 call", "o1 sub", "z-",   "IZ",
                                 "#",   "M30", "M2",  "G20", "G21",     "G18",    "SUPA", "O1"};
    const auto pick = [&](std::size_t n) { return std::size_t(random() % n); };
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const std::size_t length = pick(400);
        while (text.size() < length) {
            if (pick(40) == 0) {
                text += "Z-" + std::string(1 + pick(45), char('1' + pick(9)));
            } else if (pick(12) == 0) {
                text += words[pick(std::size(words))];
            } else if (pick(3) == 0) {
                text += "Z-" + std::to_string(pick(100000)) + "." + std::to_string(pick(1000));
            } else {
                text += alphabet[pick(alphabet.size())];
            }
        }
        std::vector<std::size_t> cuts;
        for (std::size_t at = pick(80); at < text.size(); at += 1 + pick(90))
            cuts.push_back(at);
        ASSERT_TRUE(Same(ScanPieces(text, cuts, kKernels[round % 3]), ReferenceScanBytes(text)))
            << text;
    }
}

// Each kernel's candidate mask is the scalar test's, at every position of a
// block, for every value of a byte and the one after it; the two after those
// matter only as digits or not, so they are drawn from the digits' edges.
TEST(FastScan, CandidateMasksAreTheScalarTest) {
    namespace k = vorlund::kernel;
    std::vector<std::uint64_t (*)(const char*)> kernels{k::CandidatesBaseline, k::CandidatesPlain};
    if (k::HaveAvx2()) kernels.push_back(k::CandidatesAvx2);
    const char later[] = {'/', '0', '9', ':'};
    char block[k::kBlock + k::kAhead];
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            for (const char c : later) {
                for (const char d : later) {
                    const char v[4] = {char(a), char(b), c, d};
                    bool scalar[4]; // for the window starting at v[t]
                    for (int t = 0; t < 4; ++t) {
                        const char w[4] = {v[t], v[(t + 1) % 4], v[(t + 2) % 4], v[(t + 3) % 4]};
                        scalar[t] = k::Candidate(w);
                    }
                    for (int shift = 0; shift < 4; ++shift) {
                        std::uint64_t want = 0;
                        for (unsigned i = 0; i < sizeof block; ++i)
                            block[i] = v[(i + unsigned(shift)) % 4];
                        for (unsigned i = 0; i < k::kBlock; ++i)
                            want |= std::uint64_t(scalar[(i + unsigned(shift)) % 4]) << i;
                        for (const auto kernel : kernels)
                            ASSERT_EQ(kernel(block), want) << a << " " << b << " " << int(c) << " "
                                                           << int(d) << " shift " << shift;
                    }
                }
            }
        }
    }
}
