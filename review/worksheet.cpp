// The grading worksheet filled in, the rest left byte for byte.
#include "review/worksheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "platform/errors.h"
#include "platform/text.h"
#include "review/csv_table.h"
#include "review/review.h"

namespace qa::review {
namespace {

[[noreturn]] void unreadable(const std::string& file, std::uint32_t line, const std::string& why)
{
    throw RuntimeError(kTypeMismatch, file, "line " + std::to_string(line) + ": " + why);
}

// The id of "Participant 12345" (the word may be the platform's language's).
std::string idOf(std::string_view identifier)
{
    std::size_t end = identifier.size();
    while (end > 0 && identifier[end - 1] == ' ')
        --end;
    std::size_t begin = end;
    while (begin > 0 && identifier[begin - 1] >= '0' && identifier[begin - 1] <= '9')
        --begin;
    return std::string(identifier.substr(begin, end - begin));
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

// The decimal mark the worksheet's numbers use.
char decimalOf(const CsvTable& t, int maxColumn)
{
    for (std::size_t r = 1; maxColumn >= 0 && r < t.rows.size(); ++r) {
        const auto& cells = t.rows[r].cells;
        if (static_cast<std::size_t>(maxColumn) >= cells.size())
            continue;
        const std::string& v = cells[static_cast<std::size_t>(maxColumn)].text;
        if (v.find(',') != std::string::npos && v.find('.') == std::string::npos)
            return ',';
        if (v.find('.') != std::string::npos)
            return '.';
    }
    return '.';
}

// A number of the worksheet, such as "100.00" or "100,00"; none when the
// cell is not one.
std::optional<double> worksheetNumber(std::string text, char decimal)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
        return std::nullopt;
    text.erase(0, start);
    if (decimal == ',')
        std::replace(text.begin(), text.end(), ',', '.');
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// The sum of the questions' maximums that totals are scaled from; none, with
// the reason in `why`, when a question with a mark has no maximum.
std::optional<double> maximaOf(const Marking& marking, std::size_t sheet, std::string& why)
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
    if (count > 0) {
        why = (count == 1 ? "question " + missing + " has" : "questions " + missing + " have") +
              " marks but no maximum, so the totals cannot be scaled to the Maximum grade";
        return std::nullopt;
    }
    const double sum = marking.totalMaximum(sheet);
    if (sum <= 0) {
        why = "no question has a maximum, so the totals cannot be scaled to the Maximum grade";
        return std::nullopt;
    }
    return sum;
}

std::string encoded(const std::string& utf8, CsvEncoding encoding)
{
    if (encoding != CsvEncoding::Cp1252)
        return utf8;
    std::u32string lost;
    std::string out = text::toCp1252(utf8, &lost);
    return out;
}

// The worksheet's columns this needs; unreadable when one is missing.
struct Columns {
    std::size_t id, grade, feedback, name, last;
};
Columns columnsOf(const CsvTable& t, const std::string& file)
{
    const int cols[] = {t.column("Identifier"), t.column("Grade"), t.column("Feedback comments")};
    const char* const names[] = {"Identifier", "Grade", "Feedback comments"};
    for (int k = 0; k < 3; ++k)
        if (cols[k] < 0)
            unreadable(file, 1,
                       std::string("no column \"") + names[k] +
                           "\": this is not the platform's grading worksheet");
    const int name = t.column("Full name");
    const auto at = [](int c) { return static_cast<std::size_t>(c); };
    return {at(cols[0]), at(cols[1]), at(cols[2]), name < 0 ? std::size_t(-1) : at(name),
            at(std::max({cols[0], cols[1], cols[2]}))};
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

} // namespace

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

FilledWorksheet fillWorksheet(std::string_view bytes, const std::string& file, const Marking& marking,
                              std::size_t sheet)
{
    const CsvTable t = readCsvTable(bytes, file);
    const Columns col = columnsOf(t, file);
    const int maxColumn = t.column("Maximum grade");
    const char decimal = decimalOf(t, maxColumn);
    const Sheet& sh = marking.sheets()[sheet];
    std::string noMaxima;
    const std::optional<double> maxima = maximaOf(marking, sheet, noMaxima);
    std::map<std::string, std::size_t> byId;
    for (std::size_t st = 0; st < sh.students.size(); ++st)
        if (!sh.students[st].submitterId.empty())
            byId.emplace(sh.students[st].submitterId, st);

    FilledWorksheet out;
    auto problem = [&out](std::string why) {
        if (std::find(out.gradeProblems.begin(), out.gradeProblems.end(), why) == out.gradeProblems.end())
            out.gradeProblems.push_back(std::move(why));
    };
    if (maxColumn < 0)
        problem("no column \"Maximum grade\", so the totals cannot be scaled to it");
    if (!maxima)
        problem(noMaxima);
    std::vector<bool> hasRow(sh.students.size(), false);
    std::vector<std::pair<const CsvCell*, std::string>> replace;
    for (std::size_t r = 1; r < t.rows.size(); ++r) {
        const CsvRow& row = t.rows[r];
        if (row.cells.size() <= col.last)
            unreadable(file, row.line, "the row has fewer cells than the first row");
        const std::string& identifier = row.cells[col.id].text;
        const auto it = byId.find(idOf(identifier));
        if (it == byId.end()) {
            out.rowsWithoutStudent.push_back(
                "line " + std::to_string(row.line) + ": " + identifier +
                (col.name < row.cells.size() ? " (" + row.cells[col.name].text + ")" : std::string()));
            continue;
        }
        hasRow[it->second] = true;
        const std::string summary = feedbackSummary(marking, sheet, it->second);
        if (summary.empty())
            continue; // nothing marked
        std::optional<double> grade;
        if (maxColumn >= 0 && maxima) {
            const std::string& cell =
                row.cells.size() > std::size_t(maxColumn) ? row.cells[std::size_t(maxColumn)].text : std::string();
            const std::optional<double> g = worksheetNumber(cell, decimal);
            if (g && *g > 0)
                grade = marking.total(sheet, it->second) / *maxima * *g;
            else
                problem("line " + std::to_string(row.line) + ": the Maximum grade \"" + cell +
                        "\" is not a number above 0");
        }
        if (grade)
            replace.emplace_back(&row.cells[col.grade], markText(*grade, decimal, 2));
        else
            out.gradesLeft.push_back(sh.students[it->second].name + " (" + sh.students[it->second].submitterId +
                                     ")");
        replace.emplace_back(&row.cells[col.feedback], csvCell(encoded(summary, t.encoding), t.separator, true));
        ++out.filled;
    }
    for (std::size_t st = 0; st < sh.students.size(); ++st)
        if (!hasRow[st] && !feedbackSummary(marking, sheet, st).empty())
            out.studentsWithoutRow.push_back(sh.students[st].name + " (" +
                                             (sh.students[st].submitterId.empty() ? std::string("no submitter id")
                                                                                  : sh.students[st].submitterId) +
                                             ")");
    out.bytes = withReplaced(bytes, std::move(replace));
    return out;
}

std::filesystem::path gradedPath(const std::filesystem::path& worksheet)
{
    std::filesystem::path out = worksheet;
    std::string stem = pathToUtf8(worksheet.stem());
    return out.replace_filename(pathFromUtf8(stem + "-graded.csv"));
}

} // namespace qa::review
