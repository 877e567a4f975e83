#pragma once

#include "platform/Platform.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorlund {

// The files one run tags, as they come: its own, then those of each run
// started with it.
class FileFeed {
public:
    virtual ~FileFeed() = default;
    // The next files to tag; nullopt once no more will come.
    virtual std::optional<std::vector<std::string>> Next() = 0;
    // The status of each file Next gave last: kAsking for those that wait
    // for the run's end.
    virtual void Tagged(const std::vector<int>& Status) = 0;
    // The final status of every file, in the order Next gave them; returns
    // the process's exit status. Called before the run could end the process.
    virtual int Finish(const std::vector<int>& Status) = 0;
};

// Tags what Feed gives as one run and returns what Feed.Finish returns.
using RunFeed = std::function<int(FileFeed& Feed)>;

struct GatherTimes {
    // How long the gatherer waits for one more run once it has tagged the
    // files it has: Explorer may start them 50 to 100 ms apart, a slow PC
    // whose antivirus checks each start more. Only the dialogs wait for it.
    int QuietMs = 1000;
    // How long the gatherer waits for a run's answer while taking its files.
    int AnswerMs = 2000;
};

// Runs Files alone: one batch, and the status they earn together.
int RunAlone(const std::vector<std::string>& Files, const RunFeed& Run);

// The files of a run that a file manager started, tagged together with
// those of the runs started with it. The first claims the channel and tags
// its own files at once, then each run's files as they come, until none has
// come for the quiet time; then it lets the channel go, asks its one question
// and shows its one dialog, and tells each run the status its files earned.
// The others hand their files over and exit with that status. Only runs given
// the same Options (those that change what a run does to a file) are gathered.
// A run whose hand-over fails tags its files itself, those the gatherer had
// not finished when it ended: the gatherer tells each run which of its files
// it has tagged as soon as it has, so a file it renamed is not tagged again;
// and it lets a link go only once it has reported or not taken its files, or
// when it has ended, so no rename of it is pending.
int Gather(const std::vector<std::string>& Files, const std::string& Options,
           GatherChannel& Channel, const RunFeed& Run, const GatherTimes& Times = {});

} // namespace vorlund
