// Question stepping and routine lines: "Next Question / Answer" and
// "next picture" over the built-in bank and over small test banks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"

using namespace qa;
using namespace qa::testing;

namespace {

} // namespace

TEST(QuestionStepping, BuiltinQuestionsAppendOneAfterAnother)
{
    Harness h;
    ASSERT_TRUE(h.start());
    const QuestionBank& bank = h.tutor.cursor().questionBank();

    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    EXPECT_EQ(h.view.question, bank.at(3));
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 3);
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    EXPECT_EQ(h.view.question, bank.at(3) + bank.at(5));
    EXPECT_EQ(h.tutor.cursor().currentLine(), bank.at(5));
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 5);
    EXPECT_EQ(h.view.question.find("001."), std::string::npos);
    EXPECT_TRUE(h.tutor.cursor().pendingText().empty());
    EXPECT_TRUE(h.tutor.cursor().itemFinished());

    // Newest first, each line behind the Q/A marker.
    EXPECT_EQ(h.tutor.transcript().cumulativeText(),
              Transcript::qaMarker + bank.at(5) + Transcript::qaMarker + bank.at(3));
    EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(QuestionStepping, PromptComesBackAfterATextLineButNotAfterARecording)
{
    Harness h;
    ASSERT_TRUE(h.start());
    h.tutor.handle(Event::NextQuestion);
    // The first click found itemFinished false: the box keeps its blank.
    EXPECT_EQ(h.view.answer, " ");

    h.view.answer = "typed";
    h.tutor.handle(Event::NextQuestion);
    EXPECT_EQ(h.view.answer, Tutor::kAnswerPrompt);

    h.view.answer = "my answer";
    h.tutor.handle(Event::EnterResponse);
    EXPECT_FALSE(h.tutor.cursor().itemFinished());
    h.tutor.handle(Event::NextQuestion);
    EXPECT_EQ(h.view.answer, "");
    EXPECT_EQ(h.view.question, h.tutor.cursor().questionBank().at(7));
}

TEST(QuestionStepping, ClickingPastTheLastBuiltinQuestionEndsQuietly)
{
    Harness h;
    ASSERT_TRUE(h.start());
    for (int q = 0; q < 14; ++q)
        ASSERT_TRUE(h.tutor.handle(Event::NextQuestion)) << q;
    EXPECT_EQ(h.tutor.cursor().currentLine(), h.tutor.cursor().questionBank().at(29));
    const std::string shown = h.view.question;

    EXPECT_FALSE(h.tutor.handle(Event::NextQuestion));
    EXPECT_TRUE(h.tutor.ended());
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_EQ(h.view.question, shown);
}

TEST(QuestionStepping, QuestionNumberLinesSetTheNumberAndAreShownUnchanged)
{
    Harness h;
    h.useBank({"001.  x", "`q07 Pendulum", "", "`Q3.50", "`qx", "q7", "`q012 rates", "####.#"});
    ASSERT_TRUE(h.start());

    h.tutor.handle(Event::NextQuestion);
    EXPECT_EQ(h.tutor.cursor().questionNumber(), "7");
    EXPECT_EQ(h.view.question, "`q07 Pendulum");
    h.tutor.handle(Event::NextQuestion);
    EXPECT_EQ(h.tutor.cursor().questionNumber(), "3.5");
    h.tutor.handle(Event::NextQuestion);
    EXPECT_EQ(h.tutor.cursor().questionNumber(), "0");
    h.tutor.handle(Event::NextQuestion);
    EXPECT_EQ(h.tutor.cursor().questionNumber(), "0");
    EXPECT_EQ(h.tutor.cursor().currentLine(), "q7");
    h.tutor.handle(Event::NextQuestion);
    EXPECT_EQ(h.tutor.cursor().questionNumber(), "12");
    EXPECT_EQ(h.view.question, "`q07 Pendulum`Q3.50`qxq7`q012 rates");
}

