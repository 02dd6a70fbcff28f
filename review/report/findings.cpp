// The findings as rows of text.
#include "review/report/findings.h"

#include <cstdio>

#include "platform/text.h"

namespace qa::review {
namespace {

class Rows {
public:
    explicit Rows(const Model& m) : m_(m) {}

    std::string place(const Place& p) const
    {
        return p.line ? m_.files[p.file].shown + ":" + std::to_string(p.line) : m_.files[p.file].shown;
    }
    std::string places(const std::vector<Place>& at) const
    {
        std::string out;
        for (const Place& p : at)
            out += (out.empty() ? "" : "; ") + place(p);
        return out;
    }
    std::string name(StudentId s) const { return text::toUtf8(m_.students[s].name); }
    std::string number(AssignmentId a) const
    {
        return a.some() ? text::toUtf8(m_.assignments[a].number) : std::string();
    }
    static std::string question(QuestionId q) { return q.some() ? std::to_string(q.index() + 1) : std::string(); }
    static void join(std::string& list, const std::string& one) { list += (list.empty() ? "" : "; ") + one; }

    // Several students' responses: their names and places, each once.
    FindingRow items(const char* check, AssignmentId a, QuestionId q, const std::vector<ItemId>& ids) const
    {
        FindingRow r{check, number(a), question(q), {}, {}, {}};
        for (ItemId i : ids) {
            join(r.students, name(m_.items[i].student));
            join(r.places, places(m_.items[i].at));
        }
        return r;
    }

    void all(std::vector<FindingRow>& out) const
    {
        for (const FileNameFinding& f : m_.fileNames)
            out.push_back({"File name against its headers", {}, {}, {}, place({f.file, f.line}), f.what});
        for (const SharedCodeLine& c : m_.codeLines) {
            FindingRow r{
                "One code line in the files of different students", {}, {}, {}, {}, text::toUtf8(c.codeLine)};
            for (SittingId s : c.sittings) {
                join(r.students, name(m_.sittings[s].student) + " (" + formatMoment(m_.sittings[s].start) + ")");
                join(r.places, places(m_.sittings[s].at));
            }
            out.push_back(r);
        }
        for (const SameAnswers& g : m_.same) {
            out.push_back(items("The same answer from several students", g.assignment, g.question, g.items));
            out.back().detail = text::toUtf8(m_.items[g.items.front()].text);
        }
        for (const NearPair& p : m_.near) {
            out.push_back(items("Near-identical answers", p.assignment, p.question, {p.a, p.b}));
            char share[16];
            std::snprintf(share, sizeof share, "%.0f%%", p.share * 100);
            out.back().detail = std::string(share) + " of their 3-word shingles shared";
        }
        for (const ClockFinding& c : m_.clocks)
            out.push_back({"A clock that ran backwards",
                           {},
                           {},
                           name(c.student),
                           place(c.at),
                           "a session starts " + formatMoment(c.start) + ", after " + formatMoment(c.before) +
                               " earlier in the file"});
        for (ItemId i : m_.notInBank) {
            const Item& it = m_.items[i];
            out.push_back(items("A response to a line not in the bank", it.assignment, {}, {i}));
            out.back().detail = text::toUtf8(m_.lines[it.line]) + "\n" + text::toUtf8(it.text);
        }
        for (const FileFinding& f : m_.changed)
            out.push_back(
                {"A file changed after the tutor wrote it", {}, {}, {}, place({f.file, f.line}), f.what});
        for (const FileFinding& f : m_.names)
            out.push_back({"Names: who handed in, spellings, one name for two students",
                           {},
                           {},
                           {},
                           place({f.file, f.line}),
                           f.what});
    }

private:
    const Model& m_;
};

} // namespace

std::vector<FindingRow> findingRows(const Model& model)
{
    std::vector<FindingRow> out;
    Rows(model).all(out);
    for (const Problem& p : model.problems) {
        std::string lines = p.line ? std::to_string(p.line) : std::string();
        if (p.lastLine > p.line)
            lines += "-" + std::to_string(p.lastLine);
        out.push_back({"An unreadable part", {}, {}, {}, lines.empty() ? p.file : p.file + ":" + lines, p.what});
    }
    return out;
}

} // namespace qa::review
