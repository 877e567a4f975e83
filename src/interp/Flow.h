#pragma once

// What every reader's flow shares: the lines it reads and goes back to, the
// step budget that ends a program running away, and where labels stand.
// Calls and loops are in Calls.h.

#include "interp/Interpreter.h"
#include "interp/LineReader.h"
#include "interp/Machine.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

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

// The lines a reader runs: read on, each counted against the step budget,
// or gone back to; and whether the program has ended.
class Flow {
public:
    Flow(const ProgramSource& Source, const InterpLimits& Limits)
        : source_(Source), limits_(Limits), reader_(Source), budget_(Limits.Steps) {}

    const ProgramSource& Source() const { return source_; }
    const InterpLimits& Limits() const { return limits_; }

    // Runs Program, which returns what the run reached; a doubt thrown
    // anywhere in it stops the run, on its line or on the line being read.
    template <class Body> InterpResult Run(Body&& Program) {
        try {
            return Program();
        } catch (const Doubt& Why) {
            return Stopped(Why, reader_.Line());
        }
    }

    // The next line into Text; false at the program's end. A line too long
    // stops the run.
    bool Next(std::string_view& Text) {
        if (!NextLine(reader_, Text)) return false;
        budget_.Count(reader_, Text.size());
        return true;
    }
    // The next line, read ahead to look for one: false at the program's end
    // or at a line too long.
    bool Look(std::string_view& Text) {
        if (reader_.Next(Text) != LineReader::Status::Line) return false;
        budget_.Count(reader_, Text.size());
        return true;
    }
    void Spend(std::uint64_t Steps) { budget_.Spend(Steps); }

    std::int64_t Line() const { return reader_.Line(); } // of the line just read
    Place Here() const { return {reader_.Start(), reader_.Line()}; }
    Place Following() const { return {reader_.After(), reader_.Line() + 1}; }
    void Go(const Place& To) { reader_.Seek(To.Offset, To.Line); }

    void End() { ended_ = true; }
    bool Ended() const { return ended_; }

private:
    const ProgramSource& source_;
    InterpLimits limits_;
    LineReader reader_;
    StepBudget budget_;
    bool ended_ = false;
};

// Where a program's labels stand, by key: found by one pass over the whole
// program the first time a key is missing.
class Labels {
public:
    // Adds to Into the labels of Line, the line Reader has just read in the
    // pass.
    using Scan = std::function<void(std::string_view Line, const LineReader& Reader, Labels& Into)>;

    Labels(const ProgramSource& Source, Scan Lines) : source_(Source), scan_(std::move(Lines)) {}
    Labels(const Labels&) = delete;
    Labels& operator=(const Labels&) = delete;

    // Adds a place of Key: a key may stand at several.
    void Add(std::string_view Key, const Place& At);
    // Adds Key at At when it has no place yet: whether it had none.
    bool AddFirst(std::string_view Key, const Place& At);
    // The first place of Key; nullptr when the program has none.
    const Place* Find(std::string_view Key);
    // The first place of Key after Offset (Direction 1), the last at or
    // before it (-1), or either, after first (0); nullptr when none.
    const Place* Near(std::string_view Key, std::uint64_t Offset, int Direction);
    // The pass, unless it was made.
    void Index();

private:
    const Place* First(std::string_view Key) const;

    const ProgramSource& source_;
    Scan scan_;
    std::multimap<std::string, Place, std::less<>> places_; // of a key, in the order found
    bool indexed_ = false;
};

} // namespace vorlund
