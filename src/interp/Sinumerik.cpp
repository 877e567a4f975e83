#include "interp/Sinumerik.h"

#include "common/Pow10.h"
#include "interp/Calls.h"
#include "interp/LineReader.h"
#include "interp/Machine.h"
#include "interp/Params.h"
#include "interp/Reading.h"
#include "interp/SinumerikCycles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace vorlund {

namespace {

using namespace reading;

bool IsBlank(char C) {
    return C == ' ' || C == '\t' || C == '\f' || C == '\x1a';
}
bool IsNameChar(char C) {
    return IsUpper(C) || IsDigit(C) || C == '_';
}

Text Trim(Text T) {
    while (!T.empty() && IsBlank(T.front()))
        T.remove_prefix(1);
    while (!T.empty() && IsBlank(T.back()))
        T.remove_suffix(1);
    return T;
}

// A name at the front of T: letters, digits, "_", a leading "$".
Text Name(Text& T) {
    T = Trim(T);
    std::size_t i = !T.empty() && (T[0] == '$' || T[0] == '_' || IsUpper(T[0])) ? 1 : 0;
    if (i == 0) return {};
    while (i < T.size() && IsNameChar(T[i]))
        ++i;
    const Text name = T.substr(0, i);
    T.remove_prefix(i);
    return name;
}

// What stands between the "(" at T's front and its ")"; T past them.
Text Parenthesized(Text& T) {
    int open = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < T.size(); ++i) {
        if (T[i] == '"') quoted = !quoted;
        if (quoted) continue;
        open += T[i] == '(' ? 1 : T[i] == ')' ? -1 : 0;
        if (open > 0) continue;
        const Text inside = T.substr(1, i - 1);
        T.remove_prefix(i + 1);
        return inside;
    }
    Fail(Reason::Error, "a \"(\" without its \")\"");
}

// Takes Word from the front of T when it stands there whole.
bool Take(Text& T, Text Word) {
    T = Trim(T);
    if (!T.starts_with(Word)) return false;
    if (T.size() > Word.size() && IsNameChar(T[Word.size()]) && IsNameChar(Word.back()))
        return false;
    T.remove_prefix(Word.size());
    return true;
}

std::string Short(Text T) {
    return std::string(T.substr(0, 40));
}

// Digits with at most one ".", correctly rounded; T past them.
double Decimal(Text& T) {
    std::uint64_t mant = 0; // wraps past 19 digits: then from_chars reads it
    const std::size_t n = T.size();
    std::size_t i = 0;
    while (i < n && IsDigit(T[i]))
        mant = mant * 10 + std::uint64_t(T[i++] - '0');
    std::size_t fraction = 0;
    if (i < n && T[i] == '.') {
        const std::size_t first = ++i;
        while (i < n && IsDigit(T[i]))
            mant = mant * 10 + std::uint64_t(T[i++] - '0');
        fraction = i - first;
    }
    const std::size_t digits = i - (fraction || (i > 0 && T[i - 1] == '.'));
    if (digits == 0) Fail(Reason::Error, "malformed number");
    double v = 0.0;
    if (digits <= 19 && mant < (std::uint64_t(1) << 53) && fraction <= 22) {
        v = double(mant) / kPow10[fraction];
        T.remove_prefix(i);
        return v;
    } else {
        const auto [end, ec] = std::from_chars(T.data(), T.data() + i, v);
        if (ec != std::errc() || end != T.data() + i) Fail(Reason::Error, "malformed number");
    }
    T.remove_prefix(i);
    return Checked(v);
}

// G codes that change nothing the depth depends on: dwell, exact stop, path
// control, cutter compensation, settable frames, feed and spindle modes,
// Siemens or ISO mode, corner behaviour.
constexpr int kIgnored[] = {4,   9,   40,  41,  42,  54,  55,  56,  57,  60,  64,  93,  94,  95,
                            96,  97,  290, 291, 450, 451, 460, 461, 462, 500, 601, 602, 603, 641,
                            642, 643, 644, 645, 931, 942, 952, 961, 962, 971, 972, 973};

bool IsIgnored(int Code) {
    if (Code >= 505 && Code <= 599) return true;
    return std::find(std::begin(kIgnored), std::end(kIgnored), Code) != std::end(kIgnored);
}

// Flow keywords that open and close a block of lines.
enum class Kw : std::uint8_t {
    None,
    If,
    Else,
    Endif,
    While,
    Endwhile,
    For,
    Endfor,
    Repeat,
    Until,
    Loop,
    Endloop
};

// A section REPEAT runs: from its first line, back after the REPEAT.
struct Section : Frame {
    std::uint64_t Last = 0; // the section ends after (Inclusive) or before this line
    bool Inclusive = false;
};

struct CallFrame : Frame {
    std::size_t Sections = 0; // the sections repeating at the call
};

struct Var {
    double Value = 0.0;
    bool Set = false;
    bool Int = false;
};

// A call's variables by name, an array's elements as "NAME[1,2]".
using Scope = std::map<std::string, Var, std::less<>>;

// The block being built from a line's words.
struct Words {
    Block B;
    bool Cip = false, Ct = false, Ar = false, Supa = false, Polar = false;
    bool NoMove = false; // the axis words set limits, a pole or an offset
    bool Home = false;   // G74, G75: to a machine position
    bool Offset = false; // G58, G59
    std::string Call;    // a subprogram named in the block
    Text CallArgs;       // its arguments: L140(2)
    double Repeats = 1.0;
};

// Adds where a line's label, block number or PROC stands: "NAME", "N10",
// "PROC NAME".
void ScanLabels(Text Line, const LineReader& Reader, Labels& Into) {
    const Place here{Reader.Start(), Reader.Line()};
    Text t = Trim(Line);
    if (!t.empty() && t[0] == '/') t = Trim(t.substr(1 + (t.size() > 1 && IsDigit(t[1]))));
    char text[200]; // in capitals
    const std::size_t n = std::min<std::size_t>(t.size(), sizeof text);
    for (std::size_t i = 0; i < n; ++i)
        text[i] = t[i] >= 'a' && t[i] <= 'z' ? char(t[i] - 'a' + 'A') : t[i];
    Text rest(text, n);
    if (rest.size() > 1 && rest[0] == 'N' && IsDigit(rest[1])) {
        std::size_t i = 1;
        while (i < rest.size() && IsDigit(rest[i]))
            ++i;
        Into.Add(rest.substr(0, i), here);
        rest = Trim(rest.substr(i));
    }
    const Text name = Name(rest);
    if (name == "PROC") {
        Into.Add("PROC " + std::string(Name(rest)), here);
    } else if (!name.empty() && rest.starts_with(':') && !rest.starts_with(":=")) {
        Into.Add(name, here);
    }
}

// Runs a Sinumerik program line by line and hands each block to the machine.
class Runner {
public:
    Runner(const ProgramSource& Source, const InterpLimits& Limits)
        : flow_(Source, Limits), labels_(Source, ScanLabels), sections_(Limits.CallDepth, "REPEAT"),
          frames_(Limits.CallDepth, "calls") {}

