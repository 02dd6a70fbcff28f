// Response entry and picture tools: recording answers and notes, showing the
// notes and the transcript, clearing, quitting, and the picture buttons.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "records/layouts.h"
#include "support/fakes.h"

using namespace qa;
using namespace qa::testing;
namespace fs = std::filesystem;

namespace {

constexpr auto npos = std::string::npos;

std::string readFile(Harness& h, const fs::path& p)
{
    return fs::is_regular_file(p) ? h.root.read(p) : "";
}

// What a recording may change, taken before and compared after.
struct Snapshot {
    std::string master, send, notes, question, answer, transcript, currentLine;
    bool notesExists, itemFinished;

    explicit Snapshot(Harness& h)
        : master(h.root.read(h.master())), send(h.root.read(h.send())), notes(readFile(h, h.notes())),
          question(h.view.question), answer(h.view.answer), transcript(h.tutor.transcript().cumulativeText()),
          currentLine(h.tutor.cursor().currentLine()), notesExists(h.root.exists(h.notes())),
          itemFinished(h.tutor.cursor().itemFinished())
    {
    }
    void expectSame(Harness& h) const
    {
        EXPECT_EQ(h.root.read(h.master()), master);
        EXPECT_EQ(h.root.read(h.send()), send);
        EXPECT_EQ(readFile(h, h.notes()), notes);
        EXPECT_EQ(h.root.exists(h.notes()), notesExists);
        EXPECT_EQ(h.view.question, question);
        EXPECT_EQ(h.view.answer, answer);
        EXPECT_EQ(h.tutor.transcript().cumulativeText(), transcript);
        EXPECT_EQ(h.tutor.cursor().currentLine(), currentLine);
        EXPECT_EQ(h.tutor.cursor().itemFinished(), itemFinished);
    }
};

// Started on assignment 001 with two questions shown, so the answer box
// holds the prompt.
void startAtSecondQuestion(Harness& h)
{
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    ASSERT_EQ(h.view.answer, Tutor::kAnswerPrompt);
}

} // namespace

TEST(ResponseEntry, PromptLeftUnchangedRecordsNothingButEmptiesBothBoxes)
{
    for (Event event : {Event::EnterResponse, Event::SaveAsNotes}) {
        Harness h;
        startAtSecondQuestion(h);
        const Snapshot before(h);
        ASSERT_TRUE(h.tutor.handle(event));
        EXPECT_EQ(h.view.question, "");
        EXPECT_EQ(h.view.answer, "");
        EXPECT_EQ(h.root.read(h.master()), before.master);
        EXPECT_EQ(h.root.read(h.send()), before.send);
        EXPECT_FALSE(h.root.exists(h.notes()));
        EXPECT_EQ(h.tutor.transcript().cumulativeText(), before.transcript);
        EXPECT_TRUE(h.tutor.cursor().itemFinished());
        EXPECT_TRUE(h.dialogs.messages.empty());
    }
}

TEST(ResponseEntry, PromptWithOneCharacterAddedIsRecordedWhole)
{
    Harness h;
    startAtSecondQuestion(h);
    const std::size_t sendBefore = h.root.read(h.send()).size();
    const std::string answer = Tutor::kAnswerPrompt + "x";
    h.view.answer = answer;
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));

    const std::string master = h.root.read(h.master());
    const std::string send = h.root.read(h.send());
    EXPECT_NE(master.find(std::string(records::kResponseLabel) + "\r\n" + answer + "\r\n"), npos);
    EXPECT_NE(send.find(std::string(records::kResponseLabel) + "\r\n" + answer + "\r\n"), npos);
    EXPECT_GT(send.size(), sendBefore);
    EXPECT_EQ(h.tutor.transcript().cumulativeText().substr(0, Transcript::answerMarker.size() + answer.size()),
              Transcript::answerMarker + answer);
    EXPECT_FALSE(h.tutor.cursor().itemFinished());
    EXPECT_EQ(h.view.question, "");
    EXPECT_EQ(h.view.answer, "");
    EXPECT_FALSE(h.root.exists(h.notes()));
}

TEST(ResponseEntry, MultiLineAnswerKeepsItsLineBreaks)
{
    Harness h;
    startAtSecondQuestion(h);
    const std::string answer = "first line\r\nsecond line\r\n\r\nlast";
    h.view.answer = answer;
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    EXPECT_NE(h.root.read(h.master()).find("\r\n" + answer + "\r\n"), npos);
    EXPECT_NE(h.root.read(h.send()).find("\r\n" + answer + "\r\n"), npos);
    EXPECT_EQ(h.tutor.transcript().cumulativeText().substr(0, Transcript::answerMarker.size() + answer.size()),
              Transcript::answerMarker + answer);
}

