// The checks: one section per check, drawn by one function over the table
// of checks below; each check adds only its rows.
#include "review/report/html_report.h"

namespace qa::review {
namespace {

struct CheckPart {
    Markup title;
    Markup id;      // the section's anchor; "" for none
    Markup about;   // how the check works; "" for nothing to say
    Markup none;    // when nothing was found
    Markup columns; // the header row of its one table; "" when each finding is a table of its own
    std::size_t (*count)(const Model&);
    void (Report::*rows)();
};

// A check's heading, what it does and, with nothing found, that there is
// nothing; false then, for no table.
bool heading(HtmlWriter& o, const CheckPart& part, std::size_t n)
{
    o << "<h3";
    if (!part.id.text().empty())
        o << " id=\"" << part.id << "\"";
    o << ">" << part.title << " (" << std::uint64_t{n} << ")</h3>\n";
    if (!part.about.text().empty())
        o << "<p class=\"muted\">" << part.about << "</p>\n";
    if (n == 0)
        o << "<p class=\"none\">" << part.none << "</p>\n";
    return n != 0;
}

} // namespace

void Report::checks()
{
    static constexpr CheckPart parts[] = {
        {"File names against their headers", "", "",
         "Every file name that follows the tutor's pattern agrees with its headers.",
         "<th scope=\"col\">File and line</th><th scope=\"col\">What</th>",
         [](const Model& m) { return m.fileNames.size(); }, &Report::fileNames},
        {"One code line in the files of different students", "", "",
         "No code line appears in the files of two students.", "",
         [](const Model& m) { return m.codeLines.size(); }, &Report::codeLines},
        {"The same answer from several students", "",
         "Final answers to one question that are equal once blanks and case are folded.", "None.", "",
         [](const Model& m) { return m.same.size(); }, &Report::sameAnswers},
        {"Near-identical answers", "",
         "Final answers of at least 5 words to one question whose 3-word shingles overlap by 80% or more "
         "(Jaccard), not counting answers that are the same.",
         "None.",
         "<th scope=\"col\">Question</th><th scope=\"col\">Share</th><th scope=\"col\">First student</th><th "
         "scope=\"col\">Second student</th>",
         [](const Model& m) { return m.near.size(); }, &Report::nearAnswers},
        {"Clocks that ran backwards", "", "", "Every session starts after what its file holds before it.",
         "<th scope=\"col\">Student</th><th scope=\"col\">Session starts</th><th scope=\"col\">Earlier in the "
         "file</th><th scope=\"col\">File and line</th>",
         [](const Model& m) { return m.clocks.size(); }, &Report::clocks},
        {"Responses to lines that are not in the bank", "", "", "Every response carries a line of its assignment.",
         "<th scope=\"col\">Student</th><th scope=\"col\">Line carried</th><th scope=\"col\">Response</th><th "
         "scope=\"col\">Files and lines</th>",
         [](const Model& m) { return m.notInBank.size(); }, &Report::notInBank},
        {"Files changed after the tutor wrote them", "", "",
         "Every record file is as the tutor wrote it: Windows-1252 with CR LF line breaks.",
         "<th scope=\"col\">File</th><th scope=\"col\">What</th>", [](const Model& m) { return m.changed.size(); },
         &Report::changedFiles},
        {"Names: who handed in, spellings, one name for two students", "", "",
         "Every file's headers name the student who handed it in, spelt one way.",
         "<th scope=\"col\">File and line</th><th scope=\"col\">What</th>",
         [](const Model& m) { return m.names.size(); }, &Report::nameFindings},
        {"Unreadable parts", "unreadable", "", "Every file read whole.",
         "<th scope=\"col\">File</th><th scope=\"col\">Lines</th><th scope=\"col\">What</th>",
         [](const Model& m) { return m.problems.size(); }, &Report::problems},
    };
    o_ << "<section aria-labelledby=\"checks\"><h2 id=\"checks\">Checks</h2>\n";
    for (const CheckPart& part : parts) {
        if (!heading(o_, part, part.count(m_)))
            continue;
        const bool oneTable = !part.columns.text().empty();
        if (oneTable)
            o_ << "<table class=\"list\"><caption class=\"vh\">" << part.title << "</caption><thead><tr>"
               << part.columns << "</tr></thead>";
        (this->*part.rows)();
        if (oneTable)
            o_ << "</table>\n";
    }
    skipped();
    o_ << "</section>\n";
}

void Report::fileFindings(const std::vector<FileFinding>& findings)
{
    for (const FileFinding& f : findings) {
        o_ << "<tr><td>";
        place({f.file, f.line});
        o_ << "</td><td>" << Text{f.what} << "</td></tr>\n";
    }
}

// Files that are not record files, folded: another format, an empty file,
// the platforms' and systems' extra files.
void Report::skipped()
{
    if (m_.skipped.empty())
        return;
    o_ << "<details class=\"skipped\"><summary>Not record files, skipped (" << std::uint64_t{m_.skipped.size()}
       << ")</summary><table class=\"list\"><caption>Files skipped</caption><tr><th scope=\"col\">File</th>"
          "<th scope=\"col\">Why</th></tr>";
    for (const Skipped& f : m_.skipped)
        o_ << "<tr><td>" << Text{f.file} << "</td><td>" << Text{f.why} << "</td></tr>\n";
    o_ << "</table></details>\n";
}

void Report::fileNames()
{
    for (const FileNameFinding& f : m_.fileNames) {
        o_ << "<tr><td>";
        place({f.file, f.line});
        o_ << "</td><td>" << Text{f.what} << "</td></tr>\n";
    }
}

void Report::codeLines()
{
    for (const SharedCodeLine& c : m_.codeLines) {
        o_ << "<table class=\"list\"><caption>Code line <code>" << Text1252{c.codeLine}
           << "</code></caption><thead><tr><th scope=\"col\">Student</th><th scope=\"col\">Session</th><th "
              "scope=\"col\">Files and lines</th></tr></thead>";
        for (SittingId s : c.sittings) {
            o_ << "<tr><td>";
            studentName(m_.sittings[s].student);
            o_ << "</td><td>" << When{m_.sittings[s].start} << "</td><td>";
            places(m_.sittings[s].at);
            o_ << "</td></tr>\n";
        }
        o_ << "</table>\n";
    }
}

void Report::sameAnswers()
{
    for (const SameAnswers& g : m_.same) {
        o_ << "<table class=\"list\"><caption>";
        questionRef(g.assignment, g.question);
        o_ << ": " << std::uint64_t{g.items.size()} << " students</caption><tr><th scope=\"row\">Answer</th><td>";
        text(m_.items[g.items.front()].text);
        o_ << "</td></tr><tr><th scope=\"row\">Students</th><td>";
        for (std::size_t k = 0; k < g.items.size(); ++k) {
            const Item& it = m_.items[g.items[k]];
            if (k)
                o_ << "<br>";
            studentName(it.student);
            itemPlace(it);
        }
        o_ << "</td></tr></table>\n";
    }
}

void Report::nearAnswers()
{
    for (const NearPair& p : m_.near) {
        o_ << "<tr><td>";
        questionRef(p.assignment, p.question);
        o_ << "</td><td>" << Fixed{p.share * 100, 0} << "%</td>";
        for (ItemId i : {p.a, p.b}) {
            o_ << "<td>";
            studentName(m_.items[i].student);
            itemPlace(m_.items[i]);
            text(m_.items[i].text);
            o_ << "</td>";
        }
        o_ << "</tr>\n";
    }
}

void Report::clocks()
{
    for (const ClockFinding& c : m_.clocks) {
        o_ << "<tr><td>";
        studentName(c.student);
        o_ << "</td><td>" << When{c.start} << "</td><td>" << When{c.before} << "</td><td>";
        place(c.at);
        o_ << "</td></tr>\n";
    }
}

void Report::notInBank()
{
    for (ItemId i : m_.notInBank) {
        const Item& it = m_.items[i];
        o_ << "<tr><td>";
        studentName(it.student);
        o_ << "</td><td>";
        text(m_.lines[it.line]);
        o_ << "</td><td>";
        text(it.text);
        o_ << "</td><td>";
        places(it.at);
        o_ << "</td></tr>\n";
    }
}

void Report::problems()
{
    for (const Problem& p : m_.problems) {
        o_ << "<tr><td>" << Text{p.file} << "</td><td>";
        if (p.line)
            o_ << p.line;
        if (p.lastLine > p.line)
            o_ << "&ndash;" << p.lastLine;
        o_ << "</td><td>" << Text{p.what} << "</td></tr>\n";
    }
}

} // namespace qa::review
