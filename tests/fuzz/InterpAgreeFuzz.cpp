// On programs with nothing to settle (G0/G1 moves with plain numbers,
// comments, any line ends) the interpreter finds the scan's depth and line.

#include "Fuzz.h"

#include "interp/Interpreter.h"
#include "scan/Scanner.h"
#include "support/MemorySource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// Draws choices from the input, zeros once it is used up.
struct Draw {
    const std::uint8_t* at;
    const std::uint8_t* end;
    unsigned operator()(unsigned Below) { return at < end ? *at++ % Below : 0; }
};

// A plain number of at most six digits: "-12.5", ".25", "3.", "0".
std::string Number(Draw& D) {
    std::string text = D(3) ? "-" : "";
    const unsigned whole = D(4), fraction = D(4);
    for (unsigned i = 0; i < whole; ++i)
        text += char('0' + D(10));
    if (fraction || !whole) text += '.';
    for (unsigned i = 0; i < fraction + (!whole && !fraction); ++i)
        text += char('0' + D(10));
    return text;
}

std::string Program(Draw& D) {
    static const char* kEnds[] = {"\n", "\r\n", "\r"};
    static const char* kComments[] = {"(Z-99.9)", "( deep Z-5 )", "(unclosed Z-7", "; Z-8"};
    std::string text = D(2) ? "G90\n" : "";
    for (unsigned lines = D(40) + 1; lines-- > 0;) {
        const unsigned kind = D(8);
        if (kind == 0) {
            text += kComments[D(4)];
        } else if (kind > 1) {
            text += D(2) ? "G0" : "G1";
            for (const char axis : {'X', 'Y', 'Z'})
                if (D(3)) text += std::string(D(2) ? " " : "") + axis + Number(D);
            if (D(4) == 0) text += kComments[D(4)];
        }
        text += kEnds[D(3)];
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    Draw draw{Data, Data + Size};
    const std::string program = Program(draw);
    const vorlund::ScanResult scan = vorlund::ScanBytes(program);
    const vorlund::InterpResult run = vorlund::Interpret(vorlund::test::MemorySource(program));
    fuzz::Expect(run.Unsure.Why == vorlund::Reason::None, "nothing to settle");
    fuzz::Expect(run.MinZ == scan.MinZ, "minimum Z");
    fuzz::Expect(run.MinLine == scan.MinLine, "line of the minimum");
    return 0;
}
