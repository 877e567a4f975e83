#include "interp/Heidenhain.h"

#include "common/Pow10.h"
#include "interp/Calls.h"
#include "interp/HeidenhainCycles.h"
#include "interp/LineReader.h"
#include "interp/Machine.h"
#include "interp/Params.h"
#include "interp/Reading.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace vorlund {

namespace {

using namespace reading;

bool IsBlank(char C) {
    return C == ' ' || C == '\t';
}

Text TrimFront(Text T) {
    while (!T.empty() && IsBlank(T.front()))
        T.remove_prefix(1);
    return T;
}

Text Trim(Text T) {
    while (!T.empty() && (IsBlank(T.front()) || T.front() == '\f'))
        T.remove_prefix(1);
    while (!T.empty() && (IsBlank(T.back()) || T.back() == '\f' || T.back() == '\x1a'))
        T.remove_suffix(1);
    return T;
}

// The next word of T up to a blank; T keeps what follows.
Text Token(Text& T) {
    while (!T.empty() && IsBlank(T.front()))
        T.remove_prefix(1);
    std::size_t i = 0;
    while (i < T.size() && !IsBlank(T[i]))
        ++i;
    const Text word = T.substr(0, i);
    T.remove_prefix(i);
    return word;
}

// Takes Word from the front of T when it stands there as a whole word.
bool Take(Text& T, Text Word) {
    T = Trim(T);
    if (!T.starts_with(Word)) return false;
    if (T.size() > Word.size() && IsUpper(T[Word.size()]) && IsUpper(Word.back())) return false;
    T.remove_prefix(Word.size());
    return true;
}

// A line's statement: without the block skip "/", the block number, the
// comment after ";" and a "~" that continues the block (or the comment) on
// the next line.
Text Statement(Text Line, bool& Continues, bool& InComment) {
    if (Line.starts_with("\xEF\xBB\xBF")) Line.remove_prefix(3);
    Line = Trim(Line);
    if (!Line.empty() && Line[0] == '/') Line = Trim(Line.substr(1));
    std::size_t i = 0;
    while (i < Line.size() && IsDigit(Line[i]))
        ++i;
    if (i > 0 && (i == Line.size() || IsBlank(Line[i]))) Line.remove_prefix(i);
    Continues = !Line.empty() && Line.back() == '~';
    InComment = false;
    if (const std::size_t c = Line.find(';'); c != Text::npos)
        Line = Line.substr(0, c);
    else if (Continues)
        Line.remove_suffix(1);
    Line = Trim(Line);
    // A comment line goes on as a comment; a block's comment, with the block.
    InComment = Continues && Line.empty();
    return Line;
}

// Q0 to Q1999, QL0 to QL499, QR0 to QR499 in one array; -1 beyond.
int QIndex(char Kind, long Number) {
    if (Number < 0) return -1;
    if (Kind == 'Q') return Number < 2000 ? int(Number) : -1;
    if (Kind == 'L') return Number < 500 ? 2000 + int(Number) : -1;
    if (Kind == 'R') return Number < 500 ? 2500 + int(Number) : -1;
    return -1;
}

std::string QName(int Index) {
    if (Index < 2000) return "Q" + std::to_string(Index);
    if (Index < 2500) return "QL" + std::to_string(Index - 2000);
    return "QR" + std::to_string(Index - 2500);
}

// A label's key: its number without leading zeros, or its name in quotes.
std::string LabelKey(Text T) {
    T = Trim(T);
    if (!T.empty() && T[0] == '"') {
        const std::size_t close = T.find('"', 1);
        return std::string(T.substr(0, close == Text::npos ? T.size() : close + 1));
    }
    std::size_t i = 0;
    while (i < T.size() && IsDigit(T[i]))
        ++i;
    if (i == 0) Fail(Reason::Error, "malformed label");
    Text digits = T.substr(0, i);
    while (digits.size() > 1 && digits[0] == '0')
        digits.remove_prefix(1);
    return std::string(digits);
}

// Adds where each LBL line stands, by its label's key: a pass's lines in turn.
Labels::Scan LblLines() {
    return [continues = false, comment = false](Text Line, const LineReader& Reader,
                                                Labels& Into) mutable {
        if (comment) {
            comment = Trim(Line).ends_with('~');
            return;
        }
        Text code = Statement(Line, continues, comment);
        if (!Take(code, "LBL")) return;
        try {
            Into.AddFirst(LabelKey(code), {Reader.Start(), Reader.Line()});
        } catch (const Doubt&) {
            return; // the run stops there if it gets there
        }
    };
}

// Runs a Klartext program line by line and hands each move to the machine.
class Runner {
public:
    Runner(const ProgramSource& Source, const InterpLimits& Limits)
        : flow_(Source, Limits), labels_(Source, LblLines()), calls_(Limits.CallDepth, "calls") {}

