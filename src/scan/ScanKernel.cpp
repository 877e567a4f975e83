// The kernel for the build's baseline instructions (SSE2 on x86-64).
#define VORLUND_KERNEL FeedBaseline
#include "scan/ScanKernel.inc"
