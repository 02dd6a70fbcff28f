// Who answered what: one table per assignment, students down, questions
// across, with each row's and each column's counts.
#include "review/html_report.h"

namespace qa::review {

void Report::grid(AssignmentId a)
{
    const Assignment& as = m_.assignments[a];
    const std::size_t nq = as.questions.size();
    o_ << "<h2 id=\"grid-" << a.index() << "\">Assignment " << Text1252{as.number}
       << ": who answered what</h2>\n<p class=\"key\"><span class=\"ok\">answered: date, time, "
          "+revisions</span>"
          "<span class=\"em\">empty</span><span class=\"mi\">missing</span></p>\n";
    if (nq == 0)
        o_ << "<p class=\"muted\">The built-in bank has no questions for this assignment; its responses are "
              "listed under the students and the checks.</p>\n";
    gridHead(a);
    std::vector<std::uint32_t> columns[3] = {std::vector<std::uint32_t>(nq), std::vector<std::uint32_t>(nq),
                                             std::vector<std::uint32_t>(nq)};
    for (const Row& row : as.rows)
        gridRow(row, nq, columns);
    gridFoot(columns);
    o_ << "<p class=\"muted\">" << std::uint64_t{as.rows.size()} << " students, " << std::uint64_t{nq}
       << " questions.</p>\n";
}

void Report::gridHead(AssignmentId a)
{
    o_ << "<div class=\"scroll\"><table class=\"grid\"><thead><tr><th class=\"who\">Student</th>";
    for (QuestionId q : m_.assignments[a].questions.ids())
        o_ << "<th><a href=\"#q-" << a.index() << "-" << q.index() << "\">Q" << q.index() + 1 << "</a></th>";
    o_ << "<th>Answered</th><th>Empty</th><th>Missing</th></tr></thead>\n<tbody>\n";
}

// A row, counted into `columns` (answered, empty, missing per question).
void Report::gridRow(const Row& row, std::size_t questions, std::vector<std::uint32_t> (&columns)[3])
{
    o_ << "<tr><th class=\"who\">";
    studentName(row.student);
    o_ << "</th>";
    std::uint32_t counts[3] = {};
    for (std::size_t q = 0; q < questions; ++q) {
        const Cell& c = row.cells[QuestionId(q)];
        const int k = static_cast<int>(c.status);
        ++counts[k];
        ++columns[k][q];
        if (c.status == Status::Answered) {
            const Moment when = m_.items[c.answer].when;
            o_ << "<td class=\"ok\" title=\"" << When{when} << "\">" << When{when, 5, 5};
            if (c.revisions())
                o_ << "<span class=\"rev\" title=\"revisions\">+" << c.revisions() << "</span>";
            o_ << "<br>" << When{when, 11, 5} << "</td>";
        } else if (c.status == Status::Empty) {
            o_ << "<td class=\"em\">empty</td>";
        } else {
            o_ << "<td class=\"mi\">&ndash;</td>";
        }
    }
    o_ << "<td class=\"n\">" << counts[0] << "</td><td class=\"n\">" << counts[1] << "</td><td class=\"n\">"
       << counts[2] << "</td></tr>\n";
}

void Report::gridFoot(const std::vector<std::uint32_t> (&columns)[3])
{
    o_ << "</tbody><tfoot>";
    constexpr Markup names[] = {"Answered", "Empty", "Missing"};
    for (int k = 0; k < 3; ++k) {
        o_ << "<tr><th class=\"who\">" << names[k] << "</th>";
        for (std::uint32_t n : columns[k])
            o_ << "<td>" << n << "</td>";
        o_ << "<td colspan=\"3\"></td></tr>";
    }
    o_ << "</tfoot></table></div>\n";
}

} // namespace qa::review
