#pragma once
// One recording's append, step by step, for Files::appendAll alone.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/descriptors.h"
#include "store/journal.h"

namespace qa {

// One call of appendAll, step by step: note it, open and lock, write, sync,
// roll back on failure, release. Each step says how it went as a StepResult.
class AppendSteps {
public:
    AppendSteps(Descriptors& fds, Journal& journal, const KeepCut& keep, std::vector<JournalPart> parts);
    ~AppendSteps() { release(); }
    AppendSteps(const AppendSteps&) = delete;
    AppendSteps& operator=(const AppendSteps&) = delete;

    // Whether an earlier recording still to be put right refused this one.
    bool refused() const { return refused_; }
    // The first file left holding part of this recording: empty when every
    // file is whole or as it was.
    const std::string& partlyWritten() const { return partlyWritten_; }

    StepResult run();

private:
    struct Handle {
        int fd = -1;
        std::int64_t written = 0; // what this call's write put into the file
    };

    StepResult openAndLock();
    std::optional<StepResult> openOne(std::size_t i);
    StepResult write();
    StepResult sync();
    bool rollBack();
    bool cutBack(std::size_t i);
    bool holdsOurs(std::size_t i);
    void release();
    void closeOne(std::size_t i, bool removeCreated);

    Descriptors& fds_;
    FileOps& ops_;
    Journal& journal_;
    const KeepCut& keep_;
    std::vector<JournalPart> parts_;
    std::vector<Handle> handles_;
    std::size_t opened_ = 0;
    bool refused_ = false;
    std::string partlyWritten_;
};

} // namespace qa
