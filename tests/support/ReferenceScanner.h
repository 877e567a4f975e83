#pragma once

#include "scan/NumFromStr.h"
#include "scan/Scanner.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorlund {

// The scan rules written plainly, one byte at a time. Slow; the fast Scanner
// must give the same result for every input and every way of cutting it.
// Every line goes through the LineJudge, for both distance modes at the start.
class ReferenceScanner {
public:
    void Feed(std::string_view Bytes);
    ScanResult Finish();

private:
    enum class Mode : std::uint8_t { Code, Paren, Comment, Number, Skip };
    void EndLine();
    void EndNumber();
    void JudgeLine();

    NumberReader number_;
    Mode mode_ = Mode::Code;
    bool afterCr_ = false;
    float min_ = 0.0f;
    std::int64_t line_ = 1;
    std::int64_t bad_ = 0;
    std::int64_t minLine_ = 0;
    LineJudge judge_;
    ScanResult result_;
};

// Whole-buffer reference scan, fed in pieces of Chunk bytes (all at once when 0).
ScanResult ReferenceScanBytes(std::string_view Bytes, std::size_t Chunk = 0);

} // namespace vorlund
