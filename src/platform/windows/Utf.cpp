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

std::string Reason(unsigned long Code) {
    switch (Code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return "No such file or directory";
    case ERROR_ACCESS_DENIED:
        return "Permission denied";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return "File exists";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "in use by another program";
    case ERROR_NOT_SAME_DEVICE:
        return "Invalid cross-device link";
    }
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, Code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = n ? Narrow({text, n}) : "";
    if (text) ::LocalFree(text);
    // The system's sentences end with a full stop and a line end.
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == '.' || reason.back() == ' '))
        reason.pop_back();
    return reason.empty() ? "error " + std::to_string(Code) : reason;
}

} // namespace vorlund
