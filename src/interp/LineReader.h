#pragma once

#include "common/Source.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace vorlund {

// Reads a program line by line through a small buffer; lines end at LF,
// CR LF or CR. Seeks back to a line already read for calls and loops, within
// the buffer when it still holds it.
class LineReader {
public:
    enum class Status : std::uint8_t { Line, End, TooLong };

    explicit LineReader(const ProgramSource& Source);
    // Reads on from Offset, the start of line Line.
    void Seek(std::uint64_t Offset, std::int64_t Line);
    // The next line without its end.
    Status Next(std::string_view& Text);
    std::int64_t Line() const { return line_; }                // of the last line read
    std::uint64_t Start() const { return bufStart_ + start_; } // of the last line read
    std::uint64_t After() const { return bufStart_ + pos_; }   // of the line after it

    static constexpr std::size_t kMaxLine = 256 << 10;

private:
    bool Refill();
    std::size_t Find(std::size_t& Cache, char C) const;

    static constexpr std::size_t kBuffer = 2 * kMaxLine;

    const ProgramSource& source_;
    // kBuffer bytes, not zeroed: only what was read is looked at.
    std::unique_ptr<char[]> buf_;
    std::uint64_t bufStart_ = 0; // file offset of buf_[0]
    std::size_t len_ = 0;        // bytes held
    std::size_t pos_ = 0;        // the next line's start
    std::size_t start_ = 0;      // the last line's start
    bool end_ = false;           // the buffer reaches the end of the program
    std::size_t chunk_;          // the next read: small after a seek, doubling on
    std::int64_t line_ = 0;
    // The next LF and CR at or after pos_ (len_ when none), found once.
    std::size_t lf_ = 0, cr_ = 0;
    bool found_ = false;
};

} // namespace vorlund
