// The grading worksheet as filled in, shown before it is written: a line per
// row of what the import will do with it.
#include "review/marking/worksheet.h"

#include <algorithm>
#include <array>

namespace qa::review {

namespace {

std::string gradeText(const WorksheetRow& r)
{
    switch (r.grade) {
    case GradeOutcome::Set: return r.newGrade + (r.oldGrade.empty() ? "" : " (replaces " + r.oldGrade + ")");
    case GradeOutcome::Unchanged: return r.newGrade + " (already there)";
    case GradeOutcome::NotMarked: return "left: not marked";
    case GradeOutcome::NoMark: return "left: no mark, only comments";
    case GradeOutcome::AboveMaximum: return "not written: " + r.newGrade + " is above the maximum";
    case GradeOutcome::BelowZero: return "not written: " + r.newGrade + " is below 0";
    case GradeOutcome::Locked: return "not written: " + r.newGrade + ", the grade cannot be changed";
    case GradeOutcome::AlreadyThere:
        return "kept " + r.oldGrade + ": " + r.newGrade + " only with --replace-grades";
    case GradeOutcome::CannotScale: return "left: the total cannot be scaled";
    case GradeOutcome::NoStudent: return "left: no student of this id";
    }
    return {};
}

// Characters, not bytes, for the columns to line up.
std::size_t width(std::string_view utf8)
{
    return std::size_t(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

std::string worksheetPreview(const FilledWorksheet& filled)
{
    std::vector<std::array<std::string, 5>> table = {{"Line", "Identifier", "Student", "Grade", "Comment"}};
    for (const WorksheetRow& r : filled.rows)
        table.push_back({std::to_string(r.line), r.identifier, r.student.empty() ? "-" : r.student, gradeText(r),
                         r.commentSet      ? "set"
                         : filled.comments ? "left"
                                           : "none"});
    std::array<std::size_t, 5> widths{};
    for (const auto& row : table)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], width(row[c]));
    std::string out;
    for (const auto& row : table) {
        std::string line = "  ";
        for (std::size_t c = 0; c < row.size(); ++c)
            line += row[c] + (c + 1 < row.size() ? std::string(widths[c] - width(row[c]) + 2, ' ') : "");
        out += line + "\n";
    }
    if (!filled.comments)
        out += "The worksheet has no feedback comments column: grades only.\n";
    out += "The platform skips a grade changed there since this worksheet was downloaded.\n";
    return out;
}

} // namespace qa::review
