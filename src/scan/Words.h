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
// applies. The Foreign kinds are words of other dialects: their files are
// run by the reader of their dialect, or keep the doubt; running the program
// settles the others.
enum class DoubtKind : std::uint8_t {
    None,
    ForeignIncremental, // IZ below 0
    ForeignMachine,     // M91, M92 or SUPA with Z below 0
    ForeignOffset,      // CYCL DEF 7., TRANS, ATRANS with Z below 0
    ForeignCall,        // CALL PGM
    ForeignCycle,       // a cycle call: CYCLE81(, MCALL, POCKET1, CYCL CALL
    ForeignFlow,        // a jump or loop: GOTOF, FOR, REPEAT, LOOP, CALL LBL 1 REP 5
    ForeignFrame,       // scaling, mirroring, rotation out of the plane, a tilted plane
    Unreadable,         // a Z word without a number: Z#1, Z[#2-1], Z 3
    Incremental,        // Z below 0 under G91
    AfterEnd,           // Z below 0 after M2 or M30
    Machine,            // G53 with Z below 0
    Offset,             // G10, G52 or G92 with Z below 0
    Probe,              // G38.2 to G38.5 or G31 with Z below 0
    Plane,              // G18, G19: arcs in XZ or YZ
    Frame,              // G51, G51.1, G68, G68.2: scaling, mirroring, rotation
    Call,               // M98, M99, G65, G66; M89, a modal cycle call
    Jump,               // GOTO, IF, WHILE: macro jumps, conditions and loops
    OWord,              // o-word control: sub, call, if, while, ...
    Lowercase,          // a lower-case letter
    Unit,               // G20 or G21 after the other; last, so that joining parts can tell
};

inline constexpr std::size_t kKinds = std::size_t(DoubtKind::Unit) + 1;

// Whether a kind belongs to another dialect, which only its own reader runs.
constexpr bool Foreign(DoubtKind Kind) {
    return Kind >= DoubtKind::ForeignIncremental && Kind <= DoubtKind::ForeignFrame;
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
    {'G', 431, DoubtKind::Offset}, // a tool length from the axis words: no move
    {'G', 432, DoubtKind::Offset},
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
    {'G', 510, DoubtKind::Frame},
    {'G', 511, DoubtKind::Frame},
    {'G', 680, DoubtKind::Frame},
    {'G', 682, DoubtKind::Frame},
    {'M', 890, DoubtKind::Call},
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

// Keywords, in capitals as written, each at the start of a word outside an
// o-word. A Whole key is a word of its own: no letter follows it ("FOR", not
// "FORM").
struct KeyRule {
    std::string_view Key;
    DoubtKind Kind;
    bool Whole = false;
};

inline constexpr KeyRule kKeyRules[] = {
    {"SUPA", DoubtKind::ForeignMachine},
    {"CYCL DEF 7.", DoubtKind::ForeignOffset},
    {"TRANS", DoubtKind::ForeignOffset, true},
    {"ATRANS", DoubtKind::ForeignOffset, true},
    {"CALL PGM", DoubtKind::ForeignCall},
    // Cycles whose depth is a parameter, not a Z word.
    {"CYCLE", DoubtKind::ForeignCycle}, // CYCLE81( to CYCLE800(
    {"MCALL", DoubtKind::ForeignCycle, true},
    {"POCKET", DoubtKind::ForeignCycle},
    {"SLOT", DoubtKind::ForeignCycle},
    {"LONGHOLE", DoubtKind::ForeignCycle, true},
    {"CYCL CALL", DoubtKind::ForeignCycle}, // and CYCL CALL PAT, CYCL CALL POS
    // Cycles defined to be called by M99 or M89 too: drilling, tapping,
    // pockets, slots, contours, probing; not 7 (datum), 9 (dwell), 10 (a
    // rotation about the tool axis), 13 (spindle orientation), 32 (tolerance).
    {"CYCL DEF 1.", DoubtKind::ForeignCycle},
    {"CYCL DEF 12", DoubtKind::ForeignCycle},
    {"CYCL DEF 14", DoubtKind::ForeignCycle},
    {"CYCL DEF 17", DoubtKind::ForeignCycle},
    {"CYCL DEF 18", DoubtKind::ForeignCycle},
    {"CYCL DEF 2", DoubtKind::ForeignCycle},
    {"CYCL DEF 3.", DoubtKind::ForeignCycle},
    {"CYCL DEF 4", DoubtKind::ForeignCycle},
    {"CYCL DEF 5", DoubtKind::ForeignCycle},
    {"CYCL DEF 6", DoubtKind::ForeignCycle},
    // Jumps and loops: a line counts whether or not it runs. Fanuc's GOTO, IF
    // and WHILE are run; their Sinumerik and Heidenhain forms have words of
    // their own too (ENDIF, GOTO LBL).
    {"GOTOF", DoubtKind::ForeignFlow},
    {"GOTOB", DoubtKind::ForeignFlow},
    {"GOTOC", DoubtKind::ForeignFlow},
    {"FOR", DoubtKind::ForeignFlow, true},
    {"REPEAT", DoubtKind::ForeignFlow}, // and REPEATB
    {"LOOP", DoubtKind::ForeignFlow, true},
    {"UNTIL", DoubtKind::ForeignFlow, true},
    {"ELSE", DoubtKind::ForeignFlow, true},
    {"ENDIF", DoubtKind::ForeignFlow, true},
    {"ENDWHILE", DoubtKind::ForeignFlow, true},
    {"ENDFOR", DoubtKind::ForeignFlow, true},
    {"ENDLOOP", DoubtKind::ForeignFlow, true},
    {"GOTO LBL", DoubtKind::ForeignFlow},
    {"FN 9:", DoubtKind::ForeignFlow},
    {"FN 10:", DoubtKind::ForeignFlow},
    {"FN 11:", DoubtKind::ForeignFlow},
    {"FN 12:", DoubtKind::ForeignFlow},
    {"REP", DoubtKind::ForeignFlow, true}, // CALL LBL 1 REP 5
    {"GOTO", DoubtKind::Jump},
    {"IF", DoubtKind::Jump, true},
    {"WHILE", DoubtKind::Jump, true},
    // Scaling, mirroring, rotation about X or Y, tilted working planes.
    {"SCALE", DoubtKind::ForeignFrame, true},
    {"ASCALE", DoubtKind::ForeignFrame, true},
    {"MIRROR", DoubtKind::ForeignFrame, true},
    {"AMIRROR", DoubtKind::ForeignFrame, true},
    {"ROT X", DoubtKind::ForeignFrame},
    {"ROT Y", DoubtKind::ForeignFrame},
    {"AROT X", DoubtKind::ForeignFrame},
    {"AROT Y", DoubtKind::ForeignFrame},
    {"PLANE SPATIAL", DoubtKind::ForeignFrame},
    {"PLANE PROJECTED", DoubtKind::ForeignFrame},
    {"PLANE EULER", DoubtKind::ForeignFrame},
    {"PLANE VECTOR", DoubtKind::ForeignFrame},
    {"PLANE POINTS", DoubtKind::ForeignFrame},
    {"PLANE RELATIV", DoubtKind::ForeignFrame},
    {"PLANE AXIAL", DoubtKind::ForeignFrame},
    {"CYCL DEF 8.", DoubtKind::ForeignFrame},  // mirror image
    {"CYCL DEF 11.", DoubtKind::ForeignFrame}, // scaling
    {"CYCL DEF 19.", DoubtKind::ForeignFrame}, // working plane
    {"CYCL DEF 26.", DoubtKind::ForeignFrame}, // axis-specific scaling
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
