// The workbook, through libxlsxwriter when the build has it: a sheet per
// assignment with the CSV's rows and columns, typed cells (text stays text,
// exactly as typed), a sheet of the checks' findings and one of what the
// workbook is. Written in place of its file in one step.
#include "review/report/workbook.h"

#include <cerrno>

#include "platform/utf8.h"
#include "review/write/destination.h"

#ifdef QA_HAVE_XLSXWRITER
#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>

#include "platform/text.h"
#include "review/marking/marking.h"
#include "review/marking/marks.h"
#include "review/marking/statistics.h"
#include "review/report/findings.h"
#include "review/report/rows.h"
#endif

namespace qa::review {

#ifndef QA_HAVE_XLSXWRITER
bool writesWorkbooks()
{
    return false;
}

Result<void> writeWorkbookFile(const Model&, const Marking*, const std::filesystem::path& file, const std::string&)
{
    return Problem{text::pathToUtf8(file), 0, 0, "this build of qa-review writes no workbooks", true};
}
#else
namespace {

// What a cell holds at most, in bytes of UTF-8 (a workbook counts 32,767
// characters; bytes are never more).
constexpr std::size_t kCellBytes = 32767;

// Text as a cell takes it: line breaks as LF, cut at a character's start
// when it is longer than a cell holds.
std::string cellText(std::string s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else {
            out += s[i];
        }
    }
    if (out.size() > kCellBytes) {
        std::size_t cut = kCellBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
            --cut;
        out.resize(cut);
    }
    return out;
}

// A sheet name: at most 31 characters, none of []:*?/\, once in the book.
std::string sheetName(const std::string& number, std::set<std::string>& taken)
{
    std::string base = "Assignment " + text::toUtf8(number);
    for (char& c : base)
        if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    base = cellText(base.substr(0, 28)); // whole characters
    std::string name = base;
    for (int k = 2; !taken.insert(name).second; ++k)
        name = base + " " + std::to_string(k);
    return name;
}

class Book {
public:
    Book(const Model& m, const std::string& madeOn, const Marking* marking)
        : m_(m), madeOn_(madeOn), marking_(marking)
    {
    }

    // 0 when the workbook is written to `path`; else an errno value, with
    // libxlsxwriter's reason in `why`.
    int write(const std::string& path, std::string& why)
    {
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE; // rows go out as they are made
        options.use_zip64 = LXW_TRUE;
        wb_ = workbook_new_opt(path.c_str(), &options);
        if (!wb_)
            return ENOMEM;
        formats();
        properties();
        answers();
        if (marking_)
            questions();
        checks();
        about();
        const lxw_error err = workbook_close(wb_);
        if (err == LXW_NO_ERROR)
            return 0;
        why = lxw_strerror(err);
        return err == LXW_ERROR_CREATING_XLSX_FILE && errno ? errno : EIO;
    }

private:
    void formats()
    {
        bold_ = workbook_add_format(wb_);
        format_set_bold(bold_);
        wrap_ = workbook_add_format(wb_);
        format_set_text_wrap(wrap_);
        format_set_align(wrap_, LXW_ALIGN_VERTICAL_TOP);
        when_ = workbook_add_format(wb_);
        format_set_num_format(when_, "yyyy-mm-dd hh:mm:ss");
    }

