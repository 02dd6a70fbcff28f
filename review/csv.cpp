// The CSV: UTF-8 with a byte-order mark, CR LF rows, RFC 4180 quoting, and no
// cell that a spreadsheet would run as a formula. Its rows and columns are
// the table in rows.cpp.
#include "review/csv.h"

#include "review/model.h"
#include "review/output.h"
#include "review/rows.h"

namespace qa::review {

bool csvGuarded(std::string_view s)
{
    return !s.empty() &&
           (s[0] == '=' || s[0] == '+' || s[0] == '-' || s[0] == '@' || s[0] == '\t' || s[0] == '\r');
}

bool csvQuoted(std::string_view s)
{
    return csvGuarded(s) || s.find_first_of(",\"\r\n") != std::string_view::npos;
}

namespace {

// One cell, then a comma or the row's CR LF. `cp1252`: the text is the
// record files' and is written as UTF-8; otherwise it is UTF-8 already.
// Quoted when it holds a comma, a quote or a line break; a leading apostrophe
// keeps a spreadsheet from reading it as a formula.
void cell(Out& o, std::string_view s, bool cp1252, bool last)
{
    if (csvQuoted(s)) {
        o << (csvGuarded(s) ? std::string_view("\"'") : std::string_view("\""));
        if (cp1252)
            o.utf8From1252(s, true);
        else
            for (char c : s)
                o << (c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1));
        o << '"';
    } else if (cp1252) {
        o.utf8From1252(s);
    } else {
        o << s;
    }
    o << (last ? std::string_view("\r\n") : std::string_view(","));
}

} // namespace

void writeCsvCell(std::ostream& out, std::string_view utf8, bool last)
{
    Out o(out);
    cell(o, utf8, false, last);
}

void writeCsvExport(const Model& model, std::ostream& out, const Marking* marking)
{
    Out o(out);
    o << "\xEF\xBB\xBF";
    const RowSource source{model, marking};
    const std::vector<Column> columns = columnsFor(source);
    for (std::size_t k = 0; k < columns.size(); ++k)
        cell(o, columns[k].header, false, k + 1 == columns.size());
    forEachAnswerRow(model, [&](const AnswerRow& row) {
        for (std::size_t k = 0; k < columns.size(); ++k)
            cell(o, columns[k].value(source, row), columns[k].kind == CellKind::Text1252, k + 1 == columns.size());
    });
}

} // namespace qa::review
