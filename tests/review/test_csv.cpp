// The CSV: its cell rule as a table, its rows drawn from a model made by
// hand, and the findings class's CSV kept byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "findings_class.h"
#include "review/model/model.h"
#include "review/report/csv_export.h"
#include "review/report/rows.h"
#include "review/review.h"
#include "review/write/csv.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using namespace qa::review;

// Each first character a spreadsheet would run or drop is guarded; each
// character that would end a cell or a row forces quotes.
TEST(ReviewCsv, TheCellRule)
{
    const struct {
        std::string cell, written;
    } rows[] = {
        {"plain text", "plain text"},
        {"", ""},
        {"x=1+1", "x=1+1"},
        {"1-2", "1-2"},
        {"=1+1", "\"'=1+1\""},
        {"+1", "\"'+1\""},
        {"-5 cm^3", "\"'-5 cm^3\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"\tindented", "\"'\tindented\""},
        {"\rreturn first", "\"'\rreturn first\""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"a lone\rreturn", "\"a lone\rreturn\""},
        {"windows\r\nlines", "\"windows\r\nlines\""},
        {"=\"quoted\",formula", "\"'=\"\"quoted\"\",formula\""},
        {"Zoë", "Zoë"},
    };
    for (const auto& r : rows) {
        std::ostringstream out;
        writeCsvCell(out, r.cell, true);
        EXPECT_EQ(out.str(), r.written + "\r\n") << r.cell;
    }
}

// One student's two questions and a line not in the bank, each answered and
// then sent again empty, every response in two files.
Model handMade()
{
    Model m;
    const FileId master = m.files.add({"m", "masterFile_Ann_Lee.txt", "", ""});
    const FileId send = m.files.add({"s", "send_0307Ann_Lee.txt", "", ""});
    const StudentId ann = m.students.add({"Ann Lee", {"AL"}, {}, {}});
    Assignment as;
    as.number = "001";
    const LineId q1 = m.lines.add("1. First"), q2 = m.lines.add("2. Second"), odd = m.lines.add("9. Not ours");
    as.questions.add(q1);
    as.questions.add(q2);
    const AssignmentId a{std::size_t{0}};
    std::uint32_t line = 1;
    auto item = [&](LineId l, QuestionId q, const std::string& text) {
        const ItemId id = m.items.add({false, ann, a, {}, l, q, 100 + line, text, {{master, line}, {send, line}}});
        line += 7;
        m.students[ann].items.push_back(id);
        return id;
    };
    Row row;
    row.student = ann;
    Cell c1;
    c1.items = {item(q1, QuestionId{std::size_t{0}}, "first"), item(q1, QuestionId{std::size_t{0}}, "")};
    c1.answer = c1.items.front();
    c1.status = Status::Answered;
    Cell c2;
    c2.items = {item(q2, QuestionId{std::size_t{1}}, "")};
    c2.status = Status::Empty;
    row.cells.add(c1);
    row.cells.add(c2);
    row.unknown = {item(odd, {}, "to a line"), item(odd, {}, "")};
    as.rows.push_back(row);
    m.assignments.add(as);
    return m;
}

TEST(ReviewCsv, AnEmptyResponseIsNoAnswerAndEachFileIsListedOnce)
{
    const Model m = handMade();
    std::ostringstream out;
    writeCsvExport(m, out);
    const std::string files = "masterFile_Ann_Lee.txt; send_0307Ann_Lee.txt";
    EXPECT_EQ(out.str(), "\xEF\xBB\xBFStudent,Initials,Assignment,Question,Question text,Status,Answer,Answered,"
                         "Revisions,Files,Submitted by,Submitter id,Late,Notes\r\n"
                         "Ann Lee,AL,001,1,1. First,answered,first,1970-01-01 00:01:41,1," +
                             files +
                             ",,,,\r\n"
                             "Ann Lee,AL,001,2,2. Second,empty,,,0," +
                             files +
                             ",,,,\r\n"
                             "Ann Lee,AL,001,,9. Not ours,answered,to a line,1970-01-01 00:02:02,1," +
                             files + ",,,,\r\n");
}

// The CSV of the findings class, byte for byte as kept in
// tests/review/golden/answers.csv. After a change to the CSV made on
// purpose, write it anew and look at the difference before committing:
//   QA_WRITE_GOLDEN=1 build/tests/review/qa_review_tests --gtest_filter='*GoldenCsv*'
TEST(ReviewCsv, GoldenCsv)
{
    const fs::path dir = fs::temp_directory_path() / ("qa-review-csv-" + std::to_string(std::random_device()()));
    qa::testing::findingsClass().write(dir / "class");
    Options options;
    options.inputs = {dir / "class"};
    std::ostringstream csv;
    Review::load(options).writeCsv(csv);
    fs::remove_all(dir);
    const fs::path golden = fs::path(QA_SOURCE_DIR) / "tests/review/golden/answers.csv";
    if (std::getenv("QA_WRITE_GOLDEN"))
        std::ofstream(golden, std::ios::binary) << csv.str();
    std::ifstream in(golden, std::ios::binary);
    ASSERT_TRUE(in) << golden;
    EXPECT_EQ(csv.str(), std::string(std::istreambuf_iterator<char>(in), {}));
}

} // namespace
