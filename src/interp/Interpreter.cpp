#include "interp/Interpreter.h"

#include "interp/Dialect.h"
#include "interp/Heidenhain.h"
#include "interp/Runner.h"
#include "interp/Sinumerik.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace vorlund {

namespace {

constexpr std::uint32_t Letter(char C) {
    return 1u << (C - 'A');
}

} // namespace

Runner::Runner(const ProgramSource& Source, const InterpLimits& Limits)
    : flow_(Source, Limits), params_(this), parser_(params_), scanning_(params_),
      labels_(Source, std::bind_front(&Runner::ScanLabels, this)),
      calls_(Limits.CallDepth, "calls") {}

InterpResult Runner::Run() {
    return flow_.Run([this] {
        std::string_view text;
        while (!flow_.Ended()) {
            if (!flow_.Next(text)) {
                if (calls_.Empty()) break;
                const SubFrame& top = calls_.Top();
                Fail(Reason::Error, top.Fanuc() ? top.Name + " has no M99"
                                                : OName(top.Name) + " sub has no endsub");
            }
            const std::string_view code = parser_.Code(text);
            if (profileNext_ >= 0 && !code.empty()) CheckProfile(text);
            Step(code);
        }
        if (!machine_.Moved() && firstSub_)
            return Stopped({Reason::OnlySubroutines, "", firstSub_}, 0);
        return Reached(machine_);
    });
}

void Runner::Step(std::string_view Code) {
    if (Code.empty()) return;
    if (Code[0] == '%') {
        if (started_) flow_.End();
        return;
    }
    started_ = true;
    OWord word;
    if (Code[0] == 'o' &&
        (Parser::ReadOWord(Code, word) || parser_.ReadComputedOWord(Code, word))) {
        RunOWord(word);
        return;
    }
    Macro macro;
    if (Parser::MaybeMacro(Code) && Parser::ReadMacro(Code, macro)) {
        RunMacro(macro);
        return;
    }
    block_.Line = flow_.Line();
    block_.Has = 0;
    block_.GCount = block_.MCount = 0;
    parser_.Words(Code, block_);
    RunBlock();
}

// Takes M2, M30, M97, M98 and M99 out of the block: they end the program,
// call a program (M98) or a line of this one (M97), and return (M99).
CallWords Runner::TakeCallWords(Block& B) {
    CallWords words;
    int kept = 0;
    for (int i = 0; i < B.MCount; ++i) {
        const int m = B.M[i] * 10; // as the code table numbers it
        if (m == M2 || m == M30) flow_.End();
        words.Call |= m == M98 || m == M97;
        words.Local |= m == M97;
        words.Back |= m == M99;
        if (m < M97 || m > M99) B.M[kept++] = B.M[i];
    }
    B.MCount = kept;
    if (!kept) B.Has &= ~Letter('M');
    if (words.Back && B.Given('P')) words.To = std::lround(B.Of('P')), B.Has &= ~Letter('P');
    if (!words.Call) return words;
    if (!B.Given('P')) Fail(Reason::Error, words.Local ? "M97 without P" : "M98 without P");
    words.To = std::lround(B.Of('P'));
    if (B.Given('L'))
        words.Repeats = std::lround(B.Of('L'));
    else if (words.To > 9999 && !words.Local)
        words.Repeats = words.To / 10000, words.To %= 10000; // P30100: O0100 three times
    B.Has &= ~(Letter('P') | Letter('L'));
    return words;
}

// G65 calls a macro with arguments, G66 after each later move until G67:
// whether the block was such a call, its words the arguments.
bool Runner::MacroCallBlock(Block& B) {
    int kept = 0;
    for (int i = 0; i < B.GCount; ++i) {
        const int g = B.G[i];
        if (g == G66_1) Fail(Reason::Error, "G66.1 is not run");
        if (g == G67) modal_.reset();
        if (g != G67) B.G[kept++] = B.G[i];
        if (g != G65 && g != G66) continue;
        if (!B.Given('P')) Fail(Reason::Error, g == G65 ? "G65 without P" : "G66 without P");
        const MacroCall macro = Arguments(B);
        if (g == G65)
            CallFanuc(macro.Program, macro.Repeats, &macro);
        else
            modal_ = macro, modalLevel_ = calls_.Size();
        return true;
    }
    B.GCount = kept;
    if (!kept) B.Has &= ~Letter('G');
    return false;
}

