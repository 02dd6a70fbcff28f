#pragma once
#include <string>
#include <vector>

#include "platform/file_ops.h"

namespace qa {

// One file's share of a recording: the whole text to append to it.
struct AppendPart {
    std::string path; // the path as the window knows it (c:\kelvarno\...)
    std::string bytes;
};

// The record files as the core sees them. Paths are the window's own Windows
// paths; they are mapped to the host only here. Nothing stays open between
// calls.
class Files {
public:
    // `driveRoot` is where drive letters live on a host without drives: X:\a
    // becomes <driveRoot>/x/a.
    Files(FileOps& ops, std::string driveRoot);

    // The drive root from QA_TUTOR_DRIVE_ROOT, else the home directory.
    static std::string defaultDriveRoot();

    // The host path of a window path. Raises 52 for a path that names a parent
    // directory ("..") or holds a NUL.
    std::string hostPath(const std::string& windowPath) const;

    // Creates the directory and its parents; false when it could not.
    bool createDirectories(const std::string& windowPath);

    // Opens the file for appending, creating it when missing, and closes it.
    void touch(const std::string& windowPath);

    // True when the file does not exist or is an empty file. Anything else
    // (a directory in its place, say) is left for the read to report.
    bool isMissingOrEmpty(const std::string& windowPath);

    // The whole file. Raises 53 when it is missing, 76 when its directory is.
    std::string readAll(const std::string& windowPath);

    // Replaces the file's contents (creating it) and syncs it.
    void writeWhole(const std::string& windowPath, const std::string& bytes);

    // Appends every part, each to its file in one write, and syncs them. All or
    // nothing: when any open, write or sync fails, every file is cut back to
    // the length it had before (a file this call created is removed again) and
    // the error is raised with the failing file named in its detail. Files are
    // locked for the duration, so concurrent writers never interleave.
    void appendAll(const std::vector<AppendPart>& parts);

    // How many descriptors this layer holds open right now (0 between calls).
    int openCount() const { return openCount_; }

    FileOps& ops() { return ops_; }

private:
    struct Handle;
    // Opens, locks and journals one file of a recording. Returns 0, an errno
    // value, or -1 when the file was replaced while we waited for its lock
    // (then nothing is left open and it is worth another try).
    int openForAppend(Handle& h);
    // Closes what openForAppend left open, removing a file it created.
    void release(Handle& h, bool removeCreated);
    int openFd(const std::string& host, int flags, mode_t mode);
    void closeFd(int fd);
    [[noreturn]] void raise(int err, bool opening, const std::string& host, const char* what) const;

    FileOps& ops_;
    std::string root_;
    int openCount_ = 0;
};

} // namespace qa
