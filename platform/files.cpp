#include "platform/files.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/text.h"

namespace qa {
namespace {

std::string parentOf(const std::string& host)
{
    auto slash = host.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return host.substr(0, slash);
}

} // namespace

namespace {

// The journal of a record file: a hidden file beside it that holds the file's
// length while an append is under way, and nothing otherwise. A writer killed
// in the middle of an append leaves its length behind, and the next writer,
// holding the lock, cuts the file back to it before appending. Its name is
// short and fixed, whatever the record file's name.
std::string journalPathOf(const std::string& host)
{
    const auto slash = host.find_last_of('/');
    const std::string base = slash == std::string::npos ? host : host.substr(slash + 1);
    std::uint64_t h = 1469598103934665603ull; // FNV-1a
    for (unsigned char c : base) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char name[40];
    std::snprintf(name, sizeof name, ".qa-tutor-%016llx", static_cast<unsigned long long>(h));
    return parentOf(host) + "/" + name;
}

// A journal holds one mark of fixed width, rewritten in place with a single
// small write: the file's length in 20 digits while an append is under way,
// blanks otherwise. A mark of any other shape (a journal just created, or a
// mark whose write was itself cut short, before the append began) holds none.
constexpr std::size_t kMarkWidth = 21;

std::string journalMark(off_t length)
{
    char buf[kMarkWidth + 1];
    std::snprintf(buf, sizeof buf, "%020lld\n", static_cast<long long>(length));
    return std::string(buf, kMarkWidth);
}

const std::string kIdleMark = std::string(kMarkWidth - 1, ' ') + "\n";

off_t journalLength(FileOps& ops, int journal)
{
    char buf[kMarkWidth];
    if (ops.pread(journal, buf, sizeof buf, 0) != static_cast<ssize_t>(sizeof buf) || buf[kMarkWidth - 1] != '\n')
        return -1;
    off_t length = 0;
    for (std::size_t i = 0; i + 1 < kMarkWidth; ++i) {
        if (buf[i] < '0' || buf[i] > '9')
            return -1;
        length = length * 10 + (buf[i] - '0');
    }
    return length;
}

} // namespace

Files::Files(FileOps& ops, std::string driveRoot) : ops_(ops), root_(std::move(driveRoot))
{
    while (root_.size() > 1 && root_.back() == '/')
        root_.pop_back();
}

std::string Files::defaultDriveRoot()
{
    if (const char* env = std::getenv("QA_TUTOR_DRIVE_ROOT"); env && *env)
        return env;
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return ".";
}

std::string Files::hostPath(const std::string& windowPath) const
{
    if (windowPath.empty() || windowPath.find('\0') != std::string::npos)
        throw RuntimeError(kBadFileName, windowPath, "not a usable file name");
    std::string rest = windowPath;
    std::string out = root_;
    if (rest.size() >= 2 && rest[1] == ':' &&
        ((rest[0] >= 'a' && rest[0] <= 'z') || (rest[0] >= 'A' && rest[0] <= 'Z'))) {
        out += '/';
        out += static_cast<char>(rest[0] | 0x20);
        rest = rest.substr(2);
    }
    std::string component;
    auto flush = [&] {
        if (component == "..")
            throw RuntimeError(kBadFileName, windowPath, "not a usable file name");
        if (!component.empty() && component != ".") {
            out += '/';
            out += text::toUtf8(component); // host file names are UTF-8
        }
        component.clear();
    };
    for (char c : rest) {
        if (c == '\\' || c == '/')
            flush();
        else
            component += c;
    }
    flush();
    return out;
}

bool Files::createDirectories(const std::string& windowPath)
{
    std::string host;
    try {
        host = hostPath(windowPath);
    } catch (const RuntimeError&) {
        return false;
    }
    for (std::size_t pos = 1; pos <= host.size(); ++pos) {
        if (pos == host.size() || host[pos] == '/') {
            std::string prefix = host.substr(0, pos);
            if (ops_.mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

int Files::openFd(const std::string& host, int flags, mode_t mode)
{
    int fd = ops_.open(host.c_str(), flags, mode);
    if (fd >= 0)
        ++openCount_;
    return fd;
}

void Files::closeFd(int fd)
{
    ops_.close(fd);
    --openCount_;
}

void Files::raise(int err, bool opening, const std::string& host, const char* what) const
{
    int number = errorFromErrno(err, opening);
    if (opening && err == ENOENT) {
        struct stat st {};
        number = ops_.stat(parentOf(host).c_str(), &st) == 0 ? kFileNotFound : kPathNotFound;
    }
    throw RuntimeError(number, host, std::string(what) + ": " + std::strerror(err));
}

void Files::touch(const std::string& windowPath)
{
    std::string host = hostPath(windowPath);
    int fd = openFd(host, O_WRONLY | O_APPEND | O_CREAT, 0666);
    if (fd < 0) {
        int err = errno;
        raise(err, true, host, "open");
    }
    closeFd(fd);
}

bool Files::isMissingOrEmpty(const std::string& windowPath)
{
    std::string host = hostPath(windowPath);
    struct stat st {};
    if (ops_.stat(host.c_str(), &st) != 0)
        return errno == ENOENT;
    return S_ISREG(st.st_mode) && st.st_size == 0;
}

std::string Files::readAll(const std::string& windowPath)
{
    std::string host = hostPath(windowPath);
    int fd = openFd(host, O_RDONLY, 0);
    if (fd < 0)
        raise(errno, true, host, "open");
    std::string out;
    struct stat st {};
    if (ops_.fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        closeFd(fd);
        raise(EISDIR, true, host, "open");
    }
    // Wait for a writer to finish. One that died mid-append left the length
    // from before in the journal: what lies past it is a torn tail, not shown.
    ops_.flock(fd, LOCK_SH);
    off_t limit = -1;
    if (int journal = openFd(journalPathOf(host), O_RDONLY, 0); journal >= 0) {
        limit = journalLength(ops_, journal);
        closeFd(journal);
    }
    if (st.st_size > 0)
        out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[1 << 16];
    while (true) {
        ssize_t n = ops_.read(fd, buf, sizeof buf);
        if (n < 0) {
            int err = errno;
            closeFd(fd);
            raise(err, false, host, "read");
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    closeFd(fd);
    if (limit >= 0 && static_cast<std::size_t>(limit) < out.size())
        out.resize(static_cast<std::size_t>(limit));
    return out;
}

void Files::writeWhole(const std::string& windowPath, const std::string& bytes)
{
    std::string host = hostPath(windowPath);
    int fd = openFd(host, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) {
        int err = errno;
        raise(err, true, host, "open");
    }
    const ssize_t n = bytes.empty() ? 0 : ops_.write(fd, bytes.data(), bytes.size());
    int err = 0;
    if (n != static_cast<ssize_t>(bytes.size()))
        err = n < 0 ? errno : ENOSPC; // a short write: the disk is full
    else if (ops_.fsync(fd) != 0)
        err = errno;
    closeFd(fd);
    if (err != 0)
        raise(err, false, host, "write");
}

struct Files::Handle {
    std::string host;
    std::string journalHost;
    int fd = -1;
    int journal = -1;
    off_t oldSize = 0;
    bool created = false;
};

void Files::release(Handle& h, bool removeCreated)
{
    if (h.journal >= 0) {
        // A journal that cannot be marked idle must not outlive us: a later
        // writer would take its length for a torn append.
        if (ops_.pwrite(h.journal, kIdleMark.data(), kIdleMark.size(), 0) !=
            static_cast<ssize_t>(kIdleMark.size()))
            ops_.unlink(h.journalHost.c_str());
        closeFd(h.journal);
        h.journal = -1;
    }
    if (h.fd >= 0) {
        if (removeCreated && h.created)
            ops_.unlink(h.host.c_str());
        closeFd(h.fd); // closing the only descriptor releases the lock
        h.fd = -1;
    }
}

int Files::openForAppend(Handle& h)
{
    h.created = false;
    h.fd = openFd(h.host, O_WRONLY | O_APPEND, 0);
    if (h.fd < 0 && errno == ENOENT) {
        h.fd = openFd(h.host, O_WRONLY | O_APPEND | O_CREAT | O_EXCL, 0666);
        if (h.fd < 0 && errno == EEXIST)
            return -1;
        h.created = h.fd >= 0;
    }
    if (h.fd < 0)
        return errno;

    struct stat byFd {};
    struct stat byPath {};
    int err = 0;
    if (ops_.flock(h.fd, LOCK_EX) != 0 || ops_.fstat(h.fd, &byFd) != 0)
        err = errno;
    else if (ops_.stat(h.host.c_str(), &byPath) != 0 || byPath.st_ino != byFd.st_ino ||
             byPath.st_dev != byFd.st_dev)
        err = -1; // removed or replaced while we waited
    else if (S_ISDIR(byFd.st_mode))
        err = EISDIR;
    if (err != 0) {
        release(h, false);
        return err;
    }

    // Repair what a writer killed mid-append left, then note the length.
    h.journalHost = journalPathOf(h.host);
    h.journal = openFd(h.journalHost, O_RDWR | O_CREAT, 0666);
    if (h.journal < 0) {
        err = errno;
    } else {
        const off_t left = journalLength(ops_, h.journal);
        if (left >= 0 && left < byFd.st_size && ops_.ftruncate(h.fd, left) == 0) {
            ops_.fsync(h.fd);
            byFd.st_size = left;
        }
        const std::string mark = journalMark(byFd.st_size);
        const ssize_t n = ops_.pwrite(h.journal, mark.data(), mark.size(), 0);
        if (n != static_cast<ssize_t>(mark.size()))
            err = n < 0 ? errno : ENOSPC; // a short write: the disk is full
    }
    if (err != 0) {
        release(h, true);
        return err;
    }
    h.oldSize = byFd.st_size;
    return 0;
}

void Files::appendAll(const std::vector<AppendPart>& parts)
{
    std::vector<Handle> handles;
    handles.reserve(parts.size());
    int failErr = 0;
    std::optional<RuntimeError> badName; // a path that names no usable file
    bool failOpening = false;
    std::string failHost;
    const char* failWhat = "";

    auto fail = [&](int err, bool opening, const std::string& host, const char* what) {
        failErr = err;
        failOpening = opening;
        failHost = host;
        failWhat = what;
    };

    // Open and lock every file. A file removed or replaced while we waited for
    // its lock is opened again, so a writer never appends to a dead inode.
    for (const AppendPart& part : parts) {
        Handle h;
        try {
            h.host = hostPath(part.path);
        } catch (const RuntimeError& error) {
            badName = error;
            break;
        }
        int err = -1;
        for (int attempt = 0; attempt < 8 && err == -1; ++attempt)
            err = openForAppend(h);
        if (err != 0) {
            fail(err == -1 ? EAGAIN : err, true, h.host, "open");
            break;
        }
        handles.push_back(std::move(h));
    }

    if (badName)
        failErr = EINVAL;

    // Append each file's text in one write; a short write is a failure.
    if (failErr == 0) {
        for (std::size_t i = 0; i < handles.size(); ++i) {
            const std::string& bytes = parts[i].bytes;
            if (bytes.empty())
                continue;
            ssize_t n = ops_.write(handles[i].fd, bytes.data(), bytes.size());
            if (n != static_cast<ssize_t>(bytes.size())) {
                fail(n < 0 ? errno : ENOSPC, false, handles[i].host, "write");
                break;
            }
        }
    }

    // Make the recording durable before it counts as done.
    if (failErr == 0) {
        for (Handle& h : handles) {
            if (ops_.fsync(h.fd) != 0) {
                fail(errno, false, h.host, "sync");
                break;
            }
            if (h.created) {
                int dir = openFd(parentOf(h.host), O_RDONLY | O_DIRECTORY, 0);
                int err = dir < 0 ? errno : 0;
                if (dir >= 0) {
                    if (ops_.fsync(dir) != 0 && errno != EINVAL)
                        err = errno;
                    closeFd(dir);
                }
                if (err != 0) {
                    fail(err, false, h.host, "sync");
                    break;
                }
            }
        }
    }

    if (failErr != 0) {
        // Cut every file back to where it stood; remove a file we created.
        for (Handle& h : handles) {
            ops_.ftruncate(h.fd, h.oldSize);
            ops_.fsync(h.fd);
            if (h.created && h.oldSize == 0)
                ops_.unlink(h.host.c_str());
        }
    }
    // Every file is whole again (or synced): the journals are cleared before
    // the locks go. The data is synced; a failing close cannot lose it, so it
    // is not an error.
    for (Handle& h : handles)
        release(h, false);

    if (badName)
        throw *badName;
    if (failErr != 0)
        raise(failErr, failOpening, failHost, failWhat);
}

} // namespace qa
