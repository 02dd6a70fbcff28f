// The CSV: UTF-8 with a byte-order mark, CR LF rows, RFC 4180 quoting, and no
// cell that a spreadsheet would run as a formula.
#include <algorithm>
#include <map>

#include "platform/text.h"
#include "review/model.h"
#include "review/output.h"

namespace qa::review {
namespace {

void cell(Out& o, std::string_view utf8, bool last = false)
{
    const bool formula = !utf8.empty() && (utf8[0] == '=' || utf8[0] == '+' || utf8[0] == '-' || utf8[0] == '@' ||
                                           utf8[0] == '\t' || utf8[0] == '\r');
    if (formula || utf8.find_first_of(",\"\r\n") != std::string_view::npos) {
        std::string& b = o.buffer();
        b += '"';
        if (formula)
            b += '\'';
        for (char c : utf8) {
            if (c == '"')
                b += '"';
            b += c;
        }
        b += '"';
    } else {
        o << utf8;
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
            cell(o_, h);
        cell(o_, "Files", true);
        // Student by student, then assignment, then question.
        std::vector<std::vector<std::pair<std::uint32_t, const Row*>>> rowsOf(m_.students.size());
        for (std::uint32_t a = 0; a < m_.assignments.size(); ++a)
            for (const Row& row : m_.assignments[a].rows)
                rowsOf[row.student].emplace_back(a, &row);
        for (std::uint32_t s = 0; s < m_.students.size(); ++s)
            for (const auto& [a, row] : rowsOf[s]) {
                const Assignment& as = m_.assignments[a];
                for (std::uint32_t q = 0; q < as.questions.size(); ++q)
                    line(s, a, std::to_string(q + 1), m_.lines[as.questions[q]], row->cells[q]);
                // Responses to lines not in the bank: one row per line carried.
                std::map<std::uint32_t, Cell> others;
                for (std::uint32_t i : row->unknown) {
                    Cell& c = others[m_.items[i].line];
                    c.items.push_back(i);
                    if (!m_.items[i].text.empty())
                        c.answer = i;
                }
                for (auto& [ln, c] : others) {
                    c.status = c.answer != kNone ? Status::Answered : Status::Empty;
                    line(s, a, "", m_.lines[ln], c);
                }
            }
    }

private:
    void line(std::uint32_t s, std::uint32_t a, const std::string& number, const std::string& questionLine,
              const Cell& c)
    {
        const Student& st = m_.students[s];
        cell(o_, text::toUtf8(st.name));
        std::string initials;
        for (const std::string& i : st.initials)
            initials += (initials.empty() ? "" : ", ") + i;
        cell(o_, text::toUtf8(initials));
        cell(o_, text::toUtf8(m_.assignments[a].number));
        cell(o_, number);
        cell(o_, text::toUtf8(questionLine));
        cell(o_, c.status == Status::Answered ? "answered" : c.status == Status::Empty ? "empty" : "missing");
        const bool answered = c.status == Status::Answered;
        cell(o_, answered ? text::toUtf8(m_.items[c.answer].text) : std::string());
        cell(o_, answered ? formatMoment(m_.items[c.answer].when) : std::string());
        cell(o_, std::to_string(c.revisions()));
        std::vector<std::uint32_t> files;
        for (std::uint32_t i : c.items)
            for (const Place& p : m_.items[i].at)
                files.push_back(p.file);
        std::sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end()), files.end());
        std::string joined;
        for (std::uint32_t f : files)
            joined += (joined.empty() ? "" : "; ") + m_.files[f].shown;
        cell(o_, joined, true);
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
