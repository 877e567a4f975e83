#include "app/Messages.h"
#include "support/ScanProgramFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace fs = std::filesystem;
using vorlund::test::ScanProgramFile;

namespace {

class ProgramFile : public vorlund::test::TempDir {
protected:
    std::string ErrorOf(const std::string& Path) {
        try {
            ScanProgramFile(Path);
        } catch (const vorlund::Error& e) {
            return vorlund::Message(e);
        }
        return "no error";
    }
};

} // namespace

TEST_F(ProgramFile, ScansAcrossChunks) {
    std::string text;
    while (text.size() < (3u << 20))
        text += "G1 X12.345 Y-6.789 Z-1.234\r\n";
    text += "G1 Z-7.5";
    EXPECT_EQ(ScanProgramFile(Write("big.nc", text)), -7.5f);
    EXPECT_EQ(ScanProgramFile(Write("empty.nc", "")), 0.0f);
}

TEST_F(ProgramFile, NamesTheFileInEveryError) {
    const auto missing = (dir_ / "missing.nc").string();
    EXPECT_EQ(ErrorOf(missing), missing + ": No such file or directory");
    EXPECT_EQ(ErrorOf(dir_.string()), dir_.string() + ": is a directory");
    const auto fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf(fifo), fifo + ": not a regular file");
    const auto bad = Write("bad.nc", "Z1\nZ-2\nZ" + std::string(40, '9') + "\n");
    EXPECT_EQ(ErrorOf(bad), bad + ": line 3: number out of range");
}
