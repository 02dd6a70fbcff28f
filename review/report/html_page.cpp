// The report: one self-contained HTML page, written as it is made. No script
// and nothing from outside (a Content-Security-Policy says so to the
// browser); every text from the files goes through the writer's escaping.
// Here: the page, its summary and contents, and the pieces the parts share.
#include "review/report/html_report.h"

#include "review/marking/marking.h"
#include "review/report/page_parts.h"

namespace qa::review {

Report::Report(const Model& m, std::ostream& os, const Marking* marking)
    : m_(m), marking_(marking), os_(os), o_(os), superseded_(m.items.size(), false)
{
    for (const Assignment& a : m.assignments)
        for (const Row& row : a.rows)
            for (const Cell& c : row.cells)
                for (ItemId i : c.items)
                    superseded_[i.index()] = i != c.answer;
}

Report::Report(const Report& page, std::ostream& os)
    : m_(page.m_), marking_(page.marking_), os_(os), o_(os), superseded_(page.superseded_)
{
}

void Report::write(const std::string& madeOn, unsigned threads)
{
    // The answers by question and each student's work, the page's longest
    // parts, are made beside the rest.
    std::vector<std::pair<AssignmentId, std::optional<QuestionId>>> asked;
    for (AssignmentId a : m_.assignments.ids()) {
        if (m_.assignments[a].questions.size() == 0)
            asked.emplace_back(a, std::nullopt);
        for (QuestionId q : m_.assignments[a].questions.ids())
            asked.emplace_back(a, q);
    }
    PageParts questions(asked.size(), threads, [this, &asked](std::ostream& os, std::size_t from, std::size_t to) {
        Report(*this, os).questions(asked, from, to);
    });
    PageParts parts(m_.students.size(), threads, [this](std::ostream& os, std::size_t from, std::size_t to) {
        Report(*this, os).students(from, to);
    });
    head();
    o_ << "<p class=\"made\">Made on " << Text{madeOn} << " by qa-review.</p>\n";
    facts();
    o_ << "</header>\n";
    contents();
    o_ << "<main>\n";
    for (AssignmentId a : m_.assignments.ids()) {
        grid(a);
        statistics(a);
    }
    checks();
    o_.flush();
    questions.writeTo(os_);
    o_ << "<section aria-labelledby=\"students\"><h2 id=\"students\">Students</h2>\n";
    o_.flush();
    parts.writeTo(os_);
    o_ << "</section>\n";
    o_ << "</main>\n</body>\n</html>\n";
    o_.flush();
}

void Report::students(std::size_t from, std::size_t to)
{
    for (std::size_t k = from; k < to; ++k)
        student(StudentId(k));
}

void Report::head()
{
    o_ << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
          "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
          "'unsafe-inline'; "
          "img-src data:; base-uri 'none'; form-action 'none'\">\n"
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
          "<meta name=\"referrer\" content=\"no-referrer\">\n"
          "<title>Review of handed-in work</title>\n<style>"
       << reportStyle() << "</style>\n</head>\n<body>\n<header>\n<h1>Review of handed-in work</h1>\n";
}

void Report::fact(std::size_t n, Markup what)
{
    o_ << "<li><b>" << std::uint64_t{n} << "</b>" << what << "</li>";
}

// A count that links to its list, marked when it is not 0.
void Report::fact(std::size_t n, Markup what, Markup anchor)
{
    if (n)
        o_ << "<li class=\"warn\"><b>";
    else
        o_ << "<li><b>";
    o_ << std::uint64_t{n} << "</b><a href=\"#" << anchor << "\">" << what << "</a></li>";
}

void Report::facts()
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

void Report::contents()
{
    o_ << "<nav aria-label=\"Contents\"><ul>";
    for (AssignmentId a : m_.assignments.ids()) {
        o_ << "<li>Assignment " << Text1252{m_.assignments[a].number} << ": <a href=\"#grid-" << a.index()
           << "\">grid</a>, ";
        if (marking_ && a.index() < marking_->sheets().size())
            o_ << "<a href=\"#stats-" << a.index() << "\">questions</a>, ";
        o_ << "<a href=\"#questions-" << a.index() << "\">answers by question</a></li>";
    }
    o_ << "<li><a href=\"#checks\">Checks</a></li><li><a href=\"#students\">Students</a></li></ul></nav>\n";
}

void Report::studentName(StudentId s, bool link)
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
    // Who handed the files in, as the platform named them.
    if (!m_.students[s].participantName.empty())
        o_ << "<span class=\"ini\">submitted by " << Text{m_.students[s].participantName} << " ("
           << Text{m_.students[s].participantId} << ")</span>";
}

void Report::place(const Place& p)
{
    o_ << Text{m_.files[p.file].shown};
    if (p.line)
        o_ << ":" << p.line;
}

void Report::places(const std::vector<Place>& at)
{
    for (std::size_t k = 0; k < at.size(); ++k) {
        if (k)
            o_ << "<br>";
        place(at[k]);
    }
}

void Report::text(std::string_view t)
{
    o_ << "<div class=\"txt\">";
    if (t.empty())
        o_ << "<span class=\"none\">(empty)</span>";
    else
        o_ << Text1252{t};
    o_ << "</div>";
}

void Report::questionRef(AssignmentId a, QuestionId q)
{
    o_ << "<a href=\"#q-" << a.index() << "-" << q.index() << "\">" << Text1252{m_.assignments[a].number} << " Q"
       << q.index() + 1 << "</a>";
}

void Report::itemPlace(const Item& it)
{
    o_ << "<span class=\"t\">" << When{it.when} << ", ";
    place(it.at.front());
    o_ << "</span>";
}

void writeHtmlReport(const Model& model, std::ostream& out, const std::string& madeOn, const Marking* marking,
                     unsigned threads)
{
    Report(model, out, marking).write(madeOn, threads);
}

} // namespace qa::review
