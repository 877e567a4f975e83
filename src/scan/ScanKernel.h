#pragma once

// The block kernels behind Scanner; not for use elsewhere.

#include "scan/Scanner.h"

#include "scan/Words.h"

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <utility>

namespace vorlund::kernel {

using Progress = Scanner::Progress;

// One per instruction set, all from ScanKernel.inc. From..End holds whole
// blocks and a tail; Progress.Now is not Number.
void FeedBaseline(Progress& P, const char* From, const char* End);
void FeedAvx2(Progress& P, const char* From, const char* End);
void FeedPlain(Progress& P, const char* From, const char* End);
extern const bool kHaveAvx2Kernel; // false when the build has no AVX2 kernel
// Whether this CPU runs FeedAvx2.
bool HaveAvx2();

// The candidate mask of the 64-byte block at P (P + 67 readable), as each
// kernel computes it; for tests.
std::uint64_t CandidatesBaseline(const char* P);
std::uint64_t CandidatesAvx2(const char* P);
std::uint64_t CandidatesPlain(const char* P);

constexpr unsigned kBlock = 64;
constexpr unsigned kAhead = 3; // bytes past a block that its candidate mask reads

constexpr unsigned kBatchBlocks = 32;

// What the block kernel leaves of a batch of blocks for the doubts: little,
// since most batches have no candidate. Plain data: the helpers below work
// on it.
struct Batch {
    const char* Start;                 // the first byte
    std::int64_t Line;                 // of Start
    bool StartCr;                      // the byte before Start was a CR
    std::uint64_t Cands[kBatchBlocks]; // bit i for byte i; valid where Has says
    std::uint32_t Has;                 // bit k for block k with candidates
    std::int64_t Lines[kBatchBlocks];  // the line at a block's start, where Known says
    bool Crs[kBatchBlocks];            // whether a CR precedes the block, where Known says
    std::uint32_t Known;               // bit k for block k whose candidates the kernel found
    std::size_t Count;                 // blocks
    // Where LineOf counted to last: that byte, its line, whether a CR precedes it.
    const char* At;
    std::int64_t AtLine;
    bool AtCr;
};

// Slow paths, in Scanner.cpp.

// Judges the lines of the batch that can hold a doubt: those with a candidate
// byte, and while the flow is not absolute those whose Z word, one of
// Words..Last (where each Z word's number starts), is negative. From..End is
// the piece; bytes before Judged need no judging, and Judged moves on. The
// line that runs to End is left for CarryLine.
void JudgeBatch(Progress& P, Batch& B, const char* From, const char* End, const char*& Judged,
                const char* const* Words, const char* const* Last);
// Ends the line carried from the last piece at its first line end in
// From..End, if any; what is before that needs no more judging.
const char* EndCarried(Progress& P, const char* From, const char* End);
// Starts carrying the piece's last line when it runs to End.
void CarryLine(Progress& P, const char* From, const char* End);

// Reads the Z number at From byte by byte; one that runs to End waits for the next piece.
bool ReadLong(Progress& P, const char* From, const char* End);
// False for a number out of range.
bool Take(Progress& P, std::optional<float> Value);
// Take for a number in range.
void TakeValue(Progress& P, float Value);

// The helpers below are internal to each file that includes this header, so
// that a copy compiled for AVX2 never stands in for the baseline's.
namespace {

// Line ends in From..To, the byte before From a CR when AfterCr.
inline std::int64_t CountEnds(const char* From, const char* To, bool AfterCr) {
    std::int64_t n = 0;
    for (; From < To; ++From) {
        n += *From == '\r' || (*From == '\n' && !AfterCr);
        AfterCr = *From == '\r';
    }
    return n;
}

inline void ResetBatch(Batch& B, const char* At, std::int64_t AtLine, bool AfterCr) {
    B.Start = At, B.Line = AtLine, B.StartCr = AfterCr;
    B.Has = B.Known = 0;
    B.At = nullptr;
}

// Flags the byte At of the batch as a candidate.
inline void Flag(Batch& B, const char* At) {
    const auto offset = std::size_t(At - B.Start);
    const auto k = offset / kBlock;
    const std::uint64_t bit = std::uint64_t(1) << (offset % kBlock);
    B.Cands[k] = (B.Has >> k & 1 ? B.Cands[k] : 0) | bit;
    B.Has |= std::uint32_t(1) << k;
}

// The block of At, a byte of the batch, when the batch holds its start line;
// else -1.
inline int CandidateBlock(const Batch& B, const char* At) {
    const auto k = std::size_t(At - B.Start) / kBlock;
    return B.Known >> k & 1 ? int(k) : -1;
}

// The line of At, a byte of the batch, counted on from the last At asked
// for when that was not later, or from the start of its block when that
// has candidates and is nearer.
inline std::int64_t LineOf(Batch& B, const char* At) {
    const int k = CandidateBlock(B, At);
    const char* const block = k < 0 ? nullptr : B.Start + std::size_t(k) * kBlock;
    if (block && (!B.At || B.At < block || At < B.At))
        B.At = block, B.AtLine = B.Lines[k], B.AtCr = B.Crs[k];
    else if (At < B.At || !B.At)
        B.At = B.Start, B.AtLine = B.Line, B.AtCr = B.StartCr;
    B.AtLine += CountEnds(B.At, At, B.AtCr);
    if (At > B.At) B.AtCr = At[-1] == '\r';
    B.At = At;
    return B.AtLine;
}

inline bool Digit(char C) {
    return C >= '0' && C <= '9';
}

// False when the number text at From..End surely has no digit; true when it
// runs to End.
inline bool HasDigit(const char* From, const char* End) {
    const char* p = From;
    if (p < End && (*p == '+' || *p == '-')) ++p;
    if (p < End && *p == '.') ++p;
    return p == End || Digit(*p);
}

inline bool Capital(char C) {
    return C >= 'A' && C <= 'Z';
}

// Classes of the bytes that can start a doubt, one bit each (two for the
// lower-case letters and for the keywords' first letters, which span two
// high nibbles), by what must follow them.
enum : std::uint8_t {
    kClassG = 1,
    kClassKey = 2 | 4, // from A to O, from P to Z
    kClassLower = 16 | 32,
    kClassM = 64,
    kClassO = 128
};

// The first letters of the keywords, but G and M, whose classes take more.
constexpr bool KeyStart(unsigned char C) {
    if (C == 'G' || C == 'M') return false;
    for (const auto& rule : kKeyRules)
        if (static_cast<unsigned char>(rule.Key[0]) == C) return true;
    return false;
}

constexpr auto kKeyStarts = [] {
    std::array<char, 26> starts{};
    std::size_t n = 0;
    for (unsigned char c = 'A'; c <= 'Z'; ++c)
        if (KeyStart(c)) starts[n++] = char(c);
    return std::pair{starts, n};
}();

constexpr std::uint8_t ClassOf(unsigned char C) {
    if (C >= 'a' && C <= 'z') return C < 'p' ? 16 : 32;
    if (C == 'G') return kClassG;
    if (C == 'M') return kClassM;
    if (C == 'O') return kClassO;
    if (KeyStart(C)) return C < 'P' ? 2 : 4;
    return 0;
}

// Whether the byte at P, with the three after it, can start a doubt: a lower-
// case letter, an M, an O before a digit or a "<", a keyword's first letter
// before a capital (the keywords' and IZ), or a G unless one digit follows it
// (or a 0 and one digit: G0 to G9, G00 to G09 name no rule). A Z word without
// a digit is flagged where its number is read. A line without one holds no
// doubt unless the flow is not absolute. Coarse on purpose: the SIMD kernels
// compute the same few tests on 32 or 16 bytes at once.
inline bool Candidate(const char* P) {
    const auto c = static_cast<unsigned char>(P[0]);
    const char n1 = P[1], n2 = P[2], n3 = P[3];
    switch (ClassOf(c)) {
    case 0:
        return false;
    case kClassG:
        return !(Digit(n1) && !Digit(n2)) && !(n1 == '0' && Digit(n2) && !Digit(n3));
    case kClassM:
        return true;
    case kClassO:
        return Digit(n1) || n1 == '<';
    case 2:
    case 4:
        return Capital(n1);
    default: // lower case
        return true;
    }
}

} // namespace

} // namespace vorlund::kernel