TEST(QuestionStepping, RoutineLineIsRunAndTheNextLineShownInTheSameClick)
{
    Harness h;
    h.useBank({"001.  x", "", "`routine graph1", "", "text A", "####.#"});
    ASSERT_TRUE(h.start());
    h.view.answer = "kept";
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    EXPECT_EQ(h.view.question, "text A");
    EXPECT_EQ(h.tutor.cursor().currentLine(), "text A");
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 5);
    EXPECT_EQ(h.tutor.transcript().cumulativeText(),
              Transcript::qaMarker + "text A" + Transcript::qaMarker + "`routine graph1");
    EXPECT_TRUE(h.tutor.cursor().itemFinished());
    // The routine line left itemFinished false, so the second read kept the box.
    EXPECT_EQ(h.view.answer, "kept");
}

TEST(QuestionStepping, KnownGraphNamesAreFoundWhateverTheirSpelling)
{
    for (const char* line : {"`routine graph-2", "`routine: graph 3", "`ROUTINE Graph1", "`Routine\tgraph2"}) {
        SCOPED_TRACE(line);
        Harness h;
        h.useBank({"001.  x", line, "after", "####.#"});
        ASSERT_TRUE(h.start());
        EXPECT_TRUE(h.tutor.handle(Event::NextQuestion));
        EXPECT_EQ(h.view.question, "after");
    }
}

TEST(QuestionStepping, BareRoutineMarkerIsShownAsText)
{
    Harness h;
    h.useBank({"001.  x", "`routine", "next", "####.#"});
    ASSERT_TRUE(h.start());
    h.view.answer = "kept";
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    EXPECT_EQ(h.view.question, "`routine");
    EXPECT_FALSE(h.tutor.cursor().itemFinished());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    EXPECT_EQ(h.view.question, "`routinenext");
    EXPECT_EQ(h.view.answer, "kept");
}

TEST(QuestionStepping, EndingRoutinesEndTheProgramWithoutShowingAnything)
{
    for (const char* line :
         {"`routine:", "`routine exitprog", "`ROUTINE EXIT-PROG", "`routine xyz", "`routine graph4"}) {
        SCOPED_TRACE(line);
        Harness h;
        h.useBank({"001.  x", "", "shown", line, "never", "####.#"});
        ASSERT_TRUE(h.start());
        ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
        EXPECT_FALSE(h.tutor.handle(Event::NextQuestion));
        EXPECT_TRUE(h.tutor.ended());
        EXPECT_EQ(h.view.question, "shown");
        EXPECT_EQ(h.tutor.cursor().currentLine(), line);
        EXPECT_TRUE(h.dialogs.messages.empty());
    }
}

TEST(QuestionStepping, NextAssignmentHeaderEndsAtTheClickThatReachesIt)
{
    for (const char* line : {"002.  second", "002xyz"}) {
        SCOPED_TRACE(line);
        Harness h;
        h.useBank({"001.  x", "", "first", "", line, "", "more"});
        ASSERT_TRUE(h.start());
        ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
        EXPECT_FALSE(h.tutor.handle(Event::NextQuestion));
        EXPECT_EQ(h.view.question, "first");
        EXPECT_TRUE(h.dialogs.messages.empty());
    }
}

TEST(QuestionStepping, FourCharacterNextNumberNeverMatches)
{
    // Assignment 999 itself ends at the opening (over 100), so the cursor is
    // stepped on its own with the four-character next number.
    BankCursor cursor;
    cursor.loadQuestionBank([](QuestionBank& bank, long long& index) {
        for (const char* line : {"001.  x", "1000 text", "100 text", "####.#"})
            bank.storeNext(index, line);
    });
    ASSERT_EQ(cursor.openAssignment("001"), "001.  x");
    EXPECT_EQ(cursor.readNextQuestion("1000").kind, BankCursor::Step::Show);
    EXPECT_EQ(cursor.readNextQuestion("1000").kind, BankCursor::Step::Show);
    EXPECT_EQ(cursor.currentLine(), "100 text");
    EXPECT_EQ(cursor.readNextQuestion("1000").kind, BankCursor::Step::End);

    Harness h2;
    h2.start("1", "Ann Lee", "ABC", "999");
    EXPECT_EQ(h2.tutor.session().nextAssignmentNumber(), "1000");
}