    InterpResult Run();

private:
    // Lines and flow.
    Text Code(Text Raw);
    void Step(Text Code);
    const Place* Target(Text Key, int Direction, bool Optional);
    void Goto(Text Rest, int Direction, bool Optional);
    void Case(Text Rest);
    void If(Text Rest);
    Kw SkipTo(bool Else);
    void While(Text Rest);
    void For(Text Rest);
    void Close(Kw Kind, Text Rest);
    void Repeat(Text Rest, bool Single);
    bool Sections(std::uint64_t At, bool After);
    void Call(const std::string& Name, Text ArgText, double Times);
    void Proc(Text Rest);
    void Return();

    // Values.
    double Expr(Text& T);
    double Or(Text& T);
    double And(Text& T);
    double Compare(Text& T);
    double Sum(Text& T);
    double Product(Text& T);
    double Unary(Text& T);
    double Primary(Text& T);
    double Function(Text Name, Text& T);
    double Number(Text& T);
    std::string Key(Text Name, Text& T);
    int RIndex(Text& T);
    Var& Declare(const std::string& Key, bool Int);
    double Get(const std::string& Key);
    void Set(const std::string& Key, double Value);
    void Assign(Text Name, Text& T);
    void Def(Text Rest);

    // Blocks, cycles, frames.
    void Block(Text Code);
    void Word(Words& W, Text& T);
    void Axis(Words& W, char Letter, Text& T);
    void Address(Words& W, char Letter, double Value);
    void GCode(Words& W, double Value);
    void Move(Words& W);
    void Run(vorlund::Block& B);
    void Frame(Text Word, Text Rest);
    bool Statement(Text Name, Text& T, Words& W);
    void Args(Text T, CycleArgs& Out);
    void Cycle(const std::string& Name, const CycleArgs& A, std::int64_t Line);
    void Mcall(Text Rest);

    Flow flow_;
    Machine machine_;
    bool begun_ = false;
    int depth_ = 0; // of nested parentheses
    std::string line_;

    double r_[1000] = {};
    bool rSet_[1000] = {};
    std::vector<Scope> scopes_{1}; // the main program's, then each call's

    Labels labels_; // labels, N numbers, "PROC NAME"
    LoopStack<Kw> loops_;
    CallStack<Section> sections_;
    CallStack<CallFrame> frames_;
    bool calling_ = false; // the next PROC line binds args_
    CycleArgs args_;
    bool cip_ = false;  // CIP or CT is the motion in force
    std::string mcall_; // the modal cycle; empty when none
    CycleArgs mcallArgs_;
};

InterpResult Runner::Run() {
    return flow_.Run([this] {
        vorlund::Block start; // the controller starts in G0
        start.G[start.GCount++] = 0;
        Run(start);
        Text line;
        while (!flow_.Ended()) {
            if (!flow_.Next(line)) {
                if (frames_.Empty()) break;
                Return();
                continue;
            }
            const std::uint64_t at = flow_.Here().Offset;
            if (!sections_.Empty() && Sections(at, false)) continue;
            Step(Code(line));
            if (!sections_.Empty()) Sections(at, true);
        }
        return Reached(machine_);
    });
}

// The line in capitals (strings as written) without its comment, block
// skip, block number and label.
Text Runner::Code(Text Raw) {
    // Most lines are in capitals without a comment or string: read in place.
    Text t = Raw;
    const auto plain = [](char C) { return !(C >= 'a' && C <= 'z') && C != ';' && C != '"'; };
    if (!std::all_of(Raw.begin(), Raw.end(), plain)) {
        line_.resize(Raw.size());
        bool quoted = false;
        std::size_t n = 0;
        for (char c : Raw) {
            if (c == '"') quoted = !quoted;
            if (c == ';' && !quoted) break;
            line_[n++] = !quoted && c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
        }
        t = Text(line_.data(), n);
    }
    t = Trim(t);
    if (t.starts_with("\xEF\xBB\xBF")) t = Trim(t.substr(3));
    if (t.starts_with('%')) return {};
    if (t.starts_with('/')) {
        t.remove_prefix(1);
        if (!t.empty() && IsDigit(t[0])) t.remove_prefix(1);
    }
    t = Trim(t);
    if (t.size() > 1 && (t[0] == 'N' || t[0] == ':') && IsDigit(t[1])) {
        std::size_t i = 1;
        while (i < t.size() && IsDigit(t[i]))
            ++i;
        t = Trim(t.substr(i));
    }
    if (t.find(':') == Text::npos) return t;
    Text rest = t;
    const Text label = Name(rest);
    if (!label.empty() && rest.starts_with(':') && !rest.starts_with(":=")) t = rest.substr(1);
    return Trim(t);
}

void Runner::Step(Text Code) {
    if (Code.empty()) return;
    Text rest = Code;
    const Text word = Name(rest);
    const bool begun = begun_;
    begun_ = true;
    // An address (G1, X10, N20) starts no statement.
    if (word.size() < 2 || !IsUpper(word[1])) return Block(Code);
    if (word == "PROC") {
        if (calling_ || !begun) return Proc(rest);
        if (frames_.Empty()) return flow_.End(); // the main program runs into a subprogram
        return Return();
    }
    if (word == "IF") return If(rest);
    if (word == "ELSE") { // the end of a branch that ran
        if (SkipTo(false) != Kw::Endif) Fail(Reason::Error, "ELSE without ENDIF");
        return;
    }
    if (word == "ENDIF") return;
    if (word == "WHILE") return While(rest);
    if (word == "FOR") return For(rest);
    if (word == "LOOP") return Close(Kw::Loop, rest);
    if (word == "REPEAT" || word == "REPEATB") {
        if (Trim(rest).empty()) return Close(Kw::Repeat, rest);
        return Repeat(rest, word == "REPEATB");
    }
    if (word == "ENDWHILE") return Close(Kw::Endwhile, rest);
    if (word == "ENDFOR") return Close(Kw::Endfor, rest);
    if (word == "UNTIL") return Close(Kw::Until, rest);
    if (word == "ENDLOOP") return Close(Kw::Endloop, rest);
    if (word == "GOTOF") return Goto(rest, 1, false);
    if (word == "GOTOB") return Goto(rest, -1, false);
    if (word == "GOTO") return Goto(rest, 0, false);
    if (word == "GOTOC") return Goto(rest, 0, true);
    if (word == "DEF") return Def(rest);
    if (word == "EXTERN") return; // another program's parameters
    if (word == "CASE") return Case(rest);
    if (word == "RET") return Return();
    if (word == "MCALL") return Mcall(rest);
    if (word == "MSG" || word == "SETAL" || word == "STOPRE" || word == "WAITM" ||
        word == "DISPLOF" || word == "DISPLON" || word == "SBLOF" || word == "SBLON")
        return;
    if (word == "CALL" || word == "PCALL" || word == "EXTCALL" || word == "MCALLA")
        Fail(Reason::MissingProgram, Short(Code));
    if (word == "TRANS" || word == "ATRANS" || word == "ROT" || word == "AROT" || word == "SCALE" ||
        word == "ASCALE" || word == "MIRROR" || word == "AMIRROR")
        return Frame(word, rest);
    Block(Code);
}

