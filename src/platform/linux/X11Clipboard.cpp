#include "platform/linux/X11Clipboard.h"

#include "common/Error.h"
#include "platform/linux/Errno.h"
#include "platform/linux/KeeperChannel.h"
#include "platform/linux/SelectionOwner.h"

#include <cerrno>
#include <csignal>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace vorlund {

namespace {

constexpr int kChannel = 3; // the keeper's end, after Detach

// Its own session, standard streams on /dev/null and no other descriptor
// of the program's, so that neither a terminal nor `x=$(vorlund f)` waits
// for it.
void Detach(int Channel) {
    ::setsid();
    ::dup2(Channel, kChannel); // first: Channel may be 0 to 2 when those were closed
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd)
        ::dup2(null, fd);
    ::close_range(kChannel + 1, ~0U, 0);
    ::signal(SIGPIPE, SIG_IGN);
}

[[noreturn]] void Keep(int Channel) {
    Detach(Channel);
    std::string text;
    if (!ReadText(kChannel, text)) ::_exit(0); // the program ended with no tag
    if (::chdir("/") != 0) ::_exit(1);
    try {
        SelectionOwner owner;
        for (;;) {
            const bool held = owner.Own(std::move(text));
            SendAll(kChannel, "+");
            // Serves until the program sends more or ends; without the
            // clipboard, only waits for the program.
            const bool serving = held && owner.Serve(kChannel);
            if (ReadText(kChannel, text)) continue;
            ::close(kChannel);
            if (serving) owner.Serve();
            break;
        }
    } catch (const Error& e) {
        SendAll(kChannel, std::string("!") + e.what());
    }
    ::_exit(0);
}

// Err when the system gave one, else the keeper's reason.
[[noreturn]] void Fail(int Err, const std::string& Reason = "") {
    Fault facts = ErrnoFault(Fault::Kind::Clipboard, "", Err);
    if (!Err) facts.Reason = Reason;
    throw Error(std::move(facts));
}

} // namespace

X11Clipboard::X11Clipboard() {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        startError_ = errno;
        return;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        Keep(ends[1]);
    }
    if (pid < 0) startError_ = errno;
    ::close(ends[1]);
    if (pid < 0) {
        ::close(ends[0]);
        return;
    }
    keeper_ = pid;
    channel_ = ends[0];
}

X11Clipboard::~X11Clipboard() {
    Stop();
}

void X11Clipboard::SetText(const std::string& Text) {
    if (keeper_ < 0) Fail(startError_, "the keeper has ended");
    if (!SendAll(channel_, Text + '\0')) {
        const int err = errno;
        Kill();
        Fail(err);
    }
    const std::string answer = Answer(channel_);
    if (answer == "+") {
        serving_ = true; // it lives on, on its own once the channel closes
        return;
    }
    Kill();
    Fail(0, answer.size() > 1 ? answer.substr(1) : "no answer from the clipboard keeper");
}

void X11Clipboard::Kill() {
    ::kill(keeper_, SIGKILL);
    serving_ = false;
    Stop();
}

// Lets a serving keeper go on alone; ends one that has no text (it sees the
// channel close and exits) or was killed.
void X11Clipboard::Stop() {
    if (channel_ >= 0) ::close(channel_);
    if (keeper_ > 0 && !serving_)
        while (::waitpid(keeper_, nullptr, 0) < 0 && errno == EINTR) {
        }
    channel_ = keeper_ = -1;
    serving_ = false;
}

} // namespace vorlund
