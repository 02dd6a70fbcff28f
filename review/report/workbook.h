#pragma once
// The workbook: the CSV's rows, one sheet per assignment, typed cells, and a
// sheet of the checks' findings.
#include <filesystem>
#include <string>

#include "review/model/model.h"
#include "review/model/result.h"

namespace qa::review {

class Marking;

// Whether this build writes workbooks (it does when built with libxlsxwriter).
bool writesWorkbooks();

// Writes the workbook in place of `file` in one step; a Problem (writing)
// saying why not when it cannot. The same input gives the same cells but for the one
// that carries `madeOn`; `marking`, when given, adds the marks to each row.
Result<void> writeWorkbookFile(const Model& model, const Marking* marking, const std::filesystem::path& file,
                               const std::string& madeOn);

} // namespace qa::review
