#include "app/Gather.h"

#include "app/StartupRun.h"

#include <optional>

namespace vorlund {

namespace {

// What goes over a link: the sender's files, "F", its Options, then each
// absolute path, each ending in a NUL; the gatherer's "+" (taken); the
// sender's "+" (given); the gatherer's report, "=" and the status.
constexpr char kFiles = 'F';
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

// Appends a sender's files to Files once it has given them; files given
// with other options than Options are not taken.
bool Take(GatherLink& Link, const std::string& Options, int AnswerMs,
          std::vector<std::string>& Files) {
    const auto message = Link.Receive(AnswerMs);
    const std::string head = kFiles + Options + '\0';
    if (!message || !message->starts_with(head) || message->back() != '\0') return false;
    if (!Link.Send("+")) return false;
    if (Link.Receive(AnswerMs) != "+") return false;
    for (size_t start = head.size(), end; start < message->size(); start = end + 1) {
        end = message->find('\0', start);
        Files.push_back(message->substr(start, end - start));
    }
    return true;
}

int Slice(const std::vector<int>& Status, size_t First, size_t Count) {
    return CombinedStatus({Status.begin() + long(First), Status.begin() + long(First + Count)});
}

int Lead(const std::vector<std::string>& Files, const std::string& Options, GatherChannel& Channel,
         const RunFiles& Run, const GatherTimes& Times) {
    struct Sender {
        std::unique_ptr<GatherLink> Link;
        size_t First, Count;
    };
    std::vector<std::string> all = Files;
    std::vector<Sender> senders;
    while (auto link = Channel.Accept(Times.QuietMs)) {
        const size_t first = all.size();
        if (Take(*link, Options, Times.AnswerMs, all))
            senders.push_back({std::move(link), first, all.size() - first});
    }
    Channel.Release(); // a file that comes now begins a gather of its own
    return Run(all, [&](const std::vector<int>& Status) {
        for (auto& sender : senders)
            sender.Link->Send(kReport + std::to_string(Slice(Status, sender.First, sender.Count)));
        return Slice(Status, 0, Files.size());
    });
}

// The status the gatherer reports for the files of Message; nullopt when it
// did not take them or ended before it reported.
std::optional<int> HandOver(GatherLink& Link, const std::string& Message, int AnswerMs) {
    if (!Link.Send(Message)) return std::nullopt;
    if (Link.Receive(AnswerMs) != "+" || !Link.Send("+")) return std::nullopt;
    const auto report = Link.Receive(-1); // a question may be open for long
    if (!report || report->size() != 2 || report->front() != kReport) return std::nullopt;
    return (*report)[1] - '0';
}

} // namespace

int Gather(const std::vector<std::string>& Files, const std::string& Options,
           GatherChannel& Channel, const RunFiles& Run, const GatherTimes& Times) {
    std::optional<std::string> message; // only a run that hands over needs it
    for (int i = 0; i < kTries; ++i) {
        if (Channel.Claim()) return Lead(Files, Options, Channel, Run, Times);
        if (auto link = Channel.Connect()) {
            if (!message) message = FilesMessage(Files, Options, Channel);
            if (const auto status = HandOver(*link, *message, Times.AnswerMs)) return *status;
        }
    }
    return Run(Files, CombinedStatus);
}

} // namespace vorlund
