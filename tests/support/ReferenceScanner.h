#pragma once

#include "scan/Scanner.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlund {

// The scan rules written plainly, a whole line at a time, with their own
// lists of words and std::from_chars for the numbers: nothing of the
// product's line judge, word table or number reader. Slow;
// the fast Scanner must give the same result for every input and every way
// of cutting it. Every line is read for each flow at the start.
class ReferenceScanner {
public:
    void Feed(std::string_view Bytes) { text_ += Bytes; }
    ScanResult Finish() const;

private:
    std::string text_;
};

// Whole-buffer reference scan, fed in pieces of Chunk bytes (all at once when 0).
ScanResult ReferenceScanBytes(std::string_view Bytes, std::size_t Chunk = 0);

} // namespace vorlund
