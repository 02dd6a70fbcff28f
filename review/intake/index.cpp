// Students in name order and assignments in number order; each
// assignment's questions from the bank; rows of students and cells of
// questions, each response in its cell.
#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>

#include "bank/cursor.h"
#include "platform/text.h"
#include "records/session.h"
#include "review/intake/stages.h"

namespace qa::review {

std::string sortKey(const std::string& s)
{
    const std::string lower = text::lower(s);
    std::string key;
    for (std::size_t i = 0; i < lower.size();) {
        if (lower[i] < '0' || lower[i] > '9') {
            key += lower[i++];
            continue;
        }
        std::size_t j = i;
        while (j < lower.size() && lower[j] >= '0' && lower[j] <= '9')
            ++j;
        if (j - i < 12)
            key.append(12 - (j - i), '0');
        key.append(lower, i, j - i);
        i = j;
    }
    return key + '\0' + s;
}

namespace {

struct LineHash {
    std::size_t operator()(LineId id) const { return std::hash<std::uint32_t>()(id.index()); }
};

// The bank lines of the questions among the lines already read.
class Interner {
public:
    explicit Interner(Table<LineId, std::string>& lines) : lines_(lines)
    {
        for (LineId l : lines.ids())
            ids_.try_emplace(lines[l], l);
    }
    LineId operator()(const std::string& s)
    {
        auto [it, added] = ids_.try_emplace(s, LineId(lines_.size()));
        if (added)
            lines_.add(s);
        return it->second;
    }

private:
    Table<LineId, std::string>& lines_;
    std::unordered_map<std::string, LineId> ids_;
};

// The questions of an assignment: the bank lines a student can be shown
// between its header and the next assignment's, in bank order.
void loadQuestions(Assignment& a, Interner& intern)
{
    BankCursor cursor;
    cursor.loadQuestionBank({});
    records::Session numbers;
    numbers.setAssignment(a.number);
    if (!cursor.findAssignment(a.number))
        return; // not in the bank
    for (;;) {
        const BankCursor::Step step = cursor.readNextQuestion(numbers.nextAssignmentNumber());
        if (step.kind == BankCursor::Step::End)
            break;
        if (step.kind == BankCursor::Step::Show)
            a.questions.add(intern(step.line));
    }
}

// Sittings and items by time, per student.
void byTime(Model& m)
{
    for (SittingId s : m.sittings.ids())
        m.students[m.sittings[s].student].sittings.push_back(s);
    for (ItemId i : m.items.ids())
        m.students[m.items[i].student].items.push_back(i);
    auto placeKey = [](const std::vector<Place>& at) { return std::tie(at.front().file, at.front().line); };
    for (Student& st : m.students) {
        std::sort(st.sittings.begin(), st.sittings.end(), [&](auto x, auto y) {
            const Sitting& a = m.sittings[x];
            const Sitting& b = m.sittings[y];
            return a.start != b.start ? a.start < b.start : placeKey(a.at) < placeKey(b.at);
        });
        std::sort(st.items.begin(), st.items.end(), [&](auto x, auto y) {
            const Item& a = m.items[x];
            const Item& b = m.items[y];
            return a.when != b.when ? a.when < b.when : placeKey(a.at) < placeKey(b.at);
        });
    }
}

void order(Model& m)
{
    // Students by name, assignments by number: renumber.
    std::vector<StudentId> sOrder(m.students.ids().begin(), m.students.ids().end());
    std::vector<AssignmentId> aOrder(m.assignments.ids().begin(), m.assignments.ids().end());
    // Students of one name by participant id, those from no platform first.
    std::vector<std::string> keys;
    for (StudentId s : sOrder)
        keys.push_back(sortKey(m.students[s].name) + '\0' + sortKey(m.students[s].participantId));
    std::sort(sOrder.begin(), sOrder.end(), [&](auto x, auto y) { return keys[x.index()] < keys[y.index()]; });
    std::sort(aOrder.begin(), aOrder.end(), [&](auto x, auto y) {
        const double nx = text::leadingNumber(m.assignments[x].number);
        const double ny = text::leadingNumber(m.assignments[y].number);
        return nx != ny ? nx < ny : m.assignments[x].number < m.assignments[y].number;
    });
    Table<StudentId, StudentId> sNew(sOrder.size());
    Table<AssignmentId, AssignmentId> aNew(aOrder.size());
    Table<StudentId, Student> students;
    Table<AssignmentId, Assignment> assignments;
    for (StudentId old : sOrder) {
        sNew[old] = students.add(std::move(m.students[old]));
        std::sort(students.back().initials.begin(), students.back().initials.end());
    }
    for (AssignmentId old : aOrder)
        aNew[old] = assignments.add(std::move(m.assignments[old]));
    m.students = std::move(students);
    m.assignments = std::move(assignments);
    auto byPlace = [](const Place& x, const Place& y) {
        return std::tie(x.file, x.line) < std::tie(y.file, y.line);
    };
    for (Sitting& s : m.sittings) {
        s.student = sNew[s.student];
        s.assignment = aNew[s.assignment];
        std::sort(s.at.begin(), s.at.end(), byPlace);
    }
    for (Item& item : m.items) {
        item.student = sNew[item.student];
        if (item.assignment.some())
            item.assignment = aNew[item.assignment];
        std::sort(item.at.begin(), item.at.end(), byPlace);
    }

    byTime(m);
}

void placeItems(Model& m, bool oneAssignment)
{
    // Notes read only from a notes file: their assignment from the bank
    // line when one of the student's assignments has it.
    Interner intern(m.lines);
    for (Assignment& a : m.assignments)
        loadQuestions(a, intern);
    Table<AssignmentId, std::unordered_map<LineId, QuestionId, LineHash>> questionOf(m.assignments.size());
    for (AssignmentId a : m.assignments.ids())
        for (QuestionId q : m.assignments[a].questions.ids())
            questionOf[a].try_emplace(m.assignments[a].questions[q], q);

    // Rows: one per student and assignment with a sitting.
    Table<AssignmentId, std::map<StudentId, std::size_t>> rowOf(m.assignments.size());
    auto addRow = [&](StudentId s, AssignmentId id) {
        Assignment& a = m.assignments[id];
        if (rowOf[id].try_emplace(s, a.rows.size()).second)
            a.rows.push_back({s, Table<QuestionId, Cell>(a.questions.size()), {}});
    };
    for (StudentId s : m.students.ids()) {
        for (SittingId sitting : m.students[s].sittings)
            addRow(s, m.sittings[sitting].assignment);
    }
    for (StudentId s : m.students.ids())
        for (ItemId i : m.students[s].items) {
            Item& item = m.items[i];
            if (item.assignment.none()) {
                for (AssignmentId a : m.assignments.ids())
                    if (item.assignment.none() && rowOf[a].count(s) && questionOf[a].count(item.line))
                        item.assignment = a;
                if (item.assignment.none())
                    continue;
            }
            auto q = questionOf[item.assignment].find(item.line);
            if (q != questionOf[item.assignment].end())
                item.question = q->second;
            if (item.note)
                continue;
            Row& row = m.assignments[item.assignment].rows[rowOf[item.assignment].at(s)];
            if (item.question.none()) {
                row.unknown.push_back(i);
                m.notInBank.push_back(i);
                continue;
            }
            Cell& cell = row.cells[item.question];
            cell.items.push_back(i);
            if (!item.text.empty())
                cell.answer = i;
        }
    // With one assignment asked for, notes that cannot be placed in it are left out.
    if (oneAssignment)
        for (Student& st : m.students)
            std::erase_if(st.items, [&](ItemId i) { return m.items[i].assignment.none(); });
    for (Assignment& a : m.assignments)
        for (Row& row : a.rows)
            for (Cell& cell : row.cells)
                cell.status = cell.answer.some()   ? Status::Answered
                              : cell.items.empty() ? Status::Missing
                                                   : Status::Empty;
}

} // namespace

void indexRows(Model& model, bool oneAssignment)
{
    order(model);
    placeItems(model, oneAssignment);
}

} // namespace qa::review
