#include "store/journal.h"

#include <string_view>

#include "platform/paths.h"
#include "store/repair_recording.h"

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

void Journal::prepare()
{
    int err = 0;
    const int fd = dir_.open(name_, kOpenRead | kOpenWrite | kOpenCreate | kOpenExclusive | kOpenPrivate, err);
    if (fd < 0)
        return; // there already (it may hold a mark), or no state folder: made by the first recording
    FileOps& ops = fds_.ops();
    std::string idle(kHead);
    idle += kIdle;
    idle += '\n';
    idle.resize(4096, ' ');
    if (ops.pwrite(fd, idle.data(), idle.size(), 0) == static_cast<std::int64_t>(idle.size()))
        ops.fsync(fd);
    fds_.close(fd);
    maybePending_ = false; // made now: no mark from before
}

// An idle journal goes with its program; a pending one stays for the repair.
Journal::~Journal()
{
    if (fd_ >= 0)
        fds_.close(fd_);
    if (!maybePending_)
        fds_.ops().unlink(joinPath(dir_.path(), name_));
}

StepResult Journal::settlePending(const KeepCut& keep, std::string* whole)
{
    // A recording that an exception cut short never ended: its mark stays
    // pending, but its handle goes, or Windows could neither remove nor
    // replace the journal while this program runs.
    if (fd_ >= 0 && !maybePending_)
        return {}; // open, and nothing left from before
    if (fd_ >= 0) {
        fds_.close(fd_);
        fd_ = -1;
    }
    int err = 0;
    fd_ = dir_.open(name_, kOpenRead | kOpenWrite | kOpenCreate | kOpenPrivate, err);
    if (fd_ < 0 || !maybePending_)
        return {};
    StepResult failed;
    const std::optional<std::string> text = readWhole(fds_.ops(), fd_);
    const auto left = text ? parseJournal(*text) : std::nullopt;
    if (!text)
        failed = {errno != 0 ? errno : EIO, "read", joinPath(dir_.path(), name_)};
    else if (left) {
        const Settled settled = settle(*left, keep, failed);
        if (settled == Settled::Whole && whole)
            *whole = left->front().bytes;
        if (settled != Settled::Done && settled != Settled::Whole && failed.ok())
            failed = {EIO, "keep", dir_.path()};
    }
    if (!failed.ok()) { // the mark stays for a later begin or start
        fds_.close(fd_);
        fd_ = -1;
        return failed;
    }
    maybePending_ = false; // settled: the next begin writes over it
    return {};
}

StepResult Journal::begin(const std::vector<JournalPart>& parts, const KeepCut& keep)
{
    if (StepResult earlier = settlePending(keep); !earlier.ok() || fd_ < 0)
        return earlier;
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
    if (repaired == Repaired::Whole)
        return Settled::Whole;
    if (keep && !keep(cutOf(parts)))
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
        if (!parts && name == name_)
            continue; // the idle one this program made ready
        switch (parts ? settle(*parts, keep, failed) : Settled::Done) {
        case Settled::Unreachable: continue; // a share not there now: for a later start
        case Settled::NotKept: continue;     // its text is not safe yet: the next start repairs it again
        case Settled::Unsettled:
            // Its text is handed on only once its block can be cut: handed
            // on now, it could be recorded again beside the torn block.
            unsettled.push_back(failed);
            continue;
        case Settled::Whole:
        case Settled::Done: break;
        }
        ops.unlink(joinPath(dir_.path(), name));
        syncDirectory(fds_, dir_.path());
        if (name == name_)
            maybePending_ = false;
    }
    return unsettled;
}

} // namespace qa
