// Throughput of the scan kernel, in memory and on page-cached files.
#include "Program.h"

#include "scan/Scanner.h"
#include "scan/SplitScan.h"
#include "support/ReferenceScanner.h"
#include "support/ScanProgramFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>
#include <unistd.h>

namespace {

using vorlund::bench::MakeProgram;
using vorlund::bench::ProgramShape;

constexpr std::uint64_t kMemorySize = 64 << 20;

const std::string& Program(double Comments = 0.001, const char* Ends = "\r\n", double Near = 0) {
    static std::map<std::tuple<double, std::string, double>, std::string> programs;
    auto& program = programs[{Comments, Ends, Near}];
    if (program.empty())
        program =
            MakeProgram({.Size = kMemorySize, .Ends = Ends, .Comments = Comments, .Near = Near});
    return program;
}

void Report(benchmark::State& State, const std::string& Bytes) {
    State.SetBytesProcessed(std::int64_t(State.iterations() * Bytes.size()));
}

void Kernel(benchmark::State& State, const std::string& Bytes) {
    for (auto _ : State)
        benchmark::DoNotOptimize(vorlund::ScanBytes(Bytes, std::size_t(State.range(0))));
    Report(State, Bytes);
}

void BM_Kernel(benchmark::State& State) {
    Kernel(State, Program());
}
BENCHMARK(BM_Kernel)->Arg(4 << 10)->Arg(64 << 10)->Arg(256 << 10)->Arg(1 << 20)->Arg(16 << 20);

void BM_KernelLf(benchmark::State& State) {
    Kernel(State, Program(0.001, "\n"));
}
BENCHMARK(BM_KernelLf)->Arg(256 << 10);

// One line in twenty a comment.
void BM_KernelComments(benchmark::State& State) {
    Kernel(State, Program(0.05));
}
BENCHMARK(BM_KernelComments)->Arg(256 << 10);

// A finishing program: every Z within 1 mm above the deepest.
void BM_KernelNear(benchmark::State& State) {
    Kernel(State, Program(0.001, "\r\n", 1));
}
BENCHMARK(BM_KernelNear)->Arg(256 << 10);

// Every line a candidate for a doubt (lower case, as LinuxCNC reads it), or
// a G1 in front of every move (a G that is no candidate).
void BM_KernelDoubts(benchmark::State& State) {
    static const std::string program = [] {
        std::string text = Program();
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        return text;
    }();
    Kernel(State, program);
}
BENCHMARK(BM_KernelDoubts)->Arg(256 << 10)->Unit(benchmark::kMillisecond);

void BM_KernelG1(benchmark::State& State) {
    static const std::string program = [] {
        std::string text;
        for (const char c : Program()) {
            if (c == 'X' && (text.empty() || text.back() == '\n')) text += "G1 ";
            text += c;
        }
        return text;
    }();
    Kernel(State, program);
}
BENCHMARK(BM_KernelG1)->Arg(256 << 10);

// Incremental distance mode throughout, the Z steps down on every other line.
void BM_KernelG91(benchmark::State& State) {
    static const std::string program = [] {
        std::string text = Program();
        text.replace(text.find("G90"), 3, "G91");
        bool up = false;
        for (std::size_t at = text.find("Z-"); at != std::string::npos;
             at = text.find("Z-", at + 1))
            if ((up = !up)) text[at + 1] = '+';
        return text;
    }();
    Kernel(State, program);
}
BENCHMARK(BM_KernelG91)->Arg(256 << 10)->Unit(benchmark::kMillisecond);

// The byte-at-a-time rules the kernel must match.
void BM_Reference(benchmark::State& State) {
    const std::string& bytes = Program();
    for (auto _ : State)
        benchmark::DoNotOptimize(vorlund::ReferenceScanBytes(bytes, std::size_t(State.range(0))));
    Report(State, bytes);
}
BENCHMARK(BM_Reference)->Arg(256 << 10)->Unit(benchmark::kMillisecond);

// Parts read with a copy, as pread from the page cache does. Args: threads, chunk.
void BM_Split(benchmark::State& State) {
    const std::string& bytes = Program();
    const vorlund::ReadAt read = [&](std::uint64_t Offset, char* Buffer, std::size_t Length) {
        if (Offset >= bytes.size()) return std::size_t(0);
        const std::size_t n = std::min<std::size_t>(Length, bytes.size() - Offset);
        std::memcpy(Buffer, bytes.data() + Offset, n);
        return n;
    };
    const vorlund::ScanPlan plan{unsigned(State.range(0)), std::size_t(State.range(1)), 0};
    for (auto _ : State)
        benchmark::DoNotOptimize(vorlund::ScanParallel(read, bytes.size(), plan));
    Report(State, bytes);
}
BENCHMARK(BM_Split)
    ->ArgsProduct({{1, 2}, {64 << 10, 256 << 10, 1 << 20}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Page-cached files of several sizes, on one thread or split in two; where
// two start to win sets ScanPlan::MinPart. Args: size, threads.
class Files {
public:
    ~Files() {
        for (const auto& [size, path] : paths_)
            std::filesystem::remove(path);
    }
    const std::string& Path(std::uint64_t Size) {
        auto& path = paths_[Size];
        if (path.empty()) {
            path = (std::filesystem::temp_directory_path() /
                    ("vorlund-bench-" + std::to_string(::getpid()) + "-" + std::to_string(Size)))
                       .string();
            std::ofstream(path, std::ios::binary) << MakeProgram({.Size = Size});
        }
        return path;
    }

private:
    std::map<std::uint64_t, std::string> paths_;
};

Files files;

void BM_File(benchmark::State& State) {
    const auto size = std::uint64_t(State.range(0));
    const std::string& path = files.Path(size);
    const vorlund::ScanPlan plan{unsigned(State.range(1)), 256 << 10, 0};
    for (auto _ : State)
        benchmark::DoNotOptimize(vorlund::test::ScanProgramFile(path, plan));
    State.SetBytesProcessed(std::int64_t(State.iterations() * size));
}
BENCHMARK(BM_File)
    ->ArgsProduct({{64 << 10, 128 << 10, 256 << 10, 512 << 10, 1 << 20, 16 << 20, 256 << 20},
                   {1, 2}})
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
