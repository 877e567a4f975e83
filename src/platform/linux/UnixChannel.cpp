#include "platform/linux/UnixChannel.h"

#include "platform/linux/KeeperChannel.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace vorlund {

namespace {

constexpr int kRefusedPauseMs = 5;

void Pause(int Ms) {
    timespec pause{0, Ms * 1000000L};
    ::nanosleep(&pause, nullptr);
}

sockaddr_un Address(const std::string& Name, socklen_t& Size) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t length = std::min(Name.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, Name.data(), length);
    Size = socklen_t(offsetof(sockaddr_un, sun_path) + length);
    return address;
}

bool SameUser(int Fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(Fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

// Waits until Fd is readable; false on timeout (negative waits for ever).
bool Readable(int Fd, int TimeoutMs) {
    for (;;) {
        pollfd ready{Fd, POLLIN, 0};
        const int n = ::poll(&ready, 1, TimeoutMs);
        if (n < 0 && errno == EINTR) continue;
        return n > 0;
    }
}

// Reads Size bytes whole; false at the end of the link, on an error or when
// TimeoutMs passes between two pieces.
bool ReadAll(int Fd, char* Data, size_t Size, int TimeoutMs) {
    for (size_t done = 0; done < Size;) {
        if (!Readable(Fd, TimeoutMs)) return false;
        const ssize_t n = ::read(Fd, Data + done, Size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// Each message goes as its length, four bytes, then its bytes.
class UnixLink final : public GatherLink {
public:
    explicit UnixLink(int Fd) : fd_(Fd) {}
    ~UnixLink() override { ::close(fd_); }

    bool Send(const std::string& Message) override {
        const auto size = std::uint32_t(Message.size());
        std::string framed(reinterpret_cast<const char*>(&size), sizeof size);
        return SendAll(fd_, framed + Message);
    }

    std::optional<std::string> Receive(int TimeoutMs) override {
        std::uint32_t size = 0;
        if (!ReadAll(fd_, reinterpret_cast<char*>(&size), sizeof size, TimeoutMs))
            return std::nullopt;
        std::string message(size, '\0');
        if (!ReadAll(fd_, message.data(), size, TimeoutMs)) return std::nullopt;
        return message;
    }

private:
    int fd_;
};

} // namespace

UnixChannel::UnixChannel() {
    const char* display = std::getenv("DISPLAY");
    name_ = std::string(1, '\0') + "vorlund/gather/" + std::to_string(::getuid()) + "/" +
            (display ? display : "");
}

UnixChannel::~UnixChannel() {
    Release();
}

bool UnixChannel::Claim() {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    socklen_t size = 0;
    const sockaddr_un address = Address(name_, size);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return false;
    }
    listener_ = fd;
    return true;
}

std::unique_ptr<GatherLink> UnixChannel::Accept(int TimeoutMs) {
    while (listener_ >= 0 && Readable(listener_, TimeoutMs)) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        if (SameUser(fd)) return std::make_unique<UnixLink>(fd);
        ::close(fd);
    }
    return nullptr;
}

void UnixChannel::Release() {
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
}

std::unique_ptr<GatherLink> UnixChannel::Connect() {
    socklen_t size = 0;
    const sockaddr_un address = Address(name_, size);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0 && SameUser(fd))
        return std::make_unique<UnixLink>(fd);
    const int err = errno;
    ::close(fd);
    if (err == ECONNREFUSED) Pause(kRefusedPauseMs); // its holder may not listen yet
    return nullptr;
}

std::string UnixChannel::Absolute(const std::string& Path) {
    if (Path.starts_with('/')) return Path;
    char* folder = ::getcwd(nullptr, 0);
    if (!folder) return Path; // opening it will fail with its own message
    std::string path = std::string(folder) + "/" + Path;
    std::free(folder);
    return path;
}

} // namespace vorlund
