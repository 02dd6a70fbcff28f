// The workbook read back cell by cell with Python's openpyxl: text cells keep
// what the students typed (no formula, no apostrophe, no guessed type), the
// question and revision counts are numbers, the time a date-time; the
// header frozen with a filter; every finding on "Checks"; and the same input
// gives the same bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <sstream>

#include "review/marking/marking.h"
#include "review/report/workbook.h"
#include "review/review.h"
#include "support/record_class.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;

#ifndef _WIN32 // (no python3 under Wine)
const char* python()
{
    return fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

// sheet!row,column -> "type|number format|value", and a few things more.
std::map<std::string, std::string> readBack(const fs::path& book, const fs::path& dump)
{
    const std::string script =
        "import openpyxl,sys\n"
        "wb=openpyxl.load_workbook(sys.argv[1])\n"
        "out=open(sys.argv[2],'w',encoding='utf-8',newline='')\n"
        "p=wb.properties\n"
        "out.write('creator\\x1f'+str(p.creator)+'\\x1e'+'sheets\\x1f'+','.join(wb.sheetnames)+'\\x1e')\n"
        "for ws in wb:\n"
        "  out.write(ws.title+'!frozen\\x1f'+str(ws.freeze_panes)+'\\x1e'+ws.title+'!filter\\x1f'"
        "+str(ws.auto_filter.ref)+'\\x1e')\n"
        "  for row in ws.iter_rows():\n"
        "    for c in row:\n"
        "      if c.value is not None:\n"
        "        out.write('%s!%d,%d\\x1f%s|%s|%s|%s\\x1e'%(ws.title,c.row,c.column,c.data_type,c.number_format,"
        "c.alignment.wrap_text,c.value))\n";
    const std::string cmd =
        std::string(python()) + " -c \"$QA_SCRIPT\" '" + book.string() + "' '" + dump.string() + "'";
    ::setenv("QA_SCRIPT", script.c_str(), 1);
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::ifstream in(dump, std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), {}};
    std::map<std::string, std::string> cells;
    std::size_t at = 0;
    while (at < all.size()) {
        const std::size_t end = all.find('\x1e', at), sep = all.find('\x1f', at);
        cells[all.substr(at, sep - at)] = all.substr(sep + 1, end - sep - 1);
        at = end + 1;
    }
    return cells;
}
#endif