    InterpResult Run();

private:
    // Lines and flow.
    void Step(Text Line);
    void Dispatch(Text Code);
    const Place& Label(const std::string& Key);
    void CallLabel(Text Rest);
    void Jump(Text Key);
    void Return();

    // Values.
    int QRef(Text& T);
    double Get(int Index) const;
    double Number(Text& T);
    double Operand(Text& T);
    double Expression(Text& T, int Level = 0);
    double Factor(Text& T);
    double Primary(Text& T);
    double Function(Text Name, double Arg);
    void Assign(Text Code);
    void Fn(Text Code);
    bool Compare(Text& T);

    // Moves and cycles.
    void Move(Text Words, bool Plane, bool Polar);
    void Run(Block& B);
    void MCodes(Block& B, bool Moved);
    void ToolCall(Text Rest);
    void Up();
    void CycleDef(Text Rest);
    void FinishDef();
    void OldCycleWord(int Number, int Part, Text Rest);
    void CycleCall(Text Rest);
    void CallCycle(std::int64_t Line, const CycleValues* Surface);
    void Drill(double Bottom, double Clearance, bool Incremental, std::int64_t Line);

    Block NewBlock() const;
    Block& Fresh();

    Flow flow_;
    Machine machine_;
    Block block_;
    bool started_ = false;
    int depth_ = 0; // of parentheses in a formula

    double q_[3000] = {};
    bool set_[3000] = {};

