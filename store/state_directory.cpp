#include "store/state_directory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/paths.h"
#ifdef _WIN32
#include "platform/win32_text.h"
#endif

namespace qa {

#ifdef _WIN32

std::string defaultStateDirectory()
{
    if (std::string local = win32::environment(L"LOCALAPPDATA"); !local.empty())
        return joinPath(local, "qa-tutor");
    return joinPath(joinPath(joinPath(homeDirectory(), "AppData"), "Local"), "qa-tutor");
}

#else

std::string defaultStateDirectory()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return joinPath(state, "qa-tutor");
    return homeDirectory() + "/.local/state/qa-tutor";
}

#endif

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

} // namespace qa