TEST(ResponseEntry, EmptyBoxAfterClearBoxRecordsAnEmptyBlock)
{
    Harness h;
    startAtSecondQuestion(h);
    ASSERT_TRUE(h.tutor.handle(Event::ClearAnswerBox));
    EXPECT_EQ(h.view.answer, "");
    const std::string before = h.root.read(h.master());
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    const std::string after = h.root.read(h.master());
    ASSERT_GT(after.size(), before.size());
    const std::string block = after.substr(before.size());
    EXPECT_NE(block.find(std::string(records::kResponseLabel) + "\r\n\r\n" + records::kClosingRule + "\r\n"),
              npos);
    const QuestionBank& bank = h.tutor.cursor().questionBank();
    EXPECT_EQ(h.tutor.transcript().cumulativeText(),
              Transcript::answerMarker + Transcript::qaMarker + bank.at(5) + Transcript::qaMarker + bank.at(3));
}

TEST(ResponseEntry, TranscriptPutsEachRecordingInFront)
{
    Harness h;
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    h.view.answer = "A1";
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    h.view.answer = "N1";
    ASSERT_TRUE(h.tutor.handle(Event::SaveAsNotes));
    EXPECT_FALSE(h.tutor.cursor().itemFinished());
    const std::string expected = Transcript::answerMarker + "NOTES -------> N1" + Transcript::answerMarker + "A1" +
                                 Transcript::qaMarker + h.tutor.cursor().questionBank().at(3);
    EXPECT_EQ(h.tutor.transcript().cumulativeText(), expected);

    // "display everything" replaces the question box with the transcript.
    h.view.question = "old text";
    ASSERT_TRUE(h.tutor.handle(Event::DisplayEverything));
    EXPECT_EQ(h.view.question, expected);
    // A recording changes neither the current line nor the position.
    EXPECT_EQ(h.tutor.cursor().currentLine(), h.tutor.cursor().questionBank().at(3));
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 3);
}

TEST(ResponseEntry, DisplayNotesAppendsTheNotesFileEachTime)
{
    Harness h;
    ASSERT_TRUE(h.start());
    h.view.answer = "first note\r\nsecond line";
    ASSERT_TRUE(h.tutor.handle(Event::SaveAsNotes));
    const std::string file = h.root.read(h.notes());
    ASSERT_NE(file.find("NOTES -------> first note\r\nsecond line"), npos);
    ASSERT_NE(file.find("\r\n"), npos);
    const std::string transcript = h.tutor.transcript().cumulativeText();

    h.view.question = "Q";
    ASSERT_TRUE(h.tutor.handle(Event::DisplayNotes));
    EXPECT_EQ(h.view.question, "Q" + file);
    ASSERT_TRUE(h.tutor.handle(Event::DisplayNotes));
    EXPECT_EQ(h.view.question, "Q" + file + file);
    EXPECT_EQ(h.tutor.transcript().cumulativeText(), transcript);
    EXPECT_EQ(h.root.read(h.notes()), file);
    EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(ResponseEntry, DisplayNotesBeforeAnyNoteOnlyTellsSo)
{
    Harness h;
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    // An empty notes file counts as no notes too.
    for (bool emptyFile : {false, true}) {
        SCOPED_TRACE(emptyFile);
        if (emptyFile)
            std::ofstream(h.notes()).flush();
        h.dialogs.messages.clear();
        const Snapshot before(h);
        EXPECT_TRUE(h.tutor.handle(Event::DisplayNotes));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_NE(h.dialogs.messages[0].find("no notes"), npos);
        before.expectSame(h);
    }
    EXPECT_FALSE(h.tutor.ended());
}

TEST(ResponseEntry, NotesFileThatCannotBeReadIsReportedNotMistakenForNoNotes)
{
    Harness h;
    ASSERT_TRUE(h.start());
    fs::create_directory(h.notes());
    const Snapshot before(h);
    EXPECT_TRUE(h.tutor.handle(Event::DisplayNotes));
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].find("no notes"), npos);
    EXPECT_NE(h.dialogs.messages[0].find("could not be read"), npos);
    EXPECT_NE(h.dialogs.messages[0].find("notes_Ann_Lee.txt"), npos);
    before.expectSame(h);
}

TEST(ResponseEntry, ClearBoxDoesNotRestoreThePrompt)
{
    Harness h;
    startAtSecondQuestion(h);
    const std::string question = h.view.question;
    ASSERT_TRUE(h.tutor.handle(Event::ClearAnswerBox));
    EXPECT_EQ(h.view.answer, "");
    EXPECT_EQ(h.view.question, question);
    EXPECT_TRUE(h.tutor.cursor().itemFinished());
}

