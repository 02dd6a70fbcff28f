#pragma once
// CSV files as spreadsheets save them, read back: the rows with each cell's
// text and where it stands in the bytes, so a file can be changed in a few
// cells and left byte for byte elsewhere.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "review/model/result.h"
#include "review/write/csv.h"

namespace qa::review {

enum class CsvEncoding { Utf8Bom, Utf8, Cp1252 };

// UTF-8 after a byte-order mark; UTF-8 when every byte above 127 is part of a
// valid UTF-8 sequence; Windows-1252 otherwise.
CsvEncoding csvEncodingOf(std::string_view bytes);

struct CsvCell {
    std::size_t begin = 0, end = 0; // the cell's bytes, quotes included
    std::string text;               // unquoted, in UTF-8
};

struct CsvRow {
    std::uint32_t line = 0; // where the row starts, 1-based
    std::vector<CsvCell> cells;
};

struct CsvTable {
    CsvEncoding encoding = CsvEncoding::Utf8;
    char separator = ',';
    std::vector<CsvRow> rows; // the header row first; rows of blank cells only are left out
    // Column of a header text (exact after trimming blanks), or -1.
    int column(std::string_view header) const;
};

// Reads the bytes: the encoding from the bytes, the separator from the header
// row (a semicolon when it has more of them than commas outside quotes).
// A Problem (`file`, "line N: why") when a quoted cell never ends.
Result<CsvTable> readCsvTable(std::string_view bytes, const std::string& file);

// What is wrong with a CSV file at a line, as a Problem of the whole file:
// `file`, "line N: why".
Problem csvProblem(const std::string& file, std::uint32_t line, const std::string& why);

// The files of ours that open in a spreadsheet start with a byte-order mark
// and a row of their headers, comma separated, CR LF.
std::string csvHeaderRow(std::span<const char* const> headers);
// Where each header stands in the table's first row (-1: not there). A
// Problem when the table is empty (it "starts with the row" `firstRow`) or
// when a header `required` says it must have is not there.
Result<std::vector<int>> csvColumns(const CsvTable& table, std::span<const char* const> headers,
                                    bool (*required)(std::size_t column), const std::string& file,
                                    const std::string& what, const std::string& firstRow);

// The text of a cell written with the guard, without it.
std::string unguarded(std::string_view text);

} // namespace qa::review
