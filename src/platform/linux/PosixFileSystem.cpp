#include "platform/linux/PosixFileSystem.h"

#include "common/Error.h"

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

[[noreturn]] void Fail(const std::string& Path, const std::string& Reason) {
    throw Error(Path + ": " + Reason);
}

// O_NONBLOCK so that opening a FIFO without a writer does not hang.
int Open(const std::string& Path) {
    const int fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) Fail(Path, std::strerror(errno));
    return fd;
}

class PosixProgramFile : public ProgramFile {
public:
    PosixProgramFile(std::string Path, int Fd, const RenameCalls& Calls)
        : path_(std::move(Path)), fd_(Fd), calls_(Calls) {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) Fail(path_, std::strerror(errno));
        if (S_ISDIR(st.st_mode)) Fail(path_, "is a directory");
        if (!S_ISREG(st.st_mode)) Fail(path_, "not a regular file");
        size_ = std::uint64_t(st.st_size);
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~PosixProgramFile() override { ::close(fd_); }
    PosixProgramFile(const PosixProgramFile&) = delete;
    PosixProgramFile& operator=(const PosixProgramFile&) = delete;

    std::uint64_t Size() const override { return size_; }

    std::size_t ReadAt(std::uint64_t Offset, char* Buffer, std::size_t Length) const override {
        for (;;) {
            const ssize_t n = ::pread(fd_, Buffer, Length, off_t(Offset));
            if (n >= 0) return std::size_t(n);
            if (errno != EINTR) Fail(path_, std::strerror(errno));
        }
    }

    void CheckUnchanged() const override {}

    void RenameNoReplace(const std::string& To) override {
        vorlund::RenameNoReplace(path_, To, calls_);
    }

private:
    std::string path_;
    int fd_;
    RenameCalls calls_;
    std::uint64_t size_ = 0;
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

std::unique_ptr<ProgramFile> PosixFileSystem::Open(const std::string& Path) {
    const int fd = vorlund::Open(Path);
    try {
        return std::make_unique<PosixProgramFile>(Path, fd, calls_);
    } catch (...) {
        ::close(fd);
        throw;
    }
}

} // namespace vorlund
