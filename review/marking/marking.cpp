// Marks over the sheets.
#include "review/marking/marking.h"

#include <algorithm>
#include <map>

namespace qa::review {

Marking::Marking(std::vector<Sheet> sheets, MarksTable table)
    : sheets_(std::move(sheets)), table_(std::move(table))
{
    byName_.resize(sheets_.size());
    byParticipant_.resize(sheets_.size());
    for (std::size_t s = 0; s < sheets_.size(); ++s)
        for (std::size_t st = 0; st < sheets_[s].students.size(); ++st) {
            byName_[s].emplace(sheets_[s].students[st].name, st);
            if (!sheets_[s].students[st].submitterId.empty())
                byParticipant_[s].emplace(sheets_[s].students[st].submitterId, st);
        }
    for (const Sheet& sh : sheets_)
        for (const SheetStudent& st : sh.students)
            namesShown_ = namesShown_ || (st.blind && st.name == st.namedAs);
    keyRowsByParticipant();
    findRows();
    // A mark read from a file without answers was given to the final answer;
    // a question's maximum read only from its marks' rows becomes the question's.
    maxima_.resize(sheets_.size());
    for (std::size_t s = 0; s < sheets_.size(); ++s) {
        const Sheet& sh = sheets_[s];
        for (std::size_t q = 0; q < sh.questions.size(); ++q) {
            for (std::size_t st = 0; st < sh.students.size(); ++st)
                if (const Mark* m = lookUp(s, st, q); m && !m->answerKnown) {
                    Mark known = *m;
                    known.answer = sh.cell(st, q).answer;
                    known.answerKnown = true;
                    table_.put(std::move(known));
                    // The row may be gone (neither mark nor comment), and it
                    // may have stood for others of that name too.
                    const auto [first, last] = byName_[s].equal_range(sh.students[st].name);
                    for (auto it = first; it != last; ++it)
                        rowOf_[s][it->second * sh.questions.size() + q] = search(s, it->second, q);
                }
            const auto q1 = static_cast<std::uint32_t>(q + 1);
            maxima_[s].push_back(table_.maximum(sh.assignment, q1));
            if (maxima_[s][q])
                continue;
            for (std::size_t st = 0; st < sh.students.size(); ++st)
                if (const Mark* m = lookUp(s, st, q); m && m->maximum) {
                    table_.setMaximum(sh.assignment, q1, m->maximum);
                    maxima_[s][q] = m->maximum;
                    break;
                }
        }
    }
}

std::optional<std::size_t> Marking::studentNamed(std::size_t sheet, const Mark& row, std::size_t* alike) const
{
    const auto [first, last] = byName_[sheet].equal_range(row.student);
    std::optional<std::size_t> fromNoPlatform, byId, only;
    std::size_t n = 0, loose = 0, ids = 0;
    for (auto it = first; it != last; ++it, ++n) {
        const std::string& id = sheets_[sheet].students[it->second].submitterId;
        if (id.empty()) {
            fromNoPlatform = it->second;
            ++loose;
        } else if (!row.submitterId.empty() && id == row.submitterId) {
            byId = it->second;
            ++ids;
        }
        only = it->second;
    }
    if (alike)
        *alike = n;
    // A row without an id: the one student of the name from no platform, else
    // the one student of the name. A row with one: the one of the name and id.
    if (row.submitterId.empty())
        return loose == 1 ? fromNoPlatform : n == 1 ? only : std::nullopt;
    return ids == 1 ? byId : std::nullopt;
}

void Marking::keyRowsByParticipant()
{
    // Rows that give the submitter id first: they are the participant's own.
    std::vector<Mark> byName;
    for (const Mark* m : table_.rows())
        if (!m->student.empty() && m->participant.empty())
            byName.push_back(*m);
    std::stable_partition(byName.begin(), byName.end(), [](const Mark& m) { return !m.submitterId.empty(); });
    for (const Mark& m : byName)
        for (std::size_t s = 0; s < sheets_.size(); ++s) {
            if (!sameAssignment(sheets_[s].assignment, m.assignment))
                continue;
            const std::optional<std::size_t> st = studentNamed(s, m);
            const std::string id = st ? sheets_[s].students[*st].submitterId : std::string();
            if (id.empty() || table_.findParticipant(id, m.assignment, m.question))
                continue;
            Mark row = m;
            row.participant = row.submitterId = id;
            table_.erase(m);
            table_.put(std::move(row));
            break;
        }
}

void Marking::findRows()
{
    rowOf_.assign(sheets_.size(), {});
    std::vector<std::string> keys;
    for (std::size_t s = 0; s < sheets_.size(); ++s) {
        rowOf_[s].assign(sheets_[s].students.size() * sheets_[s].questions.size(), nullptr);
        keys.push_back(assignmentKey(sheets_[s].assignment));
    }
    // The table's rows come by assignment: its key is worked out once a run.
    std::string assignment, key;
    for (const Mark* m : table_.rows()) {
        if ((m->student.empty() && m->participant.empty()) || m->question == 0)
            continue;
        if (m->assignment != assignment) {
            assignment = m->assignment;
            key = assignmentKey(assignment);
        }
        for (std::size_t s = 0; s < sheets_.size(); ++s) {
            const std::size_t questions = sheets_[s].questions.size();
            if (keys[s] != key || m->question > questions)
                continue;
            std::optional<std::size_t> st;
            if (!m->participant.empty()) {
                if (const auto it = byParticipant_[s].find(m->participant); it != byParticipant_[s].end())
                    st = it->second;
            } else if (st = studentNamed(s, *m); st && !sheets_[s].students[*st].submitterId.empty()) {
                st.reset(); // a participant's marks are the participant's rows only
            }
            if (st)
                rowOf_[s][*st * questions + m->question - 1] = m;
        }
    }
}

const Mark* Marking::search(std::size_t sheet, std::size_t student, std::size_t question) const
{
    const Sheet& sh = sheets_[sheet];
    const SheetStudent& st = sh.students[student];
    const auto q = static_cast<std::uint32_t>(question + 1);
    if (!st.submitterId.empty())
        return table_.findParticipant(st.submitterId, sh.assignment, q);
    return table_.find(st.name, "", sh.assignment, q);
}

std::optional<std::size_t> Marking::studentOf(std::size_t sheet, const std::string& name,
                                              const std::string& submitterId) const
{
    const auto [first, last] = byName_[sheet].equal_range(name);
    for (auto it = first; it != last; ++it)
        if (sheets_[sheet].students[it->second].submitterId == submitterId)
            return it->second;
    return std::nullopt;
}

CellMark Marking::at(std::size_t sheet, std::size_t student, std::size_t question) const
{
    CellMark c;
    c.mark = lookUp(sheet, student, question);
    c.earlier = c.mark && c.mark->answerKnown && c.mark->answer != sheets_[sheet].cell(student, question).answer;
    return c;
}

void Marking::set(std::size_t sheet, std::size_t student, std::size_t question, std::optional<double> mark,
                  const std::string& comment)
{
    const Sheet& sh = sheets_[sheet];
    const SheetStudent& st = sh.students[student];
    Mark m;
    m.student = st.name;
    m.assignment = sh.assignment;
    m.question = static_cast<std::uint32_t>(question + 1);
    m.submitterId = m.participant = st.submitterId;
    m.mark = mark;
    m.maximum = maximum(sheet, question);
    m.comment = comment;
    m.answer = sh.cell(student, question).answer;
    table_.put(std::move(m));
    // Every student of that name: a row dropped or added may be theirs too.
    const auto [first, last] = byName_[sheet].equal_range(st.name);
    for (auto it = first; it != last; ++it)
        rowOf_[sheet][it->second * sh.questions.size() + question] = search(sheet, it->second, question);
    ++changes_;
}

std::optional<double> Marking::maximum(std::size_t sheet, std::size_t question) const
{
    return maxima_[sheet][question];
}

void Marking::setMaximum(std::size_t sheet, std::size_t question, std::optional<double> maximum)
{
    table_.setMaximum(sheets_[sheet].assignment, static_cast<std::uint32_t>(question + 1), maximum);
    // Every sheet of that assignment ("1" and "01" are one).
    for (std::size_t s = 0; s < sheets_.size(); ++s)
        if (question < maxima_[s].size() && sameAssignment(sheets_[s].assignment, sheets_[sheet].assignment))
            maxima_[s][question] = table_.maximum(sheets_[s].assignment, static_cast<std::uint32_t>(question + 1));
    ++changes_;
}

double Marking::total(std::size_t sheet, std::size_t student) const
{
    double sum = 0;
    for (std::size_t q = 0; q < sheets_[sheet].questions.size(); ++q)
        if (const Mark* m = lookUp(sheet, student, q); m && m->mark)
            sum += *m->mark;
    return sum;
}

double Marking::totalMaximum(std::size_t sheet) const
{
    double sum = 0;
    for (std::size_t q = 0; q < sheets_[sheet].questions.size(); ++q)
        sum += maximum(sheet, q).value_or(0);
    return sum;
}

bool Marking::maximaKnown(std::size_t sheet, std::size_t student) const
{
    for (std::size_t q = 0; q < sheets_[sheet].questions.size(); ++q)
        if (const Mark* m = lookUp(sheet, student, q); m && m->mark && !maximum(sheet, q))
            return false;
    return totalMaximum(sheet) > 0;
}

std::size_t Marking::marked(std::size_t sheet, std::size_t question) const
{
    std::size_t n = 0;
    for (std::size_t st = 0; st < sheets_[sheet].students.size(); ++st)
        if (const Mark* m = lookUp(sheet, st, question); m && m->mark)
            ++n;
    return n;
}

std::optional<double> Marking::share(std::size_t sheet, std::size_t question) const
{
    const std::optional<double> max = maximum(sheet, question);
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t st = 0; st < sheets_[sheet].students.size(); ++st)
        if (const Mark* m = lookUp(sheet, st, question); m && m->mark) {
            sum += *m->mark;
            ++n;
        }
    if (!max || *max <= 0 || n == 0)
        return std::nullopt;
    return sum / double(n) / *max;
}

