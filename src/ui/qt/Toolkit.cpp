// The Qt module: the regional settings and the window.
#include "ui/qt/Toolkit.h"

#include "ui/qt/FrmMain.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace vorlund {

namespace {

// Our stderr carries our own messages only; Qt's warnings ("XDG_RUNTIME_DIR
// not set" and the like) mean nothing to a machinist.
void QuietQt(QtMsgType Type, const QMessageLogContext&, const QString& Message) {
    if (Type == QtFatalMsg) std::fprintf(stderr, "vorlund: %s\n", qPrintable(Message));
}

// The window of a run that may show dialogs, made with Qt's connection to
// the display only when one must show: the files are tagged before.
class LateWindow final : public Window {
public:
    explicit LateWindow(char* Argv0) : argv_{Argv0, nullptr} {}

    void ShowMinZ(const std::string& Text) override {
        minZ_ = Text;
        if (form_) form_->ShowMinZ(Text);
    }
    void ShowErrors(const std::vector<std::string>& Lines) override { Form().ShowErrors(Lines); }
    bool AskRename(const std::string& Text) override { return Form().AskRename(Text); }

private:
    FrmMain& Form() {
        if (form_) return *form_;
        app_.emplace(argc_, argv_);
        form_.emplace();
        if (minZ_) form_->ShowMinZ(*minZ_);
        return *form_;
    }

    int argc_ = 1;
    char* argv_[2];
    std::optional<QApplication> app_;
    std::optional<FrmMain> form_;
    std::optional<std::string> minZ_;
};

class QtToolkit final : public Toolkit {
public:
    std::string DecimalSeparator() override {
        return QLocale::system().decimalPoint().toStdString();
    }

    // Ends the program after the step, without Qt's teardown, which takes
    // longer than the whole run (its font database loads fontconfig only to
    // release it); the kernel and the X server clean up after us.
    [[noreturn]] void Load(char* Argv0, bool Dialogs,
                           const std::function<int(Window&)>& Step) override {
        qInstallMessageHandler(QuietQt);
        // Qt gets no arguments of ours: a file named "-style" stays a file.
        End(Dialogs ? WithDialogs(Argv0, Step) : WithNone(Argv0, Step));
    }

private:
    // The display's connection, input methods, accessibility bus and fonts
    // cost more than tagging a file: they wait for the first dialog.
    static int WithDialogs(char* Argv0, const std::function<int(Window&)>& Step) {
        LateWindow window(Argv0);
        return Step(window);
    }

    // A window that shows nothing needs no display: the minimal platform
    // spares all of that.
    static int WithNone(char* Argv0, const std::function<int(Window&)>& Step) {
        char platform[] = "-platform", minimal[] = "minimal";
        char* argv[] = {Argv0, platform, minimal, nullptr};
        int argc = 3;
        QApplication app(argc, argv);
        FrmMain window;
        return window.Load(Step);
    }

    [[noreturn]] static void End(int Status) {
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(Status);
    }
};

} // namespace

} // namespace vorlund

extern "C" __attribute__((visibility("default"))) vorlund::Toolkit* VorlundToolkit() {
    static vorlund::QtToolkit toolkit;
    return &toolkit;
}
