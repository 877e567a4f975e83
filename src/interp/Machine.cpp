#include "interp/Machine.h"

#include "interp/Arc.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

namespace vorlund {
namespace {

enum { X, Y, Z };
constexpr char AxisLetter[3] = {'X', 'Y', 'Z'};
constexpr char CentreLetter[3] = {'I', 'J', 'K'};
constexpr std::uint32_t Bit(char Letter) {
    return 1u << (Letter - 'A');
}
constexpr std::uint32_t AxisWords = Bit('X') | Bit('Y') | Bit('Z') | Bit('A') | Bit('B') |
                                    Bit('C') | Bit('U') | Bit('V') | Bit('W') | Block::kPolar;
constexpr std::uint32_t CentreWords = Bit('I') | Bit('J') | Bit('K');
constexpr double MmPerInch = 25.4;

// A word as written, whatever the locale: "Z-2", "G38.2".
std::string Word(char Letter, double Value) {
    char text[40] = {Letter};
    auto end = std::to_chars(text + 1, text + sizeof text, Value).ptr;
    return {text, end};
}

std::string GWord(int Code) {
    return Word('G', Code / 10.0);
}

// A word's value, 0 when the block does not give it.
double Word(const Block& Given, char Letter) {
    return Given.Given(Letter) ? Given.Of(Letter) : 0.0;
}

// A count word as an int: clamped to a million, -1 for anything below 0.
int Count(double V) {
    return V >= 1e6 ? 1000000 : V > -1.0 ? static_cast<int>(V) : -1;
}

// A count word that must be whole and at least 1; 1 when the block does not
// give it, nullopt when it is not such a count.
std::optional<int> Times(const Block& Given, char Letter) {
    if (!Given.Given(Letter)) return 1;
    const double v = Given.Of(Letter);
    if (v < 1.0 || v != std::floor(v)) return std::nullopt;
    return Count(v);
}

[[noreturn]] void Fault(std::string Text) {
    Fail(Reason::Error, std::move(Text));
}

// The rule of a G code in a block, which holds only codes below the table's
// limit.
const CodeRule& RuleOf(int Code) {
    const CodeRule* rule = FindCode('G', std::uint32_t(Code));
    if (!rule) Fault("unknown G code " + GWord(Code));
    return *rule;
}

} // namespace

void Machine::Run(const Block& Given) {
    Dispatch(Given);
    if (overflow_) [[unlikely]]
        Fault("number out of range");
}

void Machine::Dispatch(const Block& Given) {
    if (Given.Has & (Bit('F') | Bit('M') | Bit('S') | Bit('T'))) Settings(Given);
    nonModal_ = 0;
    if (Given.GCount != 0) Modes(Given);
    if (polar_ && (Given.Has & (Bit('X') | Bit('Y')))) return Polar(Given);
    Act(Given);
}

// What the block's axis words do, its modes set.
void Machine::Act(const Block& Given) {
    switch (nonModal_ ? RuleOf(nonModal_).Effect : Does::Keep) {
    case Does::Home:
        return Home(Given);
    case Does::Profile: // from its X and Z; the runner runs the profile
        return Linear(Given, false);
    case Does::Groove: // pecks to its X and Z and returns
        return Linear(Given, true);
    case Does::Shift:
        return ToolShift(Given);
    case Does::Probe:
        return Probe(Given);
    case Does::Offset: // the axis words move the frame, not the tool
    case Does::Rotate:
        return;
    default:
        break;
    }
    // An arc with a centre and no end is a full circle.
    bool circle = (motion_ == G2 || motion_ == G3) && (Given.Has & CentreWords);
    if (!(Given.Has & AxisWords) && !circle) return;
    if (nonModal_ == G53) return InMachine(Given);
    // Without a motion mode (a control's default of G0 or G1, or after G80)
    // the axes still reach their end.
    if (motion_ <= G1) return Linear(Given, false);
    return Move(Given);
}

// The block's codes act in the order of their groups, whatever the order
// they are written in; two of one group are an error.
void Machine::Modes(const Block& Given) {
    const CodeRule* rules[std::size(Given.G)];
    int n = 0;
    for (int i = 0; i < Given.GCount; ++i) {
        const CodeRule& rule = RuleOf(Given.G[i]);
        int at = n++;
        for (; at > 0 && rules[at - 1]->Modal >= rule.Modal; --at) {
            if (rules[at - 1]->Modal == rule.Modal)
                Fault(GWord(rules[at - 1]->Code) + " and " + GWord(rule.Code) +
                      " in one modal group");
            rules[at] = rules[at - 1];
        }
        rules[at] = &rule;
    }
    for (int i = 0; i < n; ++i)
        Mode(Given, *rules[i]);
}

void Machine::Mode(const Block& Given, const CodeRule& Rule) {
    const int code = Rule.Code;
    switch (Rule.Effect) {
    case Does::Probe: // G38.2 to G38.5 stay in force, as motions; G31 does not
        if (Rule.Modal != Group::Motion) {
            nonModal_ = code;
            return;
        }
        [[fallthrough]];
    case Does::Move:
    case Does::Arc:
    case Does::Spline:
    case Does::Tap:
    case Does::Cycle:
        if (code != series_) series_ = -1;
        motion_ = code;
        return;
    case Does::CycleEnd:
        motion_ = series_ = -1;
        return;
    case Does::Profile:
    case Does::Groove:
        turning_ = true;
        [[fallthrough]];
    case Does::Home:
    case Does::Machine:
    case Does::Shift:
        nonModal_ = code;
        return;
    case Does::Offset:
        return SetOffset(Given, code);
    case Does::Frame:
        Fail(Reason::Frame, GWord(code));
    case Does::Scale:
        return Frame50(Given);
    case Does::Rotate:
        return Rotate(Given);
    case Does::Polar:
        polar_ = code == G16;
        return;
    case Does::Plane:
        plane_ = code;
        return;
    case Does::Inch:
    case Does::Millimetre:
        return Units(Rule.Effect == Does::Inch);
    case Does::Absolute:
    case Does::Incremental:
        absolute_ = Rule.Effect == Does::Absolute;
        return;
    case Does::ArcAbsolute:
    case Does::ArcRelative:
        arcAbsolute_ = Rule.Effect == Does::ArcAbsolute;
        return;
    case Does::RetractR:
    case Does::RetractHigh:
        retractR_ = Rule.Effect == Does::RetractR;
        return;
    case Does::Keep:
        return Keep(Rule);
    case Does::Call:
    case Does::End:
        break;
    }
    Fault(GWord(code) + " where no call is read");
}

// G10, G52, G92 to G92.3, and G43.1 and G43.2, a tool length from the axis
// words: they take the axis words, and move nothing.
void Machine::SetOffset(const Block& Given, int Code) {
    if (Code == G10) return Frame10(Given);
    if (Code == G52) return Frame52(Given);
    if (Code == G43_1 || Code == G43_2) nonModal_ = G43_1;
    if (Code >= G92 && Code <= G92_3) Frame92(Given, Code);
}

// A lathe's G92 with axis words, its spindle clamp with S; alone, a mill's
// end of scaling.
void Machine::Frame50(const Block& Given) {
    turning_ = turning_ || Given.Given('S') || (Given.Has & AxisWords);
    if (Given.Has & AxisWords) Frame92(Given, G92);
}

// A code that changes nothing the depth depends on, kept for the program
// to read.
void Machine::Keep(const CodeRule& Rule) {
    const int code = Rule.Code;
    switch (Rule.Modal) {
    case Group::Radius:
        ccomp_ = code / 10 * 10;
        break;
    case Group::Length:
        lengthOffset_ = code;
        break;
    case Group::Feed:
        feedMode_ = code;
        break;
    case Group::Spindle:
        spindleMode_ = code;
        break;
    case Group::Lathe:
        lathe_ = code;
        break;
    case Group::System:
        // G10 L20 moved the system in force; another one is not known.
        if (code != coordSystem_ && (work_[X] != 0.0 || work_[Y] != 0.0 || work_[Z] != 0.0))
            Fail(Reason::Offset, GWord(code) + " after G10 L20");
        coordSystem_ = code;
        break;
    default:
        break;
    }
}

// G45 to G48 lengthen or shorten the move by a tool offset the run does not
// know: the axes they move end unknown, Z a doubt.
void Machine::ToolShift(const Block& Given) {
    if (Given.Given('Z')) Fail(Reason::Offset, GWord(nonModal_));
    Start();
    for (int i = 0; i < 2; ++i)
        if (Given.Given(AxisLetter[i])) known_[i] = false;
}

// A probing move stops where it touches, at its end at the deepest: the
// axes it names end unknown.
void Machine::Probe(const Block& Given) {
    if (!(Given.Has & AxisWords)) return;
    Linear(Given, false);
    for (int i = 0; i < 3; ++i)
        if (Given.Given(AxisLetter[i])) known_[i] = false;
}

// Under G16, X and Y are a radius and an angle in the XY plane: Z moves as
// written, X and Y end where the run does not follow.
void Machine::Polar(const Block& Given) {
    if (plane_ != G17) Fail(Reason::Frame, "G16 outside the XY plane");
    Block polar = Given;
    polar.Has |= Block::kPolar;
    Act(polar);
}

void Machine::Settings(const Block& Given) {
    if (Given.Given('F')) feed_ = Given.Of('F');
    if (Given.Given('S')) rpm_ = Given.Of('S');
    if (Given.Given('T')) selected_ = Given.Of('T');
    for (int i = 0; i < Given.MCount; ++i) {
        const int m = Given.M[i];
        if (m >= 3 && m <= 5) spindle_ = m;
        if (m == 6) tool_ = selected_;
        if (m == 7) mist_ = 1.0;
        if (m == 8) flood_ = 1.0;
        if (m == 9) mist_ = flood_ = 0.0;
    }
}

void Machine::Frame10(const Block& Given) {
    // L0 reloads the tool table, L1, L10, L11 write it; the others move a frame.
    int l = Given.Given('L') ? Count(Given.Of('L')) : -1;
    nonModal_ = G10;
    if (l == 0 || l == 1 || l == 10 || l == 11) return;
    // L20 sets a system where the tool is: known for the one in force (P0,
    // or the one the program selected).
    const int p = Given.Given('P') ? Count(Given.Of('P')) : -1;
    constexpr int kSystems[] = {0, G54, G55, G56, G57, G58, G59, G59_1, G59_2, G59_3};
    if (l == 20 && p >= 0 && p <= 9 && (p == 0 || kSystems[p] == coordSystem_))
        return Origin(Given, work_, G10);
    // A frame moved in machine terms: in X and Y it moves no depth.
    if (Given.Given('Z')) Fail(Reason::Offset, l >= 0 ? "G10 " + Word('L', l) : "G10");
    for (int i = 0; i < 2; ++i)
        if (Given.Given(AxisLetter[i])) known_[i] = shiftKnown_[i] = false;
}

void Machine::Rotate(const Block& Given) {
    // About the plane's normal: in XY, Z stays; a tilted axis (I, J) moves it.
    if (plane_ != G17 || Given.Given('I') || Given.Given('J')) Fail(Reason::Frame, "G68");
    nonModal_ = G68;
}

void Machine::Frame52(const Block& Given) {
    // The offset itself, shared with G92.
    nonModal_ = G52;
    for (int i = 0; i < 3; ++i)
        if (Given.Given(AxisLetter[i])) Shift(local_, i, Given.Of(AxisLetter[i]));
}

void Machine::Frame92(const Block& Given, int Code) {
    nonModal_ = G92;
    if (Code == G92) {
        Origin(Given, local_, Code);
        std::copy(std::begin(local_), std::end(local_), saved_);
        return;
    }
    // G92.1 and G92.2 cancel the offset, G92.1 its parameters too; G92.3
    // restores them.
    for (int i = 0; i < 3; ++i)
        Shift(local_, i, Code == G92_3 ? saved_[i] : 0.0);
    if (Code == G92_1) std::fill(std::begin(saved_), std::end(saved_), 0.0);
}

// Moves Offset so that the axes given read their words where the tool is.
void Machine::Origin(const Block& Given, double* Offset, int Code) {
    // Before the first move the program's frame is the one it sets: the Z
    // words are read in it.
    if (Given.Given('Z') && !known_[Z] && !moved_) pos_[Z] = Given.Of('Z'), known_[Z] = true;
    if (Given.Given('Z') && !known_[Z]) Fail(Reason::Offset, GWord(Code) + " at an unknown Z");
    for (int i = 0; i < 3; ++i) {
        if (!Given.Given(AxisLetter[i])) continue;
        const double v = Given.Of(AxisLetter[i]);
        shiftKnown_[i] = shiftKnown_[i] && known_[i];
        Offset[i] += pos_[i] - v;
        pos_[i] = v, known_[i] = true;
    }
    shiftZ_ = local_[Z] + work_[Z];
}

// Sets one axis of Offset: the tool stays where it is, its coordinate moves.
void Machine::Shift(double* Offset, int Axis, double To) {
    pos_[Axis] += Offset[Axis] - To;
    Offset[Axis] = To;
    known_[Axis] = known_[Axis] && shiftKnown_[Axis];
    shiftZ_ = local_[Z] + work_[Z];
}

void Machine::Units(bool Inch) {
    if (Inch == inch_) return;
    double factor = Inch ? 1.0 / MmPerInch : MmPerInch;
    for (double* values : {pos_, local_, work_, saved_})
        for (int i = 0; i < 3; ++i)
            values[i] *= factor;
    shiftZ_ *= factor;
    initial_ *= factor;
    cycleR_ *= factor;
    cycleDepth_ *= factor;
    inch_ = Inch;
}

void Machine::Start() {
    if (!moved_) firstInch_ = inch_;
    moved_ = true;
}

void Machine::Reach(double Z, std::int64_t Line, DepthSource From) {
    Z += shiftZ_ - overshoot_; // in the frame the program started in
    // Beyond a float the depth cannot be told.
    if (!(std::fabs(Z) <= std::numeric_limits<float>::max())) {
        overflow_ = true;
        return;
    }
    if (inch_ != firstInch_) Z = inch_ ? Z * MmPerInch : Z / MmPerInch;
    // Deeper as the tag shows it: sums of decimals do not move the line.
    if (static_cast<float>(Z) < static_cast<float>(minZ_)) {
        minZ_ = Z;
        minLine_ = Line;
        source_ = From;
    }
}

bool Machine::Absolute(const Block& Given, int Axis) const {
    return (absolute_ || Given.AbsoluteAxes >> Axis & 1u) && !(Given.Incremental >> Axis & 1u);
}

bool Machine::FromUnknownZ(const Block& Given) const {
    return !Absolute(Given, Z) && !known_[Z] && Given.Given('Z') && Given.Of('Z') != 0.0;
}

void Machine::IncrementalZ(const Block& Given) const {
    const char* mode = Given.Incremental >> Z & 1u ? "I" : "G91 ";
    Fail(Reason::IncrementalStart, mode + Word('Z', Given.Of('Z')));
}

double Machine::End(const Block& Given, int Axis) const {
    char letter = AxisLetter[Axis];
    if (!Given.Given(letter)) return pos_[Axis];
    return Absolute(Given, Axis) ? Given.Of(letter) : pos_[Axis] + Given.Of(letter);
}

bool Machine::EndKnown(const Block& Given, int Axis) const {
    return known_[Axis] || (Absolute(Given, Axis) && Given.Given(AxisLetter[Axis]));
}

void Machine::Advance(const Block& Given) {
    for (int i = 0; i < 3; ++i) {
        known_[i] = EndKnown(Given, i);
        pos_[i] = End(Given, i);
    }
    if (Given.Has & Block::kPolar) known_[X] = known_[Y] = false;
}

void Machine::Move(const Block& Given) {
    // In XZ, G76 is a lathe's thread: to its Z and back to where it started.
    if (motion_ == G76 && plane_ == G18) return Linear(Given, true);
    switch (RuleOf(motion_).Effect) {
    case Does::Cycle:
        return Cycle(Given);
    case Does::Arc:
        return Arc(Given);
    case Does::Probe:
        return Probe(Given);
    case Does::Tap: // to its Z and back
        return Linear(Given, true);
    case Does::Spline:
        if (plane_ != G17) {
            // A NURBS lies within the hull of its control points while each
            // weight (G5.2's P, G6.2's R) is positive: they bound its depth.
            const char weight = motion_ == G5_2 ? 'P' : motion_ == G6_2 ? 'R' : '\0';
            if (!weight || (Given.Given(weight) && !(Given.Of(weight) > 0.0)))
                Fail(Reason::Spline, GWord(motion_));
        }
        break;
    default:
        break;
    }
    // G0, G1, G33, and splines in XY: straight in Z (a NURBS within its
    // control polygon).
    return Linear(Given, false);
}

void Machine::Linear(const Block& Given, bool Return) {
    if (FromUnknownZ(Given)) return IncrementalZ(Given);
    Start();
    if (!Return) {
        Advance(Given);
    } else if (EndKnown(Given, Z)) {
        Reach(End(Given, Z), Given.Line, DepthSource::Move);
        return;
    }
    if (Given.Given('Z') && known_[Z]) Reach(pos_[Z], Given.Line, DepthSource::Move);
}

void Machine::Arc(const Block& Given) {
    // The plane's first and second axes, and its normal.
    int a = plane_ == G17 ? X : plane_ == G18 ? Z : Y;
    int b = plane_ == G17 ? Y : plane_ == G18 ? X : Z;
    int n = 3 - a - b;
    // A lathe may give X as a diameter (G7, and a Fanuc lathe's default):
    // only a known radius mode (G8) gives the arc its shape.
    if ((lathe_ == G7 || (turning_ && lathe_ != G8)) && (Given.Has & (Bit('X') | Bit('I'))))
        Fault("an arc on a lathe, whose X may be a diameter");
    bool radius = Given.Given('R');
    bool centre = Given.Given(CentreLetter[a]) || Given.Given(CentreLetter[b]);
    if (Given.Given(CentreLetter[n]))
        Fault(std::string(1, CentreLetter[n]) + " word outside the arc's plane");
    if (radius == centre)
        Fault(radius ? "arc with both R and a centre" : "arc without R or a centre");
    if (radius && !Given.Given(AxisLetter[a]) && !Given.Given(AxisLetter[b]))
        Fault("R arc without an end in its plane");
    const std::optional<int> turns = Times(Given, 'P');
    if (!turns) Fault("arc turns " + Word('P', Given.Of('P')));
    if (FromUnknownZ(Given)) return IncrementalZ(Given);
    bool zInPlane = n != Z;
    if (!(known_[a] && known_[b] && EndKnown(Given, a) && EndKnown(Given, b))) {
        // An XY arc from an unknown point still ends at its Z.
        if (zInPlane) Fail(Reason::IncrementalStart, GWord(motion_) + " from an unknown point");
        return Linear(Given, false);
    }
    ArcPlane arc{pos_[a], pos_[b], End(Given, a), End(Given, b), 0.0, 0.0, motion_ == G2, *turns};
    bool full = arc.StartA == arc.EndA && arc.StartB == arc.EndB;
    double tight = inch_ ? 0.00005 : 0.00005 * MmPerInch;
    if (radius) {
        if (full) Fault("R arc ending where it starts");
        if (!ArcCentreFromRadius(arc, Given.Of('R'), tight))
            Fault("arc radius too small to reach its end");
    } else {
        double ca = Word(Given, CentreLetter[a]), cb = Word(Given, CentreLetter[b]);
        arc.CentreA = arcAbsolute_ ? ca : arc.StartA + ca;
        arc.CentreB = arcAbsolute_ ? cb : arc.StartB + cb;
        if (!ArcRadiiAgree(arc, inch_ ? 0.0029 : 0.0285, inch_ ? 0.1 : 1.0))
            Fault("arc radius differs from start to end");
    }
    double r = std::hypot(arc.StartA - arc.CentreA, arc.StartB - arc.CentreB);
    if (r <= tight) Fault("arc of zero radius");
    Start();
    double endZ = End(Given, Z);
    if (EndKnown(Given, Z)) Reach(endZ, Given.Line, DepthSource::Move);
    if (zInPlane) {
        // Z is the plane's first axis in XZ, its second in YZ.
        double low = (a == Z ? arc.CentreA : arc.CentreB) - r;
        double angle = a == Z ? std::numbers::pi : -std::numbers::pi / 2.0;
        if (low < std::min(pos_[Z], endZ) - 1e-9 && ArcSweeps(arc, angle))
            Reach(low, Given.Line, DepthSource::ArcLowest);
    }
    Advance(Given);
}

void Machine::Cycle(const Block& Given) {
    // The cycle drills along the plane's normal; the other two axes place it.
    int d = plane_ == G17 ? Z : plane_ == G18 ? Y : X;
    bool fresh = series_ != motion_;
    series_ = motion_;
    if (fresh) {
        initial_ = pos_[d], initialKnown_ = known_[d];
        if (!Given.Given('R')) Fault(GWord(motion_) + " without R");
        if (!Given.Given(AxisLetter[d])) Fault(GWord(motion_) + " without " + AxisLetter[d]);
    }
    // Later blocks of the run keep the last R and depth words. Under G91, R
    // counts from the level where the run started, the bottom from R; each
    // repeat (L) drills to the same levels.
    if (Given.Given('R')) cycleR_ = Given.Of('R');
    if (Given.Given(AxisLetter[d])) cycleDepth_ = Given.Of(AxisLetter[d]);
    double r = cycleR_, bottom = cycleDepth_;
    if (!absolute_) {
        if (!initialKnown_ && r != 0.0) Fail(Reason::IncrementalStart, "G91 " + Word('R', r));
        if (!initialKnown_ && bottom != 0.0)
            Fail(Reason::IncrementalStart, "G91 " + Word(AxisLetter[d], bottom));
        r += initial_;
        bottom += r;
    }
    if (r < bottom) Fault("R below the cycle's bottom");
    bool levels = absolute_ || initialKnown_;
    const std::optional<int> repeats = Times(Given, 'L');
    if (!repeats) Fault("cycle repeats " + Word('L', Given.Of('L')));
    Start();
    for (int i = 0; i < 3; ++i) {
        if (i == d || !Given.Given(AxisLetter[i])) continue;
        double v = Given.Of(AxisLetter[i]);
        if (absolute_) {
            pos_[i] = v, known_[i] = true;
        } else if (known_[i]) {
            pos_[i] += v * *repeats;
        } else if (i == Z && v != 0.0) {
            return IncrementalZ(Given);
        }
        // Z placing a cycle in XZ or YZ moves in steps: its ends are its extremes.
        if (i == Z && known_[Z]) {
            Reach(pos_[Z], Given.Line, DepthSource::Move);
            if (!absolute_) Reach(pos_[Z] - v * (*repeats - 1), Given.Line, DepthSource::Move);
        }
    }
    if (d == Z && levels) Reach(bottom, Given.Line, DepthSource::CycleBottom);
    if (Given.Has & Block::kPolar) known_[X] = known_[Y] = false;
    // G99 ends at R, G98 at the initial level unless R is higher.
    known_[d] = retractR_ ? levels : initialKnown_;
    pos_[d] = retractR_ ? r : std::max(initial_, r);
}

void Machine::Home(const Block& Given) {
    // Through the intermediate point, in program coordinates, to a machine
    // position: the axes named (all when none is) end unknown.
    if (FromUnknownZ(Given)) return IncrementalZ(Given);
    Start();
    Advance(Given);
    if (Given.Given('Z') && known_[Z]) Reach(pos_[Z], Given.Line, DepthSource::Move);
    bool any = Given.Has & AxisWords;
    for (int i = 0; i < 3; ++i)
        known_[i] = known_[i] && any && !Given.Given(AxisLetter[i]);
}

void Machine::InMachine(const Block& Given) {
    // Machine Z is not program Z: below 0 the tool may be in the part; at or
    // above 0 (the machine's top) it is above it, somewhere.
    if (!absolute_) Fault("G53 in G91");
    if (motion_ > 10) Fault("G53 without G0 or G1");
    if (Given.Given('Z') && Given.Of('Z') < 0.0)
        Fail(Reason::Machine, "G53 " + Word('Z', Given.Of('Z')));
    Start();
    for (int i = 0; i < 3; ++i)
        if (Given.Given(AxisLetter[i])) known_[i] = false;
}

float Machine::MinZ() const {
    return static_cast<float>(minZ_);
}
std::int64_t Machine::MinLine() const {
    return minLine_;
}
DepthSource Machine::Source() const {
    return source_;
}
bool Machine::Moved() const {
    return moved_;
}

void Machine::Forget() {
    std::fill(std::begin(known_), std::end(known_), false);
}

double Machine::Position(int Axis) const {
    return known_[Axis] ? pos_[Axis] : kUnknown;
}

bool Machine::Named(std::string_view Name, double& Value) const {
    const std::pair<std::string_view, double> values[] = {
        {"_x", Position(X)},
        {"_y", Position(Y)},
        {"_z", Position(Z)},
        {"_metric", double(!inch_)},
        {"_imperial", double(inch_)},
        {"_absolute", double(absolute_)},
        {"_incremental", double(!absolute_)},
        {"_plane", double(plane_)},
        {"_motion_mode", double(motion_ < 0 ? kUnknown : motion_)},
        {"_ijk_absolute_mode", double(arcAbsolute_)},
        {"_retract_r_plane", double(retractR_)},
        {"_retract_old_z", double(!retractR_)},
        {"_ccomp", double(ccomp_)},
        {"_tool_offset", double(lengthOffset_ != G49)},
        {"_inverse_time", double(feedMode_ == G93)},
        {"_units_per_minute", double(feedMode_ == G94)},
        {"_units_per_rev", double(feedMode_ == G95)},
        {"_spindle_rpm_mode", double(spindleMode_ == G97)},
        {"_spindle_css_mode", double(spindleMode_ == G96)},
        {"_coord_system", double(coordSystem_ < 0 ? kUnknown : coordSystem_)},
        {"_lathe_diameter_mode", double(lathe_ < 0 ? kUnknown : lathe_ == G7)},
        {"_lathe_radius_mode", double(lathe_ < 0 ? kUnknown : lathe_ == G8)},
        {"_current_tool", tool_},
        {"_selected_tool", selected_},
        {"_feed", feed_},
        {"_rpm", rpm_},
        {"_spindle_on", double(spindle_ != spindle_ ? kUnknown : spindle_ != 5)},
        {"_spindle_cw", double(spindle_ != spindle_ ? kUnknown : spindle_ == 3)},
        {"_mist", mist_},
        {"_flood", flood_},
    };
    for (const auto& [name, value] : values)
        if (Name == name) return Value = value, true;
    // The other axes, machine coordinates, pockets and the operator's
    // switches: the machine's, not the program's.
    static constexpr std::string_view kMachine[] = {"_a",
                                                    "_b",
                                                    "_c",
                                                    "_u",
                                                    "_v",
                                                    "_w",
                                                    "_abs_x",
                                                    "_abs_y",
                                                    "_abs_z",
                                                    "_abs_a",
                                                    "_abs_b",
                                                    "_abs_c",
                                                    "_abs_u",
                                                    "_abs_v",
                                                    "_abs_w",
                                                    "_current_pocket",
                                                    "_selected_pocket",
                                                    "_speed_override",
                                                    "_feed_override",
                                                    "_adaptive_feed",
                                                    "_feed_hold"};
    for (const std::string_view name : kMachine)
        if (Name == name) return Value = kUnknown, true;
    return false;
}

// A Fanuc modal group's code, as #4001 to #4022 give it: G code numbers, not
// times ten; unknown for the groups the run does not keep.
double Machine::FanucModal(int Group) const {
    const auto code = [](int Code) { return Code < 0 ? kUnknown : Code / 10.0; };
    const bool cycle = motion_ >= 0 && RuleOf(motion_).Effect == Does::Cycle;
    switch (Group) {
    case 1:
        return cycle ? kUnknown : code(motion_);
    case 2:
        return code(plane_);
    case 3:
        return absolute_ ? 90 : 91;
    case 5:
        return code(feedMode_);
    case 6:
        return inch_ ? 20 : 21;
    case 7:
        return code(ccomp_);
    case 8:
        return code(lengthOffset_);
    case 9:
        return cycle ? code(motion_) : 80;
    case 10:
        return retractR_ ? 99 : 98;
    case 13:
        return code(spindleMode_);
    case 14:
        return code(coordSystem_);
    default:
        return kUnknown;
    }
}

// #5400 the tool in the spindle, #5420 to #5422 the position; the rest to
// #5601 is tool table and machine data. Fanuc's: #4001 to #4022 the modal
// groups, #4109 F, #4119 S, #4120 T; #5001 to #5003 and #5041 to #5043 the
// position in the program's frame.
bool Machine::Numbered(int Number, double& Value) const {
    if (Number >= 4001 && Number <= 4022) return Value = FanucModal(Number - 4000), true;
    if (Number == 4109 || Number == 4119 || Number == 4120)
        return Value = Number == 4109 ? feed_ : Number == 4119 ? rpm_ : tool_, true;
    if ((Number >= 5001 && Number <= 5003) || (Number >= 5041 && Number <= 5043))
        return Value = Position((Number - 5001) % 40), true;
    if (Number < 5400 || Number > 5601) return false;
    Value = Number == 5400                     ? tool_
            : Number >= 5420 && Number <= 5422 ? Position(Number - 5420)
                                               : kUnknown;
    return true;
}

} // namespace vorlund
