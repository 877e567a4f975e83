#pragma once

// The words that keep the fast scan from settling a program's depth, listed
// once: the line judge, the quick line test and the kernels' candidate test
// all derive from these tables.

#include "common/OWords.h"
#include "common/Reason.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace vorlund {

// Whether a word of the kind makes a doubt only on a line whose Z is below 0.
constexpr bool NeedsZBelow(Reason Kind) {
    switch (Kind) {
    case Reason::ForeignIncremental:
    case Reason::ForeignMachine:
    case Reason::ForeignOffset:
    case Reason::Machine:
    case Reason::Offset:
    case Reason::Probe:
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
    Reason Kind;
    Effect Does = Effect::None;
};

inline constexpr WordRule kWordRules[] = {
    {'G', 530, Reason::Machine},
    {'G', 100, Reason::Offset},
    {'G', 520, Reason::Offset},
    {'G', 431, Reason::Offset}, // a tool length from the axis words: no move
    {'G', 432, Reason::Offset},
    {'G', 920, Reason::Offset},
    {'G', 310, Reason::Probe},
    {'G', 382, Reason::Probe},
    {'G', 383, Reason::Probe},
    {'G', 384, Reason::Probe},
    {'G', 385, Reason::Probe},
    {'G', 180, Reason::Plane},
    {'G', 190, Reason::Plane},
    {'G', 650, Reason::Call},
    {'G', 660, Reason::Call},
    {'G', 510, Reason::Frame},
    {'G', 511, Reason::Frame},
    {'G', 680, Reason::Frame},
    {'G', 682, Reason::Frame},
    {'M', 890, Reason::Call},
    {'M', 980, Reason::Call},
    {'M', 990, Reason::Call},
    {'M', 910, Reason::ForeignMachine},
    {'M', 920, Reason::ForeignMachine},
    {'G', 900, Reason::None, Effect::Absolute},
    {'G', 910, Reason::None, Effect::Incremental},
    {'G', 200, Reason::None, Effect::Inch},
    {'G', 210, Reason::None, Effect::Millimetre},
    {'M', 20, Reason::None, Effect::End},
    {'M', 300, Reason::None, Effect::End},
};

// Keywords, in capitals as written, each at the start of a word outside an
// o-word. A Whole key is a word of its own: no letter follows it ("FOR", not
// "FORM").
struct KeyRule {
    std::string_view Key;
    Reason Kind;
    bool Whole = false;
};

inline constexpr KeyRule kKeyRules[] = {
    {"SUPA", Reason::ForeignMachine},
    {"CYCL DEF 7.", Reason::ForeignOffset},
    {"TRANS", Reason::ForeignOffset, true},
    {"ATRANS", Reason::ForeignOffset, true},
    {"CALL PGM", Reason::ForeignCall},
    // Cycles whose depth is a parameter, not a Z word.
    {"CYCLE", Reason::ForeignCycle}, // CYCLE81( to CYCLE800(
    {"MCALL", Reason::ForeignCycle, true},
    {"POCKET", Reason::ForeignCycle},
    {"SLOT", Reason::ForeignCycle},
    {"LONGHOLE", Reason::ForeignCycle, true},
    {"CYCL CALL", Reason::ForeignCycle}, // and CYCL CALL PAT, CYCL CALL POS
    // Cycles defined to be called by M99 or M89 too: drilling, tapping,
    // pockets, slots, contours, probing; not 7 (datum), 9 (dwell), 10 (a
    // rotation about the tool axis), 13 (spindle orientation), 32 (tolerance).
    {"CYCL DEF 1.", Reason::ForeignCycle},
    {"CYCL DEF 12", Reason::ForeignCycle},
    {"CYCL DEF 14", Reason::ForeignCycle},
    {"CYCL DEF 17", Reason::ForeignCycle},
    {"CYCL DEF 18", Reason::ForeignCycle},
    {"CYCL DEF 2", Reason::ForeignCycle},
    {"CYCL DEF 3.", Reason::ForeignCycle},
    {"CYCL DEF 4", Reason::ForeignCycle},
    {"CYCL DEF 5", Reason::ForeignCycle},
    {"CYCL DEF 6", Reason::ForeignCycle},
    // Jumps and loops: a line counts whether or not it runs. Fanuc's GOTO, IF
    // and WHILE are run; their Sinumerik and Heidenhain forms have words of
    // their own too (ENDIF, GOTO LBL).
    {"GOTOF", Reason::ForeignFlow},
    {"GOTOB", Reason::ForeignFlow},
    {"GOTOC", Reason::ForeignFlow},
    {"FOR", Reason::ForeignFlow, true},
    {"REPEAT", Reason::ForeignFlow}, // and REPEATB
    {"LOOP", Reason::ForeignFlow, true},
    {"UNTIL", Reason::ForeignFlow, true},
    {"ELSE", Reason::ForeignFlow, true},
    {"ENDIF", Reason::ForeignFlow, true},
    {"ENDWHILE", Reason::ForeignFlow, true},
    {"ENDFOR", Reason::ForeignFlow, true},
    {"ENDLOOP", Reason::ForeignFlow, true},
    {"GOTO LBL", Reason::ForeignFlow},
    {"FN 9:", Reason::ForeignFlow},
    {"FN 10:", Reason::ForeignFlow},
    {"FN 11:", Reason::ForeignFlow},
    {"FN 12:", Reason::ForeignFlow},
    {"REP", Reason::ForeignFlow, true}, // CALL LBL 1 REP 5
    {"GOTO", Reason::Jump},
    {"IF", Reason::Jump, true},
    {"WHILE", Reason::Jump, true},
    // Scaling, mirroring, rotation about X or Y, tilted working planes.
    {"SCALE", Reason::ForeignFrame, true},
    {"ASCALE", Reason::ForeignFrame, true},
    {"MIRROR", Reason::ForeignFrame, true},
    {"AMIRROR", Reason::ForeignFrame, true},
    {"ROT X", Reason::ForeignFrame},
    {"ROT Y", Reason::ForeignFrame},
    {"AROT X", Reason::ForeignFrame},
    {"AROT Y", Reason::ForeignFrame},
    {"PLANE SPATIAL", Reason::ForeignFrame},
    {"PLANE PROJECTED", Reason::ForeignFrame},
    {"PLANE EULER", Reason::ForeignFrame},
    {"PLANE VECTOR", Reason::ForeignFrame},
    {"PLANE POINTS", Reason::ForeignFrame},
    {"PLANE RELATIV", Reason::ForeignFrame},
    {"PLANE AXIAL", Reason::ForeignFrame},
    {"CYCL DEF 8.", Reason::ForeignFrame},  // mirror image
    {"CYCL DEF 11.", Reason::ForeignFrame}, // scaling
    {"CYCL DEF 19.", Reason::ForeignFrame}, // working plane
    {"CYCL DEF 26.", Reason::ForeignFrame}, // axis-specific scaling
};

// Every key starts with a capital and holds a second byte, which the scan's
// quick tests look at.
constexpr bool KeysStartWithCapitals() {
    for (const auto& rule : kKeyRules)
        if (rule.Key.size() < 2 || rule.Key[0] < 'A' || rule.Key[0] > 'Z' || rule.Key[1] < 'A' ||
            rule.Key[1] > 'Z')
            return false;
    return true;
}
static_assert(KeysStartWithCapitals());

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
