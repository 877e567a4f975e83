#pragma once

// The words that keep the fast scan from settling a program's depth, listed
// once: the line judge, the quick line test and the kernels' candidate test
// all derive from these tables.

#include "common/Codes.h"
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
    case Reason::Probe:
        return true;
    default:
        return false;
    }
}

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

// What the scan reads of a G or M word: a reason to hand its line over, the
// distance mode, the unit, the program's end.
enum class Effect : std::uint8_t { None, Absolute, Incremental, Inch, Millimetre, End };

constexpr Effect ScanEffect(Does What) {
    switch (What) {
    case Does::Absolute:
        return Effect::Absolute;
    case Does::Incremental:
        return Effect::Incremental;
    case Does::Inch:
        return Effect::Inch;
    case Does::Millimetre:
        return Effect::Millimetre;
    case Does::End:
        return Effect::End;
    default:
        return Effect::None;
    }
}

struct WordRule {
    Reason Kind = Reason::None;
    Effect Does = Effect::None;
};

// The scan's rule for a G or M word of whole number Whole, tenths Tenth and
// Odd when a later digit of its fraction is not 0. A G code from G10 up that
// the table does not hold is unknown and hands its line over; G0 to G9.9
// are read past by the candidate test, as are M codes the table does not
// hold.
constexpr WordRule FindWord(char Letter, std::uint32_t Whole, std::uint32_t Tenth,
                            bool Odd = false) {
    const std::size_t row =
        Odd || Whole >= kCodeLimit / 10 ? 0 : CodeRow(Letter, Whole * 10 + Tenth);
    if (row) return {kCodes[row - 1].Hands, ScanEffect(kCodes[row - 1].Effect)};
    const bool g = Letter == 'G' || Letter == 'g';
    return {g && Whole >= 10 ? Reason::Unknown : Reason::None, Effect::None};
}

constexpr bool Matters(WordRule Rule) {
    return Rule.Kind != Reason::None || Rule.Does != Effect::None;
}

// Which whole numbers of G [0] and M [1] words, written without a fraction,
// the scan must read: one look-up on its quick line test.
inline constexpr auto kWholeRules = [] {
    std::array<std::array<bool, kCodeLimit / 10>, 2> whole{};
    for (std::uint32_t n = 0; n < kCodeLimit / 10; ++n) {
        whole[0][n] = Matters(FindWord('G', n, 0));
        whole[1][n] = Matters(FindWord('M', n, 0));
    }
    return whole;
}();

// Whether the scan must read a G or M word with this whole number and no
// fraction.
constexpr bool WholeMatters(char Letter, std::uint32_t Whole) {
    const char letter = Letter >= 'a' ? char(Letter - 'a' + 'A') : Letter;
    if (letter != 'G' && letter != 'M') return false;
    if (Whole >= kCodeLimit / 10) return letter == 'G';
    return kWholeRules[letter == 'M'][Whole];
}

// The candidate test passes over G0 to G9 and G00 to G09 with any fraction,
// the words of nearly every line: none of them may matter to the scan.
constexpr bool NoOneDigitG() {
    for (std::uint32_t n = 0; n < 100; ++n)
        if (Matters(FindWord('G', n / 10, n % 10))) return false;
    return true;
}
static_assert(NoOneDigitG());

} // namespace vorlund
