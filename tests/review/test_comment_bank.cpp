// The comment bank: an edit made in every answer that carries the comment
// (whole, or as one part of several) and no other, with its mark; the bank
// file carried to another class, and read back as a spreadsheet saves it;
// and --comments on the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/utf8.h"
#include "review/cli/cli.h"
#include "review/marking/comment_bank.h"
#include "review/marking/marking_desk.h"
#include "review/marking/marks_file.h"
#include "review/marking/statistics.h"
#include "support/record_class.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace qa::review;

// Five students of assignment 1, one question of maximum 2, marked with
// comments of the bank's and others.
Marking markedClass(const std::string& assignment = "1")
{
    Sheet s;
    s.assignment = assignment;
    s.questions = {"Convert 3 km to metres."};
    s.students = {{"Ann Lee", "Ann Lee", "11"},
                  {"Bo Chen", "", ""},
                  {"Cy Doe", "Cy Doe", "13"},
                  {"Dee Roy", "Dee Roy", "14"},
                  {"Eve Park", "Eve Park", "15"}};
    s.resize();
    for (std::size_t st = 0; st < s.students.size(); ++st)
        s.cell(st, 0) = {true, false, "3000" + std::string(st, ' '), {}};
    Marking m({s}, {});
    m.setMaximum(0, 0, 2.0);
    m.set(0, 0, 0, 1.0, "Units missing");
    m.set(0, 1, 0, 0.5, "Good start; Units missing"); // lowered by hand after the comment
    m.set(0, 2, 0, 2.0, "Good start");
    m.set(0, 3, 0, std::nullopt, "Units missing");
    m.set(0, 4, 0, 1.0, "Units missing twice");
    return m;
}

std::string commentOf(const Marking& m, std::size_t student)
{
    const CellMark c = m.at(0, student, 0);
    return c.mark ? c.mark->comment : "(none)";
}
std::optional<double> markOf(const Marking& m, std::size_t student)
{
    const CellMark c = m.at(0, student, 0);
    return c.mark ? c.mark->mark : std::nullopt;
}

using qa::test::slurp;
using qa::test::TempDir;

// An edit of a bank comment names the students carrying it and changes their
// answers only: the part of a joined comment, the mark moved by the
// difference (a mark lowered by hand stays lower), a comment that only
// begins with the text left alone.
TEST(CommentBank, AnEditReachesEveryAnswerCarryingTheCommentAndNoOther)
{
    Marking m = markedClass();
    CommentBank bank;
    bank.put({"1", 1, "Units missing", -1.0, true, 0});
    const Carriers who = carriersOf(m, 0, 0, "Units missing");
    EXPECT_EQ(who.names, (std::vector<std::string>{"Ann Lee", "Bo Chen", "Dee Roy"}));

    const std::vector<BankComment> shown = bankOf(bank, m, 0, 0);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(std::pair(shown[0].text, shown[0].uses), std::pair(std::string("Units missing"), std::size_t(3)));
    EXPECT_EQ(std::pair(shown[1].text, shown[1].uses), std::pair(std::string("Good start"), std::size_t(2)));
    EXPECT_EQ(shown[2].text, "Units missing twice");
    // The question's statistics count by the same rule.
    const auto counted = questionStatistics(m, 0).at(0).comments;
    ASSERT_EQ(counted.size(), 3u);
    EXPECT_EQ(counted[0], std::pair(std::string("Units missing"), std::size_t(3)));

    BankComment after = shown[0];
    after.text = "Give the units";
    after.mark = -0.5;
    EXPECT_EQ(editEverywhere(m, bank, 0, 0, shown[0], after), 3u);
    EXPECT_EQ(commentOf(m, 0), "Give the units");
    EXPECT_EQ(markOf(m, 0), 1.5);
    EXPECT_EQ(commentOf(m, 1), "Good start; Give the units");
    EXPECT_EQ(markOf(m, 1), 1.0);
    EXPECT_EQ(commentOf(m, 2), "Good start");
    EXPECT_EQ(markOf(m, 2), 2.0);
    EXPECT_EQ(markOf(m, 3), 1.5); // no mark yet: from the maximum
    EXPECT_EQ(commentOf(m, 4), "Units missing twice");
    EXPECT_EQ(markOf(m, 4), 1.0);
    EXPECT_FALSE(bank.find("1", 1, "Units missing"));
    ASSERT_TRUE(bank.find("01", 1, "Give the units"));

    // A mark that sets: every carrying answer gets it; the text kept.
    BankComment sets = after;
    sets.mark = 0.5;
    sets.adjusts = false;
    EXPECT_EQ(editEverywhere(m, bank, 0, 0, after, sets), 3u);
    EXPECT_EQ(markOf(m, 1), 0.5);
    EXPECT_EQ(commentOf(m, 1), "Good start; Give the units");
    EXPECT_EQ(markOf(m, 2), 2.0);
    EXPECT_EQ(bankMarkText(*bank.find("1", 1, "Give the units")), "0.5");
}

