#include "platform/linux/Errno.h"

#include <cerrno>
#include <cstring>

namespace vorlund {

namespace {

Fault::Cause CauseOf(int Err) {
    switch (Err) {
    case ENOENT:
        return Fault::Cause::NotFound;
    case EEXIST:
        return Fault::Cause::Exists;
    case EACCES:
        return Fault::Cause::Denied;
    case EXDEV:
        return Fault::Cause::CrossDevice;
    }
    return Fault::Cause::Other;
}

} // namespace

Fault ErrnoFault(Fault::Kind What, const std::string& Path, int Err, const std::string& To) {
    Fault facts(What, Path);
    facts.To = To;
    facts.Means = CauseOf(Err);
    facts.Code = Err;
    if (Err) facts.Reason = std::strerror(Err);
    return facts;
}

} // namespace vorlund
