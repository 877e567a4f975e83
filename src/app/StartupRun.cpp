#include "app/StartupRun.h"

#include "app/Doubts.h"
#include "app/Messages.h"
#include "common/Error.h"
#include "common/Quote.h"
#include "tag/DepthTag.h"
#include "tag/NewName.h"

namespace vorlund {

namespace {

void Fail(size_t Index, const Error& E, RunResult& Result) {
    Result.Errors.push_back(Message(E));
    Result.Status[Index] = 1;
}

struct Scanned {
    size_t Index; // among the files given
    std::string Path;
    std::string Tag;
    FileDepth Depth;
    std::unique_ptr<ProgramFile> File; // known until renamed
    // "PATH: h0 may be wrong: line 12: machine coordinates (G53 Z-50)";
    // unset when the depth is settled.
    std::optional<std::string> Doubt;
};

std::vector<Scanned> ScanAll(const RunRequest& Request, FileSystem& Files, RunResult& Result) {
    std::vector<Scanned> scanned;
    for (size_t i = 0; i < Request.Files.size(); ++i) {
        const std::string path = PathFromArgument(Request.Files[i]);
        try {
            auto file = Files.Open(path);
            FileDepth depth = SettleFile(*file, path, Request.Plan, Request.Run);
            file->DoneReading(); // a folder's thousands of files are never all open
            Result.MinZ = depth.MinZ();
            const std::string tag = DepthTag(depth.MinZ(), Request.Separator);
            auto doubt = DoubtOf(depth);
            if (doubt) doubt = QuoteName(path) + ": " + tag + " may be wrong: " + *doubt;
            scanned.push_back({i, path, tag, std::move(depth), std::move(file), std::move(doubt)});
        } catch (const Error& e) {
            Fail(i, e, Result);
        }
    }
    return scanned;
}

std::string JoinTags(const std::vector<Scanned>& Files) {
    std::string text;
    for (const auto& file : Files) {
        if (!text.empty()) text += '\n';
        text += file.Tag;
    }
    return text;
}

// The file's new name, or nullopt when it keeps its name.
std::optional<std::string> Target(const Scanned& File) {
    try {
        return NewName(File.Path, File.Tag);
    } catch (const Error& e) {
        throw Error(QuoteName(File.Path) + ": " + e.what());
    }
}

// Whether File is renamed to NewPath, noting its doubt if it has one; Anyway
// is the user's answer for the files in doubt.
bool Decide(const Scanned& File, const std::optional<std::string>& NewPath,
            const RunRequest& Request, bool Anyway, RunResult& Result) {
    if (!File.Doubt) return bool(NewPath);
    const std::string& text = *File.Doubt;
    if (!NewPath) {
        (Request.Force ? Result.Warnings : Result.Doubts).push_back(text + "; name kept");
        if (!Request.Force) Result.Status[File.Index] = 3;
        return false;
    }
    if (Request.Force || Anyway) {
        Result.Warnings.push_back(text + "; renamed all the same");
        return true;
    }
    Result.Doubts.push_back(text + "; name kept (--force to rename)");
    Result.Status[File.Index] = 3;
    return false;
}

// One question for every file in doubt that would be renamed; true when
// the user says to rename them all the same.
bool AskOnce(const std::vector<Scanned>& Scanned, const RunRequest& Request) {
    if (Request.Force || !Request.Ask) return false;
    std::vector<std::string> doubts;
    for (const auto& file : Scanned) {
        if (!file.Doubt) continue;
        try {
            if (Target(file)) doubts.push_back(*file.Doubt);
        } catch (const Error&) { // reported when the file's turn comes
        }
    }
    return !doubts.empty() && Request.Ask(doubts);
}

void Describe(const Scanned& File, const RunRequest& Request, RunResult& Result) {
    try {
        const auto target = Target(File);
        std::string line = QuoteName(File.Path) + ": " + File.Tag;
        const std::string note = DepthNote(File.Depth, Request.Separator);
        if (File.Depth.MinLine() > 0)
            line += " (line " + std::to_string(File.Depth.MinLine()) + note + ")";
        else if (!note.empty())
            line += " (" + note.substr(note.find_first_not_of(",; ")) + ")";
        line += Decide(File, target, Request, false, Result)
                    ? ": would be renamed to " + QuoteName(*target)
                    : ": name kept";
        Result.Lines.push_back(line);
    } catch (const Error& e) {
        Fail(File.Index, e, Result);
    }
}

void Rename(const Scanned& File, const RunRequest& Request, bool Anyway, RunResult& Result) {
    try {
        const auto target = Target(File);
        if (Decide(File, target, Request, Anyway, Result)) File.File->RenameNoReplace(*target);
    } catch (const Error& e) {
        Fail(File.Index, e, Result);
    }
}

} // namespace

std::string PathFromArgument(const std::string& Argument) {
    if (Argument.size() >= 2 && Argument.front() == '"' && Argument.back() == '"')
        return Argument.substr(1, Argument.size() - 2);
    return Argument;
}

int CombinedStatus(const std::vector<int>& Status) {
    int status = 0;
    for (const int each : Status)
        if (each == 1 || (each == 3 && status == 0)) status = each;
    return status;
}

RunResult StartupRun(const RunRequest& Request, FileSystem& Files, Clipboard& Clip) {
    RunResult result;
    result.Status.assign(Request.Files.size(), 0);
    const auto scanned = ScanAll(Request, Files, result);
    if (Request.DryRun) {
        for (const auto& file : scanned)
            Describe(file, Request, result);
        return result;
    }
    if (scanned.empty()) return result;
    try {
        Clip.SetText(JoinTags(scanned));
    } catch (const Error& e) {
        // Without the tag on the clipboard no file is renamed.
        result.Errors.push_back(Message(e));
        for (const auto& file : scanned)
            result.Status[file.Index] = 1;
        return result;
    }
    const bool anyway = AskOnce(scanned, Request);
    for (const auto& file : scanned)
        Rename(file, Request, anyway, result);
    return result;
}

} // namespace vorlund
