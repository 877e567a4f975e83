#include "platform/windows/SystemError.h"

#include "platform/windows/Utf.h"

#include <windows.h>

namespace vorlund {

Fault::Cause CauseOf(unsigned long Code) {
    switch (Code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return Fault::Cause::NotFound;
    case ERROR_ACCESS_DENIED:
        return Fault::Cause::Denied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return Fault::Cause::Exists;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return Fault::Cause::InUse;
    case ERROR_NOT_SAME_DEVICE:
        return Fault::Cause::CrossDevice;
    }
    return Fault::Cause::Other;
}

std::string SystemText(unsigned long Code) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, Code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = n ? Narrow({text, n}) : "";
    if (text) ::LocalFree(text);
    // The system's sentences end with a full stop and a line end.
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == '.' || reason.back() == ' '))
        reason.pop_back();
    return reason.empty() ? "error " + std::to_string(Code) : reason;
}

Fault CodeFault(Fault::Kind What, const std::string& Path, unsigned long Code,
                const std::string& To) {
    Fault facts(What, Path);
    facts.To = To;
    facts.Means = CauseOf(Code);
    facts.Code = long(Code);
    facts.Reason = SystemText(Code);
    return facts;
}

} // namespace vorlund
