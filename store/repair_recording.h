#pragma once
// The repair of one recording from its journal, for the journal alone.
#include <string>
#include <vector>

#include "platform/descriptors.h"
#include "store/journal.h"

namespace qa {

// Repairs what a recording killed on the way left in its files, and says how
// it stands afterwards. A file whose text past the noted length is this
// recording's whole block keeps it when every file does (Whole); otherwise
// every file is cut back to its noted length (Cut), but only where what lies
// past that length is a beginning of this recording's bytes: text another
// writer appended is never cut. When a file that is there cannot be opened or
// read, nothing is touched (Unsettled) and `failed` says why; so it is, with
// what was done so far left done, when a file cannot be cut back or synced.
// A file whose file system lets it be neither cut back nor replaced (no file
// may be made in its folder) keeps its part of the block for good: then the
// recording is finished instead, what each file lacks of it appended and
// synced (Whole); while that cannot be done, it is Unsettled.
enum class Repaired { Whole, Cut, Unsettled };
Repaired repairRecording(Descriptors& fds, const std::vector<JournalPart>& parts, StepResult* failed = nullptr);

} // namespace qa
