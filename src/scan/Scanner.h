#pragma once

#include "scan/NumFromStr.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorlund {

struct ScanResult {
    float MinZ = 0.0f;        // never above 0
    std::int64_t BadLine = 0; // 1-based line of a number out of range, 0 when none
    std::int64_t LineEnds = 0;
};

// Finds the minimum Z of an NC program fed in pieces of any size; the result
// does not depend on where the pieces are cut. Lines end at LF, CR LF or CR.
// A line's Z word is its first capital Z outside comments: "(" to ")" or to
// the line end, and ";" to the line end. Scanning stops at a bad number.
class Scanner {
public:
    void Feed(std::string_view Bytes);
    ScanResult Finish();

private:
    enum class Mode : std::uint8_t { Code, Paren, Comment, Number, Skip };
    void EndLine();
    void EndNumber();

    NumberReader number_;
    Mode mode_ = Mode::Code;
    bool afterCr_ = false;
    float min_ = 0.0f;
    std::int64_t line_ = 1;
    std::int64_t bad_ = 0;
};

// Whole-buffer scan, fed in pieces of Chunk bytes (all at once when 0).
ScanResult ScanBytes(std::string_view Bytes, std::size_t Chunk = 0);

} // namespace vorlund
