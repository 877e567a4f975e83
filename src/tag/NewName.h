#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorlund {

// True when a file name already carries a depth tag: "h" or "H" and a digit.
bool HasDepthTag(std::string_view FileName);

// The path with Tag put in front of its file name's extension (the last "."
// that is not the name's first character), or at the end of a name without
// one: "D:/Jobs/PART1.TAP" and "h12.5" give "D:/Jobs/PART1h12.5.TAP". Only
// the file name changes. Nullopt when the name already carries a tag. Throws
// Error when the path has no file name or holds NUL, or the tag holds "/",
// "\" or NUL.
std::optional<std::string> NewName(std::string_view Path, std::string_view Tag);

} // namespace vorlund
