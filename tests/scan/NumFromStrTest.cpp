#include "scan/NumFromStr.h"
#include "common/Error.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <string>

using vorlund::NumFromStr;

namespace {

struct Row {
    std::string line;
    float value;
};

// The position just after the line's first Z.
std::int32_t AfterZ(const std::string& Line) {
    return std::int32_t(Line.find('Z')) + 2;
}

// Independent reference: the correctly rounded double, then float.
float Reference(const std::string& Digits) {
    double d = 0;
    std::from_chars(Digits.data(), Digits.data() + Digits.size(), d);
    return static_cast<float>(d);
}

} // namespace

TEST(NumFromStr, ReadsLeniently) {
    const Row rows[] = {
        {"G1 X10 Y5 Z-5.5 F100", -5.5f},
        {"G0Z-2.000", -2.0f},
        {"Z+2", 2.0f},
        {"Z-.5", -0.5f},
        {"Z-1,5", -1.0f},
        {"Z12/2", 12.0f},
        {"Z5-3", 5.0f},
        {"Z 3", 0.0f},
        {"(Z MAX) Z-4", 0.0f},
        {"Z", 0.0f},
        {"Z-", 0.0f},
        {"Z.", 0.0f},
        {"Z-.", 0.0f},
        {"Z+-5", 0.0f},
        {"Z1.2.3", 1.2f},
        {"Z5.", 5.0f},
        {"Z007.50", 7.5f},
        {"Z1e5", 1.0f},
        {"Z0.1", 0.1f},
        {"Z-0.0001", -0.0001f},
        {"Z123456789", 123456789.0f},
    };
    for (const auto& row : rows) {
        const auto value = NumFromStr(row.line, AfterZ(row.line));
        ASSERT_TRUE(value) << row.line;
        EXPECT_EQ(*value, row.value) << row.line;
    }
}

TEST(NumFromStr, RoundsLikeDoubleThenFloat) {
    const std::string many(900, '7');
    const std::string cases[] = {
        "3.14159265358979323846264338327950288419716939937510",
        "0."
        "000000000000000000000000000000000000011754942106924410754870294448492873488270524287458933"
        "338571745305715888704756189042",
        many,
        "0." + many,
        "1" + std::string(30, '0') + "." + many,
        "9007199254740993." + std::string(820, '0') + "1",
        "16777217.000000000000000000000000001",
    };
    for (const auto& digits : cases) {
        const std::string line = "Z" + digits;
        const auto value = NumFromStr(line, 2);
        if (digits.size() == many.size()) {
            EXPECT_FALSE(value) << "900 digits are out of range";
            continue;
        }
        ASSERT_TRUE(value) << digits;
        EXPECT_EQ(*value, Reference(digits)) << digits;
    }
}

TEST(NumFromStr, TellsOverflowFromUnderflow) {
    struct Case {
        std::string text;
        std::optional<float> value;
    };
    const Case cases[] = {
        {std::string(40, '9'), std::nullopt},
        {"-" + std::string(40, '9'), std::nullopt},
        {"340282360000000000000000000000000000000", std::nullopt}, // rounds to inf
        {"340282350000000000000000000000000000000", FLT_MAX},      // rounds to FLT_MAX
        {"-340282350000000000000000000000000000000", -FLT_MAX},
        {"1" + std::string(400, '0'), std::nullopt},
        {"0." + std::string(400, '0') + "1", 0.0f},
        {"-0." + std::string(400, '0') + "1", -0.0f},
        {"0." + std::string(44, '0') + "1", static_cast<float>(1e-45)},
        {"0." + std::string(5000, '0') + "9", 0.0f},
    };
    for (const auto& c : cases) {
        const auto value = NumFromStr("Z" + c.text, 2);
        EXPECT_EQ(value.has_value(), c.value.has_value()) << c.text.substr(0, 50);
        if (value && c.value) {
            EXPECT_EQ(*value, *c.value) << c.text.substr(0, 50);
        }
    }
}

TEST(NumFromStr, StartPositionIsOneBased) {
    EXPECT_EQ(NumFromStr("12Z-3", 4), -3.0f);
    EXPECT_EQ(NumFromStr("12Z-3", 1), 12.0f);
    EXPECT_EQ(NumFromStr("Z-3", 4), 0.0f) << "past the end reads 0";
    EXPECT_EQ(NumFromStr("Z-3", 400), 0.0f);
    EXPECT_EQ(NumFromStr("", 1), 0.0f);
    EXPECT_THROW(NumFromStr("Z-3", 0), vorlund::Error);
    EXPECT_THROW(NumFromStr("Z-3", -5), vorlund::Error);
}
