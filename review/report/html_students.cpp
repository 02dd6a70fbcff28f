// Each student's work: the timeline, then every session with what it
// recorded, in time order.
#include <algorithm>

#include "review/report/html_report.h"
#include "review/report/rows.h"

namespace qa::review {
namespace {

// "+H:MM:SS" after a start.
void elapsed(HtmlWriter& o, Moment d)
{
    if (d < 0)
        o << "-";
    d = d < 0 ? -d : d;
    o << "+" << std::uint64_t(d / 3600) << ":" << Padded{d / 60 % 60, 2} << ":" << Padded{d % 60, 2};
}

} // namespace

// The section is one table whose header (the name, then the columns) is
// printed again on every page the section takes.
void Report::student(StudentId s)
{
    const Student& st = m_.students[s];
    o_ << "<section class=\"student\" id=\"student-" << s.index()
       << "\"><table class=\"work\"><caption "
          "class=\"vh\">Sessions, responses and notes of "
       << Text1252{st.name} << "</caption><thead><tr><th colspan=\"3\" scope=\"colgroup\"><h2>";
    studentName(s, false);
    o_ << "</h2></th></tr><tr class=\"cols\"><th scope=\"col\">Time</th><th scope=\"col\">Question</th><th "
          "scope=\"col\">Response or note</th></tr></thead>\n<tbody><tr><td colspan=\"3\">";
    timeline(st);
    o_ << "</td></tr>";
    // What the platform marked as handed in late.
    const std::vector<FileId> late = lateFiles(m_, s);
    if (!late.empty()) {
        o_ << "<tr><td colspan=\"3\">Handed in late, as the platform marked it: ";
        for (std::size_t k = 0; k < late.size(); ++k) {
            if (k)
                o_ << ", ";
            o_ << Text{m_.files[late[k]].shown};
        }
        o_ << "</td></tr>";
    }
    o_ << "</tbody>\n";
    std::vector<std::vector<ItemId>> bySitting(st.sittings.size());
    std::vector<ItemId> loose;
    for (ItemId i : st.items) {
        const auto k = std::find(st.sittings.begin(), st.sittings.end(), m_.items[i].sitting);
        if (k == st.sittings.end())
            loose.push_back(i);
        else
            bySitting[static_cast<std::size_t>(k - st.sittings.begin())].push_back(i);
    }
    for (std::size_t k = 0; k < st.sittings.size(); ++k)
        sitting(k, m_.sittings[st.sittings[k]], bySitting[k]);
    if (!loose.empty()) {
        o_ << "<tbody><tr><th colspan=\"3\" scope=\"rowgroup\" class=\"sess\">Notes found only in a notes "
              "file</th></tr>\n";
        for (ItemId i : loose)
            itemLine(m_.items[i], i, m_.items[i].when);
        o_ << "</tbody>\n";
    }
    o_ << "</table></section>\n";
}

void Report::sitting(std::size_t k, const Sitting& se, const std::vector<ItemId>& items)
{
    o_ << "<tbody><tr><th colspan=\"3\" scope=\"rowgroup\" class=\"sess\">Session " << std::uint64_t{k + 1}
       << ", assignment " << Text1252{m_.assignments[se.assignment].number} << ": started " << When{se.start}
       << "<span class=\"t\">";
    place(se.at.front());
    o_ << "</span></th></tr>\n";
    if (items.empty())
        o_ << "<tr><td></td><td></td><td class=\"none\">nothing recorded</td></tr>\n";
    for (ItemId i : items)
        itemLine(m_.items[i], i, se.start);
    o_ << "</tbody>\n";
}

void Report::itemLine(const Item& it, ItemId id, Moment since)
{
    o_ << (it.note ? Markup("<tr class=\"note\">") : Markup("<tr>")) << "<td class=\"t\" title=\"" << When{it.when}
       << "\">";
    elapsed(o_, it.when - since);
    o_ << "</td><td class=\"k\">";
    if (it.note)
        o_ << "note";
    else if (it.question.some())
        o_ << "Q" << it.question.index() + 1;
    else
        o_ << "?";
    o_ << "</td><td>";
    if (!it.note && it.question.none())
        o_ << "<div class=\"flag\">not a question of the bank: " << Text1252{m_.lines[it.line]} << "</div>";
    const bool superseded = superseded_[id.index()];
    if (superseded)
        o_ << "<div class=\"superseded\">";
    text(it.text);
    if (superseded)
        o_ << "<span class=\"muted\">(not the final answer)</span></div>";
    o_ << "</td></tr>\n";
}

} // namespace qa::review
