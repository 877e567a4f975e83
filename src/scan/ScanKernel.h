#pragma once

// The block kernels behind Scanner; not for use elsewhere.

#include "scan/Scanner.h"

#include <optional>

namespace vorlund::kernel {

using Progress = Scanner::Progress;

// One per instruction set, all from ScanKernel.inc. From..End holds whole
// blocks and a tail; Progress.Now is not Number.
void FeedBaseline(Progress& P, const char* From, const char* End);
void FeedAvx2(Progress& P, const char* From, const char* End);
void FeedPlain(Progress& P, const char* From, const char* End);
extern const bool kHaveAvx2Kernel; // false when the build has no AVX2 kernel

// Shared slow paths, in Scanner.cpp.
// Reads the Z number at From byte by byte; one that runs to End waits for the next piece.
bool ReadLong(Progress& P, const char* From, const char* End);
// False for a number out of range.
bool Take(Progress& P, std::optional<float> Value);

} // namespace vorlund::kernel
