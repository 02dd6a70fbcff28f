// The marks table and its file.
#include "review/marking/marks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/text.h"
#include "review/marking/csv_table.h"

namespace qa::review {
namespace {

// The columns of the marks file. "Participant id" came last, after files
// without it had been written: a row without it goes by its name.
constexpr const char* kHeaders[] = {"Student", "Submitter id", "Assignment", "Question",      "Mark",
                                    "Maximum", "Comment",      "Answer",     "Participant id"};

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A number as a spreadsheet saves it; with semicolons, a decimal comma too.
// Empty: none. Nullopt with `bad` set when it is not a number.
std::optional<double> numberOf(std::string_view text, bool decimalComma, bool& bad)
{
    std::string s(trimmed(text));
    bad = false;
    if (s.empty())
        return std::nullopt;
    if (decimalComma)
        std::replace(s.begin(), s.end(), ',', '.');
    double v = 0;
    const char* first = s.data() + (s[0] == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(first, s.data() + s.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) {
        bad = true;
        return std::nullopt;
    }
    return v;
}

std::string withCrLf(std::string_view lf)
{
    std::string out;
    for (char c : lf)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// One row of a marks file; `col`: where each of kHeaders stands, -1 for none.
Result<Mark> markOf(const CsvRow& row, const int* col, bool decimalComma, const std::string& file)
{
    auto cell = [&](int k) -> std::string {
        const int c = col[k];
        return c >= 0 && static_cast<std::size_t>(c) < row.cells.size()
                   ? unguarded(row.cells[static_cast<std::size_t>(c)].text)
                   : std::string();
    };
    Mark m;
    m.line = row.line;
    m.student = std::string(trimmed(cell(0)));
    m.submitterId = std::string(trimmed(cell(1)));
    m.participant = std::string(trimmed(cell(8)));
    m.assignment = std::string(trimmed(cell(2)));
    const std::string question(trimmed(cell(3)));
    const std::optional<double> q = text::wholeTextNumber(question);
    if (!q || *q < 1 || *q != std::floor(*q) || *q > 1e6)
        return csvProblem(file, row.line,
                          "the question \"" + question + "\" is not a question number (1, 2, ...)");
    m.question = static_cast<std::uint32_t>(*q);
    bool bad = false;
    m.mark = numberOf(cell(4), decimalComma, bad);
    if (bad)
        return csvProblem(file, row.line, "the mark \"" + cell(4) + "\" is not a number");
    m.maximum = numberOf(cell(5), decimalComma, bad);
    if (bad)
        return csvProblem(file, row.line, "the maximum \"" + cell(5) + "\" is not a number");
    m.comment = withLf(cell(6));
    m.answer = withLf(cell(7));
    // An empty Answer cell, as a spreadsheet leaves it, marks the final answer.
    m.answerKnown = col[7] >= 0 && !m.answer.empty();
    return m;
}

} // namespace

std::string assignmentKey(std::string_view assignment)
{
    const std::optional<double> n = text::wholeTextNumber(assignment);
    return n ? text::formatNumber(*n) : std::string(assignment);
}

bool sameAssignment(std::string_view a, std::string_view b)
{
    return a == b || assignmentKey(a) == assignmentKey(b);
}

std::string withLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string markText(double mark, char decimal, int decimals)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, mark);
    std::string s = buf;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    if (s == "-0")
        s = "0";
    std::replace(s.begin(), s.end(), '.', decimal);
    return s;
}

MarksTable::Key MarksTable::keyOf(const Mark& m)
{
    if (!m.participant.empty())
        return {assignmentKey(m.assignment), m.question, m.participant, {}, {}};
    return {assignmentKey(m.assignment), m.question, {}, m.student, m.submitterId};
}

std::vector<const Mark*> MarksTable::rows() const
{
    std::vector<const Mark*> out;
    out.reserve(rows_.size());
    for (const auto& [key, m] : rows_)
        out.push_back(&m);
    return out;
}

const Mark* MarksTable::find(std::string_view student, std::string_view submitterId, std::string_view assignment,
                             std::uint32_t question) const
{
    const auto it =
        rows_.find({assignmentKey(assignment), question, {}, std::string(student), std::string(submitterId)});
    return it == rows_.end() ? nullptr : &it->second;
}

const Mark* MarksTable::findParticipant(std::string_view participant, std::string_view assignment,
                                        std::uint32_t question) const
{
    if (participant.empty())
        return nullptr;
    const auto it = rows_.find({assignmentKey(assignment), question, std::string(participant), {}, {}});
    return it == rows_.end() ? nullptr : &it->second;
}

void MarksTable::erase(const Mark& mark)
{
    rows_.erase(keyOf(mark));
}

void MarksTable::put(Mark mark)
{
    mark.line = 0;
    const Key key = keyOf(mark);
    if ((!mark.student.empty() || !mark.participant.empty()) && !mark.mark && mark.comment.empty())
        rows_.erase(key);
    else
        rows_.insert_or_assign(key, std::move(mark));
}

std::optional<double> MarksTable::maximum(std::string_view assignment, std::uint32_t question) const
{
    const Mark* m = find("", "", assignment, question);
    return m ? m->maximum : std::nullopt;
}

void MarksTable::setMaximum(const std::string& assignment, std::uint32_t question, std::optional<double> maximum)
{
    Mark row;
    row.assignment = assignment;
    row.question = question;
    const Key key = keyOf(row);
    if (!maximum) {
        rows_.erase(key);
    } else {
        Mark m;
        m.assignment = assignment;
        m.question = question;
        m.maximum = maximum;
        rows_.insert_or_assign(key, std::move(m));
    }
    for (auto& [k, row] : rows_)
        if (std::get<1>(k) == question && std::get<0>(k) == std::get<0>(key) &&
            (!row.student.empty() || !row.participant.empty()))
            row.maximum = maximum;
}

std::string MarksTable::csv() const
{
    std::string out = csvHeaderRow(kHeaders);
    for (const Mark* m : rows())
        out += csvCell(m->student, ',', true) + ',' + csvCell(m->submitterId, ',', true) + ',' +
               csvCell(m->assignment, ',', true) + ',' + std::to_string(m->question) + ',' +
               (m->mark ? markText(*m->mark) : "") + ',' + (m->maximum ? markText(*m->maximum) : "") + ',' +
               csvCell(withCrLf(m->comment), ',', true) + ',' + csvCell(withCrLf(m->answer), ',', true) + ',' +
               csvCell(m->participant, ',', true) + "\r\n";
    return out;
}

Result<MarksTable> MarksTable::fromCsv(std::string_view bytes, const std::string& file)
{
    const Result<CsvTable> read = readCsvTable(bytes, file);
    if (!read)
        return read.problem();
    const CsvTable& t = *read;
    const Result<std::vector<int>> col = csvColumns(
        t, kHeaders, [](std::size_t k) { return k == 0 || k == 2 || k == 3 || k == 4; }, file, "a marks file",
        "Student, Submitter id, Assignment, Question, Mark, Maximum, Comment, Answer");
    if (!col)
        return col.problem();
    MarksTable table;
    for (std::size_t r = 1; r < t.rows.size(); ++r) {
        const Result<Mark> m = markOf(t.rows[r], col->data(), t.separator == ';', file);
        if (!m)
            return m.problem();
        const auto [it, added] = table.rows_.try_emplace(keyOf(*m), *m);
        if (!added)
            return csvProblem(file, m->line,
                              (m->student.empty() && m->participant.empty()
                                   ? std::string("a second maximum for the same question")
                                   : std::string("a second row for the same student and question")) +
                                  " (the first is on line " + std::to_string(it->second.line) + ")");
    }
    return table;
}

} // namespace qa::review
