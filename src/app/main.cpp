#include "app/StartupRun.h"
#include "common/Error.h"
#include "platform/Display.h"
#include "platform/ErrorDialog.h"
#include "platform/Options.h"
#include "platform/PosixFileSystem.h"
#include "platform/Regional.h"
#include "platform/X11Clipboard.h"
#include "tag/DepthTag.h"
#include "ui/FrmMain.h"

#include <QApplication>
#include <QLabel>

#include <cstdio>
#include <cstdlib>

using namespace vorlund;

namespace {

// A dry run never touches the clipboard.
class NoClipboard : public Clipboard {
public:
    void SetText(const std::string&) override { throw Error("a dry run has no clipboard"); }
};

void PrintErrors(const std::vector<std::string>& Errors) {
    for (const auto& error : Errors)
        std::fprintf(stderr, "vorlund: %s\n", error.c_str());
}

int UsageError(const std::string& What) {
    std::fprintf(stderr, "vorlund: %s\nTry 'vorlund --help' for more information.\n", What.c_str());
    return 2;
}

RunRequest Request(const Options& Given) {
    return {Given.Files, DecimalSeparator(), Given.DryRun};
}

int DryRun(const Options& Given) {
    PosixFileSystem files;
    NoClipboard clipboard;
    const RunResult result = StartupRun(Request(Given), files, clipboard);
    for (const auto& line : result.Lines)
        std::printf("%s\n", line.c_str());
    PrintErrors(result.Errors);
    return result.ExitCode();
}

// Ends the program without Qt's teardown, which takes longer than the whole
// run (its font database loads fontconfig only to release it); the kernel
// and the X server clean up after us. The keeper, if it has no text, sees
// its channel close and ends too.
[[noreturn]] void ExitNow(int Status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(Status);
}

// The start-up run as the window's load step.
[[noreturn]] void Run(const Options& Given, Clipboard& Clip, char* Argv0) {
    // Qt gets no arguments of ours: a file named "-style" stays a file.
    int argc = 1;
    char* argv[] = {Argv0, nullptr};
    QApplication app(argc, argv);
    PosixFileSystem files;
    RunResult result;
    FrmMain window;
    ExitNow(window.Load([&](FrmMain& Window) {
        const RunRequest request = Request(Given); // the locale, now that Qt has read it
        result = StartupRun(request, files, Clip);
        if (result.MinZ)
            Window.LblKelto->setText(
                QString::fromStdString(DecimalText(*result.MinZ, request.Separator)));
        PrintErrors(result.Errors);
        if (!result.Errors.empty() && WantErrorDialog(Given.NoDialog))
            ShowErrorDialog(result.Errors);
        return result.ExitCode();
    }));
}

} // namespace

int main(int argc, char** argv) {
    const Options given = ParseOptions(argc, argv);
    switch (given.What) {
    case Options::Action::Help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case Options::Action::Version:
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    case Options::Action::UsageError:
        return UsageError(given.Error);
    case Options::Action::Run:
        break;
    }
    if (given.Files.empty()) return 0;
    if (given.DryRun) return DryRun(given);
    const DisplayCheck display; // open until the program ends
    if (!display.Reachable()) {
        std::fputs("vorlund: no X display: cannot put the depth tag on the clipboard\n", stderr);
        return 1;
    }
    X11Clipboard clipboard; // forks the keeper: no Qt object or thread may exist yet
    Run(given, clipboard, argv[0]);
}
