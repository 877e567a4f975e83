#include "scan/Scanner.h"

#include <gtest/gtest.h>

#include <string>

using vorlund::ScanBytes;

namespace {

using namespace std::string_literals;

struct Row {
    const char* what;
    std::string program;
    float minZ;
};

const std::string kOverflow = std::string(40, '9');

const Row kRows[] = {
    {"CR LF after every line", "Z5\r\nZ-2.5\r\nZ-7\r\n", -7.0f},
    {"no final line end", "Z5\r\nZ-2.5\r\nZ-7", -7.0f},
    {"LF only", "Z5\nZ-2.5\nZ-7\n", -7.0f},
    {"lone CR", "Z5\rZ-2.5\rZ-7\r", -7.0f},
    {"mixed line ends", "Z5\nZ-2.5\r\nZ-7\rZ1", -7.0f},
    {"empty file", "", 0.0f},
    {"only line ends", "\r\n\n\r\r\n", 0.0f},
    {"all positive", "G0 Z5\nG1 Z0.5\n", 0.0f},
    {"first Z word only", "G1 Z-1 Z-9\n", -1.0f},
    {"Z then space", "Z 3\nZ-2\n", -2.0f},
    {"Z then letter", "G1 ZX-9\n", 0.0f},
    {"Z without number then another Z", "BLK FORM 0.1 Z X+0 Y+0 Z-40\n", 0.0f},
    {"lower case z", "G1 z-3\n", 0.0f},
    {"comma ends the number", "Z-1,5\n", -1.0f},
    {"slash ends the number", "Z-12/2\n", -12.0f},
    {"comment before", "(STOCK Z-50)\nG1 Z-3\n", -3.0f},
    {"comment before on the line", "(Z MAX) Z-4\n", -4.0f},
    {"comment between", "G1 (Z-9) X1 Z-2\n", -2.0f},
    {"comment after", "G1 Z-2 (Z-9)\n", -2.0f},
    {"unclosed comment ends with the line", "(unclosed Z-9\nZ-1\n", -1.0f},
    {"unclosed comment, CR", "(unclosed Z-9\rZ-1", -1.0f},
    {"semicolon comment", "; Z-9\nG1 X1 ;Z-8\nZ-1\n", -1.0f},
    {"semicolon inside parentheses", "(a;b) Z-3\n", -3.0f},
    {"parenthesis after semicolon", "; (x\nZ-3\n", -3.0f},
    {"two comments", "(a)(b)Z-4\n", -4.0f},
    {"NUL bytes", "G1\0Z-3\0\nZ-1\n"s, -3.0f},
    {"bytes above 127", "\xff\xfeZ-4\x80\n\xc3\xa9Z-1"s, -4.0f},
    {"NUL ends the number",
     "Z-5\0"
     "7\n"s,
     -5.0f},
    {"underflow reads as 0", "Z-0." + std::string(400, '0') + "1\nZ1\n", 0.0f},
    {"deepest on the last line", "Z-1\r\nZ-2\r\nZ-30", -30.0f},
    {"Z at the very end", "Z-1\nZ", -1.0f},
    {"long line", std::string(100000, 'X') + "Z-8\n", -8.0f},
};

} // namespace

TEST(Scanner, FindsMinimumZ) {
    for (const auto& row : kRows) {
        const auto result = ScanBytes(row.program);
        EXPECT_EQ(result.MinZ, row.minZ) << row.what;
        EXPECT_EQ(result.BadLine, 0) << row.what;
    }
}

TEST(Scanner, ReportsTheLineOfANumberOutOfRange) {
    const struct {
        std::string program;
        std::int64_t line;
    } cases[] = {
        {"Z" + kOverflow, 1},
        {"Z1\nZ-1\nZ" + kOverflow + "\nZ-99\n", 3},
        {"Z1\r\nZ-1\r\nG1 Z-" + kOverflow + " X1\r\n", 3},
        {"Z1\rZ-1\r\rZ" + kOverflow, 4},
        {"(Z" + kOverflow + ")\nZ1 Z" + kOverflow + "\nZ" + kOverflow, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScanBytes(c.program).BadLine, c.line) << c.program;
    }
}

TEST(Scanner, CountsLineEnds) {
    EXPECT_EQ(ScanBytes("").LineEnds, 0);
    EXPECT_EQ(ScanBytes("a").LineEnds, 0);
    EXPECT_EQ(ScanBytes("a\r\nb\rc\nd").LineEnds, 3);
    EXPECT_EQ(ScanBytes("\r\r\n\n").LineEnds, 3);
}

TEST(Scanner, ResultDoesNotDependOnChunkSize) {
    std::vector<std::string> programs;
    for (const auto& row : kRows)
        programs.push_back(row.program);
    programs.push_back("Z1\r\nZ-1\r\nZ" + kOverflow + "\r\nZ-99\r\n");
    programs.push_back("G1 X0.1234567890123456789 Z-0.00000000000000000000000012345678\r\n");
    for (const auto& program : programs) {
        if (program.size() > 1000) continue;
        const auto whole = ScanBytes(program);
        for (std::size_t chunk = 1; chunk <= program.size() + 1; ++chunk) {
            const auto cut = ScanBytes(program, chunk);
            ASSERT_EQ(cut.MinZ, whole.MinZ) << program << " chunk " << chunk;
            ASSERT_EQ(cut.BadLine, whole.BadLine) << program << " chunk " << chunk;
            ASSERT_EQ(cut.LineEnds, whole.LineEnds) << program << " chunk " << chunk;
        }
    }
}
