#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

namespace vorlund {

// The program from its arguments (those after its name) to its exit status:
// help, version and the dry run need no display; a run that tags readies the
// clipboard, then does its work in the window's load step.
int Main(const std::vector<std::string>& Args, Platform& System);

} // namespace vorlund
