#pragma once
// The journal that keeps a recording findable until it is whole in its
// files. Used by Files only.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/descriptors.h"
#include "store/state_directory.h"

namespace qa {

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

// A recording that a killed program left cut short, as the start-up repair
// hands it on: every file it was meant for (host paths, the master file
// first) and the bytes it was to append to the first. Whoever takes it says
// whether its text is safe; until then the journal stays.
struct CutRecording {
    std::vector<std::string> files;
    std::string bytes;
};
using KeepCut = std::function<bool(const CutRecording&)>;

// A process's journal in the state directory, "journal-<host>-<pid>.<start>"
// (the process's start time tells a reused id apart): two programs never
// share one.
//
// The journal is made ready at start (prepare: idle, synced), so that the
// first recording's sync carries its bytes alone.
// A recording, from its first write to its repair:
// 1. begin: before any record file is opened, the journal is written in place
//    from offset 0: the head "qa-tutor journal A" (A: a recording is under
//    way), the number of parts, then per part one line of seven fields, in
//    this order: opened (0), created (0), start (0), device (0), id (0), the
//    length of the host path, the length of the bytes; then the host path
//    and the bytes themselves.
// 2. opened: every file is open and locked; the same text again, now with
//    opened 1, created (1 when this recording made the file), start (the
//    file's length before the append), device and id. The journal is synced
//    here, before the first record file is written.
// 3. The record files are written and synced.
// 4. end: the mark at the head is flipped to '-' (idle) with one write; a
//    roll-back that could not cut leaves it at 'A' for a repair, and the
//    process's next begin settles it before anything else (as the start-up
//    repair would, folders reachable first); while it cannot, that begin
//    refuses the new recording and the journal stays as it is. Then (by
//    the tutor) the draft that held the text is removed and its folder
//    synced; the tutor brought that draft up to the recorded text before 1,
//    so a kill before its removal leaves a draft that the next start finds
//    recorded.
// 5. A kill anywhere between 1 and 4 leaves the mark at 'A'. The next start's
//    repair (repairAbandoned) takes every such journal of this machine whose
//    program is gone: when every file holds the whole block it stays; else
//    each file is cut back to start and synced (where the file system cannot
//    cut a file, its first start bytes go to a temporary beside it, synced
//    and renamed over it), a file the recording made is removed, and the cut text is handed on (CutRecording) to
//    be kept in the state folder, written, synced and renamed into place. Only then is the journal removed and the
//    folder synced, so a kill during the repair leaves the journal for the next start, which repairs it again. A
//    file that is there but cannot be opened or read leaves every file, and the journal, as they are; one that
//    cannot be cut back or synced keeps the journal too: its text is not handed on while its torn block may still
//    stand. Where a file can be neither cut back nor replaced (its file
//    system refuses both, for good), the recording is finished instead: what
//    each file lacks of its block is appended and synced, and the journal
//    goes with the recording whole; while that cannot be done, it stays.
class Journal {
public:
    Journal(StateDirectory& dir, Descriptors& fds);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Makes this program's journal ahead of its first recording (while the
    // student answers the start's questions): idle, a page long and synced,
    // so that a recording's sync of it carries its bytes alone. Nothing
    // when it is there already or cannot be made.
    void prepare();
    // Notes a recording. Without a usable state directory the recording goes
    // on unjournalled. A mark this process left pending (a roll-back that
    // could not cut) is settled first, its cut text going to `keep`; while it
    // cannot be (a folder not reachable, a file that cannot be opened, read,
    // cut back or synced, its text not kept), nothing is noted and that
    // failure is returned: the recording must not go on.
    StepResult begin(const std::vector<JournalPart>& parts, const KeepCut& keep);
    // The first half of begin alone: a mark this process left pending is
    // settled (its cut text going to `keep`), or the failure is returned.
    // The journal is left open for the begin that follows. When the pending
    // recording stands whole in every file after all (only its sync or its
    // roll-back failed), `whole` gets the bytes it appended to its first file.
    StepResult settlePending(const KeepCut& keep, std::string* whole = nullptr);
    // Notes the files' lengths and identities before the first write, and
    // syncs the journal.
    void opened(const std::vector<JournalPart>& parts);
    // The recording is over: its mark goes when every file is whole or as it
    // was; otherwise it stays for a repair.
    void end(bool settled);

    // Every journal of this machine whose process is gone (and, with
    // `alsoOurs`, this program's own) that holds a recording is repaired;
    // see Files::repairAbandoned. Returns, for each recording left as it was
    // because one of its files could not be opened, read, cut back or
    // synced, that failure.
    std::vector<StepResult> repairAbandoned(const KeepCut& keep, bool alsoOurs);

    // Whether a program of this machine with this process id and start time
    // is running.
    static bool running(FileOps& ops, std::int64_t pid, std::uint64_t started);

private:
    void write(const std::vector<JournalPart>& parts);
    // Repairs one pending recording: Whole when every file holds it whole,
    // Done once it is cut and its text kept (or there was no `keep` to take it).
    enum class Settled { Whole, Done, Unreachable, Unsettled, NotKept };
    Settled settle(const std::vector<JournalPart>& parts, const KeepCut& keep, StepResult& failed);
    bool ours(const std::string& name, bool alsoOurs) const;

    StateDirectory& dir_;
    Descriptors& fds_;
    std::string name_;
    int fd_ = -1;
    bool maybePending_ = true; // a mark may be left from before
};

// The journal's text, and the parts read back from one. A journal of any
// other shape, or an idle one, holds nothing.
std::string journalText(const std::vector<JournalPart>& parts);
std::optional<std::vector<JournalPart>> parseJournal(const std::string& text);

} // namespace qa