    Labels labels_;
    CallStack<> calls_;                                   // subprograms, to LBL 0
    std::vector<std::pair<std::uint64_t, long>> repeats_; // runs left by CALL LBL … REP line
    bool continued_ = false;                              // the last line ended with "~"
    bool comment_ = false;                                // in a comment it continued
    bool skipped_ = false;                                // the line starts with "/"
    bool pattern_ = false;                                // in a PATTERN DEF block
    bool defining_ = false;                               // Q lines belong to def_
    bool tilde_ = false;                                  // and go on with "~"
    CycleValues def_;                                     // the cycle being defined
    CycleValues cycle_;                                   // the cycle a call runs
    CycleValues contour_;                                 // cycle 20's data
    bool modal_ = false;                                  // M89: a call after each move
};

InterpResult Runner::Run() {
    return flow_.Run([this] {
        Text line;
        while (!flow_.Ended()) {
            if (!flow_.Next(line)) {
                if (!calls_.Empty()) Fail(Reason::Error, "a subprogram without LBL 0");
                break;
            }
            Step(line);
        }
        if (!flow_.Ended()) FinishDef();
        return Reached(machine_);
    });
}

void Runner::Step(Text Line) {
    const bool continuation = continued_;
    if (comment_) {
        comment_ = Trim(Line).ends_with('~');
        return;
    }
    // A block the operator may skip runs, but does not end the program there.
    skipped_ = TrimFront(Line).starts_with('/');
    const Text code = Statement(Line, continued_, comment_);
    if (code.empty()) return;
    if (continuation && pattern_) return; // its points: CYCL CALL PAT is not run
    pattern_ = false;
    if (code[0] == 'Q' && code.find('=') != Text::npos) {
        // A definition written with "~" ends at its last line; one without
        // (an older control's) at the first line that is not a value.
        if (tilde_ && !continuation) FinishDef();
        Assign(code);
        return;
    }
    FinishDef();
    if (code[0] == '*' || code[0] == '(') return; // a structure line, a comment
    Dispatch(code);
}

void Runner::Dispatch(Text Code) {
    Text rest = Code;
    const Text word = Token(rest);
    if (word == "L" || word == "LN" || word == "C" || word == "CR" || word == "CT")
        return Move(rest, true, false);
    if (word == "LP" || word == "CP") return Move(rest, true, true);
    if (word == "CC") {
        Text words = rest;
        while (!words.empty()) {
            const Text w = Token(words);
            if (w.starts_with("Z") || w.starts_with("IZ"))
                Fail(Reason::Frame, "a circle about a pole in Z (CC " + std::string(w) + ")");
        }
        return;
    }
    // In the plane: roundings, chamfers, approach, departure, free contours.
    if (word == "RND" || word == "CHF" || word == "APPR" || word == "DEP" || word == "FL" ||
        word == "FLT" || word == "FC" || word == "FCT" || word == "FPOL" || word == "FSELECT")
        return Move(rest, false, true);
    if (word == "CYCL") {
        if (Take(rest, "DEF")) return CycleDef(rest);
        if (Take(rest, "CALL")) return CycleCall(rest);
    }
    if (word.starts_with("FN")) return Fn(Code.substr(2)); // "FN 0:", "FN0:"
    if (word == "LBL") {
        if (Trim(rest) == "0") Return();
        return;
    }
    if (word == "CALL") {
        if (Take(rest, "LBL")) return CallLabel(rest);
        if (Take(rest, "PGM")) Fail(Reason::MissingProgram, "CALL PGM " + std::string(Trim(rest)));
    }
    if (word == "TOOL") {
        if (Take(rest, "CALL")) return ToolCall(rest);
        if (Trim(rest).starts_with("DEF")) return;
    }
    if (word == "END" && Take(rest, "PGM")) return flow_.End();
    if (word == "BEGIN" && Take(rest, "PGM")) {
        // The first one's unit is the program's.
        if (started_) return;
        started_ = true;
        while (!rest.empty())
            if (Token(rest) == "INCH") {
                Block b = NewBlock();
                b.G[b.GCount++] = 200;
                Run(b);
            }
        return;
    }
    if (word == "STOP") return Move(rest, true, true); // its M words
    if (word == "BLK" || (word == "SEL" && Take(rest, "TABLE"))) return;
    if (word.starts_with("M") && word.size() > 1 && IsDigit(word[1])) return Move(Code, true, true);
    if (word == "TCH") Fail(Reason::Probe, "TCH PROBE");
    if (word == "PLANE") {
        if (Take(rest, "RESET")) return;
        Fail(Reason::Frame, "PLANE " + std::string(Token(rest)));
    }
    if (word == "PATTERN") {
        pattern_ = continued_;
        return;
    }
    if (word == "SEL" || word == "CALL")
        Fail(Reason::MissingProgram, std::string(Trim(Code)).substr(0, 40));
    Fail(Reason::Error, "unknown block " + std::string(word.substr(0, 20)));
}

// A Q, QL or QR parameter's index, T past its name; -1 when T holds none.
int Runner::QRef(Text& T) {
    if (T.size() < 2 || T[0] != 'Q') return -1;
    char kind = 'Q';
    std::size_t i = 1;
    if (T[1] == 'L' || T[1] == 'R') kind = T[1], i = 2;
    if (i >= T.size() || !IsDigit(T[i])) return -1;
    long n = 0;
    for (; i < T.size() && IsDigit(T[i]); ++i)
        n = std::min(n * 10 + (T[i] - '0'), 100000L);
    T.remove_prefix(i);
    const int index = QIndex(kind, n);
    if (index < 0) Fail(Reason::Error, "no parameter Q" + std::string(1, kind) + std::to_string(n));
    return index;
}

double Runner::Get(int Index) const {
    if (!set_[Index]) Fail(Reason::Unset, QName(Index));
    return q_[Index];
}

// A number, with a decimal point or comma: "12.5", "30,000", ".5". Short
// ones are a mantissa over an exact power of ten, correctly rounded.
double Runner::Number(Text& T) {
    std::uint64_t mant = 0;
    std::size_t i = 0, digits = 0, point = Text::npos;
    for (; i < T.size(); ++i) {
        const char c = T[i];
        if (IsDigit(c)) {
            mant = mant * 10 + std::uint64_t(c - '0'), ++digits;
        } else if ((c == '.' || c == ',') && point == Text::npos) {
            point = i;
        } else {
            break;
        }
    }
    if (digits == 0) Fail(Reason::Error, "malformed number");
    const std::size_t fraction = point == Text::npos ? 0 : i - point - 1;
    double v = 0.0;
    if (digits <= 15 && fraction <= 22) {
        v = double(mant) / kPow10[fraction];
    } else {
        char copy[64];
        if (i >= sizeof copy) Fail(Reason::Error, "number out of range");
        std::replace_copy(T.data(), T.data() + i, copy, ',', '.');
        const auto [end, ec] = std::from_chars(copy, copy + i, v);
        if (ec != std::errc() || end != copy + i) Fail(Reason::Error, "number out of range");
    }
    T.remove_prefix(i);
    return Checked(v);
}

// A signed number or parameter, as words and FN operands write them.
double Runner::Operand(Text& T) {
    T = TrimFront(T);
    double sign = 1.0;
    while (!T.empty() && (T[0] == '+' || T[0] == '-')) {
        if (T[0] == '-') sign = -sign;
        T = TrimFront(T.substr(1));
    }
    if (const int q = QRef(T); q >= 0) return sign * Get(q);
    return sign * Number(T);
}

// Terms joined by + and - (Level 0), or factors by * and / (Level 1), left
// to right.
double Runner::Expression(Text& T, int Level) {
    static constexpr Text kOps[] = {"+-", "*/"};
    double v = Level ? Factor(T) : Expression(T, 1);
    for (;;) {
        T = Trim(T);
        if (T.empty() || kOps[Level].find(T[0]) == Text::npos) return v;
        const char op = T[0];
        T.remove_prefix(1);
        const double w = Level ? Factor(T) : Expression(T, 1);
        if (op == '/' && w == 0.0) Fail(Reason::Error, "division by zero");
        v = Checked(op == '+' ? v + w : op == '-' ? v - w : op == '*' ? v * w : v / w);
    }
}

double Runner::Factor(Text& T) {
    T = Trim(T);
    if (!T.empty() && (T[0] == '+' || T[0] == '-')) {
        const bool minus = T[0] == '-';
        T.remove_prefix(1);
        const double v = Factor(T);
        return minus ? -v : v;
    }
    const double base = Primary(T);
    T = Trim(T);
    if (T.empty() || T[0] != '^') return base;
    T.remove_prefix(1);
    return Checked(std::pow(base, Factor(T)));
}

double Runner::Primary(Text& T) {
    T = Trim(T);
    if (T.empty()) Fail(Reason::Error, "malformed formula");
    if (T[0] == '(') {
        if (++depth_ > 64) Fail(Reason::Error, "formula nested too deep");
        T.remove_prefix(1);
        const double v = Expression(T);
        T = Trim(T);
        if (T.empty() || T[0] != ')') Fail(Reason::Error, "malformed formula");
        T.remove_prefix(1);
        --depth_;
        return v;
    }
    if (IsDigit(T[0]) || T[0] == '.') return Number(T);
    if (const int q = QRef(T); q >= 0) return Get(q);
    std::size_t i = 0;
    while (i < T.size() && IsUpper(T[i]))
        ++i;
    const Text name = T.substr(0, i);
    T.remove_prefix(i);
    if (name == "PI") return std::numbers::pi;
    if (name.empty()) Fail(Reason::Error, "malformed formula");
    if (++depth_ > 64) Fail(Reason::Error, "formula nested too deep");
    const double arg = Factor(T);
    --depth_;
    return Function(name, arg);
}

double Runner::Function(Text Name, double A) {
    if (Name == "SIN") return std::sin(Radians(A));
    if (Name == "COS") return std::cos(Radians(A));
    if (Name == "TAN") return Checked(std::tan(Radians(A)));
    if (Name == "ATAN" || Name == "ATN") return Degrees(std::atan(A));
    if (Name == "ASIN" || Name == "ACOS") {
        if (A < -1.0 || A > 1.0) Fail(Reason::Error, std::string(Name) + " of a number beyond 1");
        return Degrees(Name == "ASIN" ? std::asin(A) : std::acos(A));
    }
    if (Name == "SQ") return Checked(A * A);
    if (Name == "SQRT") {
        if (A < 0.0) Fail(Reason::Error, "square root of a negative number");
        return std::sqrt(A);
    }
    if (Name == "LN" || Name == "LOG") {
        if (A <= 0.0) Fail(Reason::Error, "logarithm of a number not above 0");
        return Name == "LN" ? std::log(A) : std::log10(A);
    }
    if (Name == "EXP") return Checked(std::exp(A));
    if (Name == "ABS") return std::fabs(A);
    if (Name == "INT") return std::trunc(A);
    if (Name == "NEG") return -A;
    if (Name == "FRAC") return A - std::trunc(A);
    if (Name == "SGN") return A > 0.0 ? 1.0 : A < 0.0 ? -1.0 : 0.0;
    Fail(Reason::Error, "unknown function " + std::string(Name.substr(0, 20)));
}

// "Q1 = formula"; in a cycle definition also the cycle's values, some of
// which may be words (AUTO, PREDEF, FMAX) that set nothing.
void Runner::Assign(Text Code) {
    Text rest = Code;
    if (rest.starts_with("QS")) return; // a string: no depth
    const int q = QRef(rest);
    rest = Trim(rest);
    if (q < 0 || rest.empty() || rest[0] != '=') Fail(Reason::Error, "malformed assignment");
    rest.remove_prefix(1);
    rest = Trim(rest);
    if (defining_ && !rest.empty() && IsUpper(rest[0]) && rest[0] != 'Q' &&
        !rest.starts_with("PI") && !rest.starts_with("SQ") && !rest.starts_with("ABS"))
        return;
    depth_ = 0;
    const double v = Expression(rest);
    if (!Trim(rest).empty()) Fail(Reason::Error, "malformed formula");
    q_[q] = v, set_[q] = true;
    if (defining_ && q < CycleValues::kCount) def_.Set(q, v);
}

// FN 0 to FN 8 and FN 13 set a parameter; FN 9 to FN 12 jump.
void Runner::Fn(Text Code) {
    Text rest = Trim(Code);
    long n = -1;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), n);
    rest.remove_prefix(std::size_t(end - rest.data()));
    if (ec != std::errc() || !Take(rest, ":")) Fail(Reason::Error, "malformed FN");
    if (n >= 9 && n <= 12) {
        if (!Take(rest, "IF")) Fail(Reason::Error, "malformed FN " + std::to_string(n));
        if (!Compare(rest)) return;
        if (!Take(rest, "GOTO") || !Take(rest, "LBL"))
            Fail(Reason::Error, "malformed FN " + std::to_string(n));
        return Jump(Trim(rest));
    }
    const std::string fn = "FN " + std::to_string(n);
    if (n == 14) Fail(Reason::Error, fn + ": the program stops with an error");
    if (n == 15 || n == 16 || n == 19 || n == 20 || n == 29 || n == 31 || n == 37) return;
    if (n == 18 || n == 26 || n == 28 || n == 38) {
        // Reads the controller's data or a table: a value the program does not set.
        const std::size_t at = rest.find('Q');
        if (at == Text::npos) return;
        Text name = rest.substr(at);
        if (const int q = QRef(name); q >= 0) set_[q] = false;
        return;
    }
    if (n == 17 || n == 27) Fail(Reason::Offset, fn + ": writes the controller's data");
    if (n < 0 || n > 13 || n == 9) Fail(Reason::Error, fn + " is not run");
    const int q = QRef(rest = Trim(rest));
    if (q < 0 || !Take(rest, "=")) Fail(Reason::Error, "malformed " + fn);
    double v = 0.0;
    if (n >= 5 && n <= 7) {
        if (!Take(rest, n == 5 ? "SQRT" : n == 6 ? "SIN" : "COS"))
            Fail(Reason::Error, "malformed " + fn);
        v = Function(n == 5 ? "SQRT" : n == 6 ? "SIN" : "COS", Operand(rest));
    } else {
        const double a = Operand(rest);
        if (n == 0) {
            v = a;
        } else {
            static constexpr Text kOps[] = {"", "+",   "-", "*", "DIV", "", "",
                                            "", "LEN", "",  "",  "",    "", "ANG"};
            if (!Take(rest, kOps[n])) Fail(Reason::Error, "malformed " + fn);
            const double b = Operand(rest);
            if (n == 4 && b == 0.0) Fail(Reason::Error, "division by zero");
            v = n == 1   ? a + b
                : n == 2 ? a - b
                : n == 3 ? a * b
                : n == 4 ? a / b
                : n == 8 ? std::hypot(a, b)
                         : Degrees(std::atan2(b, a));
        }
    }
    if (!Trim(rest).empty()) Fail(Reason::Error, "malformed " + fn);
    q_[q] = Checked(v), set_[q] = true;
}

