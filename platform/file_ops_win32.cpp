// The file calls on Windows, through the Win32 API. A descriptor is an index
// into a table of handles; Windows error codes are translated to the errno
// values the rest of the program reads.
#include "platform/file_ops_win32.h"

#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/file_ops.h"

namespace qa {

namespace {

// Every record file is locked on one byte far past any end it will reach,
// not on its text: Windows locks are mandatory, and a lock on the text would
// keep our own second handle (the torn-tail check reads through one) and any
// reader from the file while a recording is written. Our writers and readers
// all lock this byte, so they wait for each other as flock makes them.
constexpr ULONGLONG kLockByte = ULONGLONG{1} << 62;

template <typename T> T failWith(DWORD error, T result)
{
    errno = win32::errnoOf(error);
    return result;
}

bool isDirectory(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void fill(FileInfo& info, const BY_HANDLE_FILE_INFORMATION& fi)
{
    info.size = static_cast<std::int64_t>((ULONGLONG{fi.nFileSizeHigh} << 32) | fi.nFileSizeLow);
    info.directory = (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.kind = info.directory ? FileKind::Directory : FileKind::Regular;
    info.device = fi.dwVolumeSerialNumber;
    info.id = (std::uint64_t{fi.nFileIndexHigh} << 32) | fi.nFileIndexLow;
}

OVERLAPPED at(ULONGLONG offset)
{
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return ov;
}

// One call moves at most this much; a caller sees the rest as a short read
// or write.
DWORD chunk(std::size_t len)
{
    return len > 0x40000000u ? 0x40000000u : static_cast<DWORD>(len);
}

// kOpenNoFollow needs nothing here: the per-user folder under
// %LOCALAPPDATA% is private through its parent's permissions, so no other
// account can place a link in it.
class Win32FileOps final : public FileOps {
public:
    int open(const std::string& path, unsigned flags) override
    {
        std::wstring wide;
        if (!win32::widePath(path, wide))
            return -1;
        // Our own writers and readers open the same files at once, and a
        // journal is removed while its handle is still open.
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        if (flags & kOpenDirectory) {
            HANDLE h = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            if (h == INVALID_HANDLE_VALUE)
                return failWith(GetLastError(), -1);
            return add({h, false, true});
        }
        const bool append = flags & kOpenAppend;
        const bool writing = append || (flags & kOpenWrite);
        DWORD access = 0;
        if ((flags & kOpenRead) || !writing)
            access |= GENERIC_READ;
        // An append handle also gets write access: the cut-back after a
        // failure (SetEndOfFile) needs it. Its writes still go to the end of
        // the file in one step each (see write).
        if (writing)
            access |= GENERIC_WRITE | FILE_APPEND_DATA;
        DWORD disposition = OPEN_EXISTING;
        if ((flags & kOpenCreate) && (flags & kOpenExclusive))
            disposition = CREATE_NEW;
        else if ((flags & kOpenCreate) && (flags & kOpenTruncate))
            disposition = CREATE_ALWAYS;
        else if (flags & kOpenCreate)
            disposition = OPEN_ALWAYS;
        else if (flags & kOpenTruncate)
            disposition = TRUNCATE_EXISTING;
        HANDLE h = CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            // A folder where a file should be is refused as "access denied";
            // POSIX says "is a directory", and so do we.
            if (error == ERROR_ACCESS_DENIED && isDirectory(wide)) {
                errno = EISDIR;
                return -1;
            }
            return failWith(error, -1);
        }
        return add({h, append, false});
    }

    std::int64_t read(int fd, void* buf, std::size_t len) override
    {
        const Entry e = get(fd);
        if (!e.handle)
            return -1;
        DWORD n = 0;
        if (!ReadFile(e.handle, buf, chunk(len), &n, nullptr))
            return endOrFailure(GetLastError());
        return n;
    }

    std::int64_t write(int fd, const void* buf, std::size_t len) override
    {
        const Entry e = get(fd);
        if (!e.handle)
            return -1;
        DWORD n = 0;
        // The end-of-file offset makes the system find the end at the write
        // itself, as O_APPEND does.
        OVERLAPPED end = at(~ULONGLONG{0});
        if (!WriteFile(e.handle, buf, chunk(len), &n, e.append ? &end : nullptr))
            return failWith(GetLastError(), std::int64_t{-1});
        return n;
    }

    std::int64_t pread(int fd, void* buf, std::size_t len, std::int64_t offset) override
    {
        const Entry e = get(fd);
        if (!e.handle)
            return -1;
        OVERLAPPED ov = at(static_cast<ULONGLONG>(offset));
        DWORD n = 0;
        if (!ReadFile(e.handle, buf, chunk(len), &n, &ov))
            return endOrFailure(GetLastError());
        return n;
    }

    std::int64_t pwrite(int fd, const void* buf, std::size_t len, std::int64_t offset) override
    {
        const Entry e = get(fd);
        if (!e.handle)
            return -1;
        OVERLAPPED ov = at(static_cast<ULONGLONG>(offset));
        DWORD n = 0;
        if (!WriteFile(e.handle, buf, chunk(len), &n, &ov))
            return failWith(GetLastError(), std::int64_t{-1});
        return n;
    }

    // A folder needs no sync of its own: the file system keeps its entries
    // in its log.
    int fsync(int fd) override
    {
        const Entry e = get(fd);
        if (!e.handle)
            return -1;
        if (e.directory)
            return 0;
        return FlushFileBuffers(e.handle) ? 0 : failWith(GetLastError(), -1);
    }

    int ftruncate(int fd, std::int64_t length) override
    {
        const Entry e = get(fd);
        if (!e.handle)
            return -1;
        LARGE_INTEGER to;
        to.QuadPart = length;
        if (!SetFilePointerEx(e.handle, to, nullptr, FILE_BEGIN) || !SetEndOfFile(e.handle))
            return failWith(GetLastError(), -1);
        return 0;
    }

    int fstat(int fd, FileInfo& info) override
    {
        const Entry e = get(fd);
        if (!e.handle)
            return -1;
        BY_HANDLE_FILE_INFORMATION fi;
        if (!GetFileInformationByHandle(e.handle, &fi))
            return failWith(GetLastError(), -1);
        fill(info, fi);
        return 0;
    }

    int stat(const std::string& path, FileInfo& info) override
    {
        std::wstring wide;
        if (!win32::widePath(path, wide))
            return -1;
        HANDLE h =
            CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return failWith(GetLastError(), -1);
        BY_HANDLE_FILE_INFORMATION fi;
        const bool ok = GetFileInformationByHandle(h, &fi);
        const DWORD error = GetLastError();
        CloseHandle(h);
        if (!ok)
            return failWith(error, -1);
        fill(info, fi);
        return 0;
    }

    int lock(int fd, LockKind kind) override
    {
        const Entry e = get(fd);
        if (!e.handle)
            return -1;
        OVERLAPPED ov = at(kLockByte);
        const DWORD how = kind == LockKind::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
        return LockFileEx(e.handle, how, 0, 1, 0, &ov) ? 0 : failWith(GetLastError(), -1);
    }

    // Closing the handle releases its lock.
    int close(int fd) override
    {
        const Entry e = take(fd);
        if (!e.handle)
            return -1;
        return CloseHandle(e.handle) ? 0 : failWith(GetLastError(), -1);
    }

    // The per-user folders are private through their parent's permissions.
    int mkdir(const std::string& path, bool /*ownerOnly*/) override
    {
        std::wstring wide;
        if (!win32::widePath(path, wide))
            return -1;
        if (CreateDirectoryW(wide.c_str(), nullptr))
            return 0;
        const DWORD error = GetLastError();
        // A drive ("C:") or a folder that cannot be made because it is there.
        if (isDirectory(wide)) {
            errno = EEXIST;
            return -1;
        }
        return failWith(error, -1);
    }

    int unlink(const std::string& path) override
    {
        std::wstring wide;
        if (!win32::widePath(path, wide))
            return -1;
        return DeleteFileW(wide.c_str()) ? 0 : failWith(GetLastError(), -1);
    }

    int rename(const std::string& from, const std::string& to) override
    {
        std::wstring wideFrom;
        std::wstring wideTo;
        if (!win32::widePath(from, wideFrom) || !win32::widePath(to, wideTo))
            return -1;
        if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        return failWith(GetLastError(), -1);
    }

    int listDirectory(const std::string& path, std::vector<std::string>& names) override
    {
        std::wstring wide;
        if (!win32::widePath(path, wide))
            return -1;
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW((wide + L"\\*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE)
            return failWith(GetLastError(), -1);
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                names.push_back(win32::narrow(name));
        } while (FindNextFileW(h, &found));
        const DWORD error = GetLastError();
        FindClose(h);
        return error == ERROR_NO_MORE_FILES ? 0 : failWith(error, -1);
    }

    // A reparse point (a symbolic link or a junction) is listed as a link.
    int listEntries(const std::string& path, std::vector<DirEntry>& entries) override
    {
        std::wstring wide;
        if (!win32::widePath(path, wide))
            return -1;
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW((wide + L"\\*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE)
            return failWith(GetLastError(), -1);
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const DWORD a = found.dwFileAttributes;
            const FileKind kind = (a & FILE_ATTRIBUTE_REPARSE_POINT) ? FileKind::Link
                                  : (a & FILE_ATTRIBUTE_DIRECTORY)   ? FileKind::Directory
                                  : (a & FILE_ATTRIBUTE_DEVICE)      ? FileKind::Device
                                                                     : FileKind::Regular;
            entries.push_back({win32::narrow(name), kind});
        } while (FindNextFileW(h, &found));
        const DWORD error = GetLastError();
        FindClose(h);
        return error == ERROR_NO_MORE_FILES ? 0 : failWith(error, -1);
    }

    std::string hostName() override { return win32::hostName(); }
    std::int64_t processId() override { return GetCurrentProcessId(); }
    bool processRunning(std::int64_t pid) override { return win32::processRunning(pid); }
    std::uint64_t processStarted(std::int64_t pid) override { return win32::processStarted(pid); }

private:
    struct Entry {
        HANDLE handle = nullptr; // null: a free slot
        bool append = false;
        bool directory = false;
    };

    static std::int64_t endOrFailure(DWORD error)
    {
        if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE)
            return 0;
        return failWith(error, std::int64_t{-1});
    }

    int add(const Entry& e)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (std::size_t i = 0; i < table_.size(); ++i) {
            if (!table_[i].handle) {
                table_[i] = e;
                return static_cast<int>(i);
            }
        }
        table_.push_back(e);
        return static_cast<int>(table_.size() - 1);
    }
    Entry get(int fd)
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (fd < 0 || static_cast<std::size_t>(fd) >= table_.size() || !table_[fd].handle) {
            errno = EBADF;
            return {};
        }
        return table_[fd];
    }
    Entry take(int fd)
    {
        const Entry e = get(fd);
        if (e.handle) {
            std::lock_guard<std::mutex> guard(mutex_);
            table_[fd] = {};
        }
        return e;
    }

    std::mutex mutex_;
    std::vector<Entry> table_;
};

} // namespace

FileOps& systemFileOps()
{
    static Win32FileOps ops;
    return ops;
}

} // namespace qa
