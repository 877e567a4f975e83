#include "interp/Params.h"

#include <algorithm>
#include <cmath>

namespace vorlund {

void Fail(Unsettled Reason, std::string Text) {
    throw Stop{Reason, std::move(Text)};
}

Params::Params() : set_(kCount, false), scopes_(1) {}

double Params::Get(int Number) const {
    if (Number == 0) return kVacant;
    if (Number < 1 || Number >= kCount)
        Fail(Unsettled::Error, "no parameter #" + std::to_string(Number));
    if (set_[std::size_t(Number)]) return numbers_[Number];
    if (vacant_ && Number <= kLocal) return kVacant;
    if (Number >= 5061 && Number <= 5069) Fail(Unsettled::Probe, "#" + std::to_string(Number));
    Fail(Unsettled::Unset, "#" + std::to_string(Number));
}

void Params::Set(int Number, double Value) {
    if (Number < 1 || Number >= kCount)
        Fail(Unsettled::Error, "no parameter #" + std::to_string(Number));
    // Work offsets, G92 and tool offsets held in parameters move the frame.
    if (Number >= 5211 && Number <= 5390) Fail(Unsettled::Offset, "#" + std::to_string(Number));
    // A Fanuc alarm stops the program.
    if (Number == 3000)
        Fail(Unsettled::Error, "alarm " + std::to_string(IsVacant(Value) ? 0 : std::lround(Value)));
    numbers_[Number] = Value;
    set_[std::size_t(Number)] = true;
}

const double* Params::Find(std::string_view Name) const {
    if (!Name.empty() && Name[0] == '_') {
        const auto it = globals_.find(Name);
        return it == globals_.end() ? nullptr : &it->second;
    }
    for (const auto& [name, value] : scopes_[depth_].named)
        if (name == Name) return &value;
    return nullptr;
}

double Params::Get(std::string_view Name) const {
    if (const double* value = Find(Name)) return *value;
    Fail(Unsettled::Unset, "#<" + std::string(Name) + ">");
}

void Params::Set(std::string_view Name, double Value) {
    if (double* value = const_cast<double*>(Find(Name))) {
        *value = Value;
    } else if (!Name.empty() && Name[0] == '_') {
        globals_.emplace(Name, Value);
    } else {
        scopes_[depth_].named.emplace_back(Name, Value);
    }
}

bool Params::Exists(std::string_view Name) const {
    return Find(Name) != nullptr;
}

void Params::Enter(const double* Args, std::uint32_t Given, bool Vacant) {
    if (++depth_ == scopes_.size()) scopes_.emplace_back();
    Scope& scope = scopes_[depth_];
    scope.named.clear();
    scope.set = 0;
    scope.vacant = vacant_;
    vacant_ = Vacant;
    for (int i = 0; i < kLocal; ++i) {
        scope.numbers[i] = numbers_[i + 1];
        scope.set |= std::uint32_t(set_[std::size_t(i) + 1]) << i;
        const bool given = Given >> i & 1u;
        numbers_[i + 1] = given ? Args[i] : 0.0;
        set_[std::size_t(i) + 1] = given;
    }
}

void Params::Leave() {
    const Scope& scope = scopes_[depth_--];
    vacant_ = scope.vacant;
    for (int i = 0; i < kLocal; ++i) {
        numbers_[i + 1] = scope.numbers[i];
        set_[std::size_t(i) + 1] = scope.set >> i & 1u;
    }
}

} // namespace vorlund
