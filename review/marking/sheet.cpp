// The marking sheets, from what the review read.
#include "review/marking/sheet.h"

#include <algorithm>
#include <map>

#include "platform/text.h"
#include "review/marking/marks.h"
#include "review/model/model.h"

namespace qa::review {
namespace {

std::string textOf(const std::string& cp1252)
{
    // Most answers are ASCII with no CR: already UTF-8 with LF line breaks.
    const bool plain = std::all_of(cp1252.begin(), cp1252.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != '\r'; });
    return plain ? cp1252 : withLf(text::toUtf8(cp1252));
}

Sheet sheetOf(const Model& m, AssignmentId a)
{
    const Assignment& as = m.assignments[a];
    Sheet sheet;
    sheet.assignment = text::toUtf8(as.number);
    for (LineId q : as.questions)
        sheet.questions.push_back(textOf(m.lines[q]));
    std::map<StudentId, std::uint32_t> rowOfStudent;
    for (const Row& row : as.rows) {
        rowOfStudent[row.student] = static_cast<std::uint32_t>(sheet.students.size());
        const Student& st = m.students[row.student];
        sheet.students.push_back({text::toUtf8(st.name),
                                  st.participantName,
                                  st.participantId,
                                  {},
                                  st.blind,
                                  st.blind ? text::toUtf8(st.hiddenName.empty() ? st.name : st.hiddenName) : "",
                                  st.namedOther});
    }
    labelStudents(sheet);
    sheet.resize();
    for (std::size_t r = 0; r < as.rows.size(); ++r)
        for (QuestionId q : as.questions.ids()) {
            const Cell& c = as.rows[r].cells[q];
            SheetCell& out = sheet.cell(r, q.index());
            out.answered = c.status == Status::Answered;
            out.empty = c.status == Status::Empty;
            for (ItemId i : c.items) {
                if (i == c.answer)
                    out.answer = textOf(m.items[i].text);
                else if (!m.items[i].text.empty())
                    out.earlier.push_back(textOf(m.items[i].text));
            }
        }
    for (const SameAnswers& same : m.same) {
        if (same.assignment != a)
            continue;
        Sheet::Same group{same.question.index(), {}};
        for (ItemId i : same.items)
            if (auto it = rowOfStudent.find(m.items[i].student); it != rowOfStudent.end())
                group.students.push_back(it->second);
        if (group.students.size() > 1)
            sheet.same.push_back(std::move(group));
    }
    return sheet;
}

} // namespace

void labelStudents(Sheet& sheet)
{
    // Two students of one name are told apart by their participant ids.
    std::map<std::string, std::size_t> named;
    for (const SheetStudent& st : sheet.students)
        ++named[st.name];
    for (SheetStudent& st : sheet.students) {
        std::string also = st.namedOther && !st.blind ? st.submitterName : std::string();
        if (named[st.name] > 1 && !st.submitterId.empty())
            also += (also.empty() ? "" : ", ") + st.submitterId;
        st.label = also.empty() ? st.name : st.name + " (" + also + ")";
    }
}

std::vector<Sheet> sheetsOf(const Model& model)
{
    std::vector<Sheet> sheets;
    for (AssignmentId a : model.assignments.ids())
        sheets.push_back(sheetOf(model, a));
    return sheets;
}

} // namespace qa::review
