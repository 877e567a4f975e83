#pragma once

#include "platform/Platform.h"

#include <sys/types.h>

namespace vorlund {

// The X11 clipboard. A selection vanishes with the process that owns it, so
// a keeper process owns and serves it after the program has ended, the way
// xclip does. Construct this first thing in main, before any Qt object or
// thread exists: it forks the keeper, which then waits for the text.
class X11Clipboard : public Clipboard {
public:
    X11Clipboard();
    ~X11Clipboard() override;
    X11Clipboard(const X11Clipboard&) = delete;
    X11Clipboard& operator=(const X11Clipboard&) = delete;

    // Hands Text to the keeper and returns once the keeper owns the clipboard
    // with it; may be called again with a longer text.
    void SetText(const std::string& Text) override;

private:
    void Stop();
    void Kill();

    pid_t keeper_ = -1;
    int channel_ = -1; // to the keeper: the text; back: its answer
    int startError_ = 0;
    bool serving_ = false; // the keeper holds a text of ours
};

} // namespace vorlund
