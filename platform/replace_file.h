#pragma once
// A whole file written in one step: the new bytes go to a temporary file of a
// name no other program uses, in the target's own folder (made exclusively),
// are synced, and the temporary is renamed over the target; then the folder is
// synced. Until the rename the previous file stands as it was; a write that
// fails, is stopped, or whose writer throws removes the temporary and leaves
// the previous file byte for byte.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "platform/file_ops.h"

namespace qa {

// How a replacement went: 0 once the new file is in place, otherwise the
// errno of the failing step (ECANCELED when it was stopped) and which step
// that was: "create", "write", "sync" or "rename".
struct Replaced {
    int err = 0;
    const char* step = "";
    bool ok() const { return err == 0; }
};

struct ReplaceOptions {
    // Added to the temporary's open: kOpenPrivate, kOpenNoFollow.
    unsigned flags = 0;
    // Asked as the bytes go out: true stops the write (ECANCELED).
    std::function<bool()> stop;
    // Told the bytes written so far, now and then.
    std::function<void(std::uint64_t written)> progress;
    // Where the caller holds the target open: Windows replaces no file that
    // is open, the caller's own handle included, and refuses the rename as
    // access denied. Then this is called to close the caller's handle, and
    // the rename is tried once more.
    std::function<void()> releaseTarget;
};

// The writer puts the file's bytes on the stream; once a write fails or the
// run is stopped the stream is bad and takes no more.
Replaced replaceFile(FileOps& ops, const std::string& target, const std::function<void(std::ostream&)>& write,
                     const ReplaceOptions& options = {});

// For a library that writes a file by name: `write` is given the path of the
// temporary (made, empty) and returns 0 or an errno value. The temporary is
// synced, then renamed over the target, as above.
Replaced replaceFileByName(FileOps& ops, const std::string& target,
                           const std::function<int(const std::string& temporary)>& write,
                           const ReplaceOptions& options = {});

} // namespace qa