bool Runner::Compare(Text& T) {
    const double a = Operand(T);
    const Text op = Token(T);
    const double b = Operand(T);
    if (op == "EQU") return a == b;
    if (op == "NE") return a != b;
    if (op == "GT") return a > b;
    if (op == "LT") return a < b;
    Fail(Reason::Error, "unknown comparison " + std::string(op.substr(0, 10)));
}

const Place& Runner::Label(const std::string& Key) {
    const Place* at = labels_.Find(Key);
    if (!at) Fail(Reason::Error, "no LBL " + Key.substr(0, 40));
    return *at;
}

void Runner::Jump(Text Key) {
    flow_.Go(Label(LabelKey(Key)));
}

// CALL LBL n runs the subprogram from LBL n to LBL 0; CALL LBL n REP m runs
// the lines from LBL n back up to this one m times more.
void Runner::CallLabel(Text Rest) {
    const std::string key = LabelKey(Rest);
    if (key == "0") Fail(Reason::Error, "CALL LBL 0");
    const Place& to = Label(key);
    const std::size_t rep = Rest.find("REP");
    if (rep == Text::npos) {
        calls_.Call(flow_, to, 1, 0);
        return;
    }
    Text count = Rest.substr(rep + 3);
    const double times = Operand(count);
    const std::uint64_t here = flow_.Here().Offset;
    if (to.Offset >= here) Fail(Reason::Error, "CALL LBL " + key + " REP to a later label");
    auto it = std::find_if(repeats_.begin(), repeats_.end(),
                           [&](const auto& R) { return R.first == here; });
    if (it == repeats_.end()) {
        if (times < 1.0) return;
        repeats_.emplace_back(here, long(std::min(times, 1e9)));
        it = repeats_.end() - 1;
    }
    if (it->second-- > 0) {
        flow_.Go(to);
        return;
    }
    repeats_.erase(it);
}

