#include "platform/Options.h"

#include <getopt.h>

namespace vorlund {

namespace {

enum LongOnly { kVersion = 256, kNoDialog };

const option kLong[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"dry-run", no_argument, nullptr, 'n'},
    {"no-dialog", no_argument, nullptr, kNoDialog},
    {nullptr, 0, nullptr, 0},
};

std::string UnknownOption(char** Argv) {
    const std::string arg = Argv[optind - 1];
    if (arg.rfind("--", 0) == 0) return "unrecognized option '" + arg + "'";
    return std::string("invalid option -- '") + char(optopt) + "'";
}

} // namespace

Options ParseOptions(int Argc, char** Argv) {
    Options options;
    optind = 0; // full reinitialisation, so the parser can run again
    opterr = 0;
    for (int c; (c = getopt_long(Argc, Argv, "hn", kLong, nullptr)) != -1;) {
        switch (c) {
        case 'h':
            options.What = Options::Action::Help;
            break;
        case kVersion:
            options.What = Options::Action::Version;
            break;
        case 'n':
            options.DryRun = true;
            break;
        case kNoDialog:
            options.NoDialog = true;
            break;
        default:
            options.What = Options::Action::UsageError;
            options.Error = UnknownOption(Argv);
            return options;
        }
    }
    for (int i = optind; i < Argc; ++i)
        options.Files.emplace_back(Argv[i]);
    return options;
}

std::string UsageText() {
    return "Usage: vorlund [OPTION]... FILE...\n"
           "Put the depth tag of each NC program FILE (h and its deepest Z, e.g. h12.5)\n"
           "on the clipboard, and rename FILE to carry it (PART1.TAP -> PART1h12.5.TAP).\n"
           "A name that already holds h or H and a digit is kept.\n"
           "\n"
           "  -n, --dry-run    print each tag and new name; change nothing\n"
           "      --no-dialog  report errors on stderr only, never in a dialog\n"
           "  -h, --help       show this help and exit\n"
           "      --version    show the version and exit\n"
           "\n"
           "Exit status: 0 when every file was tagged, 1 when any failed, 2 for a usage error.\n";
}

std::string VersionText() {
    return std::string("vorlund ") + VORLUND_VERSION + "\n";
}

} // namespace vorlund
