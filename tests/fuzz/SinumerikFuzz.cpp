// The Sinumerik reader on any input, with a small step budget: it must end, and
// what it reports must hold together.

#include "Fuzz.h"

#include "interp/Sinumerik.h"
#include "support/MemorySource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    const auto lines = std::int64_t(std::count(text.begin(), text.end(), '\n') +
                                    std::count(text.begin(), text.end(), '\r')) +
                       1;
    const vorlund::InterpResult r =
        vorlund::InterpretSinumerik(vorlund::test::MemorySource(text), {20'000, 16});
    fuzz::Expect(r.MinZ <= 0.0f, "depth never above 0");
    if (r.Reason == vorlund::Unsettled::None) {
        fuzz::Expect(r.MinLine >= 0 && r.MinLine <= lines, "line of the deepest point");
        fuzz::Expect((r.MinLine == 0) == (r.MinZ == 0.0f), "a line for a depth");
    } else {
        fuzz::Expect(r.Line >= 0 && r.Line <= lines, "line of the reason");
    }
    return 0;
}
