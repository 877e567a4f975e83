#pragma once

#include "common/Codes.h"
#include "interp/Block.h"
#include "interp/Interpreter.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace vorlund {

// The modal state of a milling controller and the tool-tip Z it commands:
// units, distance mode, plane, motion mode, canned cycles, arcs. It knows
// nothing of parameters, o-words or subprograms; the runner hands it each
// block it executes, in order.
class Machine {
public:
    // Runs one block: its modes, then the move it commands. Throws a Doubt
    // where the depth cannot be settled.
    void Run(const Block& Given);
    // The deepest tool-tip Z so far, never above 0, in the unit of the
    // first move; the line and what reached it.
    float MinZ() const;
    std::int64_t MinLine() const;
    DepthSource Source() const;
    // Whether any block has moved the tool.
    bool Moved() const;
    // The lathe's profile cycle (G70 to G72, times 10) the last block gave; 0
    // when none.
    int ProfileCycle() const {
        return nonModal_ && FindCode('G', nonModal_)->Effect == Does::Profile ? nonModal_ : 0;
    }
    // Each point reached may be passed by By below: a facing cycle retracts
    // away from the stock along its profile.
    void Overshoot(double By) { overshoot_ = By; }
    // The tool is somewhere the program does not say: after a profile cycle.
    void Forget();
    // The state a program may read (#<_metric>, #<_z>, #5422): whether Name
    // or Number is such a value, NaN where the run cannot know it.
    bool Named(std::string_view Name, double& Value) const;
    bool Numbered(int Number, double& Value) const;
    // The modes in force, for a runner that hands a cycle on and then the
    // motion back: G code times 10 (-1 when none), plane, G90.
    int Motion() const { return motion_; }
    int Plane() const { return plane_; }
    bool AbsoluteMode() const { return absolute_; }

private:
    double FanucModal(int Group) const;
    void Dispatch(const Block& Given);
    void Act(const Block& Given);
    void Modes(const Block& Given);
    void Mode(const Block& Given, const CodeRule& Rule);
    void SetOffset(const Block& Given, int Code);
    void ToolShift(const Block& Given);
    void Probe(const Block& Given);
    void Polar(const Block& Given);
    void Frame10(const Block& Given);
    void Frame52(const Block& Given);
    void Frame50(const Block& Given);
    void Frame92(const Block& Given, int Code);
    void Origin(const Block& Given, double* Offset, int Code);
    void Shift(double* Offset, int Axis, double To);
    void Keep(const CodeRule& Rule);
    void Settings(const Block& Given);
    double Position(int Axis) const;
    void Rotate(const Block& Given);
    void Move(const Block& Given);
    void Linear(const Block& Given, bool Return);
    void Arc(const Block& Given);
    void Cycle(const Block& Given);
    void Home(const Block& Given);
    void InMachine(const Block& Given);
    // Whether the block's word for Axis is absolute.
    bool Absolute(const Block& Given, int Axis) const;
    // Whether the block moves Z incrementally from an unknown Z.
    bool FromUnknownZ(const Block& Given) const;
    [[noreturn]] void IncrementalZ(const Block& Given) const;
    // Where the block's axis words take an axis, in program coordinates.
    double End(const Block& Given, int Axis) const;
    bool EndKnown(const Block& Given, int Axis) const;
    void Advance(const Block& Given);
    void Units(bool Inch);
    void Start();
    void Reach(double Z, std::int64_t Line, DepthSource From);

    int motion_ = -1; // G code times 10 in force; -1 when none
    int series_ = -1; // the canned cycle whose run of blocks goes on; -1 when none
    int plane_ = G17;
    int nonModal_ = 0; // G10, G28, G30, G43.1, G52, G53, G68 in this block
    bool absolute_ = true;
    bool polar_ = false; // G16: X and Y are a radius and an angle
    bool arcAbsolute_ = false;
    bool inch_ = false;
    bool retractR_ = true; // G99; G98 returns to the initial level
    double pos_[3] = {};   // X, Y, Z in the current unit, program coordinates
    // The program's own offsets from the frame it started in: G52 and G92
    // (one offset, as LinuxCNC keeps them), G10 L20 on the active system,
    // and what G92.3 restores. An X or Y offset set where the axis was
    // unknown is unknown; a Z one is a doubt.
    double local_[3] = {}, work_[3] = {}, saved_[3] = {};
    bool shiftKnown_[3] = {true, true, true};
    double shiftZ_ = 0.0; // local_ and work_ in Z
    double overshoot_ = 0.0;
    // Modes and settings that move nothing, for the program to read.
    static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
    int ccomp_ = G40, feedMode_ = G94, spindleMode_ = G97, lengthOffset_ = G49;
    int coordSystem_ = -1, lathe_ = -1; // -1: as the machine was left
    bool turning_ = false;              // a lathe's code was given: G50 S, G70 to G72, G75
    double feed_ = kUnknown, rpm_ = kUnknown, spindle_ = kUnknown, mist_ = kUnknown,
           flood_ = kUnknown, selected_ = kUnknown, tool_ = kUnknown;
    bool known_[3] = {true, true, false};
    double initial_ = 0.0; // the Z where a run of canned cycles started
    bool initialKnown_ = false;
    double cycleR_ = 0.0, cycleDepth_ = 0.0; // the R and depth words kept
    bool moved_ = false;
    bool overflow_ = false;  // a Z beyond what a float holds
    bool firstInch_ = false; // the unit of the first move
    double minZ_ = 0.0;
    std::int64_t minLine_ = 0;
    DepthSource source_ = DepthSource::Move;
};

} // namespace vorlund
