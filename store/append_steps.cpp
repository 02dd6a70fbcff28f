#include "store/append_steps.h"

#include "platform/paths.h"

namespace qa {
namespace {

// A lock refused because the file system has none (an SMB mount without
// byte-range locks, NFS without a lock daemon): the recording goes on unlocked.
bool lockUnsupported(int err)
{
    return err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL;
}

} // namespace

AppendSteps::AppendSteps(Descriptors& fds, Journal& journal, const KeepCut& keep, std::vector<JournalPart> parts)
    : fds_(fds), ops_(fds.ops()), journal_(journal), keep_(keep), parts_(std::move(parts)), handles_(parts_.size())
{
}

StepResult AppendSteps::run()
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

// A file removed or replaced while we waited for its lock is opened again,
// so a writer never appends to a dead inode.
StepResult AppendSteps::openAndLock()
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
std::optional<StepResult> AppendSteps::openOne(std::size_t i)
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
StepResult AppendSteps::write()
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
StepResult AppendSteps::sync()
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
bool AppendSteps::rollBack()
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
bool AppendSteps::cutBack(std::size_t i)
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
bool AppendSteps::holdsOurs(std::size_t i)
{
    const JournalPart& p = parts_[i];
    const std::int64_t written = handles_[i].written;
    std::string tail(static_cast<std::size_t>(written), '\0');
    return written == 0 || (ops_.pread(handles_[i].fd, tail.data(), tail.size(), p.start) == written &&
                            p.bytes.compare(0, tail.size(), tail) == 0);
}

// The data is synced; a failing close cannot lose it, so it is not an error.
void AppendSteps::release()
{
    for (std::size_t i = 0; i < handles_.size(); ++i)
        closeOne(i, false);
    opened_ = 0;
}

void AppendSteps::closeOne(std::size_t i, bool removeCreated)
{
    Handle& h = handles_[i];
    if (h.fd < 0)
        return;
    if (removeCreated && parts_[i].created)
        ops_.unlink(parts_[i].host);
    fds_.close(h.fd); // closing the only descriptor releases the lock
    h.fd = -1;
}

} // namespace qa
