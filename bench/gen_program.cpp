// Writes a surfacing program for the benchmarks:
//   gen_program [--size 1G] [--ends crlf|lf|cr] [--deepest 0.5] [--comments 0.001]
//               [--seed 1] [--near MM] OUT
// --near makes a finishing program: every Z within MM above the deepest.
// and prints "BYTES bytes LINES lines deepest Z" (Z in mm) on stdout.
#include "Program.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

using vorlund::bench::ProgramShape;

namespace {

std::uint64_t ParseSize(const std::string& Text) {
    std::size_t end = 0;
    const double value = std::stod(Text, &end);
    const std::string unit = Text.substr(end);
    const double scale = unit.empty()  ? 1
                         : unit == "K" ? 1 << 10
                         : unit == "M" ? 1 << 20
                         : unit == "G" ? 1 << 30
                                       : 0;
    if (scale == 0) throw std::invalid_argument("bad size " + Text);
    return std::uint64_t(value * scale);
}

std::string ParseEnds(const std::string& Text) {
    if (Text == "crlf") return "\r\n";
    if (Text == "lf") return "\n";
    if (Text == "cr") return "\r";
    throw std::invalid_argument("bad line ends " + Text);
}

} // namespace

int main(int Argc, char** Argv) {
    ProgramShape shape;
    std::string out;
    try {
        for (int i = 1; i < Argc; ++i) {
            const std::string arg = Argv[i];
            const auto value = [&] {
                if (++i >= Argc) throw std::invalid_argument(arg + " needs a value");
                return std::string(Argv[i]);
            };
            if (arg == "--size")
                shape.Size = ParseSize(value());
            else if (arg == "--ends")
                shape.Ends = ParseEnds(value());
            else if (arg == "--deepest")
                shape.Deepest = std::stod(value());
            else if (arg == "--comments")
                shape.Comments = std::stod(value());
            else if (arg == "--near")
                shape.Near = std::stod(value());
            else if (arg == "--seed")
                shape.Seed = std::stoull(value());
            else if (out.empty())
                out = arg;
            else
                throw std::invalid_argument("unexpected " + arg);
        }
        if (out.empty()) throw std::invalid_argument("no output file");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_program: %s\n", e.what());
        return 2;
    }
    std::FILE* file = out == "-" ? stdout : std::fopen(out.c_str(), "wb");
    if (!file) {
        std::perror(out.c_str());
        return 1;
    }
    const auto facts = vorlund::bench::WriteProgram(shape, [&](std::string_view Piece) {
        if (std::fwrite(Piece.data(), 1, Piece.size(), file) != Piece.size()) {
            std::perror(out.c_str());
            std::exit(1);
        }
    });
    if (file != stdout && std::fclose(file) != 0) {
        std::perror(out.c_str());
        return 1;
    }
    std::fprintf(out == "-" ? stderr : stdout, "%llu bytes %llu lines deepest %.3f\n",
                 static_cast<unsigned long long>(facts.Bytes),
                 static_cast<unsigned long long>(facts.Lines), double(facts.DeepestMicrons) / 1000);
    return 0;
}
