#include "app/Messages.h"

#include "common/Quote.h"

namespace vorlund {

std::string ReasonWords(const Fault& Facts) {
    switch (Facts.Means) {
    case Fault::Cause::NotFound:
        return "No such file or directory";
    case Fault::Cause::Exists:
        return "File exists";
    case Fault::Cause::Denied:
        return "Permission denied";
    case Fault::Cause::InUse:
        return "in use by another program";
    case Fault::Cause::CrossDevice:
        return "Invalid cross-device link";
    case Fault::Cause::Other:
        break;
    }
    if (!Facts.Reason.empty()) return Facts.Reason;
    return "error " + std::to_string(Facts.Code);
}

std::string Message(const Error& E) {
    if (!E.Facts()) return E.what();
    const Fault& facts = *E.Facts();
    const std::string path = QuoteName(facts.Path);
    switch (facts.What) {
    case Fault::Kind::System:
        break;
    case Fault::Kind::IsDirectory:
        return path + ": is a directory";
    case Fault::Kind::NotRegularFile:
        return path + ": not a regular file";
    case Fault::Kind::Changed:
        return path + ": changed while it was read; try again when it is complete";
    case Fault::Kind::Replaced:
        return path + ": replaced while it was read";
    case Fault::Kind::Rename:
        return path + ": cannot rename to " + QuoteName(facts.To) + ": " + ReasonWords(facts);
    case Fault::Kind::Clipboard:
        return "cannot put the depth tag on the clipboard: " + ReasonWords(facts);
    case Fault::Kind::NoDisplay:
        return "no X display: cannot put the depth tag on the clipboard";
    }
    return path + ": " + ReasonWords(facts);
}

} // namespace vorlund
