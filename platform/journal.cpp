#include "platform/journal.h"

#include <cstdio>
#include <cstring>
#include <ostream>
#include <string_view>

#include "platform/paths.h"
#include "platform/replace_file.h"

namespace qa {
namespace {

// "qa-tutor journal A\n": the mark at kStateAt reads 'A' while a recording is
// under way and '-' when none is; it is flipped in place with one write.
constexpr std::string_view kHead = "qa-tutor journal ";
constexpr std::size_t kStateAt = kHead.size();
constexpr char kPending = 'A';
constexpr char kIdle = '-';
// A journal that claims more than this is not one of ours.
constexpr std::uint64_t kLargestJournaledAppend = std::uint64_t{1} << 30;

// A host name as it may stand in a file name.
std::string fileNamePart(const std::string& host)
{
    std::string out;
    for (char c : host) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
        out += plain ? c : '_';
    }
    return out.empty() ? "host" : out;
}

// Reads a decimal field ended by `after`; false when there is none.
bool readField(std::string_view& in, std::uint64_t& value, char after)
{
    value = 0;
    std::size_t i = 0;
    for (; i < in.size() && in[i] >= '0' && in[i] <= '9' && i < 20; ++i)
        value = value * 10 + static_cast<std::uint64_t>(in[i] - '0');
    if (i == 0 || i >= in.size() || in[i] != after)
        return false;
    in.remove_prefix(i + 1);
    return true;
}

bool readBytes(std::string_view& in, std::uint64_t length, std::string& out)
{
    if (length > in.size())
        return false;
    out.assign(in.substr(0, static_cast<std::size_t>(length)));
    in.remove_prefix(static_cast<std::size_t>(length));
    return true;
}

std::optional<JournalPart> readPart(std::string_view& in)
{
    std::uint64_t f[7] = {};
    for (int i = 0; i < 7; ++i)
        if (!readField(in, f[i], i == 6 ? '\n' : ' '))
            return std::nullopt;
    JournalPart p;
    p.opened = f[0] == 1;
    p.created = f[1] == 1;
    p.start = static_cast<std::int64_t>(f[2]);
    p.device = f[3];
    p.id = f[4];
    if (f[0] > 1 || f[1] > 1 || f[2] > (std::uint64_t{1} << 62) || f[6] > kLargestJournaledAppend ||
        !readBytes(in, f[5], p.host) || !readBytes(in, f[6], p.bytes))
        return std::nullopt;
    return p;
}

// Whole file through a descriptor; nullopt when a read fails.
std::optional<std::string> readWhole(FileOps& ops, int fd)
{
    std::string out;
    char buf[1 << 14];
    for (std::int64_t n; (n = ops.pread(fd, buf, sizeof buf, static_cast<std::int64_t>(out.size()))) != 0;) {
        if (n < 0)
            return std::nullopt;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

} // namespace

int Descriptors::open(const std::string& host, unsigned flags, int& err)
{
    const int fd = ops_.open(host, flags);
    err = errnoOf(fd);
    if (fd >= 0)
        ++count_;
    return fd;
}

void Descriptors::close(int fd)
{
    ops_.close(fd);
    --count_;
}

int syncDirectory(Descriptors& fds, const std::string& dir)
{
    int err = 0;
    const int fd = fds.open(dir, kOpenDirectory, err);
    if (fd < 0)
        return err;
    err = errnoOf(fds.ops().fsync(fd));
    fds.close(fd);
    return err == EINVAL ? 0 : err;
}

bool makeDirectories(FileOps& ops, const std::string& host, bool ownerOnly)
{
    for (std::size_t pos = 1; pos <= host.size(); ++pos) {
        if (pos == host.size() || isPathSeparator(host[pos])) {
            const int err = errnoOf(ops.mkdir(host.substr(0, pos), ownerOnly));
            if (err != 0 && err != EEXIST)
                return false;
        }
    }
    return true;
}

bool StateDirectory::usable()
{
    if (trust_ != Trust::Unknown)
        return trust_ == Trust::Trusted;
    FileOps& ops = fds_.ops();
    FileInfo info;
    int err = errnoOf(ops.stat(path_, info));
    if (err == ENOENT && makeDirectories(ops, path_, true))
        err = errnoOf(ops.stat(path_, info));
    if (err != 0) {
        problem_ = std::string("it cannot be made or reached (") + std::strerror(err) + ")";
        return false; // asked again next time: it may be made then
    }
    const bool safe = info.directory && info.ownedByUser && (info.mode & 022) == 0;
    trust_ = safe ? Trust::Trusted : Trust::Refused;
    if (!info.directory)
        problem_ = "it is not a folder";
    else if (!info.ownedByUser)
        problem_ = "it belongs to another user";
    else if (!safe) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", info.mode & 07777);
        problem_ = std::string("other users may write to it (its mode is ") + mode + ")";
    }
    return safe;
}

int StateDirectory::open(const std::string& name, unsigned flags, int& err)
{
    if (!usable()) {
        err = EACCES;
        return -1;
    }
    return fds_.open(joinPath(path_, name), flags | kOpenNoFollow, err);
}

std::string journalText(const std::vector<JournalPart>& parts)
{
    std::string out(kHead);
    out += kPending;
    out += '\n' + std::to_string(parts.size()) + '\n';
    for (const JournalPart& p : parts) {
        out += std::to_string(p.opened ? 1 : 0) + ' ' + std::to_string(p.created ? 1 : 0) + ' ' +
               std::to_string(p.start) + ' ' + std::to_string(p.device) + ' ' + std::to_string(p.id) + ' ' +
               std::to_string(p.host.size()) + ' ' + std::to_string(p.bytes.size()) + '\n';
        out += p.host;
        out += p.bytes;
    }
    return out;
}

std::optional<std::vector<JournalPart>> parseJournal(const std::string& text)
{
    std::string_view in = text;
    if (in.substr(0, kStateAt) != kHead || in.size() < kStateAt + 2 || in[kStateAt] != kPending ||
        in[kStateAt + 1] != '\n')
        return std::nullopt;
    in.remove_prefix(kStateAt + 2);
    std::uint64_t count = 0;
    if (!readField(in, count, '\n') || count == 0 || count > 16)
        return std::nullopt;
    std::vector<JournalPart> parts;
    while (parts.size() < count) {
        std::optional<JournalPart> p = readPart(in);
        if (!p)
            return std::nullopt;
        parts.push_back(std::move(*p));
    }
    return parts;
}

Journal::Journal(StateDirectory& dir, Descriptors& fds) : dir_(dir), fds_(fds)
{
    FileOps& ops = fds.ops();
    const std::int64_t pid = ops.processId();
    name_ = "journal-" + fileNamePart(ops.hostName()) + "-" + std::to_string(pid) + "." +
            std::to_string(ops.processStarted(pid));
}

bool Journal::running(FileOps& ops, std::int64_t pid, std::uint64_t started)
{
    if (!ops.processRunning(pid))
        return false;
    const std::uint64_t now = started == 0 ? 0 : ops.processStarted(pid);
    return now == 0 || now == started; // a start time not known is taken as the same
}

// An idle journal goes with its program; a pending one stays for the repair.
Journal::~Journal()
{
    if (fd_ >= 0)
        fds_.close(fd_);
    if (!maybePending_)
        fds_.ops().unlink(joinPath(dir_.path(), name_));
}

StepResult Journal::begin(const std::vector<JournalPart>& parts, const KeepCut& keep)
{
    // A recording that an exception cut short never ended: its mark stays
    // pending, but its handle goes, or Windows could neither remove nor
    // replace the journal while this program runs.
    if (fd_ >= 0) {
        fds_.close(fd_);
        fd_ = -1;
    }
    int err = 0;
    fd_ = dir_.open(name_, kOpenRead | kOpenWrite | kOpenCreate | kOpenPrivate, err);
    if (fd_ < 0)
        return {};
    if (maybePending_) {
        StepResult failed;
        const std::optional<std::string> text = readWhole(fds_.ops(), fd_);
        const auto left = text ? parseJournal(*text) : std::nullopt;
        if (!text)
            failed = {errno != 0 ? errno : EIO, "read", joinPath(dir_.path(), name_)};
        else if (left && settle(*left, keep, failed) != Settled::Done && failed.ok())
            failed = {EIO, "keep", dir_.path()};
        if (!failed.ok()) { // the mark stays for a later begin or start
            fds_.close(fd_);
            fd_ = -1;
            return failed;
        }
    }
    maybePending_ = true; // until the recording is settled
    write(parts);
    return {};
}

// Synced before the first record file is written: a block on disk always
// has its journal there too.
void Journal::opened(const std::vector<JournalPart>& parts)
{
    if (fd_ >= 0)
        write(parts);
    if (fd_ >= 0)
        fds_.ops().fsync(fd_);
}

void Journal::write(const std::vector<JournalPart>& parts)
{
    const std::string text = journalText(parts);
    if (fds_.ops().pwrite(fd_, text.data(), text.size(), 0) != static_cast<std::int64_t>(text.size()))
        end(true); // go on without: a mark that may be garbled must not stay
}

// A mark must not outlive a settled recording: a repair would take it for an
// abandoned one. It is flipped in place with one small write (cheaper than a
// file made and removed for every recording), or removed when even that fails.
void Journal::end(bool settled)
{
    if (fd_ < 0)
        return;
    FileOps& ops = fds_.ops();
    maybePending_ = !settled;
    if (settled && ops.pwrite(fd_, &kIdle, 1, static_cast<std::int64_t>(kStateAt)) != 1 &&
        ops.unlink(joinPath(dir_.path(), name_)) != 0)
        ops.ftruncate(fd_, 0);
    fds_.close(fd_);
    fd_ = -1;
}

bool Journal::ours(const std::string& name, bool alsoOurs) const
{
    const std::string prefix = name_.substr(0, name_.rfind('-') + 1);
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() == prefix.size() ||
        name.size() > prefix.size() + 40)
        return false;
    std::uint64_t fields[2] = {0, 0};
    int field = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] == '.' && field == 0 && i > prefix.size()) {
            field = 1;
            continue;
        }
        if (name[i] < '0' || name[i] > '9')
            return false;
        fields[field] = fields[field] * 10 + static_cast<std::uint64_t>(name[i] - '0');
    }
    const auto pid = static_cast<std::int64_t>(fields[0]);
    FileOps& ops = fds_.ops();
    // Our own id under another name was a program before us that is gone.
    if (name == name_)
        return alsoOurs;
    return pid == ops.processId() || !running(ops, pid, fields[1]);
}

