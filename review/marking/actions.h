#pragma once
// What both the command line and the marking window do with marks: read the
// marks file, write the feedback pages and ZIP, fill in the grading
// worksheet. One implementation of each, and none of them writes among the
// review's inputs.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "review/marking/comment_bank.h"
#include "review/marking/feedback.h"
#include "review/marking/marks.h"
#include "review/marking/worksheet.h"
#include "review/model/result.h"
#include "review/write/destination.h"

namespace qa::review {

// Tells whether an output would land among the inputs, and which input (as
// given) it would be.
using AmongInputs = std::function<std::optional<std::string>(const std::filesystem::path&)>;

// The review's inputs as given (`names`, one per input) and the files read
// from them, for outputs to keep out of.
AmongInputs amongReviewInputs(std::vector<std::filesystem::path> inputs, std::vector<std::string> names,
                              std::vector<ReadInput> files);

// Why an action did nothing is its Problem, which names the file: refused
// (among the inputs) or what it reads cannot be read, or, `writing`, what it
// writes cannot be written.

// The marks file, which is written back later: refused among the inputs. A
// missing file is an empty table, or a Problem when `mustExist`.
Result<MarksTable> readMarks(const std::filesystem::path& file, const AmongInputs& among, bool mustExist);
// The comment bank's file, written back with the marks: the same.
Result<CommentBank> readBank(const std::filesystem::path& file, const AmongInputs& among, bool mustExist);

Result<FeedbackWritten> writeFeedbackInto(const std::filesystem::path& folder, const Marking& marking,
                                          const AmongInputs& among);

struct WorksheetDone {
    std::filesystem::path written; // <name>-graded.csv beside the worksheet
    FilledWorksheet filled;
};
Result<WorksheetDone> fillWorksheetFile(const std::filesystem::path& worksheet, const Marking& marking,
                                        std::size_t sheet, const AmongInputs& among,
                                        const WorksheetOptions& options = {});

} // namespace qa::review
