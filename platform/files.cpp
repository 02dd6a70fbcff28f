#include "platform/files.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/errors.h"
#include "platform/text.h"

namespace qa {
namespace {

// A lock refused because the file system has none (an SMB mount without
// byte-range locks, NFS without a lock daemon): the recording goes on unlocked.
bool lockUnsupported(int err)
{
    return err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL;
}

// The journal of a record file lives in the state directory, named after the
// record file's full host path. While an append is under way it holds a mark
// (the file's identity, its length before the append and the length the
// append will reach) followed by the bytes being appended. A writer killed
// mid-append leaves its journal behind, and the next writer, holding the
// lock, cuts the torn tail off: only when the file is the same file and what
// lies past the old length is a beginning of the journal's bytes, so that
// nothing another writer appended since is ever cut. Between appends the
// mark is blank.
struct JournalMark {
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::uint64_t id = 0;
    std::string bytes; // what the append was writing

    // Whether a file of this size and identity, whose bytes from `start` on
    // are `tail`, ends in a torn part of this append.
    bool tornTailOf(const FileInfo& file, std::string_view tail) const
    {
        return id == file.id && start < file.size && file.size <= end &&
               std::string_view(bytes).substr(0, tail.size()) == tail;
    }
    bool mayBeTornTailOf(const FileInfo& file) const
    {
        return id == file.id && start < file.size && file.size <= end;
    }
};

constexpr std::size_t kFieldWidth = 20;
constexpr std::size_t kMarkWidth = 3 * (kFieldWidth + 1);
// The mark of a journal with no append under way.
const std::string kIdleMark = std::string(kMarkWidth - 1, ' ') + "\n";
// A journal that claims more than this is not one of ours.
constexpr std::int64_t kLargestJournaledAppend = std::int64_t{1} << 30;

void appendField(std::string& out, std::uint64_t value, char after)
{
    char digits[kFieldWidth];
    for (std::size_t i = kFieldWidth; i-- > 0;) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(digits, kFieldWidth);
    out += after;
}

std::string journalText(std::int64_t start, std::uint64_t id, const std::string& bytes)
{
    std::string out;
    out.reserve(kMarkWidth + bytes.size());
    appendField(out, static_cast<std::uint64_t>(start), ' ');
    appendField(out, static_cast<std::uint64_t>(start) + bytes.size(), ' ');
    appendField(out, id, '\n');
    out += bytes;
    return out;
}

// A journal of any other shape (one whose own write was cut short, before
// the append began) holds nothing.
std::optional<JournalMark> readMark(FileOps& ops, int journal)
{
    char buf[kMarkWidth];
    if (ops.pread(journal, buf, sizeof buf, 0) != static_cast<std::int64_t>(sizeof buf))
        return std::nullopt;
    std::uint64_t fields[3] = {};
    for (std::size_t f = 0; f < 3; ++f) {
        const char* field = buf + f * (kFieldWidth + 1);
        if (field[kFieldWidth] != (f == 2 ? '\n' : ' '))
            return std::nullopt;
        for (std::size_t i = 0; i < kFieldWidth; ++i) {
            if (field[i] < '0' || field[i] > '9')
                return std::nullopt;
            fields[f] = fields[f] * 10 + static_cast<std::uint64_t>(field[i] - '0');
        }
    }
    JournalMark mark{static_cast<std::int64_t>(fields[0]), static_cast<std::int64_t>(fields[1]), fields[2], {}};
    if (mark.start < 0 || mark.end < mark.start || mark.end - mark.start > kLargestJournaledAppend)
        return std::nullopt;
    mark.bytes.resize(static_cast<std::size_t>(mark.end - mark.start));
    if (ops.pread(journal, mark.bytes.data(), mark.bytes.size(), kMarkWidth) !=
        static_cast<std::int64_t>(mark.bytes.size()))
        return std::nullopt;
    return mark;
}

} // namespace

// One call of appendAll, step by step: map the paths, open and lock, write,
// sync, roll back on failure, release.
class AppendSteps {
public:
    AppendSteps(Files& files, const std::vector<AppendPart>& parts)
        : files_(files), ops_(files.ops_), parts_(parts)
    {
    }
    ~AppendSteps() { release(); }
    AppendSteps(const AppendSteps&) = delete;
    AppendSteps& operator=(const AppendSteps&) = delete;

    // Raises 52 for a path that names no usable file, before anything is opened.
    void mapPaths()
    {
        handles_.resize(parts_.size());
        for (std::size_t i = 0; i < parts_.size(); ++i)
            handles_[i].host = files_.hostPath(parts_[i].path);
    }

