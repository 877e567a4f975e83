#include "platform/windows/PipeChannel.h"

#include "platform/windows/Utf.h"

#include <windows.h>

#include <sddl.h>

#include <cstdint>
#include <vector>

namespace vorlund {

struct PipeChannel::Wait {
    OVERLAPPED Overlapped{};
};

namespace {

constexpr DWORD kBufferSize = 64 * 1024;
constexpr int kConnectTries = 20; // while no instance is there; each waits kConnectPauseMs
constexpr DWORD kConnectPauseMs = 10;

// The user's SID, or else the user's name.
std::wstring UserKey() {
    std::wstring key;
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<BYTE> user(size);
        wchar_t* sid = nullptr;
        if (size && ::GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
            ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
            key = sid;
            ::LocalFree(sid);
        }
        ::CloseHandle(token);
    }
    if (key.empty()) {
        wchar_t name[257] = {};
        DWORD size = 257;
        if (::GetUserNameW(name, &size)) key = name;
    }
    return key;
}

// Waits for an overlapped transfer on H; false when it failed, or when
// TimeoutMs (negative: no limit) passed first, which cancels it.
bool Finish(HANDLE H, OVERLAPPED& Io, BOOL Started, int TimeoutMs, DWORD& Done) {
    if (!Started && ::GetLastError() != ERROR_IO_PENDING) return false;
    const DWORD limit = TimeoutMs < 0 ? INFINITE : DWORD(TimeoutMs);
    if (::WaitForSingleObject(Io.hEvent, limit) != WAIT_OBJECT_0) {
        ::CancelIo(H);
        ::GetOverlappedResult(H, &Io, &Done, TRUE);
        return false;
    }
    return ::GetOverlappedResult(H, &Io, &Done, FALSE);
}

// Each message goes as its length, four bytes, then its bytes.
class PipeLink final : public GatherLink {
public:
    explicit PipeLink(HANDLE Pipe)
        : pipe_(Pipe), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~PipeLink() override {
        ::CloseHandle(pipe_);
        if (event_) ::CloseHandle(event_);
    }

    bool Send(const std::string& Message) override {
        const auto size = std::uint32_t(Message.size());
        const std::string framed =
            std::string(reinterpret_cast<const char*>(&size), sizeof size) + Message;
        for (size_t done = 0; done < framed.size();) {
            OVERLAPPED io{};
            io.hEvent = event_;
            DWORD n = 0;
            const BOOL started =
                ::WriteFile(pipe_, framed.data() + done, DWORD(framed.size() - done), nullptr, &io);
            if (!Finish(pipe_, io, started, -1, n) || n == 0) return false;
            done += n;
        }
        return true;
    }

    std::optional<std::string> Receive(int TimeoutMs) override {
        std::uint32_t size = 0;
        if (!Read(reinterpret_cast<char*>(&size), sizeof size, TimeoutMs)) return std::nullopt;
        std::string message(size, '\0');
        if (!Read(message.data(), size, TimeoutMs)) return std::nullopt;
        return message;
    }

private:
    bool Read(char* Data, size_t Size, int TimeoutMs) {
        for (size_t done = 0; done < Size;) {
            OVERLAPPED io{};
            io.hEvent = event_;
            DWORD n = 0;
            const BOOL started = ::ReadFile(pipe_, Data + done, DWORD(Size - done), nullptr, &io);
            if (!Finish(pipe_, io, started, TimeoutMs, n) || n == 0) return false;
            done += n;
        }
        return true;
    }

    HANDLE pipe_;
    HANDLE event_;
};

} // namespace

PipeChannel::PipeChannel() {
    const std::wstring user = UserKey();
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    mutexName_ = L"Local\\Vorlund.Gather." + user;
    pipeName_ = L"\\\\.\\pipe\\Vorlund.Gather." + user + L"." + std::to_wstring(session);
}

PipeChannel::~PipeChannel() {
    Release();
}

bool PipeChannel::Claim() {
    mutex_ = ::CreateMutexW(nullptr, FALSE, mutexName_.c_str());
    if (!mutex_) return false;
    const DWORD got = ::WaitForSingleObject(mutex_, 0);
    if ((got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) && Listen()) return true;
    if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
    mutex_ = nullptr;
    return false;
}

// Earlier holders' links may still be open on the same name: any number of
// instances, each served by whoever made it.
bool PipeChannel::Listen() {
    HANDLE pipe = ::CreateNamedPipeW(
        pipeName_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return false;
    if (!connected_) connected_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!wait_) wait_ = new Wait;
    wait_->Overlapped = {};
    wait_->Overlapped.hEvent = connected_;
    ::ResetEvent(connected_);
    if (!::ConnectNamedPipe(pipe, &wait_->Overlapped)) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_PIPE_CONNECTED) {
            ::SetEvent(connected_);
        } else if (err != ERROR_IO_PENDING) {
            ::CloseHandle(pipe);
            return false;
        }
    }
    pending_ = pipe;
    return true;
}

std::unique_ptr<GatherLink> PipeChannel::Accept(int TimeoutMs) {
    if (!pending_ || ::WaitForSingleObject(connected_, DWORD(TimeoutMs)) != WAIT_OBJECT_0)
        return nullptr;
    auto link = std::make_unique<PipeLink>(pending_);
    pending_ = nullptr;
    Listen(); // without a new instance, later runs find no gatherer and run alone
    return link;
}

void PipeChannel::Release() {
    if (pending_) {
        ::CancelIo(pending_);
        ::CloseHandle(pending_);
        pending_ = nullptr;
    }
    if (mutex_) {
        ::ReleaseMutex(mutex_);
        ::CloseHandle(mutex_);
        mutex_ = nullptr;
    }
    if (connected_) ::CloseHandle(connected_);
    connected_ = nullptr;
    delete wait_;
    wait_ = nullptr;
}

std::unique_ptr<GatherLink> PipeChannel::Connect() {
    for (int i = 0; i < kConnectTries;) {
        HANDLE pipe = ::CreateFileW(
            pipeName_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return std::make_unique<PipeLink>(pipe);
        const DWORD err = ::GetLastError();
        if (err == ERROR_PIPE_BUSY) { // its holder tags files: it comes back to us
            ::WaitNamedPipeW(pipeName_.c_str(), kConnectPauseMs);
        } else if (err == ERROR_FILE_NOT_FOUND) { // its holder has no instance yet
            ::Sleep(kConnectPauseMs);
            ++i;
        } else {
            return nullptr;
        }
        // The holder may have let the channel go: then claim it.
        HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, mutexName_.c_str());
        if (!mutex) return nullptr;
        const DWORD held = ::WaitForSingleObject(mutex, 0);
        if (held == WAIT_OBJECT_0 || held == WAIT_ABANDONED) ::ReleaseMutex(mutex);
        ::CloseHandle(mutex);
        if (held != WAIT_TIMEOUT) return nullptr;
    }
    return nullptr;
}

std::string PipeChannel::Absolute(const std::string& Path) {
    return Narrow(FullPath(Widen(Path)));
}

} // namespace vorlund
