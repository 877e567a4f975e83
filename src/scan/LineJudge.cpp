#include "scan/LineJudge.h"

#include "scan/Scanner.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vorlund {

namespace {

bool IsLetter(char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

bool IsLowerLetter(char C) {
    return C >= 'a' && C <= 'z';
}

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

bool IsSpace(char C) {
    return C == ' ' || C == '\t';
}

char Lower(char C) {
    return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C;
}

std::string_view Trimmed(std::string_view Text) {
    while (!Text.empty() && IsSpace(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

constexpr std::size_t kKeyMax = 9; // the longest o-word keyword

// The keywords by their first byte.
struct KeysFrom {
    std::uint8_t Keys[std::size(kKeyRules)];
    std::size_t Count;
};
constexpr auto kKeysFrom = [] {
    std::array<KeysFrom, 256> from{};
    for (std::size_t k = 0; k < std::size(kKeyRules); ++k) {
        KeysFrom& keys = from[static_cast<unsigned char>(kKeyRules[k].Key[0])];
        keys.Keys[keys.Count++] = std::uint8_t(k);
    }
    return from;
}();
static_assert(std::size(kKeyRules) < 256);

// Bytes that start a word, a keyword or a comment: the letters the rules
// name, the first bytes of the dialect keywords, any lower-case letter.
constexpr auto kStarts = [] {
    std::array<bool, 256> starts{};
    for (const unsigned char c : std::string_view("GMZO(;"))
        starts[c] = true;
    for (const auto& rule : kKeyRules)
        starts[static_cast<unsigned char>(rule.Key[0])] = true;
    for (int c = 'a'; c <= 'z'; ++c)
        starts[c] = true;
    return starts;
}();

} // namespace

void LineJudge::Token::Add(char C) {
    if (!T.Open) return;
    if (!Body) {
        if (IsSpace(C)) return T.Add(C);
        Body = true;
    }
    if (C == '(' || C == ';') { // a comment ends it, in brackets too
        T.Open = false;
        return;
    }
    if (Depth == 0) {
        const char last = T.Bytes.back();
        if (IsSpace(C) || (IsLetter(C) && (IsDigit(last) || last == '.' || last == ']'))) {
            T.Open = false;
            return;
        }
    }
    if (C == '[') ++Depth;
    if (C == ']' && Depth > 0) --Depth;
    T.Add(C);
}

void LineJudge::Reset() {
    facts_.HasZ = facts_.ZDigit = facts_.ZAxis = facts_.ZBad = facts_.ZBelow = facts_.ZAfterI =
        false;
    facts_.Mode = facts_.Unit = -1;
    facts_.End = false;
    facts_.ZText = {};
    for (auto& word : facts_.Words)
        word.clear();
    comment_ = Comment::None;
    prev_ = 0;
    z_ = ZState::None;
    zText_.T.Open = false;
    axis_ = Axis::Off;
    lower_.Open = false;
    lower_.Bytes.clear();
    word_ = Phase::Off;
    o_ = Phase::Off;
    for (std::size_t i = 0; i < active_; ++i)
        keyMatched_[keys_[i]] = 0;
    active_ = 0;
    keyBusy_ = false;
    wholeKey_ = -1;
    busy_ = false;
}

void LineJudge::Feed(char C) {
    if (comment_ == Comment::Rest) return;
    if (comment_ == Comment::Paren) {
        if (C == ')') comment_ = Comment::None, prev_ = C;
        return;
    }
    if (!busy_ && !kStarts[static_cast<unsigned char>(C)]) {
        prev_ = C;
        return;
    }
    Code(C); // a comment's start ends the words before it
    if (C == '(') comment_ = Comment::Paren;
    if (C == ';') comment_ = Comment::Rest;
}

void LineJudge::Code(char C) {
    DepthZ(C);
    LowerWord(C);
    Word(C);
    OWord(C);
    Keywords(C);
    prev_ = C;
    busy_ = z_ == ZState::Reading || zText_.T.Open || axis_ != Axis::Off || lower_.Open ||
            word_ != Phase::Off || o_ != Phase::Off || keyBusy_;
}

void LineJudge::Note(Reason Kind, const std::string& Text) {
    std::string& word = facts_.Words[std::size_t(Kind)];
    if (word.empty()) word = Text;
}

void LineJudge::DepthZ(char C) {
    if (z_ == ZState::None) {
        if (C != 'Z') return;
        z_ = ZState::Reading;
        facts_.HasZ = true;
        facts_.ZAfterI = prev_ == 'I';
        zNumber_.Reset();
        zText_.Start(C);
        axis_ = Axis::Right;
        return;
    }
    AxisZ(C);
    zText_.Add(C);
    if (z_ == ZState::Reading && !zNumber_.Feed(C)) EndZ();
}

void LineJudge::EndZ() {
    z_ = ZState::Done;
    const auto value = zNumber_.Value();
    facts_.ZDigit = zNumber_.AnyDigit();
    facts_.ZBad = !value;
    facts_.ZBelow = value && *value < 0.0f;
}

// A Z with only spaces before the line end or a comment, or with spaces and
// then a letter, names an axis: "BLK FORM 0.1 Z X+0", "TOOL CALL 3 Z S4500".
void LineJudge::AxisZ(char C) {
    if (axis_ == Axis::Off) return;
    if (IsSpace(C)) {
        axis_ = Axis::Spaces;
        return;
    }
    facts_.ZAxis = C == '(' || C == ';' || (axis_ == Axis::Spaces && IsLetter(C));
    axis_ = Axis::Off;
}

void LineJudge::LowerWord(char C) {
    if (lower_.Open) {
        if (IsSpace(C) || C == '(' || C == ';' || IsLetter(C))
            lower_.Open = false;
        else
            lower_.Add(C);
    }
    if (IsLowerLetter(C) && lower_.Bytes.empty()) lower_.Start(C);
}

void LineJudge::Word(char C) {
    switch (word_) {
    case Phase::Spaces:
        if (IsSpace(C)) return wordText_.Add(C);
        if (C == '#' || C == '[') { // a code the program computes: G#1, M[#2]
            wordText_.Add(C);
            word_ = Phase::Off;
            return Note(Reason::Unknown, wordText_.Bytes);
        }
        if (!IsDigit(C)) break;
        word_ = Phase::Whole;
        [[fallthrough]];
    case Phase::Whole:
        if (IsDigit(C)) {
            digit_ = true;
            whole_ = std::min<std::uint32_t>(whole_ * 10 + unsigned(C - '0'), kWordMax);
            return wordText_.Add(C);
        }
        if (C == '.') {
            word_ = Phase::Fraction;
            return wordText_.Add(C);
        }
        break;
    case Phase::Fraction:
        if (IsDigit(C)) {
            if (fractionDigits_++ == 0)
                tenth_ = C - '0';
            else
                odd_ |= C != '0';
            return wordText_.Add(C);
        }
        break;
    default:
        break;
    }
    if (word_ != Phase::Off) EndWord();
    const char letter = char(Lower(C) - 'a' + 'A');
    if ((letter == 'G' || letter == 'M') && !IsLetter(prev_)) {
        letter_ = letter;
        word_ = Phase::Spaces;
        whole_ = 0;
        fractionDigits_ = tenth_ = 0;
        digit_ = odd_ = false;
        wordText_.Start(C);
    }
}

void LineJudge::EndWord() {
    word_ = Phase::Off;
    if (!digit_) return;
    const WordRule rule = FindWord(letter_, whole_, unsigned(tenth_), odd_);
    if (rule.Kind != Reason::None) Note(rule.Kind, wordText_.Bytes);
    switch (rule.Does) {
    case Effect::Absolute:
    case Effect::Incremental:
        facts_.Mode = rule.Does == Effect::Incremental;
        break;
    case Effect::Inch:
    case Effect::Millimetre:
        facts_.Unit = rule.Does == Effect::Millimetre;
        facts_.Words[std::size_t(Reason::Unit)] = wordText_.Bytes; // the last one
        break;
    case Effect::End:
        facts_.End = true;
        break;
    case Effect::None:
        break;
    }
}

// "o100 call", "O<pocket> sub", "o2 IF [...]": an O, a number or a name in
// angle brackets, spaces, and one of the o-word keywords.
void LineJudge::OWord(char C) {
    switch (o_) {
    case Phase::Whole: // just after the O
        if (IsDigit(C)) {
            o_ = Phase::Number;
        } else if (C == '<') {
            o_ = Phase::Name;
        } else {
            break;
        }
        return oText_.Add(C);
    case Phase::Number:
        if (IsDigit(C)) return oText_.Add(C);
        o_ = Phase::Spaces;
        [[fallthrough]];
    case Phase::Spaces:
        if (IsSpace(C)) return oText_.Add(C);
        if (!IsLetter(C)) break;
        o_ = Phase::Keyword;
        oKey_.clear();
        [[fallthrough]];
    case Phase::Keyword:
        if (IsLetter(C) && oKey_.size() <= kKeyMax) {
            oKey_ += Lower(C);
            return oText_.Add(C);
        }
        EndOWord();
        break;
    case Phase::Name:
        if (C == '(' || C == ';') break;
        oText_.Add(C);
        if (C == '>') o_ = Phase::Spaces;
        return;
    default:
        break;
    }
    o_ = Phase::Off;
    if ((C == 'O' || C == 'o') && !IsLetter(prev_)) {
        o_ = Phase::Whole;
        oText_.Start(C);
    }
}

void LineJudge::EndOWord() {
    o_ = Phase::Off;
    if (std::find(std::begin(kOKeywords), std::end(kOKeywords), oKey_) != std::end(kOKeywords))
        Note(Reason::OWord, oText_.Bytes);
}

void LineJudge::Keywords(char C) {
    // A whole key matched on the byte before counts unless a letter follows.
    if (wholeKey_ >= 0 && !IsLetter(C))
        Note(kKeyRules[std::size_t(wholeKey_)].Kind, std::string(kKeyRules[wholeKey_].Key));
    wholeKey_ = -1;
    // Not in an o-word: "O101 REPEAT [2]", "O<SCALE> CALL" are RS274NGC.
    const auto c = static_cast<unsigned char>(C);
    const bool start = kKeysFrom[c].Count && !IsLetter(prev_) && o_ == Phase::Off;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < active_; ++i) {
        const std::uint8_t k = keys_[i];
        std::size_t& matched = keyMatched_[k];
        const std::string_view key = kKeyRules[k].Key;
        if (C != key[matched]) {
            matched = 0;
        } else if (++matched < key.size()) {
            keys_[kept++] = k;
        } else {
            matched = 0;
            if (kKeyRules[k].Whole)
                wholeKey_ = int(k);
            else
                Note(kKeyRules[k].Kind, std::string(key));
        }
    }
    active_ = kept;
    if (start)
        for (std::size_t i = 0; i < kKeysFrom[c].Count; ++i)
            if (const std::uint8_t k = kKeysFrom[c].Keys[i]; keyMatched_[k] == 0)
                keyMatched_[k] = 1, keys_[active_++] = k;
    keyBusy_ = active_ > 0 || wholeKey_ >= 0;
}

const LineFacts& LineJudge::End() {
    if (z_ == ZState::Reading) EndZ();
    if (axis_ != Axis::Off) facts_.ZAxis = true, axis_ = Axis::Off;
    if (word_ != Phase::Off) EndWord();
    if (o_ == Phase::Keyword) EndOWord();
    if (wholeKey_ >= 0) Keywords('\0');
    if (facts_.HasZ) facts_.ZText = Trimmed(zText_.T.Bytes);
    if (!lower_.Bytes.empty()) facts_.Words[std::size_t(Reason::Lowercase)] = lower_.Bytes;
    return facts_;
}

namespace {

// The first kind that applies to a line with Facts, after lines that leave Track.
Reason KindOf(const DoubtTrack& Track, const LineFacts& Facts) {
    for (std::size_t k = 1; k < kScanReasons; ++k) {
        const auto kind = Reason(k);
        bool applies = false;
        switch (kind) {
        case Reason::ForeignIncremental:
            applies = Facts.ZBelow && Facts.ZAfterI;
            break;
        case Reason::Unreadable:
            applies = Facts.HasZ && !Facts.ZDigit && !Facts.ZAxis;
            break;
        case Reason::Incremental:
            applies = Facts.ZBelow && Track.Now == Flow::Incremental;
            break;
        case Reason::AfterEnd:
            applies = Facts.ZBelow && Track.Now == Flow::Ended;
            break;
        case Reason::Unit:
            applies = Facts.Unit >= 0 && Track.Unit >= 0 && Facts.Unit != Track.Unit;
            break;
        case Reason::Offset: // a Z word, up or down, moves the frame Z is read in
            applies = !Facts.Words[k].empty() && Facts.HasZ && !Facts.ZAxis;
            break;
        default:
            applies = !Facts.Words[k].empty() && (Facts.ZBelow || !NeedsZBelow(kind));
            break;
        }
        if (applies) return kind;
    }
    return Reason::None;
}

std::string TextOf(Reason Kind, const LineFacts& Facts) {
    switch (Kind) {
    case Reason::ForeignIncremental:
    case Reason::Unreadable:
    case Reason::Incremental:
    case Reason::AfterEnd:
        return std::string(Facts.ZText);
    default:
        return Facts.Words[std::size_t(Kind)];
    }
}

void Count(DoubtTrack& Track, const Doubt& Found) {
    if (Track.Lines++ == 0) Track.First = Found;
    if (Foreign(Found.Why) && Track.Foreign.Line == 0) Track.Foreign = Found;
}

} // namespace

void AddLine(DoubtTrack& Track, const LineFacts& Facts, std::int64_t Line) {
    if (Facts.Mode >= 0 && Track.Now != Flow::Ended)
        Track.Now = Facts.Mode ? Flow::Incremental : Flow::Absolute;
    const Reason kind = KindOf(Track, Facts);
    if (Facts.Unit >= 0) {
        if (Track.FirstUnit.Unit < 0)
            Track.FirstUnit = {Facts.Unit, Line, kind != Reason::None,
                               Facts.Words[std::size_t(Reason::Unit)]};
        Track.Unit = Facts.Unit;
    }
    if (Facts.End) Track.Now = Flow::Ended;
    if (kind != Reason::None) Count(Track, {kind, TextOf(kind, Facts), Line});
}

void Append(DoubtTrack& First, const DoubtTrack& Then, std::int64_t Offset) {
    First.Known = First.Known && Then.Known;
    First.Now = Then.Now;
    // Then's first unit word changes the unit First leaves.
    const UnitWord& unit = Then.FirstUnit;
    const bool change = First.Unit >= 0 && unit.Unit >= 0 && unit.Unit != First.Unit;
    Doubt then = Then.First;
    if (then.Line) then.Line += Offset;
    if (change && !unit.Doubtful && (then.Line == 0 || unit.Line + Offset < then.Line))
        then = {Reason::Unit, unit.Text, unit.Line + Offset};
    if (First.First.Line == 0) First.First = then;
    if (First.Foreign.Line == 0 && Then.Foreign.Line) {
        First.Foreign = Then.Foreign;
        First.Foreign.Line += Offset;
    }
    First.Lines += Then.Lines + (change && !unit.Doubtful);
    if (First.FirstUnit.Unit < 0 && unit.Unit >= 0) {
        First.FirstUnit = unit;
        First.FirstUnit.Line += Offset;
    }
    if (Then.Unit >= 0) First.Unit = Then.Unit;
}

void Settle(ScanResult& Result) {
    const DoubtTrack& track = Result.Track[0];
    Result.FirstDoubt = track.Foreign.Line ? track.Foreign : track.First;
    Result.DoubtLines = track.Lines;
}

} // namespace vorlund
