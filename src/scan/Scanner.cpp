#include "scan/Scanner.h"

#include "scan/ScanKernel.h"

#include <algorithm>

namespace vorlund {

namespace kernel {

namespace {

Progress::Bar WholeBar(float Min) {
    const double depth = -double(Min);
    if (depth >= 1e6) return {0x80808080808080, 0, 0, 63}; // 7 digits: the quick path's limit
    Progress::Bar bar;
    for (auto whole = std::uint64_t(depth); whole > 0; whole /= 10) {
        bar.Digits |= std::uint64_t('0' + whole % 10) << (63 - bar.Shift);
        bar.Shorter = bar.Shorter << 8 | 0x80;
        bar.Same <<= 8;
        bar.Shift -= 8;
    }
    return bar;
}

} // namespace

bool Take(Progress& P, std::optional<float> Value) {
    if (!Value) return false;
    if (*Value < P.Min) {
        P.Min = *Value;
        P.Whole = WholeBar(*Value);
    }
    return true;
}

bool ReadLong(Progress& P, const char* From, const char* End) {
    P.Number.Reset();
    const char* p = From;
    while (p < End && P.Number.Feed(*p))
        ++p;
    if (p == End) {
        P.Now = Scanner::State::Number;
        return true;
    }
    return Take(P, P.Number.Value());
}

namespace {

// The rest of a number cut by the end of the last piece.
const char* ContinueNumber(Progress& P, const char* From, const char* End) {
    const char* p = From;
    while (p < End && P.Number.Feed(*p))
        ++p;
    if (p == End) return p;
    P.Now = Scanner::State::Skip;
    if (!Take(P, P.Number.Value())) P.Bad = P.Line;
    return p;
}

bool HaveAvx2() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    return kHaveAvx2Kernel && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") &&
           __builtin_cpu_supports("popcnt");
#else
    return false;
#endif
}

} // namespace

} // namespace kernel

Scanner::Scanner(ScanKernel Kernel) {
    static const bool avx2 = kernel::HaveAvx2();
    switch (Kernel) {
    case ScanKernel::Fastest:
        kernel_ = avx2 ? kernel::FeedAvx2 : kernel::FeedBaseline;
        break;
    case ScanKernel::Baseline:
        kernel_ = kernel::FeedBaseline;
        break;
    case ScanKernel::Plain:
        kernel_ = kernel::FeedPlain;
        break;
    }
}

void Scanner::Feed(std::string_view Bytes) {
    const char* p = Bytes.data();
    const char* const end = p + Bytes.size();
    if (progress_.Bad || p == end) return;
    if (progress_.Now == State::Number) {
        p = kernel::ContinueNumber(progress_, p, end);
        if (progress_.Bad || progress_.Now == State::Number) return;
    }
    kernel_(progress_, p, end);
}

ScanResult Scanner::Finish() {
    Progress& p = progress_;
    if (p.Now == State::Number && !p.Bad && !kernel::Take(p, p.Number.Value())) p.Bad = p.Line;
    p.Now = State::Code;
    return {p.Min, p.Bad, p.Line - 1};
}

ScanResult ScanBytes(std::string_view Bytes, std::size_t Chunk, ScanKernel Kernel) {
    Scanner scanner(Kernel);
    if (Chunk == 0) Chunk = std::max<std::size_t>(Bytes.size(), 1);
    for (std::size_t at = 0; at < Bytes.size(); at += Chunk)
        scanner.Feed(Bytes.substr(at, Chunk));
    return scanner.Finish();
}

} // namespace vorlund
