#include "app/StartupRun.h"

#include "common/Error.h"
#include "common/Quote.h"
#include "tag/DepthTag.h"
#include "tag/NewName.h"

namespace vorlund {

namespace {

struct Scanned {
    std::string Path;
    std::string Tag;
    std::unique_ptr<ProgramFile> File; // open until renamed
};

std::vector<Scanned> ScanAll(const RunRequest& Request, FileSystem& Files, RunResult& Result) {
    std::vector<Scanned> scanned;
    for (const auto& argument : Request.Files) {
        const std::string path = PathFromArgument(argument);
        try {
            auto file = Files.Open(path);
            const ScanResult scan = ScanFile(*file, path, Request.Plan);
            Result.MinZ = scan.MinZ;
            scanned.push_back({path, DepthTag(scan.MinZ, Request.Separator), std::move(file)});
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

void Describe(const Scanned& File, RunResult& Result) {
    try {
        const auto target = Target(File);
        Result.Lines.push_back(
            QuoteName(File.Path) + ": " + File.Tag + ": " +
            (target ? "would be renamed to " + QuoteName(*target) : "name kept"));
    } catch (const Error& e) {
        Result.Errors.push_back(e.what());
    }
}

void Rename(const Scanned& File, RunResult& Result) {
    try {
        if (const auto target = Target(File)) File.File->RenameNoReplace(*target);
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
            Describe(file, result);
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
        Rename(file, result);
    return result;
}

} // namespace vorlund
