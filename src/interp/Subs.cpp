// Calls and returns of the RS274NGC and Fanuc runner: o-word subs, Fanuc
// subprograms (M98, M97, M99) and macros (G65, G66), and where each starts.

#include "interp/Runner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace vorlund {

namespace {

std::string ProgramName(long Number) {
    char text[24];
    std::snprintf(text, sizeof text, "O%04ld", Number);
    return text;
}

// A numbered program's key among the labels; a sub's is its name.
std::string ProgramKey(std::string_view Digits) {
    return "O" + std::string(Digits);
}

} // namespace

// A line of the one pass over the whole program: where each sub and
// numbered program starts.
void Runner::ScanLabels(std::string_view Line, const LineReader& Reader, Labels& Into) {
    if (!HasO(Line)) return;
    OWord word;
    try {
        if (!Parser::ReadOWord(scanning_.Code(Line), word)) return;
    } catch (const Doubt&) {
        return; // the run stops there if it gets there
    }
    const Place body{Reader.After(), Reader.Line() + 1};
    if (word.Word == Keyword::Sub) Into.AddFirst(word.Name, body);
    if (word.Word == Keyword::Label && word.Name.size() < 10 &&
        Into.AddFirst(ProgramKey(word.Name), body))
        programs_.push_back(body.Offset);
}

const Place* Runner::FindProgram(long Number) {
    return labels_.Find(ProgramKey(std::to_string(Number)));
}

// M99: the next run of a program called with repeats, or the caller's next
// line, or with P its line N<P>; in the main program M99 P jumps there.
void Runner::Back(long To) {
    if (calls_.Empty() && To < 0)
        Fail(Reason::Runaway, "M99 in the main program repeats it for ever");
    if (!calls_.Empty()) {
        const SubFrame& top = calls_.Top();
        if (!top.Fanuc()) Fail(Reason::Error, "M99 in " + OName(top.Name) + " sub");
        if (To < 0 && calls_.Again(flow_)) return;
        Return();
    }
    if (To >= 0) Jump(To, "M99 P");
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
        Call({*body, CallKind::Macro, ProgramName(Number), Repeats, Macro->Args, Macro->Given});
    else
        Call({*body, CallKind::Subprogram, ProgramName(Number), Repeats});
}

void Runner::Call(const Callee& What) {
    calls_.Room();
    // A Fanuc control nests macros 4 deep and subprograms 10.
    const auto same = std::count_if(calls_.begin(), calls_.end(),
                                    [&](const SubFrame& F) { return F.Kind == What.Kind; });
    if (What.Kind == CallKind::Macro && same >= 4)
        Fail(Reason::Error, "macros nested deeper than 4");
    if (What.Kind == CallKind::Subprogram && same >= 10)
        Fail(Reason::Error, "subprograms nested deeper than 10");
    if (What.Kind != CallKind::Subprogram)
        params_.Enter(What.Args, What.Given, What.Kind == CallKind::Macro);
    SubFrame& frame = calls_.Call(flow_, What.Body, What.Repeats, loops_.Size());
    frame.Kind = What.Kind;
    frame.Forget = false;
    frame.Name.assign(What.Name);
}

void Runner::Return() {
    const SubFrame& top = calls_.Return(flow_);
    if (top.Scoped()) params_.Leave();
    if (top.Forget) machine_.Forget(), machine_.Overshoot(0.0);
    loops_.Resize(top.Loops);
}

} // namespace vorlund
