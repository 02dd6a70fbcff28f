#pragma once
// Grades back to the platform: the offline grading worksheet the instructor
// downloaded, with each marked student's total in its grade column and a short
// summary of the marks and comments in its feedback comments column; every
// other byte as downloaded. The columns are found as the platform's importer
// finds them, by their names in any of the platform's languages, and each row
// says what that importer will do with it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "review/marking/marking.h"
#include "review/model/result.h"

namespace qa::review {

struct WorksheetOptions {
    // A grade already in the worksheet is replaced (--replace-grades);
    // otherwise it is left and named.
    bool replaceGrades = false;
};

// What the import will do with a row's grade.
enum class GradeOutcome {
    Set,          // the new grade, in place of an empty cell or (asked) an old grade
    Unchanged,    // the grade there is the one the marks give
    NotMarked,    // the student has no mark and no comment: the row is left alone
    NoMark,       // comments only: the cell stays as downloaded, never 0
    AboveMaximum, // not written: the platform refuses it
    BelowZero,    // not written: the platform skips it
    Locked,       // "Grade can be changed" is no: not written
    AlreadyThere, // an old grade, kept without --replace-grades
    CannotScale,  // the total cannot be scaled to the row's maximum grade
    NoStudent,    // no student of the review has this row's id
};

struct WorksheetRow {
    std::uint32_t line = 0;
    std::string identifier; // as the worksheet holds it: "Participant 12345"
    std::string student;    // "Ann Lee (12345)"; empty for NoStudent
    GradeOutcome grade = GradeOutcome::NotMarked;
    std::string oldGrade, newGrade; // as the worksheet writes them; newGrade empty when none is worked out
    bool commentSet = false;
};

struct FilledWorksheet {
    std::string bytes;
    std::string language; // the code of the language whose column names the worksheet has: "en", "de"
    bool comments = true; // false: no feedback comments column, grades only
    std::vector<WorksheetRow> rows;
    std::vector<std::string> studentsWithoutRow; // "Ann Lee (12345)", or "Ann Lee (no submitter id)"
    // Why some totals cannot be scaled to the row's maximum grade ("question 2
    // has marks but no maximum").
    std::vector<std::string> gradeProblems;
    std::size_t gradesSet() const;
    std::size_t commentsSet() const;
};

// The worksheet's rows are matched by their identifier (the language's
// hidden-user word and the id) to the sheet's submitter ids. A grade is the
// student's total scaled from the sum of the questions' maximums to the row's
// maximum grade, at most two decimals in the worksheet's own decimal mark; it
// needs every question with a mark to have a maximum. A Problem (file, "line
// N: why") when the bytes are not a grading worksheet: one of the identifier,
// grade and last-modified (grade) columns is missing.
Result<FilledWorksheet> fillWorksheet(std::string_view bytes, const std::string& file, const Marking& marking,
                                      std::size_t sheet, const WorksheetOptions& options = {});

// What the import will do, as a short table, one row per worksheet row, in
// the worksheet's order: line, identifier, student, grade, comment.
std::string worksheetPreview(const FilledWorksheet& filled);

// The short summary that goes in the feedback comments, escaped for the
// platform, which shows it as a web page: "Q1 2/3: Good. Q2 1/2."
std::string feedbackSummary(const Marking& marking, std::size_t sheet, std::size_t student);

// <name>-graded.csv beside the worksheet.
std::filesystem::path gradedPath(const std::filesystem::path& worksheet);

} // namespace qa::review
