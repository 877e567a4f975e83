#include "platform/linux/PosixFileSystem.h"

#include "platform/OpenPlace.h"
#include "platform/linux/Errno.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
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

[[noreturn]] void FailRename(const std::string& From, const std::string& To, int Err) {
    throw Error(ErrnoFault(Fault::Kind::Rename, From, Err, To));
}

[[noreturn]] void Fail(Fault::Kind What, const std::string& Path, int Err = 0) {
    throw Error(ErrnoFault(What, Path, Err));
}

// O_NONBLOCK so that opening a FIFO without a writer does not hang.
int Open(const std::string& Path) {
    const int fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) Fail(Fault::Kind::System, Path, errno);
    return fd;
}

bool SameFile(const struct stat& A, const struct stat& B) {
    return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

// A writer that truncates and rewrites the file, or appends to it, changes
// one of these.
bool SameContent(const struct stat& A, const struct stat& B) {
    return A.st_size == B.st_size && A.st_mtim.tv_sec == B.st_mtim.tv_sec &&
           A.st_mtim.tv_nsec == B.st_mtim.tv_nsec;
}

class PosixProgramFile : public ProgramFile {
public:
    PosixProgramFile(std::string Path, int Fd, const RenameCalls& Calls,
                     std::shared_ptr<std::size_t> Places)
        : path_(std::move(Path)), fd_(Fd), calls_(Calls), place_(std::move(Places)) {
        if (::fstat(fd_, &opened_) != 0) Fail(Fault::Kind::System, path_, errno);
        if (S_ISDIR(opened_.st_mode)) Fail(Fault::Kind::IsDirectory, path_);
        if (!S_ISREG(opened_.st_mode)) Fail(Fault::Kind::NotRegularFile, path_);
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~PosixProgramFile() override {
        if (fd_ >= 0) ::close(fd_);
    }
    PosixProgramFile(const PosixProgramFile&) = delete;
    PosixProgramFile& operator=(const PosixProgramFile&) = delete;

    std::uint64_t Size() const override { return std::uint64_t(opened_.st_size); }

    std::size_t ReadAt(std::uint64_t Offset, char* Buffer, std::size_t Length) const override {
        if (fd_ < 0) Fail(Fault::Kind::System, path_, EBADF); // read after DoneReading
        for (;;) {
            const ssize_t n = ::pread(fd_, Buffer, Length, off_t(Offset));
            if (n >= 0) return std::size_t(n);
            if (errno != EINTR) Fail(Fault::Kind::System, path_, errno);
        }
    }

    // The path must still name the file that was opened, as it was opened;
    // the descriptor's inode is the path's, so the path tells both.
    void CheckUnchanged() const override {
        struct stat named {};
        if (::stat(path_.c_str(), &named) != 0 || !SameFile(named, opened_) ||
            !SameContent(named, opened_))
            Fail(Fault::Kind::Changed, path_);
    }

    // Past the places left, the descriptor goes; device, inode, size and
    // modification time stay for the rename's check.
    void DoneReading() override {
        if (fd_ < 0 || place_.Take()) return;
        ::close(fd_);
        fd_ = -1;
    }

    // The path must still name the file that was read, unchanged. Another
    // file moved into the name between this check and the rename is the one
    // window left; Linux has no rename through a descriptor. A descriptor
    // kept open keeps the inode from being reused by another file.
    void RenameNoReplace(const std::string& To) override {
        struct stat named {};
        if (::stat(path_.c_str(), &named) == 0) {
            if (!SameFile(named, opened_)) Fail(Fault::Kind::Replaced, path_);
            if (!SameContent(named, opened_)) Fail(Fault::Kind::Changed, path_);
        }
        vorlund::RenameNoReplace(path_, To, calls_);
    }

private:
    std::string path_;
    int fd_;
    RenameCalls calls_;
    OpenPlace place_;
    struct stat opened_ {};
};

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

std::size_t DefaultKeepOpen() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    if (limit.rlim_cur == RLIM_INFINITY) return 512;
    return std::size_t(std::min<rlim_t>(limit.rlim_cur / 4, 512));
}

void RenameNoReplace(const std::string& From, const std::string& To, const RenameCalls& Calls) {
    if (Calls.Renameat2(From.c_str(), To.c_str()) == 0) return;
    if (!Unsupported(errno)) FailRename(From, To, errno);
    // The link fails when To exists, so nothing is ever replaced.
    if (Calls.Link(From.c_str(), To.c_str()) == 0) {
        if (Calls.Unlink(From.c_str()) == 0) return;
        const int err = errno;
        Calls.Unlink(To.c_str()); // keep the old name only
        FailRename(From, To, err);
    }
    if (!NoLinks(errno)) FailRename(From, To, errno);
    // No atomic way left on this file system: check, then rename. Another
    // process creating To in between is the one case this cannot rule out.
    struct stat st {};
    if (::lstat(To.c_str(), &st) == 0) FailRename(From, To, EEXIST);
    if (errno != ENOENT) FailRename(From, To, errno);
    if (::rename(From.c_str(), To.c_str()) != 0) FailRename(From, To, errno);
}

std::unique_ptr<ProgramFile> PosixFileSystem::Open(const std::string& Path) {
    const int fd = vorlund::Open(Path);
    try {
        return std::make_unique<PosixProgramFile>(Path, fd, calls_, places_);
    } catch (...) {
        ::close(fd);
        throw;
    }
}

} // namespace vorlund
