#include "app/ScanFile.h"

#include "common/Error.h"
#include "common/Quote.h"
#include "interp/Dialect.h"

#include <algorithm>
#include <thread>

namespace vorlund {

ScanPlan DefaultScanPlan() {
    ScanPlan plan;
    plan.Threads = std::max(1u, std::thread::hardware_concurrency());
    return plan;
}

ScanResult ScanFile(const ProgramFile& File, const std::string& Path, const ScanPlan& Plan) {
    // The file as it was opened, and not a byte more: a file that grows while
    // it is read is caught by CheckUnchanged, not followed.
    const std::uint64_t size = File.Size();
    const ReadAt read = [&](std::uint64_t Offset, char* Buffer, std::size_t Length) {
        if (Offset >= size) return std::size_t(0);
        return File.ReadAt(Offset, Buffer,
                           std::size_t(std::min<std::uint64_t>(Length, size - Offset)));
    };
    ScanResult result = ScanParallel(read, size, Plan);
    File.CheckUnchanged();
    if (result.BadLine)
        throw Error(QuoteName(Path) + ": line " + std::to_string(result.BadLine) +
                    ": number out of range");
    return result;
}

FileDepth SettleFile(const ProgramFile& File, const std::string& Path, const ScanPlan& Plan,
                     const Runner& Run) {
    FileDepth depth{ScanFile(File, Path, Plan), std::nullopt};
    const Reason kind = depth.Scan.FirstDoubt.Why;
    // Of the other dialects the run reads Heidenhain's and Sinumerik's; a
    // Sinumerik program's Z words cannot tell a call of another program.
    const Dialect dialect = DialectOf(File);
    if (kind == Reason::None && dialect != Dialect::Sinumerik) return depth;
    if (Foreign(kind) && dialect == Dialect::Rs274) return depth;
    depth.Run = Run(File);
    File.CheckUnchanged();
    return depth;
}

} // namespace vorlund
