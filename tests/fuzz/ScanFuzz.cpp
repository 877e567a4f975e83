// The streaming scan, fed in pieces cut from the input, against a plain
// whole-buffer reading of the same rules.

#include "Fuzz.h"

#include "scan/Scanner.h"
#include "scan/SplitScan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using vorlund::DoubtKind;

struct Expected {
    float minZ = 0.0f;
    std::int64_t badLine = 0;
    std::int64_t lineEnds = 0;
    std::int64_t minLine = 0;
    std::int64_t doubtLine = 0;
    DoubtKind doubtKind = DoubtKind::None;
    std::int64_t doubtLines = 0;
};

// Lines end at LF, CR LF or CR; the last line counts whether or not it ends.
std::vector<std::string_view> SplitLines(std::string_view Text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '\n' && Text[i] != '\r') continue;
        lines.push_back(Text.substr(start, i - start));
        if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    lines.push_back(Text.substr(start));
    return lines;
}

// Blanks comments: "(" to ")" or the line end, ";" to the line end.
std::string StripComments(std::string_view Line) {
    std::string code(Line);
    bool paren = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (paren) {
            paren = code[i] != ')';
            code[i] = ' ';
        } else if (code[i] == '(') {
            paren = true;
            code[i] = ' ';
        } else if (code[i] == ';') {
            std::fill(code.begin() + long(i), code.end(), ' ');
            break;
        }
    }
    return code;
}

// A line's bytes with its comments as -1, which nothing matches.
std::vector<int> CodeOf(std::string_view Line) {
    std::vector<int> code;
    bool paren = false, rest = false;
    for (const char c : Line) {
        const bool comment = rest || paren || c == '(' || c == ';';
        if (paren)
            paren = c != ')';
        else if (!rest)
            paren = c == '(', rest = c == ';';
        code.push_back(comment ? -1 : int(static_cast<unsigned char>(c)));
    }
    code.push_back(-1); // the line end
    return code;
}