// The bank as the desk keeps it: written with the marks (the comments given
// added), read into another class's marking, its comments offered there and
// their marks applied once; and a bank saved by a spreadsheet in a language
// with a decimal comma.
TEST(CommentBank, CarriedToAnotherClassAndReadAsASpreadsheetSavesIt)
{
    TempDir dir;
    MarkingDesk desk(markedClass(), dir.path / "marks-march.csv");
    CommentBank bank;
    bank.put({"1", 1, "=1+1 is not shown", 2.0, false, 0});
    desk.keepBank(std::move(bank), defaultBankPath(desk.marksFile()));
    EXPECT_EQ(desk.bankFile(), dir.path / "comments-march.csv");
    ASSERT_TRUE(desk.save());
    const std::string bytes = slurp(dir.path / "comments-march.csv");
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(bytes.find("1,1,\"'=1+1 is not shown\",2\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("1,1,Good start,\r\n"), std::string::npos) << bytes;

    Result<CommentBank> read = readBankFile(dir.path / "comments-march.csv");
    ASSERT_TRUE(read) << read.problem().what;
    Marking next = markedClass("01");
    for (std::size_t st = 0; st < 5; ++st)
        next.set(0, st, 0, std::nullopt, "");
    MarkingDesk second(std::move(next), dir.path / "marks-april.csv");
    second.keepBank(std::move(*read), dir.path / "comments-april.csv");
    const std::vector<BankComment> offered = second.bank();
    ASSERT_EQ(offered.size(), 4u);
    ASSERT_TRUE(second.marking().table().size() == 1); // the maximum only
    second.choose(2, 0);
    EXPECT_EQ(second.comments().size(), 4u);
    second.reuseComment("=1+1 is not shown");
    EXPECT_EQ(markOf(second.marking(), 2), 2.0);
    EXPECT_EQ(commentOf(second.marking(), 2), "=1+1 is not shown");

    const std::string saved = "Assignment;Question;Comment;Mark\r\n"
                              "1;1;\"Units; see the notes\";-0,5\r\n"
                              "1;1;Exact;'+1,25\r\n"
                              "1;1;Right;2\r\n";
    const Result<CommentBank> sheet = CommentBank::fromCsv(saved, "bank.csv");
    ASSERT_TRUE(sheet) << sheet.problem().what;
    const BankComment* units = sheet->find("1", 1, "Units; see the notes");
    ASSERT_TRUE(units);
    EXPECT_EQ(std::pair(*units->mark, units->adjusts), std::pair(-0.5, true));
    EXPECT_EQ(std::pair(*sheet->find("1", 1, "Exact")->mark, sheet->find("1", 1, "Exact")->adjusts),
              std::pair(1.25, true));
    EXPECT_EQ(std::pair(*sheet->find("1", 1, "Right")->mark, sheet->find("1", 1, "Right")->adjusts),
              std::pair(2.0, false));
    // Brought into the second class's bank: kept, with nothing else changed.
    ASSERT_TRUE(second.save());
    EXPECT_EQ(second.importBank(*sheet), 3u);
    EXPECT_TRUE(second.unsaved());
    ASSERT_TRUE(second.save());
    const Result<CommentBank> april = readBankFile(dir.path / "comments-april.csv");
    ASSERT_TRUE(april && april->find("1", 1, "Exact"));
    // A bank that cannot be written: the save fails naming it, and stays to do.
    std::ofstream(dir.path / "file", std::ios::binary) << "";
    second.keepBank({}, dir.path / "file" / "comments.csv");
    second.reuseComment("Exact");
    const Result<void> failed = second.save();
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.problem().file, qa::text::pathToUtf8(dir.path / "file" / "comments.csv"));
    EXPECT_TRUE(second.unsaved());
    const Result<CommentBank> bad =
        CommentBank::fromCsv("Assignment,Question,Comment,Mark\r\n1,1,x,-\r\n", "b.csv");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.problem().what, "line 2: the mark \"-\" is not a mark (2 sets it, -1 or +0.5 adjusts it)");

    // Two sheets of one assignment ("1" and "01"), one comment given in both:
    // one row of the bank file.
    Marking both({markedClass().sheets()[0], markedClass("01").sheets()[0]}, {});
    both.set(0, 0, 0, 1.0, "Units missing");
    both.set(1, 0, 0, 1.0, "Units missing");
    const CommentBank given = withGiven({}, both);
    EXPECT_EQ(std::count_if(given.entries().begin(), given.entries().end(),
                            [](const BankComment& c) { return c.text == "Units missing"; }),
              1)
        << given.csv();
}

