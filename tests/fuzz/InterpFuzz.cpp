// The interpreter on any input, with a small step budget: it must end, and
// what it reports must hold together. Two targets build it: interp, and
// macro, whose dictionary and seeds feed it Fanuc macro B.

#include "RunFuzz.h"

#include "support/MemorySource.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    fuzz::CheckRun(text, vorlund::Interpret(vorlund::test::MemorySource(text), fuzz::kRunLimits));
    return 0;
}
