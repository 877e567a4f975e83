#include "common/Quote.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using vorlund::QuoteName;

namespace {

// What a shell makes of Quoted: '...' as it stands, \' a quote, and $'...'
// with backslash escapes (\e \n \a ... and three octal digits).
std::string Unquote(const std::string& Quoted) {
    const std::string named = "a\ab\bt\tn\nv\vf\fr\re\x1b";
    std::string out;
    for (std::size_t i = 0; i < Quoted.size();) {
        if (Quoted.compare(i, 2, "\\'") == 0) {
            out += '\'';
            i += 2;
        } else if (Quoted[i] == '\'') {
            const std::size_t end = Quoted.find('\'', i + 1);
            out += Quoted.substr(i + 1, end - i - 1);
            i = end + 1;
        } else if (Quoted.compare(i, 2, "$'") == 0) {
            for (i += 2; Quoted[i] != '\''; i += 2) {
                const std::size_t at = named.find(Quoted[i + 1]);
                if (at != std::string::npos && at % 2 == 0) {
                    out += named[at + 1];
                    continue;
                }
                out += char((Quoted[i + 1] - '0') << 6 | (Quoted[i + 2] - '0') << 3 |
                            (Quoted[i + 3] - '0'));
                i += 2;
            }
            ++i;
        } else {
            ADD_FAILURE() << "unquoted text in " << Quoted;
            break;
        }
    }
    return out;
}

} // namespace

TEST(QuoteName, ControlBytesAndBadUtf8AreQuotedOthersStayAsTheyAre) {
    const std::pair<std::string, std::string> rows[] = {
        {"/jobs/PART1.TAP", "/jobs/PART1.TAP"},
        {"/jobs/job two.nc", "/jobs/job two.nc"},
        {"/jobs/it's.nc", "/jobs/it's.nc"},
        {"/jobs/Teil_\xc3\xa4.nc", "/jobs/Teil_\xc3\xa4.nc"},
        {"a\nb.nc", "'a'$'\\n''b.nc'"},
        {"\x1b]0;x\a\x1b[31mred.nc", "$'\\e'']0;x'$'\\a\\e''[31mred.nc'"},
        {"bad\xff.nc", "'bad'$'\\377''.nc'"},
        {"\xc2\x9b"
         "2J.nc",
         "$'\\302\\233''2J.nc'"},              // C1 CSI
        {"\xc0\xaf.nc", "$'\\300\\257''.nc'"}, // overlong "/"
        {"it's\t.nc", "'it'\\''s'$'\\t''.nc'"},
        {"\n", "$'\\n'"},
    };
    for (const auto& [name, quoted] : rows) {
        EXPECT_EQ(QuoteName(name), quoted) << name;
        if (quoted != name) {
            EXPECT_EQ(Unquote(quoted), name) << quoted;
        }
    }
}