// --comments: the bank read at the start and written back where it was
// found with the marks; refused among the inputs.
TEST(CommentBank, CommandLineReadsAndWritesBackTheBankItIsGiven)
{
    TempDir dir;
    qa::testing::RecordClass cls;
    const auto p = cls.start("Ann Lee", "AL", "code");
    cls.respond(p, qa::testing::builtinQuestions()[0], "3 km");
    cls.write(dir.path / "class");
    const std::string in = (dir.path / "class").string(), bankFile = (dir.path / "last-term.csv").string();
    std::ofstream(bankFile, std::ios::binary)
        << "Assignment,Question,Comment,Mark\r\n001,1,In metres please,-1\r\n";
    std::vector<std::string> offered;
    const MarkingWindow window = [&](MarkingDesk& desk) {
        offered = desk.comments();
        desk.setMaximum(3.0);
        desk.reuseComment("In metres please");
        desk.reuseComment("In metres please"); // carried already: adjusted once
        return desk.save() ? 0 : 3;
    };
    std::ostringstream out, err;
    const std::string marks = (dir.path / "m.csv").string();
    std::ofstream(marks, std::ios::binary) << "Student,Assignment,Question,Mark\r\n";
    EXPECT_EQ(runCommandLine({"--mark", "--marks", marks, "--comments", bankFile, in}, out, err, false, window), 0)
        << err.str();
    EXPECT_EQ(offered, std::vector<std::string>{"In metres please"});
    const Result<MarksTable> saved = readMarksFile(marks);
    ASSERT_TRUE(saved);
    ASSERT_TRUE(saved->find("Ann Lee", "", "001", 1));
    EXPECT_EQ(saved->find("Ann Lee", "", "001", 1)->mark, 2.0);
    EXPECT_NE(slurp(bankFile).find("001,1,In metres please,\"'-1\"\r\n"), std::string::npos) << slurp(bankFile);
    EXPECT_FALSE(fs::exists(dir.path / "comments-m.csv"));

    std::ofstream(in + "/bank.csv", std::ios::binary) << "Assignment,Question,Comment,Mark\r\n";
    EXPECT_EQ(
        runCommandLine({"--mark", "--marks", marks, "--comments", in + "/bank.csv", in}, out, err, false, window),
        2);
    EXPECT_NE(err.str().find("bank.csv is among the inputs"), std::string::npos) << err.str();
}

} // namespace
