// Throughput of the interpreter on a program the scan cannot settle.
#include "InterpProgram.h"

#include "interp/Interpreter.h"
#include "support/MemorySource.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>

namespace {

void Run(benchmark::State& State, const std::string& Program) {
    for (auto _ : State) {
        const vorlund::InterpResult r = vorlund::Interpret(vorlund::test::MemorySource(Program));
        if (r.Unsure.Why != vorlund::Reason::None) State.SkipWithError(r.Unsure.Text.c_str());
        benchmark::DoNotOptimize(r);
    }
    State.SetBytesProcessed(std::int64_t(State.iterations() * Program.size()));
}

// Incremental moves after a subroutine called in a loop: bytes of the file.
void BM_Interp(benchmark::State& State) {
    static const std::string program = vorlund::bench::MakeInterpProgram(64 << 20);
    Run(State, program);
}
BENCHMARK(BM_Interp)->Unit(benchmark::kMillisecond);

// The same program in lower case with spaces and comments: the slow path.
void BM_InterpLower(benchmark::State& State) {
    static const std::string program = [] {
        std::string text = vorlund::bench::MakeInterpProgram(16 << 20);
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        return text;
    }();
    Run(State, program);
}
BENCHMARK(BM_InterpLower)->Unit(benchmark::kMillisecond);

// A subroutine at the top called every 100 lines through the program: each
// call and return re-reads far away.
void BM_InterpFarCalls(benchmark::State& State) {
    static const std::string program = [] {
        std::string text =
            "G21 G90 G0 Z0\no<hole> sub\nG91 G1 Z-0.1\nG1 Z0.1\nG90\no<hole> endsub\n";
        for (int i = 0; text.size() < (16 << 20); ++i)
            text += i % 100 ? "G1 X12.345 Y-6.789\n" : "o<hole> call\n";
        return text + "M2\n";
    }();
    Run(State, program);
}
BENCHMARK(BM_InterpFarCalls)->Unit(benchmark::kMillisecond);

// Blocks per second in a loop: a subroutine of 8 lines called 100000 times,
// counting the bytes of the lines run.
void BM_InterpLoop(benchmark::State& State) {
    static const std::string program =
        "G21 G90 G0 Z0\no1 sub\nG91\nG1 X1.25 Y0.5 Z-0.025\nG1 X-1.25 Y0.5 Z0.025\n"
        "G1 X1.25 Y0.5 Z-0.025\nG1 X-1.25 Y0.5 Z0.025\nG90\no1 endsub\n#1=0\n"
        "o2 while [#1 LT 100000]\no1 call\n#1=[#1+1]\no2 endwhile\nM2\n";
    static const std::int64_t perCall =
        std::int64_t(program.find("o1 endsub") + 10 - program.find("o1 sub") +
                     std::strlen("o2 while [#1 LT 100000]\no1 call\n#1=[#1+1]\no2 endwhile\n"));
    for (auto _ : State)
        benchmark::DoNotOptimize(vorlund::Interpret(vorlund::test::MemorySource(program)));
    State.SetBytesProcessed(State.iterations() * perCall * 100000);
}
BENCHMARK(BM_InterpLoop)->Unit(benchmark::kMillisecond);

// A Heidenhain program as a CAM system writes it: numbered lines of moves,
// some incremental, circles about poles, a few cycles called with M99.
void BM_InterpHeidenhain(benchmark::State& State) {
    static const std::string program = [] {
        std::string text = "0 BEGIN PGM BENCH MM\n1 BLK FORM 0.1 Z X+0 Y+0 Z-20\n"
                           "2 TOOL CALL 1 Z S5000\n3 L Z+5 R0 FMAX\n"
                           "4 CYCL DEF 200 DRILLING ~\n  Q200=+2 ;SET-UP ~\n  Q201=-8 ;DEPTH ~\n"
                           "  Q203=+0 ;SURFACE\n";
        static const char* const lines[] = {
            "L X+12.345 Y-6.789 Z-1.25 R0 F800\n",
            "L IX+0.125 IY-0.25 IZ-0.002\n",
            "CC X+10 Y+10\n",
            "C X+12.5 Y+7.5 DR+\n",
            "L X+1.5 Y+2.5 FMAX M99\n",
            "LP PR+5 PA+30\n",
            "L Z+2 FMAX\n",
            "L X-3.25 Y+4.125 Z-0.5 F1200\n",
        };
        for (long n = 5; text.size() < (64 << 20); ++n)
            text += std::to_string(n) + " " + lines[n % 8];
        return text + "END PGM BENCH MM\n";
    }();
    Run(State, program);
}
BENCHMARK(BM_InterpHeidenhain)->Unit(benchmark::kMillisecond);

// A Sinumerik program from a CAM system: a header that marks the dialect,
// then numbered blocks of moves; the dialect is told from the first lines.
void BM_InterpSinumerik(benchmark::State& State) {
    static const std::string program = [] {
        std::string text = "; PART 1\nMSG(\"ROUGH\")\nR1=-0.5\nG17 G90 G71\nG0 X0 Y0 Z5\n";
        for (int i = 0; text.size() < (64 << 20); ++i)
            text += "N" + std::to_string(i) + (i % 4 ? " G1 X12.345 Y-6.789 F1200\n" : " Z=R1\n");
        return text + "M30\n";
    }();
    Run(State, program);
}
BENCHMARK(BM_InterpSinumerik)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