namespace {

// The first file the journal names whose folder cannot be reached (a share
// that is not there now); nothing when every one can.
const JournalPart* unreachable(FileOps& ops, const std::vector<JournalPart>& parts)
{
    for (const JournalPart& p : parts) {
        FileInfo dir;
        if (ops.stat(parentOf(p.host), dir) != 0 || !dir.directory)
            return &p;
    }
    return nullptr;
}

CutRecording cutOf(const std::vector<JournalPart>& parts)
{
    CutRecording out;
    for (const JournalPart& p : parts)
        out.files.push_back(p.host);
    out.bytes = parts.front().bytes;
    return out;
}

} // namespace

// A folder not reachable keeps the recording as it is: a file missing from it
// would be taken for one removed since, and its torn block, once the folder
// is back, would stand beside the text handed on.
Journal::Settled Journal::settle(const std::vector<JournalPart>& parts, const KeepCut& keep, StepResult& failed)
{
    if (const JournalPart* p = unreachable(fds_.ops(), parts)) {
        failed = {ENOENT, "open", p->host};
        return Settled::Unreachable;
    }
    const Repaired repaired = repairRecording(fds_, parts, &failed);
    if (repaired == Repaired::Unsettled)
        return Settled::Unsettled;
    if (repaired == Repaired::Cut && keep && !keep(cutOf(parts)))
        return Settled::NotKept;
    return Settled::Done;
}

