#include "scan/Scanner.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vorlund {

namespace {

using Masks = Scanner::Masks;
constexpr unsigned kBlock = 64;

#if defined(__SSE2__)

inline std::uint64_t Bits16(__m128i Eq, int At) {
    return std::uint64_t(std::uint16_t(_mm_movemask_epi8(Eq))) << At;
}

Masks LoadMasks(const char* P) {
    const __m128i z = _mm_set1_epi8('Z'), open = _mm_set1_epi8('('), semi = _mm_set1_epi8(';');
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    Masks m{0, 0, 0, 0};
    for (int at = 0; at < int(kBlock); at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + at));
        const __m128i c = _mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, semi));
        m.c |= Bits16(c, at);
        m.zc |= Bits16(_mm_or_si128(c, _mm_cmpeq_epi8(v, z)), at);
        m.cr |= Bits16(_mm_cmpeq_epi8(v, cr), at);
        m.lf |= Bits16(_mm_cmpeq_epi8(v, lf), at);
    }
    return m;
}

std::uint64_t EqMask(const char* P, char C) {
    const __m128i c = _mm_set1_epi8(C);
    std::uint64_t m = 0;
    for (int at = 0; at < int(kBlock); at += 16)
        m |= Bits16(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(P + at)), c),
                    at);
    return m;
}

#else

Masks LoadMasks(const char* P) {
    Masks m{0, 0, 0, 0};
    for (unsigned i = 0; i < kBlock; ++i) {
        const std::uint64_t bit = std::uint64_t(1) << i;
        const char ch = P[i];
        if (ch == '(' || ch == ';') m.c |= bit;
        if (ch == '(' || ch == ';' || ch == 'Z') m.zc |= bit;
        if (ch == '\r') m.cr |= bit;
        if (ch == '\n') m.lf |= bit;
    }
    return m;
}

std::uint64_t EqMask(const char* P, char C) {
    std::uint64_t m = 0;
    for (unsigned i = 0; i < kBlock; ++i)
        m |= std::uint64_t(P[i] == C) << i;
    return m;
}

#endif

inline std::uint64_t Below(unsigned Bit) {
    return (std::uint64_t(1) << Bit) - 1;
}

inline bool IsDigit(char C) {
    return unsigned(C - '0') < 10;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                             1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};

// ReadShort looks at most this far past the Z.
constexpr std::ptrdiff_t kLookahead = 32;

// The usual Z number, up to 19 digits whose value fits 53 bits: one division
// by an exact power of ten gives the correctly rounded double (Clinger). A
// value of 0 or above cannot lower the minimum and reads as 0. False when the
// number is longer.
inline bool ReadShort(const char* P, float& Value) {
    const bool negative = *P == '-';
    P += (*P == '-') | (*P == '+');
    const char* const first = P;
    const char* const limit = P + 21; // 20 digits and the point: too many for this path
    std::uint64_t m = 0;
    while (P < limit && IsDigit(*P))
        m = m * 10 + unsigned(*P++ - '0');
    auto digits = P - first;
    int fraction = 0;
    if (*P == '.') {
        const char* const point = ++P;
        while (P < limit && IsDigit(*P))
            m = m * 10 + unsigned(*P++ - '0');
        fraction = int(P - point);
    }
    digits += fraction;
    if (digits > 19 || m > (std::uint64_t(1) << 53)) return false;
    Value = negative ? -static_cast<float>(double(m) / kPow10[fraction]) : 0.0f; // -0 never wins
    return true;
}

} // namespace

bool Scanner::Take(std::optional<float> Value) {
    if (!Value) return false;
    if (*Value < min_) min_ = *Value;
    return true;
}

// The number after a Z word at From; a number that runs to End waits for the next piece.
bool Scanner::ReadZ(const char* From, const char* End) {
    float value;
    if (End - From >= kLookahead && ReadShort(From, value)) {
        if (value < min_) min_ = value;
        return true;
    }
    number_.Reset();
    const char* p = From;
    while (p < End && number_.Feed(*p))
        ++p;
    if (p == End) {
        state_ = State::Number;
        return true;
    }
    return Take(number_.Value());
}