void Runner::Return() {
    if (!calls_.Empty()) calls_.Return(flow_); // the main program runs on through its end
}

Block Runner::NewBlock() const {
    Block b;
    b.Line = flow_.Line();
    return b;
}

// The block a move fills: the machine reads only the letters given, so the
// values of the last one may stay.
Block& Runner::Fresh() {
    block_.Line = flow_.Line();
    block_.Has = 0;
    block_.GCount = block_.MCount = 0;
    block_.Incremental = 0;
    return block_;
}

void Runner::Run(Block& B) {
    machine_.Run(B);
}

// A positioning block: its axis words, then its M functions. Polar moves and
// arcs in the plane end where only their Z word tells.
void Runner::Move(Text Words, bool Plane, bool Polar) {
    Block& b = Fresh();
    b.G[b.GCount++] = 10;
    while (!Words.empty()) {
        Text w = Token(Words);
        if (w.empty() || w[0] == '(') break;
        const bool inc = w.size() > 1 && w[0] == 'I' && (w[1] == 'X' || w[1] == 'Y' || w[1] == 'Z');
        if (inc) w.remove_prefix(1);
        const char letter = w[0];
        if (letter == 'M' && w.size() > 1 && IsDigit(w[1])) {
            w.remove_prefix(1);
            long m = 0;
            std::from_chars(w.data(), w.data() + w.size(), m);
            if (b.MCount < 8) b.M[b.MCount++] = std::uint16_t(std::min(m, 9999L));
            continue;
        }
        const bool axis = letter == 'X' || letter == 'Y' || letter == 'Z';
        const bool other = letter == 'A' || letter == 'B' || letter == 'W';
        if (w.size() < 2 || (!axis && !other) || IsUpper(w[1])) continue;
        w.remove_prefix(1);
        const double v = Operand(w);
        if (!w.empty()) Fail(Reason::Error, "malformed word " + std::string(1, letter));
        if (other) {
            if (v != 0.0 && Plane) Fail(Reason::Frame, std::string(1, letter) + " axis");
            continue;
        }
        if (Polar && letter != 'Z') continue;
        b.Has |= Bit(letter);
        b.Value[letter - 'A'] = v;
        if (inc) b.Incremental |= std::uint8_t(1u << (letter - 'X'));
    }
    MCodes(b, (b.Has & (Bit('X') | Bit('Y') | Bit('Z'))) != 0);
}

