#include "store/repair_recording.h"

#include <algorithm>
#include <ostream>
#include <string_view>

#include "platform/paths.h"
#include "platform/replace_file.h"

namespace qa {
namespace {

// What one file holds of a recording's part. Unknown: the file is there but
// could not be opened or read, so whether it holds a torn block is not known.
enum class Holds { Nothing, Whole, Torn, Other, Unknown };

struct Checked {
    int fd = -1;
    bool same = false; // the file the journal noted, not cut or replaced since
    Holds holds = Holds::Nothing;
    StepResult failed; // why it is Unknown
};

Checked check(Descriptors& fds, const JournalPart& p)
{
    Checked c;
    int err = 0;
    if (!p.opened)
        return c;
    if ((c.fd = fds.open(p.host, kOpenRead | kOpenWrite, err)) < 0) {
        if (err != ENOENT)
            c = {-1, false, Holds::Unknown, {err, "open", p.host}};
        return c; // gone since, or not to be opened now
    }
    FileOps& ops = fds.ops();
    ops.lock(c.fd, LockKind::Exclusive); // where there are no locks, it goes on without
    FileInfo now;
    if (ops.fstat(c.fd, now) != 0) {
        c.holds = Holds::Unknown;
        c.failed = {errno, "read", p.host};
        return c;
    }
    c.same = now.id == p.id && now.device == p.device && now.size >= p.start;
    if (!c.same || now.size == p.start)
        return c; // replaced, cut by someone else, or nothing written
    if (now.size - p.start > static_cast<std::int64_t>(p.bytes.size())) {
        c.holds = Holds::Other;
        return c;
    }
    std::string tail(static_cast<std::size_t>(now.size - p.start), '\0');
    const std::int64_t n = ops.pread(c.fd, tail.data(), tail.size(), p.start);
    if (n != static_cast<std::int64_t>(tail.size())) {
        c.holds = Holds::Unknown;
        c.failed = {n < 0 ? errno : EIO, "read", p.host};
    } else if (tail == p.bytes) {
        c.holds = Holds::Whole;
    } else {
        c.holds = p.bytes.compare(0, tail.size(), tail) == 0 ? Holds::Torn : Holds::Other;
    }
    return c;
}

// A file system that cannot cut a file back (an SMB share through gvfs says
// "operation not supported").
bool cannotTruncate(int err)
{
    return err == EOPNOTSUPP || err == ENOSYS || err == EPERM;
}

// The file put back to its first `start` bytes another way: those bytes
// written to a temporary in the same folder, synced, renamed over it, the
// folder synced. It needs a folder where the student may create files; the
// file is a new one then (its permissions the folder's default). A writer
// waiting for the lock finds the file replaced and opens it again. Where the
// system renames nothing over an open file (Windows), our handle is closed
// first, and a writer that holds the file open then keeps it from being
// replaced: the repair is left for later. `refused` says whether the folder
// refuses it for good: no file may be made there, or nothing renamed.
StepResult cutByCopy(Descriptors& fds, Checked& c, const JournalPart& p, bool& refused)
{
    FileOps& ops = fds.ops();
    std::string prefix(static_cast<std::size_t>(p.start), '\0');
    const std::int64_t n = prefix.empty() ? 0 : ops.pread(c.fd, prefix.data(), prefix.size(), 0);
    if (n != static_cast<std::int64_t>(prefix.size()))
        return {n < 0 ? errno : EIO, "read", p.host};
    ReplaceOptions options;
    options.releaseTarget = [&fds, &c] {
        fds.close(c.fd);
        c.fd = -1;
    };
    const Replaced r = replaceFile(
        ops, p.host,
        [&prefix](std::ostream& out) { out.write(prefix.data(), static_cast<std::streamsize>(prefix.size())); },
        options);
    const std::string_view step = r.step;
    refused = (step == "create" && (r.err == EACCES || r.err == EPERM || r.err == EROFS)) ||
              (step == "rename" && (r.err == EOPNOTSUPP || r.err == ENOSYS || r.err == EPERM));
    return {r.err, "cut", p.host};
}

// One file of a recording that is not whole put back to its noted length,
// synced, and removed when the recording made it. A file that can be neither
// cut back nor replaced keeps what it holds of the block (`keptForGood`):
// that is no failure, since nothing a later start could do would take it out.
StepResult putBack(Descriptors& fds, Checked& c, const JournalPart& p, bool& keptForGood)
{
    FileOps& ops = fds.ops();
    StepResult step;
    if (c.holds != Holds::Nothing)
        step = {errnoOf(ops.ftruncate(c.fd, p.start)), "cut", p.host};
    const bool made = p.created && p.start == 0;
    if (cannotTruncate(step.err) && !made) {
        bool refused = false;
        step = cutByCopy(fds, c, p, refused); // synced, and closed where it had to be
        if (refused) {
            keptForGood = true;
            return {};
        }
    } else if (cannotTruncate(step.err)) {
        step = {}; // made by the recording: removed below
    }
    if (step.ok() && c.fd >= 0)
        step = {errnoOf(ops.fsync(c.fd)), "sync", p.host};
    if (step.ok() && made)
        ops.unlink(p.host); // made by the recording: removed again
    return step;
}

// What a file keeps for good of its part, and what is missing after it,
// appended and synced: all of the part where the file was put back (made
// again where the recording made it and the repair removed it), the rest of
// a beginning left in place. A file that holds anything else past its noted
// length (another writer's text) is left as it is.
StepResult finishPart(Descriptors& fds, const JournalPart& p)
{
    FileOps& ops = fds.ops();
    const bool made = !p.opened || (p.created && p.start == 0);
    int err = 0;
    const int fd = fds.open(p.host, kOpenRead | kOpenAppend | (made ? kOpenCreate : 0u), err);
    if (fd < 0)
        return {err, "open", p.host};
    ops.lock(fd, LockKind::Exclusive); // where there are no locks, it goes on without
    FileInfo now;
    StepResult step;
    if (ops.fstat(fd, now) != 0)
        step = {errno, "read", p.host};
    const std::int64_t start = p.opened ? p.start : now.size; // never opened: never written
    const std::int64_t has = now.size - start;
    std::string tail(static_cast<std::size_t>(std::max<std::int64_t>(has, 0)), '\0');
    if (step.ok() && has > 0 && has <= static_cast<std::int64_t>(p.bytes.size()) &&
        ops.pread(fd, tail.data(), tail.size(), start) != has)
        step = {errno != 0 ? errno : EIO, "read", p.host};
    const bool ours =
        has >= 0 && has <= static_cast<std::int64_t>(p.bytes.size()) && p.bytes.compare(0, tail.size(), tail) == 0;
    const std::string rest = ours ? p.bytes.substr(tail.size()) : std::string();
    if (step.ok() && !rest.empty() &&
        ops.write(fd, rest.data(), rest.size()) != static_cast<std::int64_t>(rest.size()))
        step = {errno != 0 ? errno : ENOSPC, "write", p.host};
    if (step.ok() && !rest.empty())
        step = {errnoOf(ops.fsync(fd)), "sync", p.host};
    if (step.ok() && !rest.empty() && now.size == 0)
        step = {syncDirectory(fds, parentOf(p.host)), "sync", parentOf(p.host)};
    fds.close(fd);
    return step;
}

} // namespace

Repaired repairRecording(Descriptors& fds, const std::vector<JournalPart>& parts, StepResult* failed)
{
    FileOps& ops = fds.ops();
    std::vector<Checked> checked;
    bool whole = true;
    bool known = true;
    for (const JournalPart& p : parts) { // locked in the order the recording locks them
        checked.push_back(check(fds, p));
        whole = whole && (checked.back().holds == Holds::Whole || p.bytes.empty());
        if (known && checked.back().holds == Holds::Unknown && failed)
            *failed = checked.back().failed;
        known = known && checked.back().holds != Holds::Unknown;
    }
    // A cut or a sync that fails leaves the recording unsettled: its text is
    // not handed on while its block may still stand, or come back after a
    // power cut; the next repair does again what this one could not.
    bool settled = true;
    bool keptForGood = false;
    for (std::size_t i = 0; i < parts.size() && known; ++i) {
        Checked& c = checked[i];
        StepResult step;
        if (whole && c.fd >= 0)
            step = {errnoOf(ops.fsync(c.fd)), "sync", parts[i].host};
        else if (!whole && c.same && c.holds != Holds::Other)
            step = putBack(fds, c, parts[i], keptForGood);
        if (!step.ok() && settled && failed)
            *failed = step;
        settled = settled && step.ok();
    }
    for (const Checked& c : checked)
        if (c.fd >= 0)
            fds.close(c.fd);
    // What cannot be taken out is finished instead: the recording then
    // stands whole once in every file, and nothing is handed on to be
    // recorded a second time beside it.
    for (std::size_t i = 0; i < parts.size() && known && settled && keptForGood; ++i) {
        const StepResult step = finishPart(fds, parts[i]);
        if (!step.ok() && failed)
            *failed = step;
        settled = step.ok();
    }
    if (!known || !settled)
        return Repaired::Unsettled;
    return whole || keptForGood ? Repaired::Whole : Repaired::Cut;
}

} // namespace qa
