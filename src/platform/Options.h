#pragma once

#include <string>
#include <vector>

namespace vorlund {

struct Options {
    enum class Action { Run, Help, Version, UsageError };
    Action What = Action::Run;
    bool DryRun = false;
    bool NoDialog = false;
    std::vector<std::string> Files;
    std::string Error; // for UsageError: one line, e.g. "unrecognized option '--x'"
};

// The command line, parsed by getopt_long: -h/--help, --version, -n/--dry-run, --no-dialog, "--".
Options ParseOptions(int Argc, char** Argv);

std::string UsageText();
std::string VersionText();

} // namespace vorlund