// M91, M92: machine coordinates; M140: up the tool axis; M89, M99: cycle
// calls; M2, M30: the end. Others change nothing the depth depends on.
void Runner::MCodes(Block& B, bool Moved) {
    bool machine = false, retract = false, call = false;
    for (int i = 0; i < B.MCount; ++i) {
        const int m = B.M[i];
        machine |= m == 91 || m == 92;
        retract |= m == 140;
        call |= m == 99 || m == 89;
        if (m == 89) modal_ = true;
        if (m == 99) modal_ = false;
        if ((m == 2 || m == 30) && !skipped_) flow_.End();
    }
    B.MCount = 0;
    if (machine) {
        if (B.Given('Z') && !(B.Incremental & 4u) && B.Of('Z') < 0.0)
            Fail(Reason::Machine, "M91 or M92 with Z below 0");
        if (B.Incremental) Fail(Reason::Error, "M91 or M92 with an incremental word");
        B.G[B.GCount++] = 530;
    }
    if (Moved) Run(B);
    if (retract) Up();
    if (call || (modal_ && Moved)) CallCycle(B.Line, nullptr);
}

// TOOL CALL n Z: the tool axis is Z; the tool change leaves Z unknown.
void Runner::ToolCall(Text Rest) {
    Text words = Rest;
    Text w = Token(words);
    if (!(w.size() == 1 && IsUpper(w[0]))) w = Token(words);
    if (w.size() == 1 && w != "Z" && (w[0] >= 'U' && w[0] <= 'Y'))
        Fail(Reason::Frame, "TOOL CALL " + std::string(w));
    // A shorter tool (DL below 0) cuts deeper than the words say.
    for (Text t = w; !t.empty(); t = Token(words)) {
        if (!t.starts_with("DL")) continue;
        t.remove_prefix(2);
        if (Operand(t) < 0.0) Fail(Reason::Offset, "TOOL CALL DL below 0");
    }
    Up();
}

