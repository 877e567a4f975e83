#pragma once

#include "app/ScanFile.h"

#include <optional>
#include <string>
#include <string_view>

namespace vorlund {

// What a machinist reads for why a depth could not be settled: every such
// sentence is worded here.

// "machine coordinates (G53 Z-50)": a reason and its words.
std::string DoubtWords(const Doubt& Why);

// "line 12: machine coordinates (G53)", "only defines subroutines"; nullopt
// when the depth is settled.
std::optional<std::string> DoubtOf(const FileDepth& Depth);

// What a dry run says of the deepest point beyond its line, with a space or
// a separator before each part: ", the arc's lowest point; the Z words say h0".
std::string DepthNote(const FileDepth& Depth, const std::string& Separator);

} // namespace vorlund
