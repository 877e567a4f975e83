#include "app/Messages.h"
#include "platform/windows/WindowsFileSystem.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using namespace vorlund;

namespace {

class ProgramFiles : public test::TempDir {
protected:
    // Scans PART1.TAP, lets Racer act, renames it; the error, or "".
    std::string Run(std::size_t KeepOpen, const std::function<void()>& Racer) {
        Write("PART1.TAP", "G1 Z-12.5\r\n");
        WindowsFileSystem files(KeepOpen);
        try {
            auto file = files.Open(From());
            char buffer[64];
            EXPECT_EQ(file->ReadAt(0, buffer, sizeof buffer), 11u);
            file->CheckUnchanged();
            file->DoneReading();
            Racer();
            file->RenameNoReplace(To());
        } catch (const Error& e) {
            return Message(e);
        }
        return "";
    }
    std::string From() const { return (dir_ / "PART1.TAP").string(); }
    std::string To() const { return (dir_ / "PART1h12.5.TAP").string(); }
};

} // namespace

// The rename through the handle kept open, and by path once it is closed.
// A kept handle (it has DELETE access) locks out writers that share no
// delete, as most do: only a closed file can be rewritten or replaced.
TEST_F(ProgramFiles, RenameOnlyTheFileThatWasRead) {
    const struct {
        const char* what;
        bool closedOnly;
        std::function<void()> racer;
        std::string error; // after "PATH: "
        std::string left;  // the content left under the old name, "" for none
    } cases[] = {
        {"nothing happens", false, [] {}, "", ""},
        {"the new name appears", false, [this] { Write("PART1h12.5.TAP", "other"); },
         "cannot rename to " + To() + ": File exists", "G1 Z-12.5\r\n"},
        {"the file grows", true,
         [this] { std::ofstream(From(), std::ios::app | std::ios::binary) << "G1 Z-99\r\n"; },
         "changed while it was read; try again when it is complete", "G1 Z-12.5\r\nG1 Z-99\r\n"},
        {"another file takes the name", true,
         [this] {
             Write("new", "G1 Z-99\r\n");
             fs::rename(dir_ / "new", From());
         },
         "replaced while it was read", "G1 Z-99\r\n"},
    };
    for (const std::size_t keepOpen : {1u, 0u}) {
        for (const auto& c : cases) {
            if (c.closedOnly && keepOpen) continue;
            SCOPED_TRACE(std::string(c.what) + (keepOpen ? ", kept open" : ", closed"));
            EXPECT_EQ(Run(keepOpen, c.racer), c.error.empty() ? "" : From() + ": " + c.error);
            EXPECT_EQ(fs::exists(From()) ? Read(From()) : "", c.left);
            fs::remove(From());
            fs::remove(To());
        }
    }
}
