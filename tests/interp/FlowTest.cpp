#include "interp/Flow.h"
#include "interp/Calls.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vorlund {
namespace {

// Each line is a label named by its text.
constexpr std::string_view kProgram = "A\nB\nA\nC\n"; // lines at offsets 0, 2, 4, 6

struct Counted {
    int passes = 0, lines = 0;
    Labels::Scan Scan() {
        return [this](std::string_view Line, const LineReader& Reader, Labels& Into) {
            passes += Reader.Line() == 1;
            ++lines;
            Into.Add(Line, {Reader.Start(), Reader.Line()});
        };
    }
};

std::int64_t LineOf(const Place* At) {
    return At ? At->Line : 0;
}

TEST(FlowTest, LabelsNearAPlace) {
    const struct {
        const char* key;
        std::uint64_t offset;
        int direction;
        std::int64_t line; // 0: none
    } rows[] = {
        {"A", 0, 1, 3},  {"A", 0, -1, 1}, {"A", 0, 0, 3}, {"A", 4, 1, 0},
        {"A", 4, 0, 3},  {"A", 3, -1, 1}, {"B", 6, 0, 2}, {"B", 6, 1, 0},
        {"C", 0, -1, 0}, {"C", 0, 0, 4},  {"Z", 0, 0, 0},
    };
    const test::MemorySource source(kProgram);
    Counted counted;
    Labels labels(source, counted.Scan());
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " from " + std::to_string(row.offset));
        EXPECT_EQ(LineOf(labels.Near(row.key, row.offset, row.direction)), row.line);
    }
    EXPECT_EQ(counted.passes, 1);
}

// One pass, made only when a key is missing; a key's first place wins.
TEST(FlowTest, LabelsIndexedOnceWhenMissing) {
    const test::MemorySource source(kProgram);
    Counted counted;
    Labels labels(source, counted.Scan());
    EXPECT_TRUE(labels.AddFirst("B", {99, 9}));
    EXPECT_FALSE(labels.AddFirst("B", {100, 10}));
    EXPECT_EQ(LineOf(labels.Find("B")), 9);
    EXPECT_EQ(counted.passes, 0);
    EXPECT_EQ(LineOf(labels.Find("A")), 1);
    EXPECT_EQ(LineOf(labels.Find("Z")), 0);
    EXPECT_EQ(LineOf(labels.Find("B")), 9);
    EXPECT_EQ(counted.passes, 1);
    EXPECT_EQ(counted.lines, 4);
}

// The lines a run reads, in order, while Act moves the flow after each.
std::string Lines(Flow& F, int Count, const std::function<void(std::string_view)>& Act) {
    std::string read;
    std::string_view text;
    for (int i = 0; i < Count && F.Next(text); ++i) {
        read += text;
        Act(text);
    }
    return read;
}

// "A" calls "C" twice over, which returns at "D"; nested no deeper than 2.
TEST(FlowTest, CallsRepeatAndReturn) {
    const test::MemorySource source("A\nB\nC\nD\n");
    Flow flow(source, {100, 2});
    CallStack<> calls(2, "calls");
    const std::string read = Lines(flow, 8, [&](std::string_view Text) {
        if (Text == "A") calls.Call(flow, {4, 3}, 2, 7);
        if (Text == "D" && !calls.Empty() && !calls.Again(flow)) calls.Return(flow);
    });
    EXPECT_EQ(read, "ACDCDBCD");
    EXPECT_TRUE(calls.Empty());

    calls.Call(flow, {0, 1}, 1, 0);
    EXPECT_EQ(calls.Loops(), 0u);
    calls.Call(flow, {0, 1}, 1, 3);
    EXPECT_EQ(calls.Loops(), 3u);
    try {
        calls.Call(flow, {0, 1}, 1, 0);
        FAIL() << "a third call";
    } catch (const Doubt& Why) {
        EXPECT_EQ(Why.Why, Reason::Runaway);
        EXPECT_EQ(Why.Text, "calls nested deeper than 2");
    }
    calls.Resize(1);
    calls.Resize(3); // empty frames join
    EXPECT_EQ(calls.Size(), 3u);
    EXPECT_EQ(calls.Top().Loops, 0u);
}

TEST(FlowTest, LoopsByNameAboveAFloor) {
    LoopStack<int> loops;
    for (const char* name : {"a", "b", "a", "c"})
        loops.Open({0, {std::uint64_t(loops.Size()) * 10, 0}, {}, 0.0, name});
    EXPECT_EQ(loops.Find("a", 0)->Head.Offset, 20u);
    EXPECT_EQ(loops.Find("a", 3), nullptr);
    EXPECT_EQ(loops.Find("b", 1)->Head.Offset, 10u);
    EXPECT_EQ(loops.Find("d", 0), nullptr);
    loops.CloseInside(loops.Find("a", 0));
    EXPECT_EQ(loops.Size(), 3u);
    loops.CloseFrom(10);
    EXPECT_EQ(loops.Size(), 1u);
    loops.Close(loops.Find("a", 0));
    EXPECT_EQ(loops.Size(), 0u);
}

// Lines read again count against the budget; reading ahead stops at a line
// too long, where reading on stops the run.
TEST(FlowTest, BudgetAndLongLines) {
    const test::MemorySource source("A\nB\n");
    Flow flow(source, {3, 1});
    EXPECT_THROW(Lines(flow, 10, [&](std::string_view) { flow.Go({0, 1}); }), Doubt);

    const std::string longLine = "A\n" + std::string(LineReader::kMaxLine + 1, 'x') + "\n";
    const test::MemorySource longSource(longLine);
    Flow look(longSource, {100, 1}), next(longSource, {100, 1});
    std::string_view text;
    EXPECT_TRUE(look.Look(text) && next.Next(text));
    EXPECT_FALSE(look.Look(text));
    EXPECT_THROW(next.Next(text), Doubt);
}

} // namespace
} // namespace vorlund
