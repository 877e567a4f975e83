#pragma once

// The runner of RS274NGC and Fanuc programs, shared by the files that hold
// its parts: the run and its blocks (Interpreter.cpp), calls and returns
// (Subs.cpp), o-word flow (OWord.cpp), Fanuc macro flow (Macro.cpp).

#include "interp/Calls.h"
#include "interp/Flow.h"
#include "interp/Interpreter.h"
#include "interp/Machine.h"
#include "interp/Parser.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorlund {

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

// A call to make: what it runs, how often, and the values it hands over.
struct Callee {
    Place Body;
    CallKind Kind;
    std::string_view Name;
    long Repeats = 1;
    const double* Args = nullptr; // a sub's or a macro's; Given the bits of those given
    std::uint32_t Given = 0;
};

// A call in progress.
struct SubFrame : Frame {
    CallKind Kind = CallKind::Sub;
    bool Forget = false; // a profile cycle's: leaves the tool where the program does not say
    std::string Name;
    bool Fanuc() const { return Kind != CallKind::Sub; } // ends at M99
    bool Scoped() const { return Kind != CallKind::Subprogram; }
};

// The o-word's name as written: "o100", "o<name>".
inline std::string OName(std::string_view Name) {
    return "o" + std::string(Name);
}

// Whether a line may hold an o-word.
inline bool HasO(std::string_view Line) {
    for (const char c : Line)
        if ((c | 0x20) == 'o') return true;
    return false;
}

// Runs a program line by line and hands each block to the machine.
class Runner final : RunValues {
public:
    Runner(const ProgramSource& Source, const InterpLimits& Limits);

    InterpResult Run();

private:
    bool Named(std::string_view Name, double& Value) const override;
    bool Numbered(int Number, double& Value) const override;
    void Step(std::string_view Code);
    void RunBlock();
    CallWords TakeCallWords(Block& B);
    bool MacroCallBlock(Block& B);
    void Profile(const Block& Given);
    void CheckProfile(std::string_view Line);

    // Calls and returns.
    void ScanLabels(std::string_view Line, const LineReader& Reader, Labels& Into);
    void Back(long To);
    void Call(const Callee& What);
    void Return();
    MacroCall Arguments(const Block& Given);
    void CallFanuc(long Number, long Repeats, const MacroCall* Macro = nullptr);
    const Place* FindProgram(long Number);

    // O-words: subs, conditions, loops.
    void RunOWord(const OWord& Word);
    OWord SkipTo(std::string_view Name, std::initializer_list<Keyword> Words);
    void NoFlow(const OWord& Word);
    void Sub(const OWord& Word);
    void EndSub(const OWord& Word);
    void CallSub(const OWord& Word);
    double Value(const char* Rest);
    bool Condition(const char* Rest);
    void If(const OWord& Word);
    void PastIf(const OWord& Word);
    void SkipStill(std::int64_t Line);
    void While(const OWord& Word);
    void Do(const OWord& Word);
    void Repeat(const OWord& Word);
    Loop<Keyword>* FindLoop(std::string_view Name) { return loops_.Find(Name, calls_.Loops()); }
    void EndLoop(const OWord& Word);
    void Break(const OWord& Word);

    // Fanuc macro flow and jumps to a line N<number>.
    void RunMacro(const Macro& Word);
    void MacroWhile(const Macro& Word);
    void SkipToEnd(int Id);
    const std::vector<Place>& NumberedLines(long Number);
    const Place* FindLine(long Number);
    void Jump(long Number, const char* What);

    Flow flow_;
    Params params_;
    Parser parser_;
    Machine machine_;
    Block block_;
    bool started_ = false; // a line of code was run: a "%" now ends the program
    std::int64_t firstSub_ = 0;
    Parser scanning_;                             // the one pass over labels
    Labels labels_;                               // subs by name, programs by "O" and number
    std::vector<std::uint64_t> programs_;         // where each numbered program starts
    std::map<long, std::vector<Place>> numbered_; // each line N<number> jumped to
    bool searched_ = false;                       // for one of them
    CallStack<SubFrame> calls_;
    LoopStack<Keyword> loops_;
    std::optional<MacroCall> modal_; // G66's, until G67
    std::size_t modalLevel_ = 0;     // the calls in progress at its G66
    std::string skip_;               // the o-word SkipTo looks for
    std::string label_;              // an if's, while its branches are tried
    long profileNext_ = -1;          // the N a Fanuc profile cycle's profile must start at
    std::vector<long> profiles_;     // the profiles run so far
};

} // namespace vorlund