std::vector<std::string> Marking::comments(std::size_t sheet, std::size_t question,
                                           std::optional<std::size_t> student, const std::string& instead) const
{
    std::map<std::string, std::size_t> uses;
    for (std::size_t st = 0; st < sheets_[sheet].students.size(); ++st)
        if (st == student) {
            if (!instead.empty())
                ++uses[instead];
        } else if (const Mark* m = lookUp(sheet, st, question); m && !m->comment.empty()) {
            ++uses[m->comment];
        }
    std::vector<std::pair<std::string, std::size_t>> byUse(uses.begin(), uses.end());
    std::stable_sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<std::string> out;
    for (auto& [text, n] : byUse)
        out.push_back(std::move(text));
    return out;
}

std::vector<UnmatchedRow> Marking::unmatched() const
{
    std::vector<UnmatchedRow> out;
    for (const Mark* m : table_.rows()) {
        bool found = false, student = false, superseded = false;
        std::size_t named = 0; // students of the row's name, when it is a row by name
        for (std::size_t s = 0; s < sheets_.size(); ++s) {
            const Sheet& sh = sheets_[s];
            if (!sameAssignment(sh.assignment, m->assignment))
                continue;
            bool theirs = m->student.empty() && m->participant.empty();
            if (!m->participant.empty()) {
                theirs = byParticipant_[s].count(m->participant) > 0;
            } else if (!theirs) {
                std::size_t alike = 0;
                const std::optional<std::size_t> st = studentNamed(s, *m, &alike);
                // A row by name of a participant is made theirs when read: one
                // still by name stands for none.
                theirs = st && sh.students[*st].submitterId.empty();
                superseded = superseded || (st && !theirs);
                named = std::max(named, alike);
            }
            if (theirs) {
                student = true;
                found = found || m->question <= sh.questions.size();
            }
        }
        if (found)
            continue;
        std::string who = m->student.empty() ? std::string("the maximum") : m->student;
        if (!m->participant.empty() || !m->submitterId.empty())
            who += " (" + (m->participant.empty() ? m->submitterId : m->participant) + ")";
        const std::string why =
            student     ? ": the assignment has no such question"
            : named > 1 ? ": " + std::to_string(named) +
                              " students of this assignment have that name; the row needs the submitter id"
            : superseded ? ": the participant of that name has a mark of their own for this question"
                         : ": no such student in this assignment";
        out.push_back(
            {m->line, who + ", assignment " + m->assignment + ", question " + std::to_string(m->question) + why});
    }
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.line < b.line; });
    return out;
}

bool Marking::blind() const
{
    return std::any_of(sheets_.begin(), sheets_.end(), [](const Sheet& sh) {
        return std::any_of(sh.students.begin(), sh.students.end(),
                           [](const SheetStudent& st) { return st.blind; });
    });
}

void Marking::showNames(bool show)
{
    namesShown_ = show;
    for (std::size_t s = 0; s < sheets_.size(); ++s) {
        Sheet& sh = sheets_[s];
        for (SheetStudent& st : sh.students)
            if (st.blind)
                st.name = show ? st.namedAs : "Participant " + st.submitterId;
        labelStudents(sh);
        byName_[s].clear();
        for (std::size_t st = 0; st < sh.students.size(); ++st)
            byName_[s].emplace(sh.students[st].name, st);
    }
    findRows();
}

} // namespace qa::review
