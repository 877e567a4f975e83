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

// Ends a run: why the program cannot be settled, and the word.
struct Stop {
    Unsettled Reason;
    std::string Text;
    std::int64_t Line = 0; // 0: the line being run
};

[[noreturn]] void Fail(Unsettled Reason, std::string Text);

// The program's parameters: numbered #1 to #5399, #1 to #30 local to a call;
// named, local to a call unless the name starts with "_". A parameter read
// before it is set stops the run.
class Params {
public:
    static constexpr int kCount = 5400;
    // A vacant value, as Fanuc's #0: left out of a word, 0 in arithmetic. A
    // NaN of its own, told from any NaN that arithmetic makes.
    static constexpr std::uint64_t kVacantBits = 0x7ff8'0000'0000'0001;
    static constexpr double kVacant = std::bit_cast<double>(kVacantBits);
    static bool IsVacant(double Value) {
        return (std::bit_cast<std::uint64_t>(Value) & ~(std::uint64_t(1) << 63)) == kVacantBits;
    }
    static constexpr int kLocal = 30;

    Params();
    double Get(int Number) const;
    void Set(int Number, double Value);
    double Get(std::string_view Name) const;
    void Set(std::string_view Name, double Value);
    bool Exists(std::string_view Name) const;

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

    double numbers_[kCount] = {};
    std::vector<bool> set_;
    std::map<std::string, double, std::less<>> globals_;
    std::vector<Scope> scopes_; // [0] the main program's named locals
    std::size_t depth_ = 0;     // scopes in use, beyond [0]
    bool vacant_ = false;       // the current scope's unset locals are vacant
};

} // namespace vorlund
