// The report: one self-contained HTML page, written as it is made. No script
// and nothing from outside (a Content-Security-Policy says so to the
// browser); every text from the files is escaped.
#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/text.h"
#include "review/html_writer.h"
#include "review/model.h"

namespace qa::review {
namespace {

constexpr Markup kStyle = R"(
:root{--ok:#d8f0dc;--okText:#145a24;--empty:#fbe9c0;--emptyText:#7a5200;--miss:#f6d5d5;--missText:#8a1c1c;
--line:#d6d9de;--muted:#5f6670;--accent:#1f4e8c}
*{box-sizing:border-box}
body{font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"Liberation Sans",Arial,sans-serif;color:#1d2126;
margin:0;padding:0 28px 40px;max-width:1400px}
h1{font-size:24px;margin:24px 0 4px}
h2{font-size:19px;margin:32px 0 10px;padding-bottom:4px;border-bottom:2px solid var(--accent);color:var(--accent)}
h3{font-size:15px;margin:20px 0 8px}
a{color:var(--accent)}
.made,.muted{color:var(--muted)}
.made{margin:0 0 12px}
.facts{display:flex;flex-wrap:wrap;gap:10px;margin:12px 0;padding:0;list-style:none}
.facts li{border:1px solid var(--line);border-radius:6px;padding:6px 12px;background:#f7f8fa}
.facts b{font-size:18px;display:block}
.facts .warn b{color:var(--missText)}
.facts a{color:inherit}
nav ul{margin:4px 0;padding-left:18px}
.key span{display:inline-block;padding:1px 8px;border-radius:4px;margin-right:6px;font-size:12px}
table{border-collapse:collapse}
.scroll{overflow-x:auto}
.grid{font-size:11px;line-height:1.25;margin:8px 0 4px}
.grid th,.grid td{border:1px solid var(--line);padding:2px 5px;text-align:center;white-space:nowrap}
.grid tbody td{min-width:44px}
.grid thead th{background:#eef1f5;position:sticky;top:0}
.grid th.who{text-align:left;font-weight:600;background:#fafbfc}
.grid td.ok,.key .ok{background:var(--ok);color:var(--okText)}
.grid td.em,.key .em{background:var(--empty);color:var(--emptyText)}
.grid td.mi,.key .mi{background:var(--miss);color:var(--missText)}
.grid td.n,.grid tfoot td,.grid tfoot th{background:#f3f4f6;font-weight:600}
.grid .rev{font-size:9px;font-weight:700;vertical-align:super;margin-left:1px}
.ini{color:var(--muted);font-weight:400;font-size:11px;margin-left:4px}
.list{border:1px solid var(--line);width:100%;margin:6px 0 12px;font-size:13px}
.list th,.list td{border:1px solid var(--line);padding:4px 8px;text-align:left;vertical-align:top}
.list th{background:#eef1f5}
.q{margin:0 0 18px}
.qtext{margin:0 0 8px;padding:8px 12px;background:#f3f6fb;border-left:4px solid var(--accent);white-space:pre-wrap}
.ans{border-top:1px solid var(--line);padding:6px 0}
.ans .who{font-weight:600}
time,.t{color:var(--muted);font-variant-numeric:tabular-nums;font-size:12px;margin-left:8px}
.txt{white-space:pre-wrap;overflow-wrap:anywhere;margin:2px 0 0;font:inherit}
details{margin:4px 0 0 14px;color:#444}
summary{cursor:pointer;color:var(--muted);font-size:12px}
.old{border-left:3px solid var(--line);padding-left:8px;margin:4px 0}
.student{margin-top:28px}
.sess{margin:12px 0 2px;font-weight:600}
.items{list-style:none;margin:0;padding:0}
.items li{display:grid;grid-template-columns:80px 70px 1fr;gap:8px;padding:4px 0;border-top:1px solid #eceef1}
.items .k{font-weight:600}
.items .note .k{color:#6b3fa0}
.flag{color:var(--missText);font-size:12px}
.superseded{color:var(--muted)}
svg.tl{display:block;margin:6px 0 0;max-width:100%}
.legend{font-size:11px;color:var(--muted);margin:0 0 6px 86px}
.legend span{display:inline-block;vertical-align:middle;margin:0 3px 0 10px}
.lb{width:18px;height:8px;border-radius:2px;background:#b9cde8}
.ld{width:6px;height:6px;border-radius:50%;background:#1f4e8c}.ld.le{background:#c08a00}
.ln{width:5px;height:5px;background:#6b3fa0}
.none{color:var(--muted);font-style:italic}
@media print{body{padding:0;max-width:none;font-size:11px}.student{break-before:page}nav{display:none}
.grid thead th{position:static}h2{break-after:avoid}.ans,.items li{break-inside:avoid}}
)";

// "+H:MM:SS" after a start.
void elapsed(HtmlWriter& o, Moment d)
{
    if (d < 0)
        o << "-";
    d = d < 0 ? -d : d;
    o << "+" << std::uint64_t(d / 3600) << ":" << Padded{d / 60 % 60, 2} << ":" << Padded{d % 60, 2};
}

class Report {
public:
    Report(const Model& m, std::ostream& os) : m_(m), o_(os), superseded_(m.items.size(), false)
    {
        for (const Assignment& a : m.assignments)
            for (const Row& row : a.rows)
                for (const Cell& c : row.cells)
                    for (ItemId i : c.items)
                        superseded_[i.index()] = i != c.answer;
    }

    void write(const std::string& madeOn)
    {
        head();
        o_ << "<p class=\"made\">Made on ";
        o_ << Text{madeOn};
        o_ << " by qa-review.</p>\n";
        facts();
        contents();
        for (AssignmentId a : m_.assignments.ids())
            grid(a);
        checks();
        for (AssignmentId a : m_.assignments.ids())
            questions(a);
        o_ << "<h2 id=\"students\">Students</h2>\n";
        for (StudentId s : m_.students.ids())
            student(s);
        o_ << "</body>\n</html>\n";
    }

private:
    void head()
    {
        o_ << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
              "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
              "'unsafe-inline'; "
              "img-src data:; base-uri 'none'; form-action 'none'\">\n"
              "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
              "<meta name=\"referrer\" content=\"no-referrer\">\n"
              "<title>Review of handed-in work</title>\n<style>"
           << kStyle << "</style>\n</head>\n<body>\n<h1>Review of handed-in work</h1>\n";
    }

    void fact(std::size_t n, Markup what) { o_ << "<li><b>" << std::uint64_t{n} << "</b>" << what << "</li>"; }
    // A count that links to its list, marked when it is not 0.
    void fact(std::size_t n, Markup what, Markup anchor)
    {
        if (n)
            o_ << "<li class=\"warn\"><b>";
        else
            o_ << "<li><b>";
        o_ << std::uint64_t{n} << "</b><a href=\"#" << anchor << "\">" << what << "</a></li>";
    }

    void facts()
    {
        std::size_t responses = 0, notes = 0;
        m_.count(responses, notes);
        o_ << "<ul class=\"facts\">";
        fact(m_.recordFilesRead, "record files read");
        fact(m_.students.size(), "students");
        fact(m_.assignments.size(), "assignments");
        fact(responses, "responses");
        fact(notes, "notes");
        fact(m_.findings(), "check findings", "checks");
        fact(m_.problems.size(), "unreadable parts", "unreadable");
        o_ << "</ul>\n";
    }

    void contents()
    {
        o_ << "<nav><ul>";
        for (AssignmentId a : m_.assignments.ids()) {
            o_ << "<li>Assignment ";
            o_ << Text1252{m_.assignments[a].number};
            o_ << ": <a href=\"#grid-" << a.index() << "\">grid</a>, <a href=\"#questions-" << a.index()
               << "\">answers by question</a></li>";
        }
        o_ << "<li><a href=\"#checks\">Checks</a></li><li><a href=\"#students\">Students</a></li></ul></nav>\n";
    }

    void studentName(StudentId s, bool link = true)
    {
        if (link)
            o_ << "<a href=\"#student-" << s.index() << "\">";
        o_ << Text1252{m_.students[s].name};
        if (link)
            o_ << "</a>";
        o_ << "<span class=\"ini\">";
        const auto& ini = m_.students[s].initials;
        for (std::size_t k = 0; k < ini.size(); ++k) {
            if (k)
                o_ << ", ";
            o_ << Text1252{ini[k]};
        }
        o_ << "</span>";
    }

    void place(const Place& p)
    {
        o_ << Text{m_.files[p.file].shown};
        if (p.line)
            o_ << ":" << p.line;
    }
    void places(const std::vector<Place>& at)
    {
        for (std::size_t k = 0; k < at.size(); ++k) {
            if (k)
                o_ << "<br>";
            place(at[k]);
        }
    }

    void text(std::string_view t)
    {
        o_ << "<div class=\"txt\">";
        if (t.empty())
            o_ << "<span class=\"none\">(empty)</span>";
        else
            o_ << Text1252{t};
        o_ << "</div>";
    }

    void grid(AssignmentId a)
    {
        const Assignment& as = m_.assignments[a];
        const std::size_t nq = as.questions.size();
        o_ << "<h2 id=\"grid-" << a.index() << "\">Assignment ";
        o_ << Text1252{as.number};
        o_ << ": who answered what</h2>\n<p class=\"key\"><span class=\"ok\">answered: date, time, "
              "+revisions</span>"
              "<span class=\"em\">empty</span><span class=\"mi\">missing</span></p>\n";
        if (nq == 0)
            o_ << "<p class=\"muted\">The built-in bank has no questions for this assignment; its responses are "
                  "listed under the students and the checks.</p>\n";
        o_ << "<div class=\"scroll\"><table class=\"grid\"><thead><tr><th class=\"who\">Student</th>";
        for (std::size_t q = 0; q < nq; ++q)
            o_ << "<th><a href=\"#q-" << a.index() << "-" << std::uint64_t{q} << "\">Q" << std::uint64_t{q + 1}
               << "</a></th>";
        o_ << "<th>Answered</th><th>Empty</th><th>Missing</th></tr></thead>\n<tbody>\n";
        std::vector<std::uint32_t> colOk(nq), colEmpty(nq), colMiss(nq);
        for (const Row& row : as.rows) {
            o_ << "<tr><th class=\"who\">";
            studentName(row.student);
            o_ << "</th>";
            std::uint32_t ok = 0, em = 0, mi = 0;
            for (std::size_t q = 0; q < nq; ++q) {
                const Cell& c = row.cells[QuestionId(q)];
                if (c.status == Status::Answered) {
                    ++ok;
                    ++colOk[q];
                    const Moment when = m_.items[c.answer].when;
                    o_ << "<td class=\"ok\" title=\"" << When{when} << "\">" << When{when, 5, 5};
                    if (c.revisions())
                        o_ << "<span class=\"rev\" title=\"revisions\">+" << c.revisions() << "</span>";
                    o_ << "<br>" << When{when, 11, 5} << "</td>";
                } else if (c.status == Status::Empty) {
                    ++em;
                    ++colEmpty[q];
                    o_ << "<td class=\"em\">empty</td>";
                } else {
                    ++mi;
                    ++colMiss[q];
                    o_ << "<td class=\"mi\">&ndash;</td>";
                }
            }
            o_ << "<td class=\"n\">" << ok << "</td><td class=\"n\">" << em << "</td><td class=\"n\">" << mi
               << "</td></tr>\n";
        }
        o_ << "</tbody><tfoot>";
        constexpr Markup names[] = {"Answered", "Empty", "Missing"};
        const std::vector<std::uint32_t>* cols[] = {&colOk, &colEmpty, &colMiss};
        for (int k = 0; k < 3; ++k) {
            o_ << "<tr><th class=\"who\">" << names[k] << "</th>";
            for (std::size_t q = 0; q < nq; ++q)
                o_ << "<td>" << (*cols[k])[q] << "</td>";
            o_ << "<td colspan=\"3\"></td></tr>";
        }
        o_ << "</tfoot></table></div>\n<p class=\"muted\">" << std::uint64_t{as.rows.size()} << " students, "
           << std::uint64_t{nq} << " questions.</p>\n";
    }

    void questions(AssignmentId a)
    {
        const Assignment& as = m_.assignments[a];
        o_ << "<h2 id=\"questions-" << a.index() << "\">Assignment ";
        o_ << Text1252{as.number};
        o_ << ": answers by question</h2>\n";
        for (QuestionId q : as.questions.ids()) {
            o_ << "<section class=\"q\" id=\"q-" << a.index() << "-" << q.index() << "\"><h3>Question "
               << q.index() + 1 << "</h3>"
               << "<div class=\"qtext\">";
            o_ << Text1252{m_.lines[as.questions[q]]};
            o_ << "</div>\n";
            std::vector<StudentId> empty, missing;
            for (const Row& row : as.rows) {
                const Cell& c = row.cells[q];
                if (c.status == Status::Missing) {
                    missing.push_back(row.student);
                    continue;
                }
                if (c.status == Status::Empty)
                    empty.push_back(row.student);
                if (c.status != Status::Answered)
                    continue;
                const Item& ans = m_.items[c.answer];
                o_ << "<div class=\"ans\"><span class=\"who\">";
                studentName(row.student);
                o_ << "</span><time>" << When{ans.when} << "</time>";
                text(ans.text);
                if (c.revisions()) {
                    o_ << "<details><summary>" << c.revisions();
                    if (c.revisions() == 1)
                        o_ << " other version</summary>";
                    else
                        o_ << " other versions</summary>";
                    for (ItemId i : c.items)
                        if (i != c.answer) {
                            o_ << "<div class=\"old\"><time>" << When{m_.items[i].when} << "</time>";
                            text(m_.items[i].text);
                            o_ << "</div>";
                        }
                    o_ << "</details>";
                }
                o_ << "</div>\n";
            }
            nameList("Only empty responses", empty);
            nameList("No response", missing);
            o_ << "</section>\n";
        }
    }

    void nameList(Markup what, const std::vector<StudentId>& students)
    {
        if (students.empty())
            return;
        o_ << "<p class=\"muted\">" << what << " (" << std::uint64_t{students.size()} << "): ";
        for (std::size_t k = 0; k < students.size(); ++k) {
            if (k)
                o_ << ", ";
            o_ << "<a href=\"#student-" << students[k].index() << "\">";
            o_ << Text1252{m_.students[students[k]].name};
            o_ << "</a>";
        }
        o_ << "</p>\n";
    }

    // Days down, hours across: each session a bar from its start to its last
    // block, each response a dot, each note a square.
    void timeline(const Student& st)
    {
        std::map<std::int64_t, int> rowOfDay;
        auto day = [](Moment m) {
            return m >= 0 ? m / kSecondsPerDay : (m - kSecondsPerDay + 1) / kSecondsPerDay;
        };
        std::vector<Moment> sessionEnd(st.sittings.size());
        for (std::size_t k = 0; k < st.sittings.size(); ++k) {
            sessionEnd[k] = m_.sittings[st.sittings[k]].start;
            rowOfDay[day(sessionEnd[k])] = 0;
        }
        for (ItemId i : st.items) {
            rowOfDay[day(m_.items[i].when)] = 0;
            for (std::size_t k = 0; k < st.sittings.size(); ++k)
                if (m_.items[i].sitting == st.sittings[k])
                    sessionEnd[k] = std::max(sessionEnd[k], m_.items[i].when);
        }
        if (rowOfDay.empty())
            return;
        int r = 0;
        for (auto& [d, row] : rowOfDay)
            row = r++;
        const int left = 86, width = 600, rowH = 16, top = 16;
        const int height = top + r * rowH + 4;
        auto x = [&](Moment m) {
            const Moment s = m - day(m) * kSecondsPerDay;
            return left + static_cast<double>(s) * width / kSecondsPerDay;
        };
        o_ << "<svg class=\"tl\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" << std::uint64_t(left + width + 24)
           << "\" height=\"" << std::uint64_t(height) << "\" viewBox=\"0 0 " << std::uint64_t(left + width + 24)
           << " " << std::uint64_t(height) << "\" role=\"img\" aria-label=\"sessions by day and hour\">";
        o_ << "<g font-size=\"10\" fill=\"#5f6670\" font-family=\"sans-serif\">";
        for (int h = 0; h <= 24; h += 3) {
            const double hx = left + h * width / 24.0;
            o_ << "<line x1=\"" << Fixed{hx} << "\" y1=\"" << top - 2 << "\" x2=\"" << Fixed{hx} << "\" y2=\""
               << height - 2 << "\" stroke=\"#e3e6ea\"/><text x=\"" << Fixed{hx}
               << "\" y=\"11\" text-anchor=\"middle\">" << Padded{h % 24 == 0 && h ? 24 : h, 2} << ":00</text>";
        }
        for (const auto& [d, row] : rowOfDay) {
            int y = 0, mo = 0, dd = 0;
            civilFromDays(d, y, mo, dd);
            o_ << "<text x=\"0\" y=\"" << top + row * rowH + 11 << "\">" << Padded{y, 4} << "-" << Padded{mo, 2}
               << "-" << Padded{dd, 2} << "</text>";
        }
        o_ << "</g>";
        for (std::size_t k = 0; k < st.sittings.size(); ++k) {
            // A session past midnight is drawn on each day it touches.
            Moment from = m_.sittings[st.sittings[k]].start;
            const Moment to = sessionEnd[k];
            while (true) {
                const Moment dayEnd = (day(from) + 1) * kSecondsPerDay - 1;
                const Moment until = std::min(to, dayEnd);
                const double x0 = x(from), x1 = std::max(x(until), x0 + 3);
                o_ << "<rect x=\"" << Fixed{x0} << "\" y=\"" << top + rowOfDay[day(from)] * rowH + 2
                   << "\" width=\"" << Fixed{x1 - x0} << "\" height=\"10\" rx=\"2\" fill=\"#b9cde8\"/>";
                if (to <= dayEnd)
                    break;
                from = dayEnd + 1;
            }
        }
        for (ItemId i : st.items) {
            const Item& it = m_.items[i];
            const int cy = top + rowOfDay[day(it.when)] * rowH + 7;
            if (it.note)
                o_ << "<rect x=\"" << Fixed{x(it.when) - 2.5} << "\" y=\"" << cy - 2
                   << "\" width=\"5\" height=\"5\" fill=\"#6b3fa0\"/>";
            else if (it.text.empty())
                o_ << "<circle cx=\"" << Fixed{x(it.when)} << "\" cy=\"" << cy
                   << "\" r=\"2.6\" fill=\"#c08a00\"/>";
            else
                o_ << "<circle cx=\"" << Fixed{x(it.when)} << "\" cy=\"" << cy
                   << "\" r=\"2.6\" fill=\"#1f4e8c\"/>";
        }
        o_ << "</svg>\n<p class=\"legend\"><span class=\"lb\"></span>session <span class=\"ld\"></span>answer "
              "<span class=\"ld le\"></span>empty response <span class=\"ln\"></span>note</p>\n";
    }

    void itemLine(const Item& it, ItemId index, Moment since)
    {
        if (it.note)
            o_ << "<li class=\"note\">";
        else
            o_ << "<li>";
        o_ << "<span class=\"t\" title=\"" << When{it.when} << "\">";
        elapsed(o_, it.when - since);
        o_ << "</span><span class=\"k\">";
        const bool superseded = superseded_[index.index()];
        if (it.note)
            o_ << "note";
        else if (it.question.some())
            o_ << "Q" << it.question.index() + 1;
        else
            o_ << "?";
        o_ << "</span><div>";
        if (!it.note && it.question.none()) {
            o_ << "<div class=\"flag\">not a question of the bank: ";
            o_ << Text1252{m_.lines[it.line]};
            o_ << "</div>";
        }
        if (superseded)
            o_ << "<div class=\"superseded\">";
        text(it.text);
        if (superseded)
            o_ << "<span class=\"muted\">(not the final answer)</span></div>";
        o_ << "</div></li>\n";
    }

    void student(StudentId s)
    {
        const Student& st = m_.students[s];
        o_ << "<section class=\"student\" id=\"student-" << s.index() << "\"><h2>";
        studentName(s, false);
        o_ << "</h2>\n";
        timeline(st);
        std::vector<std::vector<ItemId>> bySession(st.sittings.size());
        std::vector<ItemId> loose;
        for (ItemId i : st.items) {
            const auto k = std::find(st.sittings.begin(), st.sittings.end(), m_.items[i].sitting);
            if (k == st.sittings.end())
                loose.push_back(i);
            else
                bySession[static_cast<std::size_t>(k - st.sittings.begin())].push_back(i);
        }
        for (std::size_t k = 0; k < st.sittings.size(); ++k) {
            const Sitting& se = m_.sittings[st.sittings[k]];
            o_ << "<div class=\"sess\">Session " << std::uint64_t{k + 1} << ", assignment ";
            o_ << Text1252{m_.assignments[se.assignment].number};
            o_ << ": started " << When{se.start} << "<span class=\"t\">";
            place(se.at.front());
            o_ << "</span></div>\n<ol class=\"items\">";
            if (bySession[k].empty())
                o_ << "<li><span></span><span></span><span class=\"none\">nothing recorded</span></li>";
            for (ItemId i : bySession[k])
                itemLine(m_.items[i], i, se.start);
            o_ << "</ol>\n";
        }
        if (!loose.empty()) {
            o_ << "<div class=\"sess\">Notes found only in a notes file</div>\n<ol class=\"items\">";
            for (ItemId i : loose)
                itemLine(m_.items[i], i, m_.items[i].when);
            o_ << "</ol>\n";
        }
        o_ << "</section>\n";
    }

    void questionRef(AssignmentId a, QuestionId q)
    {
        o_ << "<a href=\"#q-" << a.index() << "-" << q.index() << "\">";
        o_ << Text1252{m_.assignments[a].number};
        o_ << " Q" << q.index() + 1 << "</a>";
    }

    void checks()
    {
        o_ << "<h2 id=\"checks\">Checks</h2>\n";

        o_ << "<h3>File names against their headers (" << std::uint64_t{m_.fileNames.size()} << ")</h3>\n";
        if (m_.fileNames.empty())
            o_ << "<p class=\"none\">Every file name that follows the tutor's pattern agrees with its "
                  "headers.</p>\n";
        else {
            o_ << "<table class=\"list\"><tr><th>File and line</th><th>What</th></tr>";
            for (const FileNameFinding& f : m_.fileNames) {
                o_ << "<tr><td>";
                place({f.file, f.line});
                o_ << "</td><td>";
                o_ << Text{f.what};
                o_ << "</td></tr>\n";
            }
            o_ << "</table>\n";
        }

        o_ << "<h3>One code line in the files of different students (" << std::uint64_t{m_.codeLines.size()}
           << ")</h3>\n";
        if (m_.codeLines.empty())
            o_ << "<p class=\"none\">No code line appears in the files of two students.</p>\n";
        for (const SharedCodeLine& c : m_.codeLines) {
            o_ << "<table class=\"list\"><tr><th colspan=\"3\">Code line <code>";
            o_ << Text1252{c.codeLine};
            o_ << "</code></th></tr><tr><th>Student</th><th>Session</th><th>Files and lines</th></tr>";
            for (SittingId s : c.sittings) {
                o_ << "<tr><td>";
                studentName(m_.sittings[s].student);
                o_ << "</td><td>" << When{m_.sittings[s].start} << "</td><td>";
                places(m_.sittings[s].at);
                o_ << "</td></tr>\n";
            }
            o_ << "</table>\n";
        }

        o_ << "<h3>The same answer from several students (" << std::uint64_t{m_.same.size()} << ")</h3>\n"
           << "<p class=\"muted\">Final answers to one question that are equal once blanks and case are "
              "folded.</p>\n";
        if (m_.same.empty())
            o_ << "<p class=\"none\">None.</p>\n";
        for (const SameAnswers& g : m_.same) {
            o_ << "<table class=\"list\"><tr><th>";
            questionRef(g.assignment, g.question);
            o_ << ": " << std::uint64_t{g.items.size()} << " students</th></tr><tr><td>";
            text(m_.items[g.items.front()].text);
            o_ << "</td></tr><tr><td>";
            for (std::size_t k = 0; k < g.items.size(); ++k) {
                const Item& it = m_.items[g.items[k]];
                if (k)
                    o_ << "<br>";
                studentName(it.student);
                o_ << "<span class=\"t\">" << When{it.when} << ", ";
                place(it.at.front());
                o_ << "</span>";
            }
            o_ << "</td></tr></table>\n";
        }

        o_ << "<h3>Near-identical answers (" << std::uint64_t{m_.near.size()} << ")</h3>\n"
           << "<p class=\"muted\">Final answers of at least 5 words to one question whose 3-word shingles overlap "
              "by 80% or more (Jaccard), not counting answers that are the same.</p>\n";
        if (m_.near.empty())
            o_ << "<p class=\"none\">None.</p>\n";
        else {
            o_ << "<table class=\"list\"><tr><th>Question</th><th>Share</th><th>First student</th><th>Second "
                  "student</th></tr>";
            for (const NearPair& p : m_.near) {
                o_ << "<tr><td>";
                questionRef(p.assignment, p.question);
                o_ << "</td><td>" << Fixed{p.share * 100, 0} << "%</td>";
                for (ItemId i : {p.a, p.b}) {
                    o_ << "<td>";
                    studentName(m_.items[i].student);
                    o_ << "<span class=\"t\">" << When{m_.items[i].when} << ", ";
                    place(m_.items[i].at.front());
                    o_ << "</span>";
                    text(m_.items[i].text);
                    o_ << "</td>";
                }
                o_ << "</tr>\n";
            }
            o_ << "</table>\n";
        }

        o_ << "<h3>Clocks that ran backwards (" << std::uint64_t{m_.clocks.size()} << ")</h3>\n";
        if (m_.clocks.empty())
            o_ << "<p class=\"none\">Every session starts after what its file holds before it.</p>\n";
        else {
            o_ << "<table class=\"list\"><tr><th>Student</th><th>Session starts</th><th>Earlier in the file</th>"
                  "<th>File and line</th></tr>";
            for (const ClockFinding& c : m_.clocks) {
                o_ << "<tr><td>";
                studentName(c.student);
                o_ << "</td><td>" << When{c.start} << "</td><td>" << When{c.before} << "</td><td>";
                place(c.at);
                o_ << "</td></tr>\n";
            }
            o_ << "</table>\n";
        }

        o_ << "<h3>Responses to lines that are not in the bank (" << std::uint64_t{m_.notInBank.size()}
           << ")</h3>\n";
        if (m_.notInBank.empty())
            o_ << "<p class=\"none\">Every response carries a line of its assignment.</p>\n";
        else {
            o_ << "<table class=\"list\"><tr><th>Student</th><th>Line carried</th><th>Response</th><th>Files and "
                  "lines</th></tr>";
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
            o_ << "</table>\n";
        }

        o_ << "<h3 id=\"unreadable\">Unreadable parts (" << std::uint64_t{m_.problems.size()} << ")</h3>\n";
        if (m_.problems.empty())
            o_ << "<p class=\"none\">Every file read whole.</p>\n";
        else {
            o_ << "<table class=\"list\"><tr><th>File</th><th>Lines</th><th>What</th></tr>";
            for (const Problem& p : m_.problems) {
                o_ << "<tr><td>";
                o_ << Text{p.file};
                o_ << "</td><td>";
                if (p.line)
                    o_ << p.line;
                if (p.lastLine > p.line)
                    o_ << "&ndash;" << p.lastLine;
                o_ << "</td><td>";
                o_ << Text{p.what};
                o_ << "</td></tr>\n";
            }
            o_ << "</table>\n";
        }
    }

    const Model& m_;
    HtmlWriter o_;
    std::vector<bool> superseded_; // a response that is not its question's answer
};

} // namespace

void writeHtmlReport(const Model& model, std::ostream& out, const std::string& madeOn)
{
    Report(model, out).write(madeOn);
}

} // namespace qa::review
