#pragma once

#include "platform/Platform.h"

namespace vorlund {

// Program files on Windows: opened so that a CAM system holding the file
// open does not block the scan, read at offsets from several threads, and
// renamed through the handle that was read.
class WindowsFileSystem : public FileSystem {
public:
    std::unique_ptr<ProgramFile> Open(const std::string& Path) override;
};

} // namespace vorlund