bool IsLetter(int C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

bool IsDigit(int C) {
    return C >= '0' && C <= '9';
}

int Upper(int C) {
    return C >= 'a' && C <= 'z' ? C - 32 : C;
}

// The number text from At on, comments cut off.
std::string NumberFrom(const std::vector<int>& Code, std::size_t At) {
    std::string text;
    for (; Code[At] >= 0; ++At)
        text += char(Code[At]);
    return text;
}

// The doubt rules, one whole line at a time.
struct LineRead {
    bool hasZ = false, zDigit = false, zAxis = false, zBad = false, zBelow = false, afterI = false;
    int mode = -1;
    bool machine = false, offset = false, probe = false, lower = false, call = false;
    std::string oCall;
    std::vector<std::string> subs;
};

LineRead ReadLine(std::string_view Line) {
    const std::vector<int> code = CodeOf(Line);
    LineRead r;
    std::size_t oFree = 0;
    for (std::size_t i = 0; i + 1 < code.size(); ++i) {
        const int c = code[i];
        if (c < 0) continue;
        const bool start = i == 0 || !IsLetter(code[i - 1]);
        if (c == 'Z' && !r.hasZ) {
            r.hasZ = true;
            r.afterI = i > 0 && code[i - 1] == 'I';
            std::size_t j = i + 1;
            j += code[j] == '+' || code[j] == '-';
            j += code[j] == '.';
            r.zDigit = IsDigit(code[j]);
            // An axis name: spaces only, then the line end or a comment, or a letter after a space.
            std::size_t k = i + 1;
            while (code[k] == ' ' || code[k] == '\t')
                ++k;
            r.zAxis = code[k] < 0 || (k > i + 1 && IsLetter(code[k]));
            const auto number = fuzz::ReadLenient(NumberFrom(code, i + 1));
            r.zBad = number.overflow;
            r.zBelow = !number.overflow && number.value < 0;
        }
        if (!start) continue;
        if (Upper(c) == 'G' || Upper(c) == 'M') {
            std::size_t j = i + 1;
            while (code[j] == ' ' || code[j] == '\t')
                ++j;
            if (!IsDigit(code[j])) continue;
            long whole = 0, tenth = 0;
            bool odd = false;
            for (; IsDigit(code[j]); ++j)
                whole = std::min(whole * 10 + code[j] - '0', 1000000L);
            if (code[j] == '.')
                for (int n = 0; IsDigit(code[++j]); ++n)
                    n == 0 ? void(tenth = code[j] - '0') : void(odd |= code[j] != '0');
            if (odd) continue;
            const long w = whole * 10 + tenth;
            if (Upper(c) == 'M') {
                r.machine |= w == 910 || w == 920;
                r.call |= w == 980;
                continue;
            }
            if (w == 900 || w == 910) r.mode = w == 910;
            r.machine |= w == 530;
            r.offset |= w == 100 || w == 920;
            r.probe |= (w >= 382 && w <= 385) || w == 310;
            r.call |= w == 650 || w == 660;
        }
        const auto at = [&](const char* Key) {
            for (std::size_t k = 0; Key[k]; ++k)
                if (code[i + k] != Key[k]) return false;
            return true;
        };
        r.machine |= at("SUPA");
        r.offset |= at("CYCL DEF 7.");
        r.call |= at("CALL PGM");
        if (c == 'z') {
            std::size_t j = i + 1;
            while (code[j] == ' ' || code[j] == '\t')
                ++j;
            const std::string number = NumberFrom(code, j);
            const auto value = fuzz::ReadLenient(number);
            r.lower |= code[j] == '#' || code[j] == '[' ||
                       (value.overflow ? number[0] == '-' : value.value < 0);
        }
        if ((c == 'o' || c == 'O') && i >= oFree) {
            std::size_t j = i + 1;
            std::string name;
            if (IsDigit(code[j])) {
                for (; IsDigit(code[j]); ++j)
                    if (!name.empty() || code[j] != '0') name += char(code[j]);
                if (name.empty()) name += '0';
            } else if (code[j] == '<') {
                for (; code[j] >= 0 && code[j] != '>'; ++j)
                    name += char(code[j] >= 'A' && code[j] <= 'Z' ? code[j] + 32 : code[j]);
                oFree = j + 1; // no o-word starts inside a name
                if (code[j] != '>') continue;
                name += '>';
                ++j;
            } else {
                continue;
            }
            while (code[j] == ' ' || code[j] == '\t')
                ++j;
            std::string word;
            for (std::size_t k = 0; k < 4 && code[j + k] >= 0; ++k)
                word +=
                    char(code[j + k] >= 'A' && code[j + k] <= 'Z' ? code[j + k] + 32 : code[j + k]);
            if (word.rfind("sub", 0) == 0) r.subs.push_back(name.substr(0, 64));
            if (word == "call" && r.oCall.empty()) r.oCall = name.substr(0, 64);
        }
    }
    return r;
}

Expected Reference(std::string_view Text) {
    Expected result;
    const auto lines = SplitLines(Text);
    result.lineEnds = std::int64_t(lines.size()) - 1;
    bool incremental = false;
    std::set<std::string> subs;
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> calls; // first line, count
    const auto doubt = [&](std::int64_t Line, DoubtKind Kind, std::int64_t Count) {
        if (!result.doubtLine || Line < result.doubtLine) {
            result.doubtLine = Line;
            result.doubtKind = Kind;
        }
        result.doubtLines += Count;
    };
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const auto line = std::int64_t(n) + 1;
        const std::string code = StripComments(lines[n]);
        const auto z = code.find('Z');
        if (z != std::string::npos) {
            const auto number = fuzz::ReadLenient(std::string_view(code).substr(z + 1));
            if (number.overflow) {
                result.badLine = line;
                break;
            }
            if (number.value < result.minZ) {
                result.minZ = number.value;
                result.minLine = line;
            }
        }
        const LineRead r = ReadLine(lines[n]);
        subs.insert(r.subs.begin(), r.subs.end());
        if (r.mode >= 0) incremental = r.mode == 1;
        if (r.hasZ && !r.zDigit && !r.zAxis)
            doubt(line, DoubtKind::Unreadable, 1);
        else if (r.zBelow && (r.afterI || incremental))
            doubt(line, DoubtKind::Incremental, 1);
        else if (r.zBelow && r.machine)
            doubt(line, DoubtKind::Machine, 1);
        else if (r.zBelow && r.offset)
            doubt(line, DoubtKind::Offset, 1);
        else if (r.zBelow && r.probe)
            doubt(line, DoubtKind::Probe, 1);
        else if (r.lower)
            doubt(line, DoubtKind::Lowercase, 1);
        else if (r.call)
            doubt(line, DoubtKind::Call, 1);
        else if (!r.oCall.empty() && calls[r.oCall].second++ == 0)
            calls[r.oCall].first = line;
    }
    for (const auto& [name, site] : calls)
        if (!subs.count(name)) doubt(site.first, DoubtKind::Call, site.second);
    return result;
}