// The place of a label or block number: after this line (Direction 1),
// before it (-1), or either, after first (0); nullptr when Optional and none.
const Place* Runner::Target(Text Key, int Direction, bool Optional) {
    const Place* to = labels_.Near(Key, flow_.Here().Offset, Direction);
    if (!to && !Optional) Fail(Reason::Error, "no jump target " + Short(Key));
    return to;
}

void Runner::Goto(Text Rest, int Direction, bool Optional) {
    Text t = Rest;
    const Text key = Name(t);
    if (key.empty() || !Trim(t).empty()) Fail(Reason::Error, "malformed jump");
    if (const Place* to = Target(key, Direction, Optional)) flow_.Go(*to);
}

// The jump a GOTOx word makes: its direction; 2 when Word is none.
int Direction(Text Word) {
    return Word == "GOTOF" ? 1 : Word == "GOTOB" ? -1 : Word == "GOTO" || Word == "GOTOC" ? 0 : 2;
}

// CASE expr OF value GOTOx label ... DEFAULT GOTOx label.
void Runner::Case(Text Rest) {
    Text t = Rest;
    const double v = Expr(t);
    if (!Take(t, "OF")) Fail(Reason::Error, "CASE without OF");
    while (!(t = Trim(t)).empty()) {
        const bool match = Take(t, "DEFAULT") || Expr(t) == v;
        const Text go = Name(t);
        const Text label = Name(t);
        if (Direction(go) == 2 || label.empty()) Fail(Reason::Error, "malformed CASE");
        if (match) return Goto(label, Direction(go), go == "GOTOC");
    }
}

// IF cond GOTOx label on one line, or IF cond ... ELSE ... ENDIF.
void Runner::If(Text Rest) {
    const bool yes = Expr(Rest) != 0.0;
    Text rest = Rest;
    const Text word = Name(rest);
    if (Direction(word) != 2) {
        if (!yes) return;
        return Goto(rest, Direction(word), word == "GOTOC");
    }
    if (!Trim(Rest).empty()) Fail(Reason::Error, "malformed IF");
    if (!yes && SkipTo(true) == Kw::None) Fail(Reason::Error, "IF without ENDIF");
}

// The flow keyword a code line opens or closes with.
Kw KeywordOf(Text Code) {
    Text rest = Code;
    const Text w = Name(rest);
    if (w == "IF") return Code.find("GOTO") == Text::npos ? Kw::If : Kw::None;
    if (w == "REPEAT") return Trim(rest).empty() ? Kw::Repeat : Kw::None;
    static constexpr std::pair<Text, Kw> kWords[] = {
        {"ELSE", Kw::Else},         {"ENDIF", Kw::Endif}, {"WHILE", Kw::While},
        {"ENDWHILE", Kw::Endwhile}, {"FOR", Kw::For},     {"ENDFOR", Kw::Endfor},
        {"UNTIL", Kw::Until},       {"LOOP", Kw::Loop},   {"ENDLOOP", Kw::Endloop}};
    for (const auto& [word, kind] : kWords)
        if (w == word) return kind;
    return Kw::None;
}

// Reads on past the block that opened on the line just run: to its closing
// line (or ELSE when Else); the reader stands after it. None at the end.
Kw Runner::SkipTo(bool Else) {
    int nested = 0;
    Text line;
    for (;;) {
        if (!flow_.Next(line)) return Kw::None;
        const Kw kw = KeywordOf(Code(line));
        if (kw == Kw::If || kw == Kw::While || kw == Kw::For || kw == Kw::Repeat ||
            kw == Kw::Loop) {
            ++nested;
        } else if (kw == Kw::Else) {
            if (nested == 0 && Else) return kw;
        } else if (kw != Kw::None) {
            if (nested-- == 0) return kw;
        }
    }
}

void Runner::While(Text Rest) {
    const Place head = flow_.Here();
    loops_.CloseFrom(head.Offset);
    const bool yes = Expr(Rest) != 0.0;
    if (!Trim(Rest).empty()) Fail(Reason::Error, "malformed WHILE");
    if (yes) {
        loops_.Open({Kw::While, head, head, 0.0, {}});
        return;
    }
    if (SkipTo(false) != Kw::Endwhile) Fail(Reason::Error, "WHILE without ENDWHILE");
}

// FOR var = start TO end: the end is read once.
void Runner::For(Text Rest) {
    const Place head = flow_.Here();
    loops_.CloseFrom(head.Offset);
    Text t = Rest;
    const Text name = Name(t);
    if (name.empty()) Fail(Reason::Error, "malformed FOR");
    const std::string key = Key(name, t);
    t = Trim(t);
    if (!t.starts_with('=')) Fail(Reason::Error, "malformed FOR");
    t.remove_prefix(1);
    Set(key, Expr(t));
    if (!Take(t, "TO")) Fail(Reason::Error, "FOR without TO");
    const double end = Expr(t);
    if (!Trim(t).empty()) Fail(Reason::Error, "malformed FOR");
    if (Get(key) <= end) {
        loops_.Open({Kw::For, head, flow_.Following(), end, key});
        return;
    }
    if (SkipTo(false) != Kw::Endfor) Fail(Reason::Error, "FOR without ENDFOR");
}

// LOOP and REPEAT open a block; ENDWHILE, ENDFOR, UNTIL, ENDLOOP close one.
void Runner::Close(Kw Kind, Text Rest) {
    if (Kind == Kw::Loop || Kind == Kw::Repeat) {
        const Place head = flow_.Here();
        loops_.CloseFrom(head.Offset);
        loops_.Open({Kind, head, flow_.Following(), 0.0, {}});
        return;
    }
    const Kw open = Kind == Kw::Endwhile ? Kw::While
                    : Kind == Kw::Endfor ? Kw::For
                    : Kind == Kw::Until  ? Kw::Repeat
                                         : Kw::Loop;
    if (loops_.Size() <= frames_.Loops() || loops_.Top().Kind != open)
        Fail(Reason::Error, "a loop's end without its start");
    Loop<Kw>& loop = loops_.Top();
    if (Kind == Kw::Until && Expr(Rest) != 0.0) return loops_.Close(&loop);
    if (Kind == Kw::Endfor) {
        const double next = Checked(Get(loop.Name) + 1.0);
        Set(loop.Name, next);
        if (next > loop.Count) return loops_.Close(&loop);
    }
    flow_.Go(loop.Again);
}

