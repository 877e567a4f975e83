#include "interp/Params.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorlund {

Params::Params(const RunValues* Run) : run_(Run), set_(kCount, false), scopes_(1) {
    globals_.emplace("_value", 0.0);
    globals_.emplace("_value_returned", 0.0);
}

double Params::Unknown(Reason Why, std::string Text) const {
    unknown_ = {Why, std::move(Text)};
    return std::numeric_limits<double>::quiet_NaN();
}

void Params::FailUnknown(std::int64_t Line) const {
    throw Doubt{unknown_.Why == Reason::None ? Reason::Unset : unknown_.Why, unknown_.Text, Line};
}

double Params::Get(int Number) const {
    if (Number == 0) return kVacant;
    if (Number < 1 || Number >= kCount)
        Fail(Reason::Error, "no parameter #" + std::to_string(Number));
    if (set_[std::size_t(Number)]) return numbers_[Number];
    if (vacant_ && Number <= kLocal) return kVacant;
    const std::string name = "#" + std::to_string(Number);
    double value;
    if (run_ && run_->Numbered(Number, value))
        return value == value ? value : Unknown(Reason::Unset, name);
    // The probe's result and whether it tripped.
    if (Number >= 5061 && Number <= 5070) return Unknown(Reason::Probe, name);
    return Unknown(Reason::Unset, name);
}

void Params::Set(int Number, double Value) {
    if (Number >= kOwn && Number < kCount)
        Fail(Reason::Error, "#" + std::to_string(Number) + " is read only");
    if (Number < 1 || Number >= kCount)
        Fail(Reason::Error, "no parameter #" + std::to_string(Number));
    // Work offsets, G92 and tool offsets held in parameters move the frame.
    if (Number >= 5211 && Number <= 5390) Fail(Reason::Offset, "#" + std::to_string(Number));
    // A Fanuc alarm stops the program.
    if (Number == 3000)
        Fail(Reason::Error, "alarm " + std::to_string(IsVacant(Value) ? 0 : std::lround(Value)));
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

// A global the program sets can never have a predefined name: found first.
double Params::Get(std::string_view Name) const {
    if (const double* value = Find(Name)) return *value;
    double own;
    if (run_ && Name.starts_with('_') && run_->Named(Name, own))
        return own == own ? own : Unknown(Reason::Unset, "#<" + std::string(Name) + ">");
    return Unknown(Reason::Unset, "#<" + std::string(Name) + ">");
}

void Params::Set(std::string_view Name, double Value) {
    double own;
    if (double* value = const_cast<double*>(Find(Name))) {
        *value = Value;
    } else if (run_ && Name.starts_with('_') && run_->Named(Name, own)) {
        Fail(Reason::Error, "#<" + std::string(Name) + "> is read only");
    } else if (!Name.empty() && Name[0] == '_') {
        globals_.emplace(Name, Value);
    } else {
        scopes_[depth_].named.emplace_back(Name, Value);
    }
}

bool Params::Exists(std::string_view Name) const {
    double own;
    return Find(Name) != nullptr || (run_ && Name.starts_with('_') && run_->Named(Name, own));
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
