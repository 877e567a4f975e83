#include "app/StartupRun.h"

#include "app/Messages.h"
#include "common/Error.h"
#include "common/Quote.h"
#include "tag/DepthTag.h"
#include "tag/NewName.h"

namespace vorlund {

namespace {

struct Scanned {
    std::string Path;
    std::string Tag;
    ScanResult Scan;
    std::unique_ptr<ProgramFile> File; // known until renamed
};

std::vector<Scanned> ScanAll(const RunRequest& Request, FileSystem& Files, RunResult& Result) {
    std::vector<Scanned> scanned;
    for (const auto& argument : Request.Files) {
        const std::string path = PathFromArgument(argument);
        try {
            auto file = Files.Open(path);
            ScanResult scan = ScanFile(*file, path, Request.Plan);
            file->DoneReading(); // a folder's thousands of files are never all open
            Result.MinZ = scan.MinZ;
            const std::string tag = DepthTag(scan.MinZ, Request.Separator);
            scanned.push_back({path, tag, std::move(scan), std::move(file)});
        } catch (const Error& e) {
            Result.Errors.push_back(Message(e));
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

// "PATH: h0 may be wrong: line 41: Z is not a number (Z[#26-#13]); 3 more lines"
std::string DoubtText(const Scanned& File) {
    const Doubt& first = File.Scan.FirstDoubt;
    std::string text = QuoteName(File.Path) + ": " + File.Tag + " may be wrong: line " +
                       std::to_string(first.Line) + ": " + std::string(DoubtWords(first.Kind));
    if (!first.Text.empty()) text += " (" + QuoteName(first.Text) + ")";
    if (const std::int64_t more = File.Scan.DoubtLines - 1; more > 0)
        text += "; " + std::to_string(more) + (more == 1 ? " more line" : " more lines");
    return text;
}

// Whether File is renamed to NewPath, noting its doubt if it has one.
bool Decide(const Scanned& File, const std::optional<std::string>& NewPath,
            const RunRequest& Request, RunResult& Result) {
    if (File.Scan.DoubtLines == 0) return bool(NewPath);
    const std::string text = DoubtText(File);
    if (!NewPath) {
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
        if (File.Scan.MinLine > 0) line += " (line " + std::to_string(File.Scan.MinLine) + ")";
        line += Decide(File, target, Request, Result)
                    ? ": would be renamed to " + QuoteName(*target)
                    : ": name kept";
        Result.Lines.push_back(line);
    } catch (const Error& e) {
        Result.Errors.push_back(Message(e));
    }
}

void Rename(const Scanned& File, const RunRequest& Request, RunResult& Result) {
    try {
        const auto target = Target(File);
        if (Decide(File, target, Request, Result)) File.File->RenameNoReplace(*target);
    } catch (const Error& e) {
        Result.Errors.push_back(Message(e));
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
        result.Errors.push_back(Message(e));
        return result;
    }
    for (const auto& file : scanned)
        Rename(file, Request, result);
    return result;
}

} // namespace vorlund