void Check(const vorlund::ScanResult& Got, const Expected& Want) {
    fuzz::Expect(Got.BadLine == Want.badLine, "line of the bad number");
    if (Want.badLine) return;
    fuzz::Expect(Got.MinZ == Want.minZ, "minimum Z");
    fuzz::Expect(Got.LineEnds == Want.lineEnds, "number of line ends");
    fuzz::Expect(Got.MinLine == Want.minLine, "line of the minimum");
    fuzz::Expect(Got.FirstDoubt.Line == Want.doubtLine, "line of the first doubt");
    fuzz::Expect(Got.FirstDoubt.Kind == Want.doubtKind, "kind of the first doubt");
    fuzz::Expect(Got.DoubtLines == Want.doubtLines, "doubtful lines");
}

std::uint32_t Next(std::uint32_t& X) {
    X ^= X << 13, X ^= X >> 17, X ^= X << 5;
    return X;
}

// Pieces of 0 to 16 bytes, their lengths drawn from Seed.
vorlund::ScanResult ScanIrregular(std::string_view Text, std::uint32_t Seed) {
    vorlund::Scanner scanner;
    std::uint32_t x = Seed | 1;
    for (std::size_t at = 0; at < Text.size();) {
        const std::size_t n = std::min<std::size_t>(Next(x) % 17, Text.size() - at);
        scanner.Feed(Text.substr(at, n));
        at += n;
    }
    return scanner.Finish();
}

// Cut at up to three line starts drawn from Seed, parts on threads, read
// in small pieces as a file would be.
vorlund::ScanResult ScanInParts(std::string_view Text, std::uint32_t Seed) {
    const vorlund::ReadAt read = [Text](std::uint64_t Offset, char* Buffer, std::size_t Length) {
        if (Offset >= Text.size()) return std::size_t(0);
        const std::size_t n = std::min<std::size_t>(Length, Text.size() - Offset);
        std::memcpy(Buffer, Text.data() + Offset, n);
        return n;
    };
    std::uint32_t x = Seed | 1;
    std::vector<std::uint64_t> targets(Next(x) % 4);
    for (auto& target : targets)
        target = Next(x) % (Text.size() + 2);
    std::sort(targets.begin(), targets.end());
    return vorlund::ScanSplit(read, targets, 1 + Seed % 64);
}

} // namespace

// The first two bytes choose the cuts, the rest is the program.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < 2) return 0;
    const std::string_view text(reinterpret_cast<const char*>(Data) + 2, Size - 2);
    const Expected want = Reference(text);
    Check(vorlund::ScanBytes(text), want);
    Check(vorlund::ScanBytes(text, std::size_t(Data[0]) + 1), want);
    Check(ScanIrregular(text, Data[1]), want);
    Check(ScanInParts(text, Data[0] << 8 | Data[1]), want);
    return 0;
}
