#include "support/ScanProgramFile.h"

#include "app/Messages.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using vorlund::ScanPlan;
using vorlund::test::ScanProgramFile;

namespace {

class ProgramFileSplit : public vorlund::test::TempDir {
protected:
    // The minimum, or the error message.
    static std::string Outcome(const std::string& Path, const ScanPlan& Plan) {
        try {
            return std::to_string(ScanProgramFile(Path, Plan));
        } catch (const vorlund::Error& e) {
            return vorlund::Message(e);
        }
    }
};

std::string Lines(const std::string& Line, int Times) {
    std::string text;
    for (int i = 0; i < Times; ++i)
        text += Line;
    return text;
}

const std::string kOverflow(40, '9');

} // namespace

// Threads cut the file near equal shares; wherever that falls, the outcome is
// the one thread's.
TEST_F(ProgramFileSplit, ThreadsGiveOnePassOutcome) {
    const std::string programs[] = {
        Lines("G1 X12.345 Y-6.789 Z-1.234\r\n", 300) + "G1 Z-7.5\r\n",
        "G1 Z-7.5\r\n" + Lines("G1 X1 Z-1\r\n", 500),
        Lines("X1 Z-1\r", 400) + Lines("X1 Z-2\n", 400),
        Lines("Z-1\r\n", 900) + "Z" + kOverflow + "\r\n" + Lines("Z-3\r\n", 900),
        Lines("Z-1\r\n", 100) + "Z" + kOverflow + "\r\n" + Lines("Z-3\r\n", 1500) + "Z" +
            kOverflow + "\r\n",
        "(" + std::string(20000, 'Z') + ")\r\nZ-4\r\n",
        std::string(5000, '\r') + "Z-2",
    };
    for (const auto& program : programs) {
        const auto path = Write("part.nc", program);
        const auto want = Outcome(path, {1, 4096, 0});
        for (unsigned threads = 2; threads <= 4; ++threads)
            for (std::size_t chunk : {64, 4096})
                EXPECT_EQ(Outcome(path, {threads, chunk, 1}), want)
                    << program.substr(0, 40) << " threads " << threads << " chunk " << chunk;
    }
}
