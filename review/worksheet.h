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
    // Why some totals could not be scaled to the row's `Maximum grade`
    // ("question 2 has marks but no maximum"), and whose `Grade` is
    // therefore left as it was (their `Feedback comments` are filled).
    std::vector<std::string> gradeProblems;
    std::vector<std::string> gradesLeft; // "Ann Lee (12345)"
};

// The worksheet's rows are matched by `Identifier` ("Participant <id>") to
// the sheet's submitter ids; a student with no mark at all is left as it
// was. `Grade` is the student's total scaled from the sum of the questions'
// maximums to the row's `Maximum grade`, at most two decimals in the
// worksheet's own decimal mark; it needs every question with a mark to have
// a maximum and the row's `Maximum grade` to be a number. Throws RuntimeError
// (file, "line N: why") when the bytes are not a grading worksheet.
FilledWorksheet fillWorksheet(std::string_view bytes, const std::string& file, const Marking& marking,
                              std::size_t sheet);

// The short summary that goes in `Feedback comments`, escaped for the
// platform, which shows it as a web page: "Q1 2/3: Good. Q2 1/2."
std::string feedbackSummary(const Marking& marking, std::size_t sheet, std::size_t student);

// <name>-graded.csv beside the worksheet.
std::filesystem::path gradedPath(const std::filesystem::path& worksheet);

} // namespace qa::review
