#pragma once

// The runner of RS274NGC and Fanuc programs, shared by the files that hold
// its parts: the run and o-words (Interpreter.cpp), Fanuc macro flow
// (Macro.cpp).

#include "interp/Flow.h"
#include "interp/Interpreter.h"
#include "interp/LineReader.h"
#include "interp/Machine.h"
#include "interp/Parser.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorlund {

struct Loop {
    Place Start; // the while line, or the body of a do or a repeat
    Keyword Kind;
    double Count;
    std::string Name;
};

// A Fanuc macro call: G65 at once, G66 after each move.
struct MacroCall {
    long Program;
    long Repeats;
    double Args[Params::kLocal];
    std::uint32_t Given;
};

// The axis words of a block that moves.
inline constexpr std::uint32_t kAxisWords =
    1u << ('X' - 'A') | 1u << ('Y' - 'A') | 1u << ('Z' - 'A') | 1u << ('A' - 'A') |
    1u << ('B' - 'A') | 1u << ('C' - 'A') | 1u << ('U' - 'A') | 1u << ('V' - 'A') |
    1u << ('W' - 'A');

// The M words of a block that move the flow.
struct CallWords {
    bool Call = false, Local = false, Back = false; // M98 or M97, M97, M99
    long To = -1;                                   // P: the program, or the line
    long Repeats = 1;
};

// What a call is: an o-word sub (its own locals, ends at endsub or
// return), a Fanuc subprogram (M98, M97: the caller's locals, ends at M99)
// or a Fanuc macro (G65, G66: its own locals, vacant when not given).
enum class CallKind : std::uint8_t { Sub, Subprogram, Macro };

struct Frame {
    Place Back;   // the line after the call
    Place Body;   // for repeats
    long Repeats; // runs left, this one included
    CallKind Kind;
    bool Fanuc() const { return Kind != CallKind::Sub; } // ends at M99
    bool Scoped() const { return Kind != CallKind::Subprogram; }
    bool Forget; // a profile cycle's: leaves the tool where the program does not say
    std::size_t Loops;
    std::string Name;
};

// Runs a program line by line and hands each block to the machine.
class Runner final : RunValues {
public:
    Runner(const ProgramSource& Source, const InterpLimits& Limits)
        : source_(Source), limits_(Limits), reader_(Source), params_(this), parser_(params_),
          budget_(Limits.Steps) {}

    InterpResult Run();

private:
    bool Named(std::string_view Name, double& Value) const override;
    bool Numbered(int Number, double& Value) const override;
    void Step(std::string_view Code);
    void RunBlock();
    CallWords TakeCallWords(Block& B);
    bool MacroCallBlock(Block& B);
    void Back(long To);
    void RunOWord(const OWord& Word);
    void Call(const Place& Body, long Repeats, CallKind Kind, std::string_view Name,
              const double* Args = nullptr, std::uint32_t Given = 0);
    void Return();
    void Profile(const Block& Given);
    void CheckProfile(std::string_view Line);
    MacroCall Arguments(const Block& Given);
    void CallFanuc(long Number, long Repeats, const MacroCall* Macro = nullptr);
    const Place* FindSub(std::string_view Name);
    const Place* FindProgram(long Number);
    const Place* FindLabel(long Number);
    const std::vector<Place>& Labels(long Number);
    void Jump(long Number, const char* What);
    void RunMacro(const Macro& Word);
    void SkipToEnd(int Id);
    void Index();
    OWord SkipTo(std::string_view Name, std::initializer_list<Keyword> Words);
    double Value(const char* Rest);
    bool Condition(const char* Rest);
    void SkipStill(std::int64_t Line);
    Loop* FindLoop(std::string_view Name);
    void Count(std::size_t Length) { budget_.Count(reader_, Length); }
    Frame& Top() { return frames_[calls_ - 1]; }

    const ProgramSource& source_;
    InterpLimits limits_;
    LineReader reader_;
    Params params_;
    Parser parser_;
    Machine machine_;
    Block block_;
    StepBudget budget_;
    bool started_ = false; // a line of code was run: a "%" now ends the program
    bool ended_ = false;
    std::int64_t firstSub_ = 0;
    bool indexed_ = false;
    std::map<std::string, Place, std::less<>> subs_;
    std::map<long, Place> programs_;
    std::map<long, std::vector<Place>> labels_; // each line N<number> jumped to
    bool searched_ = false;                     // for one of them
    std::vector<Frame> frames_;                 // [0, calls_) in use; kept to reuse their names
    std::size_t calls_ = 0;
    std::vector<Loop> loops_;
    std::optional<MacroCall> modal_; // G66's, until G67
    std::size_t modalLevel_ = 0;     // the calls in progress at its G66
    std::string skip_;               // the o-word SkipTo looks for
    std::string label_;              // an if's, while its branches are tried
    long profileNext_ = -1;          // the N a Fanuc profile cycle's profile must start at
    std::vector<long> profiles_;     // the profiles run so far
};

} // namespace vorlund
