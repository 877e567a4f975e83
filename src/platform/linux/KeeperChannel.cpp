#include "platform/linux/KeeperChannel.h"

#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace vorlund {

// Each text ends with a NUL, so a program that dies while sending it leaves
// the keeper with the text before rather than with part of one.
bool ReadText(int Fd, std::string& Text) {
    Text.clear();
    char buffer[4096];
    while (Text.empty() || Text.back() != '\0') {
        const ssize_t n = ::read(Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        Text.append(buffer, size_t(n));
    }
    Text.pop_back();
    return true;
}

bool SendAll(int Fd, const std::string& Data) {
    for (size_t done = 0; done < Data.size();) {
        const ssize_t n = ::send(Fd, Data.data() + done, Data.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        done += size_t(n);
    }
    return true;
}

namespace {

long long NowMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

} // namespace

// "+" once the keeper owns the clipboard, "!" and the reason when it cannot,
// "" when it ended or timed out without a word.
std::string Answer(int Fd, int TimeoutMs) {
    std::string answer;
    const long long deadline = NowMs() + TimeoutMs;
    while (answer != "+") {
        pollfd ready{Fd, POLLIN, 0};
        const long long left = deadline - NowMs();
        if (left <= 0 || ::poll(&ready, 1, int(left)) == 0) return "";
        char buffer[256];
        const ssize_t n = ::read(Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        answer.append(buffer, size_t(n));
    }
    return answer;
}

} // namespace vorlund