// REPEAT from [to] P=n runs the lines from the label up to this line (or
// through the line of to, or ENDLABEL) n times more; REPEATB the label's
// line only.
void Runner::Repeat(Text Rest, bool Single) {
    Text t = Rest;
    const Text from = Name(t);
    Text to;
    Text u = t;
    const Text next = Name(u);
    if (!Single && !next.empty() && !(next == "P" && Trim(u).starts_with('='))) to = next, t = u;
    double times = 1.0;
    if (Take(t, "P")) {
        t = Trim(t);
        if (!t.starts_with('=')) Fail(Reason::Error, "malformed REPEAT");
        t.remove_prefix(1);
        times = Expr(t);
    }
    if (from.empty() || !Trim(t).empty()) Fail(Reason::Error, "malformed REPEAT");
    if (times < 1.0) return;
    const Place first = *Target(from, to.empty() && !Single ? -1 : 0, false);
    std::uint64_t last = flow_.Here().Offset;
    bool inclusive = false;
    if (Single) last = first.Offset, inclusive = true;
    if (to == "ENDLABEL") {
        last = Target("ENDLABEL", 1, false)->Offset;
    } else if (!to.empty()) {
        last = Target(to, 0, false)->Offset, inclusive = true;
    }
    Section& s = sections_.Call(flow_, first, long(std::min(times, 1e9)), 0);
    s.Last = last, s.Inclusive = inclusive;
}

// At the end of a repeated section: again, or back after its REPEAT. True
// when the reader moved.
bool Runner::Sections(std::uint64_t At, bool After) {
    const Section& s = sections_.Top();
    if (At != s.Last || s.Inclusive != After) return false;
    if (!sections_.Again(flow_)) sections_.Return(flow_);
    return true;
}

// A subprogram of this file: PROC Name, run Times; another program is a doubt.
void Runner::Call(const std::string& Name, Text ArgText, double Times) {
    const Place* body = labels_.Find("PROC " + Name);
    if (!body) Fail(Reason::MissingProgram, Name);
    frames_.Room();
    args_ = {};
    Args(ArgText, args_);
    if (Times < 1.0) return;
    frames_.Call(flow_, *body, long(std::min(Times, 1e9)), loops_.Size()).Sections =
        sections_.Size();
    scopes_.emplace_back();
    calling_ = true;
}

// PROC Name(type param, VAR type param, ...): the call's arguments, or for
// the program itself its caller's, which it does not know.
void Runner::Proc(Text Rest) {
    const bool called = calling_;
    calling_ = false;
    Text t = Rest;
    Name(t);
    t = Trim(t);
    if (!t.starts_with('(')) return;
    t.remove_prefix(1);
    int index = 0;
    while (!(t = Trim(t)).empty() && t[0] != ')') {
        Text name;
        for (Text w = Name(t); !w.empty(); w = Name(t))
            name = w;
        if (name.empty()) Fail(Reason::Error, "malformed PROC");
        std::string key(name);
        if (t.starts_with('[')) { // an array parameter: its size
            const std::size_t close = t.find(']');
            t.remove_prefix(close == Text::npos ? t.size() : close + 1);
        }
        const bool given = called && index < args_.Count && args_.Given[index];
        Declare(key, false) = {given ? args_.Value[index] : 0.0, given, false};
        ++index;
        t = Trim(t);
        if (t.starts_with(',')) t.remove_prefix(1);
    }
}

// The end of a subprogram: its next run, or back to its caller with the
// caller's variables, loops and sections; the main program's end.
void Runner::Return() {
    if (frames_.Empty()) return flow_.End();
    const bool again = frames_.Again(flow_);
    const CallFrame& f = again ? frames_.Top() : frames_.Return(flow_);
    loops_.Resize(f.Loops);
    sections_.Resize(f.Sections);
    if (again) {
        scopes_.back().clear();
        calling_ = true;
    } else {
        scopes_.pop_back();
    }
}

// Expressions, loosest first: OR XOR, AND, comparisons, + -, * / DIV MOD, NOT and signs.
double Runner::Expr(Text& T) {
    return Or(T);
}

double Runner::Or(Text& T) {
    double v = And(T);
    for (;;) {
        if (Take(T, "OR")) {
            const double w = And(T);
            v = (v != 0.0 || w != 0.0) ? 1.0 : 0.0;
        } else if (Take(T, "XOR")) {
            const double w = And(T);
            v = ((v != 0.0) != (w != 0.0)) ? 1.0 : 0.0;
        } else {
            return v;
        }
    }
}

double Runner::And(Text& T) {
    double v = Compare(T);
    while (Take(T, "AND")) {
        const double w = Compare(T);
        v = (v != 0.0 && w != 0.0) ? 1.0 : 0.0;
    }
    return v;
}

double Runner::Compare(Text& T) {
    double v = Sum(T);
    for (;;) {
        T = Trim(T);
        static constexpr Text kOps[] = {"==", "<>", ">=", "<=", ">", "<"};
        const Text* op = std::find_if(std::begin(kOps), std::end(kOps),
                                      [&](Text O) { return T.starts_with(O); });
        if (op == std::end(kOps) || T.starts_with("<<")) return v;
        T.remove_prefix(op->size());
        const double w = Sum(T);
        const bool r = *op == "=="   ? v == w
                       : *op == "<>" ? v != w
                       : *op == ">=" ? v >= w
                       : *op == "<=" ? v <= w
                       : *op == ">"  ? v > w
                                     : v < w;
        v = r ? 1.0 : 0.0;
    }
}

double Runner::Sum(Text& T) {
    double v = Product(T);
    for (;;) {
        T = Trim(T);
        if (T.empty() || (T[0] != '+' && T[0] != '-')) return v;
        const bool minus = T[0] == '-';
        T.remove_prefix(1);
        const double w = Product(T);
        v = Checked(minus ? v - w : v + w);
    }
}

double Runner::Product(Text& T) {
    double v = Unary(T);
    for (;;) {
        T = Trim(T);
        char op = 0;
        if (!T.empty() && (T[0] == '*' || T[0] == '/')) {
            op = T[0];
            T.remove_prefix(1);
        } else if (Take(T, "DIV")) {
            op = 'd';
        } else if (Take(T, "MOD")) {
            op = 'm';
        } else {
            return v;
        }
        const double w = Unary(T);
        if (op != '*' && w == 0.0) Fail(Reason::Error, "division by zero");
        v = Checked(op == '*'   ? v * w
                    : op == '/' ? v / w
                    : op == 'd' ? std::trunc(v / w)
                                : std::fmod(v, w));
    }
}

// Signs and NOT, as deep as parentheses may go.
double Runner::Unary(Text& T) {
    T = Trim(T);
    const bool sign = !T.empty() && (T[0] == '+' || T[0] == '-');
    const bool minus = sign && T[0] == '-';
    if (sign) T.remove_prefix(1);
    const bool negate = !sign && Take(T, "NOT");
    if (!sign && !negate) return Primary(T);
    if (++depth_ > 64) Fail(Reason::Error, "expression nested too deep");
    const double v = Unary(T);
    --depth_;
    if (negate) return v == 0.0 ? 1.0 : 0.0;
    return minus ? -v : v;
}

