// Marking: the marks file read back as spreadsheets save it, the grading
// worksheet filled in and nothing else changed, the feedback pages (in a real
// browser) and the ZIP of them read back through libarchive.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/text.h"
#include "review/cli/cli.h"
#include "review/marking/csv_table.h"
#include "review/marking/feedback.h"
#include "review/marking/marking.h"
#include "review/marking/marking_desk.h"
#include "review/marking/worksheet.h"
#include "review/model/platform_strings.h"
#include "review/review.h"
#include "support/record_class.h"
#include "support/temp_dir.h"

#ifdef QA_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace qa;
using namespace qa::review;

// Two students of assignment 1 with two questions; Zoë has a later version
// of her answer to question 1. Bo has no submitter id.
Sheet classSheet()
{
    Sheet s;
    s.assignment = "1";
    s.questions = {"What is 2 + 2?", "Name a prime."};
    s.students = {{"Ann Lee", "Ann Lee", "12345"}, {"Bo Chen", "", ""}, {"Zoë Núñez", "Zoë Núñez", "12347"}};
    s.resize();
    s.cell(0, 0) = {true, false, "4", {}};
    s.cell(0, 1) = {true, false, "7", {}};
    s.cell(1, 0) = {true, false, "four", {}};
    s.cell(2, 0) = {true, false, "4, I think", {"5"}};
    s.cell(2, 1) = {true, false, "<img src=x onerror=\"document.body.setAttribute('data-pwned','1')\">", {}};
    return s;
}

using qa::test::slurp;
using qa::test::TempDir;

struct Variant {
    const char* name;
    char separator, decimal;
    bool bom, cp1252;
    const char* lineEnd;
};

// The marks file as a spreadsheet saves it in one of its ways.
std::string savedAs(const Variant& v, const std::vector<std::vector<std::string>>& rows)
{
    std::string out = v.bom ? "\xEF\xBB\xBF" : "";
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            std::string cell = row[c];
            if (c == 4 || c == 5)
                for (char& ch : cell)
                    ch = ch == '.' ? v.decimal : ch;
            const bool quote = cell.find_first_of("\"\n;,") != std::string::npos;
            std::string q;
            for (char ch : cell)
                q += ch == '"' ? std::string("\"\"") : ch == '\n' ? std::string(v.lineEnd) : std::string(1, ch);
            out += (c ? std::string(1, v.separator) : "") + (quote ? "\"" + q + "\"" : q);
        }
        out += v.lineEnd;
    }
    return v.cp1252 ? text::toCp1252(out, nullptr) : out;
}

const std::vector<std::vector<std::string>> kRows = {
    {"Student", "Submitter id", "Assignment", "Question", "Mark", "Maximum", "Comment", "Answer"},
    {"", "", "1", "1", "", "2", "", ""},
    {"Ann Lee", "12345", "1", "1", "2", "2", "Right; well done, \"Ann\".", "4"},
    {"Zoë Núñez", "12347", "1", "1", "1.5", "2", "'-half: see\nthe notes", "5"},
    {"Ann Lee", "12345", "01", "2", "0.25", "", "", "7"},
};

