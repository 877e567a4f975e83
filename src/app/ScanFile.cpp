#include "app/ScanFile.h"

#include "common/Error.h"

#include <algorithm>
#include <thread>

namespace vorlund {

ScanPlan DefaultScanPlan() {
    ScanPlan plan;
    plan.Threads = std::max(1u, std::thread::hardware_concurrency());
    return plan;
}

ScanResult ScanFile(const ProgramFile& File, const std::string& Path, const ScanPlan& Plan) {
    const ReadAt read = [&](std::uint64_t Offset, char* Buffer, std::size_t Length) {
        return File.ReadAt(Offset, Buffer, Length);
    };
    ScanResult result = ScanParallel(read, File.Size(), Plan);
    if (result.BadLine)
        throw Error(Path + ": line " + std::to_string(result.BadLine) + ": number out of range");
    return result;
}

} // namespace vorlund