    // A file removed or replaced while we waited for its lock is opened again,
    // so a writer never appends to a dead inode.
    bool openAndLock()
    {
        for (std::size_t i = 0; i < handles_.size(); ++i) {
            int err = -1;
            for (int attempt = 0; attempt < 8 && err == -1; ++attempt)
                err = openOne(handles_[i], parts_[i].bytes);
            if (err != 0)
                return fail(err == -1 ? EAGAIN : err, true, handles_[i].host, "open");
            ++opened_;
        }
        return true;
    }

    // Each file's text in one write; a short write is a failure.
    bool write()
    {
        for (std::size_t i = 0; i < opened_; ++i) {
            const std::string& bytes = parts_[i].bytes;
            if (bytes.empty())
                continue;
            const std::int64_t n = ops_.write(handles_[i].fd, bytes.data(), bytes.size());
            if (n != static_cast<std::int64_t>(bytes.size()))
                return fail(n < 0 ? errno : ENOSPC, false, handles_[i].host, "write"); // short: the disk is full
        }
        return true;
    }

    // The recording is durable before it counts as done: each file, and the
    // directory of a file this call created.
    bool sync()
    {
        for (std::size_t i = 0; i < opened_; ++i) {
            Handle& h = handles_[i];
            if (ops_.fsync(h.fd) != 0)
                return fail(errno, false, h.host, "sync");
            if (h.created) {
                const int dir = files_.openFd(parentOf(h.host), kOpenDirectory);
                int err = dir < 0 ? errno : 0;
                if (dir >= 0) {
                    if (ops_.fsync(dir) != 0 && errno != EINVAL)
                        err = errno;
                    files_.closeFd(dir);
                }
                if (err != 0)
                    return fail(err, false, h.host, "sync");
            }
        }
        for (std::size_t i = 0; i < opened_; ++i)
            handles_[i].whole = true;
        return true;
    }

    // Cuts every file back to where it stood and removes a file we created.
    // A file that cannot be cut back keeps its journal, so that the next
    // writer cuts it.
    void rollBack()
    {
        for (std::size_t i = 0; i < opened_; ++i) {
            Handle& h = handles_[i];
            h.whole = ops_.ftruncate(h.fd, h.before.size) == 0;
            ops_.fsync(h.fd);
            if (h.created && h.before.size == 0 && ops_.unlink(h.host) == 0)
                h.whole = true;
        }
    }

    // The journals go before the locks. The data is synced; a failing close
    // cannot lose it, so it is not an error.
    void release()
    {
        for (Handle& h : handles_)
            close(h, false);
        opened_ = 0;
    }

    const Files::Failure& failure() const { return failure_; }

private:
    struct Handle {
        std::string host;
        std::string journalHost;
        int fd = -1;
        int journal = -1;
        FileInfo before;
        bool created = false;
        bool whole = false; // the file holds no part of an unfinished append
    };

    bool fail(int err, bool opening, const std::string& host, const char* what)
    {
        failure_ = {err, opening, host, what};
        return false;
    }

    // Opens and locks one file and starts its journal. Returns 0, an errno
    // value, or -1 when the file was replaced while we waited for its lock
    // (then nothing is left open and it is worth another try).
    int openOne(Handle& h, const std::string& bytes)
    {
        h.created = false;
        h.whole = true;
        h.fd = files_.openFd(h.host, kOpenAppend);
        if (h.fd < 0 && errno == ENOENT) {
            h.fd = files_.openFd(h.host, kOpenAppend | kOpenCreate | kOpenExclusive);
            if (h.fd < 0 && errno == EEXIST)
                return -1;
            h.created = h.fd >= 0;
        }
        if (h.fd < 0)
            return errno;

        FileInfo byFd;
        FileInfo byPath;
        int err = 0;
        if (ops_.lock(h.fd, LockKind::Exclusive) != 0 && !lockUnsupported(errno))
            err = errno;
        else if (ops_.fstat(h.fd, byFd) != 0)
            err = errno;
        else if (ops_.stat(h.host, byPath) != 0 || byPath.id != byFd.id || byPath.device != byFd.device)
            err = -1;
        else if (byFd.directory)
            err = EISDIR;
        if (err != 0) {
            close(h, true);
            return err;
        }
        startJournal(h, byFd, bytes);
        h.before = byFd;
        h.whole = false;
        return 0;
    }

