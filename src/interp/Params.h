#pragma once

#include "interp/Interpreter.h"

#include <bit>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlund {

// What the run holds itself and a program may read: its modes, position and
// tool (#<_metric>, #<_z>, #5422, ...). Each answers whether Name or Number
// is one of them, its value NaN where the run cannot know it.
class RunValues {
public:
    virtual bool Named(std::string_view Name, double& Value) const = 0;
    virtual bool Numbered(int Number, double& Value) const = 0;

protected:
    ~RunValues() = default;
};

// The program's parameters: numbered #1 to #5601, #1 to #30 local to a call;
// named, local to a call unless the name starts with "_". From #5400 on, and
// the predefined names, they are the run's own values. A value the program
// cannot know (a parameter read before it is set, machine data) reads as
// NaN and is remembered: the run stops only where such a value reaches a
// word that can change the depth.
class Params {
public:
    static constexpr int kCount = 5602;
    static constexpr int kOwn = 5400; // the first of the run's own numbers
    // A vacant value, as Fanuc's #0: left out of a word, 0 in arithmetic. A
    // NaN of its own, told from any NaN that arithmetic makes.
    static constexpr std::uint64_t kVacantBits = 0x7ff8'0000'0000'0001;
    static constexpr double kVacant = std::bit_cast<double>(kVacantBits);
    static bool IsVacant(double Value) {
        return (std::bit_cast<std::uint64_t>(Value) & ~(std::uint64_t(1) << 63)) == kVacantBits;
    }
    // A value the run cannot know: any other NaN.
    static bool IsUnknown(double Value) { return Value != Value && !IsVacant(Value); }
    static constexpr int kLocal = 30;

    explicit Params(const RunValues* Run = nullptr);
    double Get(int Number) const;
    void Set(int Number, double Value);
    double Get(std::string_view Name) const;
    void Set(std::string_view Name, double Value);
    bool Exists(std::string_view Name) const;
    // Stops the run: a value it could not know reached Z, a condition, ...
    [[noreturn]] void FailUnknown(std::int64_t Line = 0) const;

    // A call: the caller's locals are kept; the callee's #1 to #30 are Args,
    // those with their bit in Given set. In a Vacant call (a Fanuc macro)
    // the others are vacant, not unset.
    void Enter(const double* Args, std::uint32_t Given, bool Vacant = false);
    void Leave();

private:
    struct Scope {
        double numbers[kLocal];
        std::uint32_t set;
        bool vacant;
        std::vector<std::pair<std::string, double>> named;
    };
    const double* Find(std::string_view Name) const;
    double Unknown(Reason Why, std::string Text) const;

    const RunValues* run_;
    mutable Doubt unknown_; // the last unknown value read
    double numbers_[kCount] = {};
    std::vector<bool> set_;
    std::map<std::string, double, std::less<>> globals_;
    std::vector<Scope> scopes_; // [0] the main program's named locals
    std::size_t depth_ = 0;     // scopes in use, beyond [0]
    bool vacant_ = false;       // the current scope's unset locals are vacant
};

} // namespace vorlund
