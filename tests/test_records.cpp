// Record file layouts, byte for byte: the opening header, the response block
// and the notes block, composed directly and written by the whole tutor.
#include <gtest/gtest.h>

#include <string>

#include "records/layouts.h"
#include "support/fakes.h"

namespace {

using namespace qa;
using qa::testing::FakeClock;
using qa::testing::Harness;

// The fixed texts come from the layouts; the tests check where they go.
using namespace qa::records;
const std::string kOpenRule = kOpeningRule;
const std::string kCloseRule = kClosingRule;

std::string ln(const std::string& s)
{
    return s + "\r\n";
}

std::string header(bool master, const std::string& codeLine, const std::string& name, const std::string& number,
                   const std::string& headerLine, const std::string& initials, const std::string& time)
{
    return ln(codeLine) + ln(kNameLabel + name) + ln(kAssignmentLabel + number) + ln(headerLine) +
           ln(kInitialsLabel + initials) + ln(kDateLabel + std::string("03-07-2026") + (master ? "" : " ") + time);
}

std::string response(const std::string& time, const std::string& tag, const std::string& current,
                     const std::string& answer)
{
    std::string out = ln(kOpenRule) + ln(kIndent + time);
    if (!tag.empty())
        out += ln("") + ln("") + ln(kQuestionTag + tag);
    return out + ln(current) + ln(kOpenRule) + ln(kResponseLabel) + ln(answer) + ln(kCloseRule);
}

std::string notes(bool master, const std::string& time, const std::string& stampTime, const std::string& current,
                  const std::string& note)
{
    return ln(kOpenRule) + ln(kIndent + time) + ln(kIndent + "03-07-2026" + stampTime) + ln(current) +
           ln(kOpenRule) + ln(kNotesPrefix + note) + (master ? ln(kCloseRule) : kCloseRule + kToNextZone);
}

const records::RecordPaths kPaths{"c:\\k\\m.txt", "c:\\k\\s.txt", "c:\\k\\n.txt"};

TEST(RecordLayouts, OpeningHeaderReadsTheClockPerFile)
{
    FakeClock clock;
    clock.stepPerTimeRead = 1;
    const records::OpeningHeader in{"L\xD6\xBA", "Ann  Lee", "007", "007.  seven", "ABC"};
    const auto parts = records::openingHeader(in, kPaths, 24, clock);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].path, kPaths.master);
    EXPECT_EQ(parts[1].path, kPaths.send);
    EXPECT_EQ(parts[0].bytes, header(true, "L\xD6\xBA", "Ann  Lee", "007", "007.  seven", "ABC", "10:20:30"));
    EXPECT_EQ(parts[1].bytes, header(false, "L\xD6\xBA", "Ann  Lee", "007", "007.  seven", "ABC", "10:20:31"));
    EXPECT_EQ(clock.dateReads, 2);
    EXPECT_EQ(clock.timeReads, 2);
    EXPECT_EQ(parts[1].bytes.size(), parts[0].bytes.size() + 1);
}

