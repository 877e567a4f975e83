#include "platform/linux/Module.h"

#include "common/Error.h"

#include <filesystem>

#include <dlfcn.h>

namespace vorlund {

void* ModuleSymbol(const std::string& Name, const char* Symbol) {
    std::error_code error;
    const auto folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    std::string reason = "no " + Name + " beside the program or in ../lib/vorlund/modules";
    for (const auto& path : {folder / Name, folder / "../lib/vorlund/modules" / Name}) {
        if (!std::filesystem::exists(path, error)) continue;
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        void* address = module ? ::dlsym(module, Symbol) : nullptr;
        if (address) return address;
        reason = ::dlerror();
    }
    throw Error("cannot load the window: " + reason);
}

} // namespace vorlund
