#pragma once

#include "interp/Block.h"
#include "interp/Params.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlund {

// What an o-word line does.
enum class Keyword : std::uint8_t {
    Label, // a bare "O1234": a program number
    Sub,
    Endsub,
    Call,
    Return,
    If,
    Elseif,
    Else,
    Endif,
    While,
    Endwhile,
    Do,
    Repeat,
    Endrepeat,
    Break,
    Continue,
    Unknown,
};

struct OWord {
    std::string_view Name; // digits without leading zeros, or "<name>"
    Keyword Word = Keyword::Unknown;
    const char* Rest = nullptr; // the code after the keyword
};

// A Fanuc macro statement: GOTO n, IF [..] GOTO n, IF [..] THEN .., WHILE
// [..] DOm, DOm, ENDm.
enum class MacroWord : std::uint8_t { Goto, If, While, Do, End };

struct Macro {
    MacroWord Word = MacroWord::Goto;
    const char* Rest = nullptr; // the code after the keyword
    int Id = 0;                 // m of DOm and ENDm
};

// Reads one line's code: words, parameters and expressions in [ ], as
// RS274NGC writes them. Letters in either case, spaces anywhere.
class Parser {
public:
    explicit Parser(Params& Values) : params_(Values) {}

    // The line's code: spaces, comments, the block delete "/" and the N word
    // removed, letters in lower case; ends with a '\0'.
    std::string_view Code(std::string_view Line);
    // Whether Code is an o-word line, and which.
    static bool ReadOWord(std::string_view Code, OWord& Word);
    // Whether Code is a Fanuc macro statement, and which.
    static bool ReadMacro(std::string_view Code, Macro& Word);
    // False for most lines that are none: those that start with G and a digit.
    static bool MaybeMacro(std::string_view Code) {
        return Code.size() >= 2 && (Code[0] != 'g' || Code[1] == 'o');
    }
    // Reads Code's words into Given; its parameter settings take effect after.
    void Words(std::string_view Code, Block& Given);
    // A value: a number, a parameter, [expression] or a function, signed.
    double Real(const char*& P);
    // Values joined by operators, as after a Fanuc IF: [#1 EQ 1] AND [#2 GT 0].
    double Expression(const char*& P) { return Expression(P, 1); }
    // The end of the code, or an error at what is left.
    static void End(const char* P);

private:
    double Expression(const char*& P, int Level);
    double Function(const char*& P);
    double Parameter(const char*& P);
    int Number(const char*& P);
    std::string_view Name(const char*& P);

    Params& params_;
    std::string code_;
    int depth_ = 0;
};

} // namespace vorlund
