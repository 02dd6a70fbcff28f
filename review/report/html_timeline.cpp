// A student's sessions drawn as a picture: days down, hours across; each
// session a bar from its start to its last block, each response a dot, each
// note a square.
#include <algorithm>
#include <map>

#include "review/report/html_report.h"

namespace qa::review {
namespace {

constexpr int kLeft = 86, kWidth = 600, kRowHeight = 16, kTop = 16;

std::int64_t dayOf(Moment m)
{
    return m >= 0 ? m / kSecondsPerDay : (m - kSecondsPerDay + 1) / kSecondsPerDay;
}

double xOf(Moment m)
{
    return kLeft + static_cast<double>(m - dayOf(m) * kSecondsPerDay) * kWidth / kSecondsPerDay;
}

class Timeline {
public:
    Timeline(const Model& m, const Student& st) : m_(m), st_(st), end_(st.sittings.size())
    {
        for (std::size_t k = 0; k < st.sittings.size(); ++k) {
            end_[k] = m.sittings[st.sittings[k]].start;
            rowOfDay_[dayOf(end_[k])] = 0;
        }
        for (ItemId i : st.items) {
            rowOfDay_[dayOf(m.items[i].when)] = 0;
            for (std::size_t k = 0; k < st.sittings.size(); ++k)
                if (m.items[i].sitting == st.sittings[k])
                    end_[k] = std::max(end_[k], m.items[i].when);
        }
        int r = 0;
        for (auto& [d, row] : rowOfDay_)
            row = r++;
        height_ = kTop + r * kRowHeight + 4;
    }
    bool empty() const { return rowOfDay_.empty(); }

    void draw(HtmlWriter& o)
    {
        const std::uint64_t width = kLeft + kWidth + 24;
        o << "<svg class=\"tl\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\""
          << height_ << "\" viewBox=\"0 0 " << width << " " << height_
          << "\" role=\"img\" aria-label=\"sessions by day and hour\">";
        axes(o);
        for (std::size_t k = 0; k < st_.sittings.size(); ++k)
            bar(o, m_.sittings[st_.sittings[k]].start, end_[k]);
        for (ItemId i : st_.items)
            mark(o, m_.items[i]);
        o << "</svg>\n<p class=\"legend\"><span class=\"lb\"></span>session <span class=\"ld\"></span>answer "
             "<span class=\"ld le\"></span>empty response <span class=\"ln\"></span>note</p>\n";
    }

private:
    void axes(HtmlWriter& o)
    {
        o << "<g font-size=\"10\" fill=\"#5f6670\" font-family=\"sans-serif\">";
        for (int h = 0; h <= 24; h += 3) {
            const double hx = kLeft + h * kWidth / 24.0;
            o << "<line x1=\"" << Fixed{hx} << "\" y1=\"" << kTop - 2 << "\" x2=\"" << Fixed{hx} << "\" y2=\""
              << height_ - 2 << "\" stroke=\"#e3e6ea\"/><text x=\"" << Fixed{hx}
              << "\" y=\"11\" text-anchor=\"middle\">" << Padded{h % 24 == 0 && h ? 24 : h, 2} << ":00</text>";
        }
        for (const auto& [d, row] : rowOfDay_) {
            int y = 0, mo = 0, dd = 0;
            civilFromDays(d, y, mo, dd);
            o << "<text x=\"0\" y=\"" << kTop + row * kRowHeight + 11 << "\">" << Padded{y, 4} << "-"
              << Padded{mo, 2} << "-" << Padded{dd, 2} << "</text>";
        }
        o << "</g>";
    }

    // A session past midnight is drawn on each day it touches.
    void bar(HtmlWriter& o, Moment from, Moment to)
    {
        while (true) {
            const Moment dayEnd = (dayOf(from) + 1) * kSecondsPerDay - 1;
            const double x0 = xOf(from), x1 = std::max(xOf(std::min(to, dayEnd)), x0 + 3);
            o << "<rect x=\"" << Fixed{x0} << "\" y=\"" << kTop + rowOfDay_[dayOf(from)] * kRowHeight + 2
              << "\" width=\"" << Fixed{x1 - x0} << "\" height=\"10\" rx=\"2\" fill=\"#b9cde8\"/>";
            if (to <= dayEnd)
                break;
            from = dayEnd + 1;
        }
    }

    void mark(HtmlWriter& o, const Item& it)
    {
        const int cy = kTop + rowOfDay_[dayOf(it.when)] * kRowHeight + 7;
        if (it.note)
            o << "<rect x=\"" << Fixed{xOf(it.when) - 2.5} << "\" y=\"" << cy - 2
              << "\" width=\"5\" height=\"5\" fill=\"#6b3fa0\"/>";
        else if (it.text.empty())
            o << "<circle cx=\"" << Fixed{xOf(it.when)} << "\" cy=\"" << cy << "\" r=\"2.6\" fill=\"#c08a00\"/>";
        else
            o << "<circle cx=\"" << Fixed{xOf(it.when)} << "\" cy=\"" << cy << "\" r=\"2.6\" fill=\"#1f4e8c\"/>";
    }

    const Model& m_;
    const Student& st_;
    std::vector<Moment> end_; // of each session: its last block
    std::map<std::int64_t, int> rowOfDay_;
    int height_ = 0;
};

} // namespace

void Report::timeline(const Student& st)
{
    Timeline t(m_, st);
    if (!t.empty())
        t.draw(o_);
}

} // namespace qa::review
