#include "scan/SplitScan.h"
#include "support/ReferenceScanner.h"

#include "common/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using vorlund::ReadAt;
using vorlund::ReferenceScanBytes;
using vorlund::ScanResult;

namespace {

ReadAt FromMemory(const std::string& Bytes) {
    return [&Bytes](std::uint64_t Offset, char* Buffer, std::size_t Length) -> std::size_t {
        if (Offset >= Bytes.size()) return 0;
        const std::size_t n = std::min<std::size_t>(Length, Bytes.size() - Offset);
        std::memcpy(Buffer, Bytes.data() + Offset, n);
        return n;
    };
}

void ExpectOnePass(const ScanResult& Got, const std::string& Bytes, const std::string& What) {
    const ScanResult want = ReferenceScanBytes(Bytes);
    EXPECT_EQ(Got.MinZ, want.MinZ) << What;
    EXPECT_EQ(Got.BadLine, want.BadLine) << What;
    EXPECT_EQ(Got.LineEnds, want.LineEnds) << What;
    EXPECT_EQ(Got.MinLine, want.MinLine) << What;
    EXPECT_EQ(Got.FirstDoubt.Line, want.FirstDoubt.Line) << What;
    EXPECT_EQ(Got.FirstDoubt.Why, want.FirstDoubt.Why) << What;
    EXPECT_EQ(Got.FirstDoubt.Text, want.FirstDoubt.Text) << What;
    EXPECT_EQ(Got.DoubtLines, want.DoubtLines) << What;
}

// Doubts that depend on lines in other parts: G91 before the cut, o-words
// defined after it.
const std::string kDoubtful[] = {
    "G0 Z5\r\nG91\r\nG1 Z-1\r\nX1\r\nZ-2\r\nG90\r\nZ-3\r\nG91 Z-4\r\n",
    "o1 call\no2 call\nZ-1\no1 sub\nG53 Z-2\no2 call\nO3 CALL\n",
    "G1 Z-1\rg1 z-2\rZ#1\rM98 P1\rG1 Z-9\rG38.2 Z-1\r",
    "G21\nZ-1\nG91\nM30\nG20\nZ-2\nG90 Z-3\nG20\nG21 Z-4\nSUPA Z-5\n",
};

const std::string kOverflow(40, '9');

} // namespace

TEST(SplitScan, FindsTheNextLineStart) {
    const struct {
        std::string bytes;
        std::uint64_t from, start;
    } cases[] = {
        {"ab\ncd", 0, 0},
        {"ab\ncd", 1, 3},
        {"ab\ncd", 3, 3},
        {"ab\r\ncd", 3, 4},
        {"ab\r\ncd", 4, 4},
        {"ab\rcd", 3, 3},
        {"ab\r\r\ncd", 4, 5},
        {"ab\n\ncd", 4, 4},
        {"abcd", 1, 4},
        {"ab\r", 2, 3},
        {"ab\n", 3, 3},
        {"ab", 9, 9},
        {std::string(10000, 'x') + "\r\nZ", 5, 10002},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vorlund::LineStartFrom(FromMemory(c.bytes), c.from), c.start)
            << c.bytes.substr(0, 10) << " from " << c.from;
}

// Two parts cut near every byte of the program: inside the line of the
// minimum, on its Z word, in a comment, between CR and LF.
TEST(SplitScan, AnyCutGivesOnePass) {
    const std::string programs[] = {
        "G1 X1 Z-1.5\r\nG1 X2 (ROUGH Z-50) Z-17.125 F800\r\nG1 Z-3\r\n",
        "Z-1\rZ-2\r\r\nZ-9 ;Z-99\n(open Z-77\nZ-4",
        "G1 Z-1\r\nG1 Z-" + kOverflow + "\r\nG1 Z-2\r\nG1 Z" + kOverflow + "\r\n",
        "Z-1\nZ" + kOverflow,
        "\r\n\r\n\r\n",
        kDoubtful[0],
        kDoubtful[1],
        kDoubtful[2],
    };
    for (const auto& program : programs) {
        const ReadAt read = FromMemory(program);
        for (std::uint64_t target = 0; target <= program.size() + 1; ++target) {
            const std::uint64_t targets[] = {target};
            for (std::size_t chunk : {1, 5, 4096})
                ExpectOnePass(vorlund::ScanSplit(read, targets, chunk), program,
                              program + " cut near " + std::to_string(target));
        }
    }
}

