// After a crash: a text comes back once, under the question it was typed for,
// never when it is already recorded; one window per student and assignment;
// a state folder that cannot be used is said at start; the start-up repair
// keeps a cut text safe before it lets its journal go.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/fakes.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace qa;
using namespace qa::testing;
namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kBank = {"001.  x", "`q1 first question", "`q2 second question", "####.#"};

BankLoader bankOf(const std::vector<std::string>& lines)
{
    return [lines](QuestionBank& bank, long long& index) {
        for (const std::string& line : lines)
            bank.storeNext(index, line);
    };
}

// A later start over the same drive and state folder, as after a crash.
struct Restart {
    explicit Restart(Harness& h) : files{ops, h.root.path, h.root.state()} { tutor.setBankLoader(bankOf(kBank)); }
    bool start(const std::string& name = "Ann Lee", const std::string& assignment = "1")
    {
        for (const std::string& reply : {std::string("1"), name, std::string("ABC"), assignment})
            dialogs.reply(reply);
        return tutor.handle(Event::Load) && tutor.handle(Event::Shown);
    }
    FaultyFileOps ops;
    Files files;
    FakeView view;
    ScriptedDialogs dialogs;
    FakeClock clock;
    ScriptedRandom random;
    Tutor tutor{Platform{files, clock, random, dialogs, view}};
};

// The state folder's files by name (temporaries included).
std::vector<std::string> stateFiles(const Harness& h)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(h.root.state(), ec))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string fileStartingWith(const Harness& h, const std::string& prefix)
{
    for (const std::string& name : stateFiles(h))
        if (name.rfind(prefix, 0) == 0)
            return (fs::path(h.root.state()) / name).string();
    return {};
}

std::size_t count(const std::string& in, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = in.find(what); at != std::string::npos; at = in.find(what, at + 1))
        ++n;
    return n;
}

// Started, on the first question, "text" typed and kept as the draft.
// `text` in the box on the first question, typed without a pause (no draft).
void onFirst(Harness& h, const std::string& text)
{
    h.useBank(kBank);
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    h.view.answer = text;
}

void typedOnFirst(Harness& h, const std::string& text)
{
    onFirst(h, text);
    ASSERT_TRUE(h.tutor.handle(Event::AnswerIdle));
    ASSERT_FALSE(fileStartingWith(h, "draft-").empty());
}

// A later start: nothing comes back and nothing is said, and neither a cut
// text nor a draft is left in the state folder.
void nothingComesBack(Harness& h)
{
    Restart later(h);
    ASSERT_TRUE(later.start());
    EXPECT_EQ(later.view.answer, " ");
    EXPECT_TRUE(later.dialogs.messages.empty());
    EXPECT_EQ(fileStartingWith(h, "cut-"), "");
    EXPECT_EQ(fileStartingWith(h, "draft-"), "");
}

struct Killed {};

// The recording `event` makes is killed at its `nth` write of a record file:
// the files written before it hold their blocks, the rest do not.
void killedAtWrite(Harness& h, Event event, int nth)
{
    int writes = 0;
    h.ops.onlyKinds = [&writes, nth](FaultyFileOps::Kind k) {
        if (k == FaultyFileOps::Kind::Write && ++writes == nth)
            throw Killed{};
        return false;
    };
    EXPECT_THROW(h.tutor.handle(event), Killed);
}

} // namespace