std::vector<StepResult> Journal::repairAbandoned(const KeepCut& keep, bool alsoOurs)
{
    std::vector<std::string> names;
    std::vector<StepResult> unsettled;
    FileOps& ops = fds_.ops();
    if (fd_ >= 0 || !dir_.usable() || ops.listDirectory(dir_.path(), names) != 0)
        return unsettled;
    for (const std::string& name : names) {
        if (!ours(name, alsoOurs))
            continue;
        int err = 0;
        const int fd = dir_.open(name, kOpenRead, err);
        if (fd < 0)
            continue;
        const std::optional<std::string> text = readWhole(ops, fd);
        fds_.close(fd);
        if (!text)
            continue; // not read now: it may hold a recording
        StepResult failed;
        const auto parts = parseJournal(*text);
        switch (parts ? settle(*parts, keep, failed) : Settled::Done) {
        case Settled::Unreachable: continue; // a share not there now: for a later start
        case Settled::NotKept: continue;     // its text is not safe yet: the next start repairs it again
        case Settled::Unsettled:
            // Its text is handed on only once its block can be cut: handed
            // on now, it could be recorded again beside the torn block.
            unsettled.push_back(failed);
            continue;
        case Settled::Done: break;
        }
        ops.unlink(joinPath(dir_.path(), name));
        syncDirectory(fds_, dir_.path());
        if (name == name_)
            maybePending_ = false;
    }
    return unsettled;
}

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
// replaced: the repair is left for later.
StepResult cutByCopy(Descriptors& fds, Checked& c, const JournalPart& p)
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
    return {r.err, "cut", p.host};
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
    for (std::size_t i = 0; i < parts.size() && known; ++i) {
        Checked& c = checked[i];
        StepResult step;
        if (whole && c.fd >= 0) {
            step = {errnoOf(ops.fsync(c.fd)), "sync", parts[i].host};
        } else if (c.same && c.holds != Holds::Other) {
            if (c.holds != Holds::Nothing)
                step = {errnoOf(ops.ftruncate(c.fd, parts[i].start)), "cut", parts[i].host};
            if (cannotTruncate(step.err) && !(parts[i].created && parts[i].start == 0))
                step = cutByCopy(fds, c, parts[i]); // synced, and closed where it had to be
            else if (cannotTruncate(step.err))
                step = {}; // made by the recording: removed below
            if (step.ok() && c.fd >= 0)
                step = {errnoOf(ops.fsync(c.fd)), "sync", parts[i].host};
            if (step.ok() && parts[i].created && parts[i].start == 0)
                ops.unlink(parts[i].host); // made by the recording: removed again
        }
        if (!step.ok() && settled && failed)
            *failed = step;
        settled = settled && step.ok();
    }
    for (const Checked& c : checked)
        if (c.fd >= 0)
            fds.close(c.fd);
    return !known || !settled ? Repaired::Unsettled : whole ? Repaired::Whole : Repaired::Cut;
}

} // namespace qa
