// The grading worksheet filled in, the rest left byte for byte.
#include "review/marking/worksheet.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>

#include "platform/text.h"
#include "platform/utf8.h"
#include "review/marking/csv_table.h"
#include "review/marking/feedback.h"
#include "review/model/platform_strings.h"

namespace qa::review {
namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// The id of an identifier: what follows the language's hidden-user word, as
// the platform takes it; else the digits at its end.
std::string idOf(std::string_view identifier, std::string_view hiddenUser)
{
    identifier = trimmed(identifier);
    if (identifier.starts_with(hiddenUser))
        return std::string(trimmed(identifier.substr(hiddenUser.size())));
    std::size_t begin = identifier.size();
    while (begin > 0 && identifier[begin - 1] >= '0' && identifier[begin - 1] <= '9')
        --begin;
    return std::string(identifier.substr(begin));
}

void escapeInto(std::string& out, std::string_view text)
{
    for (char c : text)
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\r': break;
        case '\n': out += ' '; break;
        default: out += c;
        }
}

// The worksheet's columns, by the names of one of the platform's languages.
struct Columns {
    const PlatformLanguage* language = nullptr;
    int id = -1, grade = -1, last = -1, maximum = -1, canChange = -1, comments = -1;
    std::size_t widest() const { return std::size_t(std::max({id, grade, last, maximum, canChange, comments})); }
};

int columnOf(const CsvRow& header, std::string_view name)
{
    const std::string want = withLf(name);
    for (std::size_t c = 0; c < header.cells.size(); ++c)
        if (withLf(trimmed(header.cells[c].text)) == want)
            return int(c);
    return -1;
}

// The first language whose three columns the importer needs are all there;
// a Problem naming what is missing in the language closest to it, when none.
Result<Columns> columnsOf(const CsvTable& t, const std::string& file)
{
    const Columns* closest = nullptr;
    std::vector<Columns> tried;
    tried.reserve(platformLanguages().size());
    for (const PlatformLanguage& l : platformLanguages()) {
        Columns c;
        c.language = &l;
        c.id = columnOf(t.rows[0], l.identifier);
        c.grade = columnOf(t.rows[0], l.grade);
        c.last = columnOf(t.rows[0], l.lastModifiedGrade);
        if (c.id >= 0 && c.grade >= 0 && c.last >= 0) {
            c.maximum = columnOf(t.rows[0], l.maximumGrade);
            c.canChange = columnOf(t.rows[0], l.gradeCanBeChanged);
            c.comments = columnOf(t.rows[0], l.feedbackComments);
            return c;
        }
        tried.push_back(c);
        const auto found = [](const Columns& k) { return (k.id >= 0) + (k.grade >= 0) + (k.last >= 0); };
        if (!closest || found(c) > found(*closest))
            closest = &tried.back();
    }
    const Columns& c = *closest;
    const std::string_view missing = c.id < 0      ? c.language->identifier
                                     : c.grade < 0 ? c.language->grade
                                                   : c.language->lastModifiedGrade;
    return csvProblem(file, 1,
                      "no column \"" + withLf(missing) +
                          "\" (in any of the platform's languages): this is not the platform's grading worksheet");
}

// The decimal mark the worksheet's numbers use: as its maximum grades show
// it, else the language's.
std::string decimalOf(const CsvTable& t, const Columns& col)
{
    const std::string_view own = col.language->decimalMark;
    for (std::size_t r = 1; col.maximum >= 0 && r < t.rows.size(); ++r) {
        const auto& cells = t.rows[r].cells;
        if (std::size_t(col.maximum) >= cells.size())
            continue;
        const std::string& v = cells[std::size_t(col.maximum)].text;
        if (own != "." && v.find(own) != std::string::npos)
            return std::string(own);
        if (v.find(',') != std::string::npos && v.find('.') == std::string::npos)
            return ",";
        if (v.find('.') != std::string::npos)
            return ".";
    }
    return std::string(own);
}

