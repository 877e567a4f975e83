// Runs program files through the interpreter, read with pread as the
// program reads them:
//   interp_file FILE...
// prints "FILE: MINZ line LINE" or "FILE: REASON line LINE: TEXT" per file.
//   interp_file --make BYTES FILE
// writes bench/InterpProgram.h's program of about BYTES bytes to FILE.
#include "InterpProgram.h"

#include "app/Messages.h"
#include "interp/Interpreter.h"
#include "platform/linux/PosixFileSystem.h"

#include <cstdio>
#include <string>

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
    vorlund::PosixFileSystem files;
    for (int i = 1; i < Argc; ++i) {
        vorlund::InterpResult r;
        try {
            r = vorlund::Interpret(*files.Open(Argv[i]));
        } catch (const vorlund::Error& e) {
            std::fprintf(stderr, "%s\n", vorlund::Message(e).c_str());
            status = 1;
            continue;
        }
        if (r.Unsure.Why == vorlund::Reason::None)
            std::printf("%s: %.4f line %lld\n", Argv[i], double(r.MinZ), (long long)r.MinLine);
        else
            std::printf("%s: unsettled %d line %lld: %s\n", Argv[i], int(r.Unsure.Why),
                        (long long)r.Unsure.Line, r.Unsure.Text.c_str());
    }
    return status;
}
