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

private:
    int motion_ = -1; // G code times 10; -1 when none is in force
    bool absolute_ = true;
    bool zKnown_ = false;
    double z_ = 0.0;
    double minZ_ = 0.0;
    std::int64_t minLine_ = 0;
    DepthSource source_ = DepthSource::Move;
    bool moved_ = false;
};

} // namespace vorlund
