#pragma once
// Every finding of the checks, and every unreadable part, as rows of plain
// text (UTF-8): for a sheet of a workbook or any other list.
#include <string>
#include <vector>

#include "review/model/model.h"

namespace qa::review {

struct FindingRow {
    std::string check;      // which check found it
    std::string assignment; // empty when it is of no one assignment
    std::string question;   // its number, or empty
    std::string students;   // "; " between names
    std::string places;     // files and lines, "; " between them
    std::string detail;     // what was found
};

// In the report's order: file names, code lines, same answers, near-identical
// answers, clocks, lines not in the bank, changed files, names, unreadable
// parts.
std::vector<FindingRow> findingRows(const Model& model);

} // namespace qa::review
