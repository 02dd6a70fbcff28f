// Each question's statistics, when marks were given: one table per
// assignment, the rules beneath it, and why a question needs review.
#include "review/marking/marking.h"
#include "review/marking/marks.h"
#include "review/marking/statistics.h"
#include "review/report/html_report.h"

namespace qa::review {
namespace {

std::string plain(double v, int decimals)
{
    return markText(v, '.', decimals);
}

void figure(HtmlWriter& o, const std::optional<double>& v, int decimals, Markup unit = "")
{
    o << "<td class=\"n\">";
    if (v)
        o << Text{plain(*v, decimals)} << unit;
    else
        o << "<span class=\"none\">&ndash;</span>";
    o << "</td>";
}

// A question's row: its counts, then its figures or "too few marked", then
// its comments.
void statisticsRow(HtmlWriter& o, std::size_t a, const QuestionStatistics& q)
{
    o << "<tr><th scope=\"row\"><a href=\"#q-" << std::uint64_t{a} << "-" << std::uint64_t{q.question} << "\">Q"
      << std::uint64_t{q.question + 1} << "</a></th><td class=\"n\">" << std::uint64_t{q.answered}
      << "</td><td class=\"n\">" << std::uint64_t{q.blank} << "</td><td class=\"n\">" << std::uint64_t{q.missing}
      << "</td><td class=\"n\">" << std::uint64_t{q.marked} << "</td>";
    if (!q.enough) {
        o << "<td colspan=\"9\" class=\"muted\">too few marked</td>";
    } else {
        figure(o, q.mean, 2);
        figure(o, q.facility ? std::optional<double>(100 * *q.facility) : std::nullopt, 1, "%");
        figure(o, q.sd, 2);
        o << "<td class=\"n\">" << std::uint64_t{q.zeros} << "</td>";
        if (q.maximum)
            o << "<td class=\"n\">" << std::uint64_t{q.fullMarks} << "</td>";
        else
            o << "<td class=\"n\"><span class=\"none\">&ndash;</span></td>";
        figure(o, q.discriminationIndex, 1);
        figure(o, q.discriminativeEfficiency, 1);
        o << "<td>";
        const auto reasons = reviewReasons(q, plain);
        if (!reasons.empty()) {
            o << "<b class=\"flag\">needs review</b>";
            for (const std::string& r : reasons)
                o << "<br>" << Text{r};
        }
        o << "</td>";
    }
    o << "<td>";
    for (std::size_t k = 0; k < q.comments.size(); ++k)
        o << (k ? Markup("<br>") : Markup("")) << std::uint64_t{q.comments[k].second} << " &times; "
          << Text{q.comments[k].first};
    o << "</td></tr>\n";
}

} // namespace

void Report::statistics(AssignmentId a)
{
    if (!marking_ || a.index() >= marking_->sheets().size())
        return;
    const auto stats = questionStatistics(*marking_, a.index());
    o_ << "<section aria-labelledby=\"stats-" << a.index() << "\"><h2 id=\"stats-" << a.index() << "\">Assignment "
       << Text1252{m_.assignments[a].number} << ": questions</h2>\n<p class=\"muted\">" << Text{enoughRule()}
       << " " << Text{reviewRule()}
       << " Facility is the mean mark over the maximum; the discrimination index and the discriminative "
          "efficiency are percentages.</p>\n";
    o_ << "<table class=\"list\"><caption class=\"vh\">Each question's statistics, assignment "
       << Text1252{m_.assignments[a].number}
       << "</caption><thead><tr>"
          "<th scope=\"col\">Question</th><th scope=\"col\">Answered</th><th scope=\"col\">Blank</th>"
          "<th scope=\"col\">Missing</th><th scope=\"col\">Marked</th><th scope=\"col\">Mean</th>"
          "<th scope=\"col\">Facility</th><th scope=\"col\">SD</th><th scope=\"col\">Zeros</th>"
          "<th scope=\"col\">Full marks</th><th scope=\"col\">Discrimination index</th>"
          "<th scope=\"col\">Discriminative efficiency</th><th scope=\"col\">Review</th>"
          "<th scope=\"col\">Comments</th></tr></thead>\n<tbody>\n";
    for (const QuestionStatistics& q : stats)
        statisticsRow(o_, a.index(), q);
    o_ << "</tbody></table></section>\n";
}

} // namespace qa::review
