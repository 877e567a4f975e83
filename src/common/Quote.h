#pragma once

#include <string>
#include <string_view>

namespace vorlund {

// Name as it is safe to print: unchanged when it is valid UTF-8 without
// control characters; otherwise quoted the way coreutils quotes for a shell,
// so that no raw escape sequence reaches a terminal: 'a'$'\n''b', 'it'\''s'.
std::string QuoteName(std::string_view Name);

} // namespace vorlund
