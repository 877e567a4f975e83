// Keeps a Wine session busy so that Wine goes on serving its clipboard to X
// while a test reads it: a hidden window that pumps messages for at most as
// many seconds as its argument says (default 10).
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE Instance, HINSTANCE, LPSTR Arguments, int) {
    const int seconds = Arguments && *Arguments ? std::atoi(Arguments) : 10;
    HWND hwnd = ::CreateWindowExA(0, "STATIC", "clip keep", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  Instance, nullptr);
    ::SetTimer(hwnd, 1, UINT(seconds) * 1000, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER) break;
        ::DispatchMessageA(&msg);
    }
    return 0;
}
