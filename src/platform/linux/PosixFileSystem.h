#pragma once

#include "platform/Platform.h"

namespace vorlund {

// Program files through POSIX calls: pread, and a rename that never replaces.
// The system calls behind the rename, injectable so that the fallbacks are
// tested on any file system.
struct RenameCalls {
    int (*Renameat2)(const char* From, const char* To); // RENAME_NOREPLACE
    int (*Link)(const char* From, const char* To);
    int (*Unlink)(const char* Path);
};
void RenameNoReplace(const std::string& From, const std::string& To, const RenameCalls& Calls);
const RenameCalls& SystemRenameCalls();

class PosixFileSystem : public FileSystem {
public:
    explicit PosixFileSystem(const RenameCalls& Calls = SystemRenameCalls()) : calls_(Calls) {}
    std::unique_ptr<ProgramFile> Open(const std::string& Path) override;

private:
    RenameCalls calls_;
};

} // namespace vorlund
