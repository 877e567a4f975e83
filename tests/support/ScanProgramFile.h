#pragma once

#include "app/ScanFile.h"
#include "platform/linux/PosixFileSystem.h"

#include <string>

namespace vorlund::test {

// The minimum Z of the program at Path, read as the program reads it.
inline float ScanProgramFile(const std::string& Path, const ScanPlan& Plan = DefaultScanPlan()) {
    PosixFileSystem files;
    const auto file = files.Open(Path);
    return ScanFile(*file, Path, Plan).MinZ;
}

} // namespace vorlund::test
