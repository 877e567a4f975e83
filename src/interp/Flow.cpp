#include "interp/Flow.h"

namespace vorlund {

void Labels::Add(std::string_view Key, const Place& At) {
    places_.emplace(std::string(Key), At);
}

bool Labels::AddFirst(std::string_view Key, const Place& At) {
    if (places_.contains(Key)) return false;
    places_.emplace(std::string(Key), At);
    return true;
}

const Place* Labels::Find(std::string_view Key) {
    const Place* at = First(Key);
    if (!at && !indexed_) Index(), at = First(Key);
    return at;
}

const Place* Labels::Near(std::string_view Key, std::uint64_t Offset, int Direction) {
    Index();
    const auto [first, last] = places_.equal_range(Key);
    if (Direction >= 0)
        for (auto it = first; it != last; ++it)
            if (it->second.Offset > Offset) return &it->second;
    if (Direction <= 0)
        for (auto it = last; it != first;)
            if ((--it)->second.Offset <= Offset) return &it->second;
    return nullptr;
}

const Place* Labels::First(std::string_view Key) const {
    const auto it = places_.lower_bound(Key);
    return it == places_.end() || it->first != Key ? nullptr : &it->second;
}

void Labels::Index() {
    if (indexed_) return;
    indexed_ = true;
    LineReader reader(source_);
    std::string_view line;
    while (reader.Next(line) == LineReader::Status::Line)
        scan_(line, reader, *this);
}

} // namespace vorlund
