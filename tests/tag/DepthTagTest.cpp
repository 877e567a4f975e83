#include "tag/DepthTag.h"

#include <gtest/gtest.h>

using vorlund::DecimalText;
using vorlund::DepthTag;

TEST(DecimalText, SevenSignificantDigitsNoTrailingZeros) {
    const struct {
        float value;
        const char* separator;
        const char* text;
    } rows[] = {
        {12.5f, ".", "12.5"},
        {100.0f, ".", "100"},
        {1.0f / 3.0f, ".", "0.3333333"},
        {0.25f, ".", "0.25"},
        {0.0f, ".", "0"},
        {-0.0f, ".", "0"},
        {-12.5f, ".", "-12.5"},
        {0.1f, ".", "0.1"},
        {1234.5678f, ".", "1234.568"},
        {1234567.0f, ".", "1234567"},
        {0.001f, ".", "0.001"},
        {10000.0f, ".", "10000"},
        {9999.999f, ".", "9999.999"},
        {1e-5f, ".", "1e-05"},
        {12345678.0f, ".", "1.234568e+07"},
        {12.5f, ",", "12,5"},
        {-0.75f, "\xd9\xab",
         "-0\xd9\xab"
         "75"},
        {3.0f, ",", "3"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DecimalText(row.value, row.separator), row.text) << row.text;
    }
}

TEST(DepthTag, IsHAndTheMagnitude) {
    EXPECT_EQ(DepthTag(-12.5f, "."), "h12.5");
    EXPECT_EQ(DepthTag(-12.5f, ","), "h12,5");
    EXPECT_EQ(DepthTag(0.0f, "."), "h0");
    EXPECT_EQ(DepthTag(-0.0f, "."), "h0");
    EXPECT_EQ(DepthTag(-0.25f, "."), "h0.25");
    EXPECT_EQ(DepthTag(-3.0f, "."), "h3");
}
