#pragma once
// The per-user state folder: where the journals of recordings under way, the
// drafts, the set-aside texts and the one-window claims are kept.
#include <string>

#include "platform/descriptors.h"

namespace qa {

// The per-user directory for what the program keeps for itself (journals of
// appends under way, drafts): $XDG_STATE_HOME/qa-tutor, by default
// ~/.local/state/qa-tutor; on Windows %LOCALAPPDATA%\qa-tutor.
std::string defaultStateDirectory();

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
    // Why it is not usable, for the student: empty when it is, or not known.
    const std::string& problem() const { return problem_; }
    void setProblem(std::string why) { problem_ = std::move(why); }
    // Opens a file in it without following a link; -1 with an errno value in
    // `err` when the open fails or the directory is not usable (EACCES).
    int open(const std::string& name, unsigned flags, int& err);

private:
    enum class Trust { Unknown, Trusted, Refused };
    Descriptors& fds_;
    std::string path_;
    std::string problem_;
    Trust trust_ = Trust::Unknown;
};

} // namespace qa
