// The kernel for the build's baseline instructions (SSE2 on x86-64).
#define VORLUND_KERNEL FeedBaseline
#define VORLUND_CANDIDATES CandidatesBaseline
#include "scan/ScanKernel.inc"
