// The Win32 calls the file seam shares beyond its handles: error codes as
// errno values, the wide path of a UTF-8 one, and the processes of this
// machine.
#include "platform/file_ops_win32.h"

#include <cerrno>

namespace qa {

// A file system error as an errno value; the run-time error numbers follow
// from those (file not found 53, path not found 76, access denied and another
// program holding the file 70, disk full 61, device or network errors 57, the
// rest 75).
int win32::errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_UNIT: return ENOENT; // the caller tells a missing file from a missing folder
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case 1295: // ERROR_DISK_QUOTA_EXCEEDED, missing from the MinGW headers
    case ERROR_FILE_TOO_LARGE: return ENOSPC;
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_SEM_TIMEOUT: return EIO;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY: return EINVAL;
    // A file system without byte-range locks: the lock is skipped.
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION: return EOPNOTSUPP;
    case ERROR_INVALID_HANDLE: return EBADF;
    default: return EPROTO;
    }
}

// NTFS, FAT, exFAT and SMB: UTF-16 units in one file or folder name.
constexpr std::size_t kLongestName = 255;

// The wide path for the Windows calls. A long absolute path gets the "\\?\"
// prefix, which lifts the limit of MAX_PATH characters (and turns off the
// rewriting of "/" into "\", so that is done here).
bool win32::widePath(const std::string& path, std::wstring& out)
{
    if (!win32::widen(path, out)) {
        errno = EINVAL;
        return false;
    }
    // Longer names than Windows file systems hold are refused here, the same
    // on every one of them.
    std::size_t nameLength = 0;
    for (wchar_t c : out) {
        nameLength = (c == L'\\' || c == L'/') ? 0 : nameLength + 1;
        if (nameLength > kLongestName) {
            errno = ENAMETOOLONG;
            return false;
        }
    }
    const bool driveAbsolute = out.size() >= 3 && out[1] == L':' && (out[2] == L'\\' || out[2] == L'/');
    if (driveAbsolute && out.size() >= MAX_PATH - 12) {
        for (wchar_t& c : out)
            if (c == L'/')
                c = L'\\';
        out.insert(0, L"\\\\?\\");
    }
    return true;
}

std::string win32::hostName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size))
        return "localhost";
    return win32::narrow(std::wstring(name, size));
}

// A process we may not look at is running all the same.
bool win32::processRunning(std::int64_t pid)
{
    if (pid <= 0 || pid > 0xFFFFFFFFll)
        return false;
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}
// The process's creation time, in 100 ns steps.
std::uint64_t win32::processStarted(std::int64_t pid)
{
    if (pid <= 0 || pid > 0xFFFFFFFFll)
        return 0;
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return 0;
    FILETIME created, exited, kernel, user;
    const bool ok = GetProcessTimes(h, &created, &exited, &kernel, &user);
    CloseHandle(h);
    return ok ? (std::uint64_t{created.dwHighDateTime} << 32 | created.dwLowDateTime) : 0;
}

} // namespace qa
