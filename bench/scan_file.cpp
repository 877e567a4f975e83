// Scans program files as vorlund does, without the rest of the program:
//   scan_file [--threads N] [--chunk BYTES] [--min-part BYTES] FILE...
// prints "FILE: MINZ" per file.
#include "support/ScanProgramFile.h"

#include "app/Messages.h"

#include <cstdio>
#include <string>

int main(int Argc, char** Argv) {
    vorlund::ScanPlan plan = vorlund::DefaultScanPlan();
    int status = 0;
    for (int i = 1; i < Argc; ++i) {
        const std::string arg = Argv[i];
        if (i + 1 < Argc && arg == "--threads") {
            plan.Threads = unsigned(std::stoul(Argv[++i]));
        } else if (i + 1 < Argc && arg == "--chunk") {
            plan.Chunk = std::stoull(Argv[++i]);
        } else if (i + 1 < Argc && arg == "--min-part") {
            plan.MinPart = std::stoull(Argv[++i]);
        } else {
            try {
                std::printf("%s: %.3f\n", arg.c_str(),
                            double(vorlund::test::ScanProgramFile(arg, plan)));
            } catch (const vorlund::Error& e) {
                std::fprintf(stderr, "%s\n", vorlund::Message(e).c_str());
                status = 1;
            }
        }
    }
    return status;
}
