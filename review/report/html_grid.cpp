// Who answered what: one table per assignment, students down, questions
// across, with each row's and each column's counts. On screen the table
// scrolls in a box of its own under a header row and a name column that stay
// in view; on paper it goes on landscape pages, and a bank too wide for one
// page is printed in blocks of questions, each repeating the names.
#include <algorithm>

#include "review/report/html_report.h"

namespace qa::review {
namespace {

constexpr std::size_t kPrintBlock = 15; // questions across a landscape page

} // namespace

void Report::grid(AssignmentId a)
{
    const Assignment& as = m_.assignments[a];
    const std::size_t nq = as.questions.size();
    o_ << "<section class=\"gridpart" << (nq > kPrintBlock ? Markup(" blocks") : Markup(""))
       << "\" aria-labelledby=\"grid-" << a.index() << "\"><h2 id=\"grid-" << a.index() << "\">Assignment "
       << Text1252{as.number}
       << ": who answered what</h2>\n<ul class=\"key\" aria-label=\"Key to the grid\">"
          "<li><span class=\"ok\">03-07 10:01</span>answered, on that month and day at that time (the final "
          "answer; a click shows it)</li><li><span class=\"ok\">+2</span>revisions: responses before the final "
          "one</li><li><span class=\"em\">empty</span>only empty responses</li><li><span "
          "class=\"mi\">&ndash;</span>missing: no response</li></ul>\n";
    if (nq == 0)
        o_ << "<p class=\"muted\">The built-in bank has no questions for this assignment; its responses are "
              "listed under the students and the checks.</p>\n";
    o_ << "<div class=\"gridbox\" tabindex=\"0\" role=\"region\" aria-label=\"Grid of assignment "
       << Attr1252{as.number} << "\">";
    gridTable(a, 0, nq);
    o_ << "</div>\n";
    if (nq > kPrintBlock) {
        o_ << "<div class=\"printblocks\">";
        for (std::size_t from = 0; from < nq; from += kPrintBlock)
            gridTable(a, from, std::min(nq, from + kPrintBlock));
        o_ << "</div>\n";
    }
    o_ << "<p class=\"muted\">" << std::uint64_t{as.rows.size()} << " students, " << std::uint64_t{nq}
       << " questions.</p></section>\n";
}

// The grid's questions from `from` to `to`; the counts come with the last.
void Report::gridTable(AssignmentId a, std::size_t from, std::size_t to)
{
    const Assignment& as = m_.assignments[a];
    const bool last = to == as.questions.size();
    o_ << "<table class=\"grid\"><caption class=\"vh\">Assignment " << Text1252{as.number} << ", questions "
       << std::uint64_t{from + 1} << " to " << std::uint64_t{to}
       << ", by student</caption><thead><tr><th scope=\"col\" class=\"who\">Student</th>";
    for (std::size_t q = from; q < to; ++q)
        o_ << "<th scope=\"col\"><a href=\"#q-" << a.index() << "-" << std::uint64_t{q} << "\" title=\""
           << Attr1252{m_.lines[as.questions[QuestionId(q)]]} << "\">Q" << std::uint64_t{q + 1} << "</a></th>";
    if (last)
        o_ << "<th scope=\"col\">Answered</th><th scope=\"col\">Empty</th><th scope=\"col\">Missing</th>";
    o_ << "</tr></thead>\n<tbody>\n";
    std::vector<std::uint32_t> columns[3] = {std::vector<std::uint32_t>(to - from),
                                             std::vector<std::uint32_t>(to - from),
                                             std::vector<std::uint32_t>(to - from)};
    for (const Row& row : as.rows)
        gridRow(a, row, from, to, columns);
    gridFoot(columns, last);
}

// A row, counted into `columns` (answered, empty, missing per question).
void Report::gridRow(AssignmentId a, const Row& row, std::size_t from, std::size_t to,
                     std::vector<std::uint32_t> (&columns)[3])
{
    o_ << "<tr><th scope=\"row\" class=\"who\">";
    studentName(row.student);
    o_ << "</th>";
    std::uint32_t counts[3] = {};
    for (std::size_t q = 0; q < row.cells.size(); ++q) {
        const Cell& c = row.cells[QuestionId(q)];
        ++counts[static_cast<int>(c.status)];
        if (q < from || q >= to)
            continue;
        ++columns[static_cast<int>(c.status)][q - from];
        if (c.status == Status::Missing) {
            o_ << "<td class=\"mi\" title=\"missing\"><span aria-hidden=\"true\">&ndash;</span><span "
                  "class=\"vh\">missing</span></td>";
            continue;
        }
        const bool answered = c.status == Status::Answered;
        const std::string when = answered ? formatMoment(m_.items[c.answer].when) : std::string();
        const std::string_view w = when; // YYYY-MM-DD HH:MM:SS
        if (answered)
            o_ << "<td class=\"ok\" title=\"" << Attr{w};
        else
            o_ << "<td class=\"em\" title=\"only empty responses";
        o_ << "\"><a href=\"#a-" << a.index() << "-" << std::uint64_t{q} << "-" << row.student.index() << "\">";
        if (answered) {
            o_ << Text{w.substr(5, 5)};
            if (c.revisions())
                o_ << "<span class=\"rev\" title=\"revisions\">+" << c.revisions() << "</span>";
            o_ << "<br>" << Text{w.substr(11, 5)};
        } else {
            o_ << "empty";
        }
        gridMark(a, row.student, QuestionId(q));
        o_ << "</a></td>";
    }
    if (to == row.cells.size())
        o_ << "<td class=\"n\">" << counts[0] << "</td><td class=\"n\">" << counts[1] << "</td><td class=\"n\">"
           << counts[2] << "</td>";
    o_ << "</tr>\n";
}

void Report::gridFoot(const std::vector<std::uint32_t> (&columns)[3], bool last)
{
    o_ << "</tbody><tfoot>";
    constexpr Markup names[] = {"Answered", "Empty", "Missing"};
    for (int k = 0; k < 3; ++k) {
        o_ << "<tr><th scope=\"row\" class=\"who\">" << names[k] << "</th>";
        for (std::uint32_t n : columns[k])
            o_ << "<td>" << n << "</td>";
        if (last)
            o_ << "<td colspan=\"3\"></td>";
        o_ << "</tr>";
    }
    o_ << "</tfoot></table>";
}

} // namespace qa::review
