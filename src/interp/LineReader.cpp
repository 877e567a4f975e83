#include "interp/LineReader.h"

#include <cstring>

namespace vorlund {

namespace {
constexpr std::size_t kFirstChunk = 16 << 10;
}

LineReader::LineReader(const ProgramSource& Source)
    : source_(Source), buf_(std::make_unique_for_overwrite<char[]>(kBuffer)), chunk_(kBuffer) {}

void LineReader::Seek(std::uint64_t Offset, std::int64_t Line) {
    line_ = Line - 1;
    if (Offset >= bufStart_ && Offset <= bufStart_ + len_) {
        pos_ = std::size_t(Offset - bufStart_);
        found_ = false;
        return;
    }
    // A call or a loop far away: read a little there, more as it goes on.
    bufStart_ = Offset;
    chunk_ = kFirstChunk;
    len_ = pos_ = 0;
    end_ = false;
    found_ = false;
}

std::size_t LineReader::Find(std::size_t& Cache, char C) const {
    if (found_ && Cache >= pos_) return Cache;
    const void* at = std::memchr(buf_.get() + pos_, C, len_ - pos_);
    Cache = at ? std::size_t(static_cast<const char*>(at) - buf_.get()) : len_;
    return Cache;
}

// Keeps the bytes from pos_ on and reads after them; false when none came.
bool LineReader::Refill() {
    if (end_) return false;
    std::memmove(buf_.get(), buf_.get() + pos_, len_ - pos_);
    bufStart_ += pos_;
    len_ -= pos_;
    pos_ = 0;
    found_ = false;
    const std::size_t before = len_;
    const std::uint64_t size = source_.Size();
    const std::size_t want = std::min(kBuffer, len_ + chunk_);
    chunk_ = std::min(kBuffer, 2 * chunk_);
    while (len_ < want) {
        const std::uint64_t at = bufStart_ + len_;
        if (at >= size) break;
        const std::size_t got = source_.ReadAt(
            at, buf_.get() + len_, std::size_t(std::min<std::uint64_t>(want - len_, size - at)));
        if (got == 0) break;
        len_ += got;
    }
    end_ = len_ < want;
    return len_ > before;
}

LineReader::Status LineReader::Next(std::string_view& Text) {
    for (;;) {
        const char* from = buf_.get() + pos_;
        const char* end = buf_.get() + len_;
        const std::size_t lf = Find(lf_, '\n'), cr = Find(cr_, '\r');
        found_ = true;
        const char* p = buf_.get() + std::min(lf, cr);
        // A CR at the buffer's end may be followed by an LF not read yet.
        const bool cut = p == end || (*p == '\r' && p + 1 == end);
        if (!cut || end_) {
            if (p == from && p == end) return Status::End;
            Text = std::string_view(from, std::size_t(p - from));
            if (bufStart_ + pos_ == 0 && Text.starts_with("\xEF\xBB\xBF"))
                Text.remove_prefix(3); // a UTF-8 byte order mark
            start_ = pos_;
            if (p < end) p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
            pos_ = std::size_t(p - buf_.get());
            ++line_;
            return Text.size() > kMaxLine ? Status::TooLong : Status::Line;
        }
        if (len_ - pos_ > kMaxLine) {
            ++line_;
            return Status::TooLong;
        }
        if (!Refill() && !end_) return Status::End;
    }
}

} // namespace vorlund
