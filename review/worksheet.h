#pragma once
// Grades back to the platform: the offline grading worksheet the instructor
// downloaded, with each student's total in `Grade` and a short summary of the
// marks and comments in `Feedback comments`; every other byte as downloaded.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "review/marking.h"

namespace qa::review {

struct FilledWorksheet {
    std::string bytes;
    std::size_t filled = 0;
    std::vector<std::string> rowsWithoutStudent; // "line 7: Participant 12399 (Dan Roe)"
    std::vector<std::string> studentsWithoutRow; // "Ann Lee (12345)", or "Ann Lee (no submitter id)"
};

// The worksheet's rows are matched by `Identifier` ("Participant <id>") to
// the sheet's submitter ids; a student with no mark at all is left as it
// was. Throws RuntimeError (file, "line N: why") when the bytes are not a
// grading worksheet.
FilledWorksheet fillWorksheet(std::string_view bytes, const std::string& file, const Marking& marking,
                              std::size_t sheet);

// The short summary that goes in `Feedback comments`, escaped for the
// platform, which shows it as a web page: "Q1 2/3: Good. Q2 1/2."
std::string feedbackSummary(const Marking& marking, std::size_t sheet, std::size_t student);

// <name>-graded.csv beside the worksheet.
std::filesystem::path gradedPath(const std::filesystem::path& worksheet);

} // namespace qa::review
