#include "Program.h"

#include <cstdlib>

namespace vorlund::bench {

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t Seed) : state_(Seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return z ^ (z >> 31);
    }
    bool Chance(double P) { return double(Next() >> 11) * 0x1p-53 < P; }
    std::int64_t Below(std::int64_t N) { return std::int64_t(Next() % std::uint64_t(N)); }

private:
    std::uint64_t state_;
};

// Thousandths as "-12.345"; whole numbers lose their point now and then, as CAM output does.
void AppendMillimetres(std::string& Out, std::int64_t Microns) {
    if (Microns < 0) {
        Out += '-';
        Microns = -Microns;
    }
    Out += std::to_string(Microns / 1000);
    const int fraction = int(Microns % 1000);
    if (fraction == 0) return;
    Out += '.';
    Out += char('0' + fraction / 100);
    Out += char('0' + fraction / 10 % 10);
    Out += char('0' + fraction % 10);
}

std::int64_t Triangle(std::int64_t T, std::int64_t Period) {
    const std::int64_t t = T % (2 * Period);
    return t < Period ? t : 2 * Period - t;
}

// Depth of the surface under (X, Y), in microns: 2 to about 16 mm.
std::int64_t Surface(std::int64_t X, std::int64_t Y, Random& R) {
    return -(2000 + Triangle(X, 37000) / 4 + Triangle(Y + X / 3, 23000) / 5 + R.Below(40));
}

constexpr std::int64_t kDeepest = -25125;    // below every surface point
constexpr std::int64_t kInComment = -99000;  // below that, but in comments only
constexpr std::int64_t kNearDeepest = -5999; // a finishing program's deepest

} // namespace

ProgramFacts WriteProgram(const ProgramShape& Shape,
                          const std::function<void(std::string_view)>& Out) {
    Random random(Shape.Seed);
    ProgramFacts facts;
    std::string buffer;
    const auto line = [&](const std::string& Text) {
        buffer += Text;
        buffer += Shape.Ends;
        ++facts.Lines;
        if (buffer.size() >= (1 << 20)) {
            facts.Bytes += buffer.size();
            Out(buffer);
            buffer.clear();
        }
    };
    for (const char* text :
         {"%", "O1001 (SURFACE FINISH)", "(STOCK X200 Y150 Z-99)", "(T2 D6 R3 BALL)",
          "G90 G21 G17 G40 G49", "T2 M6", "S12000 M3", "G0 X0 Y0", "G43 H2 Z5", "G1 Z0 F800"})
        line(text);
    const std::uint64_t deepestAt = std::uint64_t(Shape.Deepest * double(Shape.Size));
    bool deepestDone = false;
    facts.DeepestMicrons = 0;
    std::int64_t x = 0, y = 0, step = 50, pass = 0;
    std::string text;
    while (facts.Bytes + buffer.size() < Shape.Size) {
        text.clear();
        if (Shape.Comments > 0 && random.Chance(Shape.Comments)) {
            if (random.Chance(0.5)) {
                text = "(PASS " + std::to_string(pass) + " FLOOR Z";
                AppendMillimetres(text, kInComment);
                text += ')';
            } else {
                text = "; CHECK Z";
                AppendMillimetres(text, kInComment);
            }
            line(text);
            continue;
        }
        std::int64_t z = Shape.Near > 0
                             ? kNearDeepest + 1 + random.Below(std::int64_t(Shape.Near * 1000))
                             : Surface(x, y, random);
        if (!deepestDone && facts.Bytes + buffer.size() >= deepestAt) {
            z = Shape.Near > 0 ? kNearDeepest : kDeepest;
            deepestDone = true;
        }
        facts.DeepestMicrons = std::min(facts.DeepestMicrons, z);
        if (x == 0 || x == 200000) text = "G1 ";
        text += 'X';
        AppendMillimetres(text, x);
        text += " Y";
        AppendMillimetres(text, y - 75000);
        text += " Z";
        AppendMillimetres(text, z);
        if (x == 0 || x == 200000) text += " F1500";
        line(text);
        x += step;
        if (x < 0 || x > 200000) { // next row, the other way
            step = -step;
            x += step;
            y = (y + 100) % 150000;
            ++pass;
        }
    }
    line("G0 Z5");
    line("M30");
    facts.Bytes += buffer.size();
    Out(buffer);
    return facts;
}

std::string MakeProgram(const ProgramShape& Shape) {
    std::string program;
    program.reserve(Shape.Size + (2 << 20));
    WriteProgram(Shape, [&](std::string_view Piece) { program += Piece; });
    return program;
}

} // namespace vorlund::bench
