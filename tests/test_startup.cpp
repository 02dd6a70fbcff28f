// Start-up dialogue: the four prompts, the data directory, the record-file
// names, the fixed texts, the assignment numbers and the code number.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/fakes.h"

using namespace qa;
using namespace qa::testing;

namespace {

const std::string kHome = "c:\\kelvarno";
const std::string kNetwork = "i:\\bkp_000416\\My Documents\\distance students\\interactive problems\\lb1";

const std::string kGeneralText =
    "You have encountered an error.  If you are encountering this error repeatedly you should report the error "
    "number to the instructor and explain exactly what you were doing, keystroke by keystroke, when the error "
    "occurred.  The error is:  ";
const std::string kAssignmentText =
    "You have probably not entered a valid assignment number.  Make sure the assignment number is a number, like "
    "1 or 8 or 15 or 27 etc., and make sure that this assignment is supposed to be in the current zeb_.  This "
    "program will end and you will need to start over.  If you are sure you have entered a valid assignment "
    "number email the instructor and specify that you have received a 'subscript out of range' error";

} // namespace

TEST(StartUpDialogue, AsksTheFourPromptsInOrder)
{
    Harness h;
    ASSERT_TRUE(h.start());
    const std::vector<std::string> expected = {
        "Enter 1 for home user, 2 for KORB LAN user",
        "Your full name:  ",
        "Your initials (use all 3 initials and always use the same three initials when submitting work):  ",
        "Assignment Number:  ",
    };
    EXPECT_EQ(h.dialogs.prompts, expected);
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_EQ(h.tutor.session().studentName(), "Ann Lee");
    EXPECT_EQ(h.tutor.session().initials(), "ABC");
}

TEST(StartUpDialogue, ReplyTwoReadAsANumberSelectsTheNetworkDirectory)
{
    for (const char* reply : {"2", " 2 ", "2.0", "02"}) {
        SCOPED_TRACE(reply);
        Harness h;
        h.start(reply);
        EXPECT_EQ(h.tutor.session().dataDir(), kNetwork);
        EXPECT_EQ(h.tutor.session().paths().master, kNetwork + "\\masterFile_Ann_Lee.txt");
        // The home directory is made whichever directory is chosen.
        EXPECT_TRUE(std::filesystem::is_directory(h.root.home()));
    }
}

TEST(StartUpDialogue, AnyOtherNumberSelectsTheHomeDirectory)
{
    for (const char* reply : {"1", "0", "3", "-2"}) {
        SCOPED_TRACE(reply);
        Harness h;
        EXPECT_TRUE(h.start(reply));
        EXPECT_EQ(h.tutor.session().dataDir(), kHome);
        EXPECT_TRUE(h.dialogs.messages.empty());
    }
}

TEST(StartUpDialogue, ReplyThatIsNotANumberStopsTheDialogueWithError13)
{
    for (const char* reply : {"", "home", "1x"}) {
        SCOPED_TRACE(reply);
        Harness h;
        EXPECT_FALSE(h.start(reply));
        EXPECT_TRUE(h.tutor.ended());
        ASSERT_EQ(h.dialogs.prompts.size(), 1u);
        // The bank was never filled, so the opening cannot find a header.
        const std::vector<std::string> expected = {kGeneralText + "13", kAssignmentText};
        EXPECT_EQ(h.dialogs.messages, expected);
        EXPECT_EQ(h.tutor.cursor().questionBank().at(1), "");
        EXPECT_EQ(h.tutor.session().paths().master, "");
    }
    EXPECT_EQ(Tutor::kGeneralMessage, kGeneralText);
    EXPECT_EQ(Tutor::kAssignmentMessage, kAssignmentText);
}

TEST(StartUpDialogue, BlanksInTheNameBecomeUnderscoresInAllThreeFileNames)
{
    Harness h;
    ASSERT_TRUE(h.start("1", "Ann  Lee Smith"));
    EXPECT_EQ(h.tutor.session().studentName(), "Ann  Lee Smith");
    EXPECT_EQ(h.tutor.session().paths().master, kHome + "\\masterFile_Ann__Lee_Smith.txt");
    EXPECT_EQ(h.tutor.session().paths().send, kHome + "\\send_0307Ann__Lee_Smith.txt");
    EXPECT_EQ(h.tutor.session().paths().notes, kHome + "\\notes_Ann__Lee_Smith.txt");
    EXPECT_TRUE(h.root.exists(h.master("Ann__Lee_Smith")));
    EXPECT_TRUE(h.root.exists(h.send("Ann__Lee_Smith")));
}

