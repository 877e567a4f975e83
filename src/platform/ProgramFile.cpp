#include "platform/ProgramFile.h"

#include "common/Error.h"
#include "scan/SplitScan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlund {

namespace {

[[noreturn]] void Fail(const std::string& Path, const std::string& Reason) {
    throw Error(Path + ": " + Reason);
}

class Fd {
public:
    explicit Fd(int Value) : value_(Value) {}
    ~Fd() {
        if (value_ >= 0) ::close(value_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return value_; }

private:
    int value_;
};

// O_NONBLOCK so that opening a FIFO without a writer does not hang.
int Open(const std::string& Path) {
    const int fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) Fail(Path, std::strerror(errno));
    return fd;
}

std::uint64_t RegularSize(const std::string& Path, int Fd) {
    struct stat st {};
    if (::fstat(Fd, &st) != 0) Fail(Path, std::strerror(errno));
    if (S_ISDIR(st.st_mode)) Fail(Path, "is a directory");
    if (!S_ISREG(st.st_mode)) Fail(Path, "not a regular file");
    return std::uint64_t(st.st_size);
}

} // namespace

ScanPlan DefaultScanPlan() {
    ScanPlan plan;
    plan.Threads = std::max(1u, std::thread::hardware_concurrency());
    return plan;
}

float ScanProgramFile(const std::string& Path, const ScanPlan& Plan) {
    Fd fd(Open(Path));
    const std::uint64_t size = RegularSize(Path, fd.get());
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const ReadAt read = [&](std::uint64_t Offset, char* Buffer, std::size_t Length) {
        for (;;) {
            const ssize_t n = ::pread(fd.get(), Buffer, Length, off_t(Offset));
            if (n >= 0) return std::size_t(n);
            if (errno != EINTR) Fail(Path, std::strerror(errno));
        }
    };
    const ScanResult result = ScanParallel(read, size, Plan);
    if (result.BadLine)
        Fail(Path, "line " + std::to_string(result.BadLine) + ": number out of range");
    return result.MinZ;
}

float ScanProgramFile(const std::string& Path) {
    return ScanProgramFile(Path, DefaultScanPlan());
}

} // namespace vorlund
