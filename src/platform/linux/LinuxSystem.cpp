#include "platform/linux/LinuxSystem.h"

#include "common/Error.h"

#include <cstdio>

#include <unistd.h>

namespace vorlund {

bool LinuxSystem::DialogsWanted() {
    return ::isatty(STDERR_FILENO) == 0;
}

void LinuxSystem::Print(const std::string& Text) {
    std::fputs(Text.c_str(), stdout);
}

void LinuxSystem::PrintError(const std::string& Text) {
    std::fputs(Text.c_str(), stderr);
}

Clipboard& LinuxSystem::OpenClipboard() {
    display_.emplace();
    if (!display_->Reachable()) throw Error(Fault(Fault::Kind::NoDisplay));
    return clipboard_.emplace();
}

} // namespace vorlund
