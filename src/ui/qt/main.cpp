// The Linux program: the portable run on the POSIX and X11 platform, with a
// Qt window from a module loaded on first use.
#include "app/Main.h"
#include "platform/linux/LinuxSystem.h"
#include "ui/qt/Toolkit.h"

#include <cstdio>
#include <cstdlib>

#include <dlfcn.h>

using namespace vorlund;

namespace {

// Found through the program's run path: beside it in the build tree,
// in lib/vorlund/modules once installed.
constexpr const char* ModuleName = "vorlund-qt.so";

Toolkit& LoadToolkit() {
    static Toolkit* toolkit = [] {
        void* module = ::dlopen(ModuleName, RTLD_NOW | RTLD_LOCAL);
        auto* entry =
            module ? reinterpret_cast<Toolkit* (*)()>(::dlsym(module, "VorlundToolkit")) : nullptr;
        if (!entry) {
            std::fprintf(stderr, "vorlund: cannot load the window: %s\n", ::dlerror());
            std::exit(1);
        }
        return entry();
    }();
    return *toolkit;
}

class QtLinux final : public LinuxSystem {
public:
    explicit QtLinux(char* Argv0) : argv0_(Argv0) {}

    std::string DecimalSeparator() override { return LoadToolkit().DecimalSeparator(); }

    int Load(bool Dialogs, const std::function<int(Window&)>& Step) override {
        return LoadToolkit().Load(argv0_, Dialogs, Step);
    }

private:
    char* argv0_;
};

} // namespace

int main(int argc, char** argv) {
    QtLinux system(argv[0]);
    return Main({argv + 1, argv + argc}, system);
}
