#include "interp/Machine.h"

#include <gtest/gtest.h>

namespace vorlund {
namespace {

TEST(MachineTest, LinearMoveBelowZero) {
    Machine m;
    Block b;
    b.Line = 2;
    b.G[b.GCount++] = 10;
    b.Has = 1u << ('Z' - 'A');
    b.Value['Z' - 'A'] = -2.5;
    EXPECT_EQ(m.Run(b).Reason, Unsettled::None);
    EXPECT_EQ(m.MinZ(), -2.5f);
    EXPECT_EQ(m.MinLine(), 2);
}

} // namespace
} // namespace vorlund