TEST(SplitScan, FirstBadLineWinsOverLaterParts) {
    std::string program;
    for (int i = 0; i < 300; ++i)
        program += "G1 X1 Z-" + std::to_string(i) + (i % 70 == 69 ? kOverflow : "") + "\r\n";
    const ReadAt read = FromMemory(program);
    for (unsigned parts = 1; parts <= 5; ++parts) {
        std::vector<std::uint64_t> targets;
        for (unsigned k = 1; k < parts; ++k)
            targets.push_back(program.size() * k / parts);
        const ScanResult result = vorlund::ScanSplit(read, targets, 64);
        EXPECT_EQ(result.BadLine, 70) << parts << " parts";
        EXPECT_EQ(result.MinZ, -68.0f) << parts << " parts";
    }
}

TEST(SplitScan, RandomCutsGiveOnePass) {
    std::mt19937 random(7);
    const std::string words[] = {"Z-",  "Z", "(",   ")",   ";",   "\r",  "\n",      "\r\n",   "X",
                                 "7",   ".", "3",   "G91", "G90", "G53", "o5 call", "o5 sub", "z-1",
                                 "M98", "#", "M30", "G20", "G21", "M2",  "SUPA",    "IZ-1"};
    for (int round = 0; round < 3000; ++round) {
        std::string program;
        const std::size_t length = random() % 300;
        while (program.size() < length)
            program += random() % 80 ? words[random() % std::size(words)] : "Z" + kOverflow;
        std::vector<std::uint64_t> targets;
        for (std::size_t k = random() % 4; k > 0; --k)
            targets.push_back(random() % (program.size() + 1));
        std::sort(targets.begin(), targets.end());
        ExpectOnePass(vorlund::ScanSplit(FromMemory(program), targets, 1 + random() % 70), program,
                      program);
    }
}

TEST(SplitScan, ThreadCountFollowsThePlan) {
    std::string program;
    for (int i = 0; i < 2000; ++i)
        program += "G1 X12.345 Y-6.789 Z-" + std::to_string(i % 977) + ".5\r\n";
    for (unsigned threads = 1; threads <= 4; ++threads) {
        const vorlund::ScanPlan plan{threads, 1000, 100};
        ExpectOnePass(vorlund::ScanParallel(FromMemory(program), program.size(), plan), program,
                      std::to_string(threads) + " threads");
    }
}

TEST(SplitScan, JoinsLikeOnePass) {
    struct Part {
        float minZ;
        std::int64_t badLine, lineEnds;
    };
    const auto result = [](const Part& P) {
        ScanResult r;
        r.MinZ = P.minZ, r.BadLine = P.badLine, r.LineEnds = P.lineEnds;
        return r;
    };
    const struct {
        Part first, then, joined;
    } cases[] = {
        {{-1, 0, 5}, {-3, 0, 7}, {-3, 0, 12}}, {{-4, 0, 5}, {-3, 0, 7}, {-4, 0, 12}},
        {{-1, 0, 5}, {-3, 2, 1}, {-3, 7, 6}},  {{-1, 4, 3}, {-3, 2, 1}, {-1, 4, 3}},
        {{0, 0, 0}, {-2, 0, 1}, {-2, 0, 1}},
    };
    for (const auto& c : cases) {
        const ScanResult joined = vorlund::Join(result(c.first), result(c.then));
        EXPECT_EQ(joined.MinZ, c.joined.minZ);
        EXPECT_EQ(joined.BadLine, c.joined.badLine);
        EXPECT_EQ(joined.LineEnds, c.joined.lineEnds);
    }
}

// Both tracks of each part, joined, give what one pass gives, for every cut
// at a line start.
TEST(SplitScan, JoinKeepsTheDoubtsExact) {
    for (const auto& program : kDoubtful) {
        for (std::size_t cut = 0; cut <= program.size(); ++cut) {
            if (cut > 0 && program[cut - 1] != '\n' && program[cut - 1] != '\r') continue;
            if (cut > 0 && cut < program.size() && program[cut - 1] == '\r' && program[cut] == '\n')
                continue;
            ExpectOnePass(vorlund::Join(ReferenceScanBytes(program.substr(0, cut)),
                                        ReferenceScanBytes(program.substr(cut))),
                          program, program + " cut at " + std::to_string(cut));
        }
    }
}

// A read error counts only when one pass would have reached it.
TEST(SplitScan, ReadErrorsOfPartsAsInOnePass) {
    const std::string good(100000, '\n');
    const std::string bad = "Z" + kOverflow + good;
    for (const std::string* program : {&good, &bad}) {
        const ReadAt read = [&](std::uint64_t Offset, char* Buffer, std::size_t Length) {
            if (Offset > 70000) throw vorlund::Error("part.nc: input/output error");
            return FromMemory(*program)(Offset, Buffer, Length);
        };
        const std::uint64_t targets[] = {30000, 60000};
        if (program == &good) {
            EXPECT_THROW(vorlund::ScanSplit(read, targets, 4096), vorlund::Error);
        } else {
            EXPECT_EQ(vorlund::ScanSplit(read, targets, 4096).BadLine, 1);
        }
    }
}
