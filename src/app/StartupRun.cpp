#include "app/StartupRun.h"

#include "app/Doubts.h"

#include "common/Error.h"
#include "common/Quote.h"
#include "tag/DepthTag.h"
#include "tag/NewName.h"

namespace vorlund {

namespace {

struct Scanned {
    std::string Path;
    std::string Tag;
    FileDepth Depth;
    std::unique_ptr<ProgramFile> File; // open until renamed
};

std::vector<Scanned> ScanAll(const RunRequest& Request, FileSystem& Files, RunResult& Result) {
    std::vector<Scanned> scanned;
    for (const auto& argument : Request.Files) {
        const std::string path = PathFromArgument(argument);
        try {
            auto file = Files.Open(path);
            FileDepth depth = SettleFile(*file, path, Request.Plan, Request.Run);
            Result.MinZ = depth.MinZ();
            const std::string tag = DepthTag(depth.MinZ(), Request.Separator);
            scanned.push_back({path, tag, std::move(depth), std::move(file)});
        } catch (const Error& e) {
            Result.Errors.push_back(e.what());
        }
    }
    return scanned;
}

std::string JoinTags(const std::vector<Scanned>& Scanned) {
    std::string text;
    for (const auto& file : Scanned) {
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

// "PATH: h0 may be wrong: line 12: machine coordinates (G53 Z-50)"
std::string DoubtText(const Scanned& File, const std::string& Reason) {
    return QuoteName(File.Path) + ": " + File.Tag + " may be wrong: " + Reason;
}

// Whether File is renamed to Target, noting its doubt if it has one.
bool Decide(const Scanned& File, const std::optional<std::string>& Target,
            const RunRequest& Request, RunResult& Result) {
    const auto doubt = DoubtOf(File.Depth);
    if (!doubt) return bool(Target);
    const std::string text = DoubtText(File, *doubt);
    if (!Target) {
        (Request.Force ? Result.Warnings : Result.Doubts).push_back(text + "; name kept");
        return false;
    }
    if (Request.Force || (Request.Ask && Request.Ask(text))) {
        Result.Warnings.push_back(text + "; renamed all the same");
        return true;
    }
    Result.Doubts.push_back(text + "; name kept (--force to rename)");
    return false;
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
        line += Decide(File, target, Request, Result)
                    ? ": would be renamed to " + QuoteName(*target)
                    : ": name kept";
        Result.Lines.push_back(line);
    } catch (const Error& e) {
        Result.Errors.push_back(e.what());
    }
}

void Rename(const Scanned& File, const RunRequest& Request, RunResult& Result) {
    try {
        const auto target = Target(File);
        if (Decide(File, target, Request, Result)) File.File->RenameNoReplace(*target);
    } catch (const Error& e) {
        Result.Errors.push_back(e.what());
    }
}

} // namespace

std::string PathFromArgument(const std::string& Argument) {
    if (Argument.size() >= 2 && Argument.front() == '"' && Argument.back() == '"')
        return Argument.substr(1, Argument.size() - 2);
    return Argument;
}

RunResult StartupRun(const RunRequest& Request, FileSystem& Files, Clipboard& Clip) {
    RunResult result;
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
        result.Errors.push_back(e.what());
        return result;
    }
    for (const auto& file : scanned)
        Rename(file, Request, result);
    return result;
}

} // namespace vorlund
