#pragma once

#include <cstddef>
#include <memory>
#include <utility>

namespace vorlund {

// A file system keeps a number of places for files that stay open once read:
// the first files read take one each and give it back when they go; the rest
// are closed once read, so a run of any size keeps under the open-file limit.
class OpenPlace {
public:
    explicit OpenPlace(std::shared_ptr<std::size_t> Left) : left_(std::move(Left)) {}
    ~OpenPlace() {
        if (held_) ++*left_;
    }
    OpenPlace(const OpenPlace&) = delete;
    OpenPlace& operator=(const OpenPlace&) = delete;

    // Whether the file may stay open: from the first true on, it holds a place.
    bool Take() {
        if (!held_ && *left_ > 0) {
            --*left_;
            held_ = true;
        }
        return held_;
    }

private:
    std::shared_ptr<std::size_t> left_;
    bool held_ = false;
};

} // namespace vorlund
