#pragma once

#include <cstddef>
#include <cstdint>

namespace vorlund {

// The bytes of a program, read at an offset: what the scan and the
// interpreter read through, so neither needs the whole file in memory.
class ProgramSource {
public:
    virtual ~ProgramSource() = default;
    // The size when the program was opened; nothing past it is read.
    virtual std::uint64_t Size() const = 0;
    // Reads up to Length bytes at Offset into Buffer and returns how many; 0
    // only past the end. Called from several threads at once.
    virtual std::size_t ReadAt(std::uint64_t Offset, char* Buffer, std::size_t Length) const = 0;
};

} // namespace vorlund
