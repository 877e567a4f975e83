#pragma once

#include <string>
#include <string_view>

namespace vorlund {

// Windows speaks UTF-16, the program UTF-8; these convert at the boundary.
// Invalid sequences become U+FFFD.
std::wstring Widen(std::string_view Text);
std::string Narrow(std::wstring_view Text);

// Path made absolute against the current folder.
std::wstring FullPath(const std::wstring& Path);

// Path as the file functions take it: with the \\?\ prefix, made absolute,
// when it is too long for the classic limit of 260 characters.
std::wstring SystemPath(const std::string& Path);

} // namespace vorlund
