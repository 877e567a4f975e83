#pragma once

#include "scan/NumFromStr.h"

#include "scan/LineJudge.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlund {

// Where the later lines are read: in absolute or incremental distance mode,
// or past the program's end (M2, M30).
enum class Flow : std::uint8_t { Absolute, Incremental, Ended };
inline constexpr std::size_t kFlows = 3;

// The first G20 or G21 of a stretch of lines.
struct UnitWord {
    std::int8_t Unit = -1; // G20 0, G21 1; -1 when none
    std::int64_t Line = 0;
    bool Doubtful = false; // its line is doubtful for another reason
    std::string Text;
};

// The doubts of a stretch of lines for one flow at its start.
struct DoubtTrack {
    bool Known = true;         // false when not scanned for this flow
    Flow Now = Flow::Absolute; // the flow at the stretch's end
    Doubt First;               // the first doubtful line
    Doubt Foreign;             // the first one in another dialect
    std::int64_t Lines = 0;    // doubtful lines
    std::int8_t Unit = -1;     // the last G20 (0) or G21 (1)
    UnitWord FirstUnit;
};

inline DoubtTrack StartIn(Flow Start) {
    DoubtTrack track;
    track.Now = Start;
    return track;
}

struct ScanResult {
    float MinZ = 0.0f;        // never above 0
    std::int64_t BadLine = 0; // 1-based line of a number out of range, 0 when none
    std::int64_t LineEnds = 0;
    std::int64_t MinLine = 0; // the first line reaching MinZ; 0 when MinZ is 0
    // The first line the scan cannot settle: the first in another dialect
    // when there is one, else the first of any kind.
    Doubt FirstDoubt;
    std::int64_t DoubtLines = 0;
    // What joining needs: the doubts for each flow at the start.
    DoubtTrack Track[kFlows] = {StartIn(Flow::Absolute), StartIn(Flow::Incremental),
                                StartIn(Flow::Ended)};
};

// Sets FirstDoubt and DoubtLines from Track[0].
void Settle(ScanResult& Result);

// Which block kernel a Scanner runs; all give the same results.
enum class ScanKernel : std::uint8_t {
    Fastest,  // the best this CPU runs (AVX2 where there is one)
    Baseline, // the build's baseline instructions (SSE2 on x86-64)
    Plain,    // no SIMD: bit masks built byte by byte
};

// Finds the minimum Z of an NC program fed in pieces of any size; the result
// does not depend on where the pieces are cut. Lines end at LF, CR LF or CR.
// A line's Z word is its first capital Z outside comments: "(" to ")" or to
// the line end, and ";" to the line end. Scanning stops at a bad number.
// Works on 64-byte blocks: bit masks find the Z words, comments fall back to
// a walk over the block's interesting bytes.
class Scanner {
public:
    // Start: the flow at the start, for data cut from a file.
    explicit Scanner(ScanKernel Kernel = ScanKernel::Fastest, Flow Start = Flow::Absolute);
    void Feed(std::string_view Bytes);
    ScanResult Finish();

    // What the current line still waits for at a block boundary.
    enum class State : std::uint8_t {
        Code,   // its Z word
        Paren,  // the ")" of a comment, then its Z word
        Skip,   // its end: Z word read or ";" comment
        Number, // the rest of a Z number cut by the end of a piece
    };

    // The scan so far, which the block kernels carry on.
    struct Progress {
        float Min = 0.0f;
        // -Min as ScanKernel.inc's quick test compares it: a Z number is not
        // deeper when one of its first k bytes is no digit (k the whole part's
        // digits), or when it has k digits and they are less; or when they are
        // the same and its first 8 fraction digits are not more than Fraction.
        struct Bar {
            std::uint64_t Shorter = 0;  // flag bits of bytes 0 to k - 1
            std::uint64_t Same = 0x80;  // flag bit of byte k; 0 when k is 7 or more
            std::uint64_t Digits = 0;   // the k digits, the first in the highest byte
            unsigned Shift = 63;        // 63 - 8k
            unsigned Length = 0;        // k
            std::uint64_t Fraction = 0; // -Min's first 8 fraction digits, as Digits; 0 when k is 0
        } Whole;
        std::int64_t Line = 1; // of the next byte
        std::int64_t Bad = 0;
        State Now = State::Code;
        bool AfterCr = false; // the last byte fed was a CR
        NumberReader Number;
        std::int64_t MinLine = 0;
        // Lines that can hold a doubt go through Judge; one cut by the end of
        // a piece is carried on (Judging) into the next.
        bool Judging = false;
        LineJudge Judge;
        DoubtTrack Track;
    };

    using Kernel = void (*)(Progress&, const char* From, const char* End);

private:
    Progress progress_;
    Kernel kernel_;
    Flow start_ = Flow::Absolute;
};

// Whole-buffer scan, fed in pieces of Chunk bytes (all at once when 0).
ScanResult ScanBytes(std::string_view Bytes, std::size_t Chunk = 0,
                     ScanKernel Kernel = ScanKernel::Fastest);

} // namespace vorlund