TEST(ReviewWorkbook, CellsKeepWhatWasTypedAndTheirTypes)
{
#ifdef _WIN32
    GTEST_SKIP() << "no python3 under Wine";
#else
    if (!review::writesWorkbooks())
        GTEST_SKIP() << "this build writes no workbooks";
    if (std::system((std::string(python()) + " -c 'import openpyxl' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const std::vector<std::string> typed = {
        "3/4", "0012", "1.5e3", "TRUE", "=1+1", "-5", "@SUM(A1)", "'quoted", "line one\r\nline two"};
    qa::testing::RecordClass cls;
    const auto q = qa::testing::builtinQuestions();
    const auto zoe = cls.start("Zo\xEB Roy", "ZR", "\xA7\xC9k\x81");
    for (std::size_t k = 0; k < typed.size(); ++k)
        cls.respond(zoe, q[k], typed[k]);
    const auto bo = cls.start("Bo Chen", "BC", "\xA7\xC9k\x82");
    cls.respond(bo, q[0], "3/4"); // the same answer as Zoë's: a finding
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("qa-review-book-" + std::to_string(random()));
    cls.write(dir / "class");
    // Bo's send file saved again as UTF-8: a finding "Checks" holds as the
    // report does.
    std::ofstream(dir / "class" / "send_0307Bo_Chen.txt", std::ios::binary)
        << "\xEF\xBB\xBF" << text::toUtf8(cls.files.at("send_0307Bo_Chen.txt"));
    review::Options options;
    options.inputs = {dir / "class"};
    const review::Review r = review::Review::load(options);
    ASSERT_TRUE(r.writeWorkbook(dir / "a.xlsx", "2026-03-09 12:00"));
    ASSERT_TRUE(r.writeWorkbook(dir / "b.xlsx", "2026-03-09 12:00"));
    const auto cells = readBack(dir / "a.xlsx", dir / "dump");
    const std::size_t findings = r.summary().findings + r.summary().problems;
    std::ifstream a(dir / "a.xlsx", std::ios::binary), b(dir / "b.xlsx", std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(a), {}) ==
                std::string(std::istreambuf_iterator<char>(b), {}))
        << "the same input at the same minute gave two workbooks";
    fs::remove_all(dir);

    auto at = [&](const std::string& key) {
        const auto it = cells.find(key);
        return it == cells.end() ? std::string("(none)") : it->second;
    };
    EXPECT_EQ(at("creator"), "qa-review");
    EXPECT_EQ(at("sheets"), "Assignment 001,Checks,About");
    const std::string s = "Assignment 001!";
    EXPECT_EQ(at(s + "frozen"), "A2");
    EXPECT_EQ(at(s + "filter"), "A1:N" + std::to_string(1 + 2 * q.size()));
    EXPECT_EQ(at(s + "1,7"), "s|General|None|Answer");
    // Bo Chen's rows come first, then Zoë Roy's (rows 2 + 14 on).
    const std::size_t zoeRow = 2 + q.size();
    for (std::size_t k = 0; k < typed.size(); ++k) {
        const std::string row = std::to_string(zoeRow + k) + ",";
        std::string want = typed[k];
        if (want.find("\r\n") != std::string::npos)
            want.replace(want.find("\r\n"), 2, "\n");
        EXPECT_EQ(at(s + row + "7"), "s|General|True|" + want) << typed[k];
        EXPECT_EQ(at(s + row + "1"), "s|General|None|Zo\xC3\xAB Roy");
        EXPECT_EQ(at(s + row + "3"), "s|General|None|001");
        EXPECT_EQ(at(s + row + "4"), "n|General|None|" + std::to_string(k + 1));
        EXPECT_EQ(at(s + row + "8").substr(0, 36), "d|yyyy-mm-dd hh:mm:ss|None|2026-03-0");
        EXPECT_EQ(at(s + row + "9"), "n|General|None|0");
    }
    EXPECT_EQ(at(s + std::to_string(zoeRow + typed.size()) + ",7"), "(none)"); // missing: no cell
    EXPECT_EQ(at("Checks!frozen"), "A2");
    EXPECT_EQ(at("Checks!2,1"), "s|General|None|The same answer from several students");
    EXPECT_EQ(at("Checks!2,3"), "n|General|None|1");
    EXPECT_EQ(at("Checks!2,5").substr(0, 39), "s|General|True|masterFile_Bo_Chen.txt:7");
    std::size_t checks = 0;
    while (at("Checks!" + std::to_string(checks + 2) + ",1") != "(none)")
        ++checks;
    EXPECT_GE(findings, 2u);
    EXPECT_EQ(checks, findings);
    EXPECT_EQ(at("About!2,2"), "s|General|None|2026-03-09 12:00");
#endif
}

// With marks, a "Questions" sheet: each question's figures as numbers, a
// question with too few marks saying so, the rules on "About".
TEST(ReviewWorkbook, QuestionsSheetHoldsTheFiguresAsNumbers)
{
#ifdef _WIN32
    GTEST_SKIP() << "no python3 under Wine";
#else
    if (!review::writesWorkbooks())
        GTEST_SKIP() << "this build writes no workbooks";
    if (std::system((std::string(python()) + " -c 'import openpyxl' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "python3-openpyxl is not installed";
    qa::testing::RecordClass cls;
    const auto q = qa::testing::builtinQuestions();
    for (const char* name : {"Ann Lee", "Bo Chen", "Cy Doe", "Di Fox", "Ed Gale"}) {
        const auto p = cls.start(name, "AB", "code");
        cls.respond(p, q[0], std::string("answer of ") + name);
    }
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("qa-review-book-" + std::to_string(random()));
    cls.write(dir / "class");
    review::Options options;
    options.inputs = {dir / "class"};
    review::Review r = review::Review::load(options);
    review::Marking marking(r.sheets(), {});
    marking.setMaximum(0, 0, 2);
    const double marks[5] = {2, 1, 1, 0, 2};
    for (std::size_t s = 0; s < 5; ++s)
        marking.set(0, s, 0, marks[s], s < 2 ? "=1+1" : "");
    r.showMarks(&marking);
    ASSERT_TRUE(r.writeWorkbook(dir / "a.xlsx", "2026-03-09 12:00"));
    const auto cells = readBack(dir / "a.xlsx", dir / "dump");
    fs::remove_all(dir);
    auto at = [&](const std::string& key) {
        const auto it = cells.find(key);
        return it == cells.end() ? std::string("(none)") : it->second;
    };
    EXPECT_EQ(at("sheets"), "Assignment 001,Questions,Checks,About");
    EXPECT_EQ(at("Questions!frozen"), "A2");
    EXPECT_EQ(at("Questions!1,8"), "s|General|None|Facility (%)");
    EXPECT_EQ(at("Questions!2,1"), "s|General|None|001");
    EXPECT_EQ(at("Questions!2,2"), "n|General|None|1");
    EXPECT_EQ(at("Questions!2,6"), "n|General|None|5");                   // marked
    EXPECT_EQ(at("Questions!2,7"), "n|General|None|1.2");                 // mean
    EXPECT_EQ(at("Questions!2,8"), "n|General|None|60");                  // facility
    EXPECT_EQ(at("Questions!2,9").substr(0, 20), "n|General|None|0.836"); // SD
    EXPECT_EQ(at("Questions!2,11"), "n|General|None|2");                  // full marks
    EXPECT_EQ(at("Questions!2,15"), "s|General|True|2 \xC3\x97 =1+1");    // text, no formula
    EXPECT_EQ(at("Questions!3,5"), "n|General|None|5");                   // question 2: missing for all
    EXPECT_EQ(at("Questions!3,7"), "(none)");
    EXPECT_EQ(at("Questions!3,14"), "s|General|True|too few marked");
    EXPECT_NE(at("About!10,2").find("at least 5 of its answers carry a mark"), std::string::npos)
        << at("About!10,2");
#endif
}

} // namespace
