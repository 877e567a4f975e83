#pragma once

#include "platform/Platform.h"

#include <string>

namespace vorlund {

// The gathering channel of Windows: a mutex in the session's namespace,
// named for the user, is the claim; its holder serves a named pipe named for
// the user and the session. Both vanish with the processes that hold them.
class PipeChannel : public GatherChannel {
public:
    PipeChannel();
    ~PipeChannel() override;

    bool Claim() override;
    std::unique_ptr<GatherLink> Accept(int TimeoutMs) override;
    void Release() override;
    std::unique_ptr<GatherLink> Connect() override;
    std::string Absolute(const std::string& Path) override;

private:
    bool Listen(); // a new pipe instance, waiting for the next run

    std::wstring mutexName_, pipeName_;
    void* mutex_ = nullptr;
    void* pending_ = nullptr;   // the instance that waits for a run
    void* connected_ = nullptr; // an event, set when a run has come to it
    struct Wait;
    Wait* wait_ = nullptr; // the pending instance's overlapped connect
};

} // namespace vorlund