TEST(StartUpDialogue, EmptyNameLeavesNothingBetweenPrefixAndExtension)
{
    Harness h;
    ASSERT_TRUE(h.start("1", ""));
    EXPECT_EQ(h.tutor.session().paths().master, kHome + "\\masterFile_.txt");
    EXPECT_EQ(h.tutor.session().paths().send, kHome + "\\send_0307.txt");
    EXPECT_EQ(h.tutor.session().paths().notes, kHome + "\\notes_.txt");
    EXPECT_TRUE(h.root.exists(h.root.home() / "masterFile_.txt"));
}

TEST(StartUpDialogue, CharactersAFileNameCannotCarryBecomeUnderscores)
{
    const std::string typed = "A/B\\C:D*E?F\"G<H>I|J\tK\x7F"
                              "L";
    Harness h;
    ASSERT_TRUE(h.start("1", typed));
    EXPECT_EQ(h.tutor.session().studentName(), typed);
    const std::string safe = "A_B_C_D_E_F_G_H_I_J_K_L";
    EXPECT_EQ(h.tutor.session().paths().master, kHome + "\\masterFile_" + safe + ".txt");
    EXPECT_EQ(h.tutor.session().paths().send, kHome + "\\send_0307" + safe + ".txt");
    EXPECT_EQ(h.tutor.session().paths().notes, kHome + "\\notes_" + safe + ".txt");
    // The files land in the data directory itself, not in a subdirectory.
    EXPECT_TRUE(h.root.exists(h.master(safe)));
    EXPECT_TRUE(h.root.exists(h.send(safe)));
}

TEST(StartUpDialogue, SendFileNameCarriesMonthAndDayFromOneDateRead)
{
    Harness h;
    h.clock.today = "03-07-2026";
    // An unknown assignment ends the run before the opening header reads the clock.
    h.start("1", "Ann Lee", "ABC", "2");
    EXPECT_EQ(h.tutor.session().paths().send, "c:\\kelvarno\\send_0307Ann_Lee.txt");
    EXPECT_EQ(h.clock.dateReads, 1);

    Harness h2;
    h2.clock.today = "12-31-2025";
    h2.start("1", "Bo", "B", "2");
    EXPECT_EQ(h2.tutor.session().paths().send, "c:\\kelvarno\\send_1231Bo.txt");
}

TEST(StartUpDialogue, AssignmentNumberIsPaddedByLengthAndNextNumberFollows)
{
    struct Case {
        const char* typed;
        const char* padded;
        const char* next;
    };
    const Case cases[] = {
        {"1", "001", "002"},    {"99", "099", "100"},  {"100", "100", "101"}, {"", "", "001"},
        {"1.5", "1.5", "2.5"},  {"7", "007", "008"},   {"12", "012", "013"},  {"ab", "0ab", "001"},
        {"999", "999", "1000"}, {"abc", "abc", "001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Harness h;
        h.start("1", "Ann Lee", "ABC", c.typed);
        EXPECT_EQ(h.tutor.session().assignmentNumber(), c.padded);
        EXPECT_EQ(h.tutor.session().nextAssignmentNumber(), c.next);
    }
}

TEST(StartUpDialogue, CodeNumberIsAWholeNumberFrom19To28)
{
    struct Case {
        float draw;
        double code;
    };
    // A draw just below 1 must not round up to 29.
    const Case cases[] = {{0.0f, 19}, {0.1f, 20}, {0.5f, 24}, {0.95f, 28}, {0.99999994f, 28}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.draw);
        Harness h;
        h.random.values = {c.draw};
        h.start();
        EXPECT_EQ(h.tutor.session().codeNbr(), c.code);
        EXPECT_EQ(h.random.seededWith, h.clock.seedSeconds);
    }
}

