// The Linux program: the portable run on the POSIX and X11 platform, with a
// Qt window from a module loaded on first use.
#include "app/Main.h"
#include "common/Error.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/Module.h"
#include "ui/qt/Toolkit.h"

#include <cstdio>
#include <cstdlib>

using namespace vorlund;

namespace {

Toolkit& LoadToolkit() {
    static Toolkit* toolkit = [] {
        try {
            return reinterpret_cast<Toolkit* (*)()>(
                ModuleSymbol("vorlund-qt.so", "VorlundToolkit"))();
        } catch (const Error& e) {
            std::fprintf(stderr, "vorlund: %s\n", e.what());
            std::exit(1);
        }
    }();
    return *toolkit;
}

class QtLinux final : public LinuxSystem {
public:
    explicit QtLinux(char* Argv0) : argv0_(Argv0) {}

    std::string DecimalSeparator() override { return LoadToolkit().DecimalSeparator(); }

    // Ends the program with Step's status: Load never returns.
    int Load(bool Dialogs, const std::function<int(Window&)>& Step) override {
        LoadToolkit().Load(argv0_, Dialogs, Step);
        std::abort(); // not reached: GCC drops [[noreturn]] on a virtual call
    }

private:
    char* argv0_;
};

} // namespace

int main(int argc, char** argv) {
    QtLinux system(argv[0]);
    return Main({argv + 1, argv + argc}, system);
}
