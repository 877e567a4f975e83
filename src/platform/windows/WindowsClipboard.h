#pragma once

#include "platform/Platform.h"

#include <windows.h>

namespace vorlund {

// The Windows clipboard, owned by the program's window. Windows keeps the
// text after the program has ended, so no keeper process is needed.
class WindowsClipboard : public Clipboard {
public:
    // The window that owns what SetText puts there; set once it exists.
    void SetOwner(HWND Owner) { owner_ = Owner; }
    void SetText(const std::string& Text) override;

private:
    HWND owner_ = nullptr;
};

} // namespace vorlund