TEST(StartUpDialogue, FixedTextsAndPictureScales)
{
    Harness h;
    ASSERT_TRUE(h.start());
    EXPECT_EQ(Tutor::kAnswerPrompt,
              "Enter, as appropriate, an answer to the question, a critique of your answer in response to a given "
              "answer, your insights regarding the situation at this point, notes to yourself, or just an OK.\r\n"
              "\r\nAlways critique your solutions by describing any insights you had or errors you makde, and by "
              "explaining how you can make use of the insight or how you now know how to avoid certain errors.  "
              "Also pose for the instructor any question or questions that you have related to the problem or "
              "series of problems.");
    EXPECT_EQ(Transcript::qaMarker, " <-<-<-<-  Q/A:   ");
    EXPECT_EQ(Transcript::answerMarker, " YOUR ANSWER  ->->->->  ");
    for (int box : {View::Picture1, View::Picture2}) {
        EXPECT_EQ(h.view.scale[box][0], 1000);
        EXPECT_EQ(h.view.scale[box][1], 1000);
    }
    // Start-up puts nothing into the answer box and starts no timer.
    EXPECT_EQ(h.view.answer, " ");
    EXPECT_FALSE(h.view.timerEnabled);
}

TEST(StartUpDialogue, ReplyWithCharactersTheRecordsCannotHoldIsAskedAgain)
{
    Harness h;
    h.dialogs.reply("1");
    h.dialogs.replies.push_back({"Ann Lee", U"\u03C0\u2603"});
    h.dialogs.reply("Ann Lee");
    h.dialogs.reply("ABC");
    h.dialogs.reply("1");
    ASSERT_TRUE(h.tutor.handle(Event::Load));

    ASSERT_EQ(h.dialogs.prompts.size(), 5u);
    EXPECT_EQ(h.dialogs.prompts[1], "Your full name:  ");
    EXPECT_EQ(h.dialogs.prompts[2], "Your full name:  ");
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_NE(h.dialogs.messages[0].find("U+03C0"), std::string::npos);
    EXPECT_NE(h.dialogs.messages[0].find("U+2603"), std::string::npos);
    EXPECT_EQ(h.tutor.session().studentName(), "Ann Lee");
    EXPECT_EQ(h.tutor.session().assignmentNumber(), "001");
}

// Started before the stick or the share is there: the system's message, then
// ours naming the folder and what to do. No record file is made without its
// header: while the folder is away a recording is refused; once it is back,
// the header composed at start goes first into each file, then the block.
TEST(StartUpDialogue, TheOpeningHeaderIsKeptUntilTheFolderCanBeWritten)
{
    Harness usual;
    usual.useBank({"001.  x", "`q1 first question", "####.#"});
    ASSERT_TRUE(usual.start());
    const std::string header = usual.root.read(usual.master());
    const std::string sendHeader = usual.root.read(usual.send());
    ASSERT_NE(header.find("Ann Lee"), std::string::npos);

    Harness h;
    h.useBank({"001.  x", "`q1 first question", "####.#"});
    const std::string folder = h.root.home().string();
    bool away = true;
    h.ops.failErrno = ENOENT;
    h.ops.onCall = [&](const char* call, const std::string& path) {
        return away && std::string(call) == "open" && path.rfind(folder, 0) == 0;
    };
    ASSERT_TRUE(h.start());
    ASSERT_EQ(h.dialogs.messages.size(), 2u);
    EXPECT_EQ(h.dialogs.messages[0].rfind(kGeneralText, 0), 0u) << h.dialogs.messages[0];
    const std::string& ours = h.dialogs.messages[1];
    EXPECT_EQ(ours.rfind("Your record files could not be opened in the folder \"" + folder + "\" (", 0), 0u)
        << ours;
    EXPECT_NE(ours.find("plug it in"), std::string::npos) << ours;
    EXPECT_NE(ours.find("your work will be kept"), std::string::npos) << ours;
    EXPECT_FALSE(h.root.exists(h.master()));

    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    h.view.answer = "my answer";
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    EXPECT_EQ(h.dialogs.messages.size(), 3u);
    EXPECT_EQ(h.view.answer, "my answer");
    EXPECT_FALSE(h.root.exists(h.master()));
    EXPECT_FALSE(h.root.exists(h.send()));

    away = false;
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    EXPECT_EQ(h.dialogs.messages.size(), 3u);
    const std::string master = h.root.read(h.master());
    const std::string send = h.root.read(h.send());
    EXPECT_EQ(master.substr(0, header.size()), header);
    EXPECT_EQ(send.substr(0, sendHeader.size()), sendHeader);
    EXPECT_NE(master.find("my answer", header.size()), std::string::npos);
    EXPECT_NE(send.find("my answer", sendHeader.size()), std::string::npos);
    // Written once: the next recording adds its block only.
    h.view.answer = "again";
    ASSERT_TRUE(h.tutor.handle(Event::SaveAsNotes));
    EXPECT_EQ(h.root.read(h.master()).find(header, 1), std::string::npos);
}
