#include "app/Main.h"

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

int Tag(const Options& Given, Platform& System) {
    Clipboard* clipboard = nullptr;
    try {
        clipboard = &System.OpenClipboard();
    } catch (const Error& e) {
        PrintErrors(System, {Message(e)});
        return 1;
    }
    const bool dialogs = !Given.NoDialog && System.DialogsWanted();
    return System.Load(dialogs, [&](Window& Form) {
        RunRequest request = Request(Given, System);
        if (dialogs) request.Ask = [&](const std::string& Doubt) { return Form.AskRename(Doubt); };
        const RunResult result = StartupRun(request, System.Files(), *clipboard);
        if (result.MinZ) Form.ShowMinZ(DecimalText(*result.MinZ, request.Separator));
        PrintReport(System, result);
        if (!result.Errors.empty() && dialogs) Form.ShowErrors(result.Errors);
        return result.ExitCode();
    });
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
