#pragma once

#include <stdexcept>

namespace vorlund {

// The one error type: an expected failure with a message fit for the user,
// e.g. "PART1.TAP: line 12: number out of range".
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace vorlund
