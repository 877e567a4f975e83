#include "interp/Dialect.h"

#include "interp/LineReader.h"

#include <string_view>

namespace vorlund {

namespace {

// The line without blanks, a block number and a UTF-8 byte order mark.
std::string_view Code(std::string_view Line) {
    if (Line.starts_with("\xEF\xBB\xBF")) Line.remove_prefix(3);
    const auto skip = [&](std::string_view Set) {
        const std::size_t i = Line.find_first_not_of(Set);
        Line.remove_prefix(i == Line.npos ? Line.size() : i);
    };
    skip(" \t");
    skip("0123456789");
    skip(" \t");
    return Line;
}

bool IsComment(std::string_view Code) {
    return Code.empty() || Code[0] == ';' || Code[0] == '(' || Code == "%";
}

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

// After Word, blanks and then C.
bool Then(std::string_view Code, std::string_view Word, char C) {
    if (!Code.starts_with(Word)) return false;
    const std::size_t i = Code.find_first_not_of(" \t", Word.size());
    return i != Code.npos && Code[i] == C;
}

// A Sinumerik word at a code line's start, or a standard cycle's call in it.
bool IsSinumerik(std::string_view Code) {
    static constexpr std::string_view kHeads[] = {
        "DEF REAL ",  "DEF INT ", "DEF BOOL ", "DEF STRING", "DEF CHAR ", "DEF AXIS ",
        "DEF FRAME ", "PROC ",    "GOTOF ",    "GOTOB ",     "MCALL",     "EXTCALL",
        "ENDIF",      "ENDWHILE", "ENDFOR",    "ENDLOOP",    "STOPRE",    "%_N_",
        "POCKET",     "SLOT1(",   "SLOT2(",    "LONGHOLE(",  "EXTERN "};
    for (std::string_view head : kHeads)
        if (Code.starts_with(head)) return true;
    if (Then(Code, "MSG", '(')) return true;
    // Fanuc writes IF [ and WHILE [, RS274NGC o-words.
    if ((Code.starts_with("IF ") || Code.starts_with("WHILE ")) && Code.find('[') == Code.npos &&
        Code.find('#') == Code.npos)
        return true;
    if (Code.size() > 2 && Code[0] == 'R' && IsDigit(Code[1])) {
        const std::size_t i = Code.find_first_not_of("0123456789", 1);
        if (i != Code.npos && Then(Code.substr(i), "", '=')) return true;
    }
    for (std::size_t at = Code.find("CYCLE"); at != Code.npos; at = Code.find("CYCLE", at + 1)) {
        std::size_t i = at + 5;
        while (i < Code.size() && IsDigit(Code[i]))
            ++i;
        if (i > at + 5 && Then(Code.substr(i), "", '(')) return true;
    }
    return false;
}

} // namespace

Dialect DialectOf(const ProgramSource& Source) {
    // The first code line tells Heidenhain; any of the first lines Sinumerik.
    // A long run of comments is no program's head.
    LineReader reader(Source);
    reader.Seek(0, 1); // small reads
    std::string_view line;
    bool first = true;
    for (int i = 0; i < 200 && reader.Next(line) == LineReader::Status::Line; ++i) {
        std::string_view code = Code(line);
        if (code.starts_with("%_N_")) return Dialect::Sinumerik;
        if (IsComment(code)) continue;
        if (first && code.starts_with("BEGIN PGM")) return Dialect::Heidenhain;
        first = false;
        if (code.starts_with("/")) code = Code(code.substr(1));
        if (code.size() > 1 && code[0] == 'N' && IsDigit(code[1])) code = Code(code.substr(1));
        if (IsSinumerik(code)) return Dialect::Sinumerik;
    }
    return Dialect::Rs274;
}

} // namespace vorlund