// Up the tool axis to where the machine says: Z is above the part, unknown.
void Runner::Up() {
    Block up = NewBlock();
    up.G[up.GCount++] = 900;
    up.G[up.GCount++] = 530;
    up.G[up.GCount++] = 0;
    up.Has = Bit('Z');
    Run(up);
}

void Runner::CycleDef(Text Rest) {
    Text words = Trim(Rest);
    long number = -1, part = 0;
    const auto [end, ec] = std::from_chars(words.data(), words.data() + words.size(), number);
    if (ec != std::errc()) Fail(Reason::Error, "malformed CYCL DEF");
    words.remove_prefix(std::size_t(end - words.data()));
    if (!words.empty() && words[0] == '.') {
        words.remove_prefix(1);
        const auto read = std::from_chars(words.data(), words.data() + words.size(), part);
        words.remove_prefix(std::size_t(read.ptr - words.data()));
    }
    const int n = int(std::min(number, 100000L));
    if (part > 0) return OldCycleWord(n, int(part), words);
    const CycleKind kind = KindOf(n);
    const std::string name = "CYCL DEF " + std::to_string(n);
    if (kind == CycleKind::Unknown) Fail(Reason::Cycle, name);
    if (kind == CycleKind::Program) Fail(Reason::MissingProgram, name);
    def_.Start(n, flow_.Line());
    defining_ = true;
    tilde_ = continued_;
}

// The definition ends at the first line after it that sets no value.
void Runner::FinishDef() {
    if (!defining_) return;
    defining_ = false;
    switch (KindOf(def_.Number)) {
    case CycleKind::Contour:
        contour_ = def_;
        return;
    case CycleKind::Pattern:
        return CallCycle(def_.Line, &def_);
    case CycleKind::Hole:
    case CycleKind::Face:
    case CycleKind::ContourMill:
    case CycleKind::Train:
    case CycleKind::Old:
        cycle_ = def_;
        return;
    default:
        return;
    }
}

// The numbered lines of the old cycles: "CYCL DEF 1.1 SET UP 2".
void Runner::OldCycleWord(int Number, int Part, Text Rest) {
    const std::string name = "CYCL DEF " + std::to_string(Number);
    // The value: the first word that starts with a sign, a digit or Q.
    const auto value = [&](Text T) {
        while (!T.empty()) {
            Text w = Token(T);
            if (!w.empty() && (w[0] == '+' || w[0] == '-' || IsDigit(w[0]) || w[0] == 'Q'))
                return Operand(w);
        }
        Fail(Reason::Error, name + "." + std::to_string(Part) + " without a value");
    };
    switch (KindOf(Number)) {
    case CycleKind::Old:
        if (cycle_.Number != Number)
            Fail(Reason::Error, name + "." + std::to_string(Part) + " without " + name + ".0");
        if (Part == 1) cycle_.Set(CycleValues::kSetUp, std::fabs(value(Rest)));
        if (Part == 2) cycle_.Set(CycleValues::kDepth, value(Rest));
        return;
    case CycleKind::Datum:
        // A shift in the plane changes no depth; one in Z, or from a table, may.
        for (Text w = Token(Rest); !w.empty(); w = Token(Rest)) {
            if (w[0] == '#') Fail(Reason::Offset, name + " " + std::string(w.substr(0, 12)));
            const bool z = w[0] == 'Z' || w.starts_with("IZ");
            w.remove_prefix(w[0] == 'I' ? 2 : 1);
            if (z && Operand(w) != 0.0) Fail(Reason::Offset, name + " Z");
        }
        return;
    case CycleKind::Mirror:
        for (Text w = Token(Rest); !w.empty(); w = Token(Rest))
            if (w == "Z") Fail(Reason::Frame, name + " Z");
        return;
    case CycleKind::Scale:
        if (value(Rest) != 1.0) Fail(Reason::Frame, name);
        return;
    case CycleKind::AxisScale:
        for (Text w = Token(Rest); !w.empty(); w = Token(Rest)) {
            if (w[0] != 'Z') continue;
            w.remove_prefix(1);
            if (Operand(w) != 1.0) Fail(Reason::Frame, name + " Z");
        }
        return;
    case CycleKind::Tilt:
        for (Text w = Token(Rest); !w.empty(); w = Token(Rest)) {
            const bool tilt = w[0] == 'A' || w[0] == 'B';
            w.remove_prefix(1);
            if (tilt && Operand(w) != 0.0) Fail(Reason::Frame, name);
        }
        return;
    case CycleKind::Unknown:
        Fail(Reason::Cycle, name);
    case CycleKind::Program:
        Fail(Reason::MissingProgram, name);
    default:
        return;
    }
}

