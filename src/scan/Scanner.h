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
// Works on 64-byte blocks: bit masks find the Z words, comments fall back to
// a walk over the block's interesting bytes.
class Scanner {
public:
    void Feed(std::string_view Bytes);
    ScanResult Finish();

private:
    // What the current line still waits for at a block boundary.
    enum class State : std::uint8_t {
        Code,   // its Z word
        Paren,  // the ")" of a comment, then its Z word
        Skip,   // its end: Z word read or ";" comment
        Number, // the rest of a Z number cut by the end of a piece
    };

public:
    // Bit i stands for byte i of a 64-byte block.
    struct Masks {
        std::uint64_t zc; // 'Z', '(' and ';'
        std::uint64_t c;  // '(' and ';'
        std::uint64_t cr;
        std::uint64_t lf;
    };

private:
    void Block(const char* Bytes, const char* Base, unsigned Length, const char* End);
    void Walk(const char* Bytes, const char* Base, std::uint64_t Bits, std::uint64_t Ends,
              const char* End);
    bool ReadZ(const char* From, const char* End);
    const char* ContinueNumber(const char* From, const char* End);
    bool Take(std::optional<float> Value);
    void Fail(std::uint64_t Ends, unsigned Bit);

    NumberReader number_;
    State state_ = State::Code;
    bool afterCr_ = false; // the last byte fed was a CR
    float min_ = 0.0f;
    std::int64_t line_ = 1; // of the first byte of the next block
    std::int64_t bad_ = 0;
};

// Whole-buffer scan, fed in pieces of Chunk bytes (all at once when 0).
ScanResult ScanBytes(std::string_view Bytes, std::size_t Chunk = 0);

} // namespace vorlund
