#pragma once
// What the command line does with marks: --mark (the window), --marks FILE,
// --comments FILE, --feedback FOLDER, --worksheet FILE and --replace-grades.
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "review/cli/cli.h"
#include "review/marking/actions.h"
#include "review/marking/marking_desk.h"
#include "review/review.h"

namespace qa::review {

struct MarkingRequest {
    bool window = false;        // --mark
    std::string marks;          // --marks FILE
    std::string comments;       // --comments FILE
    std::string feedback;       // --feedback FOLDER
    std::string worksheet;      // --worksheet FILE
    bool replaceGrades = false; // --replace-grades
    bool any() const
    {
        return window || !marks.empty() || !comments.empty() || !feedback.empty() || !worksheet.empty();
    }
};

// Takes args[i] (and its value, moving i past it) when it is one of the
// options above: true when taken; `why` says what is wrong with it.
bool takeMarkingOption(const std::vector<std::string>& args, std::size_t& i, MarkingRequest& request,
                       std::string& why);

// Where the run stands with marks: the marks file (as given, or
// marks-<input>.csv in `reportFolder`) read over what the review read.
struct MarkingRun {
    std::unique_ptr<MarkingDesk> desk;
};

// Reads the marks file and the comment bank (as given, or beside the marks
// file: defaultBankPath); the exit status when the run must end (2: either
// cannot be read, or lies among the inputs), none to go on. Rows that match
// no student go to `err` by line.
Exit openMarking(const MarkingRequest& request, const Review& review, const std::filesystem::path& reportFolder,
                 const std::filesystem::path& firstInput, const AmongInputs& among, MarkingRun& run,
                 std::ostream& err);

// The feedback pages and ZIP, the filled worksheet with what the platform's
// import will do with each row, then the window: the exit status (0, 2 for
// a worksheet that cannot be read or an output among the inputs, 3 for an
// output that cannot be written, or the window's).
int finishMarking(const MarkingRequest& request, MarkingRun& run, std::optional<long> assignment,
                  const AmongInputs& among, const MarkingWindow& window, std::ostream& out, std::ostream& err);

} // namespace qa::review
