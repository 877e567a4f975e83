#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <memory>

namespace vorlund {

// Program files on Windows: opened so that a CAM system holding the file
// open does not block the scan, read at offsets from several threads, and
// renamed through the handle that was read while it is kept open (the first
// KeepOpen files), else by path once the path is checked.
class WindowsFileSystem : public FileSystem {
public:
    explicit WindowsFileSystem(std::size_t KeepOpen = 512)
        : places_(std::make_shared<std::size_t>(KeepOpen)) {}
    std::unique_ptr<ProgramFile> Open(const std::string& Path) override;

private:
    std::shared_ptr<std::size_t> places_; // files that may yet stay open once read
};

} // namespace vorlund
