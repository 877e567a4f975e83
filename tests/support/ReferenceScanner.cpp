#include "support/ReferenceScanner.h"

#include "common/Codes.h"
#include "fuzz/Fuzz.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace vorlund {

namespace {

using K = Reason;

// Lines end at LF, CR LF or CR; the last line counts whether or not it ends.
std::vector<std::string_view> SplitLines(std::string_view Text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '\n' && Text[i] != '\r') continue;
        lines.push_back(Text.substr(start, i - start));
        if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    lines.push_back(Text.substr(start));
    return lines;
}

// A line's bytes with each comment byte as -1: "(" to ")" or the line end,
// ";" to the line end; a -1 ends it too.
std::vector<int> CodeOf(std::string_view Line) {
    std::vector<int> code;
    bool paren = false, rest = false;
    for (const char c : Line) {
        const bool comment = rest || paren || c == '(' || c == ';';
        if (paren)
            paren = c != ')';
        else if (!rest)
            paren = c == '(', rest = c == ';';
        code.push_back(comment ? -1 : int(static_cast<unsigned char>(c)));
    }
    code.push_back(-1);
    return code;
}

bool IsLetter(int C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

bool IsDigit(int C) {
    return C >= '0' && C <= '9';
}

bool IsSpace(int C) {
    return C == ' ' || C == '\t';
}

int Lower(int C) {
    return C >= 'A' && C <= 'Z' ? C + 32 : C;
}

void Add(std::string& Text, int C) {
    if (Text.size() < 32) Text += char(C);
}

// What a line says, read from its code.
struct Line {
    bool hasZ = false, zDigit = false, zAxis = false, zBad = false, zBelow = false, afterI = false;
    float z = 0.0f;
    std::string zText;
    int mode = -1, unit = -1; // G90 0, G91 1; G20 0, G21 1
    bool end = false;
    std::string words[kScanReasons]; // the first word of each kind
};

void Note(Line& L, K Kind, const std::string& Text) {
    if (L.words[std::size_t(Kind)].empty()) L.words[std::size_t(Kind)] = Text;
}

// Z: spaces, then up to a space, a comment or a letter after a digit, "."
// or "]" outside brackets; at most 32 bytes, spaces at the end cut off.
std::string ZText(const std::vector<int>& Code, std::size_t At) {
    std::string text = "Z";
    std::size_t j = At + 1;
    for (; IsSpace(Code[j]); ++j)
        Add(text, Code[j]);
    for (int depth = 0; Code[j] >= 0; ++j) {
        const int c = Code[j], last = text.back();
        if (depth == 0 &&
            (IsSpace(c) || (IsLetter(c) && (IsDigit(last) || last == '.' || last == ']'))))
            break;
        depth += c == '[' ? 1 : c == ']' && depth > 0 ? -1 : 0;
        Add(text, c);
    }
    while (IsSpace(text.back()))
        text.pop_back();
    return text;
}

void ReadZ(Line& L, const std::vector<int>& Code, std::size_t At) {
    L.hasZ = true;
    L.afterI = At > 0 && Code[At - 1] == 'I';
    std::string text; // the code after the Z
    for (std::size_t j = At + 1; Code[j] >= 0; ++j)
        text += char(Code[j]);
    const auto number = fuzz::ReadLenient(text); // std::from_chars, not the product's reader
    std::size_t j = text[0] == '+' || text[0] == '-';
    j += text[j] == '.';
    L.zDigit = IsDigit(text[j]);
    L.zBad = number.overflow;
    L.z = number.value;
    L.zBelow = !number.overflow && number.value < 0.0f;
    std::size_t k = At + 1;
    while (IsSpace(Code[k]))
        ++k;
    L.zAxis = Code[k] < 0 || (k > At + 1 && IsLetter(Code[k]));
    L.zText = ZText(Code, At);
}

// A G or M word at At: spaces, digits, a point and digits.
void ReadWord(Line& L, const std::vector<int>& Code, std::size_t At) {
    std::string text(1, char(Code[At]));
    std::size_t j = At + 1;
    for (; IsSpace(Code[j]); ++j)
        Add(text, Code[j]);
    if (Code[j] == '#' || Code[j] == '[') {
        Add(text, Code[j]);
        return Note(L, K::Unknown, text);
    }
    if (!IsDigit(Code[j])) return;
    long whole = 0, tenth = 0;
    bool odd = false; // a digit after the tenths that is not 0
    for (; IsDigit(Code[j]); ++j)
        whole = std::min(whole * 10 + Code[j] - '0', 100000L), Add(text, Code[j]);
    if (Code[j] == '.') {
        Add(text, '.');
        for (int n = 0; IsDigit(Code[++j]); ++n) {
            Add(text, Code[j]);
            if (n == 0)
                tenth = Code[j] - '0';
            else
                odd = odd || Code[j] != '0';
        }
    }
    const long code = whole * 10 + tenth;
    if (Lower(Code[At]) == 'm') {
        if (odd) return;
        if (code == 910 || code == 920) Note(L, K::ForeignMachine, text);
        if (code == 970 || code == 980 || code == 990 || code == 890) Note(L, K::Call, text);
        if (code == 20 || code == 300) L.end = true;
        return;
    }
    if (whole < 10) return; // G0 to G9.9 are read past
    if (odd || !vorlund::FindCode('G', std::uint32_t(code))) return Note(L, K::Unknown, text);
    if (code == 900 || code == 910) L.mode = code == 910;
    if (code == 200 || code == 210) L.unit = code == 210, L.words[std::size_t(K::Unit)] = text;
    if (code == 530) Note(L, K::Machine, text);
    if (code == 100 || code == 520 || (code >= 920 && code <= 923) || code == 431 || code == 432 ||
        code == 500 || (code >= 450 && code <= 480 && code % 10 == 0))
        Note(L, K::Offset, text);
    if (code == 510 || code == 511 || code == 680 || code == 682 || code == 1010)
        Note(L, K::Frame, text);
    if (code == 310 || (code >= 382 && code <= 385)) Note(L, K::Probe, text);
    if (code == 180 || code == 190) Note(L, K::Plane, text);
    if (code == 650 || code == 660) Note(L, K::Call, text);
}

// An o-word at At: a number or a <name>, spaces, a keyword. Returns where
// it ends: no o-word starts before that.
std::size_t ReadOWord(Line& L, const std::vector<int>& Code, std::size_t At) {
    static const std::vector<std::string> keywords = {
        "sub",   "endsub",   "return", "call",   "if",        "elseif", "else",    "endif",
        "while", "endwhile", "do",     "repeat", "endrepeat", "break",  "continue"};
    std::string text(1, char(Code[At]));
    std::size_t j = At + 1;
    if (IsDigit(Code[j])) {
        for (; IsDigit(Code[j]); ++j)
            Add(text, Code[j]);
    } else if (Code[j] == '<') {
        for (; Code[j] >= 0 && Code[j] != '>'; ++j)
            Add(text, Code[j]);
        if (Code[j] != '>') return j;
        Add(text, Code[j++]);
    } else {
        return j;
    }
    for (; IsSpace(Code[j]); ++j)
        Add(text, Code[j]);
    std::string key;
    for (; IsLetter(Code[j]); ++j)
        key += char(Lower(Code[j])), Add(text, Code[j]);
    if (std::find(keywords.begin(), keywords.end(), key) != keywords.end()) Note(L, K::OWord, text);
    return j;
}

// Keywords at a word's start; a whole one with no letter after it.
struct Key {
    std::string_view key;
    K kind;
    bool whole;
};
const Key kKeys[] = {
    {"SUPA", K::ForeignMachine, false},
    {"CYCL DEF 7.", K::ForeignOffset, false},
    {"TRANS", K::ForeignOffset, true},
    {"ATRANS", K::ForeignOffset, true},
    {"CALL PGM", K::ForeignCall, false},
    {"CYCLE", K::ForeignCycle, false},
    {"MCALL", K::ForeignCycle, true},
    {"POCKET", K::ForeignCycle, false},
    {"SLOT", K::ForeignCycle, false},
    {"LONGHOLE", K::ForeignCycle, true},
    {"CYCL CALL", K::ForeignCycle, false},
    {"CYCL DEF 1.", K::ForeignCycle, false},
    {"CYCL DEF 12", K::ForeignCycle, false},
    {"CYCL DEF 14", K::ForeignCycle, false},
    {"CYCL DEF 17", K::ForeignCycle, false},
    {"CYCL DEF 18", K::ForeignCycle, false},
    {"CYCL DEF 2", K::ForeignCycle, false},
    {"CYCL DEF 3.", K::ForeignCycle, false},
    {"CYCL DEF 4", K::ForeignCycle, false},
    {"CYCL DEF 5", K::ForeignCycle, false},
    {"CYCL DEF 6", K::ForeignCycle, false},
    {"GOTOF", K::ForeignFlow, false},
    {"GOTOB", K::ForeignFlow, false},
    {"GOTOC", K::ForeignFlow, false},
    {"FOR", K::ForeignFlow, true},
    {"REPEAT", K::ForeignFlow, false},
    {"LOOP", K::ForeignFlow, true},
    {"UNTIL", K::ForeignFlow, true},
    {"ELSE", K::ForeignFlow, true},
    {"ENDIF", K::ForeignFlow, true},
    {"ENDWHILE", K::ForeignFlow, true},
    {"ENDFOR", K::ForeignFlow, true},
    {"ENDLOOP", K::ForeignFlow, true},
    {"GOTO LBL", K::ForeignFlow, false},
    {"FN 9:", K::ForeignFlow, false},
    {"FN 10:", K::ForeignFlow, false},
    {"FN 11:", K::ForeignFlow, false},
    {"FN 12:", K::ForeignFlow, false},
    {"REP", K::ForeignFlow, true},
    {"GOTO", K::Jump, false},
    {"IF", K::Jump, true},
    {"WHILE", K::Jump, true},
    {"SCALE", K::ForeignFrame, true},
    {"ASCALE", K::ForeignFrame, true},
    {"MIRROR", K::ForeignFrame, true},
    {"AMIRROR", K::ForeignFrame, true},
    {"ROT X", K::ForeignFrame, false},
    {"ROT Y", K::ForeignFrame, false},
    {"AROT X", K::ForeignFrame, false},
    {"AROT Y", K::ForeignFrame, false},
    {"PLANE SPATIAL", K::ForeignFrame, false},
    {"PLANE PROJECTED", K::ForeignFrame, false},
    {"PLANE EULER", K::ForeignFrame, false},
    {"PLANE VECTOR", K::ForeignFrame, false},
    {"PLANE POINTS", K::ForeignFrame, false},
    {"PLANE RELATIV", K::ForeignFrame, false},
    {"PLANE AXIAL", K::ForeignFrame, false},
    {"CYCL DEF 8.", K::ForeignFrame, false},
    {"CYCL DEF 11.", K::ForeignFrame, false},
    {"CYCL DEF 19.", K::ForeignFrame, false},
    {"CYCL DEF 26.", K::ForeignFrame, false},
};

Line Read(std::string_view Text) {
    const std::vector<int> code = CodeOf(Text);
    Line l;
    std::size_t oFree = 0;
    for (std::size_t i = 0; i + 1 < code.size(); ++i) {
        const int c = code[i];
        if (c < 0) continue;
        if (c == 'Z' && !l.hasZ) ReadZ(l, code, i);
        if (c >= 'a' && c <= 'z' && l.words[std::size_t(K::Lowercase)].empty()) {
            std::string text(1, char(c));
            for (std::size_t j = i + 1; code[j] >= 0 && !IsSpace(code[j]) && !IsLetter(code[j]);
                 ++j)
                Add(text, code[j]);
            l.words[std::size_t(K::Lowercase)] = text;
        }
        if (i > 0 && IsLetter(code[i - 1])) continue;
        if (Lower(c) == 'g' || Lower(c) == 'm') ReadWord(l, code, i);
        if (Lower(c) == 'o' && i >= oFree) oFree = ReadOWord(l, code, i);
        if (i < oFree) continue; // no keyword inside an o-word
        for (const auto& [key, kind, whole] : kKeys) {
            std::size_t k = 0;
            while (k < key.size() && code[i + k] == key[k])
                ++k;
            if (k == key.size() && !(whole && IsLetter(code[i + k])))
                Note(l, kind, std::string(key));
        }
    }
    return l;
}

// The lines' doubts for a start in flow Start.
DoubtTrack Track(const std::vector<Line>& Lines, Flow Start) {
    DoubtTrack t;
    t.Now = Start;
    for (std::size_t n = 0; n < Lines.size(); ++n) {
        const Line& l = Lines[n];
        const auto number = std::int64_t(n) + 1;
        if (l.mode >= 0 && t.Now != Flow::Ended)
            t.Now = l.mode ? Flow::Incremental : Flow::Absolute;
        const bool unitChange = l.unit >= 0 && t.Unit >= 0 && l.unit != t.Unit;
        const auto word = [&](K Kind) { return !l.words[std::size_t(Kind)].empty(); };
        // In the order of the kinds: the first that applies.
        const std::pair<K, bool> kinds[] = {
            {K::ForeignIncremental, l.zBelow && l.afterI},
            {K::ForeignMachine, l.zBelow && word(K::ForeignMachine)},
            {K::ForeignOffset, l.zBelow && word(K::ForeignOffset)},
            {K::ForeignCall, word(K::ForeignCall)},
            {K::ForeignCycle, word(K::ForeignCycle)},
            {K::ForeignFlow, word(K::ForeignFlow)},
            {K::ForeignFrame, word(K::ForeignFrame)},
            {K::Unreadable, l.hasZ && !l.zDigit && !l.zAxis},
            {K::Incremental, l.zBelow && t.Now == Flow::Incremental},
            {K::AfterEnd, l.zBelow && t.Now == Flow::Ended},
            {K::Machine, l.zBelow && word(K::Machine)},
            {K::Offset, l.hasZ && !l.zAxis && word(K::Offset)},
            {K::Probe, l.zBelow && word(K::Probe)},
            {K::Plane, word(K::Plane)},
            {K::Frame, word(K::Frame)},
            {K::Call, word(K::Call)},
            {K::Jump, word(K::Jump)},
            {K::OWord, word(K::OWord)},
            {K::Lowercase, word(K::Lowercase)},
            {K::Unknown, word(K::Unknown)},
            {K::Unit, unitChange},
        };
        K kind = K::None;
        for (const auto& [k, applies] : kinds)
            if (applies && kind == K::None) kind = k;
        if (l.unit >= 0) {
            if (t.FirstUnit.Unit < 0)
                t.FirstUnit = {std::int8_t(l.unit), number, kind != K::None,
                               l.words[std::size_t(K::Unit)]};
            t.Unit = std::int8_t(l.unit);
        }
        if (l.end) t.Now = Flow::Ended;
        if (kind == K::None) continue;
        const bool zText = kind == K::ForeignIncremental || kind == K::Unreadable ||
                           kind == K::Incremental || kind == K::AfterEnd;
        const Doubt doubt{kind, zText ? l.zText : l.words[std::size_t(kind)], number};
        if (t.Lines++ == 0) t.First = doubt;
        if (Foreign(kind) && t.Foreign.Line == 0) t.Foreign = doubt;
    }
    return t;
}

} // namespace

ScanResult ReferenceScanner::Finish() const {
    ScanResult result;
    std::vector<Line> lines;
    for (const std::string_view text : SplitLines(text_)) {
        lines.push_back(Read(text));
        const Line& l = lines.back();
        const auto number = std::int64_t(lines.size());
        if (l.hasZ && l.zBad) {
            result.BadLine = number;
            lines.pop_back(); // the bad line has no doubt, and no line after it counts
            break;
        }
        if (l.hasZ && l.z < result.MinZ) result.MinZ = l.z, result.MinLine = number;
    }
    result.LineEnds = std::int64_t(lines.size()) - (result.BadLine ? 0 : 1);
    for (const Flow start : {Flow::Absolute, Flow::Incremental, Flow::Ended})
        result.Track[std::size_t(start)] = Track(lines, start);
    Settle(result);
    return result;
}

ScanResult ReferenceScanBytes(std::string_view Bytes, std::size_t Chunk) {
    ReferenceScanner scanner;
    if (Chunk == 0) Chunk = std::max<std::size_t>(Bytes.size(), 1);
    for (std::size_t at = 0; at < Bytes.size(); at += Chunk)
        scanner.Feed(Bytes.substr(at, Chunk));
    return scanner.Finish();
}

} // namespace vorlund