TEST(RecordLayouts, ResponseBlockTagLineInTheMasterFileOnly)
{
    FakeClock clock;
    clock.stepPerTimeRead = 1;
    const records::ResponseBlock in{"first line\r\nsecond line", "`q012 rates", "007", "12"};
    const auto parts = records::responseBlock(in, kPaths, 24, clock);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].path, kPaths.master);
    EXPECT_EQ(parts[1].path, kPaths.send);
    EXPECT_EQ(parts[0].bytes, response("10:20:30", " 70012 ", "`q012 rates", "first line\r\nsecond line"));
    EXPECT_EQ(parts[1].bytes, response("10:20:31", "", "`q012 rates", "first line\r\nsecond line"));
    EXPECT_NE(parts[0].bytes.find("\r\n\r\n\r\n`questionNumber 70012 \r\n"), std::string::npos);
    EXPECT_EQ(clock.timeReads, 2);
    EXPECT_EQ(clock.dateReads, 0);

    // No question read yet: only the assignment part counts; an empty answer
    // is still a whole block.
    const auto empty = records::responseBlock({"", "", "007", ""}, kPaths, 24, clock);
    EXPECT_EQ(empty[0].bytes, response("10:20:32", " 70000 ", "", ""));
    EXPECT_EQ(empty[1].bytes, response("10:20:33", "", "", ""));

    // Texts are read for their leading number only.
    const auto odd = records::responseBlock({"x", "y", "1.5", " 3.5 rates"}, kPaths, 24, clock);
    EXPECT_NE(odd[0].bytes.find("\r\n`questionNumber 15003.5 \r\n"), std::string::npos);
    const auto none = records::responseBlock({"x", "y", "abc", "q"}, kPaths, 24, clock);
    EXPECT_NE(none[0].bytes.find("\r\n`questionNumber 0 \r\n"), std::string::npos);
}

TEST(RecordLayouts, NotesBlockLineByLineOverThreeFiles)
{
    FakeClock clock;
    clock.stepPerTimeRead = 1;
    const records::NotesBlock in{"NOTES -------> my note", "Q one"};
    const auto parts = records::notesBlock(in, kPaths, 24, clock);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].path, kPaths.master);
    EXPECT_EQ(parts[1].path, kPaths.send);
    EXPECT_EQ(parts[2].path, kPaths.notes);
    // Each line goes to master, send, notes before the next line is made.
    EXPECT_EQ(parts[0].bytes, notes(true, "10:20:30", "10:20:33", "Q one", "my note"));
    EXPECT_EQ(parts[1].bytes, notes(false, "10:20:31", "10:20:34", "Q one", "my note"));
    EXPECT_EQ(parts[2].bytes, notes(false, "10:20:32", "10:20:35", "Q one", "my note"));
    EXPECT_EQ(clock.timeReads, 6);
    EXPECT_EQ(clock.dateReads, 3);
    EXPECT_EQ((kIndent + "03-07-2026" + "10:20:33").size(), 54u);
    EXPECT_FALSE(parts[1].bytes.ends_with("\r\n"));
}

// A bank of one short assignment, for whole-file tests.
void smallBank(QuestionBank& bank, long long& index)
{
    bank.storeNext(index, "007.  seven");
    bank.storeNext(index, "");
    bank.storeNext(index, "`q012 rates");
    bank.storeNext(index, "Q two");
}

TEST(RecordFiles, StartWritesTheOpeningHeaderToMasterAndSend)
{
    Harness h;
    h.clock.stepPerTimeRead = 1;
    h.random.values = {0.0f, 0.05f, 0.2f, 0.7f}; // code number 19, then one filler in the first group
    ASSERT_TRUE(h.start("1", "Ann Lee", "ABC", "1"));
    EXPECT_TRUE(h.dialogs.messages.empty());

    const std::string codeLine = "L\xD6" + std::string(18, '\xBA');
    EXPECT_EQ(h.root.read(h.root.home() / "masterFile_Ann_Lee.txt"),
              header(true, codeLine, "Ann Lee", "001", "001.  test 1", "ABC", "10:20:30"));
    EXPECT_EQ(h.root.read(h.root.home() / "send_0307Ann_Lee.txt"),
              header(false, codeLine, "Ann Lee", "001", "001.  test 1", "ABC", "10:20:31"));
    EXPECT_FALSE(h.root.exists(h.root.home() / "notes_Ann_Lee.txt"));
    EXPECT_EQ(h.files.openCount(), 0);
    EXPECT_EQ(h.ops.openFds, 0);
}