TEST(ResponseEntry, QuitEndsAndLaterEventsDoNothing)
{
    Harness h;
    ASSERT_TRUE(h.start());
    const std::string master = h.root.read(h.master());
    EXPECT_FALSE(h.tutor.handle(Event::Quit));
    EXPECT_TRUE(h.tutor.ended());
    h.view.answer = "late";
    EXPECT_FALSE(h.tutor.handle(Event::EnterResponse));
    EXPECT_FALSE(h.tutor.handle(Event::NextQuestion));
    EXPECT_EQ(h.view.question, "");
    EXPECT_EQ(h.root.read(h.master()), master);
    EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(ResponseEntry, NotesFileThatCannotBeWrittenLeavesEverythingAsItWas)
{
    Harness h;
    startAtSecondQuestion(h);
    fs::create_directory(h.notes());
    h.view.answer = "my note";
    const Snapshot before(h);
    EXPECT_TRUE(h.tutor.handle(Event::SaveAsNotes));
    EXPECT_FALSE(h.tutor.ended());
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    const std::string& msg = h.dialogs.messages[0];
    EXPECT_NE(msg.find("not recorded"), npos);
    EXPECT_NE(msg.find("notes_Ann_Lee.txt"), npos);
    EXPECT_NE(msg.find("directory"), npos) << msg; // the reason
    before.expectSame(h);
    EXPECT_TRUE(fs::is_directory(h.notes()));

    // Once the problem is put right the same click records.
    fs::remove(h.notes());
    EXPECT_TRUE(h.tutor.handle(Event::SaveAsNotes));
    EXPECT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_NE(h.root.read(h.notes()).find("NOTES -------> my note"), npos);
    EXPECT_NE(h.root.read(h.master()).find("NOTES -------> my note"), npos);
    EXPECT_EQ(h.view.answer, "");
}

TEST(ResponseEntry, MissingDataDirectoryLeavesEverythingAsItWas)
{
    for (Event event : {Event::EnterResponse, Event::SaveAsNotes}) {
        Harness h;
        startAtSecondQuestion(h);
        fs::remove_all(h.root.home());
        h.view.answer = "an answer";
        const std::string question = h.view.question;
        const std::string transcript = h.tutor.transcript().cumulativeText();
        EXPECT_TRUE(h.tutor.handle(event));
        EXPECT_FALSE(h.tutor.ended());
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_NE(h.dialogs.messages[0].find("masterFile_Ann_Lee.txt"), npos);
        EXPECT_NE(h.dialogs.messages[0].find("not recorded"), npos);
        EXPECT_FALSE(fs::exists(h.root.home()));
        EXPECT_EQ(h.view.answer, "an answer");
        EXPECT_EQ(h.view.question, question);
        EXPECT_EQ(h.tutor.transcript().cumulativeText(), transcript);
        EXPECT_TRUE(h.tutor.cursor().itemFinished());

        fs::create_directories(h.root.home());
        EXPECT_TRUE(h.tutor.handle(event));
        EXPECT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_NE(h.root.read(h.master()).find("an answer"), npos);
        EXPECT_NE(h.root.read(h.send()).find("an answer"), npos);
    }
}

TEST(ResponseEntry, AnswerWithCharactersTheRecordsCannotHoldIsRefused)
{
    for (Event event : {Event::EnterResponse, Event::SaveAsNotes}) {
        Harness h;
        startAtSecondQuestion(h);
        h.view.answer = "pi is ";
        h.view.answerUnencodable = U"\u03C0\u2264";
        const Snapshot before(h);
        EXPECT_TRUE(h.tutor.handle(event));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        // Each character as itself (UTF-8) beside its code point.
        EXPECT_NE(h.dialogs.messages[0].find(": \xCF\x80 (U+03C0), \xE2\x89\xA4 (U+2264)."), npos)
            << h.dialogs.messages[0];
        before.expectSame(h);
        EXPECT_EQ(h.view.answerUnencodable, U"\u03C0\u2264");
    }
}

TEST(PictureTools, TimerDrawsCirclesOnlyOnceStarted)
{
    Harness h;
    ASSERT_TRUE(h.start());
    h.tutor.handle(Event::NextQuestion);
    h.tutor.handle(Event::NextPicture);
    h.tutor.handle(Event::CopyPicture);
    EXPECT_FALSE(h.view.timerEnabled);
    EXPECT_TRUE(h.view.circles.empty());
    EXPECT_EQ(h.view.beeps, 0);

    ASSERT_TRUE(h.tutor.handle(Event::PendExp));
    EXPECT_TRUE(h.view.timerEnabled);
    EXPECT_TRUE(h.view.circles.empty());

    h.random.values = {0.25f, 0.0f, 0.999f};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(h.tutor.handle(Event::TimerTick));
    EXPECT_EQ(h.view.beeps, 3);
    ASSERT_EQ(h.view.circles.size(), 3u);
    const double radii[] = {125, 0, 0.999f * 500.0};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(h.view.circles[i].box, View::Picture1);
        EXPECT_EQ(h.view.circles[i].x, 500);
        EXPECT_EQ(h.view.circles[i].y, 500);
        EXPECT_DOUBLE_EQ(h.view.circles[i].r, radii[i]);
    }
    EXPECT_LT(h.view.circles[2].r, 500);

    // The copy is the view's own business, asked for once per click.
    ASSERT_TRUE(h.tutor.handle(Event::CopyPicture));
    EXPECT_EQ(h.view.copies, 2);
    EXPECT_EQ(h.view.circles.size(), 3u);
}
