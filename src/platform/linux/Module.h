#pragma once

#include <string>

namespace vorlund {

// The address of Symbol in the program's own module Name, looked for beside
// the program (the build tree) and in ../lib/vorlund/modules from it (an
// install). The path is made from the program's own location, not the run
// path, which dlopen reads from its caller: a sanitizer's interceptor. Throws
// Error "cannot load the window: reason" when it is missing.
void* ModuleSymbol(const std::string& Name, const char* Symbol);

} // namespace vorlund
