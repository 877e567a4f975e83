// The Qt module: the regional settings and the window.
#include "ui/qt/Toolkit.h"

#include "ui/qt/FrmMain.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <cstdlib>

namespace vorlund {

namespace {

// Our stderr carries our own messages only; Qt's warnings ("XDG_RUNTIME_DIR
// not set" and the like) mean nothing to a machinist.
void QuietQt(QtMsgType Type, const QMessageLogContext&, const QString& Message) {
    if (Type == QtFatalMsg) std::fprintf(stderr, "vorlund: %s\n", qPrintable(Message));
}

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
        // Qt gets no arguments of ours: a file named "-style" stays a file. A
        // window that shows nothing needs no display: the minimal platform
        // spares the X connection, the input methods, the accessibility bus
        // and the font database.
        char platform[] = "-platform", minimal[] = "minimal";
        char* argv[] = {Argv0, platform, minimal, nullptr};
        int argc = Dialogs ? 1 : 3;
        if (Dialogs) argv[1] = nullptr;
        QApplication app(argc, argv);
        FrmMain window;
        const int status = window.Load(Step);
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }
};

} // namespace

} // namespace vorlund

extern "C" __attribute__((visibility("default"))) vorlund::Toolkit* VorlundToolkit() {
    static vorlund::QtToolkit toolkit;
    return &toolkit;
}