// A number of the worksheet, such as "100.00" or "100,00"; none when the
// cell is not one.
std::optional<double> worksheetNumber(std::string_view cell, const std::string& decimal)
{
    std::string text(trimmed(cell));
    if (text.empty())
        return std::nullopt;
    if (decimal != ".")
        if (const std::size_t at = text.find(decimal); at != std::string::npos)
            text.replace(at, decimal.size(), ".");
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::string numberText(double v, const std::string& decimal)
{
    std::string s = markText(v, '.', 2);
    if (const std::size_t at = s.find('.'); at != std::string::npos)
        s.replace(at, 1, decimal);
    return s;
}

// The sum of the questions' maximums that totals are scaled from; a Problem
// saying why not when a question with a mark has no maximum.
Result<double> maximaOf(const Marking& marking, std::size_t sheet)
{
    const Sheet& sh = marking.sheets()[sheet];
    std::string missing;
    std::size_t count = 0;
    for (std::size_t q = 0; q < sh.questions.size(); ++q) {
        if (marking.maximum(sheet, q) || marking.marked(sheet, q) == 0)
            continue;
        missing += (missing.empty() ? "" : ", ") + std::to_string(q + 1);
        ++count;
    }
    if (count > 0)
        return Problem{{},
                       0,
                       0,
                       (count == 1 ? "question " + missing + " has" : "questions " + missing + " have") +
                           " marks but no maximum, so the totals cannot be scaled to the maximum grade"};
    const double sum = marking.totalMaximum(sheet);
    if (sum <= 0)
        return Problem{{}, 0, 0, "no question has a maximum, so the totals cannot be scaled to the maximum grade"};
    return sum;
}

bool anyMark(const Marking& marking, std::size_t sheet, std::size_t student)
{
    for (std::size_t q = 0; q < marking.sheets()[sheet].questions.size(); ++q)
        if (const CellMark cm = marking.at(sheet, student, q); cm.mark && cm.mark->mark)
            return true;
    return false;
}

std::string encoded(const std::string& utf8, CsvEncoding encoding)
{
    return encoding == CsvEncoding::Cp1252 ? text::toCp1252(utf8, nullptr) : utf8;
}

// The bytes with each cell given replaced by its new text.
std::string withReplaced(std::string_view bytes, std::vector<std::pair<const CsvCell*, std::string>> replace)
{
    std::sort(replace.begin(), replace.end(),
              [](const auto& a, const auto& b) { return a.first->begin < b.first->begin; });
    std::string out;
    std::size_t at = 0;
    for (const auto& [cell, text] : replace) {
        out.append(bytes.substr(at, cell->begin - at));
        out += text;
        at = cell->end;
    }
    out.append(bytes.substr(at));
    return out;
}

// Who the platform gives the row's grade to: the participant as the platform
// names them, with the id, and the name the work claims where that differs.
std::string whoOf(const SheetStudent& s)
{
    if (s.submitterId.empty())
        return s.name + " (no submitter id)";
    if (s.blind || s.submitterName.empty() || !s.namedOther)
        return s.name + " (" + s.submitterId + ")";
    return s.submitterName + " (" + s.submitterId + "; the work names " + s.name + ")";
}

// One row of the worksheet: what the import will do with its grade, and the
// cells to replace.
struct RowContext {
    const CsvTable& t;
    const Columns& col;
    const std::string& decimal;
    const Marking& marking;
    std::size_t sheet;
    std::optional<double> maxima;
    const WorksheetOptions& options;
    std::vector<std::string>& problems;
};

WorksheetRow fillRow(const RowContext& c, const CsvRow& row, std::size_t student,
                     std::vector<std::pair<const CsvCell*, std::string>>& replace)
{
    WorksheetRow out;
    out.line = row.line;
    out.identifier = row.cells[std::size_t(c.col.id)].text;
    out.student = whoOf(c.marking.sheets()[c.sheet].students[student]);
    const std::string summary = feedbackSummary(c.marking, c.sheet, student);
    const CsvCell& gradeCell = row.cells[std::size_t(c.col.grade)];
    out.oldGrade = std::string(trimmed(gradeCell.text));
    if (summary.empty())
        return out; // not marked: nothing is written
    if (c.col.comments >= 0) {
        replace.emplace_back(&row.cells[std::size_t(c.col.comments)],
                             csvCell(encoded(summary, c.t.encoding), c.t.separator, true));
        out.commentSet = true;
    }
    const auto cellOf = [&row](int column) {
        return column >= 0 ? std::string(trimmed(row.cells[std::size_t(column)].text)) : std::string();
    };
    const std::optional<double> maxGrade = worksheetNumber(cellOf(c.col.maximum), c.decimal);
    if (!anyMark(c.marking, c.sheet, student))
        return out.grade = GradeOutcome::NoMark, out;
    if (c.col.maximum >= 0 && (!maxGrade || *maxGrade <= 0))
        c.problems.push_back("line " + std::to_string(row.line) + ": the " +
                             std::string(c.col.language->maximumGrade) + " \"" + cellOf(c.col.maximum) +
                             "\" is not a number above 0");
    if (!c.maxima || !maxGrade || *maxGrade <= 0)
        return out.grade = GradeOutcome::CannotScale, out;
    const double grade = c.marking.total(c.sheet, student) / *c.maxima * *maxGrade;
    out.newGrade = numberText(grade, c.decimal);
    const std::optional<double> old = worksheetNumber(out.oldGrade, c.decimal);
    if (grade > *maxGrade + 0.005)
        out.grade = GradeOutcome::AboveMaximum;
    else if (grade < 0)
        out.grade = GradeOutcome::BelowZero;
    else if (c.col.canChange >= 0 && cellOf(c.col.canChange) == c.col.language->no)
        out.grade = GradeOutcome::Locked;
    else if (old && std::abs(*old - grade) < 0.005)
        out.grade = GradeOutcome::Unchanged;
    else if (!out.oldGrade.empty() && !c.options.replaceGrades)
        out.grade = GradeOutcome::AlreadyThere;
    else
        out.grade = GradeOutcome::Set;
    if (out.grade == GradeOutcome::Set)
        replace.emplace_back(&gradeCell, csvCell(encoded(out.newGrade, c.t.encoding), c.t.separator, false));
    return out;
}

} // namespace

