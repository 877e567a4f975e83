#pragma once

#include "interp/Block.h"
#include "interp/Interpreter.h"

#include <cstdint>
#include <string>

namespace vorlund {

// What a block did to the run: nothing, or the reason it cannot be settled.
struct Outcome {
    Unsettled Reason = Unsettled::None;
    std::string Text; // the word or a short detail, as in InterpResult
};

// The modal state of a milling controller and the tool-tip Z it commands:
// units, distance mode, plane, motion mode, canned cycles, arcs. It knows
// nothing of parameters, o-words or subprograms; the runner hands it each
// block it executes, in order.
class Machine {
public:
    // Runs one block: its modes, then the move it commands.
    Outcome Run(const Block& Given);
    // The deepest tool-tip Z so far, never above 0, in the unit of the
    // first move; the line and what reached it.
    float MinZ() const;
    std::int64_t MinLine() const;
    DepthSource Source() const;
    // Whether any block has moved the tool.
    bool Moved() const;
    // The modes in force, for a runner that hands a cycle on and then the
    // motion back: G code times 10 (-1 when none), plane, G90.
    int Motion() const { return motion_; }
    int Plane() const { return plane_; }
    bool AbsoluteMode() const { return absolute_; }

private:
    Outcome Dispatch(const Block& Given);
    Outcome Modes(const Block& Given);
    Outcome Mode(const Block& Given, int Code);
    Outcome Frame10(const Block& Given);
    Outcome Frame52(const Block& Given);
    Outcome Rotate(const Block& Given);
    Outcome Move(const Block& Given);
    Outcome Linear(const Block& Given, bool Return);
    Outcome Arc(const Block& Given);
    Outcome Cycle(const Block& Given);
    Outcome Home(const Block& Given);
    Outcome InMachine(const Block& Given);
    // Whether the block's word for Axis is absolute.
    bool Absolute(const Block& Given, int Axis) const;
    // Whether the block moves Z incrementally from an unknown Z.
    bool FromUnknownZ(const Block& Given) const;
    Outcome IncrementalZ(const Block& Given) const;
    // Where the block's axis words take an axis, in program coordinates.
    double End(const Block& Given, int Axis) const;
    bool EndKnown(const Block& Given, int Axis) const;
    void Advance(const Block& Given);
    void Units(bool Inch);
    void Start();
    void Reach(double Z, std::int64_t Line, DepthSource From);

    int motion_ = -1; // G code times 10 in force; -1 when none
    int series_ = -1; // the canned cycle whose run of blocks goes on; -1 when none
    int plane_ = 170;
    int nonModal_ = 0; // G10, G28, G30, G43.1, G52, G53, G68 in this block
    bool absolute_ = true;
    bool arcAbsolute_ = false;
    bool inch_ = false;
    bool retractR_ = true; // G99; G98 returns to the initial level
    double pos_[3] = {};   // X, Y, Z in the current unit
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
