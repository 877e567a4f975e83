#include "platform/windows/WindowsFileSystem.h"

#include "platform/OpenPlace.h"
#include "platform/windows/SystemError.h"
#include "platform/windows/Utf.h"

#include <windows.h>

#include <vector>

namespace vorlund {

namespace {

[[noreturn]] void Fail(Fault::Kind What, const std::string& Path) {
    throw Error(Fault(What, Path));
}

[[noreturn]] void Fail(const std::string& Path, DWORD Code) {
    throw Error(CodeFault(Fault::Kind::System, Path, Code));
}

[[noreturn]] void FailRename(const std::string& From, const std::string& To, DWORD Code) {
    throw Error(CodeFault(Fault::Kind::Rename, From, Code, To));
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

// A writer that rewrites the file, or appends to it, changes one of these.
bool SameContent(const BY_HANDLE_FILE_INFORMATION& A, const BY_HANDLE_FILE_INFORMATION& B) {
    return A.nFileSizeHigh == B.nFileSizeHigh && A.nFileSizeLow == B.nFileSizeLow &&
           ::CompareFileTime(&A.ftLastWriteTime, &B.ftLastWriteTime) == 0;
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
    WindowsProgramFile(std::string Path, std::wstring SystemPath, HANDLE Handle, bool CanDelete,
                       std::shared_ptr<std::size_t> Places)
        : path_(std::move(Path)), system_(std::move(SystemPath)), h_(Handle), canDelete_(CanDelete),
          place_(std::move(Places)) {
        // A device or a pipe opens too; only a file on a disk is a program.
        if (::GetFileType(h_) != FILE_TYPE_DISK) Fail(Fault::Kind::NotRegularFile, path_);
        if (!::GetFileInformationByHandle(h_, &opened_)) Fail(path_, ::GetLastError());
        if (opened_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Fail(Fault::Kind::IsDirectory, path_);
    }
    ~WindowsProgramFile() override {
        if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
    }
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
        if (h_ == INVALID_HANDLE_VALUE) Fail(path_, ERROR_INVALID_HANDLE); // after DoneReading
        if (!::ReadFile(h_, Buffer, want, &got, &at)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_HANDLE_EOF) return 0;
            Fail(path_, code);
        }
        return got;
    }

    // The path must still name the file that was opened, as it was opened;
    // a writer that moves another file into its name changes its identity.
    void CheckUnchanged() const override {
        BY_HANDLE_FILE_INFORMATION named{};
        if (!Named(system_, named) || !SameFile(named, opened_) || !SameContent(named, opened_))
            Fail(Fault::Kind::Changed, path_);
    }

    // Past the places left, the handle goes; volume, file index, size and
    // write time stay for the rename's check.
    void DoneReading() override {
        if (h_ == INVALID_HANDLE_VALUE || place_.Take()) return;
        ::CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

    // Through the handle that was read, while it is kept: another file moved
    // into the name in the meantime is not the one renamed. Else by path,
    // once the path is seen to name that same, unchanged file. Never
    // replaces To.
    void RenameNoReplace(const std::string& To) override {
        BY_HANDLE_FILE_INFORMATION named{};
        if (Named(system_, named)) {
            if (!SameFile(named, opened_)) Fail(Fault::Kind::Replaced, path_);
            if (!SameContent(named, opened_)) Fail(Fault::Kind::Changed, path_);
        }
        if (canDelete_ && h_ != INVALID_HANDLE_VALUE) {
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
    OpenPlace place_;
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
        if (IsDirectory(system)) Fail(Fault::Kind::IsDirectory, Path);
        Fail(Path, code);
    }
    try {
        return std::make_unique<WindowsProgramFile>(Path, system, h, canDelete, places_);
    } catch (...) {
        ::CloseHandle(h);
        throw;
    }
}

} // namespace vorlund
