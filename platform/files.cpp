#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "platform/errors.h"
#include "platform/replace_file.h"

namespace qa {
namespace {

// A lock refused because the file system has none (an SMB mount without
// byte-range locks, NFS without a lock daemon): the recording goes on unlocked.
bool lockUnsupported(int err)
{
    return err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL;
}

// One call of appendAll, step by step: note it, open and lock, write, sync,
// roll back on failure, release. Each step says how it went as a StepResult.
class AppendSteps {
public:
    AppendSteps(Descriptors& fds, Journal& journal, const KeepCut& keep, std::vector<JournalPart> parts)
        : fds_(fds), ops_(fds.ops()), journal_(journal), keep_(keep), parts_(std::move(parts)),
          handles_(parts_.size())
    {
    }
    ~AppendSteps() { release(); }
    AppendSteps(const AppendSteps&) = delete;
    AppendSteps& operator=(const AppendSteps&) = delete;

    // Whether an earlier recording still to be put right refused this one.
    bool refused() const { return refused_; }
    // The first file left holding part of this recording: empty when every
    // file is whole or as it was.
    const std::string& partlyWritten() const { return partlyWritten_; }

    StepResult run()
    {
        if (StepResult earlier = journal_.begin(parts_, keep_); !earlier.ok()) {
            refused_ = true;
            return earlier;
        }
        StepResult result = openAndLock();
        if (result.ok()) {
            journal_.opened(parts_);
            result = write();
        }
        if (result.ok())
            result = sync();
        const bool settled = result.ok() || rollBack();
        release();
        journal_.end(settled);
        return result;
    }

private:
    struct Handle {
        int fd = -1;
        std::int64_t written = 0; // what this call's write put into the file
    };

    // A file removed or replaced while we waited for its lock is opened again,
    // so a writer never appends to a dead inode.
    StepResult openAndLock()
    {
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            std::optional<StepResult> opened;
            for (int attempt = 0; attempt < 8 && !opened; ++attempt)
                opened = openOne(i);
            if (!opened)
                return {EAGAIN, "open", parts_[i].host};
            if (!opened->ok())
                return *opened;
            ++opened_;
        }
        return {};
    }

    // Opens and locks one file and notes its length and identity. Nothing
    // (and nothing left open) when the file was replaced while we waited for
    // its lock: worth another try.
    std::optional<StepResult> openOne(std::size_t i)
    {
        JournalPart& p = parts_[i];
        Handle& h = handles_[i];
        int err = 0;
        p.created = false;
        // Read too: a roll-back compares what lies past the noted length.
        h.fd = fds_.open(p.host, kOpenRead | kOpenAppend, err);
        if (h.fd < 0 && err == ENOENT) {
            h.fd = fds_.open(p.host, kOpenRead | kOpenAppend | kOpenCreate | kOpenExclusive, err);
            if (h.fd < 0 && err == EEXIST)
                return std::nullopt;
            p.created = h.fd >= 0;
        }
        if (h.fd < 0)
            return StepResult{err, "open", p.host};
        FileInfo byFd;
        FileInfo byPath;
        err = errnoOf(ops_.lock(h.fd, LockKind::Exclusive));
        if (err == 0 || lockUnsupported(err))
            err = errnoOf(ops_.fstat(h.fd, byFd));
        const bool replaced =
            err == 0 && (ops_.stat(p.host, byPath) != 0 || byPath.id != byFd.id || byPath.device != byFd.device);
        if (err == 0 && !replaced && byFd.directory)
            err = EISDIR;
        if (err != 0 || replaced) {
            closeOne(i, true);
            return replaced ? std::nullopt : std::optional<StepResult>(StepResult{err, "open", p.host});
        }
        p.opened = true;
        p.start = byFd.size;
        p.device = byFd.device;
        p.id = byFd.id;
        return StepResult{};
    }

    // Each file's text in one write; a short write is a failure.
    StepResult write()
    {
        for (std::size_t i = 0; i < opened_; ++i) {
            const std::string& bytes = parts_[i].bytes;
            if (bytes.empty())
                continue;
            const std::int64_t n = ops_.write(handles_[i].fd, bytes.data(), bytes.size());
            const int err = errnoOf(n);
            handles_[i].written = n > 0 ? n : 0;
            if (n != static_cast<std::int64_t>(bytes.size()))
                return {n < 0 ? err : ENOSPC, "write", parts_[i].host}; // short: the disk is full
        }
        return {};
    }

