// The report's style sheet: screen and paper.
#include "review/report/html_report.h"

#include <cstddef>

namespace qa::review {
namespace {

// The page: colours, type, headings, the facts, the contents and the colour key.
constexpr char kPage[] = R"(
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
nav li{padding:3px 0}
.vh{position:absolute;width:1px;height:1px;overflow:hidden;clip:rect(0 0 0 0);white-space:nowrap}
.key{display:flex;flex-wrap:wrap;gap:4px 16px;margin:6px 0;padding:0;list-style:none;font-size:12px}
.key span{display:inline-block;padding:1px 8px;border-radius:4px;margin-right:6px}
table{border-collapse:collapse}
)";

// The grid of students and questions.
constexpr char kGrid[] =
    R"(.gridbox{overflow:auto;max-height:calc(100vh - 48px);max-width:100%;border:1px solid var(--line);
margin:8px 0 4px;width:max-content}
.gridbox:focus-visible{outline:2px solid var(--accent);outline-offset:2px}
.printblocks{display:none}
.grid{font-size:11px;line-height:1.25;border-collapse:separate;border-spacing:0}
.grid th,.grid td{border-right:1px solid var(--line);border-bottom:1px solid var(--line);padding:2px 4px;
text-align:center;white-space:nowrap}
.grid tbody td{min-width:44px}
.grid td a{color:inherit;text-decoration:none;display:block}
.grid td.em a{line-height:20px}
.grid td a:hover,.grid td a:focus{text-decoration:underline}
.grid thead th{background:#eef1f5;position:sticky;top:0;z-index:2}
.grid th.who{text-align:left;font-weight:600;background:#fafbfc;position:sticky;left:0;z-index:1}
.grid thead th.who{background:#eef1f5;z-index:3}
.grid td.ok,.key .ok{background:var(--ok);color:var(--okText)}
.grid td.em,.key .em{background:var(--empty);color:var(--emptyText)}
.grid td.mi,.key .mi{background:var(--miss);color:var(--missText)}
.grid td.n,.grid tfoot td,.grid tfoot th{background:#f3f4f6;font-weight:600}
.ans:target,a:target{background:#fff4c2;outline:2px solid #c08a00}
.ans,.q,a[id]{scroll-margin-top:16px}
.grid .rev{font-size:9px;font-weight:700;vertical-align:super;margin-left:1px}
.grid .mk{color:var(--accent)}.mkline{margin:2px 0 0;font-weight:600;color:var(--accent);white-space:pre-wrap}
.ini{color:var(--muted);font-weight:400;font-size:11px;margin-left:4px}
)";

// Lists of findings, and the questions with their answers.
constexpr char kQuestions[] = R"(.list{border:1px solid var(--line);width:100%;margin:6px 0 12px;font-size:13px}
.list th,.list td{border:1px solid var(--line);padding:4px 8px;text-align:left;vertical-align:top}
.list th{background:#eef1f5}
.list caption{text-align:left;font-weight:600;padding:4px 0}
.q{margin:0 0 18px}
.qtext{margin:0 0 8px;padding:8px 12px;background:#f3f6fb;border-left:4px solid var(--accent);white-space:pre-wrap}
.ans{border-top:1px solid var(--line);padding:6px 0}
.ans .who{font-weight:600}
time,.t{color:var(--muted);font-variant-numeric:tabular-nums;font-size:12px;margin-left:8px}
.txt{white-space:pre-wrap;overflow-wrap:anywhere;margin:2px 0 0;font:inherit}
details{margin:4px 0 0 14px;color:#444}
summary{cursor:pointer;color:var(--muted);font-size:12px}
.old{border-left:3px solid var(--line);padding-left:8px;margin:4px 0}
)";

// Each student's work, and the timeline of their sessions.
constexpr char kStudents[] = R"(.student{margin-top:28px}
.work{width:100%}
.work thead th{text-align:left;font-weight:400;padding:0}
.work thead h2{margin-top:0}
.work tr.cols th{font-size:12px;color:var(--muted);padding:2px 8px 2px 0;border-bottom:1px solid var(--line)}
.work td{vertical-align:top;padding:4px 8px 4px 0;border-top:1px solid #eceef1}
.work td.t{width:80px;margin:0;font-size:12px}
.work td.k{width:70px;font-weight:600}
.work .note .k{color:#6b3fa0}
.work th.sess{text-align:left;padding:12px 0 2px}
.flag{color:var(--missText);font-size:12px}
.superseded{color:var(--muted)}
svg.tl{display:block;margin:6px 0 0;max-width:100%}
.legend{font-size:11px;color:var(--muted);margin:0 0 6px 86px}
.legend span{display:inline-block;vertical-align:middle;margin:0 3px 0 10px}
.lb{width:18px;height:8px;border-radius:2px;background:#b9cde8}
.ld{width:6px;height:6px;border-radius:50%;background:#1f4e8c}.ld.le{background:#c08a00}
.ln{width:5px;height:5px;background:#6b3fa0}
.none{color:var(--muted);font-style:italic}
)";

// On paper: the grid in landscape and in blocks, each student on a page.
constexpr char kPrint[] = R"(@page grid{size:landscape;margin:10mm}
@media print{body{padding:0;max-width:none;font-size:11px}.student{break-before:page}nav{display:none}
a{color:inherit;text-decoration:none}
.gridpart{page:grid}
.gridbox{overflow:visible;max-height:none;border:0;width:auto}
.grid{font-size:8px}.grid tbody td{min-width:0}.grid th,.grid td{padding:1px 3px}
.grid td.em a{line-height:inherit}
.grid thead th,.grid th.who{position:static}
.blocks .gridbox{display:none}.printblocks{display:block}.printblocks .grid{margin:0 0 12px}
.ini{font-size:8px}
h2{break-after:avoid}.ans,.work tr{break-inside:avoid}}
)";

// The parts one after another, as one literal.
template <std::size_t... N> struct Joined {
    char text[(N + ... + 0) - sizeof...(N) + 1] = {};
    constexpr explicit Joined(const char (&... parts)[N])
    {
        std::size_t at = 0;
        ((append(parts, N - 1, at)), ...);
    }
    constexpr void append(const char* part, std::size_t n, std::size_t& at)
    {
        for (std::size_t k = 0; k < n; ++k)
            text[at++] = part[k];
    }
};

constexpr Joined kStyle(kPage, kGrid, kQuestions, kStudents, kPrint);

} // namespace

Markup reportStyle()
{
    return kStyle.text;
}

} // namespace qa::review
