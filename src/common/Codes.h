#pragma once

// The G and M codes, each once: its modal group, what it does to the depth
// and whether the fast scan hands its line to the run. The scan's rules, its
// quick line test, its candidate masks and the machine's dispatch all derive
// from this table. A G code not in it is not known: the scan hands its line
// over and the run stops there. An M code not in it does nothing to the
// depth.

#include "common/Reason.h"

#include <array>
#include <cstdint>

namespace vorlund {

// G codes times ten: G38.2 is 382. M codes times ten too in the table (M98
// is 980), while a block holds them as written.
// clang-format off
enum Code : std::uint16_t {
    G0 = 0, G1 = 10, G2 = 20, G3 = 30, G4 = 40, G5 = 50, G5_1 = 51, G5_2 = 52, G5_3 = 53,
    G6_2 = 62, G7 = 70, G8 = 80, G9 = 90, G10 = 100, G11 = 110, G15 = 150, G16 = 160, G17 = 170,
    G17_1 = 171, G18 = 180, G18_1 = 181, G19 = 190, G19_1 = 191, G20 = 200, G21 = 210, G22 = 220,
    G23 = 230, G28 = 280, G28_1 = 281, G30 = 300, G30_1 = 301, G31 = 310, G33 = 330, G33_1 = 331,
    G38_2 = 382, G38_3 = 383, G38_4 = 384, G38_5 = 385, G40 = 400, G40_1 = 401, G41 = 410,
    G41_1 = 411, G42 = 420, G42_1 = 421, G43 = 430, G43_1 = 431, G43_2 = 432, G44 = 440, G45 = 450,
    G46 = 460, G47 = 470, G48 = 480, G49 = 490, G50 = 500, G50_1 = 501, G51 = 510, G51_1 = 511,
    G52 = 520, G53 = 530, G54 = 540, G54_1 = 541, G55 = 550, G56 = 560, G57 = 570, G58 = 580,
    G59 = 590, G59_1 = 591, G59_2 = 592, G59_3 = 593, G61 = 610, G61_1 = 611, G64 = 640, G65 = 650,
    G66 = 660, G66_1 = 661, G67 = 670, G68 = 680, G68_2 = 682, G69 = 690, G70 = 700, G70_1 = 701,
    G70_2 = 702, G71 = 710, G71_1 = 711, G71_2 = 712, G72 = 720, G72_1 = 721, G72_2 = 722,
    G73 = 730, G74 = 740, G75 = 750, G76 = 760, G80 = 800, G81 = 810, G82 = 820, G83 = 830,
    G84 = 840, G85 = 850, G86 = 860, G87 = 870, G88 = 880, G89 = 890, G90 = 900, G90_1 = 901,
    G91 = 910, G91_1 = 911, G92 = 920, G92_1 = 921, G92_2 = 922, G92_3 = 923, G93 = 930, G94 = 940,
    G95 = 950, G96 = 960, G97 = 970, G98 = 980, G99 = 990, G100 = 1000, G101 = 1010, G103 = 1030,
    G110 = 1100, G111 = 1110, G112 = 1120, G113 = 1130, G114 = 1140, G115 = 1150, G116 = 1160,
    G117 = 1170, G118 = 1180, G119 = 1190, G120 = 1200, G121 = 1210, G122 = 1220, G123 = 1230,
    G124 = 1240, G125 = 1250, G126 = 1260, G127 = 1270, G128 = 1280, G129 = 1290, G154 = 1540,
    G187 = 1870,
    M2 = 20, M30 = 300, M89 = 890, M91 = 910, M92 = 920, M97 = 970, M98 = 980, M99 = 990,
};
// clang-format on

// Modal groups, in the order a block's codes act: a block's feed mode and
// plane before its offsets, those before its move. Two codes of one group in
// a block are an error. Groups as a Fanuc control numbers them, cycles apart
// from the other motions, so that G0 G80 is one block.
enum class Group : std::uint8_t {
    Feed,      // G93 to G95
    Spindle,   // G96, G97
    Dwell,     // G4
    Plane,     // G17 to G19
    Units,     // G20, G21
    Radius,    // cutter compensation: G40 to G42
    Length,    // tool length: G43, G44, G49, G43.1
    System,    // G54 to G59.3
    Path,      // G61, G64
    Distance,  // G90, G91
    Arcs,      // G90.1, G91.1
    Retract,   // G98, G99
    Lathe,     // G7, G8
    Stroke,    // G22, G23
    Normal,    // G40.1
    Polar,     // G15, G16
    Scale,     // G50, G51
    Mirror,    // G50.1, G51.1
    Rotation,  // G68, G69, G68.2
    ModalCall, // G66, G67
    NonModal,  // G10, G28, G30, G52, G53, G92, G65, a lathe's profile cycles
    Cycle,     // G73 to G89
    Motion,    // G0 to G3, G33, splines, probing
    None,      // M codes
};

// What a code does to the depth.
enum class Does : std::uint8_t {
    Keep,        // nothing: a setting kept for the program to read
    Move,        // G0, G1, G33: straight to the axis words
    Arc,         // G2, G3
    Spline,      // G5 to G6.2: within its control points
    Tap,         // G33.1: to its Z and back
    Cycle,       // a canned cycle: to its bottom
    CycleEnd,    // G80
    Profile,     // a lathe's profile cycle: its profile's depth
    Groove,      // G75: to its Z and back
    Home,        // G28, G30: through a point to a machine position
    Machine,     // G53: machine coordinates
    Offset,      // G10, G52, G92, G43.1: the frame moves, the tool does not
    Shift,       // G45 to G48: a move lengthened by a tool offset
    Probe,       // G38.2 to G38.5, G31
    Frame,       // scaling, mirroring, a tilted plane
    Scale,       // G50: scaling off; a lathe's G92
    Rotate,      // G68: a rotation, about Z in XY
    Polar,       // G16: X and Y as radius and angle
    Plane,       // G17, G18, G19
    Inch,        // G20
    Millimetre,  // G21
    Absolute,    // G90
    Incremental, // G91
    ArcAbsolute, // G90.1
    ArcRelative, // G91.1
    RetractR,    // G99
    RetractHigh, // G98
    Call,        // G65, G66, M97, M98, M99, M89: the runner's
    End,         // M2, M30
};

struct CodeRule {
    char Letter;
    std::uint16_t Code;
    Group Modal;
    Does Effect;
    // Why the fast scan hands a line with this word to the run; None: it
    // reads on.
    Reason Hands = Reason::None;
};

inline constexpr CodeRule kCodes[] = {
    {'G', G0, Group::Motion, Does::Move},
    {'G', G1, Group::Motion, Does::Move},
    {'G', G2, Group::Motion, Does::Arc},
    {'G', G3, Group::Motion, Does::Arc},
    {'G', G33, Group::Motion, Does::Move},
    {'G', G33_1, Group::Motion, Does::Tap},
    {'G', G5, Group::Motion, Does::Spline},
    {'G', G5_1, Group::Motion, Does::Spline},
    {'G', G5_2, Group::Motion, Does::Spline},
    {'G', G6_2, Group::Motion, Does::Spline},
    {'G', G5_3, Group::NonModal, Does::Keep}, // the end of a spline's points
    {'G', G38_2, Group::Motion, Does::Probe, Reason::Probe},
    {'G', G38_3, Group::Motion, Does::Probe, Reason::Probe},
    {'G', G38_4, Group::Motion, Does::Probe, Reason::Probe},
    {'G', G38_5, Group::Motion, Does::Probe, Reason::Probe},
    {'G', G31, Group::NonModal, Does::Probe, Reason::Probe},
    {'G', G73, Group::Cycle, Does::Cycle},
    {'G', G74, Group::Cycle, Does::Cycle},
    {'G', G76, Group::Cycle, Does::Cycle},
    {'G', G80, Group::Cycle, Does::CycleEnd},
    {'G', G81, Group::Cycle, Does::Cycle},
    {'G', G82, Group::Cycle, Does::Cycle},
    {'G', G83, Group::Cycle, Does::Cycle},
    {'G', G84, Group::Cycle, Does::Cycle},
    {'G', G85, Group::Cycle, Does::Cycle},
    {'G', G86, Group::Cycle, Does::Cycle},
    {'G', G87, Group::Cycle, Does::Cycle},
    {'G', G88, Group::Cycle, Does::Cycle},
    {'G', G89, Group::Cycle, Does::Cycle},
    {'G', G70, Group::NonModal, Does::Profile},
    {'G', G70_1, Group::NonModal, Does::Profile},
    {'G', G70_2, Group::NonModal, Does::Profile},
    {'G', G71, Group::NonModal, Does::Profile},
    {'G', G71_1, Group::NonModal, Does::Profile},
    {'G', G71_2, Group::NonModal, Does::Profile},
    {'G', G72, Group::NonModal, Does::Profile},
    {'G', G72_1, Group::NonModal, Does::Profile},
    {'G', G72_2, Group::NonModal, Does::Profile},
    {'G', G75, Group::NonModal, Does::Groove},
    {'G', G4, Group::Dwell, Does::Keep},
    {'G', G9, Group::NonModal, Does::Keep}, // exact stop
    {'G', G10, Group::NonModal, Does::Offset, Reason::Offset},
    {'G', G11, Group::NonModal, Does::Keep}, // the end of G10's data
    {'G', G28, Group::NonModal, Does::Home},
    {'G', G30, Group::NonModal, Does::Home},
    {'G', G28_1, Group::NonModal, Does::Keep},
    {'G', G30_1, Group::NonModal, Does::Keep},
    {'G', G52, Group::NonModal, Does::Offset, Reason::Offset},
    {'G', G53, Group::NonModal, Does::Machine, Reason::Machine},
    {'G', G92, Group::NonModal, Does::Offset, Reason::Offset},
    {'G', G92_1, Group::NonModal, Does::Offset, Reason::Offset},
    {'G', G92_2, Group::NonModal, Does::Offset, Reason::Offset},
    {'G', G92_3, Group::NonModal, Does::Offset, Reason::Offset},
    {'G', G65, Group::NonModal, Does::Call, Reason::Call},
    {'G', G66, Group::ModalCall, Does::Call, Reason::Call},
    {'G', G67, Group::ModalCall, Does::Call},
    {'G', G66_1, Group::ModalCall, Does::Call, Reason::Call}, // a call after each block: not run
    {'G', G17, Group::Plane, Does::Plane},
    {'G', G18, Group::Plane, Does::Plane, Reason::Plane},
    {'G', G19, Group::Plane, Does::Plane, Reason::Plane},
    {'G', G17_1, Group::Plane, Does::Keep}, // the U, V, W planes: no Z
    {'G', G18_1, Group::Plane, Does::Keep},
    {'G', G19_1, Group::Plane, Does::Keep},
    {'G', G20, Group::Units, Does::Inch},
    {'G', G21, Group::Units, Does::Millimetre},
    {'G', G90, Group::Distance, Does::Absolute},
    {'G', G91, Group::Distance, Does::Incremental},
    {'G', G90_1, Group::Arcs, Does::ArcAbsolute},
    {'G', G91_1, Group::Arcs, Does::ArcRelative},
    {'G', G98, Group::Retract, Does::RetractHigh},
    {'G', G99, Group::Retract, Does::RetractR},
    // The programmed contour is the cut, whatever the cutter's radius or
    // length: compensation moves nothing the depth is told by.
    {'G', G40, Group::Radius, Does::Keep},
    {'G', G41, Group::Radius, Does::Keep},
    {'G', G40_1, Group::Normal, Does::Keep}, // the end of normal direction control
    {'G', G41_1, Group::Radius, Does::Keep},
    {'G', G42, Group::Radius, Does::Keep},
    {'G', G42_1, Group::Radius, Does::Keep},
    {'G', G43, Group::Length, Does::Keep},
    {'G', G44, Group::Length, Does::Keep},
    {'G', G49, Group::Length, Does::Keep},
    {'G', G43_1, Group::Length, Does::Offset, Reason::Offset}, // a length from axis words
    {'G', G43_2, Group::Length, Does::Offset, Reason::Offset},
    {'G', G45, Group::NonModal, Does::Shift, Reason::Offset},
    {'G', G46, Group::NonModal, Does::Shift, Reason::Offset},
    {'G', G47, Group::NonModal, Does::Shift, Reason::Offset},
    {'G', G48, Group::NonModal, Does::Shift, Reason::Offset},
    // The program's own frame; G54.1 P numbers more of them.
    {'G', G54, Group::System, Does::Keep},
    {'G', G54_1, Group::System, Does::Keep},
    {'G', G55, Group::System, Does::Keep},
    {'G', G56, Group::System, Does::Keep},
    {'G', G57, Group::System, Does::Keep},
    {'G', G58, Group::System, Does::Keep},
    {'G', G59, Group::System, Does::Keep},
    {'G', G59_1, Group::System, Does::Keep},
    {'G', G59_2, Group::System, Does::Keep},
    {'G', G59_3, Group::System, Does::Keep},
    // Haas: G110 to G129, and G154 P1 to P99.
    {'G', G110, Group::System, Does::Keep},
    {'G', G111, Group::System, Does::Keep},
    {'G', G112, Group::System, Does::Keep},
    {'G', G113, Group::System, Does::Keep},
    {'G', G114, Group::System, Does::Keep},
    {'G', G115, Group::System, Does::Keep},
    {'G', G116, Group::System, Does::Keep},
    {'G', G117, Group::System, Does::Keep},
    {'G', G118, Group::System, Does::Keep},
    {'G', G119, Group::System, Does::Keep},
    {'G', G120, Group::System, Does::Keep},
    {'G', G121, Group::System, Does::Keep},
    {'G', G122, Group::System, Does::Keep},
    {'G', G123, Group::System, Does::Keep},
    {'G', G124, Group::System, Does::Keep},
    {'G', G125, Group::System, Does::Keep},
    {'G', G126, Group::System, Does::Keep},
    {'G', G127, Group::System, Does::Keep},
    {'G', G128, Group::System, Does::Keep},
    {'G', G129, Group::System, Does::Keep},
    {'G', G154, Group::System, Does::Keep},
    {'G', G61, Group::Path, Does::Keep},
    {'G', G61_1, Group::Path, Does::Keep},
    {'G', G64, Group::Path, Does::Keep},
    {'G', G103, Group::NonModal, Does::Keep}, // look-ahead
    {'G', G187, Group::NonModal, Does::Keep}, // smoothness
    {'G', G93, Group::Feed, Does::Keep},
    {'G', G94, Group::Feed, Does::Keep},
    {'G', G95, Group::Feed, Does::Keep},
    {'G', G96, Group::Spindle, Does::Keep},
    {'G', G97, Group::Spindle, Does::Keep},
    {'G', G7, Group::Lathe, Does::Keep},
    {'G', G8, Group::Lathe, Does::Keep},
    {'G', G22, Group::Stroke, Does::Keep},
    {'G', G23, Group::Stroke, Does::Keep},
    {'G', G15, Group::Polar, Does::Keep},
    {'G', G16, Group::Polar, Does::Polar},
    {'G', G50, Group::Scale, Does::Scale, Reason::Offset}, // a lathe's G92
    {'G', G51, Group::Scale, Does::Frame, Reason::Frame},
    {'G', G50_1, Group::Mirror, Does::Keep},
    {'G', G51_1, Group::Mirror, Does::Frame, Reason::Frame},
    {'G', G100, Group::Mirror, Does::Keep}, // Haas's mirror image off and on
    {'G', G101, Group::Mirror, Does::Frame, Reason::Frame},
    {'G', G68, Group::Rotation, Does::Rotate, Reason::Frame},
    {'G', G68_2, Group::Rotation, Does::Frame, Reason::Frame},
    {'G', G69, Group::Rotation, Does::Keep},
    {'M', M2, Group::None, Does::End},
    {'M', M30, Group::None, Does::End},
    {'M', M97, Group::None, Does::Call, Reason::Call},
    {'M', M98, Group::None, Does::Call, Reason::Call},
    {'M', M99, Group::None, Does::Call, Reason::Call},
    {'M', M89, Group::None, Does::Call, Reason::Call}, // a modal cycle call
    // Machine coordinates in another dialect's words.
    {'M', M91, Group::None, Does::Keep, Reason::ForeignMachine},
    {'M', M92, Group::None, Does::Keep, Reason::ForeignMachine},
};

inline constexpr std::uint16_t kCodeLimit = 2000; // G199.9

// The row of each G [0] and M [1] code below kCodeLimit, plus one; 0 when
// none.
inline constexpr auto kCodeRows = [] {
    std::array<std::array<std::uint8_t, kCodeLimit>, 2> rows{};
    for (std::size_t i = 0; i < std::size(kCodes); ++i)
        rows[kCodes[i].Letter == 'M'][kCodes[i].Code] = std::uint8_t(i + 1);
    return rows;
}();

// The row of a G or M code (times ten, the letter in either case) plus one;
// 0 when no row names it.
constexpr std::size_t CodeRow(char Letter, std::uint32_t Code) {
    const char letter = Letter >= 'a' ? char(Letter - 'a' + 'A') : Letter;
    if (Code >= kCodeLimit || (letter != 'G' && letter != 'M')) return 0;
    return kCodeRows[letter == 'M'][Code];
}

// The rule of a G or M code, or null.
inline const CodeRule* FindCode(char Letter, std::uint32_t Code) {
    const std::size_t row = CodeRow(Letter, Code);
    return row ? &kCodes[row - 1] : nullptr;
}

constexpr bool CodesFit() {
    if (std::size(kCodes) >= 255) return false;
    for (const auto& rule : kCodes)
        if (rule.Code >= kCodeLimit || (rule.Letter != 'G' && rule.Letter != 'M') ||
            (rule.Letter == 'M') != (rule.Modal == Group::None))
            return false;
    return true;
}
static_assert(CodesFit());

constexpr bool EachCodeOnce() {
    for (std::size_t i = 0; i < std::size(kCodes); ++i)
        if (CodeRow(kCodes[i].Letter, kCodes[i].Code) != i + 1) return false;
    return true;
}
static_assert(EachCodeOnce());

} // namespace vorlund
