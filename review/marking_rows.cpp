// The CSV's and the workbook's columns of marks, after the others.
#include "platform/text.h"
#include "review/marking.h"
#include "review/rows.h"

namespace qa::review {
namespace {

// The mark of the row's answer, when one was given.
const Mark* markOf(const RowSource& src, const AnswerRow& r)
{
    if (!src.marking || r.question.none() || r.assignment.index() >= src.marking->sheets().size())
        return nullptr;
    const std::size_t sheet = r.assignment.index();
    const auto student = src.marking->studentOf(sheet, text::toUtf8(src.model.students[r.student].name));
    return student ? src.marking->at(sheet, *student, r.question.index()).mark : nullptr;
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

} // namespace

std::vector<Column> columnsFor(const RowSource& source)
{
    std::vector<Column> columns = answerColumns();
    if (source.marking) {
        columns.push_back({"Mark", CellKind::Number, 7, false, mark});
        columns.push_back({"Maximum", CellKind::Number, 9, false, maximum});
        columns.push_back({"Comment", CellKind::Text, 40, true, comment});
    }
    return columns;
}

} // namespace qa::review
