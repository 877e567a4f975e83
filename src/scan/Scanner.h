#pragma once

#include "scan/NumFromStr.h"

#include "scan/LineJudge.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace vorlund {

// Why a line's depth may be wrong; a line gets the first kind that applies.
enum class DoubtKind : std::uint8_t {
    None,
    Unreadable,
    Incremental,
    Machine,
    Offset,
    Probe,
    Lowercase,
    Call
};

struct Doubt {
    std::int64_t Line = 0; // 1-based; 0 when none
    DoubtKind Kind = DoubtKind::None;
    std::string Text; // the Z word or the keyword, raw, at most kTextMax bytes
};

// Plain words for a kind: "incremental move".
std::string_view DoubtWords(DoubtKind Kind);

// The o-word calls of one name that no line seen so far defines.
struct CallSite {
    std::int64_t Line = 0; // the first
    std::int64_t Count = 0;
    std::string Text;
};

// The doubts of a stretch of lines for one distance mode at its start.
struct DoubtTrack {
    bool Known = true;                     // false when not scanned for this mode
    bool Incremental = false;              // the mode at the stretch's end
    Doubt First;                           // the first line doubtful without o-word calls
    std::int64_t Lines = 0;                // such lines
    std::map<std::string, CallSite> Calls; // o-word calls by name
};

struct ScanResult {
    float MinZ = 0.0f;        // never above 0
    std::int64_t BadLine = 0; // 1-based line of a number out of range, 0 when none
    std::int64_t LineEnds = 0;
    std::int64_t MinLine = 0; // the first line reaching MinZ; 0 when MinZ is 0
    Doubt FirstDoubt;         // the first doubtful line, o-word calls resolved
    std::int64_t DoubtLines = 0;
    // What joining needs: the doubts for a start in absolute [0] and in
    // incremental [1] distance mode, and the o-word names the lines define.
    DoubtTrack Track[2] = {{}, {true, true, {}, 0, {}}};
    std::set<std::string> Subs;
};

// Sets FirstDoubt and DoubtLines from Track[0] and Subs.
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
    // Incremental: the distance mode at the start, for data cut from a file.
    explicit Scanner(ScanKernel Kernel = ScanKernel::Fastest, bool Incremental = false);
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
        std::set<std::string> Subs;
    };

    using Kernel = void (*)(Progress&, const char* From, const char* End);

private:
    Progress progress_;
    Kernel kernel_;
    bool start_ = false; // the distance mode at the start is incremental
};

// Whole-buffer scan, fed in pieces of Chunk bytes (all at once when 0).
ScanResult ScanBytes(std::string_view Bytes, std::size_t Chunk = 0,
                     ScanKernel Kernel = ScanKernel::Fastest);

} // namespace vorlund
