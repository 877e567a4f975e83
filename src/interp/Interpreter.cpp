#include "interp/Interpreter.h"

#include "interp/Dialect.h"
#include "interp/Heidenhain.h"
#include "interp/LineReader.h"
#include "interp/Machine.h"
#include "interp/Parser.h"
#include "interp/Sinumerik.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace vorlund {

namespace {

// Where a subroutine's or a program's body starts.
struct Place {
    std::uint64_t Offset = 0;
    std::int64_t Line = 0;
};

struct Loop {
    Place Start; // the while line, or the body of a do or a repeat
    Keyword Kind;
    double Count;
    std::string Name;
};

struct Frame {
    Place Back;   // the line after the call
    Place Body;   // for repeats
    long Repeats; // runs left, this one included
    bool Fanuc;   // ends at M99; M98 shares the caller's locals
    bool Scoped;  // has its own locals
    std::size_t Loops;
    std::string Name;
};

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

// Runs a program line by line and hands each block to the machine.
class Runner {
public:
    Runner(const ProgramSource& Source, const InterpLimits& Limits)
        : source_(Source), limits_(Limits), reader_(Source), parser_(params_) {}

    InterpResult Run();

private:
    void Step(std::string_view Code);
    void RunBlock();
    void RunOWord(const OWord& Word);
    void Call(const Place& Body, long Repeats, bool Fanuc, bool Scoped, std::string_view Name,
              const double* Args, std::uint32_t Given);
    void Return();
    void CallFanuc(long Number, long Repeats, const double* Args, std::uint32_t Given, bool Scoped);
    const Place* FindSub(std::string_view Name);
    const Place* FindProgram(long Number);
    const Place* FindLabel(long Number);
    void Index();
    OWord SkipTo(std::string_view Name, std::initializer_list<Keyword> Words);
    bool Condition(const char* Rest);
    Loop* FindLoop(std::string_view Name);
    void Count(std::size_t Length);
    Frame& Top() { return frames_[calls_ - 1]; }

