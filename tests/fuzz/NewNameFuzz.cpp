// The new name for any path and tag: stays in the file's folder, carries no
// "/" or NUL in the file name, keeps a name that already holds a depth tag.

#include "Fuzz.h"

#include "common/Error.h"
#include "tag/DepthTag.h"
#include "tag/NewName.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

bool Has(std::string_view Text, std::string_view Chars) {
    return Text.find_first_of(Chars) != std::string_view::npos;
}

constexpr std::string_view kBadInTag("/\\\0", 3);
constexpr std::string_view kNul("\0", 1);

// "h" or "H" directly before a digit, anywhere in the name.
bool Tagged(std::string_view Name) {
    for (std::size_t i = 1; i < Name.size(); ++i)
        if (Name[i] >= '0' && Name[i] <= '9' && (Name[i - 1] | 0x20) == 'h') return true;
    return false;
}

struct Input {
    std::string tag;
    bool depthTag = false; // built by DepthTag from a finite value
    std::string_view path;
};

// Byte 0 even: a depth tag from the float in bytes 1..4 and a separator of
// byte 5's length taken from the bytes after it. Odd: a tag of any bytes,
// byte 1 long. The rest is the path.
std::optional<Input> Split(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view all(reinterpret_cast<const char*>(Data), Size);
    Input in;
    std::size_t at = 0;
    if (Size < 2) return std::nullopt;
    if (Data[0] % 2 == 0) {
        if (Size < 6) return std::nullopt;
        float value = 0;
        std::memcpy(&value, Data + 1, sizeof value);
        const std::size_t n = std::min<std::size_t>(Data[5] % 4, Size - 6);
        if (!std::isfinite(value)) return std::nullopt; // the scan gives none
        in.tag = vorlund::DepthTag(value, all.substr(6, n));
        in.depthTag = true;
        at = 6 + n;
    } else {
        const std::size_t n = std::min<std::size_t>(Data[1], Size - 2);
        in.tag = std::string(all.substr(2, n));
        at = 2 + n;
    }
    in.path = all.substr(at);
    return in;
}

void CheckNewName(const std::string& Result, std::string_view Folder, std::string_view Name,
                  std::string_view Tag) {
    fuzz::Expect(Result.compare(0, Folder.size(), Folder) == 0, "same folder");
    const std::string_view newName = std::string_view(Result).substr(Folder.size());
    fuzz::Expect(!Has(newName, std::string_view("/\0", 2)), "no / or NUL in the new name");
    // The extension is from the last "." on, unless that is the name's start.
    const auto dot = Name.rfind('.');
    const auto cut = dot == Name.npos || dot == 0 ? Name.size() : dot;
    const std::string want =
        std::string(Name.substr(0, cut)) + std::string(Tag) + std::string(Name.substr(cut));
    fuzz::Expect(newName == want, "tag in front of the extension or at the end");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const auto in = Split(Data, Size);
    if (!in) return 0;
    const auto slash = in->path.rfind('/');
    const auto folder = slash == in->path.npos ? std::string_view() : in->path.substr(0, slash + 1);
    const auto name = in->path.substr(folder.size());
    const bool refuse = Has(in->tag, kBadInTag) || name.empty() || Has(in->path, kNul);
    std::optional<std::string> result;
    try {
        result = vorlund::NewName(in->path, in->tag);
    } catch (const vorlund::Error&) {
        fuzz::Expect(refuse, "refused only a bad tag, a path without name or with NUL");
        return 0;
    }
    fuzz::Expect(!refuse, "a bad tag, a path without name or with NUL is refused");
    fuzz::Expect(!result == Tagged(name), "kept exactly when the name holds a depth tag");
    if (!result) return 0;
    CheckNewName(*result, folder, name, in->tag);
    if (in->depthTag) fuzz::Expect(!vorlund::NewName(*result, in->tag), "a tagged name is kept");
    return 0;
}
