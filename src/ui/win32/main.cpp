// The Windows program: the portable run on the Win32 platform, with a Win32
// window.
#include "app/Main.h"
#include "platform/windows/Utf.h"
#include "platform/windows/WindowsSystem.h"
#include "ui/win32/FrmMain.h"

#include <shellapi.h>
#include <windows.h>

using namespace vorlund;

namespace {

// True in vorlund.com: the same objects linked for the console subsystem.
bool ConsoleProgram() {
    const auto* base = reinterpret_cast<const BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

bool HasErrorStream() {
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    return err && err != INVALID_HANDLE_VALUE && ::GetFileType(err) != FILE_TYPE_UNKNOWN;
}

class Win32System final : public WindowsSystem {
public:
    // The console program reports on stderr; a box only when it has none.
    bool DialogsWanted() override { return !console_ || !HasErrorStream(); }
    int Load(bool, const std::function<int(Window&)>& Step) override {
        FrmMain form;
        return form.Load([this](HWND Handle) { Clip().SetOwner(Handle); }, Step);
    }

private:
    const bool console_ = ConsoleProgram();
};

// Each argument as the shell split it, in UTF-8.
std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** given = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; given && i < count; ++i)
        args.push_back(Narrow(given[i]));
    ::LocalFree(given);
    return args;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Win32System system;
    const int status = Main(Arguments(), system);
    // Without a console a usage error would pass unseen.
    if (!system.Unprinted().empty() && status == 2) ShowBox(system.Unprinted(), true);
    return status;
}
