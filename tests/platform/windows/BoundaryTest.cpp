#include "app/Messages.h"
#include "platform/windows/SystemError.h"
#include "platform/windows/Utf.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace vorlund;

TEST(Boundary, Utf8AndUtf16) {
    const struct {
        const char* what;
        std::string narrow;
        std::wstring wide;
    } cases[] = {
        {"empty", "", L""},
        {"ASCII", "PART1.TAP", L"PART1.TAP"},
        {"two bytes",
         "M\xC3\xBC"
         "hle",
         L"M\u00FChle"},
        {"three bytes", "\xE2\x82\xAC", L"\u20AC"},
        {"surrogate pair", "\xF0\x9D\x84\x9E", L"\xD834\xDD1E"},
        {"NUL inside", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Widen(c.narrow), c.wide) << c.what;
        EXPECT_EQ(Narrow(c.wide), c.narrow) << c.what;
    }
    EXPECT_EQ(Widen("a\xFF"
                    "b"),
              L"a\uFFFDb")
        << "an invalid byte";
    EXPECT_EQ(Narrow(L"a\xD800"), "a\xEF\xBF\xBD") << "a lone surrogate";
}

TEST(Boundary, LongPathsGetThePrefix) {
    const std::string name(250, 'n');
    const struct {
        const char* what;
        std::string path;
        std::wstring expected;
    } cases[] = {
        {"short", "C:\\jobs\\a.nc", L"C:\\jobs\\a.nc"},
        {"long", "C:\\jobs\\" + name, L"\\\\?\\C:\\jobs\\" + Widen(name)},
        {"long with ..", "C:\\jobs\\old\\..\\" + name, L"\\\\?\\C:\\jobs\\" + Widen(name)},
        {"long, slashes", "C:/jobs/" + name, L"\\\\?\\C:\\jobs\\" + Widen(name)},
        {"long UNC", "\\\\server\\share\\" + name, L"\\\\?\\UNC\\server\\share\\" + Widen(name)},
        {"prefixed", "\\\\?\\C:\\jobs\\" + name, L"\\\\?\\C:\\jobs\\" + Widen(name)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SystemPath(c.path), c.expected) << c.what;
}

TEST(Boundary, ErrorCodesInTheUsersWords) {
    const struct {
        Fault::Kind what;
        unsigned long code;
        std::string expected;
    } cases[] = {
        {Fault::Kind::System, ERROR_FILE_NOT_FOUND, "C:\\a.nc: No such file or directory"},
        {Fault::Kind::System, ERROR_PATH_NOT_FOUND, "C:\\a.nc: No such file or directory"},
        {Fault::Kind::System, ERROR_ACCESS_DENIED, "C:\\a.nc: Permission denied"},
        {Fault::Kind::System, ERROR_SHARING_VIOLATION, "C:\\a.nc: in use by another program"},
        {Fault::Kind::Rename, ERROR_FILE_EXISTS,
         "C:\\a.nc: cannot rename to C:\\ah1.nc: File exists"},
        {Fault::Kind::Rename, ERROR_ALREADY_EXISTS,
         "C:\\a.nc: cannot rename to C:\\ah1.nc: File exists"},
        {Fault::Kind::Rename, ERROR_NOT_SAME_DEVICE,
         "C:\\a.nc: cannot rename to C:\\ah1.nc: Invalid cross-device link"},
        {Fault::Kind::Clipboard, ERROR_ACCESS_DENIED,
         "cannot put the depth tag on the clipboard: Permission denied"},
        {Fault::Kind::System, 0x2A3B9, "C:\\a.nc: error 172985"},
    };
    for (const auto& c : cases) {
        const std::string path = c.what == Fault::Kind::Clipboard ? "" : "C:\\a.nc";
        EXPECT_EQ(Message(Error(CodeFault(c.what, path, c.code, "C:\\ah1.nc"))), c.expected)
            << c.code;
    }
    // Any other code reads as the system's sentence, without its full stop.
    const std::string full = Message(Error(CodeFault(Fault::Kind::System, "a", ERROR_DISK_FULL)));
    ASSERT_GT(full.size(), 4u);
    EXPECT_EQ(full.substr(0, 3), "a: ");
    EXPECT_NE(full.back(), '.');
    EXPECT_EQ(full.find('\n'), std::string::npos);
}
