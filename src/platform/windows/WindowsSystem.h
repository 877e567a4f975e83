#pragma once

#include "platform/Platform.h"
#include "platform/windows/PipeChannel.h"
#include "platform/windows/WindowsClipboard.h"
#include "platform/windows/WindowsFileSystem.h"

#include <memory>
#include <string>

namespace vorlund {

// The Windows desktop below the window: files, the clipboard, the console
// the program was started from, if any, and the regional settings. The
// window toolkit adds Load.
class WindowsSystem : public Platform {
public:
    // Takes the standard streams as given, or those of the parent's console.
    WindowsSystem();

    FileSystem& Files() override { return files_; }
    std::string DecimalSeparator() override;
    // The error box is the Windows error report; --no-dialog leaves it out.
    bool DialogsWanted() override { return true; }
    // With no console, help and version text show in a box.
    void Print(const std::string& Text) override;
    void PrintError(const std::string& Text) override;
    Clipboard& OpenClipboard() override { return clipboard_; }
    // Made on first use: most runs never gather.
    GatherChannel* Gathering() override {
        if (!channel_) channel_ = std::make_unique<PipeChannel>();
        return channel_.get();
    }

    // The clipboard, to be given its owner window.
    WindowsClipboard& Clip() { return clipboard_; }
    // What PrintError had nowhere to write.
    const std::string& Unprinted() const { return unprinted_; }

private:
    WindowsFileSystem files_;
    WindowsClipboard clipboard_;
    std::unique_ptr<PipeChannel> channel_;
    void* out_;
    void* err_;
    std::string unprinted_;
};

// Shows Text in a box with the caption "Vorlund".
void ShowBox(const std::string& Text, bool IsError);

} // namespace vorlund