void Runner::RunBlock() {
    Block& b = block_;
    // Most blocks hold neither M words nor G codes of calls.
    const CallWords words = b.MCount ? TakeCallWords(b) : CallWords{};
    if (b.GCount && MacroCallBlock(b)) return;
    if (b.Has) machine_.Run(b);
    if (flow_.Ended()) return;
    if (machine_.ProfileCycle()) Profile(b);
    if (modal_ && calls_.Size() == modalLevel_ && (b.Has & kAxisWords))
        CallFanuc(modal_->Program, modal_->Repeats, &*modal_);
    if (words.Call && !words.Local) {
        CallFanuc(words.To, words.Repeats);
    } else if (words.Call) {
        const Place* body = FindLine(words.To);
        const std::string name = "N" + std::to_string(words.To);
        if (!body) Fail(Reason::MissingProgram, name);
        if (words.Repeats > 0) Call({*body, CallKind::Subprogram, name, words.Repeats});
    } else if (words.Back) {
        Back(words.To);
    }
}

// A lathe's profile cycle: LinuxCNC names the sub of its profile with Q,
// run here as a call; a Fanuc control names the profile's first and last
// blocks with P and Q, run as the blocks that follow the cycle.
void Runner::Profile(const Block& Given) {
    if (Given.Given('Q')) {
        const std::string name = std::to_string(std::lround(Given.Of('Q')));
        if (const Place* body = labels_.Find(name)) {
            // Facing (G72) retracts R away from the stock, maybe below the profile.
            if (machine_.ProfileCycle() / 10 == G72 / 10) {
                if (!Given.Given('R')) Fail(Reason::Error, "G72 without R");
                machine_.Overshoot(std::fabs(Given.Of('R')));
            }
            Call({*body, CallKind::Sub, name});
            calls_.Top().Forget = true;
            return;
        }
    }
    if (!Given.Given('P') || !Given.Given('Q')) return; // depth of cut and retract only
    // Stock left below the profile: the roughing passes run below it.
    if (Given.Given('W') && Given.Of('W') < 0.0)
        Fail(Reason::Error, "a profile cycle leaving stock below its profile (W below 0)");
    const long first = std::lround(Given.Of('P'));
    if (std::find(profiles_.begin(), profiles_.end(), first) == profiles_.end())
        profileNext_ = first;
}

void Runner::CheckProfile(std::string_view Line) {
    std::size_t i = Line.find_first_not_of(" \t");
    long n = -1;
    if (i != std::string_view::npos && (Line[i] | 0x20) == 'n')
        for (n = 0, ++i; i < Line.size() && Line[i] >= '0' && Line[i] <= '9' && n < 1'000'000'000;
             ++i)
            n = n * 10 + (Line[i] - '0');
    if (n != profileNext_)
        Fail(Reason::Error,
             "the profile N" + std::to_string(profileNext_) + " does not follow its cycle");
    profiles_.push_back(n);
    profileNext_ = -1;
}

// A machine runs the program (_task 1), LinuxCNC 2.9 reads it; the rest is
// the machine's state.
bool Runner::Named(std::string_view Name, double& Value) const {
    static constexpr std::pair<std::string_view, double> kFixed[] = {
        {"_task", 1.0}, {"_vmajor", 2.0}, {"_vminor", 9.0}, {"_remap_level", 0.0}};
    for (const auto& [name, value] : kFixed)
        if (Name == name) return Value = value, true;
    if (Name == "_line") return Value = double(flow_.Line()), true;
    if (Name == "_call_level") return Value = double(calls_.Size()), true;
    return machine_.Named(Name, Value);
}

bool Runner::Numbered(int Number, double& Value) const {
    if (Number == 4012) return Value = modal_ ? 66 : 67, true; // Fanuc's macro call group
    return machine_.Numbered(Number, Value);
}

InterpResult Interpret(const ProgramSource& Source, const InterpLimits& Limits) {
    const Dialect dialect = DialectOf(Source);
    if (dialect == Dialect::Heidenhain) return InterpretHeidenhain(Source, Limits);
    if (dialect == Dialect::Sinumerik) return InterpretSinumerik(Source, Limits);
    return Runner(Source, Limits).Run();
}

} // namespace vorlund
