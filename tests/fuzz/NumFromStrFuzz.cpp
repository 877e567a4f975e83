// NumFromStr on any line from any start: never crashes, and reads what the
// plain reference reads, overflow included.

#include "Fuzz.h"

#include "common/Error.h"
#include "scan/NumFromStr.h"

#include <climits>
#include <cstdint>
#include <string_view>

namespace {

// The first byte picks the start: mostly inside the line or just past it,
// sometimes a value that must be refused or that lies far beyond it.
std::int32_t StartPoz(std::uint8_t Byte, std::size_t Length) {
    switch (Byte) {
    case 255:
        return 0;
    case 254:
        return -1;
    case 253:
        return INT32_MIN;
    case 252:
        return INT32_MAX;
    default:
        return std::int32_t(1 + Byte % (Length + 2));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 1 || Size > 100000) return 0;
    const std::string_view line(reinterpret_cast<const char*>(Data) + 1, Size - 1);
    const std::int32_t start = StartPoz(Data[0], line.size());
    if (start < 1) {
        bool refused = false;
        try {
            vorlund::NumFromStr(line, start);
        } catch (const vorlund::Error&) {
            refused = true;
        }
        fuzz::Expect(refused, "a start before the line is refused");
        return 0;
    }
    const auto got = vorlund::NumFromStr(line, start);
    const std::size_t from = std::size_t(start) - 1;
    const auto want = fuzz::ReadLenient(from < line.size() ? line.substr(from) : "");
    fuzz::Expect(!got == want.overflow, "out of range exactly when beyond the float range");
    if (got) fuzz::Expect(*got == want.value, "value");
    return 0;
}
