#pragma once
// What the record files layer builds on: counted descriptors, the private
// state directory, and the journal that keeps a recording findable until it
// is whole in its files. Used by Files only.
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// The per-user state directory. It is made owner-only when missing; one that
// exists but belongs to another user, or that group or others may write, is
// never used (and no other is tried): whoever may write there could plant
// links or journals.
class StateDirectory {
public:
    StateDirectory(Descriptors& fds, std::string path) : fds_(fds), path_(std::move(path)) {}
    const std::string& path() const { return path_; }
    // Whether files may be kept there; makes the directory when missing.
    bool usable();
    // Opens a file in it without following a link; -1 with an errno value in
    // `err` when the open fails or the directory is not usable (EACCES).
    int open(const std::string& name, unsigned flags, int& err);

private:
    enum class Trust { Unknown, Trusted, Refused };
    Descriptors& fds_;
    std::string path_;
    Trust trust_ = Trust::Unknown;
};

// One file's share of a recording, as its journal notes it.
struct JournalPart {
    std::string host;
    std::string bytes;
    bool opened = false; // open and locked: `created`, `start`, `device` and `id` hold
    bool created = false;
    std::int64_t start = 0; // the file's length before the append
    std::uint64_t device = 0;
    std::uint64_t id = 0;
};

// A process's journal in the state directory, "journal-<host>-<pid>": two
// programs never share one. While a recording is under way it holds every
// part's file and bytes, from before anything is opened; once the files are
// open and locked, also each file's identity and length before the append.
// Between recordings its mark reads idle.
class Journal {
public:
    Journal(StateDirectory& dir, Descriptors& fds);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Notes a recording. Without a usable state directory the recording goes
    // on unjournalled. A mark this process left pending (a roll-back that
    // could not cut) is repaired first.
    void begin(const std::vector<JournalPart>& parts);
    // Notes the files' lengths and identities before the first write.
    void opened(const std::vector<JournalPart>& parts);
    // The recording is over: its mark goes when every file is whole or as it
    // was; otherwise it stays for a repair.
    void end(bool settled);

    // Every journal of this machine whose process is gone (or is this one)
    // and that holds a recording is repaired; see Files::repairAbandoned.
    std::vector<JournalPart> repairAbandoned();

private:
    void write(const std::vector<JournalPart>& parts);
    bool ours(const std::string& name) const;

    StateDirectory& dir_;
    Descriptors& fds_;
    std::string name_;
    int fd_ = -1;
    bool maybePending_ = true; // a mark may be left from before
};

// Repairs what a recording killed on the way left in its files, and says
// whether the recording is whole in every file afterwards. A file whose text
// past the noted length is this recording's whole block keeps it when every
// file does; otherwise every file is cut back to its noted length, but only
// where what lies past that length is a beginning of this recording's bytes:
// text another writer appended is never cut.
bool repairRecording(Descriptors& fds, const std::vector<JournalPart>& parts);

// The journal's text, and the parts read back from one. A journal of any
// other shape, or an idle one, holds nothing.
std::string journalText(const std::vector<JournalPart>& parts);
std::optional<std::vector<JournalPart>> parseJournal(const std::string& text);

} // namespace qa
