// Runs program files through the interpreter, read with pread as the
// program reads them:
//   interp_file FILE...
// prints "FILE: MINZ line LINE" or "FILE: REASON line LINE: TEXT" per file.
#include "interp/Interpreter.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PreadSource : public vorlund::ProgramSource {
public:
    explicit PreadSource(int Fd) : fd_(Fd) {
        struct stat st {};
        fstat(Fd, &st);
        size_ = std::uint64_t(st.st_size);
    }
    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t Offset, char* Buffer, std::size_t Length) const override {
        const ssize_t n = pread(fd_, Buffer, Length, off_t(Offset));
        return n < 0 ? 0 : std::size_t(n);
    }

private:
    int fd_;
    std::uint64_t size_ = 0;
};

} // namespace

int main(int Argc, char** Argv) {
    int status = 0;
    for (int i = 1; i < Argc; ++i) {
        const int fd = open(Argv[i], O_RDONLY);
        if (fd < 0) {
            std::fprintf(stderr, "cannot open file %s\n", Argv[i]);
            status = 1;
            continue;
        }
        const vorlund::InterpResult r = vorlund::Interpret(PreadSource(fd));
        close(fd);
        if (r.Reason == vorlund::Unsettled::None)
            std::printf("%s: %.4f line %lld\n", Argv[i], double(r.MinZ), (long long)r.MinLine);
        else
            std::printf("%s: unsettled %d line %lld: %s\n", Argv[i], int(r.Reason),
                        (long long)r.Line, r.Text.c_str());
    }
    return status;
}