TEST(MarksFile, ReadBackFromEachEncodingAndSeparator)
{
    const Variant variants[] = {
        {"UTF-8 with BOM, commas, CR LF", ',', '.', true, false, "\r\n"},
        {"UTF-8 without BOM, semicolons and decimal commas, LF", ';', ',', false, false, "\n"},
        {"Windows-1252, semicolons and decimal commas, CR LF", ';', ',', false, true, "\r\n"},
        {"Windows-1252, commas, CR LF", ',', '.', false, true, "\r\n"},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const MarksTable t = *MarksTable::fromCsv(savedAs(v, kRows), "marks.csv");
        ASSERT_EQ(t.size(), 4u);
        EXPECT_EQ(t.maximum("1", 1), 2.0);
        const Mark* ann = t.find("Ann Lee", "12345", "1", 1);
        ASSERT_TRUE(ann);
        EXPECT_EQ(ann->mark, 2.0);
        EXPECT_EQ(ann->comment, "Right; well done, \"Ann\".");
        EXPECT_EQ(ann->line, 3u);
        const Mark* zoe = t.find("Zoë Núñez", "12347", "1", 1);
        ASSERT_TRUE(zoe);
        EXPECT_EQ(zoe->mark, 1.5);
        EXPECT_EQ(zoe->comment, "-half: see\nthe notes"); // the formula guard taken off again
        const Mark* q2 = t.find("Ann Lee", "12345", "1", 2);
        ASSERT_TRUE(q2);
        EXPECT_EQ(q2->mark, 0.25);
        EXPECT_EQ(q2->line, 6u); // after the line break inside Zoë's comment
    }
    // What the table writes reads back the same, and is UTF-8 with a BOM and CR LF.
    const MarksTable t = *MarksTable::fromCsv(savedAs(variants[1], kRows), "marks.csv");
    const std::string written = t.csv();
    EXPECT_EQ(written.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(written.find("\r\n"), written.find('\n') - 1);
    EXPECT_NE(written.find("\"'-half: see\r\nthe notes\""), std::string::npos);
    EXPECT_EQ(MarksTable::fromCsv(written, "again.csv")->csv(), written);
}

TEST(MarksFile, UnreadableFilesNameTheLineAndTheReason)
{
    const struct {
        std::string bytes, why;
    } cases[] = {
        {"Student,Assignment,Question\r\n", "line 1: no column \"Mark\""},
        {"Student,Assignment,Question,Mark\r\nAnn,1,1,2\r\nBo,1,1,abc\r\n",
         "line 3: the mark \"abc\" is not a number"},
        {"Student;Assignment;Question;Mark\r\nAnn;1;x;2\r\n", "line 2: the question \"x\""},
        {"Student,Assignment,Question,Mark\r\nAnn,1,1,2\r\nAnn,1,1,3\r\n",
         "line 3: a second row for the same student and question (the first is on line 2)"},
        {"Student,Assignment,Question,Mark,Comment\r\nAnn,1,1,2,\"never\r\nends\r\n",
         "line 2: a quoted cell never ends"},
        {"", "line 1: the file is empty"},
    };
    for (const auto& c : cases) {
        const Result<MarksTable> read = MarksTable::fromCsv(c.bytes, "m.csv");
        ASSERT_FALSE(read) << "read: " << c.bytes;
        EXPECT_EQ(read.problem().file, "m.csv");
        EXPECT_EQ(read.problem().what.substr(0, c.why.size()), c.why) << read.problem().what;
    }
}

TEST(Marking, EarlierVersionsUnmatchedRowsAndTotals)
{
    MarksTable t = *MarksTable::fromCsv(savedAs({"", ',', '.', true, false, "\r\n"}, kRows), "m.csv");
    Mark stranger;
    stranger.student = "Dan Roe";
    stranger.assignment = "1";
    stranger.question = 1;
    stranger.mark = 1;
    t.put(stranger);
    Marking m({classSheet()}, std::move(t));
    EXPECT_FALSE(m.at(0, 0, 0).earlier);
    EXPECT_TRUE(m.at(0, 2, 0).earlier); // marked "5"; her final answer is "4, I think"
    EXPECT_EQ(m.at(0, 2, 0).mark->mark, 1.5);
    EXPECT_EQ(m.total(0, 0), 2.25);
    EXPECT_FALSE(m.maximaKnown(0, 0)); // her question 2 has no maximum: no "of"
    EXPECT_TRUE(m.maximaKnown(0, 2));
    EXPECT_DOUBLE_EQ(*m.share(0, 0), (2 + 1.5) / 2 / 2);
    // An empty Answer cell, as a spreadsheet leaves it, is a mark of the final answer.
    auto typed = kRows;
    typed[3][7] = "";
    const Marking blank({classSheet()},
                        *MarksTable::fromCsv(savedAs({"", ',', '.', true, false, "\r\n"}, typed), "m.csv"));
    EXPECT_FALSE(blank.at(0, 2, 0).earlier);
    EXPECT_EQ(blank.at(0, 2, 0).mark->answer, "4, I think");
    const auto un = m.unmatched();
    ASSERT_EQ(un.size(), 1u);
    EXPECT_EQ(un[0].what, "Dan Roe, assignment 1, question 1: no such student in this assignment");
    // Marking again moves the mark to the final answer; clearing removes it.
    m.set(0, 2, 0, 2, "Better.");
    EXPECT_FALSE(m.at(0, 2, 0).earlier);
    EXPECT_EQ(m.at(0, 2, 0).mark->answer, "4, I think");
    m.set(0, 1, 0, std::nullopt, "");
    EXPECT_FALSE(m.at(0, 1, 0).mark);
    m.set(0, 1, 0, 0, "Better.");
    EXPECT_EQ(m.comments(0, 0), (std::vector<std::string>{"Better.", "Right; well done, \"Ann\"."}));
}

// Students of one name are told apart by the submitter id, as the review
// tells them apart: each keeps their own marks, and a row without the id is
// the one without an id, or nobody's when two have that name.
TEST(Marking, StudentsOfOneNameKeepTheirOwnMarks)
{
    Sheet s;
    s.assignment = "1";
    s.questions = {"Name a prime."};
    s.students = {{"Ann Lee", "Ann Lee", "12345"}, {"Ann Lee", "Ann Lee", "12399"}, {"Ann Lee", "", ""}};
    s.resize();
    const std::string file = "Student,Submitter id,Assignment,Question,Mark\r\nAnn Lee,,1,1,1\r\n";
    Marking m({s}, *MarksTable::fromCsv(file, "m.csv"));
    EXPECT_FALSE(m.at(0, 0, 0).mark);
    EXPECT_FALSE(m.at(0, 1, 0).mark);
    ASSERT_TRUE(m.at(0, 2, 0).mark);
    m.set(0, 0, 0, 2, "");
    ASSERT_TRUE(m.at(0, 2, 0).mark); // still hers
    EXPECT_EQ(m.at(0, 2, 0).mark->mark, 1.0);
    EXPECT_EQ(m.at(0, 0, 0).mark->mark, 2.0);
    EXPECT_FALSE(m.at(0, 1, 0).mark);
    EXPECT_EQ(m.studentOf(0, "Ann Lee", ""), 2u);
    EXPECT_TRUE(m.unmatched().empty());
    // Without the one of no id, a row without the id fits neither.
    s.students.pop_back();
    s.resize();
    Marking two({s}, *MarksTable::fromCsv(file, "m.csv"));
    EXPECT_FALSE(two.at(0, 0, 0).mark);
    EXPECT_FALSE(two.at(0, 1, 0).mark);
    ASSERT_EQ(two.unmatched().size(), 1u);
    EXPECT_EQ(two.unmatched()[0].what, "Ann Lee, assignment 1, question 1: 2 students of this assignment have "
                                       "that name; the row needs the submitter id");
}

// A marks file written before rows were keyed by participant: a row goes by
// its name (and submitter id) to exactly one participant, and from the first
// save on it is that participant's row; a row that fits no one, or several, is
// kept and listed, never guessed. Marks never move between participants.
TEST(Marking, RowsOfAnEarlierFileGoToOneParticipantOrStayUnapplied)
{
    Sheet s;
    s.assignment = "1";
    s.questions = {"Name a prime."};
    // Ravi handed in a file naming Tess; Tess her own; two Sam Lees.
    s.students = {{"Gail Moss", "Abigail Moss-Benton", "40003"},
                  {"Sam Lee", "Sam Lee", "40010"},
                  {"Sam Lee", "Sam Lee", "40011"},
                  {"Tess Stone", "Ravi Rao", "40002"},
                  {"Tess Stone", "Tess Stone", "40005"}};
    s.resize();
    const std::string earlier =
        "\xEF\xBB\xBFStudent,Submitter id,Assignment,Question,Mark,Maximum,Comment,Answer\r\n"
        "Gail Moss,,1,1,3,4,Good,\r\n"
        "Sam Lee,,1,1,1,4,,\r\n"
        "Sam Lee,40011,1,1,2,4,,\r\n"
        "Tess Stone,40005,1,1,4,4,Hers,\r\n"
        "Tess Stone,40002,1,1,0,4,Ravi's,\r\n";
    Marking m({s}, *MarksTable::fromCsv(earlier, "m.csv"));
    auto markOf = [&](std::size_t st) { return m.at(0, st, 0).mark ? *m.at(0, st, 0).mark->mark : -1.0; };
    EXPECT_EQ(markOf(0), 3.0);
    EXPECT_EQ(markOf(1), -1.0); // the row without an id fits both Sam Lees
    EXPECT_EQ(markOf(2), 2.0);
    EXPECT_EQ(markOf(3), 0.0);
    EXPECT_EQ(markOf(4), 4.0);
    EXPECT_EQ(m.at(0, 4, 0).mark->comment, "Hers");
    ASSERT_EQ(m.unmatched().size(), 1u);
    EXPECT_EQ(m.unmatched()[0].line, 3u);
    // Saved, each applied row carries its participant; the one unapplied stays.
    const std::string saved = m.table().csv();
    EXPECT_NE(saved.find("Participant id\r\n"), std::string::npos) << saved;
    for (const char* row :
         {"Gail Moss,40003,1,1,3,4,Good,,40003\r\n", "Sam Lee,,1,1,1,4,,,\r\n",
          "Tess Stone,40002,1,1,0,4,Ravi's,,40002\r\n", "Tess Stone,40005,1,1,4,4,Hers,,40005\r\n"})
        EXPECT_NE(saved.find(row), std::string::npos) << row << "\n" << saved;
    // Read back, the rows go by participant: a participant whose name in the
    // headers changes keeps the marks; another of the name gets none.
    s.students[0].name = "Abigail Moss-Benton";
    s.students.push_back({"Gail Moss", "Gail Moss", "40099"});
    s.resize();
    const Marking again({s}, *MarksTable::fromCsv(saved, "m.csv"));
    EXPECT_EQ(again.at(0, 0, 0).mark->mark, 3.0);
    EXPECT_FALSE(again.at(0, 5, 0).mark);
    EXPECT_EQ(again.at(0, 3, 0).mark->comment, "Ravi's");
}

// Which row each answer gets: the student's own submitter id before a row
// written without one, never a row of another id; "01" is assignment 1; a
// file without answers marks the final ones; a maximum set here counts at once.
TEST(Marking, EachAnswerFindsItsRow)
{
    const MarksTable t = *MarksTable::fromCsv("Student,Submitter id,Assignment,Question,Mark,Maximum,Answer\r\n"
                                              "Ann Lee,,1,1,1,,4\r\n"
                                              "Ann Lee,12345,01,1,2,,4\r\n"
                                              "Ann Lee,,1,2,0.5,,7\r\n"
                                              "Bo Chen,999,1,1,1,,four\r\n"
                                              "Zoë Núñez,12347,1,1,1.5,2,\"4, I think\"\r\n",
                                              "m.csv");
    Marking m({classSheet()}, t);
    EXPECT_EQ(m.at(0, 0, 0).mark->mark, 2.0); // her own row, not the one without an id
    EXPECT_EQ(m.at(0, 0, 1).mark->mark, 0.5); // the row without an id, as she has no other
    EXPECT_FALSE(m.at(0, 1, 0).mark);         // Bo has no id: the row of id 999 is not his
    const Marking noAnswers({classSheet()},
                            *MarksTable::fromCsv("Student,Submitter id,Assignment,Question,Mark\r\n"
                                                 "Zoë Núñez,12347,1,1,1.5\r\n",
                                                 "m.csv"));
    EXPECT_EQ(noAnswers.at(0, 2, 0).mark->answer, "4, I think"); // her final answer
    EXPECT_FALSE(noAnswers.at(0, 2, 0).earlier);
    EXPECT_EQ(m.maximum(0, 0), 2.0); // read from a mark's row
    EXPECT_FALSE(m.maximum(0, 1));
    EXPECT_FALSE(m.maximaKnown(0, 0));
    m.setMaximum(0, 1, 1);
    EXPECT_EQ(m.maximum(0, 1), 1.0);
    EXPECT_TRUE(m.maximaKnown(0, 0));
    EXPECT_EQ(m.totalMaximum(0), 3.0);
    EXPECT_DOUBLE_EQ(*m.share(0, 1), 0.5);
    // Marked here with her id, the row without one goes and leaves no trace.
    m.set(0, 0, 1, 1, "");
    EXPECT_EQ(m.at(0, 0, 1).mark->submitterId, "12345");
    EXPECT_EQ(m.total(0, 0), 3.0);
    EXPECT_EQ(m.table().size(), 7u); // two maximums and five marks
    // A maximum set for one assignment's question leaves another's rows alone.
    MarksTable two = *MarksTable::fromCsv("Student,Assignment,Question,Mark,Maximum\r\n"
                                          "Ann Lee,1,1,1,2\r\nAnn Lee,2,1,1,3\r\n",
                                          "m.csv");
    two.setMaximum("2", 1, 5);
    EXPECT_EQ(two.find("Ann Lee", "", "1", 1)->maximum, 2.0);
    EXPECT_EQ(two.find("Ann Lee", "", "2", 1)->maximum, 5.0);
}

// The window's state: moves stop at the ends, a typed mark takes a decimal
// comma, a mark given to alike answers goes to the students ticked, and every
// edit is unsaved until written.
TEST(MarkingDesk, MovesEditsAndAlikeAnswers)
{
    bool ok = false;
    EXPECT_EQ(typedMark(" 1,5 ", ok), 1.5);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(typedMark("", ok));
    EXPECT_TRUE(ok);
    for (const char* bad : {"x", "1.5.2", "-1", "2 points"}) {
        EXPECT_FALSE(typedMark(bad, ok)) << bad;
        EXPECT_FALSE(ok) << bad;
    }
    Sheet sheet = classSheet();
    sheet.same = {{1, {0, 2}}, {0, {1, 2}}};
    TempDir dir;
    MarkingDesk desk(Marking({sheet}, {}), dir.path / "marks.csv");
    EXPECT_FALSE(desk.nextStudent(-1));
    EXPECT_TRUE(desk.nextStudent(2));
    EXPECT_FALSE(desk.nextStudent(1));
    EXPECT_TRUE(desk.nextQuestion(1));
    EXPECT_FALSE(desk.nextQuestion(1));
    EXPECT_EQ(desk.sameAnswer(), (std::vector<std::size_t>{0})); // Zoë and Ann on question 2
    EXPECT_FALSE(desk.unsaved());
    desk.setMaximum(3);
    desk.setMark(2);
    // A comment is saved as it is typed, and offered to reuse once finished.
    for (const char* typed : {"S", "Same", "Same as Ann's"}) {
        desk.setComment(typed);
        EXPECT_TRUE(desk.comments().empty()) << typed;
    }
    EXPECT_EQ(desk.marking().at(0, 2, 1).mark->comment, "Same as Ann's");
    desk.commitComment();
    EXPECT_EQ(desk.comments(), (std::vector<std::string>{"Same as Ann's"}));
    desk.setMark(2); // typed again after the comment: the comment stays
    EXPECT_EQ(desk.marking().at(0, 2, 1).mark->comment, "Same as Ann's");
    EXPECT_TRUE(desk.unsaved());
    // Alike answers ticked get one mark and comment, each on its own answer,
    // and stay editable one by one.
    EXPECT_EQ(desk.giveTo({0, 2}, 2, "Same as Ann's"), 2u);
    desk.setMark(1);
    const CellMark ann = desk.marking().at(0, 0, 1);
    ASSERT_TRUE(ann.mark);
    EXPECT_EQ(ann.mark->mark, 2.0);
    EXPECT_EQ(ann.mark->comment, "Same as Ann's");
    EXPECT_EQ(ann.mark->answer, "7"); // her own answer
    EXPECT_EQ(desk.marking().at(0, 2, 1).mark->mark, 1.0);
    EXPECT_FALSE(desk.marking().at(0, 1, 1).mark); // Bo was not ticked
    EXPECT_TRUE(desk.save());
    EXPECT_FALSE(desk.unsaved());
    const MarksTable back = *MarksTable::fromCsv(slurp(dir.path / "marks.csv"), "marks.csv");
    EXPECT_EQ(back.size(), 3u); // the maximum and two marks
    // A save that fails says why and leaves the changes unsaved.
    MarkingDesk lost(Marking({sheet}, {}), dir.path / "no-such-folder" / "marks.csv");
    lost.setMark(1);
    EXPECT_FALSE(lost.save());
    EXPECT_TRUE(lost.unsaved());
}

// A blind download: its participants go as "Participant <id>" until the
// window's switch shows the names in their files, in the window and in what
// it writes; the marks stay each participant's either way.
TEST(MarkingDesk, ABlindClassShowsItsNamesAtTheSwitch)
{
    TempDir dir;
    const std::vector<std::string> q = qa::testing::builtinQuestions();
    fs::create_directories(dir.path / "class");
    for (const auto& [name, id] : {std::pair{"Zo\xEB Bird", "1040001"}, std::pair{"Al Cox", "1040002"}}) {
        qa::testing::RecordClass one;
        one.respond(one.start(name, "XX", "code"), q[0], std::string("answer of ") + id);
        for (const auto& [file, bytes] : one.files)
            if (file.rfind("send_", 0) == 0)
                std::ofstream(
                    dir.path / "class" /
                        ("Participant_" + std::string(id) + "_assignsubmission_file_" + text::toUtf8(file)),
                    std::ios::binary)
                    << bytes;
    }
    Options options;
    options.inputs = {dir.path / "class"};
    const Review hidden = Review::load(options);
    MarkingDesk desk(Marking(hidden.sheets(), {}), dir.path / "marks.csv");
    auto namesIn = [](const MarkingDesk& d) {
        std::string out;
        for (const SheetStudent& st : d.current().students)
            out += st.shown() + "|";
        return out;
    };
    auto names = [&] { return namesIn(desk); };
    ASSERT_TRUE(desk.blind());
    EXPECT_FALSE(desk.namesShown());
    EXPECT_EQ(names(), "Participant 1040001|Participant 1040002|");
    desk.setMark(2);
    EXPECT_EQ(feedbackPage(desk.marking(), 0, 0).find("Zo\xC3\xAB"), std::string::npos);
    desk.showNames(true);
    EXPECT_EQ(names(), "Zo\xC3\xAB Bird|Al Cox|");
    ASSERT_TRUE(desk.marking().at(0, 0, 0).mark);
    EXPECT_EQ(desk.marking().at(0, 0, 0).mark->mark, 2.0);
    EXPECT_FALSE(desk.marking().at(0, 1, 0).mark);
    const std::string page = feedbackPage(desk.marking(), 0, 0);
    EXPECT_NE(page.find("Zo\xC3\xAB Bird"), std::string::npos);
    EXPECT_NE(page.find("answer of 1040001"), std::string::npos);
    desk.setMark(1);
    desk.showNames(false);
    EXPECT_EQ(names(), "Participant 1040001|Participant 1040002|");
    EXPECT_EQ(desk.marking().at(0, 0, 0).mark->mark, 1.0);
    EXPECT_EQ(feedbackPage(desk.marking(), 0, 0).find("Zo\xC3\xAB"), std::string::npos);
    // Read with the names shown, as --show-names does: the switch starts on.
    options.showNames = true;
    MarkingDesk shown(Marking(Review::load(options).sheets(), {}), dir.path / "marks.csv");
    EXPECT_TRUE(shown.namesShown());
    EXPECT_EQ(namesIn(shown), "Al Cox|Zo\xC3\xAB Bird|");
    shown.showNames(false);
    EXPECT_EQ(namesIn(shown), "Participant 1040002|Participant 1040001|");
    // A class that is not blind has no switch.
    EXPECT_FALSE(Marking({classSheet()}, {}).blind());
}

// The worksheet as the platform writes it, with {G} and {F} where each row's
// grade and feedback go.
const char* const kWorksheet =
    "Identifier,\"Full name\",\"Email address\",Status,Grade,\"Maximum grade\",\"Grade can be changed\","
    "\"Last modified (submission)\",\"Last modified (grade)\",\"Feedback comments\"\r\n"
    "\"Participant 12345\",\"Ann Lee\",ann@example.org,\"Submitted for grading\",{G},100.00,Yes,"
    "\"Monday, 7 December 2026, 10:12 AM\",-,{F}\r\n"
    "\"Participant 12399\",\"Dan Roe\",dan@example.org,\"No submission\",{G},100.00,Yes,-,-,{F}\r\n"
    "\"Participant 12347\",\"Zoë Núñez\",zoe@example.org,\"Submitted for grading\",{G},100.00,Yes,"
    "\"Monday, 7 December 2026, 11:40 AM\",\"Tuesday, 8 December 2026, 9:00 AM\",{F}\r\n";

std::string filled(std::string s, const std::vector<std::pair<std::string, std::string>>& values)
{
    for (const auto& [g, f] : values) {
        s.replace(s.find("{G}"), 3, g);
        s.replace(s.find("{F}"), 3, f);
    }
    return s;
}

TEST(Worksheet, GradesAndCommentsFilledEveryOtherByteUnchanged)
{
    Sheet sheet = classSheet();
    sheet.students[2].submitterName = "Zoe Nunez"; // as the platform knows her
    sheet.students[2].namedOther = true;
    Marking m({sheet}, *MarksTable::fromCsv(savedAs({"", ',', '.', true, false, "\r\n"}, kRows), "m.csv"));
    m.setMaximum(0, 1, 2); // 4 in all: the grades are of 100
    m.set(0, 1, 0, 1, "Bo has no id");
    const std::string before = filled(kWorksheet, {{"", ""}, {"", "\"old, kept\""}, {"50.00", ""}});
    WorksheetOptions replace;
    replace.replaceGrades = true;
    for (bool cp1252 : {false, true}) {
        SCOPED_TRACE(cp1252 ? "Windows-1252" : "UTF-8 with BOM");
        const std::string in = cp1252 ? text::toCp1252(before, nullptr) : "\xEF\xBB\xBF" + before;
        const FilledWorksheet out = *fillWorksheet(in, "Grades.csv", m, 0, replace);
        const std::string zoeSays = cp1252 ? text::toCp1252("Q1 1.5/2: -half: see the notes.", nullptr)
                                           : "Q1 1.5/2: -half: see the notes.";
        std::string want = filled(kWorksheet, {{"56.25", "\"Q1 2/2: Right; well done, \"\"Ann\"\". Q2 0.25/2.\""},
                                               {"", "\"old, kept\""},
                                               {"37.5", "{Z}"}});
        want = cp1252 ? text::toCp1252(want, nullptr) : "\xEF\xBB\xBF" + want;
        want.replace(want.find("{Z}"), 3, zoeSays);
        EXPECT_EQ(out.bytes, want);
        EXPECT_EQ(out.gradesSet(), 2u);
        ASSERT_EQ(out.rows.size(), 3u);
        EXPECT_EQ(out.rows[1].grade, GradeOutcome::NoStudent);
        EXPECT_EQ(out.rows[1].identifier, "Participant 12399");
        EXPECT_EQ(out.studentsWithoutRow, (std::vector<std::string>{"Bo Chen (no submitter id)"}));
        // The grade goes to the platform's participant, whatever the work's headers say.
        EXPECT_EQ(out.rows[2].student, "Zoe Nunez (12347; the work names Zoë Núñez)");
        EXPECT_TRUE(out.gradeProblems.empty());
    }
    // Ann's total of 2.25 scaled to the row's Maximum grade, in the
    // worksheet's decimal mark; left as it was when it cannot be scaled.
    const struct {
        const char* header;
        const char* maxGrade;
        std::optional<double> question2;
        const char* grade;   // "" left as it was
        const char* problem; // the first, or ""
    } scaled[] = {
        {"Identifier,Grade,Maximum grade,Feedback comments,Last modified (grade)", "3.00", 2, "1.69", ""},
        {"Identifier;Grade;Maximum grade;Feedback comments;Last modified (grade)", "3,00", 2, "1,69", ""},
        {"Identifier,Grade,Maximum grade,Feedback comments,Last modified (grade)", "4.00", 2, "2.25", ""},
        {"Identifier,Grade,Maximum grade,Feedback comments,Last modified (grade)", "-", 2, "",
         "line 2: the Maximum grade \"-\" is not a number"},
        {"Identifier,Grade,Maximum grade,Feedback comments,Last modified (grade)", "3.00", std::nullopt, "",
         "question 2 has marks but no maximum"},
        {"Identifier,Grade,Feedback comments,Last modified (grade)", nullptr, 2, "",
         "no column \"Maximum grade\""},
    };
    for (const auto& c : scaled) {
        SCOPED_TRACE(std::string(c.header) + " " + (c.maxGrade ? c.maxGrade : ""));
        m.setMaximum(0, 1, c.question2);
        const char sep = c.header[10];
        const std::string row = std::string("Participant 12345") + sep + "old" + sep +
                                (c.maxGrade ? c.maxGrade + std::string(1, sep) : "") + sep + "-\r\n";
        const FilledWorksheet out =
            *fillWorksheet(std::string(c.header) + "\r\n" + row, "Grades.csv", m, 0, replace);
        const std::string grade = out.bytes.substr(out.bytes.find(sep, out.bytes.find('\n')) + 1);
        EXPECT_EQ(grade.substr(0, grade.find(sep)), *c.grade ? c.grade : "old");
        ASSERT_EQ(out.rows.size(), 1u);
        EXPECT_EQ(out.rows[0].grade, *c.grade ? GradeOutcome::Set : GradeOutcome::CannotScale);
        ASSERT_EQ(out.gradeProblems.empty(), !*c.problem);
        if (*c.problem) {
            EXPECT_EQ(out.gradeProblems[0].substr(0, std::strlen(c.problem)), c.problem);
        }
    }
    // A comment with markup reaches the platform as text.
    m.set(0, 0, 1, 1, "<b>x</b> & y");
    EXPECT_EQ(feedbackSummary(m, 0, 0),
              "Q1 2/2: Right; well done, \"Ann\". Q2 1/2: &lt;b&gt;x&lt;/b&gt; &amp; y.");
    // The platform's importer needs the identifier, the grade and the last
    // modified (grade); the rest it takes when there.
    for (const char* notOne : {"Name,Grade\r\n", "Identifier,Grade,Feedback comments\r\n"})
        EXPECT_FALSE(fillWorksheet(notOne, "Grades.csv", m, 0)) << notOne;
}

// The words of one language pack, as the platform reads them from its PHP:
// $string['key'] = 'text'; with \' and \\ escaped. Empty when it lacks one.
std::string packString(const fs::path& file, const std::string& key)
{
    const std::string php = slurp(file), start = "$string['" + key + "'] = '";
    const std::size_t at = php.find(start);
    if (at == std::string::npos)
        return {};
    std::string out;
    for (std::size_t i = at + start.size(); i < php.size() && php[i] != '\''; ++i)
        out += php[i] == '\\' && i + 1 < php.size() ? php[++i] : php[i];
    return out;
}

// Each of the platform's languages: its worksheet, with the column names,
// the hidden participant's word and the decimal mark its pack gives, is
// filled in (the grade in that decimal mark, a locked row named); and the
// table the review keeps is the packs' own words, where the packs are here.
TEST(Worksheet, EachPlatformLanguagesColumnsIdentifiersAndDecimalMark)
{
    Marking m({classSheet()}, {});
    m.setMaximum(0, 0, 2);
    m.setMaximum(0, 1, 2);
    m.set(0, 0, 0, 1.5, "Gut");
    m.set(0, 2, 0, 2, "");
    ASSERT_GE(platformLanguages().size(), 22u);
    for (const PlatformLanguage& l : platformLanguages()) {
        SCOPED_TRACE(std::string(l.code));
        std::string head;
        for (std::string_view name :
             {l.identifier, l.grade, l.maximumGrade, l.gradeCanBeChanged, l.lastModifiedGrade, l.feedbackComments})
            head += (head.empty() ? "" : ",") + csvCell(name, ',', false);
        const std::string maxGrade = csvCell("100" + std::string(l.decimalMark) + "00", ',', false);
        const std::string bytes = head + "\r\n" + csvCell(std::string(l.hiddenUser) + "12345", ',', false) + ",," +
                                  maxGrade + "," + csvCell(l.yes, ',', false) + ",-,\r\n" +
                                  csvCell(std::string(l.hiddenUser) + "12347", ',', false) + ",," + maxGrade +
                                  "," + csvCell(l.no, ',', false) + ",-,\r\n";
        const FilledWorksheet out = *fillWorksheet(bytes, "Grades.csv", m, 0);
        EXPECT_EQ(out.language, l.code);
        ASSERT_EQ(out.rows.size(), 2u);
        EXPECT_EQ(out.rows[0].grade, GradeOutcome::Set);
        EXPECT_EQ(out.rows[0].newGrade, "37" + std::string(l.decimalMark) + "5");
        EXPECT_TRUE(out.rows[0].commentSet);
        EXPECT_EQ(out.rows[1].grade, GradeOutcome::Locked);
        // A grade with a decimal comma is quoted, as the maximum is: else it
        // would be two cells.
        EXPECT_NE(
            out.bytes.find("," + csvCell("37" + std::string(l.decimalMark) + "5", ',', false) + "," + maxGrade),
            std::string::npos)
            << out.bytes;
    }
    const fs::path packs = fs::path(QA_SOURCE_DIR) / ".." / "shared" / "moodle" / "langpacks";
    if (!fs::is_directory(packs))
        GTEST_SKIP() << "the platform's language packs are not beside this tree";
    const PlatformLanguage& en = platformLanguages()[0];
    std::size_t packsSeen = 0;
    for (const PlatformLanguage& l : platformLanguages()) {
        if (l.code == "en")
            continue;
        SCOPED_TRACE(std::string(l.code));
        const fs::path pack = packs / std::string(l.code);
        ASSERT_TRUE(fs::is_directory(pack));
        ++packsSeen;
        const struct {
            const char* file;
            const char* key;
            std::string_view kept, english;
        } words[] = {
            {"assign.php", "recordid", l.identifier, en.identifier},
            {"assign.php", "hiddenuser", l.hiddenUser, en.hiddenUser},
            {"assign.php", "participant", l.participant, en.participant},
            {"assign.php", "lastmodifiedgrade", l.lastModifiedGrade, en.lastModifiedGrade},
            {"assign.php", "maxgrade", l.maximumGrade, en.maximumGrade},
            {"assign.php", "gradecanbechanged", l.gradeCanBeChanged, en.gradeCanBeChanged},
            {"moodle.php", "gradenoun", l.grade, en.grade},
            {"moodle.php", "yes", l.yes, en.yes},
            {"moodle.php", "no", l.no, en.no},
            {"assignfeedback_comments.php", "pluginname", l.feedbackComments, en.feedbackComments},
            {"langconfig.php", "decsep", l.decimalMark, en.decimalMark},
        };
        for (const auto& w : words) {
            const std::string fromPack = packString(pack / w.file, w.key);
            EXPECT_EQ(w.kept, fromPack.empty() ? w.english : std::string_view(fromPack)) << w.file << " " << w.key;
        }
    }
    std::size_t packsThere = 0;
    for (const auto& entry : fs::directory_iterator(packs))
        packsThere += entry.is_directory();
    EXPECT_EQ(packsSeen, packsThere);
}

// What the platform's import will do with each row, by its rules: a grade
// set (or the old one replaced, when asked), left where it is the same, a
// blank mark's cell as downloaded (never 0), a grade above the maximum or
// below 0 or on a locked row not written, an old grade kept without
// --replace-grades; an unmarked participant's row, page and ZIP entry left
// out. With no comments column, grades only.
TEST(Worksheet, ImportRulesRowByRow)
{
    Sheet s;
    s.assignment = "1";
    s.questions = {"Explain."};
    const struct {
        const char* name;
        const char* id;
        const char* oldGrade;
        const char* canChange;
        std::optional<double> mark;
        const char* comment;
        GradeOutcome outcome, replacing; // without and with --replace-grades
        const char* gradeCell;           // after, without --replace-grades
        bool commentSet;
    } rows[] = {
        {"Ann", "101", "", "Yes", 8, "Good", GradeOutcome::Set, GradeOutcome::Set, "80", true},
        {"Bo", "102", "20.00", "Yes", 5, "", GradeOutcome::AlreadyThere, GradeOutcome::Set, "20.00", true},
        {"Cy", "103", "50.00", "Yes", 5, "", GradeOutcome::Unchanged, GradeOutcome::Unchanged, "50.00", true},
        {"Di", "104", "", "Yes", std::nullopt, "See me", GradeOutcome::NoMark, GradeOutcome::NoMark, "", true},
        {"Ed", "105", "", "Yes", 12, "", GradeOutcome::AboveMaximum, GradeOutcome::AboveMaximum, "", true},
        {"Fay", "106", "", "Yes", -1, "", GradeOutcome::BelowZero, GradeOutcome::BelowZero, "", true},
        {"Gus", "107", "", "No", 6, "", GradeOutcome::Locked, GradeOutcome::Locked, "", true},
        {"Hal", "108", "", "Yes", std::nullopt, "", GradeOutcome::NotMarked, GradeOutcome::NotMarked, "", false},
        {"", "999", "", "Yes", std::nullopt, "", GradeOutcome::NoStudent, GradeOutcome::NoStudent, "", false},
    };
    for (const auto& r : rows)
        if (*r.name)
            s.students.push_back({r.name, r.name, r.id});
    s.resize();
    for (std::size_t st = 0; st < s.students.size(); ++st)
        s.cell(st, 0) = {true, false, "an answer", {}};
    Marking m({s}, {});
    m.setMaximum(0, 0, 10);
    for (std::size_t st = 0; st < s.students.size(); ++st)
        if (rows[st].mark || *rows[st].comment)
            m.set(0, st, 0, rows[st].mark, rows[st].comment);
    for (bool comments : {true, false}) {
        std::string ws = std::string("Identifier,Grade,Maximum grade,Grade can be changed,Last modified (grade)") +
                         (comments ? ",Feedback comments" : "") + "\r\n";
        for (const auto& r : rows)
            ws += std::string("Participant ") + r.id + "," + r.oldGrade + ",100.00," + r.canChange + ",-" +
                  (comments ? ",kept" : "") + "\r\n";
        for (bool replace : {false, true}) {
            SCOPED_TRACE(std::string(comments ? "comments" : "grades only") + (replace ? ", replacing" : ""));
            WorksheetOptions options;
            options.replaceGrades = replace;
            const FilledWorksheet out = *fillWorksheet(ws, "Grades.csv", m, 0, options);
            EXPECT_EQ(out.comments, comments);
            const CsvTable t = *readCsvTable(out.bytes, "Grades-graded.csv");
            ASSERT_EQ(out.rows.size(), std::size(rows));
            for (std::size_t k = 0; k < std::size(rows); ++k) {
                SCOPED_TRACE(rows[k].id);
                EXPECT_EQ(out.rows[k].grade, replace ? rows[k].replacing : rows[k].outcome);
                EXPECT_EQ(t.rows[k + 1].cells[1].text, replace && k == 1 ? "50" : rows[k].gradeCell);
                EXPECT_EQ(out.rows[k].commentSet, comments && rows[k].commentSet);
                if (comments) {
                    EXPECT_EQ(t.rows[k + 1].cells[5].text == "kept", !rows[k].commentSet);
                }
            }
            EXPECT_EQ(out.rows[1].oldGrade, "20.00");
            EXPECT_EQ(out.rows[4].newGrade, "120");
            // Each row says why it is left, in the table the run prints.
            const std::string preview = worksheetPreview(out);
            for (const char* says : {"80", "not written: 120 is above the maximum", "not written: -10 is below 0",
                                     "the grade cannot be changed", "left: no mark, only comments",
                                     "left: not marked", "left: no student of this id"})
                EXPECT_NE(preview.find(says), std::string::npos) << says << "\n" << preview;
            EXPECT_NE(preview.find(replace ? "50 (replaces 20.00)" : "kept 20.00: 50 only with --replace-grades"),
                      std::string::npos)
                << preview;
            EXPECT_EQ(preview.find("grades only") != std::string::npos, !comments) << preview;
        }
    }
    // Feedback pages and the ZIP: the marked only, a comment without a mark too.
    TempDir dir;
    const FeedbackWritten w = *writeFeedback(m, dir.path);
    EXPECT_FALSE(fs::exists(dir.path / "feedback-1-Hal.html"));
    EXPECT_NE(slurp(dir.path / "feedback-1-Di.html").find("See me"), std::string::npos);
    EXPECT_EQ(w.files.size(), 7u + (zipAvailable() ? 1u : 0u));
#ifdef QA_HAVE_LIBARCHIVE
    const FeedbackZip zip = *feedbackZip(m, 0);
    EXPECT_EQ(zip.members.size(), 7u);
    EXPECT_EQ(zip.bytes.find("Hal_108"), std::string::npos);
#endif
}

TEST(Feedback, ZipNamesAsThePlatformWantsThemReadBack)
{
#ifndef QA_HAVE_LIBARCHIVE
    GTEST_SKIP() << "built without libarchive";
#else
    Marking m({classSheet()}, *MarksTable::fromCsv(savedAs({"", ',', '.', true, false, "\r\n"}, kRows), "m.csv"));
    const FeedbackZip zip = *feedbackZip(m, 0);
    EXPECT_TRUE(zip.withoutId.empty()); // Bo, who has no id, has no mark either
    // libarchive gives UTF-8 names in a UTF-8 locale only.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    struct archive* a = archive_read_new();
    archive_read_support_format_zip(a);
    ASSERT_EQ(archive_read_open_memory(a, zip.bytes.data(), zip.bytes.size()), ARCHIVE_OK);
    std::vector<std::string> names;
    archive_entry* e = nullptr;
    for (int r; (r = archive_read_next_header(a, &e)) == ARCHIVE_OK || r == ARCHIVE_WARN;) {
        const char* name = archive_entry_pathname_utf8(e);
        ASSERT_TRUE(name);
        names.emplace_back(name);
        std::string body;
        char buf[4096];
        for (la_ssize_t n; (n = archive_read_data(a, buf, sizeof buf)) > 0;)
            body.append(buf, static_cast<std::size_t>(n));
        // Each page holds its own student's work only.
        const bool ann = names.back().starts_with("Ann");
        EXPECT_EQ(body.find("Ann Lee") != std::string::npos, ann);
        EXPECT_EQ(body.find("Zo\xC3\xAB") != std::string::npos, !ann);
        EXPECT_EQ(body.find("four"), std::string::npos);
    }
    archive_read_free(a);
    EXPECT_EQ(names, (std::vector<std::string>{"Ann Lee_12345_assignfeedback_file/feedback-1-Ann_Lee.html",
                                               "Zoë Núñez_12347_assignfeedback_file/feedback-1-Zoë_Núñez.html"}));
#endif
}

// Opened in a real browser, a feedback page runs nothing and shows one student.
TEST(Feedback, PageInChromiumRunsNoScriptAndShowsOneStudent)
{
    if (std::system("command -v chromium >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "chromium is not installed";
    MarksTable t;
    Marking m({classSheet()}, std::move(t));
    m.set(0, 2, 1, 0, "<script>document.body.setAttribute('data-pwned','2')</script>");
    TempDir dir;
    const FeedbackWritten w = *writeFeedback(m, dir.path);
    const fs::path page = dir.path / "feedback-1-Zoë_Núñez.html";
    ASSERT_TRUE(fs::exists(page));
    EXPECT_EQ(w.files.size(), 1u + (zipAvailable() ? 1u : 0u)); // Zoë's page: the others have no marks
    const std::string html = slurp(page);
    for (const char* tag : {"<img", "<script", "<link", "<a ", "<iframe", "url("})
        EXPECT_EQ(html.find(tag), std::string::npos) << tag;
    const std::string cmd = "timeout 60 chromium --headless --no-sandbox --disable-gpu --user-data-dir=" +
                            (dir.path / "profile").string() + " --dump-dom 'file://" + page.string() + "' > " +
                            (dir.path / "dom.html").string() + " 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string dom = slurp(dir.path / "dom.html");
    EXPECT_NE(dom.find("Feedback on assignment 1"), std::string::npos);
    EXPECT_EQ(dom.find("data-pwned=\""), std::string::npos);
    EXPECT_NE(dom.find("onerror"), std::string::npos); // her answer is there, as text
    EXPECT_EQ(dom.find("Ann Lee"), std::string::npos);
    EXPECT_EQ(dom.find("four"), std::string::npos);
}

// The command line: a marks file read back and used for the pages and the
// worksheet; unreadable ones are status 2 with the file, the line and why, a
// page that cannot be written status 3; nothing goes among the inputs.
TEST(MarkingCommandLine, MarksFeedbackAndWorksheet)
{
    TempDir dir;
    qa::testing::RecordClass cls;
    const std::vector<std::string> q = qa::testing::builtinQuestions();
    for (const char* name : {"Ann Lee", "Bo Chen"}) {
        const auto p = cls.start(name, "AL", "code");
        // Bo's on two lines, as the tutor keeps them: Windows-1252, CR LF.
        cls.respond(p, q[0], std::string("answer of ") + name + (name[0] == 'B' ? "\r\nna\xEFve" : ""));
    }
    cls.write(dir.path / "class");
    const std::string in = (dir.path / "class").string(), out = (dir.path / "out").string();
    fs::create_directories(dir.path / "out");
    auto run = [](std::vector<std::string> args, std::string& err) {
        std::ostringstream o, e;
        const int status = review::runCommandLine(args, o, e);
        err = e.str();
        return status;
    };
    auto put = [](const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; };
    std::string err;
    put(dir.path / "out/marks.csv", "Student;Assignment;Question;Mark;Comment\r\nAnn Lee;001;1;1,5;Good\r\n"
                                    "Cy Doe;001;1;2;\r\nBo Chen;001;1;x;\r\n");
    EXPECT_EQ(run({"--marks", out + "/marks.csv", "--feedback", out + "/fb", in}, err), 2);
    EXPECT_NE(err.find("marks.csv: line 4: the mark \"x\" is not a number"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir.path / "out/fb"));

    put(dir.path / "out/marks.csv", "Student;Assignment;Question;Mark;Comment\r\nAnn Lee;001;1;1,5;Good\r\n"
                                    "Cy Doe;001;1;2;\r\n");
    EXPECT_EQ(run({"--marks", out + "/marks.csv", "--feedback", out + "/fb", in}, err), 0) << err;
    EXPECT_NE(err.find("marks.csv:3: Cy Doe, assignment 001, question 1: no such student"), std::string::npos)
        << err;
    const std::string ann = slurp(dir.path / "out/fb/feedback-001-Ann_Lee.html");
    EXPECT_NE(ann.find("Mark: 1.5"), std::string::npos);
    EXPECT_NE(ann.find("answer of Ann Lee"), std::string::npos);
    EXPECT_EQ(ann.find("answer of Bo Chen"), std::string::npos);
    EXPECT_EQ(ann.find("earlier version"), std::string::npos); // a file without answers marks the final ones
    // A page that cannot be written is status 3, naming it and saying why.
    put(dir.path / "out/file", "");
    EXPECT_EQ(run({"--marks", out + "/marks.csv", "--feedback", out + "/file/fb", in}, err), 3);
    EXPECT_NE(err.find("feedback-001-Ann_Lee.html: cannot be written: "), std::string::npos) << err;
    // What is marked is the answer in UTF-8 with LF, as the marks file keeps it.
    review::Options read;
    read.inputs = {dir.path / "class"};
    EXPECT_EQ(review::Review::load(read).sheets().at(0).cell(1, 0).answer, "answer of Bo Chen\nna\xC3\xAFve");
    // The CSV carries the marks at the end of its rows, and says which were
    // given to an earlier version of the answer.
    put(dir.path / "out/answers.csv", "Student,Assignment,Question,Mark,Comment,Answer\r\n"
                                      "Ann Lee,001,1,1.5,Good,answer of Ann Lee\r\n"
                                      "Bo Chen,001,1,1,,an answer since handed in again\r\n");
    EXPECT_EQ(run({"--marks", out + "/answers.csv", "--csv", out + "/rows.csv", in}, err), 0) << err;
    const std::string rows = slurp(dir.path / "out/rows.csv");
    const std::string head = rows.substr(0, rows.find("\r\n"));
    EXPECT_EQ(head.substr(head.size() - 36), "Notes,Mark,Maximum,Comment,Mark note");
    EXPECT_NE(rows.find(",1.5,,Good,\r\n"), std::string::npos) << rows;
    EXPECT_NE(rows.find(",1,,,marked an earlier version\r\n"), std::string::npos) << rows;
    // And the report, in the grid and beside the answer.
    EXPECT_EQ(run({"--marks", out + "/marks.csv", "--html", out + "/r.html", in}, err), 0) << err;
    const std::string report = slurp(dir.path / "out/r.html");
    EXPECT_NE(report.find("<b class=\"mk\">1.5</b>"), std::string::npos);
    EXPECT_NE(report.find("<p class=\"mkline\">Mark 1.5: Good</p>"), std::string::npos);

    put(dir.path / "out/Grades.csv", "Identifier,Full name\r\n");
    EXPECT_EQ(run({"--marks", out + "/marks.csv", "--worksheet", out + "/Grades.csv", in}, err), 2);
    EXPECT_NE(err.find("Grades.csv: line 1: no column \"Grade\""), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir.path / "out/Grades-graded.csv"));
    // Only the marked get a page.
    EXPECT_FALSE(fs::exists(dir.path / "out/fb/feedback-001-Bo_Chen.html"));
    // Nothing among the inputs: not the marks file, not the pages, not the worksheet's copy.
    EXPECT_EQ(run({"--mark", "--marks", in + "/m.csv", in}, err), 2);
    EXPECT_EQ(run({"--feedback", in + "/fb", in}, err), 2);
    EXPECT_NE(err.find("fb is among the inputs"), std::string::npos) << err;
    put(dir.path / "class/Grades.csv", "Identifier,Grade,Last modified (grade)\r\nParticipant 1,,-\r\n");
    EXPECT_EQ(run({"--marks", out + "/marks.csv", "--worksheet", in + "/Grades.csv", in}, err), 2);
    EXPECT_NE(err.find("Grades-graded.csv is among the inputs"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir.path / "class/Grades-graded.csv"));
    EXPECT_EQ(run({"--mark", in}, err), 2); // no window in this program
    EXPECT_NE(err.find("--mark needs the window"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir.path / "class/fb"));
    EXPECT_FALSE(fs::exists(dir.path / "class/m.csv"));
}

// A class downloaded from the platform, each file under the name it gives
// (<Full name>_<id>_assignsubmission_file_<original>): the submitters' names
// and ids reach the ZIP's folders and the worksheet's rows.
TEST(MarkingCommandLine, PlatformNamedFilesGiveTheZipFoldersAndTheWorksheetRows)
{
    TempDir dir;
    qa::testing::RecordClass cls;
    const std::vector<std::string> q = qa::testing::builtinQuestions();
    const std::pair<std::string, std::string> students[] = {
        {"Ann Lee", "12345"}, {"Bo Chen", "12346"}, {"Ann Lee", "12399"}};
    fs::create_directories(dir.path / "class");
    for (const auto& [name, id] : students) {
        qa::testing::RecordClass one;
        const auto p = one.start(name, "XX", "code");
        one.respond(p, q[0], "answer of " + name + " " + id);
        for (const auto& [file, bytes] : one.files)
            if (file.rfind("send_", 0) == 0)
                std::ofstream(dir.path / "class" / (name + "_" + id + "_assignsubmission_file_" + file),
                              std::ios::binary)
                    << bytes;
    }
    const std::string in = (dir.path / "class").string(), out = (dir.path / "out").string();
    fs::create_directories(dir.path / "out");
    std::ofstream(dir.path / "out/marks.csv", std::ios::binary)
        << "Student,Submitter id,Assignment,Question,Mark,Maximum,Comment\r\nAnn Lee,12345,001,1,2,2,Fine\r\n"
           "Bo Chen,12346,001,1,1,2,\r\nAnn Lee,12399,001,1,0.5,2,\r\n";
    const std::string worksheet =
        "Identifier,Full name,Grade,Maximum grade,Last modified (grade),Feedback comments\r\n"
        "Participant 12346,Bo Chen,,10.00,-,\r\nParticipant 12345,Ann Lee,,10.00,-,\r\n"
        "Participant 12399,Ann Lee,,10.00,-,\r\n";
    std::ofstream(dir.path / "out/Grades.csv", std::ios::binary) << worksheet;
    std::ostringstream o, e;
    ASSERT_EQ(review::runCommandLine({"--marks", out + "/marks.csv", "--feedback", out + "/fb", "--worksheet",
                                      out + "/Grades.csv", "--csv", out + "/rows.csv", in},
                                     o, e),
              0)
        << e.str();
    EXPECT_EQ(
        slurp(dir.path / "out/Grades-graded.csv"),
        "Identifier,Full name,Grade,Maximum grade,Last modified (grade),Feedback comments\r\n"
        "Participant 12346,Bo Chen,5,10.00,-,Q1 1/2.\r\nParticipant 12345,Ann Lee,10,10.00,-,Q1 2/2: Fine.\r\n"
        "Participant 12399,Ann Lee,2.5,10.00,-,Q1 0.5/2.\r\n");
    EXPECT_EQ(e.str(), "");
    // The two of one name each have their own mark in the CSV.
    const std::string rows = slurp(dir.path / "out/rows.csv");
    for (const char* own : {",12345,,,2,2,Fine,\r\n", ",12399,,,0.5,2,,\r\n"}) // Late, Notes empty
        EXPECT_NE(rows.find(own), std::string::npos) << own << "\n" << rows;
#ifdef QA_HAVE_LIBARCHIVE
    const std::string zip = slurp(dir.path / "out/fb/feedback-001.zip");
    EXPECT_NE(zip.find("Ann Lee_12345_assignfeedback_file/feedback-001-Ann_Lee_12345.html"), std::string::npos);
    EXPECT_NE(zip.find("Ann Lee_12399_assignfeedback_file/feedback-001-Ann_Lee_12399.html"), std::string::npos);
    EXPECT_NE(zip.find("Bo Chen_12346_assignfeedback_file/feedback-001-Bo_Chen.html"), std::string::npos);
#endif
    // Without the Maximum grade, the run says so, and its table says whose grade it left.
    std::ofstream(dir.path / "out/Grades.csv", std::ios::binary)
        << "Identifier,Grade,Last modified (grade),Feedback comments\r\nParticipant 12346,,-,\r\n";
    std::ostringstream o2, e2;
    ASSERT_EQ(
        review::runCommandLine({"--marks", out + "/marks.csv", "--worksheet", out + "/Grades.csv", in}, o2, e2),
        0);
    EXPECT_NE(e2.str().find("Grades.csv: warning: no column \"Maximum grade\""), std::string::npos) << e2.str();
    EXPECT_NE(o2.str().find("Bo Chen (12346)  left: the total cannot be scaled  set\n"), std::string::npos)
        << o2.str();
    EXPECT_EQ(slurp(dir.path / "out/Grades-graded.csv"),
              "Identifier,Grade,Last modified (grade),Feedback comments\r\n"
              "Participant 12346,,-,Q1 1/2.\r\n");
}

} // namespace
