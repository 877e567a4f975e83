#pragma once

#include "platform/Platform.h"
#include "platform/linux/Display.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/UnixChannel.h"
#include "platform/linux/X11Clipboard.h"

#include <memory>
#include <optional>

namespace vorlund {

// The Linux desktop below the window: POSIX files, standard streams and the
// X11 clipboard. The toolkit adds the window and the regional settings.
class LinuxSystem : public Platform {
public:
    FileSystem& Files() override { return files_; }
    bool DialogsWanted() override; // stderr is no terminal
    void Print(const std::string& Text) override;
    void PrintError(const std::string& Text) override;
    // Checks the display and forks the clipboard keeper: call it before any
    // thread or toolkit object exists.
    Clipboard& OpenClipboard() override;
    // Made on first use: most runs never gather.
    GatherChannel* Gathering() override {
        if (!channel_) channel_ = std::make_unique<UnixChannel>();
        return channel_.get();
    }

private:
    PosixFileSystem files_;
    std::optional<DisplayCheck> display_; // open until the program ends
    std::optional<X11Clipboard> clipboard_;
    std::unique_ptr<UnixChannel> channel_;
};

} // namespace vorlund
