#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "platform/paths.h"

namespace qa {

// One file's share of a recording: the whole text to append to it.
struct AppendPart {
    std::string path; // the path as the window knows it (c:\kelvarno\...)
    std::string bytes;
};

// The record files as the core sees them. Paths are the window's own Windows
// paths; they are mapped to the host only here. Nothing stays open between
// calls. Failures are raised as RuntimeError with the platform's number, the
// host file and the system's reason.
class Files {
public:
    // `stateDir` is where the journals of appends under way are kept: never in
    // the data folder, which holds the record files and nothing else.
    Files(FileOps& ops, DrivePaths drives, std::string stateDir);

    std::string hostPath(const std::string& windowPath) const { return drives_.hostPath(windowPath); }

    // Creates the directory and its parents; false when it could not.
    bool createDirectories(const std::string& windowPath);

    // Opens the file for appending, creating it when missing, and closes it.
    void touch(const std::string& windowPath);

    // True when the file does not exist or is an empty file. Anything else
    // (a directory in its place, say) is left for the read to report.
    bool isMissingOrEmpty(const std::string& windowPath);

    // The whole file, without the torn tail of a writer killed mid-append.
    // Raises 53 when it is missing, 76 when its directory is.
    std::string readAll(const std::string& windowPath);

    // Replaces the file's contents (creating it) and syncs it.
    void writeWhole(const std::string& windowPath, const std::string& bytes);

    // Appends every part, each to its file in one write, and syncs them. All or
    // nothing: when any open, write or sync fails, every file is cut back to
    // the length it had before (a file this call created is removed again) and
    // the error is raised with the failing file named in its detail. Files are
    // locked for the duration where the file system has locks, so concurrent
    // writers never interleave.
    void appendAll(const std::vector<AppendPart>& parts);

    // Files of the program's own in the state directory, by plain name. A
    // write replaces the whole file in one step (temporary file, sync, rename)
    // and says whether it landed; nothing is raised.
    bool writeStateFile(const std::string& name, const std::string& bytes);
    std::optional<std::string> readStateFile(const std::string& name);
    void removeStateFile(const std::string& name);
    const std::string& stateDirectory() const { return stateDir_; }

    // How many descriptors this layer holds open right now (0 between calls).
    int openCount() const { return openCount_; }

private:
    friend class AppendSteps;
    struct Failure {
        int err = 0;
        bool opening = false;
        std::string host;
        const char* what = "";
    };

    // Each missing directory on the way; `ownerOnly` for the state directory.
    bool createHostDirectories(const std::string& host, bool ownerOnly);
    int openFd(const std::string& host, unsigned flags);
    // Appends what is left of the file to `out`; 0, or the errno of a failed read.
    int readToEnd(int fd, std::string& out);
    void closeFd(int fd);
    [[noreturn]] void raise(const Failure& failure) const;
    std::string journalPathOf(const std::string& host) const;

    FileOps& ops_;
    DrivePaths drives_;
    std::string stateDir_;
    int openCount_ = 0;
};

} // namespace qa
