#pragma once

#include <string>
#include <vector>

namespace vorlund {

struct Options {
    enum class Action { Run, Help, Version, UsageError };
    Action What = Action::Run;
    bool DryRun = false;
    bool NoDialog = false;
    bool Force = false;
    std::vector<std::string> Files;
    std::string Error; // for UsageError: one line, e.g. "unrecognized option '--x'"
};

// The arguments after the program's name, read the GNU way: options and files
// in any order, short options grouped (-hn), long ones by any unambiguous
// prefix (--dry), and everything after "--" a file.
Options ParseOptions(const std::vector<std::string>& Args);

std::string UsageText();
std::string VersionText();

} // namespace vorlund
