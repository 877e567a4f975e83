#include "platform/linux/PosixFileSystem.h"

#include "common/Error.h"
#include "common/Quote.h"

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
    throw Error(QuoteName(From) + ": cannot rename to " + QuoteName(To) + ": " +
                std::strerror(Err));
}

[[noreturn]] void Fail(const std::string& Path, const std::string& Reason) {
    throw Error(QuoteName(Path) + ": " + Reason);
}

// O_NONBLOCK so that opening a FIFO without a writer does not hang.
int Open(const std::string& Path) {
    const int fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) Fail(Path, std::strerror(errno));
    return fd;
}

bool SameFile(const struct stat& A, const struct stat& B) {
    return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

class PosixProgramFile : public ProgramFile {
public:
    PosixProgramFile(std::string Path, int Fd, const RenameCalls& Calls)
        : path_(std::move(Path)), fd_(Fd), calls_(Calls) {
        if (::fstat(fd_, &opened_) != 0) Fail(path_, std::strerror(errno));
        if (S_ISDIR(opened_.st_mode)) Fail(path_, "is a directory");
        if (!S_ISREG(opened_.st_mode)) Fail(path_, "not a regular file");
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~PosixProgramFile() override { ::close(fd_); }
    PosixProgramFile(const PosixProgramFile&) = delete;
    PosixProgramFile& operator=(const PosixProgramFile&) = delete;

    std::uint64_t Size() const override { return std::uint64_t(opened_.st_size); }

    std::size_t ReadAt(std::uint64_t Offset, char* Buffer, std::size_t Length) const override {
        for (;;) {
            const ssize_t n = ::pread(fd_, Buffer, Length, off_t(Offset));
            if (n >= 0) return std::size_t(n);
            if (errno != EINTR) Fail(path_, std::strerror(errno));
        }
    }

    // A writer that truncates and rewrites the file, or appends to it, or
    // moves another file into its name, changes one of these.
    void CheckUnchanged() const override {
        struct stat now {};
        struct stat named {};
        if (::fstat(fd_, &now) != 0 || now.st_size != opened_.st_size ||
            now.st_mtim.tv_sec != opened_.st_mtim.tv_sec ||
            now.st_mtim.tv_nsec != opened_.st_mtim.tv_nsec || ::stat(path_.c_str(), &named) != 0 ||
            !SameFile(named, opened_))
            Fail(path_, "changed while it was read; try again when it is complete");
    }

    // The path must still name the file that was read. Another file moved
    // into the name between this check and the rename is the one window left;
    // Linux has no rename through a descriptor.
    void RenameNoReplace(const std::string& To) override {
        struct stat named {};
        if (::stat(path_.c_str(), &named) == 0 && !SameFile(named, opened_))
            Fail(path_, "replaced while it was read");
        vorlund::RenameNoReplace(path_, To, calls_);
    }

private:
    std::string path_;
    int fd_;
    RenameCalls calls_;
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
