#pragma once

// What every reader's flow shares: where a line starts, and the step budget
// that ends a program running away.

#include "interp/Interpreter.h"
#include "interp/LineReader.h"
#include "interp/Machine.h"
#include "interp/Params.h"

#include <cstdint>
#include <string>

namespace vorlund {

// The next line into Text; false at the program's end. A line too long
// stops the run.
inline bool NextLine(LineReader& Reader, std::string_view& Text) {
    const LineReader::Status status = Reader.Next(Text);
    if (status == LineReader::Status::TooLong) Fail(Reason::Error, "line too long");
    return status == LineReader::Status::Line;
}

// What a run that stopped reports: its reason, on its line or else on the
// line being read.
inline InterpResult Stopped(Doubt Why, std::int64_t Reading) {
    if (!Why.Line) Why.Line = Reading;
    return {std::move(Why), 0.0f, 0, DepthSource::Move};
}

// What a run that ended reports: the deepest point the machine reached.
inline InterpResult Reached(const Machine& Done) {
    return {{}, Done.MinZ(), Done.MinLine(), Done.Source()};
}

// A line to go back to: a body, a label, a loop's start.
struct Place {
    std::uint64_t Offset = 0;
    std::int64_t Line = 0;
};

// Counts the blocks run again by calls, loops and jumps, a long line as one
// per 64 bytes: reading on through new lines ends on its own. Past the
// limit the run stops as a runaway.
class StepBudget {
public:
    explicit StepBudget(std::uint64_t Limit) : limit_(Limit) {}

    // The line Reader has just read, Length bytes long.
    void Count(const LineReader& Reader, std::size_t Length) {
        if (Reader.Start() >= high_) {
            high_ = Reader.After();
            return;
        }
        Spend(1 + Length / 64);
    }
    // Steps of other work: a pass looking for a label.
    void Spend(std::uint64_t Steps) {
        steps_ += Steps;
        if (steps_ > limit_)
            Fail(Reason::Runaway, "no end after " + std::to_string(limit_) + " blocks");
    }

private:
    std::uint64_t limit_;
    std::uint64_t high_ = 0; // the end of the furthest line read
    std::uint64_t steps_ = 0;
};

} // namespace vorlund