    // The recording is durable before it counts as done: each file, and the
    // folder of each file this call created. Every file's writing is started
    // before the first sync waits, so the disk takes them together.
    StepResult sync()
    {
        for (std::size_t i = 0; opened_ > 1 && i < opened_; ++i)
            ops_.startSync(handles_[i].fd);
        for (std::size_t i = 0; i < opened_; ++i) {
            int err = errnoOf(ops_.fsync(handles_[i].fd));
            if (err == 0 && parts_[i].created)
                err = syncDirectory(fds_, parentOf(parts_[i].host));
            if (err != 0)
                return {err, "sync", parts_[i].host};
        }
        return {};
    }

    // Cuts every file back to where it stood and removes a file we created;
    // true when every file is as it was.
    bool rollBack()
    {
        bool settled = true;
        for (std::size_t i = 0; i < opened_; ++i) {
            const bool cut = cutBack(i);
            if (!cut && settled)
                partlyWritten_ = parts_[i].host;
            settled = cut && settled;
        }
        return settled;
    }

    // Only when what lies past the noted length is exactly what this call
    // wrote: on a share without locks another writer may have appended since.
    bool cutBack(std::size_t i)
    {
        const JournalPart& p = parts_[i];
        const Handle& h = handles_[i];
        FileInfo now;
        if (ops_.fstat(h.fd, now) != 0 || now.size != p.start + h.written || !holdsOurs(i))
            return false;
        if (h.written > 0 && ops_.ftruncate(h.fd, p.start) != 0)
            return false;
        ops_.fsync(h.fd);
        if (p.created && p.start == 0)
            ops_.unlink(p.host);
        return true;
    }

    // Whether the file's bytes past the noted length are what we wrote.
    bool holdsOurs(std::size_t i)
    {
        const JournalPart& p = parts_[i];
        const std::int64_t written = handles_[i].written;
        std::string tail(static_cast<std::size_t>(written), '\0');
        return written == 0 || (ops_.pread(handles_[i].fd, tail.data(), tail.size(), p.start) == written &&
                                p.bytes.compare(0, tail.size(), tail) == 0);
    }

    // The data is synced; a failing close cannot lose it, so it is not an error.
    void release()
    {
        for (std::size_t i = 0; i < handles_.size(); ++i)
            closeOne(i, false);
        opened_ = 0;
    }

    void closeOne(std::size_t i, bool removeCreated)
    {
        Handle& h = handles_[i];
        if (h.fd < 0)
            return;
        if (removeCreated && parts_[i].created)
            ops_.unlink(parts_[i].host);
        fds_.close(h.fd); // closing the only descriptor releases the lock
        h.fd = -1;
    }

    Descriptors& fds_;
    FileOps& ops_;
    Journal& journal_;
    const KeepCut& keep_;
    std::vector<JournalPart> parts_;
    std::vector<Handle> handles_;
    std::size_t opened_ = 0;
    bool refused_ = false;
    std::string partlyWritten_;
};

} // namespace

Files::Files(FileOps& ops, DrivePaths drives, std::string stateDir)
    : ops_(ops), drives_(std::move(drives)), fds_(ops), state_(fds_, std::move(stateDir)), journal_(state_, fds_)
{
    hostTag_ = ops.hostName();
    for (char& c : hostTag_)
        if (c == '/' || c == '\\' || c == ':')
            c = '_';
}

Files::~Files()
{
    if (!claimed_.empty())
        removeStateFile(claimed_);
}

bool Files::createDirectories(const std::string& windowPath)
{
    try {
        return makeDirectories(ops_, hostPath(windowPath), false);
    } catch (const RuntimeError&) {
        return false;
    }
}

RuntimeError Files::errorFor(const StepResult& f) const
{
    const bool opening = std::strcmp(f.step, "open") == 0;
    int number = errorFromErrno(f.err, opening);
    if (opening && f.err == ENOENT) {
        FileInfo dir;
        number = ops_.stat(parentOf(f.host), dir) == 0 ? kFileNotFound : kPathNotFound;
    }
    return RuntimeError(number, f.host, std::string(f.step) + ": " + std::strerror(f.err));
}

