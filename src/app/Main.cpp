#include "app/Main.h"

#include "app/Gather.h"
#include "app/Messages.h"
#include "app/Options.h"
#include "app/StartupRun.h"
#include "common/Error.h"
#include "tag/DepthTag.h"

namespace vorlund {

namespace {

// A dry run never touches the clipboard.
class NoClipboard : public Clipboard {
public:
    void SetText(const std::string&) override { throw Error("a dry run has no clipboard"); }
};

void PrintErrors(Platform& System, const std::vector<std::string>& Errors,
                 const std::string& Kind = "") {
    for (const auto& error : Errors)
        System.PrintError("vorlund: " + Kind + error + "\n");
}

void PrintReport(Platform& System, const RunResult& Result) {
    PrintErrors(System, Result.Errors);
    PrintErrors(System, Result.Doubts);
    PrintErrors(System, Result.Warnings, "warning: ");
}

RunRequest Request(const Options& Given, Platform& System) {
    RunRequest request;
    request.Files = Given.Files;
    request.Separator = System.DecimalSeparator();
    request.DryRun = Given.DryRun;
    request.Force = Given.Force;
    return request;
}

int DryRun(const Options& Given, Platform& System) {
    NoClipboard clipboard;
    const RunResult result = StartupRun(Request(Given, System), System.Files(), clipboard);
    for (const auto& line : result.Lines)
        System.Print(line + "\n");
    PrintReport(System, result);
    return result.ExitCode();
}

// The one question for the files in doubt, listing at most kAskLines.
constexpr size_t kAskLines = 30;

std::string QuestionText(const std::vector<std::string>& Doubts) {
    if (Doubts.size() == 1) return Doubts[0];
    std::string text = "the depth of " + std::to_string(Doubts.size()) + " files may be wrong:";
    for (size_t i = 0; i < Doubts.size() && i < kAskLines; ++i)
        text += "\n" + Doubts[i];
    if (Doubts.size() > kAskLines)
        text += "\nand " + std::to_string(Doubts.size() - kAskLines) + " more";
    return text;
}

// Tags what Feed gives, each step at once; the question and the dialog
// come once at the end.
int TagFiles(const Options& Given, Platform& System, bool Dialogs, FileFeed& Feed) {
    Clipboard* clipboard = nullptr;
    try {
        clipboard = &System.OpenClipboard();
    } catch (const Error& e) {
        PrintErrors(System, {Message(e)});
        const auto files = Feed.Next(); // its own
        return Feed.Finish(std::vector<int>(files ? files->size() : 0, 1));
    }
    return System.Load(Dialogs, [&](Window& Form) {
        RunRequest request = Request(Given, System);
        if (Dialogs)
            request.Ask = [&](const std::vector<std::string>& Doubts) {
                return Form.AskRename(QuestionText(Doubts));
            };
        TagRun run(request, System.Files(), *clipboard);
        while (const auto files = Feed.Next())
            Feed.Tagged(run.Add(*files));
        const RunResult result = run.Finish();
        if (result.MinZ) Form.ShowMinZ(DecimalText(*result.MinZ, request.Separator));
        PrintReport(System, result);
        if (!result.Errors.empty() && Dialogs) Form.ShowErrors(result.Errors);
        return Feed.Finish(result.Status);
    });
}

// Started by a file manager, the files of runs started together are tagged
// in one run; from a terminal a run keeps to its own files and status.
int Tag(const Options& Given, Platform& System) {
    const bool dialogs = !Given.NoDialog && System.DialogsWanted();
    const RunFeed run = [&](FileFeed& Feed) { return TagFiles(Given, System, dialogs, Feed); };
    GatherChannel* channel = dialogs ? System.Gathering() : nullptr;
    if (!channel) return RunAlone(Given.Files, run);
    return Gather(Given.Files, Given.Force ? "--force" : "", *channel, run);
}

} // namespace

int Main(const std::vector<std::string>& Args, Platform& System) {
    const Options given = ParseOptions(Args);
    switch (given.What) {
    case Options::Action::Help:
        System.Print(UsageText());
        return 0;
    case Options::Action::Version:
        System.Print(VersionText());
        return 0;
    case Options::Action::UsageError:
        System.PrintError("vorlund: " + given.Error +
                          "\nTry 'vorlund --help' for more information.\n");
        return 2;
    case Options::Action::Run:
        break;
    }
    if (given.Files.empty()) return 0;
    return given.DryRun ? DryRun(given, System) : Tag(given, System);
}

} // namespace vorlund
