#pragma once
// Counted descriptors over the file seam, and the small steps built on them
// that every writer of whole or appended files shares.
#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/file_ops.h"

namespace qa {

// The errno of a call that returned `result`, read right after it; 0 when the
// call succeeded.
inline int errnoOf(std::int64_t result)
{
    return result < 0 ? errno : 0;
}

// What a step of a file call came to: the errno of its failing system call
// (0 when it succeeded), which step that was ("open", "write", "sync",
// "read"), and on which host file.
struct StepResult {
    int err = 0;
    const char* step = "";
    std::string host;
    bool ok() const { return err == 0; }
};

// Descriptors opened through one FileOps, counted while they are open.
class Descriptors {
public:
    explicit Descriptors(FileOps& ops) : ops_(ops) {}
    FileOps& ops() const { return ops_; }
    // The descriptor, or -1 with the errno of the failed open in `err`.
    int open(const std::string& host, unsigned flags, int& err);
    void close(int fd);
    int count() const { return count_; }

private:
    FileOps& ops_;
    int count_ = 0;
};

// Syncs a directory's entries (a file made, renamed or removed in it). A
// share or FUSE file system that cannot sync a directory says EINVAL; that is
// no failure. Returns 0 or an errno value.
int syncDirectory(Descriptors& fds, const std::string& dir);

// Makes each missing directory on the way to `host`; false when one could
// not be made.
bool makeDirectories(FileOps& ops, const std::string& host, bool ownerOnly);

} // namespace qa
