#include "platform/ProgramFile.h"

#include "common/Error.h"
#include "scan/Scanner.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlund {

namespace {

constexpr std::size_t kChunk = 1 << 20;

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

void CheckRegular(const std::string& Path, int Fd) {
    struct stat st {};
    if (::fstat(Fd, &st) != 0) Fail(Path, std::strerror(errno));
    if (S_ISDIR(st.st_mode)) Fail(Path, "is a directory");
    if (!S_ISREG(st.st_mode)) Fail(Path, "not a regular file");
}

} // namespace

float ScanProgramFile(const std::string& Path) {
    Fd fd(Open(Path));
    CheckRegular(Path, fd.get());
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    Scanner scanner;
    const auto buffer = std::make_unique<char[]>(kChunk);
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.get(), kChunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(Path, std::strerror(errno));
        }
        scanner.Feed({buffer.get(), std::size_t(n)});
    }
    const ScanResult result = scanner.Finish();
    if (result.BadLine)
        Fail(Path, "line " + std::to_string(result.BadLine) + ": number out of range");
    return result.MinZ;
}

} // namespace vorlund