// CYCL CALL, CYCL CALL POS X Y (Z: a surface the cycle's own does not say),
// CYCL CALL PAT (a pattern's points and surfaces: not run).
void Runner::CycleCall(Text Rest) {
    if (Take(Rest, "PAT")) Fail(Reason::Cycle, "CYCL CALL PAT");
    const bool pos = Take(Rest, "POS");
    for (Text w = Token(Rest); !w.empty(); w = Token(Rest)) {
        if (w[0] == '(') break;
        if (w.starts_with("Z") && pos) {
            w.remove_prefix(1);
            if (Operand(w) != 0.0) Fail(Reason::Cycle, "CYCL CALL POS Z");
        }
        if (w[0] == 'M' && w.size() > 1 && IsDigit(w[1])) {
            long m = 0;
            std::from_chars(w.data() + 1, w.data() + w.size(), m);
            if ((m == 2 || m == 30) && !skipped_) flow_.End();
        }
    }
    CallCycle(flow_.Line(), nullptr);
}

// Runs the cycle defined last where the tool is; a pattern's Q203 is the
// surface of each of its holes.
void Runner::CallCycle(std::int64_t Line, const CycleValues* Surface) {
    const CycleKind kind = KindOf(cycle_.Number);
    if (cycle_.Number < 0) Fail(Reason::Error, "a cycle call without a cycle");
    if (kind == CycleKind::Old) {
        if (Surface) Fail(Reason::Cycle, "a pattern of " + cycle_.Name());
        const double depth = cycle_.Get(CycleValues::kDepth);
        if (depth > 0.0) Fail(Reason::Error, cycle_.Name() + ": a depth above the surface");
        if (depth == 0.0) return;
        return Drill(depth, -cycle_.Get(CycleValues::kSetUp), true, Line);
    }
    const CycleBottom bottom = BottomOf(cycle_, contour_, Surface);
    if (bottom.Why != Reason::None) Fail(bottom.Why, bottom.Text);
    if (bottom.Skip) return;
    Drill(bottom.Bottom, bottom.Clearance, false, Line);
}

// The machine's drilling cycle to Bottom from the clearance plane:
// absolute, or from where the tool is (the old cycles).
void Runner::Drill(double Bottom, double Clearance, bool Incremental, std::int64_t Line) {
    Block b;
    b.Line = Line;
    b.G[b.GCount++] = G80; // a fresh cycle
    Run(b);
    b.GCount = 0;
    b.G[b.GCount++] = Incremental ? G91 : G90;
    b.G[b.GCount++] = Incremental ? G98 : G99;
    b.G[b.GCount++] = G81;
    b.Has = Bit('R') | Bit('Z');
    b.Value['R' - 'A'] = Clearance;
    b.Value['Z' - 'A'] = Bottom;
    Run(b);
    // Words are absolute unless marked.
    Block& absolute = Fresh();
    absolute.G[absolute.GCount++] = G90;
    Run(absolute);
}

} // namespace

InterpResult InterpretHeidenhain(const ProgramSource& Source, const InterpLimits& Limits) {
    return Runner(Source, Limits).Run();
}

} // namespace vorlund
