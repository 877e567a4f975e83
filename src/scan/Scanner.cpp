#include "scan/Scanner.h"

#include "scan/ScanKernel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace vorlund {

namespace kernel {

namespace {

Progress::Bar WholeBar(float Min) {
    const double depth = -double(Min);
    if (depth >= 1e6) return {0x80808080808080, 0, 0, 63}; // 7 digits: the quick path's limit
    Progress::Bar bar;
    for (auto whole = std::uint64_t(depth); whole > 0; whole /= 10) {
        bar.Digits |= std::uint64_t('0' + whole % 10) << (63 - bar.Shift);
        bar.Shorter = bar.Shorter << 8 | 0x80;
        bar.Same <<= 8;
        bar.Shift -= 8;
        ++bar.Length;
    }
    if (bar.Length == 0) return bar;
    // A float of 1 or more has at most 23 fraction bits: times 10^8 is exact.
    auto fraction = std::uint64_t((depth - std::floor(depth)) * 1e8);
    for (int i = 0; i < 8; ++i, fraction /= 10)
        bar.Fraction |= std::uint64_t('0' + fraction % 10) << (8 * i);
    return bar;
}

} // namespace

void TakeValue(Progress& P, float Value) {
    if (Value < P.Min) {
        P.Min = Value;
        P.Whole = WholeBar(Value);
    }
}

bool Take(Progress& P, std::optional<float> Value) {
    if (Value) TakeValue(P, *Value);
    return bool(Value);
}

bool ReadLong(Progress& P, const char* From, const char* End) {
    P.Number.Reset();
    const char* p = From;
    while (p < End && P.Number.Feed(*p))
        ++p;
    if (p == End) {
        P.Now = Scanner::State::Number;
        return true;
    }
    return Take(P, P.Number.Value());
}

namespace {

// Takes the number cut by the end of the last piece, on the current line.
void TakeCut(Progress& P) {
    const float before = P.Min;
    if (!Take(P, P.Number.Value())) P.Bad = P.Line;
    if (P.Min < before) P.MinLine = P.Line;
}

// The rest of a number cut by the end of the last piece.
const char* ContinueNumber(Progress& P, const char* From, const char* End) {
    const char* p = From;
    while (p < End && P.Number.Feed(*p))
        ++p;
    if (p == End) return p;
    P.Now = Scanner::State::Skip;
    TakeCut(P);
    return p;
}

bool IsBreak(char C) {
    return C == '\r' || C == '\n';
}

// Adds the judged line, unless its number is out of range: that line stops the scan.
void AddJudged(Progress& P, std::int64_t Line) {
    const LineFacts& facts = P.Judge.End();
    if (!facts.ZBad) AddLine(P.Track, facts, Line);
    P.Judge.Reset();
}

// The next candidate byte at or after At in the batch, or nullptr.
const char* NextCandidate(const Batch& B, const char* At) {
    const auto offset = std::size_t(At - B.Start);
    std::size_t k = offset / kBlock;
    if (k >= B.Count) return nullptr;
    std::uint64_t bits = B.Has >> k & 1 ? B.Cands[k] & (~std::uint64_t(0) << offset % kBlock) : 0;
    while (!bits) {
        const std::uint32_t later = B.Has & ~((std::uint32_t(2) << k) - 1);
        if (!later) return nullptr;
        k = std::size_t(std::countr_zero(later));
        bits = B.Cands[k];
    }
    return B.Start + k * kBlock + std::countr_zero(bits);
}

// Whether the number at From, which starts with "-", reads below 0: 1 when
// a digit other than 0 comes within 40 bytes (so no underflow to 0), 0 when
// it ends with none, -1 when it is too long to tell.
int SurelyBelow(const char* From, const char* End) {
    const char* const limit = std::min(End, From + 40);
    bool dot = false;
    for (const char* p = From + 1; p < limit; ++p) {
        if (*p >= '1' && *p <= '9') return 1;
        if (*p == '.' && !dot)
            dot = true;
        else if (*p != '0')
            return 0;
    }
    return limit == End ? 0 : -1;
}

// The line break at or after From, or End.
const char* LineEndFrom(const char* From, const char* End) {
    while (From < End && !IsBreak(*From))
        ++From;
    return From;
}

bool IsLetter(char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

// How QuickLine takes a byte.
enum : std::uint8_t { kPlain, kStop, kWord, kLower, kEnd, kKey };
constexpr auto kQuick = [] {
    std::array<std::uint8_t, 256> kinds{};
    for (int c = 'a'; c <= 'z'; ++c)
        kinds[c] = kLower;
    for (const unsigned char c : std::string_view("Oo(;"))
        kinds[c] = kStop;
    for (const auto& rule : kKeyRules)
        kinds[static_cast<unsigned char>(rule.Key[0])] = kKey;
    kinds['Z'] = kWord;
    for (const unsigned char c : std::string_view("GMgm"))
        kinds[c] = kWord;
    kinds['\r'] = kinds['\n'] = kEnd;
    return kinds;
}();

// Whether the line from Start, in absolute distance mode, holds a doubt, for
// the common lines that need no judge: no O, keyword or comment, no
// capital Z without a digit or after an I, and G and M words without a
// fraction whose numbers no rule names. Only a lower-case letter can then
// make one. -1 for any other line and for one that runs to End; LineEnd is
// its line break otherwise.
int QuickLine(const char* Start, const char* End, const char*& LineEnd) {
    int doubt = 0;
    for (const char* p = Start; p < End; ++p) {
        const std::uint8_t kind = kQuick[static_cast<unsigned char>(*p)];
        if (kind == kPlain) continue;
        if (kind == kEnd) {
            LineEnd = p;
            return doubt;
        }
        if (kind == kStop) return -1;
        // A keyword's first letter, or a G or M word, before a capital.
        if ((kind == kKey || kind == kWord) && (p + 1 == End || Capital(p[1]))) return -1;
        if (kind == kKey) continue;
        doubt |= *p >= 'a' && *p <= 'z';
        const char c = *p;
        if (c == 'Z') {
            if ((p > Start && p[-1] == 'I') || !HasDigit(p + 1, End)) return -1;
            continue;
        }
        if (kind == kLower || (p > Start && IsLetter(p[-1]))) continue;
        const char* q = p + 1;
        while (q < End && (*q == ' ' || *q == '\t'))
            ++q;
        if (q < End && (*q == '#' || *q == '[')) return -1; // a computed code
        std::uint32_t number = 0;
        for (; q < End && Digit(*q) && number < 1000; ++q)
            number = number * 10 + unsigned(*q - '0');
        if ((q < End && *q == '.') || WholeMatters(c, number)) return -1;
    }
    return -1;
}

} // namespace

void JudgeBatch(Progress& P, Batch& B, const char* From, const char* End, const char*& Judged,
                const char* const* Words, const char* const* Last) {
    const char* const stop = std::min(B.Start + B.Count * kBlock, End);
    struct {
        const char* Start = nullptr; // of the line after the one judged last
        std::int64_t Line = 0;
    } next;
    while (Judged < stop) {
        const bool watch = P.Track.Now != Flow::Absolute;
        const char* at = NextCandidate(B, Judged);
        bool negative = false;
        if (watch) {
            // A line without a candidate holds a doubt only when its Z word is negative.
            while (Words < Last && (*Words <= Judged || *Words >= End || **Words != '-'))
                ++Words;
            negative = Words < Last && (!at || *Words - 1 < at);
            if (negative) at = *Words - 1;
        }
        if (!at) {
            Judged = stop;
            return;
        }
        if (negative && P.Track.Lines > 0 && !P.Bad) {
            // Only one more negative Z, unless the line holds a candidate.
            const char* const end = LineEndFrom(at, End);
            const char* const candidate = NextCandidate(B, at);
            const int below = SurelyBelow(at + 1, end);
            if (end < End && (!candidate || candidate >= end) && below >= 0) {
                P.Track.Lines += below;
                Judged = end + 1;
                next.Start = nullptr;
                continue;
            }
        }
        if (!negative && !watch && P.Track.Lines > 0 && !P.Bad) {
            // Past the first doubt, a plain line needs no judge.
            const char* start = at;
            while (start > From && !IsBreak(start[-1]))
                --start;
            const char* end = nullptr;
            const int doubt = QuickLine(start, End, end);
            if (doubt >= 0) {
                P.Track.Lines += doubt;
                Judged = end + 1;
                next.Start = nullptr;
                continue;
            }
        }
        std::int64_t line = next.Line;
        const char* start = next.Start;
        // After the line judged last: one pass on, unless the batch knows the
        // line of a later block.
        const bool near = CandidateBlock(B, at) < 0 || at - start < std::ptrdiff_t(kBlock);
        if (start && at >= start && near) {
            for (bool cr = false; next.Start < at; ++next.Start) {
                const char c = *next.Start;
                line += c == '\r' || (c == '\n' && !cr);
                cr = c == '\r';
                if (IsBreak(c)) start = next.Start + 1;
            }
        } else {
            line = LineOf(B, at);
            for (start = at; start > From && !IsBreak(start[-1]);)
                --start;
        }
        const char* end = at;
        while (end < End && !IsBreak(*end))
            ++end;
        if ((P.Bad && line >= P.Bad) || end == End) {
            Judged = End;
            return;
        }
        P.Judge.Feed(start, end);
        AddJudged(P, line);
        Judged = end + 1;
        next.Start = end + 1 + (*end == '\r' && end + 1 < End && end[1] == '\n');
        next.Line = line + 1;
    }
}

const char* EndCarried(Progress& P, const char* From, const char* End) {
    if (!P.Judging) return From;
    const char* end = From;
    while (end < End && !IsBreak(*end))
        ++end;
    P.Judge.Feed(From, end);
    if (end < End) {
        P.Judging = false;
        AddJudged(P, P.Line);
    }
    return end;
}

void CarryLine(Progress& P, const char* From, const char* End) {
    if (P.Bad || P.Judging || From == End || IsBreak(End[-1])) return;
    const char* start = End;
    while (start > From && !IsBreak(start[-1]))
        --start;
    P.Judge.Reset();
    P.Judge.Feed(start, End);
    P.Judging = true;
}

bool HaveAvx2() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    return kHaveAvx2Kernel && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") &&
           __builtin_cpu_supports("popcnt");
#else
    return false;
#endif
}

} // namespace kernel

