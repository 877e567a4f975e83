#include "interp/Interpreter.h"

#include "interp/Dialect.h"
#include "interp/Heidenhain.h"
#include "interp/Runner.h"
#include "interp/Sinumerik.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace vorlund {

namespace {

std::string OName(std::string_view Name) {
    return "o" + std::string(Name);
}

std::string ProgramName(long Number) {
    char text[24];
    std::snprintf(text, sizeof text, "O%04ld", Number);
    return text;
}

bool HasO(std::string_view Line) {
    for (const char c : Line)
        if ((c | 0x20) == 'o') return true;
    return false;
}

constexpr std::uint32_t Letter(char C) {
    return 1u << (C - 'A');
}

} // namespace

InterpResult Runner::Run() {
    try {
        while (!ended_) {
            std::string_view text;
            if (!NextLine(reader_, text)) {
                if (calls_)
                    Fail(Reason::Error, Top().Fanuc() ? Top().Name + " has no M99"
                                                      : OName(Top().Name) + " sub has no endsub");
                break;
            }
            Count(text.size());
            const std::string_view code = parser_.Code(text);
            if (profileNext_ >= 0 && !code.empty()) CheckProfile(text);
            Step(code);
        }
    } catch (const Doubt& stop) {
        return Stopped(stop, reader_.Line());
    }
    if (!machine_.Moved() && firstSub_) return Stopped({Reason::OnlySubroutines, "", firstSub_}, 0);
    return Reached(machine_);
}