std::size_t FilledWorksheet::gradesSet() const
{
    return std::size_t(std::count_if(rows.begin(), rows.end(),
                                     [](const WorksheetRow& r) { return r.grade == GradeOutcome::Set; }));
}

std::size_t FilledWorksheet::commentsSet() const
{
    return std::size_t(
        std::count_if(rows.begin(), rows.end(), [](const WorksheetRow& r) { return r.commentSet; }));
}

std::string feedbackSummary(const Marking& marking, std::size_t sheet, std::size_t student)
{
    std::string out;
    const Sheet& sh = marking.sheets()[sheet];
    for (std::size_t q = 0; q < sh.questions.size(); ++q) {
        const CellMark cm = marking.at(sheet, student, q);
        if (!cm.mark)
            continue;
        if (!out.empty())
            out += ' ';
        out += "Q" + std::to_string(q + 1);
        if (cm.mark->mark) {
            out += ' ' + markText(*cm.mark->mark);
            if (const auto max = marking.maximum(sheet, q))
                out += '/' + markText(*max);
        }
        if (!cm.mark->comment.empty()) {
            out += ": ";
            escapeInto(out, cm.mark->comment);
        }
        if (out.back() != '.' && out.back() != '!' && out.back() != '?')
            out += '.';
    }
    return out;
}

Result<FilledWorksheet> fillWorksheet(std::string_view bytes, const std::string& file, const Marking& marking,
                                      std::size_t sheet, const WorksheetOptions& options)
{
    const Result<CsvTable> read = readCsvTable(bytes, file);
    if (!read)
        return read.problem();
    const CsvTable& t = *read;
    if (t.rows.empty())
        return csvProblem(file, 1, "the file is empty: this is not the platform's grading worksheet");
    const Result<Columns> columns = columnsOf(t, file);
    if (!columns)
        return columns.problem();
    const Columns& col = *columns;
    const std::string decimal = decimalOf(t, col);
    const Sheet& sh = marking.sheets()[sheet];
    FilledWorksheet out;
    out.language = std::string(col.language->code);
    out.comments = col.comments >= 0;
    const Result<double> sum = maximaOf(marking, sheet);
    const std::optional<double> maxima = sum ? std::optional<double>(*sum) : std::nullopt;
    if (col.maximum < 0)
        out.gradeProblems.push_back("no column \"" + std::string(col.language->maximumGrade) +
                                    "\", so the totals cannot be scaled to it");
    if (!sum)
        out.gradeProblems.push_back(sum.problem().what);
    std::map<std::string, std::size_t> byId;
    for (std::size_t st = 0; st < sh.students.size(); ++st)
        if (!sh.students[st].submitterId.empty())
            byId.emplace(sh.students[st].submitterId, st);

    const RowContext context{t, col, decimal, marking, sheet, maxima, options, out.gradeProblems};
    std::vector<bool> hasRow(sh.students.size(), false);
    std::vector<std::pair<const CsvCell*, std::string>> replace;
    for (std::size_t r = 1; r < t.rows.size(); ++r) {
        const CsvRow& row = t.rows[r];
        if (row.cells.size() <= col.widest())
            return csvProblem(file, row.line, "the row has fewer cells than the first row");
        const std::string& identifier = row.cells[std::size_t(col.id)].text;
        const auto it = byId.find(idOf(identifier, col.language->hiddenUser));
        if (it == byId.end()) {
            WorksheetRow none;
            none.line = row.line;
            none.identifier = identifier;
            none.grade = GradeOutcome::NoStudent;
            none.oldGrade = std::string(trimmed(row.cells[std::size_t(col.grade)].text));
            out.rows.push_back(std::move(none));
            continue;
        }
        hasRow[it->second] = true;
        out.rows.push_back(fillRow(context, row, it->second, replace));
    }
    for (std::size_t st = 0; st < sh.students.size(); ++st)
        if (!hasRow[st] && hasFeedback(marking, sheet, st))
            out.studentsWithoutRow.push_back(whoOf(sh.students[st]));
    out.bytes = withReplaced(bytes, std::move(replace));
    return out;
}

std::filesystem::path gradedPath(const std::filesystem::path& worksheet)
{
    std::filesystem::path out = worksheet;
    std::string stem = text::pathToUtf8(worksheet.stem());
    return out.replace_filename(text::pathFromUtf8(stem + "-graded.csv"));
}

} // namespace qa::review
