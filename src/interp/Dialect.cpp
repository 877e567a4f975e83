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

} // namespace

Dialect DialectOf(const ProgramSource& Source) {
    // The first code line decides; a long run of comments is no program's head.
    LineReader reader(Source);
    reader.Seek(0, 1); // small reads
    std::string_view line;
    for (int i = 0; i < 1000 && reader.Next(line) == LineReader::Status::Line; ++i) {
        const std::string_view code = Code(line);
        if (IsComment(code)) continue;
        return code.starts_with("BEGIN PGM") ? Dialect::Heidenhain : Dialect::Rs274;
    }
    return Dialect::Rs274;
}

} // namespace vorlund