    const ProgramSource& source_;
    InterpLimits limits_;
    LineReader reader_;
    Params params_;
    Parser parser_;
    Machine machine_;
    Block block_;
    std::uint64_t high_ = 0; // the end of the furthest line read
    std::uint64_t steps_ = 0;
    bool started_ = false; // a line of code was run: a "%" now ends the program
    bool ended_ = false;
    std::int64_t firstSub_ = 0;
    bool indexed_ = false;
    std::map<std::string, Place, std::less<>> subs_;
    std::map<long, Place> programs_;
    std::map<long, Place> labels_; // N numbers M97 has jumped to
    bool searched_ = false;        // for one of them
    std::vector<Frame> frames_;    // [0, calls_) in use; kept to reuse their names
    std::size_t calls_ = 0;
    std::vector<Loop> loops_;
    std::string skip_;  // the o-word SkipTo looks for
    std::string label_; // an if's, while its branches are tried
};

// Counts the blocks run again by calls and loops, a long line as one per 64
// bytes: reading on through new lines ends on its own.
void Runner::Count(std::size_t Length) {
    if (reader_.Start() >= high_) {
        high_ = reader_.After();
        return;
    }
    steps_ += 1 + Length / 64;
    if (steps_ > limits_.Steps)
        Fail(Unsettled::Runaway, "no end after " + std::to_string(limits_.Steps) + " blocks");
}

InterpResult Runner::Run() {
    try {
        while (!ended_) {
            std::string_view text;
            const auto status = reader_.Next(text);
            if (status == LineReader::Status::TooLong) Fail(Unsettled::Error, "line too long");
            if (status == LineReader::Status::End) {
                if (calls_)
                    Fail(Unsettled::Error, Top().Fanuc ? Top().Name + " has no M99"
                                                       : OName(Top().Name) + " sub has no endsub");
                break;
            }
            Count(text.size());
            Step(parser_.Code(text));
        }
    } catch (const Stop& stop) {
        return {stop.Reason,      stop.Line ? stop.Line : reader_.Line(), stop.Text, 0.0f, 0,
                DepthSource::Move};
    }
    if (!machine_.Moved() && firstSub_)
        return {Unsettled::OnlySubroutines, firstSub_, "", 0.0f, 0, DepthSource::Move};
    return {Unsettled::None, 0, "", machine_.MinZ(), machine_.MinLine(), machine_.Source()};
}

void Runner::Step(std::string_view Code) {
    if (Code.empty()) return;
    if (Code[0] == '%') {
        ended_ = started_;
        return;
    }
    started_ = true;
    OWord word;
    if (Parser::ReadOWord(Code, word)) {
        RunOWord(word);
        return;
    }
    block_.Line = reader_.Line();
    block_.Has = 0;
    block_.GCount = block_.MCount = 0;
    parser_.Words(Code, block_);
    RunBlock();
}

// M2 and M30 end the program; M98 calls a program, M97 a line of this one,
// and M99 returns; G65 calls with arguments.
void Runner::RunBlock() {
    Block& b = block_;
    bool call = false, local = false, back = false;
    int kept = 0;
    for (int i = 0; i < b.MCount; ++i) {
        const int m = b.M[i];
        ended_ |= m == 2 || m == 30;
        call |= m == 98 || m == 97;
        local |= m == 97;
        back |= m == 99;
        if (m < 97 || m > 99) b.M[kept++] = b.M[i];
    }
    b.MCount = kept;
    // A return to a line, or in the main program a jump: not run yet.
    if (back && b.Given('P'))
        Fail(Unsettled::Error, "M99 P" + std::to_string(std::lround(b.Of('P'))) + " is not run");
    const auto letter = [](char C) { return 1u << (C - 'A'); };
    if (!kept) b.Has &= ~letter('M');
    for (int i = 0; i < b.GCount; ++i) {
        if (b.G[i] == 660 || b.G[i] == 661) Fail(Unsettled::Error, "G66 is not run");
        if (b.G[i] != 650) continue;
        if (!b.Given('P')) Fail(Unsettled::Error, "G65 without P");
        // Fanuc's argument letters: A is #1, B #2, ... Z #26.
        static constexpr char kArgs[] = "ABCIJKDEFGHLMNOPQRSTUVWXYZ";
        double args[Params::kLocal] = {};
        std::uint32_t given = 0;
        for (int n = 0; kArgs[n]; ++n)
            if (std::string_view("GLMNOP").find(kArgs[n]) == std::string_view::npos &&
                b.Given(kArgs[n]))
                args[n] = b.Of(kArgs[n]), given |= 1u << n;
        CallFanuc(std::lround(b.Of('P')), b.Given('L') ? std::lround(b.Of('L')) : 1, args, given,
                  true);
        return;
    }
    long program = 0, repeats = 1;
    if (call) {
        if (!b.Given('P')) Fail(Unsettled::Error, local ? "M97 without P" : "M98 without P");
        program = std::lround(b.Of('P'));
        if (b.Given('L'))
            repeats = std::lround(b.Of('L'));
        else if (program > 9999 && !local)
            repeats = program / 10000, program %= 10000; // P30100: O0100 three times
        b.Has &= ~(letter('P') | letter('L'));
    }
    if (b.Has) {
        const Outcome outcome = machine_.Run(b);
        if (outcome.Reason != Unsettled::None) Fail(outcome.Reason, outcome.Text);
    }
    if (ended_) return;
    if (call) {
        if (!local) {
            CallFanuc(program, repeats, nullptr, 0, false);
        } else if (const Place* body = FindLabel(program)) {
            if (repeats > 0)
                Call(*body, repeats, true, false, "N" + std::to_string(program), nullptr, 0);
        } else {
            Fail(Unsettled::MissingProgram, "N" + std::to_string(program));
        }
    } else if (back) {
        if (!calls_) Fail(Unsettled::Runaway, "M99 in the main program repeats it for ever");
        Frame& top = Top();
        if (!top.Fanuc) Fail(Unsettled::Error, "M99 in " + OName(top.Name) + " sub");
        if (--top.Repeats > 0)
            reader_.Seek(top.Body.Offset, top.Body.Line);
        else
            Return();
    }
}

void Runner::CallFanuc(long Number, long Repeats, const double* Args, std::uint32_t Given,
                       bool Scoped) {
    const Place* body = FindProgram(Number);
    if (!body) Fail(Unsettled::MissingProgram, ProgramName(Number));
    if (Repeats > 0) Call(*body, Repeats, true, Scoped, ProgramName(Number), Args, Given);
}

void Runner::Call(const Place& Body, long Repeats, bool Fanuc, bool Scoped, std::string_view Name,
                  const double* Args, std::uint32_t Given) {
    if (calls_ >= std::size_t(limits_.CallDepth))
        Fail(Unsettled::Runaway, "calls nested deeper than " + std::to_string(limits_.CallDepth));
    if (Scoped) params_.Enter(Args, Given);
    if (calls_ == frames_.size()) frames_.emplace_back();
    Frame& frame = frames_[calls_++];
    frame.Back = {reader_.After(), reader_.Line() + 1};
    frame.Body = Body;
    frame.Repeats = Repeats;
    frame.Fanuc = Fanuc;
    frame.Scoped = Scoped;
    frame.Loops = loops_.size();
    frame.Name.assign(Name);
    reader_.Seek(Body.Offset, Body.Line);
}

void Runner::Return() {
    const Frame& top = Top();
    if (top.Scoped) params_.Leave();
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

// The line N<Number>, where M97 jumps: found by one pass over the program
// for each number asked for; the passes after the first count as blocks run.
const Place* Runner::FindLabel(long Number) {
    if (const auto it = labels_.find(Number); it != labels_.end()) return &it->second;
    LineReader reader(source_);
    std::string_view text;
    const bool counted = searched_;
    searched_ = true;
    while (reader.Next(text) == LineReader::Status::Line) {
        if (counted && ++steps_ > limits_.Steps)
            Fail(Unsettled::Runaway, "no end after " + std::to_string(limits_.Steps) + " blocks");
        std::size_t i = text.find_first_not_of(" \t");
        if (i == std::string_view::npos || (text[i] | 0x20) != 'n') continue;
        long n = 0;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9' && n < 1'000'000'000; ++i)
            n = n * 10 + (text[i] - '0');
        if (n == Number)
            return &labels_.try_emplace(Number, Place{reader.Start(), reader.Line()}).first->second;
    }
    return nullptr;
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
        } catch (const Stop&) {
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
            throw Stop{Unsettled::Error, OName(skip_) + " has no end", from};
        Count(text.size());
        if (!HasO(text)) continue;
        OWord word;
        if (!Parser::ReadOWord(parser_.Code(text), word) || word.Name != skip_) continue;
        for (const Keyword k : Words)
            if (word.Word == k) return word;
    }
}

