#include "platform/windows/WindowsFileSystem.h"

#include "common/Error.h"
#include "common/Quote.h"
#include "platform/windows/Utf.h"

#include <windows.h>

#include <vector>

namespace vorlund {

namespace {

[[noreturn]] void Fail(const std::string& Path, const std::string& Reason) {
    throw Error(QuoteName(Path) + ": " + Reason);
}

[[noreturn]] void FailRename(const std::string& From, const std::string& To, DWORD Code) {
    throw Error(QuoteName(From) + ": cannot rename to " + QuoteName(To) + ": " + Reason(Code));
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// DELETE lets the rename go through this handle; where the user may read
// but not delete, or another program shares no delete, the plain rename is
// tried later.
HANDLE OpenShared(const std::wstring& Path, bool& CanDelete) {
    CanDelete = true;
    HANDLE h = ::CreateFileW(Path.c_str(), GENERIC_READ | DELETE, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD code = h == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION) {
        CanDelete = false;
        h = ::CreateFileW(Path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    return h;
}

bool IsDirectory(const std::wstring& Path) {
    const DWORD attributes = ::GetFileAttributesW(Path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& A, const BY_HANDLE_FILE_INFORMATION& B) {
    return A.dwVolumeSerialNumber == B.dwVolumeSerialNumber &&
           A.nFileIndexHigh == B.nFileIndexHigh && A.nFileIndexLow == B.nFileIndexLow;
}

// What the path names now; false when it names nothing that can be asked.
bool Named(const std::wstring& Path, BY_HANDLE_FILE_INFORMATION& Info) {
    HANDLE h = ::CreateFileW(Path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::GetFileInformationByHandle(h, &Info);
    ::CloseHandle(h);
    return ok;
}

class WindowsProgramFile : public ProgramFile {
public:
    WindowsProgramFile(std::string Path, std::wstring SystemPath, HANDLE Handle, bool CanDelete)
        : path_(std::move(Path)), system_(std::move(SystemPath)), h_(Handle),
          canDelete_(CanDelete) {
        // A device or a pipe opens too; only a file on a disk is a program.
        if (::GetFileType(h_) != FILE_TYPE_DISK) Fail(path_, "not a regular file");
        if (!::GetFileInformationByHandle(h_, &opened_)) Fail(path_, Reason(::GetLastError()));
        if (opened_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Fail(path_, "is a directory");
    }
    ~WindowsProgramFile() override { ::CloseHandle(h_); }
    WindowsProgramFile(const WindowsProgramFile&) = delete;
    WindowsProgramFile& operator=(const WindowsProgramFile&) = delete;

    std::uint64_t Size() const override {
        return (std::uint64_t(opened_.nFileSizeHigh) << 32) | opened_.nFileSizeLow;
    }

    // The offset travels with each call, so threads share the handle safely.
    std::size_t ReadAt(std::uint64_t Offset, char* Buffer, std::size_t Length) const override {
        OVERLAPPED at{};
        at.Offset = DWORD(Offset);
        at.OffsetHigh = DWORD(Offset >> 32);
        const DWORD want = Length > 0x40000000 ? 0x40000000 : DWORD(Length);
        DWORD got = 0;
        if (!::ReadFile(h_, Buffer, want, &got, &at)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_HANDLE_EOF) return 0;
            Fail(path_, Reason(code));
        }
        return got;
    }

    // A writer that rewrites the file, or appends to it, or moves another
    // file into its name, changes one of these.
    void CheckUnchanged() const override {
        BY_HANDLE_FILE_INFORMATION now{};
        BY_HANDLE_FILE_INFORMATION named{};
        if (!::GetFileInformationByHandle(h_, &now) || now.nFileSizeHigh != opened_.nFileSizeHigh ||
            now.nFileSizeLow != opened_.nFileSizeLow ||
            ::CompareFileTime(&now.ftLastWriteTime, &opened_.ftLastWriteTime) != 0 ||
            !Named(system_, named) || !SameFile(named, opened_))
            Fail(path_, "changed while it was read; try again when it is complete");
    }

    // Through the handle that was read: another file moved into the name in
    // the meantime is not the one renamed. Never replaces To.
    void RenameNoReplace(const std::string& To) override {
        BY_HANDLE_FILE_INFORMATION named{};
        if (Named(system_, named) && !SameFile(named, opened_))
            Fail(path_, "replaced while it was read");
        if (canDelete_) {
            // A full path: a bare name would be taken relative to the current folder.
            const std::wstring name = FullPath(SystemPath(To));
            std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
            auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
            info->ReplaceIfExists = FALSE;
            info->RootDirectory = nullptr;
            info->FileNameLength = DWORD(name.size() * sizeof(wchar_t));
            name.copy(info->FileName, name.size());
            if (::SetFileInformationByHandle(h_, FileRenameInfo, info, DWORD(buffer.size())))
                return;
            const DWORD code = ::GetLastError();
            if (code != ERROR_INVALID_PARAMETER && code != ERROR_NOT_SUPPORTED &&
                code != ERROR_INVALID_FUNCTION && code != ERROR_CALL_NOT_IMPLEMENTED)
                FailRename(path_, To, code);
        }
        // Without MOVEFILE_REPLACE_EXISTING an existing To is refused.
        if (!::MoveFileExW(system_.c_str(), SystemPath(To).c_str(), 0))
            FailRename(path_, To, ::GetLastError());
    }

private:
    std::string path_;
    std::wstring system_;
    HANDLE h_;
    bool canDelete_;
    BY_HANDLE_FILE_INFORMATION opened_{};
};

} // namespace

std::unique_ptr<ProgramFile> WindowsFileSystem::Open(const std::string& Path) {
    const std::wstring system = SystemPath(Path);
    bool canDelete = false;
    HANDLE h = OpenShared(system, canDelete);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        // A folder cannot be opened as a file; say so rather than "denied".
        if (IsDirectory(system)) Fail(Path, "is a directory");
        Fail(Path, Reason(code));
    }
    try {
        return std::make_unique<WindowsProgramFile>(Path, system, h, canDelete);
    } catch (...) {
        ::CloseHandle(h);
        throw;
    }
}

} // namespace vorlund
