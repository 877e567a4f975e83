#include "common/Quote.h"

#include <cstdint>

namespace vorlund {

namespace {

// Length of the UTF-8 character at Text[I] that is printable: 0 for a
// control character (C0, DEL, C1) or a byte that starts no valid character.
std::size_t Printable(std::string_view Text, std::size_t I) {
    const auto byte = [&](std::size_t K) { return std::uint8_t(Text[I + K]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return lead >= 0x20 && lead != 0x7f ? 1 : 0;
    const std::size_t length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 ? 2 : 0;
    if (length == 0 || lead > 0xf4 || I + length > Text.size()) return 0;
    std::uint32_t code = lead & (0x7f >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xc0) != 0x80) return 0;
        code = code << 6 | (byte(k) & 0x3f);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
    return code >= 0x80 && code < 0xa0 ? 0 : length;
}

bool Safe(std::string_view Name) {
    for (std::size_t i = 0, n; i < Name.size(); i += n)
        if ((n = Printable(Name, i)) == 0) return false;
    return true;
}

std::string Escape(std::uint8_t Byte) {
    switch (Byte) {
    case '\a':
        return "\\a";
    case '\b':
        return "\\b";
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\v':
        return "\\v";
    case '\f':
        return "\\f";
    case '\r':
        return "\\r";
    case 0x1b:
        return "\\e";
    default:
        return {'\\', char('0' + (Byte >> 6)), char('0' + ((Byte >> 3) & 7)),
                char('0' + (Byte & 7))};
    }
}

} // namespace

std::string QuoteName(std::string_view Name) {
    if (Safe(Name)) return std::string(Name);
    std::string out;
    bool quoted = false; // inside '...'
    for (std::size_t i = 0; i < Name.size();) {
        const std::size_t n = Printable(Name, i);
        if (n == 0) {
            out += quoted ? "'$'" : "$'";
            for (; i < Name.size() && Printable(Name, i) == 0; ++i)
                out += Escape(std::uint8_t(Name[i]));
            out += '\'';
            quoted = false;
            continue;
        }
        if (Name[i] == '\'') {
            out += quoted ? "'\\'" : "\\'";
            quoted = false;
        } else {
            if (!quoted) out += '\'';
            quoted = true;
            out.append(Name.substr(i, n));
        }
        i += n;
    }
    if (quoted) out += '\'';
    return out;
}

} // namespace vorlund
