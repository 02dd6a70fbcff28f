// The file calls on POSIX systems.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_ops.h"

namespace qa {
namespace {

template <typename Call> auto retryOnSignal(Call call)
{
    decltype(call()) r;
    do {
        r = call();
    } while (r < 0 && errno == EINTR);
    return r;
}

int posixFlags(unsigned flags)
{
    int out = 0;
    if (flags & kOpenDirectory)
        return O_RDONLY | O_DIRECTORY;
    const bool writing = flags & (kOpenWrite | kOpenAppend);
    if (writing)
        out = (flags & kOpenRead) ? O_RDWR : O_WRONLY;
    else
        out = O_RDONLY;
    if (flags & kOpenAppend)
        out |= O_APPEND;
    if (flags & kOpenCreate)
        out |= O_CREAT;
    if (flags & kOpenExclusive)
        out |= O_EXCL;
    if (flags & kOpenTruncate)
        out |= O_TRUNC;
    if (flags & kOpenNoFollow)
        out |= O_NOFOLLOW;
    return out;
}

FileKind kindOf(mode_t mode)
{
    return S_ISREG(mode)                    ? FileKind::Regular
           : S_ISDIR(mode)                  ? FileKind::Directory
           : S_ISLNK(mode)                  ? FileKind::Link
           : S_ISFIFO(mode)                 ? FileKind::Pipe
           : S_ISSOCK(mode)                 ? FileKind::Socket
           : S_ISCHR(mode) || S_ISBLK(mode) ? FileKind::Device
                                            : FileKind::Other;
}

FileKind kindOf(unsigned char type)
{
    switch (type) {
    case DT_REG: return FileKind::Regular;
    case DT_DIR: return FileKind::Directory;
    case DT_LNK: return FileKind::Link;
    case DT_FIFO: return FileKind::Pipe;
    case DT_SOCK: return FileKind::Socket;
    case DT_CHR:
    case DT_BLK: return FileKind::Device;
    default: return FileKind::Other;
    }
}

void fill(FileInfo& info, const struct stat& st)
{
    info.size = st.st_size;
    info.directory = S_ISDIR(st.st_mode);
    info.kind = kindOf(st.st_mode);
    info.device = static_cast<std::uint64_t>(st.st_dev);
    info.id = static_cast<std::uint64_t>(st.st_ino);
    info.mode = static_cast<unsigned>(st.st_mode & 07777);
    info.ownedByUser = st.st_uid == ::geteuid();
}

class PosixFileOps final : public FileOps {
public:
    int open(const std::string& path, unsigned flags) override
    {
        const mode_t mode = (flags & kOpenPrivate) ? 0600 : 0666;
        return retryOnSignal([&] { return ::open(path.c_str(), posixFlags(flags) | O_CLOEXEC, mode); });
    }
    std::int64_t read(int fd, void* buf, std::size_t len) override
    {
        return retryOnSignal([&] { return ::read(fd, buf, len); });
    }
    std::int64_t write(int fd, const void* buf, std::size_t len) override
    {
        return retryOnSignal([&] { return ::write(fd, buf, len); });
    }
    std::int64_t pread(int fd, void* buf, std::size_t len, std::int64_t offset) override
    {
        return retryOnSignal([&] { return ::pread(fd, buf, len, static_cast<off_t>(offset)); });
    }
    std::int64_t pwrite(int fd, const void* buf, std::size_t len, std::int64_t offset) override
    {
        return retryOnSignal([&] { return ::pwrite(fd, buf, len, static_cast<off_t>(offset)); });
    }
    // fdatasync: the data and the metadata needed to read it back (the
    // length), which is what a durable append needs, without the timestamps.
    int fsync(int fd) override { return ::fdatasync(fd); }
    void startSync(int fd) override
    {
#ifdef __linux__
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); // a failure leaves it all to fsync
#else
        (void)fd;
#endif
    }
    int ftruncate(int fd, std::int64_t length) override { return ::ftruncate(fd, static_cast<off_t>(length)); }
    int fstat(int fd, FileInfo& info) override
    {
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            return -1;
        fill(info, st);
        return 0;
    }
    int stat(const std::string& path, FileInfo& info) override
    {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return -1;
        fill(info, st);
        return 0;
    }
    int lock(int fd, LockKind kind) override
    {
        return retryOnSignal([&] { return ::flock(fd, kind == LockKind::Shared ? LOCK_SH : LOCK_EX); });
    }
    int close(int fd) override { return ::close(fd); }
    int mkdir(const std::string& path, bool ownerOnly) override
    {
        return ::mkdir(path.c_str(), ownerOnly ? 0700 : 0777);
    }
    int unlink(const std::string& path) override { return ::unlink(path.c_str()); }
    int rename(const std::string& from, const std::string& to) override
    {
        return ::rename(from.c_str(), to.c_str());
    }
    int listDirectory(const std::string& path, std::vector<std::string>& names) override
    {
        DIR* dir = ::opendir(path.c_str());
        if (!dir)
            return -1;
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        const int err = errno;
        ::closedir(dir);
        errno = err;
        return err == 0 ? 0 : -1;
    }
    // The kinds come with the listing where the file system gives them;
    // elsewhere one lstat per name.
    int listEntries(const std::string& path, std::vector<DirEntry>& entries) override
    {
        DIR* dir = ::opendir(path.c_str());
        if (!dir)
            return -1;
        errno = 0;
        while (const dirent* entry = ::readdir(dir)) {
            DirEntry e{entry->d_name, kindOf(entry->d_type)};
            if (e.name == "." || e.name == "..")
                continue;
            struct stat st {};
            if (entry->d_type == DT_UNKNOWN && ::lstat((path + "/" + e.name).c_str(), &st) == 0)
                e.kind = kindOf(st.st_mode);
            entries.push_back(std::move(e));
            errno = 0;
        }
        const int err = errno;
        ::closedir(dir);
        errno = err;
        return err == 0 ? 0 : -1;
    }
    std::string hostName() override
    {
        char name[HOST_NAME_MAX + 1] = {};
        if (::gethostname(name, sizeof name - 1) != 0)
            return "localhost";
        return name;
    }
    std::int64_t processId() override { return ::getpid(); }
    // A process we may not signal is running all the same.
    bool processRunning(std::int64_t pid) override
    {
        return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
    }
    // The 22nd field of /proc/<pid>/stat, after the command's name in
    // parentheses (which may itself hold blanks and parentheses).
    std::uint64_t processStarted(std::int64_t pid) override
    {
        if (pid <= 0 || pid > INT_MAX)
            return 0;
        char buf[1024];
        const std::string path = "/proc/" + std::to_string(pid) + "/stat";
        std::FILE* f = std::fopen(path.c_str(), "re");
        if (!f)
            return 0;
        const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
        std::fclose(f);
        buf[n] = '\0';
        const char* at = std::strrchr(buf, ')');
        unsigned long long started = 0;
        if (!at || std::sscanf(at + 1,
                               " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                               &started) != 1)
            return 0;
        return started;
    }
};

} // namespace

FileOps& systemFileOps()
{
    static PosixFileOps ops;
    return ops;
}

} // namespace qa
