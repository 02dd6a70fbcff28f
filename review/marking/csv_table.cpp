// Reading CSV files back as spreadsheets save them.
#include "review/marking/csv_table.h"

#include "platform/text.h"
#include "platform/utf8.h"
#include "review/model/model.h"

namespace qa::review {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool lineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Past one line break at `i` (CR LF, LF or CR alone).
std::size_t pastLineEnd(std::string_view s, std::size_t i)
{
    return s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n' ? i + 2 : i + 1;
}

char separatorOf(std::string_view s)
{
    std::size_t commas = 0, semicolons = 0;
    bool quoted = false;
    for (char c : s) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && lineEnd(c))
            break;
        else if (!quoted)
            commas += c == ',', semicolons += c == ';';
    }
    return semicolons > commas ? ';' : ',';
}

// Reads the cells of a CSV file one by one.
struct CsvReader {
    std::string_view bytes;
    std::size_t i = 0;
    std::uint32_t line = 1;
    std::uint32_t unended = 0; // the line a quoted cell that never ends opened on

    // The cell's raw text, up to the separator or the line end after it.
    std::string cell(char sep)
    {
        std::string raw;
        if (i < bytes.size() && bytes[i] == '"')
            quoted(raw);
        // Unquoted text, or what a spreadsheet left after the closing quote.
        while (i < bytes.size() && bytes[i] != sep && !lineEnd(bytes[i]))
            raw += bytes[i++];
        return raw;
    }

    void quoted(std::string& raw)
    {
        const std::uint32_t opened = line;
        for (++i;; ++i) {
            if (i >= bytes.size()) {
                unended = opened;
                return;
            }
            if (bytes[i] == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
                raw += '"';
                ++i;
            } else if (bytes[i] == '"') {
                ++i;
                return;
            } else {
                if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')))
                    ++line;
                raw += bytes[i];
            }
        }
    }
};

} // namespace

CsvEncoding csvEncodingOf(std::string_view bytes)
{
    if (bytes.substr(0, kBom.size()) == kBom)
        return CsvEncoding::Utf8Bom;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = text::decodeUtf8(bytes, i).length;
        if (n == 0)
            return CsvEncoding::Cp1252;
        i += n;
    }
    return CsvEncoding::Utf8;
}

int CsvTable::column(std::string_view header) const
{
    if (rows.empty())
        return -1;
    for (std::size_t c = 0; c < rows.front().cells.size(); ++c) {
        std::string_view t = rows.front().cells[c].text;
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
            t.remove_prefix(1);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
            t.remove_suffix(1);
        if (t == header)
            return static_cast<int>(c);
    }
    return -1;
}

Result<CsvTable> readCsvTable(std::string_view bytes, const std::string& file)
{
    CsvTable table;
    table.encoding = csvEncodingOf(bytes);
    CsvReader reader{bytes, table.encoding == CsvEncoding::Utf8Bom ? kBom.size() : 0};
    table.separator = separatorOf(bytes.substr(reader.i));
    while (reader.i < bytes.size()) {
        CsvRow row{reader.line, {}};
        for (bool more = true; more;) {
            CsvCell cell;
            cell.begin = reader.i;
            std::string raw = reader.cell(table.separator);
            cell.end = reader.i;
            cell.text = table.encoding == CsvEncoding::Cp1252 ? text::toUtf8(raw) : text::validUtf8(raw);
            row.cells.push_back(std::move(cell));
            more = reader.i < bytes.size() && bytes[reader.i] == table.separator;
            reader.i += more ? 1 : 0;
        }
        if (reader.i < bytes.size()) {
            reader.i = pastLineEnd(bytes, reader.i);
            ++reader.line;
        }
        bool blank = true;
        for (const CsvCell& c : row.cells)
            blank = blank && c.text.find_first_not_of(" \t") == std::string::npos;
        if (!blank || table.rows.empty())
            table.rows.push_back(std::move(row));
    }
    if (reader.unended)
        return csvProblem(file, reader.unended, "a quoted cell never ends");
    return table;
}

std::string csvHeaderRow(std::span<const char* const> headers)
{
    std::string out = "\xEF\xBB\xBF";
    for (std::size_t k = 0; k < headers.size(); ++k)
        out += std::string(headers[k]) + (k + 1 == headers.size() ? "\r\n" : ",");
    return out;
}

Result<std::vector<int>> csvColumns(const CsvTable& table, std::span<const char* const> headers,
                                    bool (*required)(std::size_t column), const std::string& file,
                                    const std::string& what, const std::string& firstRow)
{
    if (table.rows.empty())
        return csvProblem(file, 1, "the file is empty; " + what + " starts with the row " + firstRow);
    std::vector<int> col(headers.size());
    for (std::size_t k = 0; k < headers.size(); ++k)
        if ((col[k] = table.column(headers[k])) < 0 && required(k))
            return csvProblem(file, 1, std::string("no column \"") + headers[k] + "\" in the first row");
    return col;
}

Problem csvProblem(const std::string& file, std::uint32_t line, const std::string& why)
{
    return Problem{file, 0, 0, "line " + std::to_string(line) + ": " + why};
}

std::string unguarded(std::string_view text)
{
    if (text.size() >= 2 && text[0] == '\'' && formulaStart(text[1]))
        text.remove_prefix(1);
    return std::string(text);
}

} // namespace qa::review
