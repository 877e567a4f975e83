#include "platform/PosixFileSystem.h"

#include "common/Error.h"
#include "platform/ProgramFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlund {

namespace {

int SysRenameat2(const char* From, const char* To) {
    return ::renameat2(AT_FDCWD, From, AT_FDCWD, To, RENAME_NOREPLACE);
}
int SysLink(const char* From, const char* To) {
    return ::link(From, To);
}
int SysUnlink(const char* Path) {
    return ::unlink(Path);
}

[[noreturn]] void Fail(const std::string& From, const std::string& To, int Err) {
    throw Error(From + ": cannot rename to " + To + ": " + std::strerror(Err));
}

// File systems without RENAME_NOREPLACE answer EINVAL (and some ENOSYS or
// ENOTSUP); those without hard links (vfat, some FUSE) answer EPERM or ENOTSUP.
bool Unsupported(int Err) {
    return Err == EINVAL || Err == ENOSYS || Err == ENOTSUP;
}
bool NoLinks(int Err) {
    return Err == EPERM || Err == ENOTSUP || Err == EOPNOTSUPP;
}

} // namespace

const RenameCalls& SystemRenameCalls() {
    static const RenameCalls calls{SysRenameat2, SysLink, SysUnlink};
    return calls;
}

void RenameNoReplace(const std::string& From, const std::string& To, const RenameCalls& Calls) {
    if (Calls.Renameat2(From.c_str(), To.c_str()) == 0) return;
    if (!Unsupported(errno)) Fail(From, To, errno);
    // The link fails when To exists, so nothing is ever replaced.
    if (Calls.Link(From.c_str(), To.c_str()) == 0) {
        if (Calls.Unlink(From.c_str()) == 0) return;
        const int err = errno;
        Calls.Unlink(To.c_str()); // keep the old name only
        Fail(From, To, err);
    }
    if (!NoLinks(errno)) Fail(From, To, errno);
    // No atomic way left on this file system: check, then rename. Another
    // process creating To in between is the one case this cannot rule out.
    struct stat st {};
    if (::lstat(To.c_str(), &st) == 0) Fail(From, To, EEXIST);
    if (errno != ENOENT) Fail(From, To, errno);
    if (::rename(From.c_str(), To.c_str()) != 0) Fail(From, To, errno);
}

float PosixFileSystem::ScanMinZ(const std::string& Path) {
    return ScanProgramFile(Path);
}

void PosixFileSystem::RenameNoReplace(const std::string& From, const std::string& To) {
    vorlund::RenameNoReplace(From, To, SystemRenameCalls());
}

} // namespace vorlund
