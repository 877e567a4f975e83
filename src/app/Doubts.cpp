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

std::string RunWords(const InterpResult& Run) {
    const std::string& text = Run.Text;
    switch (Run.Reason) {
    case Unsettled::None:
        return "";
    case Unsettled::IncrementalStart:
        return "incremental move before any absolute Z" + Detail(text);
    case Unsettled::Machine:
        return "machine coordinates" + Detail(text);
    case Unsettled::Offset:
        return "sets an offset" + Detail(text);
    case Unsettled::Probe:
        return "probing, or a value measured by it" + Detail(text);
    case Unsettled::Unset:
        if (IsArgument(text)) return "the caller's argument " + text + " is not set";
        return text.empty() ? "a value the program does not set" : QuoteName(text) + " is not set";
    case Unsettled::MissingProgram:
        return "calls a program that is not in the file" + Detail(text);
    case Unsettled::OnlySubroutines:
        return "only defines subroutines";
    case Unsettled::Spline:
        return "spline outside the XY plane" + Detail(text);
    case Unsettled::Frame:
        return "scales, mirrors or tilts the program" + Detail(text);
    case Unsettled::Runaway:
        return "runs away" + (text.empty() ? "" : ": " + QuoteName(text));
    case Unsettled::Error:
        return text.empty() ? "cannot be run" : QuoteName(text);
    case Unsettled::Cycle:
        return "a cycle whose depth it cannot tell" + Detail(text);
    }
    return "";
}

} // namespace

std::string_view DoubtWords(DoubtKind Kind) {
    switch (Kind) {
    case DoubtKind::None:
        return "no doubt";
    case DoubtKind::Unreadable:
        return "Z is not a number";
    case DoubtKind::ForeignIncremental:
    case DoubtKind::Incremental:
        return "incremental move";
    case DoubtKind::AfterEnd:
        return "moves after the program's end";
    case DoubtKind::ForeignMachine:
    case DoubtKind::Machine:
        return "machine coordinates";
    case DoubtKind::ForeignOffset:
    case DoubtKind::Offset:
        return "sets an offset";
    case DoubtKind::Probe:
        return "probing move";
    case DoubtKind::Plane:
        return "arcs outside the XY plane";
    case DoubtKind::Unit:
        return "changes the unit";
    case DoubtKind::Lowercase:
        return "lower-case word";
    case DoubtKind::ForeignCall:
    case DoubtKind::Call:
        return "calls a subprogram";
    case DoubtKind::ForeignCycle:
        return "a cycle whose depth is a parameter";
    case DoubtKind::ForeignFlow:
    case DoubtKind::Jump:
        return "a jump or loop";
    case DoubtKind::ForeignFrame:
    case DoubtKind::Frame:
        return "scales, mirrors or tilts the program";
    case DoubtKind::OWord:
        return "o-word control";
    }
    return "";
}

std::optional<std::string> DoubtOf(const FileDepth& Depth) {
    if (Depth.Run) {
        if (Depth.Run->Reason == Unsettled::None) return std::nullopt;
        return Line(Depth.Run->Line) + RunWords(*Depth.Run);
    }
    const Doubt& first = Depth.Scan.FirstDoubt;
    if (first.Line == 0) return std::nullopt;
    std::string text = Line(first.Line) + std::string(DoubtWords(first.Kind)) + Detail(first.Text);
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
