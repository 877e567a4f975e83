#pragma once

#include "platform/Platform.h"

#include <functional>
#include <string>
#include <vector>

namespace vorlund {

// Turns the status each file of a run earned into the process's exit status.
using FinishRun = std::function<int(const std::vector<int>& Status)>;
// Tags Files as one run and returns what Finish returns; Finish is called
// before the run could end the process.
using RunFiles = std::function<int(const std::vector<std::string>& Files, const FinishRun& Finish)>;

struct GatherTimes {
    // How long the gatherer waits for one more run: Explorer may start them
    // 50 to 100 ms apart on a slow PC. The only cost a single file pays.
    int QuietMs = 250;
    // How long either end waits for the other's answer while handing over.
    int AnswerMs = 2000;
};

// The files of a run that a file manager started, tagged together with
// those of the runs started with it. The first claims the channel, takes
// the others' files until none has come for the quiet time, then tags them
// all in one run, in the order they came, and tells each run the status its
// files earned. The others hand their files over and exit with that status.
// Only runs given the same Options (those that change what a run does to a
// file) are gathered. A run whose hand-over fails, before or after the gatherer took its files,
// tags them itself: the gatherer lets a link go only once it has reported or
// not taken its files, or when it has ended, so no rename of it is pending
// and a file it renamed is no longer found under its old name.
int Gather(const std::vector<std::string>& Files, const std::string& Options,
           GatherChannel& Channel, const RunFiles& Run, const GatherTimes& Times = {});

} // namespace vorlund
