#pragma once

// The table rows the dialect readers' tests share: a program and what its
// run reports, a cycle's bottom, the dialect a file is read in.

#include "interp/Dialect.h"
#include "interp/Interpreter.h"
#include "support/MemorySource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

namespace vorlund::test {

struct ProgramRow {
    const char* what;
    const char* program; // after the dialect's first line, line 1
    Reason reason;
    double minZ;       // when settled
    std::int64_t line; // MinLine when settled, else the reason's line (-1: any)
    const char* text = "";
    DepthSource source = DepthSource::Move;
};

// Whether R reports what Row says: the depth, its line and what reached it,
// or the reason, its line and a part of its words.
inline void ExpectRun(const InterpResult& R, const ProgramRow& Row) {
    EXPECT_EQ(R.Unsure.Why, Row.reason) << R.Unsure.Text;
    if (Row.reason == Reason::None) {
        EXPECT_FLOAT_EQ(R.MinZ, float(Row.minZ));
        EXPECT_EQ(R.MinLine, Row.line);
        EXPECT_EQ(R.Source, Row.source);
    } else {
        if (Row.line >= 0) {
            EXPECT_EQ(R.Unsure.Line, Row.line);
        }
        EXPECT_NE(R.Unsure.Text.find(Row.text), std::string::npos) << R.Unsure.Text;
    }
}

// Whether R settled at a cycle's bottom.
inline void ExpectBottom(const InterpResult& R, double Bottom) {
    EXPECT_EQ(R.Unsure.Why, Reason::None) << R.Unsure.Text;
    EXPECT_FLOAT_EQ(R.MinZ, float(Bottom));
    EXPECT_EQ(R.Source, DepthSource::CycleBottom);
}

struct DialectRow {
    const char* program;
    Dialect dialect;
};

inline void ExpectDialects(std::initializer_list<DialectRow> Rows) {
    for (const DialectRow& row : Rows) {
        SCOPED_TRACE(row.program);
        EXPECT_EQ(DialectOf(MemorySource(row.program)), row.dialect);
    }
}

} // namespace vorlund::test
