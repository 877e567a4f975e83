#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace vorlund {

// What a system call on a file or the clipboard reported, as facts: the
// sentence the user reads is worded in src/app (Messages.h), the same on
// every system.
struct Fault {
    enum class Kind {
        System,         // a call on Path failed for Reason
        IsDirectory,    // Path names a folder
        NotRegularFile, // Path names a device, a pipe or a socket
        Changed,        // the file at Path changed while it was read
        Replaced,       // Path names another file than the one read
        Rename,         // renaming Path to To failed for Reason
        Clipboard,      // the clipboard refused the text for Reason
        NoDisplay,      // no display to hold the clipboard
    };
    // What the system's error code means, where the words depend on it.
    enum class Cause { Other, NotFound, Exists, Denied, InUse, CrossDevice };

    explicit Fault(Kind What, std::string Path = "") : What(What), Path(std::move(Path)) {}

    Kind What;
    std::string Path; // the file as given; empty for the clipboard
    std::string To;   // a rename's new path
    Cause Means = Cause::Other;
    long Code = 0;      // errno or a Windows error code; 0 when there is none
    std::string Reason; // the system's text for Code, or the port's own
};

// The one error type: an expected failure. Its message is fit for the user
// ("PART1.TAP: line 12: number out of range"), or it carries the Fault of a
// system call, which src/app words.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit Error(Fault Facts) : std::runtime_error(Facts.Reason), fault_(std::move(Facts)) {}

    const std::optional<Fault>& Facts() const { return fault_; }

private:
    std::optional<Fault> fault_;
};

} // namespace vorlund