const char* Scanner::ContinueNumber(const char* From, const char* End) {
    const char* p = From;
    while (p < End && number_.Feed(*p))
        ++p;
    if (p == End) return p;
    state_ = State::Skip;
    if (!Take(number_.Value())) bad_ = line_;
    return p;
}

void Scanner::Fail(std::uint64_t Ends, unsigned Bit) {
    bad_ = line_ + std::popcount(Ends & Below(Bit));
    line_ = bad_;
}

// The rules byte by byte, but only over the bytes that can change the state.
void Scanner::Walk(const char* Bytes, const char* Base, std::uint64_t Bits, std::uint64_t Ends,
                   const char* End) {
    State s = state_;
    for (; Bits; Bits &= Bits - 1) {
        const unsigned bit = unsigned(std::countr_zero(Bits));
        const char ch = Bytes[bit];
        if (ch == '\r' || ch == '\n') {
            s = State::Code;
        } else if (s == State::Code) {
            if (ch == 'Z') {
                s = state_ = State::Skip;
                if (!ReadZ(Base + bit + 1, End)) return Fail(Ends, bit);
                if (state_ == State::Number) return;
            } else if (ch == '(') {
                s = State::Paren;
            } else if (ch == ';') {
                s = State::Skip;
            }
        } else if (s == State::Paren && ch == ')') {
            s = State::Code;
        }
    }
    state_ = s;
}

// Bytes holds the block (padded with NULs to 64 bytes); Base is where it lies in the piece.
void Scanner::Block(const char* Bytes, const char* Base, unsigned Length, const char* End) {
    const Masks m = LoadMasks(Bytes);
    const std::uint64_t breaks = m.cr | m.lf;
    const std::uint64_t ends = m.cr | (m.lf & ~((m.cr << 1) | std::uint64_t(afterCr_)));
    bool walk = state_ == State::Paren;
    if (!walk) {
        // A carry starts at each line break, runs over plain bytes and stops at
        // the line's first Z, "(" or ";", which it sets; it leaves the block
        // when the last line still waits for its Z word.
        const std::uint64_t carryIn = state_ == State::Code;
        std::uint64_t sum = ~m.zc + breaks;
        bool carry = sum < breaks;
        sum += carryIn;
        carry |= sum < carryIn;
        std::uint64_t words = m.zc & sum;
        walk = words & m.c; // a comment before a line's Z word
        if (!walk) {
            state_ = carry ? State::Code : State::Skip;
            for (; words; words &= words - 1) {
                const unsigned bit = unsigned(std::countr_zero(words));
                if (!ReadZ(Base + bit + 1, End)) return Fail(ends, bit);
            }
        }
    }
    if (walk) {
        Walk(Bytes, Base, m.zc | breaks | EqMask(Bytes, ')'), ends, End);
        if (bad_) return;
    }
    line_ += std::popcount(ends);
    afterCr_ = (m.cr >> (Length - 1)) & 1;
}

void Scanner::Feed(std::string_view Bytes) {
    const char* p = Bytes.data();
    const char* const end = p + Bytes.size();
    if (bad_ || p == end) return;
    if (state_ == State::Number) {
        p = ContinueNumber(p, end);
        if (bad_ || state_ == State::Number) return;
    }
    for (; end - p >= kBlock; p += kBlock) {
        Block(p, p, kBlock, end);
        if (bad_ || state_ == State::Number) return;
    }
    if (p < end) {
        char tail[kBlock] = {};
        std::memcpy(tail, p, std::size_t(end - p));
        Block(tail, p, unsigned(end - p), end);
    }
}

ScanResult Scanner::Finish() {
    if (state_ == State::Number && !bad_ && !Take(number_.Value())) bad_ = line_;
    state_ = State::Code;
    return {min_, bad_, line_ - 1};
}

ScanResult ScanBytes(std::string_view Bytes, std::size_t Chunk) {
    Scanner scanner;
    if (Chunk == 0) Chunk = std::max<std::size_t>(Bytes.size(), 1);
    for (std::size_t at = 0; at < Bytes.size(); at += Chunk)
        scanner.Feed(Bytes.substr(at, Chunk));
    return scanner.Finish();
}

} // namespace vorlund
