#include "store/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/errors.h"
#include "platform/paths.h"
#include "store/append_steps.h"

namespace qa {

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

void Files::appendAll(const std::vector<AppendPart>& parts, const SameRecording& same)
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
    settleOurs(noted, same);
    if (noted.empty()) { // recorded already, by the earlier click
        journal_.end(true);
        partlyWritten_.clear();
        return;
    }
    AppendSteps steps(fds_, journal_, keep_, std::move(noted));
    const StepResult result = steps.run();
    if (result.ok() || !steps.refused())
        partlyWritten_ = steps.partlyWritten();
    if (!result.ok() && steps.refused())
        refuse(result);
    if (!result.ok())
        raise(result);
}

void Files::refuse(const StepResult& earlier) const
{
    const RuntimeError e = errorFor(earlier); // the earlier recording's file, not this one's
    throw RuntimeError(e.number(), e.path(), "an earlier recording is still to be put right: " + e.reason());
}

// An earlier recording of ours still to be put right is settled before this
// one is noted. Where it then stands whole in every file, and this one
// records the same text, this one is that recording: nothing is left to
// write.
void Files::settleOurs(std::vector<JournalPart>& noted, const SameRecording& same)
{
    std::string whole;
    const StepResult earlier = journal_.settlePending(keep_, &whole);
    if (!earlier.ok())
        refuse(earlier);
    if (!whole.empty() && same && !noted.empty() && same(whole, noted.front().bytes))
        noted.clear();
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

} // namespace qa
