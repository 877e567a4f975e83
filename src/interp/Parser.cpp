#include "interp/Parser.h"

#include "common/OWords.h"
#include "common/Pow10.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <utility>

namespace vorlund {

namespace {

constexpr int kMaxNesting = 64;
constexpr double kDegree = std::numbers::pi / 180.0;

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

bool IsLetter(char C) {
    return C >= 'a' && C <= 'z';
}

std::string Upper(std::string_view Text) {
    std::string upper(Text);
    for (char& c : upper)
        if (IsLetter(c)) c = char(c - 32);
    return upper;
}

// Digits with at most one ".", correctly rounded; nothing read when no digit.
bool ReadNumber(const char*& P, double& Value) {
    const char* p = P;
    std::uint64_t mant = 0; // wraps past 19 digits: then from_chars reads it
    while (IsDigit(*p))
        mant = mant * 10 + std::uint64_t(*p++ - '0');
    const auto whole = p - P;
    long fraction = 0;
    if (*p == '.') {
        const char* first = ++p;
        while (IsDigit(*p))
            mant = mant * 10 + std::uint64_t(*p++ - '0');
        fraction = p - first;
    }
    if (whole + fraction == 0) return false;
    if (whole + fraction <= 19 && mant < (std::uint64_t(1) << 53) && fraction <= 22) {
        Value = double(mant) / kPow10[fraction];
    } else {
        const auto [end, ec] = std::from_chars(P, p, Value, std::chars_format::fixed);
        if (ec != std::errc() || end != p) Fail(Reason::Error, "number out of range");
    }
    P = p;
    return true;
}

// What Code makes of each byte: 0 dropped (blanks and control bytes), 1 a
// comment's start, else the byte, letters in lower case; NUL becomes a byte
// no word takes.
constexpr auto kCodeOf = [] {
    std::array<unsigned char, 256> map{};
    for (int c = 0; c < 256; ++c)
        map[std::size_t(c)] = (c >= 'A' && c <= 'Z') ? (unsigned char)(c + 32) : (unsigned char)c;
    for (int c = 1; c < ' '; ++c)
        map[std::size_t(c)] = 0; // tabs, form feeds, a DOS end of file
    map[0x7f] = map[' '] = 0;
    map['('] = map[';'] = 1;
    map[0] = 0xff;
    return map;
}();

// NaN is a value the run cannot know: it passes through, only infinity fails.
double Checked(double Value, const char* What) {
    if (std::isinf(Value)) Fail(Reason::Error, What);
    return Value;
}

// An unknown operand gives an unknown result, unless the other settles it.
double Unknown(char Op, double A, double B) {
    if (Op == '&' && (A == 0.0 || B == 0.0)) return 0.0;
    if (Op == '|' && ((A == A && A != 0.0) || (B == B && B != 0.0))) return 1.0;
    return A != A ? A : B;
}

double Binary(char Op, double A, double B) {
    // Vacant equals only vacant; elsewhere it counts as 0.
    const bool vacantA = Params::IsVacant(A), vacantB = Params::IsVacant(B);
    if ((Op == '=' || Op == '!') && (vacantA || vacantB))
        return (vacantA == vacantB) == (Op == '=');
    if (vacantA) A = 0.0;
    if (vacantB) B = 0.0;
    if (A != A || B != B) [[unlikely]]
        return Unknown(Op, A, B);
    switch (Op) {
    case '+':
        return A + B;
    case '-':
        return A - B;
    case '*':
        return A * B;
    case '/':
        if (B == 0.0) Fail(Reason::Error, "division by zero");
        return A / B;
    case '%': {
        if (B == 0.0) Fail(Reason::Error, "division by zero");
        const double r = std::fmod(A, B);
        return r < 0.0 ? r + std::fabs(B) : r;
    }
    case '^':
        if (A < 0.0 && B != std::floor(B))
            Fail(Reason::Error, "a negative number to a fractional power");
        if (A == 0.0 && B < 0.0) Fail(Reason::Error, "division by zero");
        return Checked(std::pow(A, B), "number out of range");
    case '=':
        return std::fabs(A - B) < 1e-4;
    case '!':
        return std::fabs(A - B) >= 1e-4;
    case '>':
        return A > B;
    case 'g':
        return A >= B;
    case '<':
        return A < B;
    case 'l':
        return A <= B;
    case '&':
        return A != 0.0 && B != 0.0;
    case '|':
        return A != 0.0 || B != 0.0;
    case 'x':
        return (A != 0.0) != (B != 0.0);
    }
    return 0.0;
}

// The binary operator at P: its code, length and precedence (1 lowest).
bool Operator(const char* P, char& Op, int& Length, int& Level) {
    struct Entry {
        const char* text;
        char op;
        int level;
    };
    static constexpr Entry kOps[] = {
        {"**", '^', 5}, {"*", '*', 4},  {"/", '/', 4},   {"mod", '%', 4}, {"+", '+', 3},
        {"-", '-', 3},  {"eq", '=', 2}, {"ne", '!', 2},  {"gt", '>', 2},  {"ge", 'g', 2},
        {"lt", '<', 2}, {"le", 'l', 2}, {"and", '&', 1}, {"or", '|', 1},  {"xor", 'x', 1},
    };
    for (const Entry& e : kOps) {
        int n = 0;
        while (e.text[n] && P[n] == e.text[n])
            ++n;
        if (e.text[n]) continue;
        Op = e.op, Length = n, Level = e.level;
        return true;
    }
    return false;
}

// Each o-word keyword and what it does.
constexpr std::pair<std::string_view, Keyword> kKeywords[] = {
    {"sub", Keyword::Sub},
    {"endsub", Keyword::Endsub},
    {"call", Keyword::Call},
    {"return", Keyword::Return},
    {"if", Keyword::If},
    {"elseif", Keyword::Elseif},
    {"else", Keyword::Else},
    {"endif", Keyword::Endif},
    {"while", Keyword::While},
    {"endwhile", Keyword::Endwhile},
    {"do", Keyword::Do},
    {"repeat", Keyword::Repeat},
    {"endrepeat", Keyword::Endrepeat},
    {"break", Keyword::Break},
    {"continue", Keyword::Continue},
};

// The scan hands the run the lines of exactly the keywords the run knows.
constexpr bool ScanKnowsTheKeywords() {
    const auto known = [](std::string_view Word) {
        return std::ranges::find(kKeywords, Word, &std::pair<std::string_view, Keyword>::first) !=
               std::end(kKeywords);
    };
    return std::size(kOKeywords) == std::size(kKeywords) && std::ranges::all_of(kOKeywords, known);
}
static_assert(ScanKnowsTheKeywords());

Keyword KeywordOf(std::string_view Text) {
    if (Text.empty()) return Keyword::Label;
    for (const auto& [word, keyword] : kKeywords)
        if (word[0] == Text[0] && word == Text) return keyword;
    return Keyword::Unknown;
}

// Fanuc's BIN (binary-coded decimal to binary) and BCD (the other way).
double Bcd(double Value, bool ToBinary) {
    if (Value < 0.0 || Value >= 1e9 || Value != std::floor(Value))
        Fail(Reason::Error, ToBinary ? "BIN of a number that is no BCD" : "BCD out of range");
    auto v = static_cast<std::uint64_t>(Value);
    const std::uint64_t from = ToBinary ? 16 : 10, to = ToBinary ? 10 : 16;
    std::uint64_t result = 0;
    for (std::uint64_t place = 1; v; v /= from, place *= to) {
        if (v % from > 9) Fail(Reason::Error, "BIN of a number that is no BCD");
        result += v % from * place;
    }
    return double(result);
}

double Zeroed(double Value) {
    return Params::IsVacant(Value) ? 0.0 : Value;
}

void Expect(const char*& P, char C) {
    if (*P != C) Fail(Reason::Error, "malformed expression");
    ++P;
}

} // namespace

std::string_view Parser::Code(std::string_view Line) {
    depth_ = 0;
    if (code_.size() < Line.size() + 1) code_.resize(Line.size() + 1);
    char* out = code_.data();
    const char* p = Line.data();
    const char* end = p + Line.size();
    for (; p < end; ++p) {
        const unsigned char c = kCodeOf[static_cast<unsigned char>(*p)];
        if (c > 1) {
            *out++ = char(c);
        } else if (c == 1) {
            if (*p == ';') break;
            while (p + 1 < end && *++p != ')') {
            }
        }
    }
    *out = '\0';
    const char* code = code_.data();
    if (*code == '/') // block delete, maybe with a switch number: run anyway
        for (++code; IsDigit(*code); ++code) {
        }
    if (*code == 'n')
        for (++code; IsDigit(*code) || *code == '.'; ++code) {
        }
    return std::string_view(code, std::size_t(out - code));
}

bool Parser::ReadOWord(std::string_view Code, OWord& Word) {
    const char* p = Code.data();
    if (*p++ != 'o') return false;
    const char* name = p;
    if (*p == '<') {
        while (*p && *p != '>')
            ++p;
        if (!*p) Fail(Reason::Error, "o-word name without >");
        Word.Name = std::string_view(name, std::size_t(++p - name));
    } else {
        while (*p == '0' && IsDigit(p[1]))
            ++name, ++p;
        while (IsDigit(*p))
            ++p;
        if (p == name) return false;
        Word.Name = std::string_view(name, std::size_t(p - name));
    }
    ReadKeyword(p, Word);
    if (Word.Word == Keyword::Label && Word.Name[0] == '<') Word.Word = Keyword::Unknown;
    return true;
}

void Parser::ReadKeyword(const char* P, OWord& Word) {
    const char* word = P;
    while (IsLetter(*P))
        ++P;
    Word.Rest = P;
    Word.Word = KeywordOf(std::string_view(word, std::size_t(P - word)));
}

bool Parser::ReadComputedOWord(std::string_view Code, OWord& Word) {
    if (Code.size() < 2 || Code[0] != 'o' || (Code[1] != '[' && Code[1] != '#')) return false;
    const char* p = Code.data() + 1;
    const double value = Real(p);
    if (value != value) params_.FailUnknown();
    if (!(value >= 0.0 && value < 1e9) || value != std::floor(value))
        Fail(Reason::Error, "o-word number " + std::to_string(value));
    oname_ = std::to_string(long(value));
    Word.Name = oname_;
    ReadKeyword(p, Word);
    return true;
}

bool Parser::ReadMacro(std::string_view Code, Macro& Word) {
    struct Entry {
        std::string_view text;
        MacroWord word;
        bool id; // a loop number follows
    };
    static constexpr Entry kWords[] = {{"goto", MacroWord::Goto, false},
                                       {"if[", MacroWord::If, false},
                                       {"while[", MacroWord::While, false},
                                       {"do", MacroWord::Do, true},
                                       {"end", MacroWord::End, true}};
    if (!MaybeMacro(Code)) return false;
    for (const Entry& e : kWords) {
        if (Code[0] != e.text[0] || !Code.starts_with(e.text)) continue;
        const char* p = Code.data() + e.text.size() - (e.text.back() == '[');
        if (e.id) {
            if (!IsDigit(*p)) return false;
            Word.Id = *p++ - '0';
            if (IsDigit(*p) || Word.Id < 1 || Word.Id > 3)
                Fail(Reason::Error, "loop number " + Upper(e.text) + std::string(1, p[-1]));
        }
        Word.Word = e.word;
        Word.Rest = p;
        return true;
    }
    return false;
}

void Parser::End(const char* P) {
    if (*P) Fail(Reason::Error, "unexpected " + Upper(std::string_view(P).substr(0, 8)));
}

void Parser::Words(std::string_view Code, Block& Given) {
    struct Setting { // trivial: the array costs nothing on a line without settings
        int number;
        const char* name;
        std::size_t length;
        double value;
    };
    Setting settings[32];
    int count = 0;
    const char* p = Code.data();
    while (*p) {
        const char c = *p++;
        if (c == '#') {
            if (count == 32) Fail(Reason::Error, "too many parameters set on one line");
            Setting& s = settings[count++];
            s.number = 0;
            s.length = 0;
            if (*p == '<') {
                const std::string_view name = Name(p);
                s.name = name.data(), s.length = name.size();
            } else {
                s.number = Number(p);
            }
            Expect(p, '=');
            s.value = Expression(p, 1); // Fanuc: #1=#1+1, no brackets needed
            continue;
        }
        if (c == '$' || c == '@' || c == '^') {
            // A spindle's number; polar X and Y, which the machine forgets.
            Real(p);
            Given.Has |= c == '$' ? 0u : Block::kPolar;
            continue;
        }
        if (!IsLetter(c) || c == 'o')
            Fail(Reason::Error, "unknown word " + Upper(std::string_view(p - 1, 1)));
        const double value = Real(p);
        if (Params::IsVacant(value)) continue; // a vacant word is left out
        // Feeds, speeds and tool numbers cannot move the tool deeper.
        if (value != value && c != 'f' && c != 's' && c != 't' && c != 'h' && c != 'd') [[unlikely]]
            params_.FailUnknown();
        if (c == 'g' || c == 'm') {
            const bool g = c == 'g';
            if (!(value >= 0.0 && value < 1000.0))
                Fail(Reason::Error, "unknown word " + Upper(std::string_view(&c, 1)));
            const long tenths = long(value * 10.0 + 0.5);
            if (std::fabs(double(tenths) - value * 10.0) > 1e-3 || (!g && tenths % 10 != 0))
                Fail(Reason::Error, "unknown word " + Upper(std::string_view(&c, 1)));
            if (g) {
                if (Given.GCount == 16) Fail(Reason::Error, "too many G words on one line");
                Given.G[Given.GCount++] = std::uint16_t(tenths);
            } else {
                if (Given.MCount == 8) Fail(Reason::Error, "too many M words on one line");
                Given.M[Given.MCount++] = std::uint16_t(tenths / 10);
            }
            Given.Has |= 1u << (c - 'a');
            continue;
        }
        if (c == 'n') continue;
        const std::uint32_t bit = 1u << (c - 'a');
        if (Given.Has & bit)
            Fail(Reason::Error, "two " + Upper(std::string_view(&c, 1)) + " words");
        Given.Has |= bit;
        Given.Value[c - 'a'] = value;
    }
    for (int i = 0; i < count; ++i)
        settings[i].length ? params_.Set({settings[i].name, settings[i].length}, settings[i].value)
                           : params_.Set(settings[i].number, settings[i].value);
}

double Parser::Real(const char*& P) {
    double value = 0.0;
    const bool minus = *P == '-';
    const char* number = P + minus;
    if (ReadNumber(number, value)) {
        P = number;
        return minus ? -value : value;
    }
    if (++depth_ > kMaxNesting) Fail(Reason::Error, "expression nested too deep");
    bool negative = false;
    for (; *P == '-' || *P == '+'; ++P)
        negative ^= *P == '-';
    if (*P == '[') {
        ++P;
        value = Expression(P, 1);
        Expect(P, ']');
    } else if (*P == '#') {
        ++P;
        value = Parameter(P);
    } else if (IsLetter(*P)) {
        value = Function(P);
    } else if (!ReadNumber(P, value)) {
        Fail(Reason::Error, *P ? "malformed expression" : "a word without a value");
    }
    --depth_;
    return negative ? -value : value;
}

double Parser::Expression(const char*& P, int Level) {
    double value = Real(P);
    char op;
    int length, level;
    while (Operator(P, op, length, level) && level >= Level) {
        P += length;
        value = Checked(Binary(op, value, Expression(P, level + 1)), "number out of range");
    }
    return value;
}

double Parser::Function(const char*& P) {
    const char* start = P;
    while (IsLetter(*P))
        ++P;
    const std::string_view name(start, std::size_t(P - start));
    Expect(P, '[');
    if (name == "exists") {
        Expect(P, '#');
        if (*P != '<') { // a number: whether there is such a parameter
            const double n = Real(P);
            Expect(P, ']');
            return n != n ? n : n >= 1.0 && n < Params::kCount && n == std::floor(n);
        }
        const std::string_view what = Name(P);
        Expect(P, ']');
        return params_.Exists(what);
    }
    const double a = Zeroed(Expression(P, 1));
    if (*P == ',' && (name == "atan" || name == "pow")) { // Fanuc's ATAN[a,b], POW[a,b]
        ++P;
        const double b = Zeroed(Expression(P, 1));
        Expect(P, ']');
        return name == "atan" ? std::atan2(a, b) / kDegree : Binary('^', a, b);
    }
    Expect(P, ']');
    if (name == "atan") {
        Expect(P, '/');
        Expect(P, '[');
        const double b = Zeroed(Expression(P, 1));
        Expect(P, ']');
        return std::atan2(a, b) / kDegree;
    }
    if (name == "bin" || name == "bcd") return Bcd(a, name == "bin");
    if (name == "abs") return std::fabs(a);
    if (name == "sin") return std::sin(a * kDegree);
    if (name == "cos") return std::cos(a * kDegree);
    if (name == "tan") return Checked(std::tan(a * kDegree), "number out of range");
    if (name == "fix") return std::floor(a);
    if (name == "fup") return std::ceil(a);
    if (name == "round") return std::round(a);
    if (name == "exp") return Checked(std::exp(a), "number out of range");
    if (name == "asin" || name == "acos") {
        if (a < -1.0 || a > 1.0) Fail(Reason::Error, Upper(name) + " of a number beyond 1");
        return (name == "asin" ? std::asin(a) : std::acos(a)) / kDegree;
    }
    if (name == "sqrt") {
        if (a < 0.0) Fail(Reason::Error, "square root of a negative number");
        return std::sqrt(a);
    }
    if (name == "ln") {
        if (a <= 0.0) Fail(Reason::Error, "logarithm of a number not above zero");
        return std::log(a);
    }
    Fail(Reason::Error, "unknown function " + Upper(name));
}

double Parser::Parameter(const char*& P) {
    if (*P == '<') return params_.Get(Name(P));
    return params_.Get(Number(P));
}

int Parser::Number(const char*& P) {
    const double value = Zeroed(Real(P));
    if (value != value) params_.FailUnknown();
    const double whole = std::round(value);
    if (std::fabs(value - whole) > 1e-4 || whole < 0 || whole >= Params::kCount)
        Fail(Reason::Error, "no parameter #" + std::to_string(value));
    return int(whole);
}

// "<name>" at P, without the brackets.
std::string_view Parser::Name(const char*& P) {
    Expect(P, '<');
    const char* start = P;
    while (*P && *P != '>')
        ++P;
    const std::string_view name(start, std::size_t(P - start));
    Expect(P, '>');
    if (name.empty()) Fail(Reason::Error, "a parameter without a name");
    return name;
}

} // namespace vorlund
