#include "scan/NumFromStr.h"

#include "common/Error.h"
#include "common/Pow10.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>

namespace vorlund {

namespace {

// Doubles at or above this round to infinity as a float.
constexpr double kFloatOverflow = 0x1.ffffffp127;

} // namespace

void NumberReader::Reset() {
    mant_ = 0;
    count_ = 0;
    exp_ = 0;
    sticky_ = negative_ = anyDigit_ = dot_ = started_ = false;
}

bool NumberReader::Feed(char C) {
    if ((C == '+' || C == '-') && !started_) {
        negative_ = C == '-';
    } else if (C >= '0' && C <= '9') {
        AddDigit(C);
    } else if (C == '.' && !dot_) {
        dot_ = true;
    } else {
        return false;
    }
    started_ = true;
    return true;
}

void NumberReader::AddDigit(char C) {
    anyDigit_ = true;
    if (count_ == 0 && C == '0') { // leading zero
        exp_ -= dot_;
        return;
    }
    if (count_ < kMaxDigits) {
        if (count_ < 19) mant_ = mant_ * 10 + unsigned(C - '0');
        digits_[count_++] = C;
        exp_ -= dot_;
    } else {
        sticky_ |= C != '0';
        exp_ += !dot_;
    }
}

double NumberReader::ToDouble(bool& Overflow) const {
    Overflow = false;
    if (count_ == 0) return 0.0;
    // Clinger's fast path: both operands and the result are exact or correctly rounded.
    if (count_ <= 15 && exp_ >= -22 && exp_ <= 22) {
        double m = double(mant_);
        return exp_ < 0 ? m / kPow10[-exp_] : m * kPow10[exp_];
    }
    const std::int64_t magnitude = exp_ + count_; // value < 10^magnitude
    if (magnitude > 400) {
        Overflow = true;
        return 0.0;
    }
    if (magnitude < -400) return 0.0;
    // Dropped nonzero digits only matter as "a bit more than the digits held".
    char text[kMaxDigits + 32];
    int n = count_;
    std::copy(digits_, digits_ + n, text);
    std::int64_t e = exp_;
    if (sticky_) {
        text[n++] = '1';
        --e;
    }
    text[n++] = 'e';
    n = int(std::to_chars(text + n, text + sizeof text, e).ptr - text);
    double d = 0.0;
    auto [ptr, ec] = std::from_chars(text, text + n, d);
    if (ec == std::errc::result_out_of_range) {
        Overflow = magnitude > 0; // otherwise too small: reads as 0
        return 0.0;
    }
    return d;
}

std::optional<float> NumberReader::Value() const {
    bool overflow = false;
    double d = ToDouble(overflow);
    if (overflow || d >= kFloatOverflow) return std::nullopt;
    float f = d > FLT_MAX ? FLT_MAX : static_cast<float>(d);
    return negative_ && anyDigit_ ? -f : f;
}

std::optional<float> NumFromStr(std::string_view Line, std::int32_t StartPoz) {
    if (StartPoz < 1) throw Error("invalid start position " + std::to_string(StartPoz));
    NumberReader reader;
    for (std::size_t i = std::size_t(StartPoz) - 1; i < Line.size(); ++i) {
        if (!reader.Feed(Line[i])) break;
    }
    return reader.Value();
}

} // namespace vorlund
