#pragma once

#include "platform/Platform.h"
#include "scan/SplitScan.h"

#include <string>

namespace vorlund {

// One thread per core; large files only.
ScanPlan DefaultScanPlan();

// Scans the open program at Path, large files in parts on several threads.
// Throws Error "PATH: reason" when it cannot be read or holds a bad number.
ScanResult ScanFile(const ProgramFile& File, const std::string& Path, const ScanPlan& Plan);

} // namespace vorlund
