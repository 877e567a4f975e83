// Runs a fuzz target over the files given, or the files in the folders
// given: the seed corpus as a plain test, without libFuzzer.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

namespace {

int Run(const std::filesystem::path& File) {
    std::ifstream in(File, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", File.c_str());
        return 1;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int failed = 0;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (!std::filesystem::is_directory(arg)) {
            failed += Run(arg), ++inputs;
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(arg))
            if (entry.is_regular_file()) failed += Run(entry.path()), ++inputs;
    }
    std::printf("%d inputs\n", inputs);
    return failed || inputs == 0;
}
