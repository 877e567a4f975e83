#pragma once

#include "scan/Scanner.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace vorlund {

// Reads up to Length bytes at Offset into Buffer and returns how many; 0 only
// past the end of the data. Throws Error when the data cannot be read.
using ReadAt = std::function<std::size_t(std::uint64_t Offset, char* Buffer, std::size_t Length)>;

inline constexpr std::uint64_t kToEnd = UINT64_MAX;

struct ScanPlan {
    unsigned Threads = 1;
    std::size_t Chunk = 256 << 10; // bytes read at a time by each thread
    // Parts smaller than this cost more to start than they save: on 2 cores a
    // thread pays off from 128 KiB parts of page-cached file (bench/ScanBench BM_File).
    std::uint64_t MinPart = 128 << 10;
};

// Scans the bytes from Begin up to End, or to the end of the data, for a
// start in flow Start.
ScanResult ScanRange(const ReadAt& Read, std::uint64_t Begin, std::uint64_t End, std::size_t Chunk,
                     Flow Start = Flow::Absolute);

// The first line start at or after Offset: 0, or just past an LF, or past a CR
// that no LF follows. At or past the end of the data when none follows.
std::uint64_t LineStartFrom(const ReadAt& Read, std::uint64_t Offset);

// The result of one pass over First's bytes followed by Then's, when Then's
// bytes begin at a line start. A track of the result is unknown where First's
// leads to one of Then's that is unknown.
ScanResult Join(const ScanResult& First, const ScanResult& Then);

// Cuts the data at the line starts from each of Targets (ascending) and
// scans the parts on threads of their own; the same result as one pass. A
// part that the file before it leaves in another flow (G91, or past the
// program's end) is scanned again for that start.
ScanResult ScanSplit(const ReadAt& Read, std::span<const std::uint64_t> Targets, std::size_t Chunk);

// Scans data of about Size bytes in up to Plan.Threads equal parts.
ScanResult ScanParallel(const ReadAt& Read, std::uint64_t Size, const ScanPlan& Plan);

} // namespace vorlund
