// The CSV: UTF-8 with a byte-order mark, CR LF rows, RFC 4180 quoting, and no
// cell that a spreadsheet would run as a formula.
#include <algorithm>
#include <map>

#include "review/model.h"
#include "review/output.h"

namespace qa::review {
namespace {

bool needsQuotes(std::string_view s, bool& formula)
{
    formula =
        !s.empty() && (s[0] == '=' || s[0] == '+' || s[0] == '-' || s[0] == '@' || s[0] == '\t' || s[0] == '\r');
    return formula || s.find_first_of(",\"\r\n") != std::string_view::npos;
}

// One cell, then a comma or the row's CR LF. `cp1252`: the text is the
// record files' and is written as UTF-8; otherwise it is UTF-8 already.
// Quoted when it holds a comma, a quote or a line break; a leading apostrophe
// keeps a spreadsheet from reading it as a formula.
void cell(Out& o, std::string_view s, bool cp1252, bool last = false)
{
    bool formula = false;
    if (needsQuotes(s, formula)) {
        o << (formula ? std::string_view("\"'") : std::string_view("\""));
        if (cp1252)
            o.utf8From1252(s, true);
        else
            for (char c : s)
                o << (c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1));
        o << '"';
    } else if (cp1252) {
        o.utf8From1252(s);
    } else {
        o << s;
    }
    o << (last ? std::string_view("\r\n") : std::string_view(","));
}

class Csv {
public:
    Csv(const Model& m, std::ostream& os) : m_(m), o_(os) {}

    void write()
    {
        o_ << "\xEF\xBB\xBF";
        for (const char* h : {"Student", "Initials", "Assignment", "Question", "Question text", "Status", "Answer",
                              "Answered", "Revisions"})
            cell(o_, h, false);
        cell(o_, "Files", false, true);
        // Student by student, then assignment, then question.
        Table<StudentId, std::vector<std::pair<AssignmentId, const Row*>>> rowsOf(m_.students.size());
        for (AssignmentId a : m_.assignments.ids())
            for (const Row& row : m_.assignments[a].rows)
                rowsOf[row.student].emplace_back(a, &row);
        for (StudentId s : m_.students.ids())
            for (const auto& [a, row] : rowsOf[s]) {
                const Assignment& as = m_.assignments[a];
                for (QuestionId q : as.questions.ids())
                    line(s, a, std::to_string(q.index() + 1), m_.lines[as.questions[q]], row->cells[q]);
                // Responses to lines not in the bank: one row per line carried.
                std::map<LineId, Cell> others;
                for (ItemId i : row->unknown) {
                    Cell& c = others[m_.items[i].line];
                    c.items.push_back(i);
                    if (!m_.items[i].text.empty())
                        c.answer = i;
                }
                for (auto& [ln, c] : others) {
                    c.status = c.answer.some() ? Status::Answered : Status::Empty;
                    line(s, a, "", m_.lines[ln], c);
                }
            }
    }

private:
    void line(StudentId s, AssignmentId a, const std::string& number, const std::string& questionLine,
              const Cell& c)
    {
        const Student& st = m_.students[s];
        cell(o_, st.name, true);
        std::string initials;
        for (const std::string& i : st.initials)
            initials += (initials.empty() ? "" : ", ") + i;
        cell(o_, initials, true);
        cell(o_, m_.assignments[a].number, true);
        cell(o_, number, false);
        cell(o_, questionLine, true);
        cell(o_,
             c.status == Status::Answered ? "answered"
             : c.status == Status::Empty  ? "empty"
                                          : "missing",
             false);
        const bool answered = c.status == Status::Answered;
        cell(o_, answered ? std::string_view(m_.items[c.answer].text) : std::string_view(), true);
        cell(o_, answered ? formatMoment(m_.items[c.answer].when) : std::string(), false);
        cell(o_, std::to_string(c.revisions()), false);
        std::vector<FileId> files;
        for (ItemId i : c.items)
            for (const Place& p : m_.items[i].at)
                files.push_back(p.file);
        std::sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end()), files.end());
        std::string joined;
        for (FileId f : files)
            joined += (joined.empty() ? "" : "; ") + m_.files[f].shown;
        cell(o_, joined, false, true);
    }

    const Model& m_;
    Out o_;
};

} // namespace

void writeCsvExport(const Model& model, std::ostream& out)
{
    Csv(model, out).write();
}

} // namespace qa::review
