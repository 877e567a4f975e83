#include "scan/LineJudge.h"

#include "scan/Scanner.h"

#include <array>
#include <string_view>

namespace vorlund {

namespace {

bool IsLetter(char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
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

void First(std::string& Group, const std::string& Text) {
    if (Group.empty()) Group = Text;
}

constexpr std::size_t kNameMax = 64; // o-word names longer than this compare by their start
constexpr const char* kKeys[] = {"SUPA", "CYCL DEF 7.", "CALL PGM"};

} // namespace

void LineJudge::Token::Add(char C) {
    if (!T.Open) return;
    if (!Body) {
        if (IsSpace(C)) return T.Add(C);
        Body = true;
    }
    if (Depth == 0) {
        const char last = T.Bytes.back();
        if (IsSpace(C) || C == '(' || C == ';' ||
            (IsLetter(C) && (IsDigit(last) || last == '.' || last == ']'))) {
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
    facts_.Mode = -1;
    facts_.Lower = false;
    facts_.ZText = facts_.LowerText = {};
    facts_.Machine.clear();
    facts_.Offset.clear();
    facts_.Probe.clear();
    facts_.Call.clear();
    facts_.OName.clear();
    facts_.OText.clear();
    facts_.OSubs.clear();
    comment_ = Comment::None;
    prev_ = 0;
    z_ = ZState::None;
    zText_.T.Open = false;
    axis_ = Axis::Off;
    lower_ = Phase::Off;
    lowerText_.T.Open = false;
    word_ = Phase::Off;
    o_ = Phase::Off;
    for (auto& matched : keyMatched_)
        matched = 0;
    busy_ = false;
}

// Bytes that start a word, a keyword or a comment.
constexpr auto kStarts = [] {
    std::array<bool, 256> starts{};
    for (const unsigned char c : std::string_view("ZzGgMmOoSC(;"))
        starts[c] = true;
    return starts;
}();

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
    LowerZ(C);
    Word(C);
    OWord(C);
    Keywords(C);
    prev_ = C;
    busy_ = z_ == ZState::Reading || zText_.T.Open || axis_ != Axis::Off || lower_ != Phase::Off ||
            (facts_.Lower && lowerText_.T.Open) || word_ != Phase::Off || o_ != Phase::Off ||
            keyMatched_[0] || keyMatched_[1] || keyMatched_[2];
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

void LineJudge::LowerZ(char C) {
    if (facts_.Lower) return lowerText_.Add(C); // found: its text goes on
    if (lower_ != Phase::Off) {
        lowerText_.Add(C);
        if (lower_ == Phase::Spaces) {
            if (IsSpace(C)) return;
            if (C == '#' || C == '[') {
                facts_.Lower = true;
                return;
            }
            lowerNumber_.Reset();
            if (lowerNumber_.Feed(C)) {
                lower_ = Phase::Number;
                return;
            }
        } else if (lowerNumber_.Feed(C)) {
            return;
        } else if (EndLower()) {
            return;
        }
        lower_ = Phase::Off;
    }
    if (C == 'z' && !IsLetter(prev_)) {
        lower_ = Phase::Spaces;
        lowerText_.Start(C);
    }
}

bool LineJudge::EndLower() {
    const auto value = lowerNumber_.Value();
    const bool below = value ? *value < 0.0f : lowerNumber_.Negative();
    lower_ = Phase::Off;
    facts_.Lower = below;
    return below;
}

void LineJudge::Word(char C) {
    switch (word_) {
    case Phase::Spaces:
        if (IsSpace(C)) return wordText_.Add(C);
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
    if (!digit_ || odd_ || whole_ >= kWordMax) return;
    const std::uint32_t code = whole_ * 10 + unsigned(tenth_); // G38.2 is 382
    const std::string& text = wordText_.Bytes;
    if (letter_ == 'M') {
        if (code == 910 || code == 920) First(facts_.Machine, text);
        if (code == 980) First(facts_.Call, text);
        return;
    }
    if (code == 900 || code == 910) facts_.Mode = code == 910;
    if (code == 530) First(facts_.Machine, text);
    if (code == 100 || code == 920) First(facts_.Offset, text);
    if ((code >= 382 && code <= 385) || code == 310) First(facts_.Probe, text);
    if (code == 650 || code == 660) First(facts_.Call, text);
}

void LineJudge::OWord(char C) {
    switch (o_) {
    case Phase::Whole: // just after the O
        if (IsDigit(C)) {
            oName_.clear();
            o_ = Phase::Number;
        } else if (C == '<') {
            oName_ = "<";
            o_ = Phase::Name;
            return oText_.Add(C);
        } else {
            break;
        }
        [[fallthrough]];
    case Phase::Number:
        if (IsDigit(C)) {
            if ((!oName_.empty() || C != '0') && oName_.size() < kNameMax) oName_ += C;
            return oText_.Add(C);
        }
        if (oName_.empty()) oName_ = "0";
        o_ = Phase::Spaces;
        [[fallthrough]];
    case Phase::Spaces:
        if (IsSpace(C)) return oText_.Add(C);
        if (!IsLetter(C)) break;
        o_ = Phase::Keyword;
        oMatched_ = 0;
        oCall_ = oSub_ = true;
        [[fallthrough]];
    case Phase::Keyword: {
        const char c = Lower(C);
        oCall_ = oCall_ && "call"[oMatched_] == c;
        oSub_ = oSub_ && oMatched_ < 3 && "sub"[oMatched_] == c;
        if (!oCall_ && !oSub_) break;
        oText_.Add(C);
        ++oMatched_;
        if (oCall_ && oMatched_ == 4) {
            if (facts_.OName.empty()) facts_.OName = oName_, facts_.OText = oText_.Bytes;
            o_ = Phase::Off;
        } else if (oSub_ && oMatched_ == 3) {
            facts_.OSubs.push_back(oName_);
            o_ = Phase::Off;
        }
        return;
    }
    case Phase::Name:
        if (C == '(' || C == ';') break;
        oText_.Add(C);
        if (oName_.size() < kNameMax) oName_ += Lower(C);
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

void LineJudge::Keywords(char C) {
    if (!(keyMatched_[0] | keyMatched_[1] | keyMatched_[2]) && C != 'S' && C != 'C') return;
    for (std::size_t k = 0; k < std::size(kKeys); ++k) {
        std::size_t& matched = keyMatched_[k];
        const char* const key = kKeys[k];
        if (matched > 0 && C == key[matched]) {
            if (key[++matched] != 0) continue;
            matched = 0;
            std::string& group = k == 0 ? facts_.Machine : k == 1 ? facts_.Offset : facts_.Call;
            First(group, key);
            continue;
        }
        matched = C == key[0] && !IsLetter(prev_);
    }
}

const LineFacts& LineJudge::End() {
    if (z_ == ZState::Reading) EndZ();
    if (axis_ != Axis::Off) facts_.ZAxis = true, axis_ = Axis::Off;
    if (lower_ == Phase::Number) EndLower();
    if (word_ != Phase::Off) EndWord();
    if (facts_.HasZ) facts_.ZText = Trimmed(zText_.T.Bytes);
    if (facts_.Lower) facts_.LowerText = Trimmed(lowerText_.T.Bytes);
    return facts_;
}

void AddLine(DoubtTrack& Track, std::set<std::string>& Subs, const LineFacts& Facts,
             std::int64_t Line) {
    for (const auto& name : Facts.OSubs)
        Subs.insert(name);
    if (Facts.Mode >= 0) Track.Incremental = Facts.Mode == 1;
    DoubtKind kind = DoubtKind::None;
    std::string_view text = Facts.ZText;
    if (Facts.HasZ && !Facts.ZDigit && !Facts.ZAxis) {
        kind = DoubtKind::Unreadable;
    } else if (Facts.ZBelow && (Facts.ZAfterI || Track.Incremental)) {
        kind = DoubtKind::Incremental;
    } else if (Facts.ZBelow && !Facts.Machine.empty()) {
        kind = DoubtKind::Machine, text = Facts.Machine;
    } else if (Facts.ZBelow && !Facts.Offset.empty()) {
        kind = DoubtKind::Offset, text = Facts.Offset;
    } else if (Facts.ZBelow && !Facts.Probe.empty()) {
        kind = DoubtKind::Probe, text = Facts.Probe;
    } else if (Facts.Lower) {
        kind = DoubtKind::Lowercase, text = Facts.LowerText;
    } else if (!Facts.Call.empty()) {
        kind = DoubtKind::Call, text = Facts.Call;
    } else if (!Facts.OName.empty()) {
        CallSite& site = Track.Calls[Facts.OName];
        if (site.Count++ == 0) site.Line = Line, site.Text = Facts.OText;
        return;
    } else {
        return;
    }
    if (Track.Lines++ == 0) Track.First = {Line, kind, std::string(text)};
}

void Append(DoubtTrack& First, const DoubtTrack& Then, std::int64_t Offset) {
    First.Known = First.Known && Then.Known;
    First.Incremental = Then.Incremental;
    if (First.Lines == 0 && Then.Lines > 0) {
        First.First = Then.First;
        First.First.Line += Offset;
    }
    First.Lines += Then.Lines;
    for (const auto& [name, then] : Then.Calls) {
        CallSite& site = First.Calls[name];
        if (site.Count == 0) site.Line = then.Line + Offset, site.Text = then.Text;
        site.Count += then.Count;
    }
}

void Settle(ScanResult& Result) {
    const DoubtTrack& track = Result.Track[0];
    Result.FirstDoubt = track.First;
    Result.DoubtLines = track.Lines;
    for (const auto& [name, site] : track.Calls) {
        if (Result.Subs.count(name)) continue;
        Result.DoubtLines += site.Count;
        if (Result.FirstDoubt.Line == 0 || site.Line < Result.FirstDoubt.Line)
            Result.FirstDoubt = {site.Line, DoubtKind::Call, site.Text};
    }
}

std::string_view DoubtWords(DoubtKind Kind) {
    switch (Kind) {
    case DoubtKind::None:
        return "no doubt";
    case DoubtKind::Unreadable:
        return "Z is not a number";
    case DoubtKind::Incremental:
        return "incremental move";
    case DoubtKind::Machine:
        return "machine coordinates";
    case DoubtKind::Offset:
        return "sets an offset";
    case DoubtKind::Probe:
        return "probing move";
    case DoubtKind::Lowercase:
        return "lower-case z";
    case DoubtKind::Call:
        return "calls a subprogram";
    }
    return "";
}

} // namespace vorlund
