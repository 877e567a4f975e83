#include "app/Doubts.h"

#include "common/Quote.h"
#include "tag/DepthTag.h"

namespace vorlund {

namespace {

std::string Line(std::int64_t Line) {
    return Line > 0 ? "line " + std::to_string(Line) + ": " : "";
}

std::string Detail(const std::string& Text) {
    return Text.empty() ? "" : " (" + QuoteName(Text) + ")";
}

// #1 to #30 are the arguments a sub is called with.
bool IsArgument(const std::string& Text) {
    if (Text.size() < 2 || Text.size() > 3 || Text[0] != '#') return false;
    const int number = std::atoi(Text.c_str() + 1);
    return number >= 1 && number <= 30 && Text.find_first_not_of("0123456789", 1) == Text.npos;
}

} // namespace

std::string DoubtWords(const Doubt& Why) {
    const std::string& text = Why.Text;
    switch (Why.Why) {
    case Reason::None:
        return "no doubt";
    case Reason::Unreadable:
        return "Z is not a number" + Detail(text);
    case Reason::ForeignIncremental:
    case Reason::Incremental:
        return "incremental move" + Detail(text);
    case Reason::IncrementalStart:
        return "incremental move before any absolute Z" + Detail(text);
    case Reason::AfterEnd:
        return "moves after the program's end" + Detail(text);
    case Reason::ForeignMachine:
    case Reason::Machine:
        return "machine coordinates" + Detail(text);
    case Reason::ForeignOffset:
    case Reason::Offset:
        return "sets an offset" + Detail(text);
    case Reason::Probe:
        return "probing, or a value measured by it" + Detail(text);
    case Reason::Plane:
        return "arcs outside the XY plane" + Detail(text);
    case Reason::Unit:
        return "changes the unit" + Detail(text);
    case Reason::Lowercase:
        return "lower-case word" + Detail(text);
    case Reason::ForeignCall:
    case Reason::Call:
        return "calls a subprogram" + Detail(text);
    case Reason::MissingProgram:
        return "calls a program that is not in the file" + Detail(text);
    case Reason::ForeignCycle:
        return "a cycle whose depth is a parameter" + Detail(text);
    case Reason::Cycle:
        return "a cycle whose depth it cannot tell" + Detail(text);
    case Reason::ForeignFlow:
    case Reason::Jump:
        return "a jump or loop" + Detail(text);
    case Reason::ForeignFrame:
    case Reason::Frame:
        return "scales, mirrors or tilts the program" + Detail(text);
    case Reason::Unknown:
        return "unknown G code" + Detail(text);
    case Reason::OWord:
        return "o-word control" + Detail(text);
    case Reason::Unset:
        if (IsArgument(text)) return "the caller's argument " + text + " is not set";
        return text.empty() ? "a value the program does not set" : QuoteName(text) + " is not set";
    case Reason::OnlySubroutines:
        return "only defines subroutines";
    case Reason::Spline:
        return "spline outside the XY plane" + Detail(text);
    case Reason::Runaway:
        return "runs away" + (text.empty() ? "" : ": " + QuoteName(text));
    case Reason::Error:
        return text.empty() ? "cannot be run" : QuoteName(text);
    }
    return "";
}

std::optional<std::string> DoubtOf(const FileDepth& Depth) {
    if (Depth.Run) {
        const Doubt& why = Depth.Run->Unsure;
        if (why.Why == Reason::None) return std::nullopt;
        return Line(why.Line) + DoubtWords(why);
    }
    const Doubt& first = Depth.Scan.FirstDoubt;
    if (first.Line == 0) return std::nullopt;
    std::string text = Line(first.Line) + DoubtWords(first);
    if (const std::int64_t more = Depth.Scan.DoubtLines - 1; more > 0)
        text += "; " + std::to_string(more) + (more == 1 ? " more line" : " more lines");
    return text;
}

std::string DepthNote(const FileDepth& Depth, const std::string& Separator) {
    if (!Depth.Settled()) return "";
    std::string note;
    if (Depth.Run->Source == DepthSource::ArcLowest) note = ", the arc's lowest point";
    if (Depth.Run->Source == DepthSource::CycleBottom) note = ", the cycle's bottom";
    const std::string words = DepthTag(Depth.Scan.MinZ, Separator);
    if (words != DepthTag(Depth.Run->MinZ, Separator)) note += "; the Z words say " + words;
    return note;
}

} // namespace vorlund
