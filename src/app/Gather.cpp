#include "app/Gather.h"

#include "app/StartupRun.h"

namespace vorlund {

namespace {

// What goes over a link: the sender's files, "F", its Options, then each
// absolute path, each ending in a NUL; the gatherer's "+" (taken); the
// sender's "+" (given); once the gatherer has tagged them, "~" and a status
// per file, '?' for a file that waits for the question; its report, "=" and
// the status of them all.
constexpr char kFiles = 'F';
constexpr char kTagged = '~';
constexpr char kWaits = '?';
constexpr char kReport = '=';
constexpr int kTries = 5; // the gatherer may let the channel go as we come

std::string FilesMessage(const std::vector<std::string>& Files, const std::string& Options,
                         GatherChannel& Channel) {
    std::string message = kFiles + Options + '\0';
    for (const auto& file : Files) {
        message += Channel.Absolute(PathFromArgument(file));
        message += '\0';
    }
    return message;
}

// A sender's files once it has given them; files given with other options
// than Options are not taken.
std::optional<std::vector<std::string>> Take(GatherLink& Link, const std::string& Options,
                                             int AnswerMs) {
    const auto message = Link.Receive(AnswerMs);
    const std::string head = kFiles + Options + '\0';
    if (!message || !message->starts_with(head) || message->back() != '\0') return std::nullopt;
    if (!Link.Send("+") || Link.Receive(AnswerMs) != "+") return std::nullopt;
    std::vector<std::string> files;
    for (size_t start = head.size(), end; start < message->size(); start = end + 1) {
        end = message->find('\0', start);
        files.push_back(message->substr(start, end - start));
    }
    return files;
}

int Slice(const std::vector<int>& Status, size_t First, size_t Count) {
    return CombinedStatus({Status.begin() + long(First), Status.begin() + long(First + Count)});
}

class Alone final : public FileFeed {
public:
    explicit Alone(const std::vector<std::string>& Files) : files_(Files) {}
    std::optional<std::vector<std::string>> Next() override {
        if (given_) return std::nullopt;
        given_ = true;
        return files_;
    }
    void Tagged(const std::vector<int>&) override {}
    int Finish(const std::vector<int>& Status) override { return CombinedStatus(Status); }

private:
    const std::vector<std::string>& files_;
    bool given_ = false;
};

// The gatherer's feed: its own files, then each sender's as it comes.
class Gatherer final : public FileFeed {
public:
    Gatherer(const std::vector<std::string>& Files, const std::string& Options,
             GatherChannel& Channel, const GatherTimes& Times)
        : files_(Files), options_(Options), channel_(Channel), times_(Times) {}

    std::optional<std::vector<std::string>> Next() override {
        if (!begun_) {
            begun_ = true;
            count_ = files_.size();
            return files_;
        }
        current_ = nullptr;
        while (auto link = channel_.Accept(times_.QuietMs)) {
            auto files = Take(*link, options_, times_.AnswerMs);
            if (!files) continue;
            senders_.push_back({std::move(link), count_, files->size()});
            count_ += files->size();
            current_ = senders_.back().Link.get();
            return files;
        }
        Release(); // a file that comes now begins a gather of its own
        return std::nullopt;
    }

    void Tagged(const std::vector<int>& Status) override {
        if (!current_) return; // our own
        std::string message(1, kTagged);
        for (const int each : Status)
            message += each == kAsking ? kWaits : char('0' + each);
        current_->Send(message);
    }

    int Finish(const std::vector<int>& Status) override {
        Release();
        for (auto& sender : senders_)
            sender.Link->Send(kReport + std::to_string(Slice(Status, sender.First, sender.Count)));
        return Slice(Status, 0, files_.size());
    }

private:
    void Release() {
        if (held_) channel_.Release();
        held_ = false;
    }

    struct Sender {
        std::unique_ptr<GatherLink> Link;
        size_t First, Count;
    };
    const std::vector<std::string>& files_;
    const std::string& options_;
    GatherChannel& channel_;
    const GatherTimes& times_;
    bool held_ = true;
    bool begun_ = false;
    size_t count_ = 0; // files given so far
    std::vector<Sender> senders_;
    GatherLink* current_ = nullptr; // the sender of the files given last
};

// What a gatherer said of the files handed over: the status of them all, or
// else the status of each it had tagged, "" when it said neither.
struct Handed {
    std::optional<int> Status;
    std::string Tagged;
};

Handed HandOver(GatherLink& Link, const std::string& Message, size_t Count) {
    Handed handed;
    // The gatherer takes them once it has tagged the files it had: no limit,
    // since a gatherer that ends or lets the channel go closes the link.
    if (!Link.Send(Message) || Link.Receive(-1) != "+" || !Link.Send("+")) return handed;
    for (;;) {
        const auto message = Link.Receive(-1); // a question may be open for long
        if (!message || message->empty()) return handed;
        if (message->front() == kTagged && message->size() == Count + 1) {
            handed.Tagged = message->substr(1);
            continue;
        }
        if (message->size() == 2 && message->front() == kReport)
            handed.Status = (*message)[1] - '0';
        return handed;
    }
}

} // namespace

int RunAlone(const std::vector<std::string>& Files, const RunFeed& Run) {
    Alone feed(Files);
    return Run(feed);
}

int Gather(const std::vector<std::string>& Files, const std::string& Options,
           GatherChannel& Channel, const RunFeed& Run, const GatherTimes& Times) {
    std::vector<std::string> files = Files;
    std::vector<int> done; // of the files a gatherer tagged before it ended
    const auto with = [&](int Status) {
        done.push_back(Status);
        return CombinedStatus(done);
    };
    std::optional<std::string> message; // only a run that hands over needs it
    for (int i = 0; i < kTries; ++i) {
        if (Channel.Claim()) {
            Gatherer feed(files, Options, Channel, Times);
            return with(Run(feed));
        }
        const auto link = Channel.Connect();
        if (!link) continue;
        if (!message) message = FilesMessage(files, Options, Channel);
        const Handed handed = HandOver(*link, *message, files.size());
        if (handed.Status) return with(*handed.Status);
        if (handed.Tagged.empty()) continue;
        std::vector<std::string> left; // those that waited for its question
        for (size_t f = 0; f < files.size(); ++f) {
            if (handed.Tagged[f] == kWaits)
                left.push_back(files[f]);
            else
                done.push_back(handed.Tagged[f] - '0');
        }
        if (left.empty()) return CombinedStatus(done);
        files = std::move(left);
        message.reset();
    }
    return with(RunAlone(files, Run));
}

} // namespace vorlund
