#pragma once

#include "platform/Platform.h"

#include <string>

namespace vorlund {

// The gathering channel of Linux: an abstract Unix socket named for the user
// and the display, so it vanishes with its holder and leaves nothing stale.
// Each end checks that the other runs as the same user.
class UnixChannel : public GatherChannel {
public:
    UnixChannel();
    ~UnixChannel() override;

    bool Claim() override;
    std::unique_ptr<GatherLink> Accept(int TimeoutMs) override;
    void Release() override;
    std::unique_ptr<GatherLink> Connect() override;
    std::string Absolute(const std::string& Path) override;

private:
    std::string name_; // abstract: begins with a NUL
    int listener_ = -1;
};

} // namespace vorlund