    // Repairs what a writer killed mid-append left, then notes this append.
    // Without a journal (the state directory cannot be written) the recording
    // goes on, only without the repair.
    void startJournal(Handle& h, FileInfo& file, const std::string& bytes)
    {
        h.journalHost = files_.journalPathOf(h.host);
        h.journal = files_.openFd(h.journalHost, kOpenRead | kOpenWrite | kOpenCreate | kOpenPrivate);
        if (h.journal < 0 && errno == ENOENT && files_.createHostDirectories(files_.stateDir_, true))
            h.journal = files_.openFd(h.journalHost, kOpenRead | kOpenWrite | kOpenCreate | kOpenPrivate);
        if (h.journal < 0)
            return;
        if (const auto left = readMark(ops_, h.journal); left && left->mayBeTornTailOf(file)) {
            const auto tail = tailOf(h, file, left->start);
            if (tail && left->tornTailOf(file, *tail) && ops_.ftruncate(h.fd, left->start) == 0) {
                ops_.fsync(h.fd);
                file.size = left->start;
            }
        }
        const std::string text = journalText(file.size, file.id, bytes);
        if (ops_.pwrite(h.journal, text.data(), text.size(), 0) != static_cast<std::int64_t>(text.size()))
            dropJournal(h);
    }

    // The file's bytes from `start` to its end, when they can be read.
    std::optional<std::string> tailOf(const Handle& h, const FileInfo& file, std::int64_t start)
    {
        std::string tail(static_cast<std::size_t>(file.size - start), '\0');
        const int fd = files_.openFd(h.host, kOpenRead);
        if (fd < 0)
            return std::nullopt;
        const bool read =
            ops_.pread(fd, tail.data(), tail.size(), start) == static_cast<std::int64_t>(tail.size());
        files_.closeFd(fd);
        if (!read)
            return std::nullopt;
        return tail;
    }

    // A mark must not outlive a finished append: a later writer would take
    // it for a torn one. The journal is blanked in place with one small
    // write (cheaper than a file made and removed for every recording), or
    // removed when even that fails.
    void dropJournal(Handle& h)
    {
        if (ops_.pwrite(h.journal, kIdleMark.data(), kIdleMark.size(), 0) !=
                static_cast<std::int64_t>(kIdleMark.size()) &&
            ops_.unlink(h.journalHost) != 0)
            ops_.ftruncate(h.journal, 0);
        files_.closeFd(h.journal);
        h.journal = -1;
    }

    void close(Handle& h, bool removeCreated)
    {
        if (h.journal >= 0) {
            if (h.whole)
                dropJournal(h);
            else {
                files_.closeFd(h.journal);
                h.journal = -1;
            }
        }
        if (h.fd >= 0) {
            if (removeCreated && h.created)
                ops_.unlink(h.host);
            files_.closeFd(h.fd); // closing the only descriptor releases the lock
            h.fd = -1;
        }
    }

