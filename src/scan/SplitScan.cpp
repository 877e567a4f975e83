#include "scan/SplitScan.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

namespace vorlund {

namespace {

// The kernel copies into a page-aligned buffer several times faster than into
// one a malloc header past a page boundary.
constexpr std::align_val_t kPage{4096};

struct PageFree {
    void operator()(char* Buffer) const { ::operator delete[](Buffer, kPage); }
};

std::unique_ptr<char[], PageFree> PageBuffer(std::size_t Size) {
    return std::unique_ptr<char[], PageFree>(static_cast<char*>(::operator new[](Size, kPage)));
}

} // namespace

ScanResult ScanRange(const ReadAt& Read, std::uint64_t Begin, std::uint64_t End, std::size_t Chunk,
                     Flow Start) {
    Scanner scanner(ScanKernel::Fastest, Start);
    const auto buffer = PageBuffer(Chunk);
    for (std::uint64_t at = Begin; at < End;) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(Chunk, End - at));
        const std::size_t n = Read(at, buffer.get(), want);
        if (n == 0) break;
        scanner.Feed({buffer.get(), n});
        at += n;
    }
    return scanner.Finish();
}

std::uint64_t LineStartFrom(const ReadAt& Read, std::uint64_t Offset) {
    if (Offset == 0) return 0;
    char buffer[4096];
    bool afterCr = false;
    std::uint64_t at = Offset - 1; // the byte before a line start ends a line
    for (;;) {
        const std::size_t n = Read(at, buffer, sizeof buffer);
        if (n == 0) return std::max(at, Offset);
        for (std::size_t i = 0; i < n; ++i) {
            if (afterCr) return at + i + (buffer[i] == '\n');
            if (buffer[i] == '\n') return at + i + 1;
            afterCr = buffer[i] == '\r';
        }
        at += n;
    }
}

ScanResult Join(const ScanResult& First, const ScanResult& Then) {
    if (First.BadLine) return First;
    ScanResult result = First;
    result.MinZ = std::min(First.MinZ, Then.MinZ);
    if (Then.MinZ < First.MinZ) result.MinLine = First.LineEnds + Then.MinLine;
    result.BadLine = Then.BadLine ? First.LineEnds + Then.BadLine : 0;
    result.LineEnds = First.LineEnds + Then.LineEnds;
    for (auto& track : result.Track)
        Append(track, Then.Track[std::size_t(track.Now)], First.LineEnds);
    Settle(result);
    return result;
}

ScanResult ScanSplit(const ReadAt& Read, std::span<const std::uint64_t> Targets,
                     std::size_t Chunk) {
    std::vector<std::uint64_t> cuts{0};
    for (const std::uint64_t target : Targets)
        cuts.push_back(LineStartFrom(Read, std::max(target, cuts.back())));
    cuts.push_back(kToEnd);

    const std::size_t parts = cuts.size() - 1;
    std::vector<ScanResult> results(parts);
    std::vector<std::exception_ptr> errors(parts);
    // Scans parts Ks on threads of their own, for a start in flow Start.
    const auto scan = [&](const std::vector<std::size_t>& Ks, Flow Start) {
        const auto one = [&](std::size_t k) {
            try {
                ScanResult part = ScanRange(Read, cuts[k], cuts[k + 1], Chunk, Start);
                if (Start == Flow::Absolute)
                    results[k] = std::move(part);
                else
                    results[k].Track[std::size_t(Start)] =
                        std::move(part.Track[std::size_t(Start)]);
            } catch (...) {
                errors[k] = std::current_exception();
            }
        };
        std::vector<std::thread> threads;
        for (std::size_t i = 1; i < Ks.size(); ++i)
            threads.emplace_back(one, Ks[i]);
        if (!Ks.empty()) one(Ks[0]);
        for (auto& thread : threads)
            thread.join();
    };
    std::vector<std::size_t> all{0};
    for (std::size_t k = 1; k < parts; ++k)
        if (cuts[k] < cuts[k + 1]) all.push_back(k);
    scan(all, Flow::Absolute);

    // Rare: a part ends in G91 or past the end, so the parts after it start
    // in that flow. Each round scans the rest for the first flow not scanned
    // yet; the absolute one always is, so two rounds at most.
    for (;;) {
        Flow now = Flow::Absolute;
        std::size_t i = 0;
        for (; i < all.size() && !errors[all[i]]; ++i) {
            const DoubtTrack& track = results[all[i]].Track[std::size_t(now)];
            if (!track.Known) break;
            now = track.Now;
        }
        if (i == all.size() || errors[all[i]]) break;
        scan({all.begin() + std::ptrdiff_t(i), all.end()}, now);
    }

    // One pass stops at a bad line and never sees what lies after it.
    ScanResult result;
    for (std::size_t k = 0; k < parts && !result.BadLine; ++k) {
        if (errors[k]) std::rethrow_exception(errors[k]);
        result = Join(result, results[k]);
    }
    return result;
}

ScanResult ScanParallel(const ReadAt& Read, std::uint64_t Size, const ScanPlan& Plan) {
    const std::uint64_t parts = std::clamp<std::uint64_t>(
        Size / std::max<std::uint64_t>(Plan.MinPart, 1), 1, std::max(Plan.Threads, 1u));
    std::vector<std::uint64_t> targets;
    for (std::uint64_t k = 1; k < parts; ++k)
        targets.push_back(Size / parts * k);
    return ScanSplit(Read, targets, Plan.Chunk);
}

} // namespace vorlund
