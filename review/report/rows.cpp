// The columns of the CSV and the workbook.
#include "review/report/rows.h"

#include <algorithm>
#include <map>

namespace qa::review {
namespace {

const char* status(Status s)
{
    return s == Status::Answered ? "answered" : s == Status::Empty ? "empty" : "missing";
}

const Item* answer(const RowSource& src, const AnswerRow& r)
{
    return r.cell->status == Status::Answered ? &src.model.items[r.cell->answer] : nullptr;
}

// The files that hold any of the row's responses, each once, in file order.
std::string files(const RowSource& src, const AnswerRow& r)
{
    std::vector<FileId> ids;
    for (ItemId i : r.cell->items)
        for (const Place& p : src.model.items[i].at)
            ids.push_back(p.file);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());

    std::string joined;
    for (FileId f : ids)
        joined += (joined.empty() ? "" : "; ") + src.model.files[f].shown;
    return joined;
}

std::string initials(const RowSource& src, const AnswerRow& r)
{
    std::string joined;
    for (const std::string& i : src.model.students[r.student].initials)
        joined += (joined.empty() ? "" : ", ") + i;
    return joined;
}

// A line not in the bank: its responses, the last non-empty one the answer.
Cell cellOf(const Model& m, const std::vector<ItemId>& items)
{
    Cell c;
    c.items = items;
    for (ItemId i : items)
        if (!m.items[i].text.empty())
            c.answer = i;
    c.status = c.answer.some() ? Status::Answered : Status::Empty;
    return c;
}

// The student's notes to the row's question, in time order, a blank line
// between them.
std::string notes(const RowSource& src, const AnswerRow& r)
{
    std::string joined;
    for (ItemId i : src.model.students[r.student].items) {
        const Item& it = src.model.items[i];
        if (it.note && it.assignment == r.assignment &&
            (r.question.some() ? it.question == r.question : it.line == r.line))
            joined += (joined.empty() ? "" : "\r\n\r\n") + it.text;
    }
    return joined;
}

} // namespace

const std::vector<Column>& answerColumns()
{
    using S = const RowSource&;
    using R = const AnswerRow&;
    static const std::vector<Column> columns = {
        {"Student", CellKind::Text1252, 24, false, [](S s, R r) { return s.model.students[r.student].name; }},
        {"Initials", CellKind::Text1252, 9, false, initials},
        {"Assignment", CellKind::Text1252, 11, false,
         [](S s, R r) { return s.model.assignments[r.assignment].number; }},
        {"Question", CellKind::Number, 9, false,
         [](S, R r) { return r.question.some() ? std::to_string(r.question.index() + 1) : std::string(); }},
        {"Question text", CellKind::Text1252, 40, true, [](S s, R r) { return s.model.lines[r.line]; }},
        {"Status", CellKind::Text, 9, false, [](S, R r) { return std::string(status(r.cell->status)); }},
        {"Answer", CellKind::Text1252, 60, true,
         [](S s, R r) {
             const Item* a = answer(s, r);
             return a ? a->text : std::string();
         }},
        {"Answered", CellKind::Moment, 19, false,
         [](S s, R r) {
             const Item* a = answer(s, r);
             return a ? formatMoment(a->when) : std::string();
         }},
        {"Revisions", CellKind::Number, 9, false, [](S, R r) { return std::to_string(r.cell->revisions()); }},
        {"Files", CellKind::Text, 40, false, files},
        {"Submitted by", CellKind::Text, 24, false,
         [](S s, R r) { return s.model.students[r.student].participantName; }},
        {"Submitter id", CellKind::Text, 12, false,
         [](S s, R r) { return s.model.students[r.student].participantId; }},
        {"Late", CellKind::Text, 6, false,
         [](S s, R r) { return std::string(lateFiles(s.model, r.student, r.assignment).empty() ? "" : "late"); }},
        {"Notes", CellKind::Text1252, 40, true, notes},
    };
    return columns;
}

std::vector<FileId> lateFiles(const Model& m, StudentId student, AssignmentId assignment)
{
    std::vector<FileId> out;
    for (ItemId i : m.students[student].items)
        if (assignment.none() || m.items[i].assignment == assignment)
            for (const Place& p : m.items[i].at)
                if (m.files[p.file].late)
                    out.push_back(p.file);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

void forEachAnswerRow(const Model& m, const std::function<void(const AnswerRow&)>& visit)
{
    Table<StudentId, std::vector<std::pair<AssignmentId, const Row*>>> rowsOf(m.students.size());
    for (AssignmentId a : m.assignments.ids())
        for (const Row& row : m.assignments[a].rows)
            rowsOf[row.student].emplace_back(a, &row);
    for (StudentId s : m.students.ids())
        for (const auto& [a, row] : rowsOf[s]) {
            const Assignment& as = m.assignments[a];
            for (QuestionId q : as.questions.ids())
                visit({s, a, q, as.questions[q], &row->cells[q]});
            // Lines not in the bank, one row per line carried.
            std::map<LineId, std::vector<ItemId>> others;
            for (ItemId i : row->unknown)
                others[m.items[i].line].push_back(i);
            for (const auto& [ln, items] : others) {
                const Cell c = cellOf(m, items);
                visit({s, a, QuestionId{}, ln, &c});
            }
        }
}

} // namespace qa::review
