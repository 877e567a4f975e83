// Another process acts between the scan and the rename: the rename must not
// overwrite anything and must report it, on every rename path.

#include "app/StartupRun.h"
#include "platform/linux/PosixFileSystem.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using vorlund::RenameCalls;

namespace {

int Refuse(const char*, const char*) {
    return errno = EINVAL, -1;
}
int NoLink(const char*, const char*) {
    return errno = EPERM, -1;
}

struct Path {
    std::string what;
    RenameCalls calls;
    std::size_t keepOpen; // 0: the file is closed once read
};

// Every rename path, with the file kept open and closed once read.
std::vector<Path> Paths() {
    const RenameCalls& system = vorlund::SystemRenameCalls();
    const Path calls[] = {
        {"renameat2", system, 1},
        {"link and unlink", {Refuse, system.Link, system.Unlink}, 1},
        {"check and rename", {Refuse, NoLink, system.Unlink}, 1},
    };
    std::vector<Path> paths;
    for (const Path& path : calls) {
        paths.push_back(path);
        paths.push_back({path.what + ", closed once read", path.calls, 0});
    }
    return paths;
}
const std::vector<Path> kPaths = Paths();

// The real file, scanned; Racer runs just before its real rename through Calls.
class RacedFile : public vorlund::ProgramFile {
public:
    RacedFile(std::unique_ptr<vorlund::ProgramFile> File, std::function<void()> Racer)
        : file_(std::move(File)), racer_(std::move(Racer)) {}
    std::uint64_t Size() const override { return file_->Size(); }
    std::size_t ReadAt(std::uint64_t Offset, char* Buffer, std::size_t Length) const override {
        return file_->ReadAt(Offset, Buffer, Length);
    }
    void CheckUnchanged() const override { file_->CheckUnchanged(); }
    void DoneReading() override { file_->DoneReading(); }
    void RenameNoReplace(const std::string& To) override {
        racer_();
        file_->RenameNoReplace(To);
    }

private:
    std::unique_ptr<vorlund::ProgramFile> file_;
    std::function<void()> racer_;
};

class RacedFileSystem : public vorlund::FileSystem {
public:
    RacedFileSystem(const Path& P, std::function<void()> Racer)
        : files_(P.calls, P.keepOpen), racer_(std::move(Racer)) {}
    std::unique_ptr<vorlund::ProgramFile> Open(const std::string& Path) override {
        return std::make_unique<RacedFile>(files_.Open(Path), racer_);
    }

private:
    vorlund::PosixFileSystem files_;
    std::function<void()> racer_;
};

struct FakeClipboard : vorlund::Clipboard {
    void SetText(const std::string& Text) override { text = Text; }
    std::string text = "before";
};

class RenameRace : public vorlund::test::TempDir {
protected:
    void SetUp() override {
        TempDir::SetUp();
        from_ = dir_ / "PART1.TAP";
        to_ = dir_ / "PART1h12.5.TAP";
    }

    vorlund::RunResult Run(const Path& P, std::function<void()> Racer) {
        std::ofstream(from_) << "G1 Z-12.5\r\n";
        RacedFileSystem files(P, Racer);
        vorlund::RunRequest request;
        request.Files = {from_.string()};
        return vorlund::StartupRun(request, files, clip_);
    }

    fs::path from_, to_;
    FakeClipboard clip_;
};

} // namespace

TEST_F(RenameRace, TargetAppearingAfterTheScanIsKept) {
    for (const auto& path : kPaths) {
        SCOPED_TRACE(path.what);
        const auto result = Run(path, [&] { std::ofstream(to_) << "other program"; });
        ASSERT_EQ(result.Errors.size(), 1u);
        EXPECT_EQ(result.Errors[0],
                  from_.string() + ": cannot rename to " + to_.string() + ": File exists");
        EXPECT_EQ(Read(from_), "G1 Z-12.5\r\n");
        EXPECT_EQ(Read(to_), "other program");
        EXPECT_EQ(clip_.text, "h12.5");
        fs::remove(to_);
    }
}

TEST_F(RenameRace, FileRemovedAfterTheScanIsReportedAndNothingCreated) {
    for (const auto& path : kPaths) {
        SCOPED_TRACE(path.what);
        const auto result = Run(path, [&] { fs::remove(from_); });
        ASSERT_EQ(result.Errors.size(), 1u);
        EXPECT_EQ(result.Errors[0], from_.string() + ": cannot rename to " + to_.string() +
                                        ": No such file or directory");
        EXPECT_TRUE(fs::is_empty(dir_));
        EXPECT_EQ(clip_.text, "h12.5");
    }
}

TEST_F(RenameRace, FileReplacedAfterTheScanKeepsBothAsTheyAre) {
    for (const auto& path : kPaths) {
        SCOPED_TRACE(path.what);
        const auto result = Run(path, [&] {
            std::ofstream(dir_ / "new") << "G1 Z-99\r\n";
            fs::rename(dir_ / "new", from_); // as an editor saves
        });
        ASSERT_EQ(result.Errors.size(), 1u);
        EXPECT_EQ(result.Errors[0], from_.string() + ": replaced while it was read");
        EXPECT_EQ(Read(from_), "G1 Z-99\r\n");
        EXPECT_FALSE(fs::exists(to_));
        EXPECT_EQ(clip_.text, "h12.5");
    }
}

TEST_F(RenameRace, FileRewrittenAfterTheScanKeepsItsName) {
    for (const auto& path : kPaths) {
        SCOPED_TRACE(path.what);
        const auto result =
            Run(path, [&] { std::ofstream(from_, std::ios::app) << "G1 Z-99\r\n"; });
        ASSERT_EQ(result.Errors.size(), 1u);
        EXPECT_EQ(result.Errors[0],
                  from_.string() + ": changed while it was read; try again when it is complete");
        EXPECT_EQ(Read(from_), "G1 Z-12.5\r\nG1 Z-99\r\n");
        EXPECT_FALSE(fs::exists(to_));
    }
}
