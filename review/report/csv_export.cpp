// The CSV: UTF-8 with a byte-order mark, CR LF rows, RFC 4180 quoting, and no
// cell that a spreadsheet would run as a formula. Its rows and columns are
// the table in rows.cpp.
#include "review/report/csv_export.h"

#include "review/report/rows.h"
#include "review/write/csv.h"
#include "review/write/output.h"

namespace qa::review {

void writeCsvExport(const Model& model, std::ostream& out, const Marking* marking)
{
    Out o(out);
    o << "\xEF\xBB\xBF";
    const RowSource source{model, marking};
    const std::vector<Column> columns = columnsFor(source);
    for (std::size_t k = 0; k < columns.size(); ++k)
        writeCsvCell(o, columns[k].header, false, k + 1 == columns.size());
    forEachAnswerRow(model, [&](const AnswerRow& row) {
        for (std::size_t k = 0; k < columns.size(); ++k)
            writeCsvCell(o, columns[k].value(source, row), columns[k].kind == CellKind::Text1252,
                         k + 1 == columns.size());
    });
}

} // namespace qa::review