TEST(RecordFiles, ResponseBlocksAppendedByEnterResponse)
{
    Harness h;
    h.clock.stepPerTimeRead = 1;
    h.tutor.setBankLoader(smallBank);
    ASSERT_TRUE(h.start("1", "Ann Lee", "ABC", "7"));
    const std::string codeLine(24, '\xBA'); // every draw 0.5: code number 24, no fillers

    // Before any question: question number empty, current line empty, empty answer.
    h.view.answer = "";
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    ASSERT_EQ(h.tutor.cursor().questionNumber(), "12");
    h.view.answer = "first line\r\nsecond line";
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    EXPECT_TRUE(h.dialogs.messages.empty());

    EXPECT_EQ(h.root.read(h.master()),
              header(true, codeLine, "Ann Lee", "007", "007.  seven", "ABC", "10:20:30") +
                  response("10:20:32", " 70000 ", "", "") +
                  response("10:20:34", " 70012 ", "`q012 rates", "first line\r\nsecond line"));
    EXPECT_EQ(h.root.read(h.send()), header(false, codeLine, "Ann Lee", "007", "007.  seven", "ABC", "10:20:31") +
                                         response("10:20:33", "", "", "") +
                                         response("10:20:35", "", "`q012 rates", "first line\r\nsecond line"));
    EXPECT_FALSE(h.root.exists(h.notes()));
}

TEST(RecordFiles, TwoNotesThenASecondStart)
{
    Harness h;
    h.clock.stepPerTimeRead = 1;
    h.tutor.setBankLoader(smallBank);
    ASSERT_TRUE(h.start("1", "Ann Lee", "ABC", "7"));
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    h.view.answer = "first note";
    ASSERT_TRUE(h.tutor.handle(Event::SaveAsNotes));
    h.view.answer = "";
    ASSERT_TRUE(h.tutor.handle(Event::SaveAsNotes));

    // A second run on the same day by the same student.
    Tutor second{Platform{h.files, h.clock, h.random, h.dialogs, h.view}};
    second.setBankLoader(smallBank);
    for (const char* reply : {"1", "Ann Lee", "ABC", "7"})
        h.dialogs.reply(reply);
    ASSERT_TRUE(second.handle(Event::Load));
    EXPECT_TRUE(h.dialogs.messages.empty());

    const std::string code(24, '\xBA');
    const std::string q = "`q012 rates";
    const std::string master = h.root.read(h.master());
    const std::string send = h.root.read(h.send());
    EXPECT_EQ(master, header(true, code, "Ann Lee", "007", "007.  seven", "ABC", "10:20:30") +
                          notes(true, "10:20:32", "10:20:35", q, "first note") +
                          notes(true, "10:20:38", "10:20:41", q, "") +
                          header(true, code, "Ann Lee", "007", "007.  seven", "ABC", "10:20:44"));
    EXPECT_EQ(send, header(false, code, "Ann Lee", "007", "007.  seven", "ABC", "10:20:31") +
                        notes(false, "10:20:33", "10:20:36", q, "first note") +
                        notes(false, "10:20:39", "10:20:42", q, "") +
                        header(false, code, "Ann Lee", "007", "007.  seven", "ABC", "10:20:45"));
    EXPECT_EQ(h.root.read(h.notes()),
              notes(false, "10:20:34", "10:20:37", q, "first note") + notes(false, "10:20:40", "10:20:43", q, ""));

    // Closing rule, seven blanks and the next block's first line share one
    // physical line in the send file; the master file keeps them apart.
    EXPECT_NE(send.find("\r\n" + kCloseRule + kToNextZone + kOpenRule + "\r\n"), std::string::npos);
    EXPECT_NE(send.find("\r\n" + kCloseRule + kToNextZone + code + "\r\n"), std::string::npos);
    EXPECT_NE(master.find("\r\n" + kCloseRule + "\r\n" + kOpenRule + "\r\n"), std::string::npos);
    EXPECT_EQ(master.find(kCloseRule + " "), std::string::npos);
    EXPECT_NE(send.find("\r\nNOTES -------> \r\n"), std::string::npos);
}

} // namespace