    // The program's name, and the made-on time as the time it was created,
    // so that the same input gives the same workbook at the same minute.
    void properties()
    {
        // libxlsxwriter takes them as char*, and only reads them.
        static char title[] = "Review of handed-in work";
        static char subject[] = "The answers of a class, from the tutor's record files";
        static char author[] = "qa-review";
        static char comments[] = "Made by qa-review, the instructor's review of QA Tutor";
        lxw_doc_properties p = {};
        p.title = title;
        p.subject = subject;
        p.author = author;
        p.comments = comments;
        std::tm t = {};
        if (std::sscanf(madeOn_.c_str(), "%d-%d-%d %d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                        &t.tm_min) == 5) {
            t.tm_year -= 1900;
            t.tm_mon -= 1;
            t.tm_isdst = -1;
            p.created = std::mktime(&t);
        }
        workbook_set_properties(wb_, &p);
    }

    // The header row, first: rows go out in order. The widths, and long text
    // wrapped.
    void header(lxw_worksheet* ws, const std::vector<std::pair<const char*, double>>& columns,
                const std::vector<bool>& wraps)
    {
        for (lxw_col_t c = 0; c < columns.size(); ++c) {
            worksheet_set_column(ws, c, c, columns[c].second, wraps[c] ? wrap_ : nullptr);
            worksheet_write_string(ws, 0, c, columns[c].first, bold_);
        }
    }
    // Once the rows are written: the header stays in view, with a filter
    // over the `rows` rows below it.
    static void finish(lxw_worksheet* ws, lxw_row_t rows, std::size_t columns)
    {
        worksheet_freeze_panes(ws, 1, 0);
        worksheet_autofilter(ws, 0, 0, rows, static_cast<lxw_col_t>(columns - 1));
    }

    void cell(lxw_worksheet* ws, lxw_row_t r, lxw_col_t c, CellKind kind, const std::string& v, bool wrap)
    {
        if (v.empty())
            return;
        switch (kind) {
        case CellKind::Text1252:
            worksheet_write_string(ws, r, c, cellText(text::toUtf8(v)).c_str(), wrap ? wrap_ : nullptr);
            break;
        case CellKind::Text: worksheet_write_string(ws, r, c, cellText(v).c_str(), wrap ? wrap_ : nullptr); break;
        case CellKind::Number: worksheet_write_number(ws, r, c, std::strtod(v.c_str(), nullptr), nullptr); break;
        case CellKind::Moment: {
            lxw_datetime t = {};
            double seconds = 0;
            if (std::sscanf(v.c_str(), "%d-%d-%d %d:%d:%lf", &t.year, &t.month, &t.day, &t.hour, &t.min,
                            &seconds) == 6) {
                t.sec = seconds;
                worksheet_write_datetime(ws, r, c, &t, when_);
            }
            break;
        }
        }
    }

    void answers();
    void questions();
    void questionRow(lxw_worksheet* ws, lxw_row_t r, const std::string& assignment, const QuestionStatistics& q);
    void checks();
    void about();

    const Model& m_;
    const std::string& madeOn_;
    const Marking* marking_;
    lxw_workbook* wb_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* wrap_ = nullptr;
    lxw_format* when_ = nullptr;
};

// One sheet per assignment, each with its rows in the CSV's order.
void Book::answers()
{
    const RowSource source{m_, marking_};
    const std::vector<Column> columns = columnsFor(source);
    std::vector<std::pair<const char*, double>> heads;
    std::vector<bool> wraps;
    for (const Column& c : columns) {
        heads.emplace_back(c.header, c.width);
        wraps.push_back(c.wrap);
    }
    std::set<std::string> taken = {"Questions", "Checks", "About"};
    Table<AssignmentId, lxw_worksheet*> sheets;
    Table<AssignmentId, lxw_row_t> next;
    for (const Assignment& as : m_.assignments) {
        header(sheets[sheets.add(workbook_add_worksheet(wb_, sheetName(as.number, taken).c_str()))], heads, wraps);
        next.add(1);
    }
    forEachAnswerRow(m_, [&](const AnswerRow& row) {
        const lxw_row_t r = next[row.assignment]++;
        for (lxw_col_t c = 0; c < columns.size(); ++c)
            cell(sheets[row.assignment], r, c, columns[c].kind, columns[c].value(source, row), columns[c].wrap);
    });
    for (AssignmentId a : m_.assignments.ids())
        finish(sheets[a], next[a] - 1, columns.size());
}

// Each question's statistics, when marks were given: a row per assignment
// and question, the figures as numbers (percentages as 0 to 100), none where
// too few are marked.
void Book::questions()
{
    lxw_worksheet* ws = workbook_add_worksheet(wb_, "Questions");
    header(
        ws,
        {{"Assignment", 11},
         {"Question", 9},
         {"Answered", 9},
         {"Blank", 7},
         {"Missing", 8},
         {"Marked", 8},
         {"Mean", 7},
         {"Facility (%)", 11},
         {"SD", 7},
         {"Zeros", 7},
         {"Full marks", 10},
         {"Discrimination index", 19},
         {"Discriminative efficiency", 23},
         {"Review", 36},
         {"Comments", 50}},
        {false, false, false, false, false, false, false, false, false, false, false, false, false, true, true});
    lxw_row_t r = 1;
    for (AssignmentId a : m_.assignments.ids()) {
        if (a.index() >= marking_->sheets().size())
            break;
        const std::string assignment = text::toUtf8(m_.assignments[a].number);
        for (const QuestionStatistics& q : questionStatistics(*marking_, a.index()))
            questionRow(ws, r++, assignment, q);
    }
    finish(ws, r - 1, 15);
}

void Book::questionRow(lxw_worksheet* ws, lxw_row_t r, const std::string& assignment, const QuestionStatistics& q)
{
    const auto number = [&](lxw_col_t c, std::optional<double> v) {
        if (v)
            worksheet_write_number(ws, r, c, *v, nullptr);
    };
    cell(ws, r, 0, CellKind::Text, assignment, false);
    const std::size_t counts[] = {q.question + 1, q.answered, q.blank, q.missing, q.marked};
    for (lxw_col_t c = 1; c <= 5; ++c)
        number(c, static_cast<double>(counts[c - 1]));
    std::string review;
    if (!q.enough) {
        review = "too few marked";
    } else {
        number(6, q.mean);
        number(7, q.facility ? std::optional<double>(100 * *q.facility) : std::nullopt);
        number(8, q.sd);
        number(9, static_cast<double>(q.zeros));
        number(10, q.maximum ? std::optional<double>(static_cast<double>(q.fullMarks)) : std::nullopt);
        number(11, q.discriminationIndex);
        number(12, q.discriminativeEfficiency);
        const auto plain = [](double v, int decimals) { return markText(v, '.', decimals); };
        for (const std::string& why : reviewReasons(q, plain))
            review += (review.empty() ? "needs review: " : "; ") + why;
    }
    cell(ws, r, 13, CellKind::Text, review, true);
    std::string comments;
    for (const auto& [comment, n] : q.comments)
        comments += (comments.empty() ? "" : "\n") + std::to_string(n) + " \xC3\x97 " + comment;
    cell(ws, r, 14, CellKind::Text, comments, true);
}

// Every finding, with its files and lines.
void Book::checks()
{
    lxw_worksheet* ws = workbook_add_worksheet(wb_, "Checks");
    header(ws,
           {{"Check", 36},
            {"Assignment", 11},
            {"Question", 9},
            {"Students", 30},
            {"Files and lines", 40},
            {"What", 60}},
           {false, false, false, true, true, true});
    lxw_row_t r = 1;
    for (const FindingRow& f : findingRows(m_)) {
        const std::string* cells[] = {&f.check, &f.assignment, &f.question, &f.students, &f.places, &f.detail};
        for (lxw_col_t c = 0; c < 6; ++c)
            cell(ws, r, c, c == 2 ? CellKind::Number : CellKind::Text, *cells[c], c >= 3);
        ++r;
    }
    finish(ws, r - 1, 6);
}

// What the workbook is: the program, the one cell that depends on the time of
// the run, and the counts.
void Book::about()
{
    lxw_worksheet* ws = workbook_add_worksheet(wb_, "About");
    worksheet_set_column(ws, 0, 0, 22, bold_);
    worksheet_set_column(ws, 1, 1, 60, nullptr);
    std::size_t responses = 0, notes = 0;
    m_.count(responses, notes);
    worksheet_write_string(ws, 0, 0, "Made by", nullptr);
    worksheet_write_string(ws, 0, 1, "qa-review, the instructor's review of QA Tutor record files", nullptr);
    worksheet_write_string(ws, 1, 0, "Made on", nullptr);
    worksheet_write_string(ws, 1, 1, madeOn_.c_str(), nullptr);
    const std::pair<const char*, std::size_t> counts[] = {{"Record files read", m_.recordFilesRead},
                                                          {"Students", m_.students.size()},
                                                          {"Assignments", m_.assignments.size()},
                                                          {"Responses", responses},
                                                          {"Notes", notes},
                                                          {"Check findings", m_.findings()},
                                                          {"Unreadable parts", m_.problems.size()}};
    lxw_row_t r = 2;
    for (const auto& [what, n] : counts) {
        worksheet_write_string(ws, r, 0, what, nullptr);
        worksheet_write_number(ws, r++, 1, static_cast<double>(n), nullptr);
    }
    if (marking_) {
        worksheet_write_string(ws, r, 0, "Questions", nullptr);
        worksheet_write_string(ws, r++, 1, (enoughRule() + " " + reviewRule()).c_str(), wrap_);
    }
}

} // namespace

bool writesWorkbooks()
{
    return true;
}

Result<void> writeWorkbookFile(const Model& model, const Marking* marking, const std::filesystem::path& file,
                               const std::string& madeOn)
{
    std::string why;
    Result<void> written = writeOutputByName(
        file, [&](const std::string& temporary) { return Book(model, madeOn, marking).write(temporary, why); });
    if (written || why.empty())
        return written;
    Problem p = written.problem();
    p.what = why; // the library's reason says more than the errno's
    return p;
}
#endif

} // namespace qa::review
