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

} // namespace

struct TagRun::Scanned {
    size_t Index; // among the files added
    std::string Path;
    std::string Tag;
    FileDepth Depth;
    std::unique_ptr<ProgramFile> File; // known until renamed
    // "PATH: h0 may be wrong: line 12: machine coordinates (G53 Z-50)";
    // unset when the depth is settled.
    std::optional<std::string> Doubt;
};

namespace {

using Scanned = TagRun::Scanned;

// Scans Given, the files from Result's First on.
std::vector<Scanned> ScanAll(const std::vector<std::string>& Given, size_t First,
                             const RunRequest& Request, FileSystem& Files, RunResult& Result) {
    std::vector<Scanned> scanned;
    for (size_t i = First; i < First + Given.size(); ++i) {
        const std::string path = PathFromArgument(Given[i - First]);
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

// Text, the tags so far, with those of Files, one a line.
std::string JoinTags(std::string Text, const std::vector<Scanned>& Files) {
    for (const auto& file : Files) {
        if (!Text.empty()) Text += '\n';
        Text += file.Tag;
    }
    return Text;
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

// True when File waits for the one question: in doubt, with someone to ask,
// and a new name to take.
bool Asks(const Scanned& File, const RunRequest& Request) {
    if (!File.Doubt || Request.Force || !Request.Ask) return false;
    try {
        return bool(Target(File));
    } catch (const Error&) { // reported when it is renamed
        return false;
    }
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

TagRun::TagRun(const RunRequest& Request, FileSystem& Files, Clipboard& Clip)
    : request_(Request), files_(Files), clip_(Clip) {}

TagRun::~TagRun() = default;

std::vector<int> TagRun::Add(const std::vector<std::string>& Files) {
    const size_t first = result_.Status.size();
    result_.Status.resize(first + Files.size(), 0);
    auto scanned = ScanAll(Files, first, request_, files_, result_);
    const auto status = [&] {
        return std::vector<int>(result_.Status.begin() + long(first), result_.Status.end());
    };
    if (request_.DryRun) {
        for (const auto& file : scanned)
            Describe(file, request_, result_);
        return status();
    }
    if (scanned.empty()) return status();
    std::string tags = JoinTags(tags_, scanned);
    try {
        clip_.SetText(tags);
    } catch (const Error& e) {
        // Without the tag on the clipboard no file is renamed.
        result_.Errors.push_back(Message(e));
        for (const auto& file : scanned)
            result_.Status[file.Index] = 1;
        return status();
    }
    tags_ = std::move(tags);
    for (auto& file : scanned) {
        if (!Asks(file, request_)) {
            Rename(file, request_, false, result_);
            continue;
        }
        result_.Status[file.Index] = kAsking;
        asking_.push_back(std::move(file));
    }
    return status();
}

RunResult TagRun::Finish() {
    std::vector<std::string> doubts;
    for (const auto& file : asking_)
        doubts.push_back(*file.Doubt);
    const bool anyway = !doubts.empty() && request_.Ask(doubts);
    for (const auto& file : asking_) {
        result_.Status[file.Index] = 0;
        Rename(file, request_, anyway, result_);
    }
    asking_.clear();
    return result_;
}

RunResult StartupRun(const RunRequest& Request, FileSystem& Files, Clipboard& Clip) {
    TagRun run(Request, Files, Clip);
    run.Add(Request.Files);
    return run.Finish();
}

} // namespace vorlund
