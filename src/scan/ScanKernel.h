#pragma once

// The block kernels behind Scanner; not for use elsewhere.

#include "scan/Scanner.h"

#include <bit>
#include <optional>

namespace vorlund::kernel {

using Progress = Scanner::Progress;

// One per instruction set, all from ScanKernel.inc. From..End holds whole
// blocks and a tail; Progress.Now is not Number.
void FeedBaseline(Progress& P, const char* From, const char* End);
void FeedAvx2(Progress& P, const char* From, const char* End);
void FeedPlain(Progress& P, const char* From, const char* End);
extern const bool kHaveAvx2Kernel; // false when the build has no AVX2 kernel

// Shared slow paths, in Scanner.cpp.

constexpr unsigned kBlock = 64;
constexpr unsigned kAhead = 3; // bytes past a block that its candidate mask reads

constexpr unsigned kBatchBlocks = 32;

// Line ends in From..To, the byte before From a CR when AfterCr.
inline std::int64_t CountEnds(const char* From, const char* To, bool AfterCr) {
    std::int64_t n = 0;
    for (; From < To; ++From) {
        n += *From == '\r' || (*From == '\n' && !AfterCr);
        AfterCr = *From == '\r';
    }
    return n;
}

// What the block kernel leaves of a batch of blocks for the doubts: little,
// since most batches have no candidate.
struct Batch {
    const char* Start;                 // the first byte
    std::int64_t Line;                 // of Start
    bool StartCr;                      // the byte before Start was a CR
    std::uint64_t Cands[kBatchBlocks]; // bit i for byte i; valid where Has says
    std::uint32_t Has;                 // bit k for block k with candidates
    std::size_t Count;                 // blocks

    void Flag(const char* At) {
        const auto offset = std::size_t(At - Start);
        const auto k = offset / kBlock;
        const std::uint64_t bit = std::uint64_t(1) << (offset % kBlock);
        Cands[k] = (Has >> k & 1 ? Cands[k] : 0) | bit;
        Has |= std::uint32_t(1) << k;
    }

    // The line of At, a byte of the batch, counted on from the last At asked
    // for when that was not later.
    std::int64_t LineOf(const char* At) {
        if (At < at_ || !at_) at_ = Start, line_ = Line, cr_ = StartCr;
        line_ += CountEnds(at_, At, cr_);
        if (At > at_) cr_ = At[-1] == '\r';
        at_ = At;
        return line_;
    }
    void Reset(const char* At, std::int64_t AtLine, bool AfterCr) {
        Start = At, Line = AtLine, StartCr = AfterCr;
        Has = 0;
        at_ = nullptr;
    }

private:
    const char* at_ = nullptr;
    std::int64_t line_ = 0;
    bool cr_ = false;
};

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

// Whether the byte at P, with the three after it, can start a doubt: a lower-
// case letter, SU, CY, CA, IZ, an M that can be M91, M92 or M98, a G that can
// be G10, G31, G38, G53, G65, G66, G90, G91 or G92 (G0 to G3 and G00 to G03
// cannot), or a Z whose number has no digit. A line without one holds no
// doubt unless the distance mode is incremental; an o-word call or sub needs
// no O of its own: "call" and "sub" hold a lower-case letter, CA or SU.
inline bool Candidate(const char* P) {
    const char c = P[0], n1 = P[1], n2 = P[2], n3 = P[3];
    switch (c) {
    case 'M':
        return n1 == '9' || n1 == '0' || n1 == ' ' || n1 == '\t';
    case 'S':
        return n1 == 'U';
    case 'C':
        return n1 == 'Y' || n1 == 'A';
    case 'I':
        return n1 == 'Z';
    case 'G':
        return !(n1 >= '0' && n1 <= '3') || (Digit(n2) && (n1 != '0' || Digit(n3)));
    case 'Z':
        return !HasDigit(P + 1, P + 4);
    default:
        return c >= 'a' && c <= 'z';
    }
}

// Judges the lines of the batch that can hold a doubt: those with a candidate
// byte, and while the distance mode is incremental those whose Z word, one of
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

} // namespace vorlund::kernel
