#pragma once

#include "interp/Interpreter.h"
#include "platform/Platform.h"
#include "scan/SplitScan.h"

#include <functional>
#include <optional>
#include <string>

namespace vorlund {

// One thread per core; large files only.
ScanPlan DefaultScanPlan();

// Scans the open program at Path, large files in parts on several threads.
// Throws Error "PATH: reason" when it cannot be read or holds a bad number.
ScanResult ScanFile(const ProgramFile& File, const std::string& Path, const ScanPlan& Plan);

// Runs a program as a controller would: Interpret, or a stand-in in tests.
using Runner = std::function<InterpResult(const ProgramSource& Source)>;

// A file's depth: the scan's, and the interpreter's where the scan could not
// settle it.
struct FileDepth {
    ScanResult Scan;
    std::optional<InterpResult> Run; // set when the program was run
    // The program was run and that settled its depth.
    bool Settled() const { return Run && Run->Unsure.Why == Reason::None; }
    float MinZ() const { return Settled() ? Run->MinZ : Scan.MinZ; }
    std::int64_t MinLine() const { return Settled() ? Run->MinLine : Scan.MinLine; }
};

// Scans the file, and runs it when the scan cannot settle its depth for a
// reason running settles; words of other dialects keep the scan's doubt.
FileDepth SettleFile(const ProgramFile& File, const std::string& Path, const ScanPlan& Plan,
                     const Runner& Run);

} // namespace vorlund
