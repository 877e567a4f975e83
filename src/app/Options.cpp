#include "app/Options.h"

#include <string_view>

namespace vorlund {

namespace {

struct Option {
    std::string_view Long;
    char Short; // 0 when it has none
    void (*Apply)(Options&);
};

const Option kOptions[] = {
    {"help", 'h', [](Options& O) { O.What = Options::Action::Help; }},
    {"version", 0, [](Options& O) { O.What = Options::Action::Version; }},
    {"dry-run", 'n', [](Options& O) { O.DryRun = true; }},
    {"no-dialog", 0, [](Options& O) { O.NoDialog = true; }},
    {"force", 0, [](Options& O) { O.Force = true; }},
};

// The option that Name spells out or is the only one to begin with.
const Option* FindLong(std::string_view Name) {
    const Option* found = nullptr;
    for (const Option& option : kOptions) {
        if (option.Long == Name) return &option;
        if (option.Long.starts_with(Name)) {
            if (found) return nullptr;
            found = &option;
        }
    }
    return found;
}

const Option* FindShort(char Letter) {
    for (const Option& option : kOptions)
        if (option.Short == Letter) return &option;
    return nullptr;
}

bool Fail(Options& Result, std::string Message) {
    Result.What = Options::Action::UsageError;
    Result.Error = std::move(Message);
    return false;
}

// Applies one argument that starts with "-"; false on a usage error.
bool ApplyOption(const std::string& Arg, Options& Result) {
    if (Arg.starts_with("--")) {
        const Option* option =
            Arg.find('=') == std::string::npos ? FindLong(Arg.substr(2)) : nullptr;
        if (!option) return Fail(Result, "unrecognized option '" + Arg + "'");
        option->Apply(Result);
        return true;
    }
    for (const char letter : std::string_view(Arg).substr(1)) {
        const Option* option = FindShort(letter);
        if (!option) return Fail(Result, std::string("invalid option -- '") + letter + "'");
        option->Apply(Result);
    }
    return true;
}

} // namespace

Options ParseOptions(const std::vector<std::string>& Args) {
    Options result;
    bool options = true;
    for (const std::string& arg : Args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            if (!ApplyOption(arg, result)) return result;
        } else {
            result.Files.push_back(arg);
        }
    }
    return result;
}

std::string UsageText() {
    return "Usage: vorlund [OPTION]... FILE...\n"
           "Put the depth tag of each NC program FILE (h and its deepest Z, e.g. h12.5)\n"
           "on the clipboard, and rename FILE to carry it (PART1.TAP -> PART1h12.5.TAP).\n"
           "A name that already holds h or H and a digit is kept.\n"
           "\n"
           "Where the Z words cannot settle the depth (G91, parameters, o-word subs and\n"
           "loops, M98, macro jumps and loops, XZ and YZ arcs, lines after M30, lower-case\n"
           "words, cycles whose depth is a parameter), Vorlund runs the program and tags\n"
           "the depth it cuts: RS274NGC, Fanuc and Haas with macro B, Sinumerik and\n"
           "Heidenhain Klartext. The depth is in doubt when running cannot settle it\n"
           "either: machine coordinates (G53, M91, SUPA), offsets in machine terms,\n"
           "a value probing measured, scaling, mirroring or a tilted plane, a value the\n"
           "program does not set, a program not in the file, a file that only defines\n"
           "subroutines, no end, an error (an unknown G code, two codes of one modal\n"
           "group) or a macro alarm. Such a file gets the tag its\n"
           "Z words give on the clipboard but keeps its name, and the reason is reported\n"
           "with its line; started from a file manager, Vorlund asks.\n"
           "\n"
           "  -n, --dry-run    print each tag, the line of its deepest point and the new\n"
           "                   name; change nothing\n"
           "      --force      rename files whose depth is in doubt too\n"
           "      --no-dialog  report on stderr only, never in a dialog\n"
           "  -h, --help       show this help and exit\n"
           "      --version    show the version and exit\n"
           "\n"
           "Exit status: 0 when every file was tagged, 1 when any failed, 2 for a usage\n"
           "error, 3 when a file whose depth is in doubt kept its name.\n";
}

std::string VersionText() {
    return std::string("vorlund ") + VORLUND_VERSION + "\n";
}

} // namespace vorlund
