#pragma once

#include "platform/Platform.h"
#include "support/MemorySource.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

namespace vorlund::test {

// A program file held in memory; its rename calls OnRename.
class MemoryFile : public ProgramFile {
public:
    explicit MemoryFile(std::string Bytes, std::function<void(const std::string&)> OnRename = {})
        : bytes_(std::move(Bytes)), onRename_(std::move(OnRename)) {}

    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t Offset, char* Buffer, std::size_t Length) const override {
        return ReadBytesAt(bytes_, Offset, Buffer, Length);
    }
    void CheckUnchanged() const override {}
    void DoneReading() override {}
    void RenameNoReplace(const std::string& To) override {
        if (onRename_) onRename_(To);
    }

private:
    std::string bytes_;
    std::function<void(const std::string&)> onRename_;
};

} // namespace vorlund::test
