#include "ui/win32/FrmMain.h"

#include "platform/windows/Utf.h"

#include <commctrl.h>

namespace vorlund {

namespace {

constexpr wchar_t kClass[] = L"VorlundFrmMain";
constexpr int kKeepName = 1000;
constexpr int kRenameAnyway = 1001;

// Tahoma in the Cyrillic character set; Points at 96 dpi.
HFONT Tahoma(int TenthPoints, int Weight) {
    return ::CreateFontW(-(TenthPoints * 96 + 360) / 720, 0, 0, 0, Weight, FALSE, FALSE, FALSE,
                         RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

HWND Child(HWND Parent, const wchar_t* Class, const wchar_t* Text, DWORD Style, int Id, int Left,
           int Top, int Width, int Height, HFONT Font) {
    HWND child = ::CreateWindowExW(
        0, Class, Text, WS_CHILD | WS_VISIBLE | Style, Px(Left), Px(Top), Px(Width), Px(Height),
        Parent, reinterpret_cast<HMENU>(INT_PTR(Id)), ::GetModuleHandleW(nullptr), nullptr);
    if (Font) ::SendMessageW(child, WM_SETFONT, WPARAM(Font), FALSE);
    return child;
}

void Register(WNDPROC Procedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.hIconSm =
        static_cast<HICON>(::LoadImageW(wc.hInstance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    ::RegisterClassExW(&wc);
}

} // namespace

int FrmMain::Load(const std::function<void(HWND)>& Created,
                  const std::function<int(Window&)>& Step) {
    static const bool registered = (Register(Procedure), true);
    (void)registered;
    created_ = &Created;
    step_ = &Step;
    font_ = Tahoma(98, FW_NORMAL);
    valueFont_ = Tahoma(120, FW_BOLD);
    // A client area of 2220 x 1920 twips; never WS_VISIBLE, never shown.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, Px(2220), Px(1920)};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND hwnd = ::CreateWindowExW(0, kClass, L"Vorlund", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), this);
    if (hwnd) ::DestroyWindow(hwnd); // closing the only window ends the program
    ::DeleteObject(font_);
    ::DeleteObject(valueFont_);
    return status_;
}

void FrmMain::CreateControls() {
    Child(hwnd_, L"BUTTON", L"Ok", BS_PUSHBUTTON | WS_TABSTOP, ExBut, 480, 1320, 1095, 375, font_);
    Child(hwnd_, L"STATIC", L"", SS_ETCHEDFRAME, Shape1, 0, 120, 2175, 975, nullptr);
    Child(hwnd_, L"STATIC", L"min Z", SS_CENTER, Label2, 600, 240, 855, 255, font_);
    Child(hwnd_, L"STATIC", L"???", SS_CENTER, LblKelto, 240, 600, 1695, 255, valueFont_);
}

LRESULT CALLBACK FrmMain::Procedure(HWND Handle, UINT Message, WPARAM W, LPARAM L) {
    auto* self = reinterpret_cast<FrmMain*>(::GetWindowLongPtrW(Handle, GWLP_USERDATA));
    switch (Message) {
    case WM_NCCREATE:
        self = static_cast<FrmMain*>(reinterpret_cast<CREATESTRUCTW*>(L)->lpCreateParams);
        ::SetWindowLongPtrW(Handle, GWLP_USERDATA, LONG_PTR(self));
        self->hwnd_ = Handle;
        break;
    case WM_CREATE: // the load step
        self->CreateControls();
        (*self->created_)(Handle);
        self->status_ = (*self->step_)(*self);
        return 0;
    case WM_COMMAND:
        if (LOWORD(W) == ExBut) ::DestroyWindow(Handle);
        return 0;
    }
    return ::DefWindowProcW(Handle, Message, W, L);
}

void FrmMain::ShowMinZ(const std::string& Text) {
    ::SetDlgItemTextW(hwnd_, LblKelto, Widen(Text).c_str());
}

// Owned by no window: the hidden form would keep the box off the taskbar.
void FrmMain::ShowErrors(const std::vector<std::string>& Lines) {
    std::string text;
    for (const auto& line : Lines)
        text += (text.empty() ? "" : "\n") + line;
    ::MessageBoxW(nullptr, Widen(text).c_str(), L"Vorlund",
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// "Keep names" is the default; Escape and closing the box choose it too.
bool FrmMain::AskRename(const std::string& Text) {
    using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
    const std::wstring text = Widen(Text);
    HMODULE comctl = ::LoadLibraryW(L"comctl32.dll");
    auto* taskDialog = comctl ? reinterpret_cast<TaskDialogIndirectFn>(reinterpret_cast<void*>(
                                    ::GetProcAddress(comctl, "TaskDialogIndirect")))
                              : nullptr;
    if (!taskDialog) // common controls before version 6
        return ::MessageBoxW(nullptr, (text + L"\n\nRename anyway?").c_str(), L"Vorlund",
                             MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SETFOREGROUND) == IDYES;
    const TASKDIALOG_BUTTON buttons[] = {{kKeepName, L"Keep names"},
                                         {kRenameAnyway, L"Rename anyway"}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.pszWindowTitle = L"Vorlund";
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszContent = text.c_str();
    config.cButtons = 2;
    config.pButtons = buttons;
    config.nDefaultButton = kKeepName;
    int chosen = 0;
    if (FAILED(taskDialog(&config, &chosen, nullptr, nullptr))) return false;
    return chosen == kRenameAnyway;
}

} // namespace vorlund
