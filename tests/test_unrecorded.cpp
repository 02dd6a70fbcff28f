// Typed text is never lost: the question before the prompt reset replaces
// unrecorded text, what counts as unrecorded, and a draft that cannot be kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/fakes.h"

using namespace qa;
using namespace qa::testing;
namespace fs = std::filesystem;
using Choice = Dialogs::Choice;

namespace {

const std::string kBeforeNext =
    "Your text in the answer box has not been recorded. Record it as a response before the next question?";
const std::string kBeforeEnd =
    "Your text in the answer box has not been recorded. Record it as a response before the program ends?";

// What each draft file of the state directory holds after its two head lines.
std::vector<std::string> drafts(const Harness& h)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(h.root.state(), ec)) {
        if (entry.path().filename().string().rfind("draft-", 0) != 0)
            continue;
        out.push_back(draftText(h.root.read(entry.path())));
    }
    return out;
}

// The first question shown and answered in the box, not recorded, its draft kept.
void typedOnFirstQuestion(Harness& h, const std::string& answer)
{
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    h.view.answer = answer;
    ASSERT_TRUE(h.tutor.handle(Event::AnswerIdle));
    ASSERT_EQ(drafts(h), std::vector<std::string>{answer});
}

} // namespace

TEST(Unrecorded, PromptResetAsksFirstAndYesIsEnterResponseThenNextQuestion)
{
    // The same session with "Enter Response" then "Next Question / Answer".
    Harness entered;
    typedOnFirstQuestion(entered, "my answer");
    ASSERT_TRUE(entered.tutor.handle(Event::EnterResponse));
    ASSERT_TRUE(entered.tutor.handle(Event::NextQuestion));
    ASSERT_EQ(entered.tutor.cursor().bankIndex(), 5);

    const struct {
        const char* name;
        Choice choice;
        bool failWrite;
        bool steps;
        bool recorded;
        bool draftStays;
    } kCases[] = {
        {"Yes", Choice::Yes, false, true, true, false},
        {"No", Choice::No, false, true, false, false},
        {"Cancel", Choice::Cancel, false, false, false, true},
        {"Yes, recording fails", Choice::Yes, true, false, false, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Harness h;
        typedOnFirstQuestion(h, "my answer");
        const std::string master = h.root.read(h.master()), send = h.root.read(h.send());
        const std::string question = h.view.question;
        h.dialogs.choices = {c.choice};
        if (c.failWrite) {
            h.ops.onlyKinds = [](FaultyFileOps::Kind k) { return k == FaultyFileOps::Kind::Write; };
            h.ops.counted = 0;
            h.ops.failAt = 1;
        }
        EXPECT_TRUE(h.tutor.handle(Event::NextQuestion));
        ASSERT_EQ(h.dialogs.questions, std::vector<std::string>{kBeforeNext});
        EXPECT_TRUE(h.dialogs.cancelOffered[0]);
        EXPECT_EQ(h.dialogs.messages.size(), c.failWrite ? 1u : 0u);
        EXPECT_EQ(h.tutor.cursor().bankIndex(), c.steps ? 5 : 3);
        EXPECT_EQ(drafts(h).size(), c.draftStays ? 1u : 0u);
        if (c.recorded) {
            EXPECT_EQ(h.root.read(h.master()), entered.root.read(entered.master()));
            EXPECT_EQ(h.root.read(h.send()), entered.root.read(entered.send()));
            EXPECT_EQ(h.view.question, entered.view.question);
            EXPECT_EQ(h.view.answer, entered.view.answer);
            continue;
        }
        EXPECT_EQ(h.root.read(h.master()), master);
        EXPECT_EQ(h.root.read(h.send()), send);
        EXPECT_EQ(h.view.answer, c.steps ? Tutor::kAnswerPrompt : "my answer");
        EXPECT_EQ(h.view.question, c.steps ? question + h.tutor.cursor().currentLine() : question);
    }
}

TEST(Unrecorded, WhatWasRecordedCountsOnlyForItsOwnQuestionLine)
{
    const struct {
        const char* name;
        bool nextLine; // typed again after stepping to the next question
    } kCases[] = {{"same line", false}, {"next line", true}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Harness h;
        typedOnFirstQuestion(h, "OK");
        ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
        if (c.nextLine) {
            ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
        }
        h.view.answer = "OK";
        h.dialogs.choices = {Choice::Cancel};
        EXPECT_EQ(h.tutor.handle(Event::Quit), c.nextLine);
        EXPECT_EQ(h.dialogs.questions,
                  c.nextLine ? std::vector<std::string>{kBeforeEnd} : std::vector<std::string>{});
    }
}

TEST(Unrecorded, NoThatCannotKeepTheDraftSaysSoAndStaysOpen)
{
    // Ended by the student, and by the end of the assignment.
    for (Event ending : {Event::Quit, Event::NextQuestion}) {
        SCOPED_TRACE(static_cast<int>(ending));
        Harness h;
        h.useBank({"001.  x", "`q1 the only question", "####.#"});
        ASSERT_TRUE(h.start());
        ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
        h.ops.denyCreateUnder = h.root.state();
        h.view.answer = "nowhere to keep it";
        EXPECT_TRUE(h.tutor.handle(ending));
        EXPECT_EQ(h.dialogs.questions, std::vector<std::string>{kBeforeEnd});
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_EQ(h.dialogs.messages[0].rfind("Your text could not be kept as a draft", 0), 0u);
        EXPECT_NE(h.dialogs.messages[0].find("clear the box, then quit"), std::string::npos);
        EXPECT_EQ(h.view.answer, "nowhere to keep it");

        // With the box cleared nothing is asked, and the program ends.
        ASSERT_TRUE(h.tutor.handle(Event::ClearAnswerBox));
        EXPECT_FALSE(h.tutor.handle(ending));
        EXPECT_EQ(h.dialogs.questions.size(), 1u);
    }
}

TEST(Unrecorded, RecordingCutShortByAKillComesBackAtTheNextStart)
{
    // The program is killed at the n-th write of a recording (the master
    // file's block is the first, the send file's the second); a killed
    // opening header carries no answer.
    struct Killed {};
    const struct {
        const char* name;
        Event event;
        int killAtWrite;
        std::string back;
        const char* nextStudent = "Ann Lee"; // another one gets nothing of it; she does, later
    } kCases[] = {
        {"response, nothing written", Event::EnterResponse, 1, "cut \xE9 short\r\nline two"},
        {"response, master whole", Event::EnterResponse, 2, "cut \xE9 short\r\nline two"},
        {"note, send torn", Event::SaveAsNotes, 2, "cut \xE9 short\r\nline two"},
        {"opening header", Event::Load, 1, ""},
        {"response, another student next", Event::EnterResponse, 1, "cut \xE9 short\r\nline two", "Bo Chen"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Harness h;
        std::string master;
        int writes = 0;
        auto killAt = [&](int n) {
            h.ops.onlyKinds = [&writes, n](FaultyFileOps::Kind k) {
                if (k == FaultyFileOps::Kind::Write && ++writes == n)
                    throw Killed{};
                return false;
            };
        };
        if (c.event == Event::Load) {
            killAt(c.killAtWrite);
            EXPECT_THROW(h.start(), Killed);
        } else {
            ASSERT_TRUE(h.start());
            ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
            master = h.root.read(h.master());
            h.view.answer = "cut \xE9 short\r\nline two";
            killAt(c.killAtWrite);
            EXPECT_THROW(h.tutor.handle(c.event), Killed);
        }

        // The next starts over the same folders.
        for (const char* student : {c.nextStudent, "Ann Lee"}) {
            FaultyFileOps ops;
            Files files{ops, h.root.path, h.root.state()};
            FakeView view;
            ScriptedDialogs dialogs;
            Tutor again{Platform{files, h.clock, h.random, dialogs, view}};
            for (const char* reply : {"1", student, "ABC", "1"})
                dialogs.reply(reply);
            ASSERT_TRUE(again.handle(Event::Load));
            ASSERT_TRUE(again.handle(Event::Shown));
            EXPECT_EQ(h.root.read(h.master()).substr(0, master.size()), master);
            EXPECT_EQ(h.root.read(h.master()).find("cut \xE9"), std::string::npos);
            const bool hers = std::string(student) == "Ann Lee";
            EXPECT_EQ(view.answer, c.back.empty() || !hers ? " " : c.back) << student;
            EXPECT_EQ(dialogs.messages.size(), c.back.empty() || !hers ? 0u : 1u) << student;
            if (hers)
                break;
        }
    }
}
