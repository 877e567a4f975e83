#include "tag/NewName.h"

#include "common/Error.h"

namespace vorlund {

namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "/\\";
#else
constexpr std::string_view kSeparators = "/";
#endif

} // namespace

bool HasDepthTag(std::string_view FileName) {
    for (std::size_t i = 0; i + 1 < FileName.size(); ++i) {
        const char c = FileName[i];
        const char next = FileName[i + 1];
        if ((c == 'h' || c == 'H') && next >= '0' && next <= '9') return true;
    }
    return false;
}

std::optional<std::string> NewName(std::string_view Path, std::string_view Tag) {
    if (Tag.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos)
        throw Error("depth tag holds a path separator or NUL");
    if (Path.find('\0') != std::string_view::npos) throw Error("path holds NUL");
    const auto slash = Path.find_last_of(kSeparators);
    const auto nameAt = slash == std::string_view::npos ? 0 : slash + 1;
    const auto name = Path.substr(nameAt);
    if (name.empty()) throw Error("no file name in " + std::string(Path));
    if (HasDepthTag(name)) return std::nullopt;
    auto dot = name.rfind('.');
    if (dot == 0 || dot == std::string_view::npos) dot = name.size();
    std::string result(Path.substr(0, nameAt + dot));
    result += Tag;
    result += name.substr(dot);
    return result;
}

} // namespace vorlund
