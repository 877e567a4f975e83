#include "platform/windows/Utf.h"

#include <windows.h>

namespace vorlund {

std::wstring Widen(std::string_view Text) {
    if (Text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), int(Text.size()), nullptr, 0);
    std::wstring wide(std::size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, Text.data(), int(Text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view Text) {
    if (Text.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), int(Text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string narrow(std::size_t(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, Text.data(), int(Text.size()), narrow.data(), n, nullptr,
                          nullptr);
    return narrow;
}

std::wstring FullPath(const std::wstring& Path) {
    const DWORD n = ::GetFullPathNameW(Path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return Path;
    std::wstring full(n, L'\0');
    full.resize(::GetFullPathNameW(Path.c_str(), n, full.data(), nullptr));
    return full;
}

std::wstring SystemPath(const std::string& Path) {
    std::wstring wide = Widen(Path);
    // CreateDirectory's limit is 248; a margin keeps every call below both.
    if (wide.size() < 240 || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    const std::wstring full = FullPath(wide);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2); // \\server\share
    return L"\\\\?\\" + full;
}

} // namespace vorlund
