#pragma once

#include "platform/Platform.h"

namespace vorlund {

class PosixFileSystem : public FileSystem {
public:
    float ScanMinZ(const std::string& Path) override;
    void RenameNoReplace(const std::string& From, const std::string& To) override;
};

// The rename behind PosixFileSystem, with the system calls injectable so that
// the fallbacks are tested on any file system.
struct RenameCalls {
    int (*Renameat2)(const char* From, const char* To); // RENAME_NOREPLACE
    int (*Link)(const char* From, const char* To);
    int (*Unlink)(const char* Path);
};
void RenameNoReplace(const std::string& From, const std::string& To, const RenameCalls& Calls);
const RenameCalls& SystemRenameCalls();

} // namespace vorlund
