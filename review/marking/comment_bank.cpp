// The comment bank and its file.
#include "review/marking/comment_bank.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"
#include "platform/utf8.h"
#include "review/marking/csv_table.h"
#include "review/marking/marking_desk.h"
#include "review/marking/marks.h"
#include "review/marking/marks_file.h"
#include "review/write/csv.h"

namespace qa::review {
namespace {

constexpr const char* kHeaders[] = {"Assignment", "Question", "Comment", "Mark"};
constexpr std::string_view kJoin = "; ";

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (const std::string& p : parts)
        out += (out.empty() ? "" : std::string(kJoin)) + p;
    return out;
}

// One row of a bank file; `col`: where each of kHeaders stands.
Result<BankComment> entryOf(const CsvRow& row, const int* col, const std::string& file)
{
    auto cell = [&](int k) -> std::string {
        const int c = col[k];
        return c >= 0 && static_cast<std::size_t>(c) < row.cells.size()
                   ? unguarded(row.cells[static_cast<std::size_t>(c)].text)
                   : std::string();
    };
    BankComment c;
    c.assignment = std::string(trimmed(cell(0)));
    const std::string question(trimmed(cell(1)));
    const std::optional<double> q = text::wholeTextNumber(question);
    if (!q || *q < 1 || *q != std::floor(*q) || *q > 1e6)
        return csvProblem(file, row.line,
                          "the question \"" + question + "\" is not a question number (1, 2, ...)");
    c.question = static_cast<std::uint32_t>(*q);
    c.text = withLf(trimmed(cell(2)));
    if (!bankMarkOf(cell(3), c.mark, c.adjusts))
        return csvProblem(file, row.line,
                          "the mark \"" + cell(3) + "\" is not a mark (2 sets it, -1 or +0.5 adjusts it)");
    return c;
}

} // namespace

std::string bankMarkText(const BankComment& c, char decimal)
{
    if (!c.mark)
        return {};
    return (c.adjusts && *c.mark >= 0 ? "+" : "") + markText(*c.mark, decimal);
}

bool bankMarkOf(std::string_view typed, std::optional<double>& mark, bool& adjusts)
{
    typed = trimmed(typed);
    mark.reset();
    adjusts = !typed.empty() && (typed.front() == '+' || typed.front() == '-');
    const bool negative = adjusts && typed.front() == '-';
    if (adjusts)
        typed.remove_prefix(1);
    bool ok = true;
    mark = typedMark(typed, ok);
    if (mark && negative)
        *mark = -*mark;
    // A sign alone is no mark.
    return ok && (mark || !adjusts);
}

std::vector<std::string> commentParts(std::string_view comment)
{
    std::vector<std::string> parts;
    while (true) {
        const std::size_t at = comment.find(kJoin);
        const std::string_view part = trimmed(comment.substr(0, at));
        if (!part.empty() && std::find(parts.begin(), parts.end(), part) == parts.end())
            parts.emplace_back(part);
        if (at == std::string_view::npos)
            return parts;
        comment.remove_prefix(at + kJoin.size());
    }
}

bool carries(std::string_view comment, std::string_view text)
{
    if (text.empty())
        return false;
    if (trimmed(comment) == text)
        return true;
    const std::vector<std::string> parts = commentParts(comment);
    return std::find(parts.begin(), parts.end(), text) != parts.end();
}

std::string replacedPart(std::string_view comment, std::string_view from, std::string_view to)
{
    if (trimmed(comment) == from)
        return std::string(to);
    std::vector<std::string> out;
    for (std::string& p : commentParts(comment)) {
        if (p == from)
            p = to;
        if (!p.empty() && std::find(out.begin(), out.end(), p) == out.end())
            out.push_back(std::move(p));
    }
    return joined(out);
}

const BankComment* CommentBank::find(std::string_view assignment, std::uint32_t question,
                                     std::string_view text) const
{
    for (const BankComment& c : entries_)
        if (c.question == question && c.text == text && sameAssignment(c.assignment, assignment))
            return &c;
    return nullptr;
}

void CommentBank::put(BankComment c)
{
    c.uses = 0;
    for (BankComment& e : entries_)
        if (e.question == c.question && e.text == c.text && sameAssignment(e.assignment, c.assignment)) {
            e = std::move(c);
            return;
        }
    entries_.push_back(std::move(c));
}

void CommentBank::erase(std::string_view assignment, std::uint32_t question, std::string_view text)
{
    std::erase_if(entries_, [&](const BankComment& e) {
        return e.question == question && e.text == text && sameAssignment(e.assignment, assignment);
    });
}

std::size_t CommentBank::merge(const CommentBank& other)
{
    std::size_t added = 0;
    for (const BankComment& c : other.entries_)
        if (!find(c.assignment, c.question, c.text)) {
            put(c);
            ++added;
        }
    return added;
}

std::string CommentBank::csv() const
{
    std::string out = csvHeaderRow(kHeaders);
    for (const BankComment& c : entries_)
        out += csvCell(c.assignment, ',', true) + ',' + std::to_string(c.question) + ',' +
               csvCell(c.text, ',', true) + ',' + csvCell(bankMarkText(c), ',', true) + "\r\n";
    return out;
}

Result<CommentBank> CommentBank::fromCsv(std::string_view bytes, const std::string& file)
{
    const Result<CsvTable> read = readCsvTable(bytes, file);
    if (!read)
        return read.problem();
    const CsvTable& t = *read;
    const Result<std::vector<int>> col = csvColumns(
        t, kHeaders, [](std::size_t k) { return k < 3; }, file, "a comment bank",
        "Assignment, Question, Comment, Mark");
    if (!col)
        return col.problem();
    CommentBank bank;
    for (std::size_t r = 1; r < t.rows.size(); ++r) {
        Result<BankComment> c = entryOf(t.rows[r], col->data(), file);
        if (!c)
            return c.problem();
        if (!c->text.empty())
            bank.put(std::move(*c));
    }
    return bank;
}

Result<CommentBank> readBankFile(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return CommentBank{};
    const Result<std::string> bytes = readFileAt(path);
    if (!bytes)
        return bytes.problem();
    return CommentBank::fromCsv(*bytes, text::pathToUtf8(path));
}

std::filesystem::path defaultBankPath(const std::filesystem::path& marksFile)
{
    std::string name = text::pathToUtf8(marksFile.filename());
    if (name.rfind("marks-", 0) == 0)
        name.erase(0, 6);
    return marksFile.parent_path() / text::pathFromUtf8("comments-" + name);
}

} // namespace qa::review
