#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/file_ops.h"
#include "platform/paths.h"
#include "store/journal.h"
#include "store/state_directory.h"

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
    // the data folder, which holds the record files and nothing else. It is
    // made owner-only when missing; one that exists but is not the user's
    // own, or that group or others may write, is not used at all: recordings
    // then go on without journals, and state files are neither written nor
    // read.
    Files(FileOps& ops, DrivePaths drives, std::string stateDir);
    ~Files();
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;

    std::string hostPath(const std::string& windowPath) const { return drives_.hostPath(windowPath); }

    // Creates the directory and its parents; false when it could not.
    bool createDirectories(const std::string& windowPath);

    // Opens the file for appending, creating it when missing, and closes it.
    // Its folder is taken as the session's: a recording into a folder of
    // that path that is on another device now (a share gone from its mount
    // point leaves the bare directory under it) fails with 76, and no
    // record file is made there.
    void touch(const std::string& windowPath);

    // True when the file does not exist or is an empty file. Anything else
    // (a directory in its place, say) is left for the read to report.
    bool isMissingOrEmpty(const std::string& windowPath);

    // The whole file, without the torn tail of a writer killed mid-append.
    // Raises 53 when it is missing, 76 when its directory is.
    std::string readAll(const std::string& windowPath);

    // Replaces the file's contents (creating it) and syncs it.
    void writeWhole(const std::string& windowPath, const std::string& bytes);

    // Appends every part, each to its file in one write, and syncs them (and
    // the folder of each file it creates). All or nothing: when any open,
    // write or sync fails, every file is cut back to the length it had before
    // (a file this call created is removed again) and the error is raised
    // with the failing file named in its detail. A file is cut back only when
    // what lies past that length is exactly what this call appended: on a
    // share without locks another writer's text stays, and so does ours.
    // Files are locked for the duration where the file system has locks, so
    // concurrent writers never interleave.
    //
    // Before anything is opened, this process's journal in the state
    // directory holds every part's file and bytes; once the files are locked,
    // also their lengths before the append. The mark goes when the recording
    // is whole, or cut back. Nothing of it waits for a sync.
    //
    // A roll-back that cannot cut a file back (a share gone between the
    // write and the cut) leaves that file named by partlyWritten() and the
    // journal pending. The next appendAll first puts it right (cut back, its
    // text to the `keep` of repairAbandoned); while it cannot, that call is
    // refused with the failure (its step "put right") and nothing is opened.
    //
    // Where that recording stands whole in every file once put right (only
    // its sync or its roll-back failed, or a file that can be neither cut
    // back nor replaced had it finished instead), a later call whose text is
    // the same by `same` (given the two blocks as composed for the first
    // file) writes nothing: that text is recorded.
    using SameRecording = std::function<bool(const std::string& earlier, const std::string& now)>;
    void appendAll(const std::vector<AppendPart>& parts, const SameRecording& same = {});
    // The host file that holds part of a recording of this program which is
    // still to be put right; empty when there is none.
    const std::string& partlyWritten() const { return partlyWritten_; }

    // The start-up repair of recordings that a killed program left on the
    // way. Every journal in the state directory of this machine whose program
    // is no longer running (or that is this program's own), and that holds a
    // recording, is repaired, whichever record files it names:
    // - when every file holds that recording's whole block, it stays;
    // - otherwise each file is cut back to the length it had before, but only
    //   where what lies past it is a beginning of that block (text another
    //   writer appended is never cut), and a file the recording created is
    //   removed again; the cut recording goes to `keep`.
    // A journal goes only once its recording is whole, or `keep` said its
    // text is safe; one that names a folder that cannot be reached now (a
    // share not there) stays for a later start. So does one with a file that
    // is there but cannot be opened, read, cut back or synced: its text is
    // not handed on, and the failure is returned, one for each. Where a
    // file can be neither cut back nor replaced, the recording is finished
    // instead (what each file lacks of the block appended and synced): it
    // is then whole, and its text is not handed on. Journals of other
    // machines and of programs still running are left alone. Temporary
    // files that programs now gone left in the state directory are removed.
    //
    // Call it once at start-up, before the first recording; it raises
    // nothing. From then on each recording first repairs, the same way, what
    // a program that ended since left on the way.
    std::vector<RuntimeError> repairAbandoned(const KeepCut& keep);

    // One program at a time per name (a student's assignment): Ours when this
    // program now holds it (until it ends), Taken when another program of
    // this machine that is running does, Unavailable when the state
    // directory cannot be used (see stateProblem).
    enum class Claim { Ours, Taken, Unavailable };
    Claim claim(const std::string& name);

    // Files of the program's own in the state directory, by plain name. A
    // write replaces the whole file in one step (a temporary file of a name
    // no other program uses, made exclusively, synced, renamed into place,
    // then the folder synced) and says whether it landed; false too when the
    // state directory is not safe to use. Nothing is raised. Files there are
    // opened without following links.
    bool writeStateFile(const std::string& name, const std::string& bytes);
    std::optional<std::string> readStateFile(const std::string& name);
    void removeStateFile(const std::string& name);
    const std::string& stateDirectory() const { return state_.path(); }
    // Whether the state directory is there, or could be made, and is safe;
    // and why not, for the student (empty when nothing is known against it).
    bool stateDirectoryUsable() { return state_.usable(); }
    // The journal made ready before the first recording needs it (see
    // Journal::prepare): called while the student answers the start's
    // questions, it keeps that work out of the wait for the window.
    void prepareJournal() { journal_.prepare(); }
    const std::string& stateProblem() const { return state_.problem(); }

    // How many descriptors this layer holds open right now (0 between calls).
    int openCount() const { return fds_.count(); }

private:
    // The one place a failed step becomes a RuntimeError.
    RuntimeError errorFor(const StepResult& failure) const;
    [[noreturn]] void raise(const StepResult& failure) const { throw errorFor(failure); }
    // An earlier recording still to be put right refuses this one.
    [[noreturn]] void refuse(const StepResult& earlier) const;
    void settleOurs(std::vector<JournalPart>& noted, const SameRecording& same);
    // Appends what is left of the file to `out`; 0, or the errno of a failed read.
    int readToEnd(int fd, std::string& out);
    // A folder the session opened that is not the same folder now.
    std::optional<StepResult> folderReplaced(const std::vector<JournalPart>& parts);
    bool temporaryOfTheGone(const std::string& name);
    void removeTemporariesOfTheGone();

    FileOps& ops_;
    DrivePaths drives_;
    Descriptors fds_;
    StateDirectory state_;
    Journal journal_;
    std::string hostTag_; // the machine's part of a temporary file's name
    std::string claimed_; // the name this program holds, if any
    KeepCut keep_;        // where the text of a recording cut short goes
    std::string partlyWritten_;
    struct Folder {
        std::string host;
        std::uint64_t device = 0, id = 0;
    };
    const Folder* findFolder(const std::string& host) const;
    std::vector<Folder> folders_; // the data folders as the session opened them, each once
};

} // namespace qa
