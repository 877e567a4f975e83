// O-word flow of the RS274NGC runner: subs, calls and returns, if, while,
// do, repeat, break and continue.

#include "interp/Runner.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace vorlund {

void Runner::RunOWord(const OWord& Word) {
    // What each keyword runs.
    static constexpr std::pair<Keyword, void (Runner::*)(const OWord&)> kRuns[] = {
        {Keyword::Label, &Runner::NoFlow},     {Keyword::Sub, &Runner::Sub},
        {Keyword::Endsub, &Runner::EndSub},    {Keyword::Return, &Runner::EndSub},
        {Keyword::Call, &Runner::CallSub},     {Keyword::If, &Runner::If},
        {Keyword::Elseif, &Runner::PastIf},    {Keyword::Else, &Runner::PastIf},
        {Keyword::Endif, &Runner::NoFlow},     {Keyword::While, &Runner::While},
        {Keyword::Endwhile, &Runner::EndLoop}, {Keyword::Do, &Runner::Do},
        {Keyword::Repeat, &Runner::Repeat},    {Keyword::Endrepeat, &Runner::EndLoop},
        {Keyword::Break, &Runner::Break},      {Keyword::Continue, &Runner::Break}};
    for (const auto& [keyword, run] : kRuns)
        if (keyword == Word.Word) return (this->*run)(Word);
    Fail(Reason::Error, "unknown o-word " + OName(Word.Name));
}

// A label, an endif: the line goes on to the next.
void Runner::NoFlow(const OWord& Word) {
    Parser::End(Word.Rest);
}

// The end of a branch that ran: on after the endif.
void Runner::PastIf(const OWord& Word) {
    SkipTo(Word.Name, {Keyword::Endif});
}

// A sub's definition: the run reads past it, and knows where it starts.
void Runner::Sub(const OWord& Word) {
    labels_.AddFirst(Word.Name, flow_.Following());
    if (!firstSub_) firstSub_ = flow_.Line();
    SkipTo(Word.Name, {Keyword::Endsub});
}

// Endsub, or return with a value: back to the caller.
void Runner::EndSub(const OWord& Word) {
    const char* rest = Word.Rest;
    const bool value = *rest != '\0';
    const double result = value ? parser_.Real(rest) : 0.0;
    Parser::End(rest);
    if (calls_.Empty() || calls_.Top().Fanuc())
        Fail(Reason::Error, OName(Word.Name) + " without a call");
    params_.Set("_value", result);
    params_.Set("_value_returned", value);
    Return();
}

// A sub called with up to 30 arguments, its #1 to #30.
void Runner::CallSub(const OWord& Word) {
    double args[Params::kLocal];
    int count = 0;
    for (const char* p = Word.Rest; *p;) {
        if (count == Params::kLocal) Fail(Reason::Error, "more than 30 arguments");
        args[count++] = parser_.Real(p);
    }
    const Place* body = labels_.Find(Word.Name);
    if (!body) Fail(Reason::MissingProgram, OName(Word.Name));
    Call({*body, CallKind::Sub, Word.Name, 1, args, (std::uint32_t(1) << count) - 1});
}

// Runs the first branch whose condition holds; one the run cannot know
// passes when no branch moves or sets anything.
void Runner::If(const OWord& Word) {
    double value = Value(Word.Rest);
    label_.assign(Word.Name); // reading on reuses the line's memory
    for (;;) {
        if (value != value) return SkipStill(flow_.Line());
        if (value != 0.0) return;
        const OWord branch = SkipTo(label_, {Keyword::Elseif, Keyword::Else, Keyword::Endif});
        if (branch.Word != Keyword::Elseif) return;
        value = Value(branch.Rest);
    }
}

// A while loop's start, or a do loop's end.
void Runner::While(const OWord& Word) {
    Loop<Keyword>* loop = FindLoop(Word.Name);
    if (loop && loop->Kind == Keyword::Do) {
        if (Condition(Word.Rest))
            flow_.Go(loop->Again);
        else
            loops_.Close(loop);
        return;
    }
    if (!Condition(Word.Rest)) {
        if (loop) loops_.Close(loop);
        SkipTo(Word.Name, {Keyword::Endwhile});
        return;
    }
    const Place here = flow_.Here();
    if (!loop) loops_.Open({Keyword::While, here, here, 0.0, std::string(Word.Name)});
}

void Runner::Do(const OWord& Word) {
    Parser::End(Word.Rest);
    if (Loop<Keyword>* loop = FindLoop(Word.Name)) loops_.Close(loop);
    loops_.Open({Keyword::Do, flow_.Here(), flow_.Following(), 0.0, std::string(Word.Name)});
}

// The lines to endrepeat, run as often as the count says: none below 1.
void Runner::Repeat(const OWord& Word) {
    const double count = Value(Word.Rest);
    if (count != count) params_.FailUnknown();
    if (Loop<Keyword>* loop = FindLoop(Word.Name)) loops_.Close(loop);
    if (count < 1.0) {
        SkipTo(Word.Name, {Keyword::Endrepeat});
        return;
    }
    loops_.Open({Keyword::Repeat, flow_.Here(), flow_.Following(), std::floor(count),
                 std::string(Word.Name)});
}

// Endwhile, endrepeat: the loop's next turn, while a repeat has one left.
void Runner::EndLoop(const OWord& Word) {
    const bool repeat = Word.Word == Keyword::Endrepeat;
    Loop<Keyword>* loop = FindLoop(Word.Name);
    if (!loop || loop->Kind != (repeat ? Keyword::Repeat : Keyword::While))
        Fail(Reason::Error,
             OName(Word.Name) + (repeat ? " endrepeat without repeat" : " endwhile without while"));
    if (!repeat || --loop->Count >= 1.0)
        flow_.Go(loop->Again);
    else
        loops_.Close(loop);
}

// Break leaves the loop; continue runs its next turn, through a do loop's
// condition or a repeat's count.
void Runner::Break(const OWord& Word) {
    Loop<Keyword>* loop = FindLoop(Word.Name);
    if (!loop) Fail(Reason::Error, OName(Word.Name) + " outside its loop");
    const Keyword kind = loop->Kind;
    if (Word.Word == Keyword::Break) {
        loops_.Close(loop);
    } else {
        loops_.CloseInside(loop);
        if (kind == Keyword::While) return flow_.Go(loop->Again);
    }
    const Keyword end = kind == Keyword::While    ? Keyword::Endwhile
                        : kind == Keyword::Repeat ? Keyword::Endrepeat
                                                  : Keyword::While;
    const OWord last = SkipTo(Word.Name, {end});
    if (Word.Word == Keyword::Continue) RunOWord(last);
}

// Reads on, running nothing, to the line of the o-word Name with one of Words.
OWord Runner::SkipTo(std::string_view Name, std::initializer_list<Keyword> Words) {
    const std::int64_t from = flow_.Line();
    skip_.assign(Name);
    for (;;) {
        std::string_view text;
        if (!flow_.Look(text)) throw Doubt{Reason::Error, OName(skip_) + " has no end", from};
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
        if (!flow_.Look(text)) break;
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

} // namespace vorlund
