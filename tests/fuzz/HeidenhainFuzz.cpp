// The Heidenhain reader on any input after BEGIN PGM, with a small step
// budget: it must end, and what it reports must hold together.

#include "RunFuzz.h"

#include "support/MemorySource.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string text =
        "BEGIN PGM F MM\n" + std::string(reinterpret_cast<const char*>(Data), Size);
    fuzz::CheckRun(text, vorlund::Interpret(vorlund::test::MemorySource(text), fuzz::kRunLimits),
                   1);
    return 0;
}