// An existing file is opened without asking to create it: some shares let a
// student write to prepared files but create nothing. A file made here has
// its folder synced, as every record file a recording makes.
void Files::touch(const std::string& windowPath)
{
    const std::string host = hostPath(windowPath);
    int err = 0;
    int fd = fds_.open(host, kOpenAppend, err);
    bool created = false;
    if (fd < 0 && err == ENOENT) {
        fd = fds_.open(host, kOpenAppend | kOpenCreate | kOpenExclusive, err);
        created = fd >= 0;
        if (fd < 0 && err == EEXIST)
            fd = fds_.open(host, kOpenAppend, err);
    }
    if (fd < 0)
        raise({err, "open", host});
    fds_.close(fd);
    if (created && (err = syncDirectory(fds_, parentOf(host))) != 0)
        raise({err, "sync", host});
    FileInfo dir;
    const std::string folder = parentOf(host);
    if (!findFolder(folder) && ops_.stat(folder, dir) == 0)
        folders_.push_back({folder, dir.device, dir.id}); // as the session opened it
}

const Files::Folder* Files::findFolder(const std::string& host) const
{
    const auto f = std::find_if(folders_.begin(), folders_.end(), [&](const Folder& x) { return x.host == host; });
    return f == folders_.end() ? nullptr : &*f;
}

std::optional<StepResult> Files::folderReplaced(const std::vector<JournalPart>& parts)
{
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string dir = parentOf(parts[i].host);
        if (i > 0 && dir == parentOf(parts[i - 1].host))
            continue; // the same folder, asked once
        const Folder* opened = findFolder(dir);
        FileInfo now;
        // A folder gone is left to the open to report; one made again on the
        // same device is the student's own doing and serves.
        if (opened && ops_.stat(dir, now) == 0 && now.device != opened->device)
            return StepResult{ENOENT, "open", dir};
    }
    return std::nullopt;
}

int Files::readToEnd(int fd, std::string& out)
{
    char buf[1 << 16];
    while (true) {
        const std::int64_t n = ops_.read(fd, buf, sizeof buf);
        if (n <= 0)
            return errnoOf(n);
        out.append(buf, static_cast<std::size_t>(n));
    }
}

bool Files::isMissingOrEmpty(const std::string& windowPath)
{
    FileInfo info;
    const int err = errnoOf(ops_.stat(hostPath(windowPath), info));
    if (err != 0)
        return err == ENOENT;
    return !info.directory && info.size == 0;
}

// Waits for a writer to finish; a torn tail a killed writer left was cut at
// start-up (repairAbandoned).
std::string Files::readAll(const std::string& windowPath)
{
    const std::string host = hostPath(windowPath);
    int err = 0;
    const int fd = fds_.open(host, kOpenRead, err);
    if (fd < 0)
        raise({err, "open", host});
    FileInfo info;
    if (ops_.fstat(fd, info) == 0 && info.directory) {
        fds_.close(fd);
        raise({EISDIR, "open", host});
    }
    ops_.lock(fd, LockKind::Shared);
    std::string out;
    if (info.size > 0)
        out.reserve(static_cast<std::size_t>(info.size));
    err = readToEnd(fd, out);
    fds_.close(fd);
    if (err != 0)
        raise({err, "read", host});
    return out;
}

void Files::writeWhole(const std::string& windowPath, const std::string& bytes)
{
    const std::string host = hostPath(windowPath);
    int err = 0;
    const int fd = fds_.open(host, kOpenWrite | kOpenCreate | kOpenTruncate, err);
    if (fd < 0)
        raise({err, "open", host});
    const std::int64_t n = bytes.empty() ? 0 : ops_.write(fd, bytes.data(), bytes.size());
    err = errnoOf(n);
    if (err == 0 && n != static_cast<std::int64_t>(bytes.size()))
        err = ENOSPC; // a short write: the disk is full
    else if (err == 0)
        err = errnoOf(ops_.fsync(fd));
    fds_.close(fd);
    if (err != 0)
        raise({err, "write", host});
}

void Files::appendAll(const std::vector<AppendPart>& parts)
{
    std::vector<JournalPart> noted(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        noted[i].host = hostPath(parts[i].path); // 52 for a bad name, before anything is opened
        noted[i].bytes = parts[i].bytes;
    }
    if (const std::optional<StepResult> gone = folderReplaced(noted))
        throw RuntimeError(kPathNotFound, gone->host,
                           "the folder is not the one the session opened: a share may have gone from under it");
    if (keep_)
        journal_.repairAbandoned(keep_, false); // a torn tail of a program gone since, before we append
    AppendSteps steps(fds_, journal_, keep_, std::move(noted));
    const StepResult result = steps.run();
    if (result.ok() || !steps.refused())
        partlyWritten_ = steps.partlyWritten();
    if (!result.ok() && steps.refused()) {
        const RuntimeError e = errorFor(result); // the earlier recording's file, not this one's
        throw RuntimeError(e.number(), e.path(), "an earlier recording is still to be put right: " + e.reason());
    }
    if (!result.ok())
        raise(result);
}

