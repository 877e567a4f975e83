// The kernel without SIMD, for CPUs without SSE2 and as a check on the others.
#define VORLUND_KERNEL FeedPlain
#define VORLUND_CANDIDATES CandidatesPlain
#define VORLUND_KERNEL_PLAIN
#include "scan/ScanKernel.inc"
