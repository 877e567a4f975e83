#pragma once

#include "app/ScanFile.h"
#include "platform/Platform.h"

#include <optional>
#include <string>
#include <vector>

namespace vorlund {

struct RunRequest {
    std::vector<std::string> Files; // as given on the command line
    std::string Separator = ".";    // the user's decimal separator
    bool DryRun = false;            // report only: no clipboard, no rename
    ScanPlan Plan = DefaultScanPlan();
};

struct RunResult {
    std::optional<float> MinZ;       // of the last file scanned
    std::vector<std::string> Lines;  // what a dry run prints, one per file
    std::vector<std::string> Errors; // "PATH: reason", one per failure
    int ExitCode() const { return Errors.empty() ? 0 : 1; }
};

// The program's single pass: scan every file, put their tags on the
// clipboard, one a line, then rename each file to carry its tag. A file
// that fails does not stop the others. Clip is unused on a dry run.
RunResult StartupRun(const RunRequest& Request, FileSystem& Files, Clipboard& Clip);

// An argument that begins and ends with a double quote loses the two.
std::string PathFromArgument(const std::string& Argument);

} // namespace vorlund