double Runner::Primary(Text& T) {
    T = Trim(T);
    if (T.empty()) Fail(Reason::Error, "malformed expression");
    if (++depth_ > 64) Fail(Reason::Error, "expression nested too deep");
    double v = 0.0;
    if (T[0] == '(') {
        T.remove_prefix(1);
        v = Expr(T);
        T = Trim(T);
        if (T.empty() || T[0] != ')') Fail(Reason::Error, "malformed expression");
        T.remove_prefix(1);
    } else if (IsDigit(T[0]) || T[0] == '.') {
        v = Number(T);
    } else if (const int r = RIndex(T); r >= 0) {
        if (!rSet_[r]) Fail(Reason::Unset, "R" + std::to_string(r));
        v = r_[r];
    } else {
        const Text name = Name(T);
        if (name.empty()) Fail(Reason::Error, "malformed expression");
        if (name[0] == '$') Fail(Reason::Unset, std::string(name));
        if (Trim(T).starts_with('(')) {
            v = Function(name, T);
        } else if (name == "TRUE" || name == "FALSE") {
            v = name == "TRUE";
        } else {
            v = Get(Key(name, T));
        }
    }
    --depth_;
    return v;
}

// A function's value; T stands at its "(".
double Runner::Function(Text Name, Text& T) {
    T = Trim(T);
    T.remove_prefix(1);
    double a[3] = {};
    int n = 0;
    for (;;) {
        if (n == 3) Fail(Reason::Error, "too many arguments to " + Short(Name));
        a[n++] = Expr(T);
        T = Trim(T);
        if (T.starts_with(',')) {
            T.remove_prefix(1);
            continue;
        }
        if (!T.starts_with(')')) Fail(Reason::Error, "malformed " + Short(Name));
        T.remove_prefix(1);
        break;
    }
    const auto want = [&](int Count) {
        if (n != Count) Fail(Reason::Error, "malformed " + Short(Name));
    };
    const double x = a[0];
    if (Name == "ATAN2") return want(2), Degrees(std::atan2(a[0], a[1]));
    if (Name == "MINVAL") return want(2), std::min(a[0], a[1]);
    if (Name == "MAXVAL") return want(2), std::max(a[0], a[1]);
    if (Name == "BOUND") return want(3), std::clamp(a[2], std::min(a[0], a[1]), a[1]);
    want(1);
    if (Name == "SIN") return std::sin(Radians(x));
    if (Name == "COS") return std::cos(Radians(x));
    if (Name == "TAN") return Checked(std::tan(Radians(x)));
    if (Name == "ASIN" || Name == "ACOS") {
        if (x < -1.0 || x > 1.0) Fail(Reason::Error, Short(Name) + " of a number beyond 1");
        return Degrees(Name == "ASIN" ? std::asin(x) : std::acos(x));
    }
    if (Name == "SQRT") {
        if (x < 0.0) Fail(Reason::Error, "square root of a negative number");
        return std::sqrt(x);
    }
    if (Name == "ABS") return std::fabs(x);
    if (Name == "POT") return Checked(x * x);
    if (Name == "TRUNC") return std::trunc(x);
    if (Name == "ROUND") return std::round(x);
    if (Name == "ROUNDUP") return std::ceil(x);
    if (Name == "LN" || Name == "EXP") {
        if (Name == "LN" && x <= 0.0) Fail(Reason::Error, "logarithm of a number not above 0");
        return Checked(Name == "LN" ? std::log(x) : std::exp(x));
    }
    Fail(Reason::Error, "unknown function " + Short(Name));
}

// A number: "12.5", ".5", "1EX3".
double Runner::Number(Text& T) {
    double v = Decimal(T);
    if (T.starts_with("EX")) {
        T.remove_prefix(2);
        const double e = Unary(T);
        v *= std::pow(10.0, e);
    }
    return Checked(v);
}

// A variable's key: its name, and its array index as "NAME[1,2]".
std::string Runner::Key(Text Name, Text& T) {
    std::string key(Name);
    if (!Trim(T).starts_with('[')) return key;
    T = Trim(T);
    T.remove_prefix(1);
    key += '[';
    for (;;) {
        const double i = Expr(T);
        if (i != std::floor(i) || std::fabs(i) > 1e9)
            Fail(Reason::Error, "array index " + Short(Name));
        key += std::to_string(long(i));
        T = Trim(T);
        if (T.starts_with(',')) {
            key += ',';
            T.remove_prefix(1);
            continue;
        }
        if (!T.starts_with(']')) Fail(Reason::Error, "malformed index " + Short(Name));
        T.remove_prefix(1);
        return key + ']';
    }
}

// An R parameter at the front of T, "R12" or "R[expr]": its number, T past
// it; -1 when T holds none.
int Runner::RIndex(Text& T) {
    if (T.size() < 2 || T[0] != 'R' || !(IsDigit(T[1]) || T[1] == '[')) return -1;
    Text t = T.substr(1);
    double n = 0.0;
    if (t[0] == '[') {
        t.remove_prefix(1);
        n = Expr(t);
        t = Trim(t);
        if (!t.starts_with(']')) Fail(Reason::Error, "malformed R[");
        t.remove_prefix(1);
    } else {
        std::size_t i = 0;
        while (i < t.size() && IsDigit(t[i]))
            n = std::min(n * 10 + (t[i++] - '0'), 1e6);
        if (i < t.size() && IsNameChar(t[i])) return -1; // a name: R1A
        t.remove_prefix(i);
    }
    if (n < 0.0 || n >= 1000.0 || n != std::floor(n))
        Fail(Reason::Error, "no parameter R" + std::to_string(long(std::clamp(n, -1e9, 1e9))));
    T = t;
    return int(n);
}

