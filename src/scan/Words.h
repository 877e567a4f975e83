#pragma once

// The words that keep the fast scan from settling a program's depth, listed
// once: the line judge, the quick line test and the kernels' candidate test
// all derive from these tables.

#include "common/OWords.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace vorlund {

// Why the fast scan cannot settle a line; a line gets the first kind that
// applies. The kinds from ForeignIncremental on are words of other dialects,
// which only today's rule reads; running the program settles the others.
enum class DoubtKind : std::uint8_t {
    None,
    ForeignIncremental, // IZ below 0
    ForeignMachine,     // M91, M92 or SUPA with Z below 0
    ForeignOffset,      // CYCL DEF 7. with Z below 0
    ForeignCall,        // CALL PGM
    Unreadable,         // a Z word without a number: Z#1, Z[#2-1], Z 3
    Incremental,        // Z below 0 under G91
    AfterEnd,           // Z below 0 after M2 or M30
    Machine,            // G53 with Z below 0
    Offset,             // G10, G52 or G92 with Z below 0
    Probe,              // G38.2 to G38.5 or G31 with Z below 0
    Plane,              // G18, G19: arcs in XZ or YZ
    Call,               // M98, M99, G65, G66
    OWord,              // o-word control: sub, call, if, while, ...
    Lowercase,          // a lower-case letter
    Unit,               // G20 or G21 after the other; last, so that joining parts can tell
};

inline constexpr std::size_t kKinds = std::size_t(DoubtKind::Unit) + 1;

// Whether a kind belongs to another dialect, which running cannot settle.
constexpr bool Foreign(DoubtKind Kind) {
    return Kind >= DoubtKind::ForeignIncremental && Kind <= DoubtKind::ForeignCall;
}

// Whether a word of the kind makes a doubt only on a line whose Z is below 0.
constexpr bool NeedsZBelow(DoubtKind Kind) {
    switch (Kind) {
    case DoubtKind::ForeignIncremental:
    case DoubtKind::ForeignMachine:
    case DoubtKind::ForeignOffset:
    case DoubtKind::Machine:
    case DoubtKind::Offset:
    case DoubtKind::Probe:
        return true;
    default:
        return false;
    }
}

// What a G or M word does to the lines after it.
enum class Effect : std::uint8_t { None, Absolute, Incremental, Inch, Millimetre, End };

// A G or M word (either case), its number times ten: G38.2 is 382.
struct WordRule {
    char Letter;
    std::uint16_t Code;
    DoubtKind Kind;
    Effect Does = Effect::None;
};

inline constexpr WordRule kWordRules[] = {
    {'G', 530, DoubtKind::Machine},
    {'G', 100, DoubtKind::Offset},
    {'G', 520, DoubtKind::Offset},
    {'G', 920, DoubtKind::Offset},
    {'G', 310, DoubtKind::Probe},
    {'G', 382, DoubtKind::Probe},
    {'G', 383, DoubtKind::Probe},
    {'G', 384, DoubtKind::Probe},
    {'G', 385, DoubtKind::Probe},
    {'G', 180, DoubtKind::Plane},
    {'G', 190, DoubtKind::Plane},
    {'G', 650, DoubtKind::Call},
    {'G', 660, DoubtKind::Call},
    {'M', 980, DoubtKind::Call},
    {'M', 990, DoubtKind::Call},
    {'M', 910, DoubtKind::ForeignMachine},
    {'M', 920, DoubtKind::ForeignMachine},
    {'G', 900, DoubtKind::None, Effect::Absolute},
    {'G', 910, DoubtKind::None, Effect::Incremental},
    {'G', 200, DoubtKind::None, Effect::Inch},
    {'G', 210, DoubtKind::None, Effect::Millimetre},
    {'M', 20, DoubtKind::None, Effect::End},
    {'M', 300, DoubtKind::None, Effect::End},
};

// Keywords of other dialects, in capitals as written.
struct KeyRule {
    std::string_view Key;
    DoubtKind Kind;
};

inline constexpr KeyRule kKeyRules[] = {
    {"SUPA", DoubtKind::ForeignMachine},
    {"CYCL DEF 7.", DoubtKind::ForeignOffset},
    {"CALL PGM", DoubtKind::ForeignCall},
};

// The rule of a G or M word of whole number Whole and tenths Tenth, or null.
constexpr const WordRule* FindWord(char Letter, std::uint32_t Whole, std::uint32_t Tenth) {
    if (Whole >= 1000) return nullptr;
    const char letter = Letter >= 'a' ? char(Letter - 'a' + 'A') : Letter;
    for (const auto& rule : kWordRules)
        if (rule.Letter == letter && rule.Code == Whole * 10 + Tenth) return &rule;
    return nullptr;
}

// Which whole numbers of G [0] and M [1] words some rule has, whatever the
// tenths: one look-up on the scan's quick line test.
inline constexpr auto kWholeRules = [] {
    std::array<std::array<bool, 1000>, 2> whole{};
    for (const auto& rule : kWordRules)
        whole[rule.Letter == 'M'][rule.Code / 10] = true;
    return whole;
}();

constexpr bool OnlyGAndM() {
    for (const auto& rule : kWordRules)
        if (rule.Letter != 'G' && rule.Letter != 'M') return false;
    return true;
}
static_assert(OnlyGAndM());

// Whether some rule's word has this whole number, whatever its tenths.
constexpr bool WholeMatters(char Letter, std::uint32_t Whole) {
    const char letter = Letter >= 'a' ? char(Letter - 'a' + 'A') : Letter;
    if (Whole >= 1000 || (letter != 'G' && letter != 'M')) return false;
    return kWholeRules[letter == 'M'][Whole];
}

// No G rule has a one-digit number, so the candidate test can pass over G0
// to G9 and G00 to G09, the words of nearly every line.
constexpr bool NoOneDigitG() {
    for (const auto& rule : kWordRules)
        if (rule.Letter == 'G' && rule.Code < 100) return false;
    return true;
}
static_assert(NoOneDigitG());

} // namespace vorlund
