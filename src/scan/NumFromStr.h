#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vorlund {

// Reads a number one byte at a time: an optional sign, digits, at most one
// ".". Exact for any length: the value is the correctly rounded double,
// then rounded to float. Independent of the C locale.
class NumberReader {
public:
    void Reset();
    // False at the first byte that does not fit; that byte is not consumed.
    bool Feed(char C);
    // The value read so far: 0 without a digit, nullopt when out of the float range.
    std::optional<float> Value() const;
    bool AnyDigit() const { return anyDigit_; }
    bool Negative() const { return negative_; }

private:
    static constexpr int kMaxDigits = 800; // enough to round any double correctly
    void AddDigit(char C);
    double ToDouble(bool& Overflow) const;

    char digits_[kMaxDigits + 1];
    std::uint64_t mant_ = 0; // the first 19 significant digits
    int count_ = 0;          // significant digits held in digits_
    std::int64_t exp_ = 0;   // value = digits_ * 10^exp_
    bool sticky_ = false;    // a nonzero digit was dropped past kMaxDigits
    bool negative_ = false;
    bool anyDigit_ = false;
    bool dot_ = false;
    bool started_ = false;
};

// The number text of Line from the 1-based StartPoz on, read leniently:
// "Z-1,5" from 2 gives -1, "Z 3" from 2 gives 0. Nullopt when the number is
// out of the float range; throws Error when StartPoz < 1.
std::optional<float> NumFromStr(std::string_view Line, std::int32_t StartPoz);

} // namespace vorlund
