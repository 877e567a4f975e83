#include "platform/linux/PosixFileSystem.h"
#include "app/Messages.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;
using vorlund::RenameCalls;

namespace {

class Rename : public vorlund::test::TempDir {
protected:
    void SetUp() override {
        TempDir::SetUp();
        std::ofstream(dir_ / "a.nc") << "Z-1\n";
        from_ = (dir_ / "a.nc").string();
        to_ = (dir_ / "ah1.nc").string();
    }

    // The error of a rename through Calls, or "" when it succeeds.
    std::string Try(const RenameCalls& Calls) {
        try {
            vorlund::RenameNoReplace(from_, to_, Calls);
        } catch (const vorlund::Error& e) {
            return vorlund::Message(e);
        }
        return "";
    }

    std::string from_, to_;
};

int Refuse(const char*, const char*) {
    return errno = EINVAL, -1;
}
int NoLink(const char*, const char*) {
    return errno = EPERM, -1;
}
int NoUnlink(const char*) {
    return errno = EBUSY, -1;
}
int Link(const char* From, const char* To) {
    return ::link(From, To);
}
int Unlink(const char* Path) {
    return ::unlink(Path);
}
int Renameat2(const char* From, const char* To) {
    return vorlund::SystemRenameCalls().Renameat2(From, To);
}

const RenameCalls kPaths[] = {
    {Renameat2, Link, Unlink}, // the file system has RENAME_NOREPLACE
    {Refuse, Link, Unlink},    // it has hard links only
    {Refuse, NoLink, Unlink},  // it has neither
};

} // namespace

TEST_F(Rename, MovesTheFileOnEveryPath) {
    for (const auto& calls : kPaths) {
        ASSERT_EQ(Try(calls), "");
        EXPECT_FALSE(fs::exists(from_));
        EXPECT_EQ(Read(to_), "Z-1\n");
        fs::rename(to_, from_);
    }
}

TEST_F(Rename, NeverReplacesAnExistingFile) {
    std::ofstream(to_) << "other";
    for (const auto& calls : kPaths) {
        EXPECT_EQ(Try(calls), from_ + ": cannot rename to " + to_ + ": File exists");
        EXPECT_EQ(Read(from_), "Z-1\n");
        EXPECT_EQ(Read(to_), "other");
    }
}

TEST_F(Rename, KeepsTheOldNameWhenTheLinkCannotBeUndone) {
    EXPECT_EQ(Try({Refuse, Link, NoUnlink}),
              from_ + ": cannot rename to " + to_ + ": Device or resource busy");
    EXPECT_EQ(Read(from_), "Z-1\n");
}

TEST_F(Rename, ReportsAMissingFile) {
    fs::remove(from_);
    for (const auto& calls : kPaths) {
        EXPECT_EQ(Try(calls), from_ + ": cannot rename to " + to_ + ": No such file or directory");
    }
}
