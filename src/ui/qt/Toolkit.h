#pragma once

#include "platform/Platform.h"

#include <functional>
#include <string>

namespace vorlund {

// The Qt half of the Linux program, in a module of its own that the program
// loads only when it needs the regional settings or the window: --help and
// --version never load Qt.
class Toolkit {
public:
    // The decimal separator of the user's regional settings.
    virtual std::string DecimalSeparator() = 0;
    // Creates the window, runs Step in its load step and ends the program
    // with Step's status: it never returns.
    [[noreturn]] virtual void Load(char* Argv0, bool Dialogs,
                                   const std::function<int(Window&)>& Step) = 0;

protected:
    ~Toolkit() = default;
};

} // namespace vorlund

// The module's one entry point, found by name.
extern "C" vorlund::Toolkit* VorlundToolkit();