TEST(AfterACrash, ATextAlreadyWholeInTheRecordFilesIsNotBroughtBack)
{
    // Killed after the recording was synced, before its draft went (a last
    // word typed after the draft was kept, or none); or with the recording
    // cut short while a draft of the same text was kept.
    const struct {
        const char* name;
        bool cut;
        bool back;
        const char* clicked; // the box at the click
    } kCases[] = {{"draft left after its recording", false, false, "my answer"},
                  {"draft older than its recording, left after it", false, false, "my answer, and a last word"},
                  {"recording cut, draft kept", true, true, "my answer"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Harness h;
        typedOnFirst(h, "my answer");
        h.view.answer = c.clicked;
        if (c.cut) {
            // the master file's block written, the send file's not
            killedAtWrite(h, Event::EnterResponse, 2);
        } else {
            h.ops.onCall = [](const char* call, const std::string& path) {
                if (std::string(call) == "unlink" && path.find("draft-") != std::string::npos)
                    throw Killed{};
                return false;
            };
            EXPECT_THROW(h.tutor.handle(Event::EnterResponse), Killed);
            ASSERT_NE(fileStartingWith(h, "draft-"), "");
        }
        Restart again(h);
        ASSERT_TRUE(again.start());
        EXPECT_EQ(again.view.answer, c.back ? "my answer" : " ");
        EXPECT_EQ(again.dialogs.messages.size(), c.back ? 1u : 0u);
        EXPECT_EQ(count(h.root.read(h.master()), "my answer"), c.back ? 0u : 1u);
        EXPECT_EQ(fileStartingWith(h, "draft-").empty(), !c.back);
        EXPECT_EQ(fileStartingWith(h, "cut-"), "");
        if (!c.back)
            continue;
        // Recorded as the message invites: once in each file, and a third
        // start brings nothing back.
        ASSERT_TRUE(again.tutor.handle(Event::EnterResponse));
        EXPECT_EQ(count(h.root.read(h.master()), "my answer"), 1u);
        EXPECT_EQ(count(h.root.read(h.send()), "my answer"), 1u);
        Restart third(h);
        ASSERT_TRUE(third.start());
        EXPECT_EQ(third.view.answer, " ");
    }
}

TEST(AfterACrash, RestoredTextComesBackUnderTheQuestionItWasTypedFor)
{
    // Question 1 answered, question 2's text kept as a draft, then a crash.
    // Recorded at once, or at "Next Question / Answer" with a Yes.
    for (bool viaNext : {false, true}) {
        SCOPED_TRACE(viaNext ? "Yes before the next question" : "Enter Response");
        Harness h;
        typedOnFirst(h, "first answer");
        ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
        ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
        h.view.answer = "second answer";
        ASSERT_TRUE(h.tutor.handle(Event::AnswerIdle));

        Restart again(h);
        ASSERT_TRUE(again.start());
        EXPECT_EQ(again.view.answer, "second answer");
        EXPECT_EQ(again.view.question, "`q2 second question");
        EXPECT_EQ(again.tutor.cursor().currentLine(), "`q2 second question");
        ASSERT_EQ(again.dialogs.messages.size(), 1u);
        EXPECT_NE(again.dialogs.messages[0].find("for the question \"`q2 second question\""), std::string::npos)
            << again.dialogs.messages[0];
        const std::string before = h.root.read(h.master());
        if (viaNext) {
            again.dialogs.choices = {Dialogs::Choice::Yes};
            EXPECT_FALSE(again.tutor.handle(Event::NextQuestion)); // the end marker follows
        } else {
            ASSERT_TRUE(again.tutor.handle(Event::EnterResponse));
        }
        const std::string added = h.root.read(h.master()).substr(before.size());
        EXPECT_NE(added.find("`questionNumber 10002 \r\n`q2 second question\r\n"), std::string::npos) << added;
        EXPECT_EQ(count(added, "second answer"), 1u) << added;
    }
}

TEST(AfterACrash, ACutNoteComesBackAsANoteOnce)
{
    Harness h;
    typedOnFirst(h, "a note");
    // master and send written, the notes file not
    killedAtWrite(h, Event::SaveAsNotes, 3);
    Restart again(h);
    ASSERT_TRUE(again.start());
    EXPECT_EQ(again.view.answer, "a note");
    ASSERT_EQ(again.dialogs.messages.size(), 1u);
    EXPECT_EQ(again.dialogs.messages[0].rfind("The note you had not recorded for the question \"`q1", 0), 0u)
        << again.dialogs.messages[0];
    EXPECT_NE(again.dialogs.messages[0].find("\"Save as Notes\""), std::string::npos);
    EXPECT_EQ(count(h.root.read(h.master()), "a note"), 0u);

    // Given up: cleared and quit. It does not come back again.
    ASSERT_TRUE(again.tutor.handle(Event::ClearAnswerBox));
    EXPECT_FALSE(again.tutor.handle(Event::Quit));
    nothingComesBack(h);
}

// A recording cut short whose master file cannot be opened at the next start:
// its text is not handed back while the torn block may stand (recorded again,
// it would be there twice); the student is told, and a later start repairs it.
TEST(AfterACrash, ARecordFileTheRepairCannotOpenKeepsItsRecordingForALaterStart)
{
    Harness h;
    onFirst(h, "cut short");
    // the master file's block written, the send file's not
    killedAtWrite(h, Event::EnterResponse, 2);
    const std::string master = h.root.read(h.master());
    {
        Restart second(h);
        const std::string host = second.files.hostPath(h.tutor.session().paths().master);
        second.ops.failErrno = EACCES;
        second.ops.onCall = [&host](const char* call, const std::string& path) {
            return std::string(call) == "open" && path == host;
        };
        second.start();
        ASSERT_FALSE(second.dialogs.messages.empty());
        EXPECT_EQ(second.dialogs.messages[0].rfind(
                      "A recording that a crash cut short could not be repaired: the file \"" + host + "\"", 0),
                  0u)
            << second.dialogs.messages[0];
        EXPECT_EQ(second.view.answer, " ");
        EXPECT_EQ(h.root.read(h.master()), master);
        EXPECT_EQ(h.root.read(fileStartingWith(h, "journal-")).rfind("qa-tutor journal A", 0), 0u);
    }
    Restart clean(h);
    ASSERT_TRUE(clean.start());
    EXPECT_EQ(clean.view.answer, "cut short");
    EXPECT_EQ(clean.dialogs.messages.size(), 1u);
    EXPECT_EQ(count(h.root.read(h.master()), "cut short"), 0u);
}

// A recording cut short on a drive that lets nothing be cut back, in a folder
// where no file may be made: nothing can take it out of the master file.
// A block no repair can take out: the drive cuts nothing back and no file may
// be made in the folder. The recording is finished instead, from its
// journal: torn or whole in the master file, it ends whole once in each
// file, its text does not come back to be recorded twice, the journal goes,
// and a later start brings nothing back.
TEST(AfterACrash, ABlockNothingCanTakeOutIsFinishedInEveryFile)
{
    const std::string answer = "an answer cut in two";
    for (const bool torn : {true, false}) {
        SCOPED_TRACE(torn ? "torn" : "whole");
        Harness h;
        onFirst(h, answer);
        const std::string before = h.root.read(h.master());
        killedAtWrite(h, Event::EnterResponse, 2);
        if (torn) // the power went before the block's end reached the disk
            fs::resize_file(h.master(), h.root.read(h.master()).find(answer, before.size()) + 9);
        const std::string left = h.root.read(h.master());
        const auto pending = [&h] {
            for (const std::string& name : stateFiles(h))
                if (name.rfind("journal-", 0) == 0 &&
                    h.root.read(fs::path(h.root.state()) / name).rfind("qa-tutor journal A", 0) == 0)
                    return true;
            return false;
        };
        {
            Restart second(h);
            second.ops.failErrno = EOPNOTSUPP;
            second.ops.onCall = [](const char* call, const std::string&) {
                return std::string(call) == "ftruncate";
            };
            second.ops.denyCreateUnder = h.root.home().string();
            ASSERT_TRUE(second.start());
            EXPECT_TRUE(second.dialogs.messages.empty()) << second.dialogs.messages.front();
            EXPECT_EQ(second.view.answer, " ");
            EXPECT_EQ(h.root.read(h.master()).substr(0, left.size()), left); // finished where it stood
            EXPECT_EQ(count(h.root.read(h.master()), answer), 1u);
            EXPECT_EQ(count(h.root.read(h.send()), answer), 1u);
            EXPECT_FALSE(pending());
            EXPECT_FALSE(second.tutor.handle(Event::Quit));
        }
        Restart third(h);
        ASSERT_TRUE(third.start());
        EXPECT_EQ(third.view.answer, " ");
        EXPECT_TRUE(third.dialogs.messages.empty());
        EXPECT_EQ(count(h.root.read(h.master()), answer), 1u);
        EXPECT_EQ(count(h.root.read(h.send()), answer), 1u);
        EXPECT_EQ(fileStartingWith(h, "cut-"), "");
    }
}

TEST(AfterACrash, TheRunTimeErrorReportAndTheSystemsEndKeepTheDraft)
{
    for (Event ending : {Event::NextPicture, Event::Terminated}) {
        SCOPED_TRACE(static_cast<int>(ending));
        std::vector<std::string> lines(4998);
        lines.push_back("001.  x"); // at 4999: "next picture" looks past the bank
        lines.push_back("`routine graph1");
        Harness h;
        h.useBank(std::move(lines));
        ASSERT_TRUE(h.start());
        h.view.answer = "typed just now";
        EXPECT_FALSE(h.tutor.handle(ending));
        EXPECT_TRUE(h.dialogs.questions.empty());
        const std::string draft = fileStartingWith(h, "draft-");
        ASSERT_NE(draft, "");
        EXPECT_EQ(draftText(h.root.read(draft)), "typed just now");
    }
}

#ifndef _WIN32
TEST(AfterACrash, OneWindowPerStudentAndAssignment)
{
    // The claim of another tutor: running (this test's parent), gone, or its
    // process id now used by another program (another start time).
    const std::int64_t parent = getppid();
    const std::string started = std::to_string(systemFileOps().processStarted(parent));
    const struct {
        const char* name;
        std::string claim;
        bool refused;
    } kCases[] = {
        {"running", std::to_string(parent) + " " + started + "\n", true},
        {"gone", "2147483600 5\n", false},
        {"id used again", std::to_string(parent) + " 1\n", false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Harness h;
        typedOnFirst(h, "first window's text");
        const std::string claim = fileStartingWith(h, "open-");
        ASSERT_NE(claim, "");
        std::ofstream(claim, std::ios::binary) << c.claim;
        const std::string master = h.root.read(h.master());
        const std::vector<std::string> state = stateFiles(h);

        Restart second(h);
        EXPECT_EQ(second.start(), !c.refused);
        if (c.refused) {
            EXPECT_EQ(second.dialogs.messages,
                      std::vector<std::string>{
                          "QA Tutor is already open for Ann Lee, assignment 001. Use that window."});
            EXPECT_EQ(h.root.read(h.master()), master);
            EXPECT_EQ(stateFiles(h), state);
            // Another student on the same account starts as usual.
            Restart other(h);
            EXPECT_TRUE(other.start("Bo Chen"));
            EXPECT_TRUE(other.dialogs.messages.empty());
        } else {
            EXPECT_EQ(second.view.answer, "first window's text");
        }
    }
}

TEST(AfterACrash, AStateFolderThatCannotBeUsedIsSaidOnceAtStart)
{
    const struct {
        const char* name;
        std::function<void(const std::string&)> spoil;
        const char* why;
    } kCases[] = {
        {"writable by all", [](const std::string& d) { fs::create_directories(d), chmod(d.c_str(), 0777); },
         "other users may write to it (its mode is 0777)"},
        {"a file in its place", [](const std::string& d) { std::ofstream(d) << "x"; }, "it is not a folder"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.useBank(kBank);
        c.spoil(h.root.state());
        ASSERT_TRUE(h.start());
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        const std::string& said = h.dialogs.messages[0];
        EXPECT_EQ(said.rfind("QA Tutor cannot use its folder for drafts, \"" + h.root.state() + "\": " + c.why, 0),
                  0u)
            << said;
        EXPECT_NE(said.find("not kept as a draft"), std::string::npos);
        EXPECT_NE(said.find("not repaired"), std::string::npos);
        EXPECT_NE(said.find("chmod 700"), std::string::npos);
        ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
        h.view.answer = "typed";
        ASSERT_TRUE(h.tutor.handle(Event::AnswerIdle));
        EXPECT_EQ(h.dialogs.messages.size(), 1u);
    }

    // Usable at start, then a draft that cannot be written while typing: said
    // when it happens, once.
    Harness h;
    typedOnFirst(h, "kept");
    h.ops.denyCreateUnder = h.root.state();
    for (const char* typed : {"kept, and more", "kept, and more still"}) {
        h.view.answer = typed;
        ASSERT_TRUE(h.tutor.handle(Event::AnswerIdle));
    }
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].rfind("Your text could not be kept as a draft in the folder", 0), 0u);
}
#endif

// A start-up repair killed at each of its file calls in turn, then a clean
// start: the cut text comes back exactly once, and the state folder is left
// with nothing but its draft. The text was recorded without a pause, so no
// draft holds it: only the repair keeps it.
TEST(AfterACrash, ASecondKillDuringTheStartUpRepairLosesNothing)
{
    for (int killAt = 1;; ++killAt) {
        SCOPED_TRACE(killAt);
        Harness h;
        onFirst(h, "cut short, and more");
        killedAtWrite(h, Event::EnterResponse, 2);

        // From the kill on, nothing the second start does reaches the disk.
        bool killed = false;
        {
            Restart second(h);
            int calls = 0;
            second.ops.onCall = [&calls, &killed, killAt](const char*, const std::string&) {
                killed = killed || ++calls == killAt;
                return killed;
            };
            second.start();
        }
        Restart clean(h);
        ASSERT_TRUE(clean.start());
        EXPECT_EQ(clean.view.answer, "cut short, and more");
        EXPECT_EQ(count(h.root.read(h.master()), "cut short"), 0u);
        EXPECT_EQ(count(h.root.read(h.send()), "cut short"), 0u);
        // Temporaries of this process stay: it is still running (the crash
        // campaign sees them go across real processes).
        for (const std::string& name : stateFiles(h))
            EXPECT_TRUE(name.rfind("draft-", 0) == 0 || name.rfind("open-", 0) == 0 ||
                        name.rfind("journal-", 0) == 0 || name.ends_with(".tmp"))
                << name;
        if (!killed) {
            std::printf("[ figures  ] start-up killed at each of its %d file calls in turn\n", killAt - 1);
            break; // the second start ran through: every call has had its kill
        }
    }
}

// A share that drops during a recording: the master file's block is written,
// the send file's write fails and the share is gone before the master file
// can be cut back. The student is told which file holds part of it; a click
// again while the share is down is refused the same way; quit with No keeps
// the draft. Whether the share comes back before the retry or only for the
// next start, the text ends up whole once in both files, or back in the box.
TEST(AfterACrash, AShareThatDropsDuringARecordingNeitherLosesNorDoublesIt)
{
    for (bool backBeforeRetry : {false, true}) {
        SCOPED_TRACE(backBeforeRetry ? "share back before the retry" : "share back at the next start");
        Harness h;
        typedOnFirst(h, "my answer");
        const std::string master = h.files.hostPath(h.tutor.session().paths().master);
        const std::string send = h.files.hostPath(h.tutor.session().paths().send);
        const fs::path away = h.root.home().string() + ".away";
        bool down = false;
        h.ops.onCall = [&](const char* call, const std::string& path) {
            if (std::string(call) == "write" && path == send && !down) {
                fs::rename(h.root.home(), away);
                down = true;
            }
            return down && (std::string(call) == "write" || std::string(call) == "ftruncate");
        };
        ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        for (int click = 0; click < 2; ++click) {
            const std::string& said = h.dialogs.messages.back();
            EXPECT_EQ(said.find("No record file was changed"), std::string::npos) << said;
            EXPECT_NE(said.find("The file \"" + master + "\" holds part of a recording"), std::string::npos)
                << said;
            EXPECT_NE(said.find("put right"), std::string::npos) << said;
            EXPECT_EQ(h.view.answer, "my answer");
            if (click == 0) { // clicked again while the share is still down
                ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
            }
        }
        ASSERT_EQ(h.dialogs.messages.size(), 2u);
        if (backBeforeRetry) {
            fs::rename(away, h.root.home());
            down = false;
            h.ops.onCall = nullptr;
            ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
            EXPECT_EQ(h.dialogs.messages.size(), 2u);
        }
        EXPECT_FALSE(h.tutor.handle(Event::Quit)); // asked, No: kept as a draft
        if (!backBeforeRetry) {
            EXPECT_NE(fileStartingWith(h, "draft-"), "");
            fs::rename(away, h.root.home());
        }
        Restart again(h);
        ASSERT_TRUE(again.start());
        if (!backBeforeRetry) {
            EXPECT_EQ(again.view.answer, "my answer");
            EXPECT_EQ(count(h.root.read(h.master()), "my answer"), 0u);
            EXPECT_EQ(count(h.root.read(h.send()), "my answer"), 0u);
            ASSERT_TRUE(again.tutor.handle(Event::EnterResponse));
        } else {
            EXPECT_EQ(again.view.answer, " ");
        }
        EXPECT_EQ(count(h.root.read(h.master()), "my answer"), 1u);
        EXPECT_EQ(count(h.root.read(h.send()), "my answer"), 1u);
        Restart third(h);
        ASSERT_TRUE(third.start());
        EXPECT_EQ(third.view.answer, " ");
        EXPECT_EQ(fileStartingWith(h, "cut-"), "");
    }
}

// Two recordings cut short for different questions, both set aside by one
// start: one comes back, the other stays set aside for a later start.
TEST(AfterACrash, TextsSetAsideForOtherQuestionsStayUntilTheirTurn)
{
    Harness h;
    onFirst(h, "first, cut short");
    killedAtWrite(h, Event::EnterResponse, 2);
    // Left by a program that is gone, and kept out of the way of the next
    // recording, which would put it right at once.
    const fs::path journal = fileStartingWith(h, "journal-");
    const std::string name = journal.filename().string();
    const fs::path gone = journal.parent_path() / (name.substr(0, name.rfind('-') + 1) + "2147483600");
    const fs::path aside = h.root.path + "/journal.aside";
    fs::rename(journal, aside);
    h.ops.onlyKinds = nullptr;
    h.view.answer = " ";
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    h.view.answer = "second, cut short";
    killedAtWrite(h, Event::EnterResponse, 1); // before its first write: the first one's block is last
    fs::rename(aside, gone);

    const std::vector<std::string> texts = {"first, cut short", "second, cut short"};
    Restart again(h);
    ASSERT_TRUE(again.start());
    const auto first = std::find(texts.begin(), texts.end(), again.view.answer);
    ASSERT_NE(first, texts.end()) << again.view.answer;
    EXPECT_NE(fileStartingWith(h, "cut-"), "");
    ASSERT_TRUE(again.tutor.handle(Event::EnterResponse));
    EXPECT_FALSE(again.tutor.handle(Event::Quit));

    Restart third(h);
    ASSERT_TRUE(third.start());
    EXPECT_EQ(third.view.answer, texts[first == texts.begin() ? 1 : 0]);
    ASSERT_TRUE(third.tutor.handle(Event::EnterResponse));
    for (const std::string& text : texts) {
        EXPECT_EQ(count(h.root.read(h.master()), text), 1u) << text;
        EXPECT_EQ(count(h.root.read(h.send()), text), 1u) << text;
    }
    EXPECT_EQ(fileStartingWith(h, "cut-"), "");
}

// A recording whose send file cannot be written, on a drive that lets nothing
// be cut back, in a folder where no file may be made: the master file keeps
// its whole block. The click again finishes it in the send file (at once, or
// after another failure that leaves it to be put right): with that text it
// records nothing more, and a changed text is recorded after it.
TEST(AfterACrash, AClickAgainAfterABlockTheMasterFileKeepsWholeDoesNotDoubleIt)
{
    const struct {
        const char* name;
        Event click;
        int failedRetries;
        const char* retried; // the box at the click again
    } kCases[] = {{"same text", Event::EnterResponse, 0, "my answer"},
                  {"same text, failed again first", Event::EnterResponse, 1, "my answer"},
                  {"same note", Event::SaveAsNotes, 0, "my answer"},
                  {"changed text", Event::EnterResponse, 0, "my other answer"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Harness h;
        typedOnFirst(h, "my answer");
        const std::string master = h.files.hostPath(h.tutor.session().paths().master);
        const std::string send = h.files.hostPath(h.tutor.session().paths().send);
        int sendFails = 1 + c.failedRetries;
        std::ofstream{h.notes()}; // made before the folder refuses new files
        h.ops.denyCreateUnder = h.root.home().string();
        h.ops.onCall = [&](const char* call, const std::string& path) {
            const bool fails = std::string(call) == "ftruncate" ||
                               (std::string(call) == "write" && path == send && sendFails-- > 0);
            h.ops.failErrno = std::string(call) == "ftruncate" ? EOPNOTSUPP : EIO;
            return fails;
        };
        ASSERT_TRUE(h.tutor.handle(c.click));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_NE(h.dialogs.messages[0].find("The file \"" + master + "\" holds part of a recording"),
                  std::string::npos)
            << h.dialogs.messages[0];
        h.view.answer = c.retried;
        for (int click = 0; click <= c.failedRetries; ++click)
            ASSERT_TRUE(h.tutor.handle(c.click));
        ASSERT_EQ(h.dialogs.messages.size(), 1u + c.failedRetries);
        const bool same = std::string(c.retried) == "my answer";
        EXPECT_EQ(h.view.answer, "");
        EXPECT_EQ(count(h.root.read(h.master()), "my answer"), 1u);
        EXPECT_EQ(count(h.root.read(h.send()), "my answer"), 1u);
        EXPECT_EQ(count(h.root.read(h.master()), "my other answer"), same ? 0u : 1u);
        EXPECT_EQ(count(h.root.read(h.send()), "my other answer"), same ? 0u : 1u);
        if (c.click == Event::SaveAsNotes) {
            EXPECT_EQ(count(h.root.read(h.notes()), "my answer"), 1u);
        }
        EXPECT_FALSE(h.tutor.handle(Event::Quit));
        nothingComesBack(h);
    }
}

// A recording written whole in every file whose sync failed, on a share that
// then dropped before it could be cut back: it stands in the files, and the
// student was told it is still to be put right. The click again with that
// text finds it whole and records nothing more; a changed text is recorded.
TEST(AfterACrash, AClickAgainAfterARecordingFoundWholeDoesNotDoubleIt)
{
    for (const char* retried : {"my answer", "my other answer"}) {
        SCOPED_TRACE(retried);
        Harness h;
        typedOnFirst(h, "my answer");
        const std::string send = h.files.hostPath(h.tutor.session().paths().send);
        bool down = false;
        h.ops.onCall = [&](const char* call, const std::string& path) {
            if (std::string(call) == "fsync" && path == send)
                down = true;
            return down && (std::string(call) == "fsync" || std::string(call) == "ftruncate");
        };
        ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_NE(h.dialogs.messages[0].find("put right"), std::string::npos) << h.dialogs.messages[0];
        EXPECT_EQ(count(h.root.read(h.send()), "my answer"), 1u);
        h.ops.onCall = nullptr; // the share is back
        h.view.answer = retried;
        ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
        EXPECT_EQ(h.view.answer, "");
        EXPECT_EQ(count(h.root.read(h.master()), "my answer"), 1u);
        EXPECT_EQ(count(h.root.read(h.send()), "my answer"), 1u);
        const std::size_t changed = std::string(retried) == "my answer" ? 0u : 1u;
        EXPECT_EQ(count(h.root.read(h.master()), "my other answer"), changed);
        EXPECT_EQ(count(h.root.read(h.send()), "my other answer"), changed);
        EXPECT_FALSE(h.tutor.handle(Event::Quit));
        Restart again(h);
        ASSERT_TRUE(again.start());
        EXPECT_EQ(again.view.answer, " ");
        EXPECT_EQ(count(h.root.read(h.master()), "my answer"), 1u);
        EXPECT_EQ(fileStartingWith(h, "cut-"), "");
        EXPECT_EQ(fileStartingWith(h, "draft-"), "");
    }
}
