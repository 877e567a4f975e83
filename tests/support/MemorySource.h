#pragma once

#include "common/Source.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vorlund::test {

// A read of Length bytes at Offset of Bytes; 0 past the end.
inline std::size_t ReadBytesAt(std::string_view Bytes, std::uint64_t Offset, char* Buffer,
                               std::size_t Length) {
    if (Offset >= Bytes.size()) return 0;
    const std::size_t n = std::min<std::size_t>(Length, Bytes.size() - Offset);
    std::memcpy(Buffer, Bytes.data() + Offset, n);
    return n;
}

// A program in memory that someone else holds for as long as it is read.
class MemorySource : public ProgramSource {
public:
    explicit MemorySource(std::string_view Bytes) : bytes_(Bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t Offset, char* Buffer, std::size_t Length) const override {
        return ReadBytesAt(bytes_, Offset, Buffer, Length);
    }

private:
    std::string_view bytes_;
};

} // namespace vorlund::test
