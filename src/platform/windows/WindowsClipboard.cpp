#include "platform/windows/WindowsClipboard.h"

#include "platform/windows/SystemError.h"
#include "platform/windows/Utf.h"

#include <cstring>

namespace vorlund {

namespace {

[[noreturn]] void Fail(DWORD Code) {
    throw Error(CodeFault(Fault::Kind::Clipboard, "", Code));
}

// Another program may hold the clipboard for a moment: try for about 1 s.
void OpenWithin(HWND Owner) {
    for (int i = 0; i < 20; ++i) {
        if (::OpenClipboard(Owner)) return;
        ::Sleep(50);
    }
    Fail(::GetLastError());
}

// Lines end at CR LF on the Windows clipboard.
std::wstring WindowsLines(const std::string& Text) {
    std::wstring text;
    for (wchar_t c : Widen(Text)) {
        if (c == L'\n') text += L'\r';
        text += c;
    }
    return text;
}

} // namespace

void WindowsClipboard::SetText(const std::string& Text) {
    const std::wstring text = WindowsLines(Text);
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) Fail(::GetLastError());
    std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
    ::GlobalUnlock(memory);
    try {
        OpenWithin(owner_);
    } catch (...) {
        ::GlobalFree(memory);
        throw;
    }
    // Emptied first, so that no earlier format (an image, say) stays beside it.
    if (!::EmptyClipboard() || !::SetClipboardData(CF_UNICODETEXT, memory)) {
        const DWORD code = ::GetLastError();
        ::GlobalFree(memory);
        ::CloseClipboard();
        Fail(code);
    }
    ::CloseClipboard(); // the clipboard owns the memory now
}

} // namespace vorlund
