// Runs program files through the interpreter, read with pread as the
// program reads them:
//   interp_file FILE...
// prints "FILE: MINZ line LINE" or "FILE: REASON line LINE: TEXT" per file.
//   interp_file --make BYTES FILE
// writes bench/InterpProgram.h's program of about BYTES bytes to FILE.
#include "InterpProgram.h"

#include "interp/Interpreter.h"

#include <cstdio>
#include <fcntl.h>
#include <string>
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
    if (Argc == 4 && std::string(Argv[1]) == "--make") {
        std::FILE* out = std::fopen(Argv[3], "wb");
        if (!out) return std::fprintf(stderr, "cannot open file %s\n", Argv[3]), 1;
        const auto deepest =
            vorlund::bench::WriteInterpProgram(std::stoull(Argv[2]), [out](std::string_view Piece) {
                std::fwrite(Piece.data(), 1, Piece.size(), out);
            });
        std::printf("%s: deepest %.3f\n", Argv[3], double(deepest) / 1000);
        return std::fclose(out) == 0 ? 0 : 1;
    }
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