TEST(QuestionStepping, EndMarkerEndsTheProgram)
{
    for (const char* marker : {"####.#", "####.# end"}) {
        SCOPED_TRACE(marker);
        Harness h;
        h.useBank({"001.  x", "####.", "", marker, "after"});
        ASSERT_TRUE(h.start());
        ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
        EXPECT_EQ(h.view.question, "####.");
        EXPECT_FALSE(h.tutor.handle(Event::NextQuestion));
        EXPECT_EQ(h.view.question, "####.");
        EXPECT_TRUE(h.dialogs.messages.empty());
    }
}

TEST(QuestionStepping, RunningOffTheBankEndsWithoutAMessage)
{
    Harness h;
    h.useBank({"001.  x", "", "only"});
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    EXPECT_FALSE(h.tutor.handle(Event::NextQuestion));
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_EQ(h.view.question, "only");
}

TEST(NextPicture, NoRoutineAheadChangesNothing)
{
    Harness h;
    h.useBank({"001.  x", "", "text", "`routine exitprog"});
    ASSERT_TRUE(h.start());
    EXPECT_TRUE(h.tutor.handle(Event::NextPicture));
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 1);
    EXPECT_EQ(h.view.question, "");
    EXPECT_EQ(h.tutor.transcript().cumulativeText(), "");
}

TEST(NextPicture, RoutineTwoAheadMovesThePositionOntoIt)
{
    Harness h;
    h.useBank({"001.  x", "", "`routine graph3", "", "after", "####.#"});
    ASSERT_TRUE(h.start());
    h.view.answer = "draft";
    ASSERT_TRUE(h.tutor.handle(Event::NextPicture));
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 3);
    EXPECT_EQ(h.view.question, "");
    EXPECT_EQ(h.view.answer, "draft");
    EXPECT_EQ(h.tutor.cursor().currentLine(), "");
    EXPECT_FALSE(h.tutor.cursor().itemFinished());

    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    EXPECT_EQ(h.view.question, "after");
    EXPECT_EQ(h.tutor.transcript().cumulativeText(), Transcript::qaMarker + "after");
}

TEST(NextPicture, OffsetAppliesToThePositionAsItStands)
{
    // Routine right after the position: the second look lands three on.
    Harness h;
    h.useBank({"001.  x", "`routine graph1", "", "`routine graph2", "", "after"});
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextPicture));
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 4);

    // Two routines in a row: the second is not looked at in this click.
    Harness h2;
    h2.useBank({"001.  x", "`routine graph1", "`routine exitprog", "after"});
    ASSERT_TRUE(h2.start());
    ASSERT_TRUE(h2.tutor.handle(Event::NextPicture));
    EXPECT_EQ(h2.tutor.cursor().bankIndex(), 2);
}

TEST(NextPicture, EndingRoutinesAheadEndTheProgram)
{
    for (const char* line : {"`routine exitprog", "`ROUTINE EXIT-PROG", "`routine xyz", "`routine"}) {
        SCOPED_TRACE(line);
        Harness h;
        h.useBank({"001.  x", "", line});
        ASSERT_TRUE(h.start());
        EXPECT_FALSE(h.tutor.handle(Event::NextPicture));
        EXPECT_TRUE(h.tutor.ended());
        EXPECT_TRUE(h.dialogs.messages.empty());
    }
}

TEST(NextPicture, LookingPastTheBankGivesTheRunTimeErrorReport)
{
    // The header at 4999, so that the opening leaves the position there.
    std::vector<std::string> lines(4998);
    lines.push_back("001.  x");
    lines.push_back("`routine graph1");
    Harness h;
    h.useBank(std::move(lines));
    ASSERT_TRUE(h.start());
    ASSERT_EQ(h.tutor.cursor().bankIndex(), 4999);
    EXPECT_FALSE(h.tutor.handle(Event::NextPicture));
    EXPECT_TRUE(h.tutor.ended());
    const std::vector<std::string> expected = {"Run-time error '9':\r\n\r\nSubscript out of range"};
    EXPECT_EQ(h.dialogs.messages, expected);
    // The first look still took effect.
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 5000);
}
