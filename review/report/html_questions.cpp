// Answers by question: each question's text, every student's final answer
// with earlier versions folded, and who handed in only empty responses or
// none.
#include "review/report/html_report.h"

namespace qa::review {

void Report::questions(const std::vector<std::pair<AssignmentId, std::optional<QuestionId>>>& asked,
                       std::size_t from, std::size_t to)
{
    for (std::size_t k = from; k < to; ++k) {
        const auto [a, q] = asked[k];
        if (!q || q->index() == 0)
            o_ << "<section aria-labelledby=\"questions-" << a.index() << "\"><h2 id=\"questions-" << a.index()
               << "\">Assignment " << Text1252{m_.assignments[a].number} << ": answers by question</h2>\n";
        if (q)
            question(a, *q);
        if (!q || q->index() + 1 == m_.assignments[a].questions.size())
            o_ << "</section>\n";
    }
}

void Report::question(AssignmentId a, QuestionId q)
{
    const Assignment& as = m_.assignments[a];
    o_ << "<section class=\"q\" id=\"q-" << a.index() << "-" << q.index() << "\"><h3>Question " << q.index() + 1
       << "</h3><div class=\"qtext\">" << Text1252{m_.lines[as.questions[q]]} << "</div>\n";
    std::vector<StudentId> empty, missing;
    for (const Row& row : as.rows) {
        const Cell& c = row.cells[q];
        if (c.status == Status::Missing)
            missing.push_back(row.student);
        else if (c.status == Status::Empty)
            empty.push_back(row.student);
        else
            answer(a, q, row, c);
        notes(a, q, row.student);
    }
    nameList("Only empty responses", empty, CellOf{a, q});
    nameList("No response", missing, {});
    o_ << "</section>\n";
}

// Stable ids: a-<assignment>-<question>-<student>, as the grid links them.
void Report::answer(AssignmentId a, QuestionId q, const Row& row, const Cell& c)
{
    const Item& ans = m_.items[c.answer];
    o_ << "<div class=\"ans\" id=\"a-" << a.index() << "-" << q.index() << "-" << row.student.index()
       << "\"><span class=\"who\">";
    studentName(row.student);
    o_ << "</span><time>" << When{ans.when} << "</time>";
    text(ans.text);
    answerMark(a, row.student, q);
    if (c.revisions()) {
        o_ << "<details><summary>" << c.revisions();
        if (c.revisions() == 1)
            o_ << " other version</summary>";
        else
            o_ << " other versions</summary>";
        for (ItemId i : c.items)
            if (i != c.answer) {
                o_ << "<div class=\"old\"><time>" << When{m_.items[i].when} << "</time>";
                text(m_.items[i].text);
                o_ << "</div>";
            }
        o_ << "</details>";
    }
    o_ << "</div>\n";
}

// The student's notes to the question, marked as notes.
void Report::notes(AssignmentId a, QuestionId q, StudentId s)
{
    for (ItemId i : m_.students[s].items) {
        const Item& it = m_.items[i];
        if (!it.note || it.assignment != a || it.question != q)
            continue;
        o_ << "<div class=\"ans note\"><span class=\"who\">";
        studentName(s);
        o_ << "</span><span class=\"k\">note</span><time>" << When{it.when} << "</time>";
        text(it.text);
        o_ << "</div>\n";
    }
}

// Each name links to the student; with `cells`, it is also where the grid's
// cell for that student links to.
void Report::nameList(Markup what, const std::vector<StudentId>& students, std::optional<CellOf> cells)
{
    if (students.empty())
        return;
    o_ << "<p class=\"muted\">" << what << " (" << std::uint64_t{students.size()} << "): ";
    for (std::size_t k = 0; k < students.size(); ++k) {
        if (k)
            o_ << ", ";
        o_ << "<a";
        if (cells)
            o_ << " id=\"a-" << cells->assignment.index() << "-" << cells->question.index() << "-"
               << students[k].index() << "\"";
        o_ << " href=\"#student-" << students[k].index() << "\">" << Text1252{m_.students[students[k]].name}
           << "</a>";
    }
    o_ << "</p>\n";
}

} // namespace qa::review