Scanner::Scanner(ScanKernel Kernel, Flow Start) {
    progress_.Track.Now = Start;
    start_ = Start;
    static const bool avx2 = kernel::HaveAvx2();
    switch (Kernel) {
    case ScanKernel::Fastest:
        kernel_ = avx2 ? kernel::FeedAvx2 : kernel::FeedBaseline;
        break;
    case ScanKernel::Baseline:
        kernel_ = kernel::FeedBaseline;
        break;
    case ScanKernel::Plain:
        kernel_ = kernel::FeedPlain;
        break;
    }
}

void Scanner::Feed(std::string_view Bytes) {
    const char* p = Bytes.data();
    const char* const end = p + Bytes.size();
    if (progress_.Bad || p == end) return;
    if (progress_.Now == State::Number) {
        p = kernel::ContinueNumber(progress_, p, end);
        if (progress_.Judging) progress_.Judge.Feed(Bytes.data(), p); // only number bytes
        if (progress_.Bad || progress_.Now == State::Number) return;
    }
    kernel_(progress_, p, end);
}

ScanResult Scanner::Finish() {
    Progress& p = progress_;
    if (p.Now == State::Number && !p.Bad) kernel::TakeCut(p);
    p.Now = State::Code;
    if (p.Judging && !p.Bad) kernel::AddJudged(p, p.Line);
    p.Judging = false;
    ScanResult result;
    result.MinZ = p.Min;
    result.BadLine = p.Bad;
    result.LineEnds = p.Line - 1;
    result.MinLine = p.MinLine;
    for (auto& track : result.Track)
        track.Known = false;
    result.Track[std::size_t(start_)] = p.Track;
    Settle(result);
    return result;
}

ScanResult ScanBytes(std::string_view Bytes, std::size_t Chunk, ScanKernel Kernel) {
    Scanner scanner(Kernel);
    if (Chunk == 0) Chunk = std::max<std::size_t>(Bytes.size(), 1);
    for (std::size_t at = 0; at < Bytes.size(); at += Chunk)
        scanner.Feed(Bytes.substr(at, Chunk));
    return scanner.Finish();
}

} // namespace vorlund
