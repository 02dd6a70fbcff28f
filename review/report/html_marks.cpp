// The marks in the report, when a marks file was read: in the grid's cells,
// and beside each answer with its comment.
#include "review/marking/marks.h"
#include "review/report/html_report.h"
#include "review/report/rows.h"

namespace qa::review {

void Report::gridMark(AssignmentId a, StudentId s, QuestionId q)
{
    const GivenMark g = givenMark(marking_, m_, a, s, q);
    if (!g.mark || !g.mark->mark)
        return;
    o_ << "<br><b class=\"mk\">" << Text{markText(*g.mark->mark)};
    if (g.maximum)
        o_ << "/" << Text{markText(*g.maximum)};
    if (g.earlier)
        o_ << "<span title=\"marked an earlier version\">*</span>";
    o_ << "</b>";
}

void Report::answerMark(AssignmentId a, StudentId s, QuestionId q)
{
    const GivenMark g = givenMark(marking_, m_, a, s, q);
    if (!g.mark)
        return;
    o_ << "<p class=\"mkline\">";
    if (g.mark->mark) {
        o_ << "Mark " << Text{markText(*g.mark->mark)};
        if (g.maximum)
            o_ << " of " << Text{markText(*g.maximum)};
    }
    if (g.earlier)
        o_ << " (marked an earlier version)";
    if (!g.mark->comment.empty())
        o_ << (g.mark->mark ? Markup(": ") : Markup("")) << Text{g.mark->comment};
    o_ << "</p>";
}

} // namespace qa::review
