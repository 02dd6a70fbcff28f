#include "store/files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "platform/paths.h"
#include "platform/replace_file.h"

namespace qa {

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
            // Not synced: a claim stands only while its program runs, and
            // one lost or left empty by a power cut is taken as gone.
            const bool ok = ops_.pwrite(fd, mine.data(), mine.size(), 0) == static_cast<std::int64_t>(mine.size());
            err = ok ? 0 : errno;
            fds_.close(fd);
            if (ok) {
                claimed_ = name;
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
