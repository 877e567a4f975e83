// Fanuc macro flow: GOTO, IF, WHILE and DO loops, and the jumps to a line
// N<number> that GOTO, M97 and M99 P make.

#include "interp/Runner.h"

#include <algorithm>
#include <cmath>

namespace vorlund {

namespace {

std::string LoopName(int Id) {
    return "DO" + std::to_string(Id);
}

// The N number a line starts with, or -1.
long LineNumber(std::string_view Text) {
    std::size_t i = Text.find_first_not_of(" \t");
    if (i == std::string_view::npos || (Text[i] | 0x20) != 'n') return -1;
    long n = 0;
    const std::size_t first = ++i;
    for (; i < Text.size() && Text[i] >= '0' && Text[i] <= '9' && n < 1'000'000'000; ++i)
        n = n * 10 + (Text[i] - '0');
    return i == first ? -1 : n;
}

} // namespace

// Every line N<Number>, found by one pass over the program for each number
// asked for; the passes after the first count as blocks run.
const std::vector<Place>& Runner::NumberedLines(long Number) {
    if (const auto it = numbered_.find(Number); it != numbered_.end()) return it->second;
    std::vector<Place>& found = numbered_[Number];
    LineReader reader(flow_.Source());
    std::string_view text;
    const bool counted = searched_;
    searched_ = true;
    while (reader.Next(text) == LineReader::Status::Line) {
        if (counted) flow_.Spend(1);
        if (LineNumber(text) == Number) found.push_back({reader.Start(), reader.Line()});
    }
    return found;
}

// The first line N<Number>, where M97 calls.
const Place* Runner::FindLine(long Number) {
    const std::vector<Place>& found = NumberedLines(Number);
    return found.empty() ? nullptr : &found.front();
}

// Goes to the line N<Number> of the program being run: searched forward from
// here to the next program's start, then from this program's start.
void Runner::Jump(long Number, const char* What) {
    labels_.Index();
    const std::uint64_t here = flow_.Following().Offset;
    std::uint64_t from = 0, to = UINT64_MAX;
    for (const std::uint64_t start : programs_) {
        if (start <= here) from = std::max(from, start);
        if (start > here) to = std::min(to, start);
    }
    const Place* target = nullptr;
    for (const Place& place : NumberedLines(Number)) {
        if (place.Offset >= here && place.Offset < to) {
            target = &place;
            break;
        }
        if (!target && place.Offset >= from && place.Offset < here) target = &place;
    }
    if (!target) Fail(Reason::Error, std::string(What) + std::to_string(Number) + ": no such line");
    flow_.Go(*target);
}

namespace {

// DO<Id> at Rest, and nothing after it.
int LoopId(const char* Rest) {
    Macro word;
    if (!Parser::ReadMacro(Rest, word) || word.Word != MacroWord::Do)
        Fail(Reason::Error, "WHILE without DO");
    Parser::End(word.Rest);
    return word.Id;
}

} // namespace

void Runner::RunMacro(const Macro& Word) {
    const char* rest = Word.Rest;
    switch (Word.Word) {
    case MacroWord::Goto: {
        const double to = parser_.Real(rest);
        Parser::End(rest);
        if (Params::IsUnknown(to)) params_.FailUnknown();
        if (Params::IsVacant(to) || to < 0.0) Fail(Reason::Error, "GOTO without a line");
        Jump(std::lround(to), "GOTO ");
        return;
    }
    case MacroWord::If: {
        const double value = parser_.Expression(rest);
        if (Params::IsUnknown(value)) params_.FailUnknown();
        const bool taken = !Params::IsVacant(value) && value != 0.0;
        const std::string_view then(rest);
        if (then.starts_with("goto")) {
            if (taken) RunMacro({MacroWord::Goto, rest + 4, 0});
        } else if (then.starts_with("then")) {
            if (taken) Step(then.substr(4));
        } else {
            Fail(Reason::Error, "IF without GOTO or THEN");
        }
        return;
    }
    case MacroWord::While:
        return MacroWhile(Word);
    case MacroWord::Do: {
        Parser::End(rest);
        const std::string name = LoopName(Word.Id);
        if (Loop<Keyword>* loop = FindLoop(name)) loops_.Close(loop);
        loops_.Open({Keyword::Do, flow_.Here(), flow_.Following(), 0.0, name});
        return;
    }
    case MacroWord::End: {
        Parser::End(rest);
        const std::string name = LoopName(Word.Id);
        const Loop<Keyword>* loop = FindLoop(name);
        if (!loop) Fail(Reason::Error, "END" + std::to_string(Word.Id) + " without " + name);
        flow_.Go(loop->Again);
        return;
    }
    }
}

// WHILE [..] DOm: the loop's start, run again from its END while the
// condition holds.
void Runner::MacroWhile(const Macro& Word) {
    const char* rest = Word.Rest;
    const Place here = flow_.Here();
    const double value = parser_.Expression(rest);
    if (Params::IsUnknown(value)) params_.FailUnknown();
    const int id = LoopId(rest);
    const std::string name = LoopName(id);
    Loop<Keyword>* loop = FindLoop(name);
    if (loop && loop->Again.Offset != here.Offset) {
        loops_.Close(loop);
        loop = nullptr;
    }
    if (!Params::IsVacant(value) && value != 0.0) {
        if (!loop) loops_.Open({Keyword::While, here, here, 0.0, name});
        return;
    }
    if (loop) loops_.Close(loop);
    SkipToEnd(id);
}

// Reads on, running nothing, past the line END<Id>.
void Runner::SkipToEnd(int Id) {
    const std::int64_t from = flow_.Line();
    for (;;) {
        std::string_view text;
        if (!flow_.Look(text))
            throw Doubt{Reason::Error, "DO" + std::to_string(Id) + " has no END", from};
        Macro word;
        if (Parser::ReadMacro(parser_.Code(text), word) && word.Word == MacroWord::End &&
            word.Id == Id)
            return;
    }
}

} // namespace vorlund
