// The kernel for AVX2, BMI2 and POPCNT, chosen at run time; the build gives
// this file -mavx2 -mbmi -mbmi2 -mpopcnt on x86-64.
#if defined(__AVX2__) && defined(__BMI2__) && defined(__POPCNT__)

#define VORLUND_KERNEL FeedAvx2
#define VORLUND_CANDIDATES CandidatesAvx2
#include "scan/ScanKernel.inc"

namespace vorlund::kernel {
const bool kHaveAvx2Kernel = true;
} // namespace vorlund::kernel

#else

#include "scan/ScanKernel.h"

namespace vorlund::kernel {
const bool kHaveAvx2Kernel = false;
void FeedAvx2(Progress& P, const char* From, const char* End) {
    FeedBaseline(P, From, End);
}
std::uint64_t CandidatesAvx2(const char* P) {
    return CandidatesBaseline(P);
}
} // namespace vorlund::kernel

#endif
