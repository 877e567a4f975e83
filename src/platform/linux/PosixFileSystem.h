#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <memory>

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

// How many files stay open once read: a quarter of the open-file limit, at
// most 512, so that a run on thousands of files never runs out.
std::size_t DefaultKeepOpen();

class PosixFileSystem : public FileSystem {
public:
    explicit PosixFileSystem(const RenameCalls& Calls = SystemRenameCalls(),
                             std::size_t KeepOpen = DefaultKeepOpen())
        : calls_(Calls), places_(std::make_shared<std::size_t>(KeepOpen)) {}
    std::unique_ptr<ProgramFile> Open(const std::string& Path) override;

private:
    RenameCalls calls_;
    std::shared_ptr<std::size_t> places_; // files that may yet stay open once read
};

} // namespace vorlund
