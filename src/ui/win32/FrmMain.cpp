#include "ui/win32/FrmMain.h"

#include "app/FormLayout.h"
#include "platform/windows/Utf.h"

#include <commctrl.h>

namespace vorlund {

namespace {

using form::Px;

constexpr wchar_t kClass[] = L"VorlundFrmMain";
constexpr int kKeepName = 1000;
constexpr int kRenameAnyway = 1001;

constexpr bool Named(FrmMain::Control Id, std::string_view Name) {
    return form::kControls[Id - FrmMain::ExBut].Name == Name;
}
static_assert(Named(FrmMain::ExBut, "ExBut") && Named(FrmMain::Shape1, "Shape1") &&
              Named(FrmMain::Label2, "Label2") && Named(FrmMain::LblKelto, "LblKelto"));

// Tahoma in the Cyrillic character set, at 96 dpi.
HFONT Tahoma(form::Font Font) {
    return ::CreateFontW(-int(Font.Points * 96 / 72), 0, 0, 0, Font.Bold ? FW_BOLD : FW_NORMAL,
                         FALSE, FALSE, FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                         Widen(form::kFontFamily).c_str());
}

// The class and style of each kind of control.
const wchar_t* ClassOf(form::Kind What) {
    return What == form::Kind::Button ? L"BUTTON" : L"STATIC";
}
DWORD StyleOf(form::Kind What) {
    switch (What) {
    case form::Kind::Button:
        return BS_PUSHBUTTON | WS_TABSTOP;
    case form::Kind::Frame:
        return SS_ETCHEDFRAME;
    case form::Kind::Label:
    case form::Kind::Value:
        break;
    }
    return SS_CENTER;
}

HWND Child(HWND Parent, const form::Control& Row, int Id, HFONT Font) {
    HWND child = ::CreateWindowExW(
        0, ClassOf(Row.What), Widen(Row.Caption).c_str(), WS_CHILD | WS_VISIBLE | StyleOf(Row.What),
        Px(Row.Left), Px(Row.Top), Px(Row.Width), Px(Row.Height), Parent,
        reinterpret_cast<HMENU>(INT_PTR(Id)), ::GetModuleHandleW(nullptr), nullptr);
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
    font_ = Tahoma(form::kFont);
    valueFont_ = Tahoma(form::kValueFont);
    // Never WS_VISIBLE, never shown.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, Px(form::kWidth), Px(form::kHeight)};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND hwnd = ::CreateWindowExW(0, kClass, Widen(form::kCaption).c_str(), style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (hwnd) ::DestroyWindow(hwnd); // closing the only window ends the program
    ::DeleteObject(font_);
    ::DeleteObject(valueFont_);
    return status_;
}

void FrmMain::CreateControls() {
    int id = ExBut;
    for (const form::Control& row : form::kControls) {
        const HFONT font = row.What == form::Kind::Frame   ? nullptr
                           : row.What == form::Kind::Value ? valueFont_
                                                           : font_;
        Child(hwnd_, row, id++, font);
    }
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
    ::MessageBoxW(nullptr, Widen(text).c_str(), Widen(form::kCaption).c_str(),
                  MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// "Keep names" is the default; Escape and closing the box choose it too.
bool FrmMain::AskRename(const std::string& Text) {
    using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
    const std::wstring text = Widen(Text);
    const std::wstring caption = Widen(form::kCaption);
    const std::wstring keep = Widen(form::kKeepName);
    const std::wstring rename = Widen(form::kRenameAnyway);
    HMODULE comctl = ::LoadLibraryW(L"comctl32.dll");
    auto* taskDialog = comctl ? reinterpret_cast<TaskDialogIndirectFn>(reinterpret_cast<void*>(
                                    ::GetProcAddress(comctl, "TaskDialogIndirect")))
                              : nullptr;
    if (!taskDialog) // common controls before version 6
        return ::MessageBoxW(nullptr, (text + L"\n\n" + rename + L"?").c_str(), caption.c_str(),
                             MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SETFOREGROUND) == IDYES;
    const TASKDIALOG_BUTTON buttons[] = {{kKeepName, keep.c_str()},
                                         {kRenameAnyway, rename.c_str()}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.pszWindowTitle = caption.c_str();
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