std::vector<RuntimeError> Files::repairAbandoned(const KeepCut& keep)
{
    keep_ = keep;
    std::vector<RuntimeError> unsettled;
    for (const StepResult& failed : journal_.repairAbandoned(keep, true))
        unsettled.push_back(errorFor(failed));
    removeTemporariesOfTheGone();
    return unsettled;
}

// ".<name>.<host>-<pid>-<count>-<attempt>.tmp", as replaceFile makes them.
bool Files::temporaryOfTheGone(const std::string& name)
{
    if (name.size() < 5 || name[0] != '.' || name.compare(name.size() - 4, 4, ".tmp") != 0)
        return false;
    const std::string rest = name.substr(0, name.size() - 4);
    std::size_t dash = rest.size();
    for (int field = 0; field < 3; ++field) { // the attempt, the count, the process id
        dash = dash == 0 ? std::string::npos : rest.rfind('-', dash - 1);
        if (dash == std::string::npos)
            return false;
    }
    const std::string mark = "." + hostTag_;
    if (dash < mark.size() || rest.compare(dash - mark.size(), mark.size(), mark) != 0)
        return false;
    char* end = nullptr;
    const std::int64_t pid = std::strtoll(rest.c_str() + dash + 1, &end, 10);
    return end != rest.c_str() + dash + 1 && *end == '-' && pid != ops_.processId() && !ops_.processRunning(pid);
}

void Files::removeTemporariesOfTheGone()
{
    std::vector<std::string> names;
    if (!state_.usable() || ops_.listDirectory(state_.path(), names) != 0)
        return;
    bool removed = false;
    for (const std::string& name : names)
        if (temporaryOfTheGone(name))
            removed = ops_.unlink(joinPath(state_.path(), name)) == 0 || removed;
    if (removed)
        syncDirectory(fds_, state_.path());
}

Files::Claim Files::claim(const std::string& name)
{
    const std::int64_t pid = ops_.processId();
    const std::string mine = std::to_string(pid) + " " + std::to_string(ops_.processStarted(pid)) + "\n";
    for (int attempt = 0; attempt < 4; ++attempt) {
        int err = 0;
        const int fd = state_.open(name, kOpenWrite | kOpenCreate | kOpenExclusive | kOpenPrivate, err);
        if (fd >= 0) {
            const bool ok = ops_.pwrite(fd, mine.data(), mine.size(), 0) == static_cast<std::int64_t>(mine.size());
            err = ok ? errnoOf(ops_.fsync(fd)) : errno;
            fds_.close(fd);
            if (ok && err == 0) {
                claimed_ = name;
                syncDirectory(fds_, state_.path());
                return Claim::Ours;
            }
            ops_.unlink(joinPath(state_.path(), name));
        }
        if (err != EEXIST) {
            if (state_.usable())
                state_.setProblem(std::string("it cannot be written (") + std::strerror(err) + ")");
            return Claim::Unavailable;
        }
        const std::string held = readStateFile(name).value_or(std::string());
        char* end = nullptr;
        const std::int64_t holder = std::strtoll(held.c_str(), &end, 10);
        const std::uint64_t started = std::strtoull(end, nullptr, 10);
        if (held == mine) {
            claimed_ = name;
            return Claim::Ours;
        }
        if (end != held.c_str() && holder != pid && Journal::running(ops_, holder, started))
            return Claim::Taken;
        ops_.unlink(joinPath(state_.path(), name)); // left by a program that is gone
    }
    return Claim::Unavailable;
}

bool Files::writeStateFile(const std::string& name, const std::string& bytes)
{
    if (!state_.usable())
        return false;
    const auto write = [&](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    return replaceFile(ops_, joinPath(state_.path(), name), write, {kOpenPrivate | kOpenNoFollow, {}, {}, {}})
        .ok();
}

std::optional<std::string> Files::readStateFile(const std::string& name)
{
    int err = 0;
    const int fd = state_.open(name, kOpenRead, err);
    if (fd < 0)
        return std::nullopt;
    std::string out;
    err = readToEnd(fd, out);
    fds_.close(fd);
    if (err != 0)
        return std::nullopt;
    return out;
}

// The removal is synced: a draft that came back after its recording was
// whole would be recorded twice.
void Files::removeStateFile(const std::string& name)
{
    if (state_.usable() && ops_.unlink(joinPath(state_.path(), name)) == 0)
        syncDirectory(fds_, state_.path());
}

} // namespace qa