// A variable of the current call, not set; a bounded number of them keeps
// memory flat.
Var& Runner::Declare(const std::string& Key, bool Int) {
    Scope& scope = scopes_.back();
    if (scope.size() >= 100'000 && !scope.contains(Key))
        Fail(Reason::Runaway, "more than 100000 variables");
    return scope[Key] = {0.0, false, Int};
}

double Runner::Get(const std::string& Key) {
    const Scope& scope = scopes_.back();
    const auto it = scope.find(Key);
    if (it == scope.end() || !it->second.Set) Fail(Reason::Unset, Key);
    return it->second.Value;
}

// An element of an array takes the array's type; a name not defined is the
// controller's own (GUD), set here.
void Runner::Set(const std::string& Key, double Value) {
    Scope& scope = scopes_.back();
    auto it = scope.find(Key);
    if (it == scope.end()) {
        const auto base = scope.find(Text(Key).substr(0, Key.find('[')));
        Declare(Key, base != scope.end() && base->second.Int);
        it = scope.find(Key);
    }
    it->second.Value = it->second.Int ? std::round(Value) : Value;
    it->second.Set = true;
}

// NAME=expr, NAME[i]=expr; $ variables are the controller's own data.
void Runner::Assign(Text Name, Text& T) {
    if (Name[0] == '$') Fail(Reason::Offset, std::string(Name));
    const std::string key = Key(Name, T);
    T = Trim(T);
    if (!T.starts_with('=') || T.starts_with("==")) Fail(Reason::Error, "malformed " + key);
    T.remove_prefix(1);
    T = Trim(T);
    if (T.starts_with('"')) { // a string
        const std::size_t close = T.find('"', 1);
        T.remove_prefix(close == Text::npos ? T.size() : close + 1);
        return;
    }
    Set(key, Expr(T));
}

// DEF [NCK|CHAN] type name[=value], ...
void Runner::Def(Text Rest) {
    Text t = Rest;
    Text type = Name(t);
    if (type == "NCK" || type == "CHAN") type = Name(t);
    const bool number = type == "REAL" || type == "INT" || type == "BOOL";
    if (!number) return; // strings, axes, frames: no depth
    while (!(t = Trim(t)).empty()) {
        const Text name = Name(t);
        if (name.empty()) Fail(Reason::Error, "malformed DEF");
        std::string key(name);
        if (Trim(t).starts_with('[')) { // an array: its elements are set one by one
            t = Trim(t);
            const std::size_t close = t.find(']');
            t.remove_prefix(close == Text::npos ? t.size() : close + 1);
        }
        Declare(key, type != "REAL");
        t = Trim(t);
        if (t.starts_with('=')) {
            t.remove_prefix(1);
            Set(key, Expr(t));
        }
        t = Trim(t);
        if (!t.empty() && t[0] != ',') Fail(Reason::Error, "malformed DEF");
        if (!t.empty()) t.remove_prefix(1);
    }
}

// A block of words, assignments and calls.
void Runner::Block(Text Code) {
    Words w;
    w.B.Line = flow_.Line();
    Text t = Code;
    for (;;) {
        while (!t.empty() && IsBlank(t[0]))
            t.remove_prefix(1);
        if (t.empty()) break;
        Word(w, t);
    }
    if (w.Polar) Fail(Reason::Error, "polar coordinates");
    Move(w);
    if (!w.Call.empty()) Call(w.Call, w.CallArgs, w.Repeats);
}

void Runner::Word(Words& W, Text& T) {
    const char c = T[0];
    // Most words are a letter and a number: X-12.5, G1.
    if (c != 'R' && c != 'L' && IsUpper(c) && T.size() > 1 &&
        (IsDigit(T[1]) || T[1] == '-' || T[1] == '.')) {
        const bool minus = T[1] == '-';
        Text u = T.substr(minus ? 2 : 1);
        if (!u.empty() && (IsDigit(u[0]) || u[0] == '.')) {
            const double v = Decimal(u);
            if (u.empty() || IsBlank(u[0]) || IsUpper(u[0])) {
                T = u;
                return Address(W, c, minus ? -v : v);
            }
        }
    }
    if (c == '"') {
        const std::size_t close = T.find('"', 1);
        T.remove_prefix(close == Text::npos ? T.size() : close + 1);
        return;
    }
    Text u = T;
    if (const int r = RIndex(u);
        r >= 0 && (u = Trim(u)).starts_with('=') && !u.starts_with("==")) { // R1=, R[...]=
        T = u.substr(1);
        r_[r] = Expr(T), rSet_[r] = true;
        return;
    }
    if (c == '$' || c == '_' || (IsUpper(c) && T.size() > 1 && (IsUpper(T[1]) || T[1] == '_'))) {
        const Text name = Name(T);
        if (!Statement(name, T, W)) Fail(Reason::Error, "unknown word " + Short(name));
        return;
    }
    if (!IsUpper(c)) Fail(Reason::Error, "malformed block");
    T.remove_prefix(1);
    // R1=, I1=: an address with a number in its name.
    std::size_t digits = 0;
    while (digits < T.size() && IsDigit(T[digits]))
        ++digits;
    const Text after = digits ? Trim(T.substr(digits)) : Text();
    if (after.starts_with('=') && !after.starts_with("==")) {
        const int n = std::stoi(std::string(T.substr(0, std::min<std::size_t>(digits, 6))));
        T = after.substr(1);
        const double v = Expr(T);
        if ((c == 'I' || c == 'J' || c == 'K') && n == 1) { // CIP's intermediate point
            if (c == 'K') W.B.Value['W' - 'A'] = v, W.B.Has |= Bit('W');
            return;
        }
        if (c == 'M' || c == 'S' || c == 'F' || c == 'T' || c == 'D' || c == 'H') return;
        Fail(Reason::Error, "unknown word " + std::string(1, c) + std::to_string(n));
    }
    // X=expr, X=AC(expr), X=IC(expr), or X10, X-5.5.
    if (!T.empty() && IsBlank(T[0])) T = Trim(T);
    if (T.starts_with('=')) {
        T.remove_prefix(1);
        T = Trim(T);
        if (T.starts_with('"')) { // T="TOOL"
            const std::size_t close = T.find('"', 1);
            T.remove_prefix(close == Text::npos ? T.size() : close + 1);
            return;
        }
        return Axis(W, c, T);
    }
    const bool minus = T.starts_with('-');
    if (minus || T.starts_with('+')) T.remove_prefix(1);
    if (T.empty() || !(IsDigit(T[0]) || T[0] == '.'))
        Fail(Reason::Error, "malformed word " + std::string(1, c));
    const double v = Decimal(T);
    Address(W, c, minus ? -v : v);
    if (c == 'L' && Trim(T).starts_with('(')) W.CallArgs = Parenthesized(T);
}

// X=expr, X=AC(expr), X=IC(expr): AC and IC count from the program's zero
// or from where the axis is, whatever G90 or G91 says.
void Runner::Axis(Words& W, char Letter, Text& T) {
    Text u = T;
    const Text mode = Name(u);
    if ((mode != "AC" && mode != "IC") || !Trim(u).starts_with('('))
        return Address(W, Letter, Expr(T));
    const int axis = Letter - 'X';
    if (axis < 0 || axis > 2) Fail(Reason::Error, std::string(1, Letter) + "=" + Short(mode));
    T = Trim(u).substr(1);
    const double v = Expr(T);
    T = Trim(T);
    if (!T.starts_with(')')) Fail(Reason::Error, "malformed " + Short(mode));
    T.remove_prefix(1);
    Address(W, Letter, v);
    const auto bit = std::uint8_t(1u << axis);
    if (mode == "AC") W.B.AbsoluteAxes |= bit;
    if (mode == "IC") W.B.Incremental |= bit;
}

// A one-letter address with its value.
void Runner::Address(Words& W, char Letter, double Value) {
    vorlund::Block& b = W.B;
    switch (Letter) {
    case 'G':
        return GCode(W, Value);
    case 'M':
        if (Value != std::floor(Value) || Value < 0.0 || Value > 9999.0)
            Fail(Reason::Error, "malformed M word");
        if (b.MCount < 8) b.M[b.MCount++] = std::uint16_t(Value);
        return;
    case 'X':
    case 'Y':
    case 'Z':
    case 'I':
    case 'J':
    case 'K':
        b.Has |= Bit(Letter);
        b.Value[Letter - 'A'] = Value;
        return;
    case 'A':
    case 'B':
        if (Value != 0.0) Fail(Reason::Frame, std::string(1, Letter) + " axis");
        return;
    case 'L':
        if (Value != std::floor(Value) || Value < 0.0) Fail(Reason::Error, "malformed L");
        W.Call = "L" + std::to_string(long(std::min(Value, 1e9)));
        return;
    case 'P':
        W.Repeats = Value;
        return;
    case 'R': // ISO mode's R: a drilling cycle's plane, an arc's radius
        b.Has |= Bit('R');
        b.Value['R' - 'A'] = Value;
        return;
    case 'C': // a rotary table about Z, a spindle
    case 'D':
    case 'E':
    case 'F':
    case 'H':
    case 'N':
    case 'S':
    case 'T':
        return;
    default:
        Fail(Reason::Error, "unknown word " + std::string(1, Letter));
    }
}

void Runner::GCode(Words& W, double Value) {
    if (Value != std::floor(Value) || Value < 0.0 || Value > 999.0)
        Fail(Reason::Error, "malformed G word");
    const int g = int(Value);
    vorlund::Block& b = W.B;
    const auto add = [&](int Code) {
        if (b.GCount < 16) b.G[b.GCount++] = std::uint16_t(Code);
    };
    if (g <= 3) {
        cip_ = false;
        return add(g * 10);
    }
    if (g == 17 || g == 18 || g == 19 || g == 90 || g == 91 || g == 98 || g == 99 || g == 80)
        return add(g * 10);
    if (g >= 81 && g <= 89) return add(g * 10); // ISO mode's drilling cycles
    if (g == 70 || g == 700) return add(200);
    if (g == 71 || g == 710) return add(210);
    if (g == 53 || g == 153) return add(530);
    if (g == 33 || g == 34 || g == 35) return add(330);
    if (g == 331 || g == 332) return add(10); // tapping: along Z to its word
    if (g == 25 || g == 26 || g == 110 || g == 111 || g == 112) {
        W.NoMove = true;
        return;
    }
    if (g == 58 || g == 59) {
        W.NoMove = W.Offset = true;
        return;
    }
    if (g == 74 || g == 75) {
        W.Home = true;
        return;
    }
    if (IsIgnored(g)) return;
    Fail(Reason::Error, "unknown G code G" + std::to_string(g));
}

// A named word: a keyword, an extended address (CR=, TURN=), a variable
// assignment, a cycle or a subprogram call. False when unknown.
bool Runner::Statement(Text Name, Text& T, Words& W) {
    T = Trim(T);
    if (T.starts_with('[')) return Assign(Name, T), true;
    if (Name[0] == '$') Fail(Reason::Unset, std::string(Name));
    const bool assign = T.starts_with('=') && !T.starts_with("==");
    if (assign) {
        if (Name == "CR" || Name == "TURN" || Name == "AR" || Name == "AP" || Name == "RP") {
            T.remove_prefix(1);
            const double v = Expr(T);
            if (Name == "CR") W.B.Has |= Bit('R'), W.B.Value['R' - 'A'] = v;
            if (Name == "TURN") {
                if (v < 0.0 || v != std::floor(v)) Fail(Reason::Error, "malformed TURN");
                W.B.Has |= Bit('P'), W.B.Value['P' - 'A'] = v + 1.0;
            }
            W.Ar |= Name == "AR";
            W.Polar |= Name == "AP" || Name == "RP";
            return true;
        }
        // Roundings, chamfers, spindle and feed words: no depth.
        static constexpr Text kValues[] = {"RND", "RNDM", "CHF",   "CHR",   "SPOS", "SPOSA",
                                           "FA",  "ACC",  "OVR",   "FAD",   "OFFN", "SF",
                                           "FPR", "DL",   "SPCON", "SPCOF", "TU",   "STAT"};
        if (std::find(std::begin(kValues), std::end(kValues), Name) != std::end(kValues)) {
            T.remove_prefix(1);
            Expr(T);
            return true;
        }
        Assign(Name, T);
        return true;
    }
    if (Name == "CIP" || Name == "CT") {
        cip_ = true;
        W.Cip |= Name == "CIP";
        W.Ct |= Name == "CT";
        return true;
    }
    if (Name == "SUPA") {
        W.Supa = true;
        return true;
    }
    if (Name == "AC" || Name == "IC") Fail(Reason::Error, "malformed " + Short(Name));
    static constexpr Text kModes[] = {
        "SOFT",    "BRISK",   "DRIVE",   "CFC",     "CFTCP",   "CFIN",     "FFWON",    "FFWOF",
        "STOPRE",  "TRAFOOF", "DIAMON",  "DIAMOF",  "DIAM90",  "UPATH",    "SPATH",    "FNORM",
        "FLIN",    "FCUB",    "WALIMON", "WALIMOF", "COMPOF",  "COMPCAD",  "COMPCURV", "COMPON",
        "CUT2D",   "CUT2DF",  "CUT3DC",  "ORIWKS",  "ORIMKS",  "FIFOCTRL", "TOFFOF",   "CPRECON",
        "CPRECOF", "FTOCON",  "FTOCOF",  "BSPLINE", "DISPLOF", "DISPLON",  "SBLOF",    "SBLON",
        "CDON",    "CDOF",    "CDOF2",   "NORM",    "KONT",    "KONTC",    "KONTT",    "WAITM",
        "MSG",     "DRFOF"};
    if (std::find(std::begin(kModes), std::end(kModes), Name) != std::end(kModes)) {
        if (T.starts_with('(')) Parenthesized(T); // MSG("...")
        return true;
    }
    // A call: a cycle, a PROC in this file, or another program.
    const Text args = T.starts_with('(') ? Parenthesized(T) : Text();
    if (labels_.Find("PROC " + std::string(Name))) {
        // The block's moves first, then the call with its arguments.
        if (!Trim(T).empty()) Fail(Reason::Error, "a call among other words");
        Move(W);
        W = Words{};
        Call(std::string(Name), args, 1.0);
        return true;
    }
    if (SiemensCycleKind(Name) != SiemensCycle::Unknown) {
        CycleArgs a;
        Args(args, a);
        Move(W);
        W = Words{};
        Cycle(std::string(Name), a, flow_.Line());
        return true;
    }
    if (Name.starts_with("CYCLE") || Name.starts_with("POCKET") || Name.starts_with("SLOT") ||
        Name.starts_with("HOLES"))
        Fail(Reason::Cycle, std::string(Name));
    Fail(Reason::MissingProgram, std::string(Name));
}

// Arguments "a, , b" of a call: an empty one or a string is not given.
void Runner::Args(Text T, CycleArgs& Out) {
    Out = {};
    Text t = Trim(T);
    if (t.empty()) return;
    for (;;) {
        if (Out.Count == CycleArgs::kMax) Fail(Reason::Error, "too many arguments");
        const int i = Out.Count++;
        t = Trim(t);
        if (t.starts_with('"')) {
            const std::size_t close = t.find('"', 1);
            t.remove_prefix(close == Text::npos ? t.size() : close + 1);
        } else if (!t.empty() && t[0] != ',') {
            Out.Value[i] = Expr(t), Out.Given[i] = true;
        }
        t = Trim(t);
        if (t.empty()) return;
        if (t[0] != ',') Fail(Reason::Error, "malformed arguments");
        t.remove_prefix(1);
    }
}

// AC( and IC( in an axis word: read as functions, they mark the block.
// Axes are handed on as the machine runs them.
void Runner::Move(Words& W) {
    vorlund::Block& b = W.B;
    const bool axes = (b.Has & (Bit('X') | Bit('Y') | Bit('Z'))) != 0;
    if (W.Offset && b.Given('Z') && b.Of('Z') != 0.0) Fail(Reason::Offset, "G58 or G59 Z");
    if (W.NoMove || W.Offset) {
        b.Has &= ~(Bit('X') | Bit('Y') | Bit('Z'));
        if (b.GCount || b.MCount) Run(b);
        return;
    }
    if (W.Home) {
        const bool z = b.Given('Z');
        b.Has &= ~(Bit('X') | Bit('Y') | Bit('Z'));
        Run(b);
        if (z) {
            vorlund::Block up;
            up.Line = b.Line;
            up.G[up.GCount++] = 530;
            up.Has = Bit('Z');
            const int motion = machine_.Motion();
            up.G[up.GCount++] = 0;
            Run(up);
            vorlund::Block back;
            back.Line = b.Line;
            if (motion >= 0) back.G[back.GCount++] = std::uint16_t(motion);
            if (back.GCount) Run(back);
        }
        return;
    }
    if (W.Supa) b.G[b.GCount < 16 ? b.GCount++ : 15] = 530;
    // CIP, CT and AR= arcs in XY keep Z between their ends: as a line there.
    const bool special = W.Cip || W.Ct || W.Ar || (cip_ && axes);
    if (special) {
        vorlund::Block modes = b;
        modes.Has = 0;
        modes.Incremental = modes.AbsoluteAxes = 0;
        Run(modes);
        if (machine_.Plane() != 170) Fail(Reason::Error, "CIP, CT or AR= outside G17");
        if (b.Given('W')) Fail(Reason::Error, "CIP through another Z (K1=)");
        if (W.Ar && !(b.Given('X') || b.Given('Y'))) Fail(Reason::Error, "AR= without an end");
        const int motion = machine_.Motion();
        vorlund::Block line;
        line.Line = b.Line;
        line.G[line.GCount++] = 10;
        line.Has = b.Has & (Bit('X') | Bit('Y') | Bit('Z'));
        std::copy(std::begin(b.Value), std::end(b.Value), std::begin(line.Value));
        line.Incremental = b.Incremental, line.AbsoluteAxes = b.AbsoluteAxes;
        Run(line);
        vorlund::Block back;
        back.Line = b.Line;
        if (motion >= 0) back.G[back.GCount++] = std::uint16_t(motion);
        Run(back);
    } else {
        b.Has &= ~Bit('W');
        Run(b);
    }
    bool end = false;
    for (int i = 0; i < b.MCount; ++i)
        end |= b.M[i] == 2 || b.M[i] == 30 || b.M[i] == 17 || b.M[i] == 99;
    if (!mcall_.empty() && axes) Cycle(mcall_, mcallArgs_, b.Line);
    if (end) Return();
}

void Runner::Run(vorlund::Block& B) {
    machine_.Run(B);
}

// Frames: a shift or rotation in the plane changes no depth; one in Z, a
// tilt, a scale or a mirror may.
void Runner::Frame(Text Word, Text Rest) {
    const std::string name(Word);
    Text t = Trim(Rest);
    if (t.empty()) return; // back to the settable frame
    const bool shift = Word == "TRANS" || Word == "ATRANS";
    if (!shift && Word != "ROT" && Word != "AROT") Fail(Reason::Frame, name);
    while (!(t = Trim(t)).empty()) {
        const bool rpl = Take(t, "RPL");
        const char axis = rpl ? 'R' : t[0];
        if (!rpl) t.remove_prefix(1);
        t = Trim(t);
        if (t.starts_with('=')) t.remove_prefix(1);
        const double v = Expr(t);
        if (v == 0.0) continue;
        if (shift && axis == 'Z') Fail(Reason::Offset, name + " Z");
        // A rotation about Z, or in the plane of G17, keeps every depth.
        if (!shift && !(axis == 'Z' || (rpl && machine_.Plane() == 170)))
            Fail(Reason::Frame, name + " " + (rpl ? "RPL" : std::string(1, axis)));
    }
}

// MCALL cycle(...): the cycle after every later positioning; MCALL alone ends it.
void Runner::Mcall(Text Rest) {
    Text t = Trim(Rest);
    if (t.empty()) {
        mcall_.clear();
        return;
    }
    const Text name = Name(t);
    if (SiemensCycleKind(name) != SiemensCycle::Depth) {
        if (labels_.Find("PROC " + std::string(name)))
            Fail(Reason::Cycle, "MCALL " + std::string(name));
        if (SiemensCycleKind(name) == SiemensCycle::Unknown &&
            !(name.starts_with("CYCLE") || name.starts_with("POCKET") || name.starts_with("SLOT")))
            Fail(Reason::MissingProgram, std::string(name));
        Fail(Reason::Cycle, std::string(name));
    }
    t = Trim(t);
    Text args;
    if (t.starts_with('(')) {
        const std::size_t close = t.rfind(')');
        if (close == Text::npos) Fail(Reason::Error, "malformed MCALL");
        args = t.substr(1, close - 1);
    }
    Args(args, mcallArgs_); // its values are read now
    mcall_ = std::string(name);
}

// A standard cycle where the tool is: the machine's drilling cycle to its
// bottom from its retraction plane, then the motion that was in force.
void Runner::Cycle(const std::string& Name, const CycleArgs& A, std::int64_t Line) {
    const SiemensCycle kind = SiemensCycleKind(Name);
    if (kind == SiemensCycle::None) return;
    if (kind == SiemensCycle::Pattern) {
        if (!mcall_.empty()) Cycle(mcall_, mcallArgs_, Line);
        return;
    }
    if (kind == SiemensCycle::Unknown) Fail(Reason::Cycle, Name);
    const SiemensBottom bottom = SiemensBottomOf(Name, A);
    if (bottom.Why != Reason::None) Fail(bottom.Why, bottom.Text);
    if (machine_.Plane() != 170) Fail(Reason::Cycle, Name + " outside G17");
    const int motion = machine_.Motion();
    const bool absolute = machine_.AbsoluteMode();
    vorlund::Block b;
    b.Line = Line;
    b.G[b.GCount++] = G80; // a fresh cycle
    Run(b);
    b.GCount = 0;
    for (const vorlund::Code g : {G90, G99, G81})
        b.G[b.GCount++] = g;
    b.Has = Bit('R') | Bit('Z');
    b.Value['R' - 'A'] = bottom.Retract;
    b.Value['Z' - 'A'] = bottom.Bottom;
    Run(b);
    vorlund::Block back;
    back.Line = Line;
    back.G[back.GCount++] = G80;
    Run(back);
    back.GCount = 0;
    if (motion >= 0) back.G[back.GCount++] = std::uint16_t(motion);
    back.G[back.GCount++] = absolute ? G90 : G91;
    Run(back);
}

} // namespace

InterpResult InterpretSinumerik(const ProgramSource& Source, const InterpLimits& Limits) {
    return Runner(Source, Limits).Run();
}

} // namespace vorlund
