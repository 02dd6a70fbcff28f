// Feedback pages and the ZIP of them.
#include "review/marking/feedback.h"

#include <map>
#include <sstream>

#include "platform/utf8.h"
#include "review/marking/marks_file.h"
#include "review/write/html_writer.h"

namespace qa::review {
namespace {

constexpr char kStyle[] =
    "body{font:15px/1.5 system-ui,\"Segoe UI\",Roboto,\"Liberation Sans\",Arial,sans-serif;color:#1d2126;"
    "max-width:820px;margin:0 auto;padding:0 24px 40px}"
    "h1{font-size:22px;margin:24px 0 2px}h2{font-size:17px;margin:26px 0 6px;color:#1f4e8c}"
    ".who{margin:0 0 6px;font-size:16px}.total{font-size:17px;font-weight:700;margin:8px 0 16px}"
    ".q{border-top:2px solid #1f4e8c;padding-top:4px;break-inside:avoid}"
    ".qtext{background:#f3f6fb;border-left:4px solid #1f4e8c;padding:6px 10px;white-space:pre-wrap}"
    ".ans{white-space:pre-wrap;overflow-wrap:anywhere;border:1px solid #d6d9de;padding:6px 10px;"
    "font:inherit;margin:4px 0}.none{color:#5f6670;font-style:italic}.mark{font-weight:700}"
    ".comment{border-left:4px solid #c08a00;background:#fff8e6;padding:6px 10px;white-space:pre-wrap}"
    "h3{font-size:13px;text-transform:uppercase;letter-spacing:.04em;color:#5f6670;margin:10px 0 2px}"
    "@page{margin:18mm 16mm}@media print{body{max-width:none;padding:0;font-size:11pt}}";

void markLine(HtmlWriter& p, const Mark* m, std::optional<double> max)
{
    p << "<p><span class=\"mark\">Mark: ";
    if (m && m->mark) {
        p << Text{markText(*m->mark)};
        if (max)
            p << " of " << Text{markText(*max)};
    } else {
        p << "not marked";
    }
    p << "</span></p>\n";
}

void question(HtmlWriter& p, const Marking& marking, std::size_t sheet, std::size_t student, std::size_t q)
{
    const Sheet& sh = marking.sheets()[sheet];
    const SheetCell& cell = sh.cell(student, q);
    const CellMark cm = marking.at(sheet, student, q);
    p << "<section class=\"q\">\n<h2>Question " << Text{std::to_string(q + 1)} << "</h2>\n<p class=\"qtext\">";
    p << Text{sh.questions[q]} << "</p>\n<h3>Your answer</h3>\n";
    if (cm.mark && cm.earlier) {
        p << "<p class=\"none\">This mark was given to an earlier version of your answer:</p>\n";
        p << "<pre class=\"ans\">" << Text{cm.mark->answer} << "</pre>\n";
    } else if (cell.answered) {
        p << "<pre class=\"ans\">" << Text{cell.answer} << "</pre>\n";
    } else {
        p << "<p class=\"none\">" << Text{cell.empty ? "An empty answer." : "No answer."} << "</p>\n";
    }
    markLine(p, cm.mark, marking.maximum(sheet, q));
    if (cm.mark && !cm.mark->comment.empty())
        p << "<h3>Comment</h3>\n<p class=\"comment\">" << Text{cm.mark->comment} << "</p>\n";
    p << "</section>\n";
}

void head(HtmlWriter& p, const std::string& assignment, const std::string& student)
{
    p << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
         "base-uri 'none'; form-action 'none'\">\n<meta name=\"viewport\" content=\"width=device-width, "
         "initial-scale=1\">\n<meta name=\"referrer\" content=\"no-referrer\">\n<title>Feedback: assignment ";
    p << Text{assignment} << ", " << Text{student} << "</title>\n<style>" << kStyle;
    p << "</style>\n</head>\n<body>\n<main>\n";
}

} // namespace

bool hasFeedback(const Marking& marking, std::size_t sheet, std::size_t student)
{
    for (std::size_t q = 0; q < marking.sheets()[sheet].questions.size(); ++q)
        if (marking.at(sheet, student, q).mark)
            return true;
    return false;
}

std::string feedbackFileName(const std::string& assignment, const std::string& student)
{
    std::string out = "feedback-";
    for (const std::string* part : {&assignment, &student}) {
        for (char c : *part) {
            const auto u = static_cast<unsigned char>(c);
            const bool bad =
                u < 0x20 || u == 0x7F || std::string_view("/\\:*?\"<>| ").find(c) != std::string_view::npos;
            out += bad ? '_' : c;
        }
        if (part == &assignment)
            out += '-';
    }
    return out + ".html";
}

std::string pageFileName(const Sheet& sheet, std::size_t student)
{
    const SheetStudent& st = sheet.students[student];
    std::size_t sameName = 0;
    for (const SheetStudent& other : sheet.students)
        sameName += other.name == st.name;
    // Two students of one name: their ids tell the pages apart.
    return feedbackFileName(sheet.assignment, sameName > 1 && !st.submitterId.empty()
                                                  ? st.name + "_" + st.submitterId
                                              : sameName > 1 ? st.name + "_" + std::to_string(student + 1)
                                                             : st.name);
}

std::string feedbackPage(const Marking& marking, std::size_t sheet, std::size_t student)
{
    const Sheet& sh = marking.sheets()[sheet];
    const SheetStudent& st = sh.students[student];
    std::ostringstream page;
    {
        HtmlWriter p(page);
        head(p, sh.assignment, st.name);
        p << "<h1>Feedback on assignment " << Text{sh.assignment} << "</h1>\n";
        p << "<p class=\"who\">" << Text{st.name} << "</p>\n<p class=\"total\">Total: ";
        p << Text{markText(marking.total(sheet, student))};
        if (marking.maximaKnown(sheet, student))
            p << " of " << Text{markText(marking.totalMaximum(sheet))};
        p << "</p>\n";
        for (std::size_t q = 0; q < sh.questions.size(); ++q)
            question(p, marking, sheet, student, q);
        p << "</main>\n</body>\n</html>\n";
    }
    return page.str();
}

Result<FeedbackWritten> writeFeedback(const Marking& marking, const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    FeedbackWritten out;
    auto write = [&](const std::string& name, const std::string& bytes) -> Result<void> {
        const std::filesystem::path path = folder / text::pathFromUtf8(name);
        if (Result<void> written = writeWholeFile(path, bytes); !written) {
            Problem p = written.problem();
            p.what = "cannot be written: " + p.what;
            return p;
        }
        out.files.push_back(path);
        return {};
    };
    for (std::size_t s = 0; s < marking.sheets().size(); ++s) {
        const Sheet& sh = marking.sheets()[s];
        for (std::size_t st = 0; st < sh.students.size(); ++st) {
            if (!hasFeedback(marking, s, st))
                continue;
            if (Result<void> w = write(pageFileName(sh, st), feedbackPage(marking, s, st)); !w)
                return w.problem();
        }
        out.zips = zipAvailable();
        if (!out.zips)
            continue;
        Result<FeedbackZip> zip = feedbackZip(marking, s);
        if (!zip)
            return zip.problem();
        for (const std::string& who : zip->withoutId)
            out.withoutId.push_back(who + " (assignment " + sh.assignment + ")");
        if (zip->members.empty())
            continue;
        const std::string name = feedbackFileName(sh.assignment, "").substr(0, 9 + sh.assignment.size()) + ".zip";
        if (Result<void> w = write(name, zip->bytes); !w)
            return w.problem();
    }
    return out;
}

} // namespace qa::review
