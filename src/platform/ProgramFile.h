#pragma once

#include "scan/SplitScan.h"

#include <string>

namespace vorlund {

// One thread per core; large files only.
ScanPlan DefaultScanPlan();

// The minimum Z of the NC program at Path, read in chunks, large files in
// parts on several threads. Throws Error "PATH: reason" when the file cannot
// be read or holds a bad number.
float ScanProgramFile(const std::string& Path, const ScanPlan& Plan);
float ScanProgramFile(const std::string& Path);

} // namespace vorlund
