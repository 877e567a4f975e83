#pragma once

#include "common/Source.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorlund {

// What the program needs of the system; each OS implements these in a folder
// of its own. Paths and texts are UTF-8. Failures of files and the clipboard
// throw Error carrying the Fault: what happened, the system's error code and
// text, the file; src/app words it.

// A program file, open from its scan until DoneReading, and known by its
// identity until its rename.
class ProgramFile : public ProgramSource {
public:
    // Throws unless the file still has the size and modification time it had
    // when opened, and its path still names it.
    virtual void CheckUnchanged() const = 0;
    // Ends the reading: the first few hundred files stay open, the rest are
    // closed and keep only what identifies them (device and inode, or volume
    // and file index, with size and modification time), so that a run holds
    // a bounded number of files open. Nothing is read after it.
    virtual void DoneReading() = 0;
    // Renames the file to To, a full path; never replaces an existing To, and
    // throws when the path no longer names the file that was read, unchanged.
    virtual void RenameNoReplace(const std::string& To) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens the regular file at Path for reading.
    virtual std::unique_ptr<ProgramFile> Open(const std::string& Path) = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Makes Text the clipboard's only content, as plain text; it stays there
    // after the program has ended.
    virtual void SetText(const std::string& Text) = 0;
};

// The program's window and its dialogs.
class Window {
public:
    virtual ~Window() = default;
    // Shows Text in the value label.
    virtual void ShowMinZ(const std::string& Text) = 0;
    // One modal box, caption "Vorlund", listing Lines; returns when closed.
    virtual void ShowErrors(const std::vector<std::string>& Lines) = 0;
    // One question for the files whose depth is in doubt, Text listing them:
    // "Keep names", the default, or "Rename anyway" (true) for them all.
    virtual bool AskRename(const std::string& Text) = 0;
};

// One end of a link between two runs of the program: whole messages, in
// order, to a process of the same user.
class GatherLink {
public:
    virtual ~GatherLink() = default;
    // Sends Message whole; false when the other end has gone.
    virtual bool Send(const std::string& Message) = 0;
    // The next message; nullopt when the other end has gone or TimeoutMs
    // passed first (a negative TimeoutMs waits for as long as it takes).
    virtual std::optional<std::string> Receive(int TimeoutMs) = 0;
};

// Where runs started together, one per file, meet the run that gathers them:
// private to the user and the desktop session.
class GatherChannel {
public:
    virtual ~GatherChannel() = default;
    // True when this process now holds the channel; false while another does.
    virtual bool Claim() = 0;
    // The holder's next link, or nullptr when none came within TimeoutMs.
    virtual std::unique_ptr<GatherLink> Accept(int TimeoutMs) = 0;
    // Gives the channel up: the next run to come claims it.
    virtual void Release() = 0;
    // A link to the holder, or nullptr when none answers.
    virtual std::unique_ptr<GatherLink> Connect() = 0;
    // Path as seen from any folder: absolute, from this process's own.
    virtual std::string Absolute(const std::string& Path) = 0;
};

// The system as a whole, built by each OS's main.
class Platform {
public:
    virtual ~Platform() = default;
    virtual FileSystem& Files() = 0;
    // The user's decimal separator: "." or "," for most.
    virtual std::string DecimalSeparator() = 0;
    // True when errors and questions go to a dialog unless --no-dialog says
    // otherwise: nobody may read stderr (a file manager started the program).
    virtual bool DialogsWanted() = 0;
    // Text for stdout (help, version, a dry run's lines) and stderr.
    virtual void Print(const std::string& Text) = 0;
    virtual void PrintError(const std::string& Text) = 0;
    // Readies the clipboard for a run that tags; throws when there is none.
    // Called at most once, before Load.
    virtual Clipboard& OpenClipboard() = 0;
    // Creates the window, runs Step in its load step before the window could
    // be shown, then closes it and returns what Step returns, or ends the
    // program with that status where the toolkit's teardown would cost more
    // than the run (Qt): nothing may follow Load but returning its status.
    // Without Dialogs the window shows nothing at all, so it needs no screen.
    virtual int Load(bool Dialogs, const std::function<int(Window&)>& Step) = 0;
    // The channel that gathers runs started together; nullptr where none.
    virtual GatherChannel* Gathering() { return nullptr; }
};

} // namespace vorlund