void Runner::Step(std::string_view Code) {
    if (Code.empty()) return;
    if (Code[0] == '%') {
        ended_ = started_;
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
    block_.Line = reader_.Line();
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
        const int m = B.M[i];
        ended_ |= m == 2 || m == 30;
        words.Call |= m == 98 || m == 97;
        words.Local |= m == 97;
        words.Back |= m == 99;
        if (m < 97 || m > 99) B.M[kept++] = B.M[i];
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
        if (g == 661) Fail(Reason::Error, "G66.1 is not run");
        if (g == 670) modal_.reset();
        if (g != 670) B.G[kept++] = B.G[i];
        if (g != 650 && g != 660) continue;
        if (!B.Given('P')) Fail(Reason::Error, g == 650 ? "G65 without P" : "G66 without P");
        const MacroCall macro = Arguments(B);
        if (g == 650)
            CallFanuc(macro.Program, macro.Repeats, &macro);
        else
            modal_ = macro, modalLevel_ = calls_;
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
    if (ended_) return;
    if (machine_.ProfileCycle()) Profile(b);
    if (modal_ && calls_ == modalLevel_ && (b.Has & kAxisWords))
        CallFanuc(modal_->Program, modal_->Repeats, &*modal_);
    if (words.Call && !words.Local) {
        CallFanuc(words.To, words.Repeats);
    } else if (words.Call) {
        const Place* body = FindLabel(words.To);
        if (!body) Fail(Reason::MissingProgram, "N" + std::to_string(words.To));
        if (words.Repeats > 0)
            Call(*body, words.Repeats, CallKind::Subprogram, "N" + std::to_string(words.To));
    } else if (words.Back) {
        Back(words.To);
    }
}

// M99: the next run of a program called with repeats, or the caller's next
// line, or with P its line N<P>; in the main program M99 P jumps there.
void Runner::Back(long To) {
    if (!calls_ && To < 0) Fail(Reason::Runaway, "M99 in the main program repeats it for ever");
    if (calls_) {
        Frame& top = Top();
        if (!top.Fanuc()) Fail(Reason::Error, "M99 in " + OName(top.Name) + " sub");
        if (To < 0 && --top.Repeats > 0) {
            reader_.Seek(top.Body.Offset, top.Body.Line);
            return;
        }
        Return();
    }
    if (To >= 0) Jump(To, "M99 P");
}

// A lathe's profile cycle: LinuxCNC names the sub of its profile with Q,
// run here as a call; a Fanuc control names the profile's first and last
// blocks with P and Q, run as the blocks that follow the cycle.
void Runner::Profile(const Block& Given) {
    if (Given.Given('Q')) {
        const std::string name = std::to_string(std::lround(Given.Of('Q')));
        if (const Place* body = FindSub(name)) {
            // Facing (G72) retracts R away from the stock, maybe below the profile.
            if (machine_.ProfileCycle() / 10 == 72) {
                if (!Given.Given('R')) Fail(Reason::Error, "G72 without R");
                machine_.Overshoot(std::fabs(Given.Of('R')));
            }
            Call(*body, 1, CallKind::Sub, name);
            Top().Forget = true;
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

// A G65 or G66 block's program, repeats and arguments: Fanuc's letters, A
// is #1, B #2, C #3, I #4, ... Z #26.
MacroCall Runner::Arguments(const Block& Given) {
    static constexpr char kArgs[] = "ABCIJKDEFGHLMNOPQRSTUVWXYZ";
    MacroCall macro{
        std::lround(Given.Of('P')), Given.Given('L') ? std::lround(Given.Of('L')) : 1, {}, 0};
    for (int n = 0; kArgs[n]; ++n)
        if (std::string_view("GLMNOP").find(kArgs[n]) == std::string_view::npos &&
            Given.Given(kArgs[n]))
            macro.Args[n] = Given.Of(kArgs[n]), macro.Given |= 1u << n;
    return macro;
}

void Runner::CallFanuc(long Number, long Repeats, const MacroCall* Macro) {
    const Place* body = FindProgram(Number);
    if (!body) Fail(Reason::MissingProgram, ProgramName(Number));
    if (Repeats <= 0) return;
    if (Macro)
        Call(*body, Repeats, CallKind::Macro, ProgramName(Number), Macro->Args, Macro->Given);
    else
        Call(*body, Repeats, CallKind::Subprogram, ProgramName(Number));
}

void Runner::Call(const Place& Body, long Repeats, CallKind Kind, std::string_view Name,
                  const double* Args, std::uint32_t Given) {
    if (calls_ >= std::size_t(limits_.CallDepth))
        Fail(Reason::Runaway, "calls nested deeper than " + std::to_string(limits_.CallDepth));
    // A Fanuc control nests macros 4 deep and subprograms 10.
    const auto same = std::count_if(frames_.begin(), frames_.begin() + std::ptrdiff_t(calls_),
                                    [&](const Frame& F) { return F.Kind == Kind; });
    if (Kind == CallKind::Macro && same >= 4) Fail(Reason::Error, "macros nested deeper than 4");
    if (Kind == CallKind::Subprogram && same >= 10)
        Fail(Reason::Error, "subprograms nested deeper than 10");
    if (Kind != CallKind::Subprogram) params_.Enter(Args, Given, Kind == CallKind::Macro);
    if (calls_ == frames_.size()) frames_.emplace_back();
    Frame& frame = frames_[calls_++];
    frame.Back = {reader_.After(), reader_.Line() + 1};
    frame.Body = Body;
    frame.Repeats = Repeats;
    frame.Kind = Kind;
    frame.Forget = false;
    frame.Loops = loops_.size();
    frame.Name.assign(Name);
    reader_.Seek(Body.Offset, Body.Line);
}

void Runner::Return() {
    const Frame& top = Top();
    if (top.Scoped()) params_.Leave();
    if (top.Forget) machine_.Forget(), machine_.Overshoot(0.0);
    loops_.resize(top.Loops);
    reader_.Seek(top.Back.Offset, top.Back.Line);
    --calls_;
}

const Place* Runner::FindSub(std::string_view Name) {
    auto it = subs_.find(Name);
    if (it == subs_.end() && !indexed_) Index(), it = subs_.find(Name);
    return it == subs_.end() ? nullptr : &it->second;
}

const Place* Runner::FindProgram(long Number) {
    auto it = programs_.find(Number);
    if (it == programs_.end() && !indexed_) Index(), it = programs_.find(Number);
    return it == programs_.end() ? nullptr : &it->second;
}

// One pass over the whole program: where each subroutine and numbered
// program starts.
void Runner::Index() {
    indexed_ = true;
    LineReader reader(source_);
    Parser parser(params_);
    std::string_view text;
    while (reader.Next(text) == LineReader::Status::Line) {
        if (!HasO(text)) continue;
        OWord word;
        try {
            if (!Parser::ReadOWord(parser.Code(text), word)) continue;
        } catch (const Doubt&) {
            continue; // the run stops there if it gets there
        }
        const Place body{reader.After(), reader.Line() + 1};
        if (word.Word == Keyword::Sub) subs_.try_emplace(std::string(word.Name), body);
        if (word.Word == Keyword::Label && word.Name.size() < 10)
            programs_.try_emplace(std::stol(std::string(word.Name)), body);
    }
}

// Reads on, running nothing, to the line of the o-word Name with one of Words.
OWord Runner::SkipTo(std::string_view Name, std::initializer_list<Keyword> Words) {
    const std::int64_t from = reader_.Line();
    skip_.assign(Name);
    for (;;) {
        std::string_view text;
        const auto status = reader_.Next(text);
        if (status != LineReader::Status::Line)
            throw Doubt{Reason::Error, OName(skip_) + " has no end", from};
        Count(text.size());
        if (!HasO(text)) continue;
        OWord word;
        if (!Parser::ReadOWord(parser_.Code(text), word) || word.Name != skip_) continue;
        for (const Keyword k : Words)
            if (word.Word == k) return word;
    }
}

double Runner::Value(const char* Rest) {
    const double value = parser_.Real(Rest);
    Parser::End(Rest);
    return Params::IsVacant(value) ? 0.0 : value; // vacant: false
}

bool Runner::Condition(const char* Rest) {
    const double value = Value(Rest);
    if (value != value) params_.FailUnknown();
    return value != 0.0;
}

namespace {

// Whether a block moves nothing and changes nothing a move depends on: it
// sets feeds, speeds, the tool, the spindle, coolant, or waits; no
// parameter ("=").
bool Still(std::string_view Code) {
    for (std::size_t i = 0; i < Code.size(); ++i) {
        const char c = Code[i];
        if (c == '=' || (c >= 'a' && c <= 'z' && !std::strchr("defhmpqst", c))) return false;
        const int m = c == 'm' ? std::atoi(Code.data() + i + 1) : 0; // Code ends with a NUL
        if (m >= 97 && m <= 99) return false;                        // calls and returns
    }
    return true;
}

} // namespace

// The rest of an if (from Line) whose condition the run cannot know: when
// no branch moves or sets anything, the program goes on the same either way.
void Runner::SkipStill(std::int64_t Line) {
    for (;;) {
        std::string_view text;
        if (reader_.Next(text) != LineReader::Status::Line) break;
        Count(text.size());
        const std::string_view code = parser_.Code(text);
        OWord word;
        if (!code.empty() && code[0] == 'o' && Parser::ReadOWord(code, word) &&
            word.Name == label_) {
            if (word.Word == Keyword::Endif) return;
            if (word.Word == Keyword::Elseif || word.Word == Keyword::Else) continue;
        }
        if (!Still(code)) break;
    }
    params_.FailUnknown(Line);
}

// A machine runs the program (_task 1), LinuxCNC 2.9 reads it; the rest is
// the machine's state.
bool Runner::Named(std::string_view Name, double& Value) const {
    static constexpr std::pair<std::string_view, double> kFixed[] = {
        {"_task", 1.0}, {"_vmajor", 2.0}, {"_vminor", 9.0}, {"_remap_level", 0.0}};
    for (const auto& [name, value] : kFixed)
        if (Name == name) return Value = value, true;
    if (Name == "_line") return Value = double(reader_.Line()), true;
    if (Name == "_call_level") return Value = double(calls_), true;
    return machine_.Named(Name, Value);
}

bool Runner::Numbered(int Number, double& Value) const {
    if (Number == 4012) return Value = modal_ ? 66 : 67, true; // Fanuc's macro call group
    return machine_.Numbered(Number, Value);
}

Loop* Runner::FindLoop(std::string_view Name) {
    const std::size_t floor = !calls_ ? 0 : Top().Loops;
    for (std::size_t i = loops_.size(); i-- > floor;)
        if (loops_[i].Name == Name) return &loops_[i];
    return nullptr;
}

void Runner::RunOWord(const OWord& Word) {
    const std::string_view name = Word.Name;
    Loop* loop = FindLoop(name);
    const Place here{reader_.Start(), reader_.Line()};
    const Place next{reader_.After(), reader_.Line() + 1};
    switch (Word.Word) {
    case Keyword::Label:
        Parser::End(Word.Rest);
        return;
    case Keyword::Sub:
        subs_.try_emplace(std::string(name), next);
        if (!firstSub_) firstSub_ = here.Line;
        SkipTo(name, {Keyword::Endsub});
        return;
    case Keyword::Endsub:
    case Keyword::Return: {
        const char* rest = Word.Rest;
        const bool value = *rest != '\0';
        const double result = value ? parser_.Real(rest) : 0.0;
        Parser::End(rest);
        if (!calls_ || Top().Fanuc()) Fail(Reason::Error, OName(name) + " without a call");
        params_.Set("_value", result);
        params_.Set("_value_returned", value);
        Return();
        return;
    }
    case Keyword::Call: {
        double args[Params::kLocal];
        int count = 0;
        for (const char* p = Word.Rest; *p;) {
            if (count == Params::kLocal) Fail(Reason::Error, "more than 30 arguments");
            args[count++] = parser_.Real(p);
        }
        const Place* body = FindSub(name);
        if (!body) Fail(Reason::MissingProgram, OName(name));
        Call(*body, 1, CallKind::Sub, name, args, (std::uint32_t(1) << count) - 1);
        return;
    }
    case Keyword::If: {
        double value = Value(Word.Rest);
        label_.assign(name); // reading on reuses the line's memory
        for (;;) {
            if (value != value) return SkipStill(reader_.Line());
            if (value != 0.0) return;
            const OWord branch = SkipTo(label_, {Keyword::Elseif, Keyword::Else, Keyword::Endif});
            if (branch.Word != Keyword::Elseif) return;
            value = Value(branch.Rest);
        }
    }
    case Keyword::Elseif:
    case Keyword::Else:
        SkipTo(name, {Keyword::Endif});
        return;
    case Keyword::Endif:
        Parser::End(Word.Rest);
        return;
    case Keyword::While:
        if (loop && loop->Kind == Keyword::Do) { // the end of a do loop
            if (Condition(Word.Rest))
                reader_.Seek(loop->Start.Offset, loop->Start.Line);
            else
                loops_.resize(std::size_t(loop - loops_.data()));
            return;
        }
        if (!Condition(Word.Rest)) {
            if (loop) loops_.resize(std::size_t(loop - loops_.data()));
            SkipTo(name, {Keyword::Endwhile});
            return;
        }
        if (!loop) loops_.push_back({here, Keyword::While, 0.0, std::string(name)});
        return;
    case Keyword::Endwhile:
        if (!loop || loop->Kind != Keyword::While)
            Fail(Reason::Error, OName(name) + " endwhile without while");
        reader_.Seek(loop->Start.Offset, loop->Start.Line);
        return;
    case Keyword::Do:
        Parser::End(Word.Rest);
        if (loop) loops_.resize(std::size_t(loop - loops_.data()));
        loops_.push_back({next, Keyword::Do, 0.0, std::string(name)});
        return;
    case Keyword::Repeat: {
        const double count = Value(Word.Rest);
        if (count != count) params_.FailUnknown();
        if (loop) loops_.resize(std::size_t(loop - loops_.data()));
        if (count < 1.0) {
            SkipTo(name, {Keyword::Endrepeat});
            return;
        }
        loops_.push_back({next, Keyword::Repeat, std::floor(count), std::string(name)});
        return;
    }
    case Keyword::Endrepeat:
        if (!loop || loop->Kind != Keyword::Repeat)
            Fail(Reason::Error, OName(name) + " endrepeat without repeat");
        if (--loop->Count >= 1.0)
            reader_.Seek(loop->Start.Offset, loop->Start.Line);
        else
            loops_.resize(std::size_t(loop - loops_.data()));
        return;
    case Keyword::Break:
    case Keyword::Continue: {
        if (!loop) Fail(Reason::Error, OName(name) + " outside its loop");
        const Keyword kind = loop->Kind;
        const bool stay = Word.Word == Keyword::Continue;
        loops_.resize(std::size_t(loop - loops_.data()) + stay);
        if (stay && kind == Keyword::While) {
            reader_.Seek(loops_.back().Start.Offset, loops_.back().Start.Line);
            return;
        }
        const Keyword end = kind == Keyword::While    ? Keyword::Endwhile
                            : kind == Keyword::Repeat ? Keyword::Endrepeat
                                                      : Keyword::While;
        const OWord last = SkipTo(name, {end});
        if (stay) RunOWord(last); // a do loop's condition, a repeat's count
        return;
    }
    case Keyword::Unknown:
        Fail(Reason::Error, "unknown o-word " + OName(name));
    }
}

InterpResult Interpret(const ProgramSource& Source, const InterpLimits& Limits) {
    const Dialect dialect = DialectOf(Source);
    if (dialect == Dialect::Heidenhain) return InterpretHeidenhain(Source, Limits);
    if (dialect == Dialect::Sinumerik) return InterpretSinumerik(Source, Limits);
    return Runner(Source, Limits).Run();
}

} // namespace vorlund