bool Runner::Condition(const char* Rest) {
    const double value = parser_.Real(Rest);
    Parser::End(Rest);
    return value != 0.0;
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
        if (!calls_ || Top().Fanuc) Fail(Unsettled::Error, OName(name) + " without a call");
        params_.Set("_value", result);
        params_.Set("_value_returned", value);
        Return();
        return;
    }
    case Keyword::Call: {
        double args[Params::kLocal];
        int count = 0;
        for (const char* p = Word.Rest; *p;) {
            if (count == Params::kLocal) Fail(Unsettled::Error, "more than 30 arguments");
            args[count++] = parser_.Real(p);
        }
        const Place* body = FindSub(name);
        if (!body) Fail(Unsettled::MissingProgram, OName(name));
        Call(*body, 1, false, true, name, args, (std::uint32_t(1) << count) - 1);
        return;
    }
    case Keyword::If:
        if (Condition(Word.Rest)) return;
        label_.assign(name); // reading on reuses the line's memory
        for (;;) {
            const OWord branch = SkipTo(label_, {Keyword::Elseif, Keyword::Else, Keyword::Endif});
            if (branch.Word != Keyword::Elseif || Condition(branch.Rest)) return;
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
            Fail(Unsettled::Error, OName(name) + " endwhile without while");
        reader_.Seek(loop->Start.Offset, loop->Start.Line);
        return;
    case Keyword::Do:
        Parser::End(Word.Rest);
        if (loop) loops_.resize(std::size_t(loop - loops_.data()));
        loops_.push_back({next, Keyword::Do, 0.0, std::string(name)});
        return;
    case Keyword::Repeat: {
        const char* rest = Word.Rest;
        const double count = parser_.Real(rest);
        Parser::End(rest);
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
            Fail(Unsettled::Error, OName(name) + " endrepeat without repeat");
        if (--loop->Count >= 1.0)
            reader_.Seek(loop->Start.Offset, loop->Start.Line);
        else
            loops_.resize(std::size_t(loop - loops_.data()));
        return;
    case Keyword::Break:
    case Keyword::Continue: {
        if (!loop) Fail(Unsettled::Error, OName(name) + " outside its loop");
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
        Fail(Unsettled::Error, "unknown o-word " + OName(name));
    }
}

} // namespace

InterpResult Interpret(const ProgramSource& Source, const InterpLimits& Limits) {
    const Dialect dialect = DialectOf(Source);
    if (dialect == Dialect::Heidenhain) return InterpretHeidenhain(Source, Limits);
    if (dialect == Dialect::Sinumerik) return InterpretSinumerik(Source, Limits);
    return Runner(Source, Limits).Run();
}

} // namespace vorlund
