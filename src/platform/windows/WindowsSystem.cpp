#include "platform/windows/WindowsSystem.h"

#include "app/FormLayout.h"
#include "platform/windows/Utf.h"

#include <windows.h>

namespace vorlund {

namespace {

bool Usable(HANDLE H) {
    return H && H != INVALID_HANDLE_VALUE && ::GetFileType(H) != FILE_TYPE_UNKNOWN;
}

HANDLE ConsoleOutput() {
    return ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
}

// A console takes UTF-16; a file or a pipe gets the UTF-8 bytes.
bool Write(HANDLE H, const std::string& Text) {
    if (!Usable(H)) return false;
    DWORD mode = 0;
    DWORD done = 0;
    if (::GetConsoleMode(H, &mode)) {
        const std::wstring wide = Widen(Text);
        return ::WriteConsoleW(H, wide.c_str(), DWORD(wide.size()), &done, nullptr);
    }
    return ::WriteFile(H, Text.data(), DWORD(Text.size()), &done, nullptr);
}

} // namespace

// A GUI program has streams only where they were redirected; the rest go to
// the console of the program that started it, when there is one.
WindowsSystem::WindowsSystem()
    : out_(::GetStdHandle(STD_OUTPUT_HANDLE)), err_(::GetStdHandle(STD_ERROR_HANDLE)) {
    if (Usable(out_) && Usable(err_)) return;
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!Usable(out_)) out_ = ConsoleOutput();
    if (!Usable(err_)) err_ = ConsoleOutput();
}

std::string WindowsSystem::DecimalSeparator() {
    wchar_t separator[8] = {};
    if (!::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8)) return ".";
    return Narrow(separator);
}

void WindowsSystem::Print(const std::string& Text) {
    if (!Write(out_, Text)) ShowBox(Text, false);
}

void WindowsSystem::PrintError(const std::string& Text) {
    if (!Write(err_, Text)) unprinted_ += Text;
}

void ShowBox(const std::string& Text, bool IsError) {
    ::MessageBoxW(nullptr, Widen(Text).c_str(), Widen(form::kCaption).c_str(),
                  MB_OK | MB_SETFOREGROUND | (IsError ? MB_ICONERROR : MB_ICONINFORMATION));
}

} // namespace vorlund
