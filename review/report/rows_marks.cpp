// The CSV's and the workbook's columns of marks, after the others: the mark,
// the maximum, the comment, and a note when the mark is of an earlier version.
#include "platform/text.h"
#include "review/marking/marking.h"
#include "review/report/rows.h"

namespace qa::review {
namespace {

const Mark* markOf(const RowSource& src, const AnswerRow& r)
{
    return givenMark(src.marking, src.model, r.assignment, r.student, r.question).mark;
}

std::string mark(const RowSource& s, const AnswerRow& r)
{
    const Mark* m = markOf(s, r);
    return m && m->mark ? markText(*m->mark) : std::string();
}

std::string maximum(const RowSource& s, const AnswerRow& r)
{
    if (!s.marking || r.question.none() || r.assignment.index() >= s.marking->sheets().size())
        return {};
    const auto max = s.marking->maximum(r.assignment.index(), r.question.index());
    return max ? markText(*max) : std::string();
}

std::string comment(const RowSource& s, const AnswerRow& r)
{
    const Mark* m = markOf(s, r);
    if (!m)
        return {};
    std::string out;
    for (char c : m->comment)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// Said of a mark given to an answer the student has since handed in again.
std::string note(const RowSource& s, const AnswerRow& r)
{
    return givenMark(s.marking, s.model, r.assignment, r.student, r.question).earlier
               ? std::string("marked an earlier version")
               : std::string();
}

} // namespace

GivenMark givenMark(const Marking* marking, const Model& model, AssignmentId a, StudentId s, QuestionId q)
{
    GivenMark given;
    if (!marking || q.none() || a.index() >= marking->sheets().size() ||
        q.index() >= marking->sheets()[a.index()].questions.size())
        return given;
    given.maximum = marking->maximum(a.index(), q.index());
    // The student as the sheet shows them: the name and the participant id.
    if (const auto student =
            marking->studentOf(a.index(), text::toUtf8(model.students[s].name), model.students[s].participantId)) {
        const CellMark c = marking->at(a.index(), *student, q.index());
        given.mark = c.mark;
        given.earlier = c.earlier;
    }
    return given;
}

std::vector<Column> columnsFor(const RowSource& source)
{
    std::vector<Column> columns = answerColumns();
    if (source.marking) {
        columns.push_back({"Mark", CellKind::Number, 7, false, mark});
        columns.push_back({"Maximum", CellKind::Number, 9, false, maximum});
        columns.push_back({"Comment", CellKind::Text, 40, true, comment});
        columns.push_back({"Mark note", CellKind::Text, 24, false, note});
    }
    return columns;
}

} // namespace qa::review
