#pragma once

#include "app/ScanFile.h"
#include "platform/Platform.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorlund {

struct RunRequest {
    std::vector<std::string> Files; // as given on the command line
    std::string Separator = ".";    // the user's decimal separator
    bool DryRun = false;            // report only: no clipboard, no rename
    bool Force = false;             // rename files whose depth is in doubt too
    // Asks once whether the files whose depth is in doubt, one line each,
    // are renamed all the same; unset when nobody can be asked (a terminal,
    // --no-dialog, a dry run).
    std::function<bool(const std::vector<std::string>& Doubts)> Ask;
    ScanPlan Plan = DefaultScanPlan();
    // Runs a program whose depth the scan cannot settle.
    Runner Run = [](const ProgramSource& Source) { return Interpret(Source); };
};

// The status of a run whose files earned Status: 1 when any failed, else 3
// when any kept its name in doubt, else 0.
int CombinedStatus(const std::vector<int>& Status);

struct RunResult {
    std::optional<float> MinZ;         // of the last file scanned
    std::vector<std::string> Lines;    // what a dry run prints, one per file
    std::vector<std::string> Errors;   // "PATH: reason", one per failure
    std::vector<std::string> Doubts;   // files in doubt that kept their names
    std::vector<std::string> Warnings; // files in doubt renamed all the same
    std::vector<int> Status;           // per file given: 0, 1 or 3 as above
    int ExitCode() const { return CombinedStatus(Status); }
};

// The status of a file in doubt that waits for the one question.
constexpr int kAsking = -1;

// The program's pass, in steps for files that come while it runs: each Add
// scans its files, puts every tag so far on the clipboard, one a line, then
// renames each of its files to carry its tag. A file that fails does not stop
// the others. A file whose depth is in doubt keeps its name unless forced or
// the user says so, asked once by Finish for all such files; its tag still
// goes on the clipboard. Clip is unused on a dry run.
class TagRun {
public:
    TagRun(const RunRequest& Request, FileSystem& Files, Clipboard& Clip);
    ~TagRun();
    // The status of each of Files: kAsking for those that wait for Finish.
    std::vector<int> Add(const std::vector<std::string>& Files);
    // Asks about the files in doubt, renames them as answered; the result of
    // every file added.
    RunResult Finish();

    struct Scanned; // a file read, known until renamed

private:
    const RunRequest& request_;
    FileSystem& files_;
    Clipboard& clip_;
    std::string tags_; // on the clipboard
    std::vector<Scanned> asking_;
    RunResult result_;
};

// The whole pass on Request.Files in one step.
RunResult StartupRun(const RunRequest& Request, FileSystem& Files, Clipboard& Clip);

// An argument that begins and ends with a double quote loses the two.
std::string PathFromArgument(const std::string& Argument);

} // namespace vorlund