    Files& files_;
    FileOps& ops_;
    const std::vector<AppendPart>& parts_;
    std::vector<Handle> handles_;
    std::size_t opened_ = 0;
    Files::Failure failure_;
};

Files::Files(FileOps& ops, DrivePaths drives, std::string stateDir)
    : ops_(ops), drives_(std::move(drives)), stateDir_(std::move(stateDir))
{
}

std::string Files::journalPathOf(const std::string& host) const
{
    return joinPath(stateDir_, "journal-" + text::fingerprint(host));
}

bool Files::createHostDirectories(const std::string& host, bool ownerOnly)
{
    for (std::size_t pos = 1; pos <= host.size(); ++pos) {
        if (pos == host.size() || isPathSeparator(host[pos])) {
            const std::string prefix = host.substr(0, pos);
            if (ops_.mkdir(prefix, ownerOnly) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

bool Files::createDirectories(const std::string& windowPath)
{
    try {
        return createHostDirectories(hostPath(windowPath), false);
    } catch (const RuntimeError&) {
        return false;
    }
}

int Files::openFd(const std::string& host, unsigned flags)
{
    const int fd = ops_.open(host, flags);
    if (fd >= 0)
        ++openCount_;
    return fd;
}

void Files::closeFd(int fd)
{
    ops_.close(fd);
    --openCount_;
}

void Files::raise(const Failure& f) const
{
    int number = errorFromErrno(f.err, f.opening);
    if (f.opening && f.err == ENOENT) {
        FileInfo dir;
        number = ops_.stat(parentOf(f.host), dir) == 0 ? kFileNotFound : kPathNotFound;
    }
    throw RuntimeError(number, f.host, std::string(f.what) + ": " + std::strerror(f.err));
}

void Files::touch(const std::string& windowPath)
{
    const std::string host = hostPath(windowPath);
    // An existing file is opened without asking to create it: some shares let
    // a student write to prepared files but create nothing.
    int fd = openFd(host, kOpenAppend);
    if (fd < 0 && errno == ENOENT)
        fd = openFd(host, kOpenAppend | kOpenCreate);
    if (fd < 0)
        raise({errno, true, host, "open"});
    closeFd(fd);
}

int Files::readToEnd(int fd, std::string& out)
{
    char buf[1 << 16];
    while (true) {
        const std::int64_t n = ops_.read(fd, buf, sizeof buf);
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

bool Files::isMissingOrEmpty(const std::string& windowPath)
{
    FileInfo info;
    if (ops_.stat(hostPath(windowPath), info) != 0)
        return errno == ENOENT;
    return !info.directory && info.size == 0;
}

std::string Files::readAll(const std::string& windowPath)
{
    const std::string host = hostPath(windowPath);
    const int fd = openFd(host, kOpenRead);
    if (fd < 0)
        raise({errno, true, host, "open"});
    FileInfo info;
    if (ops_.fstat(fd, info) == 0 && info.directory) {
        closeFd(fd);
        raise({EISDIR, true, host, "open"});
    }
    // Wait for a writer to finish. What lies past the mark a killed writer
    // left is a torn tail, not shown.
    ops_.lock(fd, LockKind::Shared);
    std::optional<JournalMark> mark;
    if (const int journal = openFd(journalPathOf(host), kOpenRead); journal >= 0) {
        mark = readMark(ops_, journal);
        closeFd(journal);
    }
    std::string out;
    if (info.size > 0)
        out.reserve(static_cast<std::size_t>(info.size));
    const int err = readToEnd(fd, out);
    closeFd(fd);
    if (err != 0)
        raise({err, false, host, "read"});
    FileInfo now = info;
    now.size = static_cast<std::int64_t>(out.size());
    if (mark && mark->mayBeTornTailOf(now) &&
        mark->tornTailOf(now, std::string_view(out).substr(static_cast<std::size_t>(mark->start))))
        out.resize(static_cast<std::size_t>(mark->start));
    return out;
}

void Files::writeWhole(const std::string& windowPath, const std::string& bytes)
{
    const std::string host = hostPath(windowPath);
    const int fd = openFd(host, kOpenWrite | kOpenCreate | kOpenTruncate);
    if (fd < 0)
        raise({errno, true, host, "open"});
    const std::int64_t n = bytes.empty() ? 0 : ops_.write(fd, bytes.data(), bytes.size());
    int err = 0;
    if (n != static_cast<std::int64_t>(bytes.size()))
        err = n < 0 ? errno : ENOSPC; // a short write: the disk is full
    else if (ops_.fsync(fd) != 0)
        err = errno;
    closeFd(fd);
    if (err != 0)
        raise({err, false, host, "write"});
}

void Files::appendAll(const std::vector<AppendPart>& parts)
{
    AppendSteps steps(*this, parts);
    steps.mapPaths();
    const bool done = steps.openAndLock() && steps.write() && steps.sync();
    if (!done)
        steps.rollBack();
    steps.release();
    if (!done)
        raise(steps.failure());
}

bool Files::writeStateFile(const std::string& name, const std::string& bytes)
{
    const std::string path = joinPath(stateDir_, name);
    const std::string temporary = path + ".new";
    int fd = openFd(temporary, kOpenWrite | kOpenCreate | kOpenTruncate | kOpenPrivate);
    if (fd < 0 && errno == ENOENT && createHostDirectories(stateDir_, true))
        fd = openFd(temporary, kOpenWrite | kOpenCreate | kOpenTruncate | kOpenPrivate);
    if (fd < 0)
        return false;
    bool ok =
        bytes.empty() || ops_.write(fd, bytes.data(), bytes.size()) == static_cast<std::int64_t>(bytes.size());
    ok = ok && ops_.fsync(fd) == 0;
    closeFd(fd);
    ok = ok && ops_.rename(temporary, path) == 0;
    if (!ok)
        ops_.unlink(temporary);
    return ok;
}

std::optional<std::string> Files::readStateFile(const std::string& name)
{
    const int fd = openFd(joinPath(stateDir_, name), kOpenRead);
    if (fd < 0)
        return std::nullopt;
    std::string out;
    const int err = readToEnd(fd, out);
    closeFd(fd);
    if (err != 0)
        return std::nullopt;
    return out;
}

void Files::removeStateFile(const std::string& name)
{
    ops_.unlink(joinPath(stateDir_, name));
}

} // namespace qa
