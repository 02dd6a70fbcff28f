// Whole sessions through the real window: questions, responses and notes
// typed into the answer box, the record files byte for byte, undo, shortcuts,
// refusals and failures, the end of the assignment, and the picture tools.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <string>

#include "app/widgets/main_window.h"
#include "app/widgets/picture_box.h"
#include "bank/builtin_content.h"
#include "records/layouts.h"
#include "support/window_rig.h"

using namespace qa::testing;
using qa::widgets::MainWindow;
namespace fs = std::filesystem;

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// The fixed texts of the record files come from the layouts; those of the
// window are as the student sees them.
using qa::records::kAssignmentLabel, qa::records::kClosingRule, qa::records::kDateLabel, qa::records::kIndent,
    qa::records::kInitialsLabel, qa::records::kNameLabel, qa::records::kNotesPrefix, qa::records::kOpeningRule,
    qa::records::kQuestionTag, qa::records::kResponseLabel, qa::records::kToNextZone;
const std::string kTime = "10:20:30";
const std::string kDate = "03-07-2026";
const std::string kQaMarker = " <-<-<-<-  Q/A:   ";
const std::string kAnswerMarker = " YOUR ANSWER  ->->->->  ";
const QString kPrompt = QString(
    "Enter, as appropriate, an answer to the question, a critique of your answer in response to a given answer, "
    "your insights regarding the situation at this point, notes to yourself, or just an OK.\n\nAlways critique "
    "your solutions by describing any insights you had or errors you makde, and by explaining how you can make "
    "use of the insight or how you now know how to avoid certain errors.  Also pose for the instructor any "
    "question or questions that you have related to the problem or series of problems.");

// The n-th question of the built-in assignment 001 (bank entries 3, 5, ..., 29).
std::string question(int n)
{
    return qa::bank::builtinContent().at(static_cast<std::size_t>(2 * n));
}

std::string crlf(const std::string& s)
{
    return s + "\r\n";
}

// What the question box shows for a core text of plain ASCII.
QString shown(std::string s)
{
    for (auto at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at))
        s.replace(at, 2, "\n");
    return QString::fromLatin1(s);
}

// The opening header of Ann Lee, initials ABC, assignment 001, with code
// number 19 and every later draw 0.5: 19 count characters of code 186.
std::string header(bool send)
{
    return crlf(std::string(19, '\xBA')) + crlf(std::string(kNameLabel) + "Ann Lee") +
           crlf(std::string(kAssignmentLabel) + "001") + crlf("001.  test 1") +
           crlf(std::string(kInitialsLabel) + "ABC") + crlf(kDateLabel + kDate + (send ? " " : "") + kTime);
}

std::string responseBlock(bool master, const std::string& currentLine, const std::string& answer,
                          const std::string& tag)
{
    std::string out = crlf(kOpeningRule) + crlf(kIndent + kTime);
    if (master)
        out += "\r\n\r\n" + crlf(kQuestionTag + tag);
    return out + crlf(currentLine) + crlf(kOpeningRule) + crlf(kResponseLabel) + crlf(answer) + crlf(kClosingRule);
}

std::string notesBlock(bool master, const std::string& currentLine, const std::string& note)
{
    return crlf(kOpeningRule) + crlf(kIndent + kTime) + crlf(kIndent + kDate + kTime) + crlf(currentLine) +
           crlf(kOpeningRule) + crlf(kNotesPrefix + note) + kClosingRule + (master ? "\r\n" : kToNextZone);
}

// Types each character as a key press. Characters beyond ASCII (a surrogate
// pair counts as one) go as key events carrying just their text.
void typeInto(QWidget* w, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString one(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            one += text[++i];
        if (one.size() == 1 && one[0].unicode() < 0x80)
            QTest::keyClick(w, one[0].toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, one, Qt::NoModifier);
    }
}

template <class Done> bool waitUntil(Done done, int ms = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QTest::qWait(10);
    }
    return true;
}

struct Session : WindowRig {
    QSignalSpy ended{&window, &MainWindow::programEnded};

    Session() { random.values = {0.0f}; } // code number 19

    void start()
    {
        ASSERT_TRUE(load());
        ASSERT_TRUE(showActive());
    }
    QPushButton* button(const char* name) const { return window.findChild<QPushButton*>(name); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    QPlainTextEdit* answer() const { return window.answerBox(); }
    QString answerText() const { return window.answerBox()->toPlainText(); }
    QString questionText() const { return window.questionBox()->toPlainText(); }
    // Replaces whatever the answer box holds by typing.
    void type(const QString& text)
    {
        answer()->setFocus();
        answer()->selectAll();
        typeInto(answer(), text);
    }
    void undo() { QTest::keyClick(answer(), Qt::Key_Z, Qt::ControlModifier); }

    fs::path master() const { return root.home() / "masterFile_Ann_Lee.txt"; }
    fs::path send() const { return root.home() / "send_0307Ann_Lee.txt"; }
    fs::path notes() const { return root.home() / "notes_Ann_Lee.txt"; }
};

TEST(WidgetSession, WholeSessionThroughTheWindow)
{
    Session s;
    s.start();
    const std::string masterHeader = header(false), sendHeader = header(true);
    ASSERT_EQ(s.root.read(s.master()), masterHeader);
    ASSERT_EQ(s.root.read(s.send()), sendHeader);
    EXPECT_FALSE(s.root.exists(s.notes()));

    // Two questions, appended with nothing between them; the second click puts
    // the prompt back, and Ctrl+Z brings back what was typed over it.
    s.click("cmdNextQuestion");
    EXPECT_EQ(s.questionText(), shown(question(1)));
    EXPECT_EQ(s.answerText(), QString(" "));
    s.answer()->setFocus();
    s.answer()->moveCursor(QTextCursor::End);
    QTest::keyClicks(s.answer(), "draft");
    ASSERT_EQ(s.answerText(), QString(" draft"));
    s.click("cmdNextQuestion");
    EXPECT_EQ(s.questionText(), shown(question(1) + question(2)));
    EXPECT_EQ(s.answerText(), kPrompt);
    s.undo();
    EXPECT_EQ(s.answerText(), QString(" draft"));

    // "clear box" empties the box, undoably, and does not put the prompt back.
    s.click("cmd_clear_answer_box");
    EXPECT_EQ(s.answerText(), QString());
    s.undo();
    EXPECT_EQ(s.answerText(), QString(" draft"));
    s.click("cmd_clear_answer_box");

    // A response typed on two lines.
    s.answer()->setFocus();
    QTest::keyClicks(s.answer(), "Line one");
    QTest::keyClick(s.answer(), Qt::Key_Return);
    QTest::keyClicks(s.answer(), "Line two");
    s.click("cmd_enter_response");
    EXPECT_EQ(s.questionText(), QString());
    EXPECT_EQ(s.answerText(), QString());
    const std::string masterResponse = responseBlock(true, question(2), "Line one\r\nLine two", " 10000 ");
    const std::string sendResponse = responseBlock(false, question(2), "Line one\r\nLine two", "");
    EXPECT_EQ(s.root.read(s.master()), masterHeader + masterResponse);
    EXPECT_EQ(s.root.read(s.send()), sendHeader + sendResponse);
    s.undo();
    EXPECT_EQ(s.answerText(), QString("Line one\nLine two")) << "emptying after a recording is undoable";
    // That was the one undo step left: what led up to the recording is not kept.
    EXPECT_FALSE(s.answer()->document()->isUndoAvailable());
    s.click("cmd_clear_answer_box");

    // After a recording the next question leaves the answer box alone; the one
    // after brings the prompt, and recording the prompt unchanged writes nothing.
    s.click("cmdNextQuestion");
    EXPECT_EQ(s.questionText(), shown(question(3)));
    EXPECT_EQ(s.answerText(), QString());
    s.click("cmdNextQuestion");
    EXPECT_EQ(s.answerText(), kPrompt);
    s.click("cmd_enter_response");
    EXPECT_EQ(s.questionText(), QString());
    EXPECT_EQ(s.answerText(), QString());
    EXPECT_EQ(s.root.read(s.master()), masterHeader + masterResponse);
    EXPECT_EQ(s.root.read(s.send()), sendHeader + sendResponse);

    // Two notes.
    s.click("cmdNextQuestion");
    EXPECT_EQ(s.answerText(), kPrompt);
    s.type("first note");
    s.click("cmd_save_as_notes");
    EXPECT_EQ(s.questionText(), QString());
    EXPECT_EQ(s.answerText(), QString());
    s.type("second note");
    s.click("cmd_save_as_notes");
    const std::string notesFile =
        notesBlock(false, question(5), "first note") + notesBlock(false, question(5), "second note");
    EXPECT_EQ(s.root.read(s.notes()), notesFile);
    EXPECT_EQ(s.root.read(s.master()), masterHeader + masterResponse +
                                           notesBlock(true, question(5), "first note") +
                                           notesBlock(true, question(5), "second note"));
    EXPECT_EQ(s.root.read(s.send()), sendHeader + sendResponse + notesFile);

    // The transcript, newest first, replaces the question box.
    s.click("cmdNextQuestion");
    s.click("cmd_displayCumulativeText");
    const std::string transcript = kQaMarker + question(6) + kAnswerMarker + "NOTES -------> second note" +
                                   kAnswerMarker + "NOTES -------> first note" + kQaMarker + question(5) +
                                   kQaMarker + question(4) + kQaMarker + question(3) + kAnswerMarker +
                                   "Line one\r\nLine two" + kQaMarker + question(2) + kQaMarker + question(1);
    EXPECT_EQ(s.questionText(), shown(transcript));

    // The notes file, with its line breaks, goes after what the box holds.
    s.click("cmd_display_note_file");
    EXPECT_EQ(s.questionText(), shown(transcript + notesFile));
    EXPECT_TRUE(s.dialogs.messages.empty());

    // Questions 7 to 14, then the end of the assignment: no message, nothing
    // written, the window closes and says so.
    const std::string masterBefore = s.root.read(s.master()), sendBefore = s.root.read(s.send());
    for (int n = 7; n <= 14; ++n) {
        s.click("cmdNextQuestion");
        ASSERT_EQ(s.ended.count(), 0) << "question " << n;
    }
    EXPECT_TRUE(s.questionText().endsWith(shown(question(13) + question(14))));
    s.click("cmdNextQuestion");
    EXPECT_EQ(s.ended.count(), 1);
    EXPECT_TRUE(s.window.tutor().ended());
    EXPECT_FALSE(s.window.isVisible());
    EXPECT_TRUE(s.dialogs.messages.empty());
    EXPECT_EQ(s.root.read(s.master()), masterBefore);
    EXPECT_EQ(s.root.read(s.send()), sendBefore);
}

TEST(WidgetSession, FailedRecordingKeepsTheBoxesAndWritesNothing)
{
    Session s;
    s.start();
    s.click("cmdNextQuestion");
    fs::create_directories(s.notes()); // the notes file cannot be opened
    const std::string master = s.root.read(s.master()), send = s.root.read(s.send());
    s.type("keep me");
    s.click("cmd_save_as_notes");

    ASSERT_EQ(s.dialogs.messages.size(), 1u);
    EXPECT_NE(s.dialogs.messages[0].find("notes_Ann_Lee.txt"), std::string::npos) << s.dialogs.messages[0];
    EXPECT_EQ(s.answerText(), QString("keep me"));
    EXPECT_EQ(s.questionText(), shown(question(1)));
    EXPECT_EQ(s.root.read(s.master()), master);
    EXPECT_EQ(s.root.read(s.send()), send);
    EXPECT_TRUE(fs::is_directory(s.notes()));
    EXPECT_EQ(s.ended.count(), 0);
    EXPECT_EQ(s.window.tutor().transcript().cumulativeText(), kQaMarker + question(1))
        << "nothing entered the transcript";

    // The program goes on: the same text can still be recorded as a response.
    s.click("cmd_enter_response");
    EXPECT_EQ(s.root.read(s.master()), master + responseBlock(true, question(1), "keep me", " 10000 "));
    EXPECT_EQ(s.answerText(), QString());
}

TEST(WidgetSession, DisplayNotesBeforeAnyNoteOnlySaysSo)
{
    Session s;
    s.start();
    s.click("cmdNextQuestion");
    s.click("cmd_display_note_file");
    ASSERT_EQ(s.dialogs.messages.size(), 1u);
    EXPECT_NE(QString::fromStdString(s.dialogs.messages[0]).indexOf("no notes", 0, Qt::CaseInsensitive), -1);
    EXPECT_EQ(s.questionText(), shown(question(1)));
    EXPECT_EQ(s.answerText(), QString(" "));
    EXPECT_FALSE(s.root.exists(s.notes()));
    EXPECT_EQ(s.ended.count(), 0);
}

TEST(WidgetSession, PiAndEmojiAreRefusedAndNoBreakSpaceIsKept)
{
    Session s;
    s.start();
    s.click("cmdNextQuestion");
    const std::string master = s.root.read(s.master()), send = s.root.read(s.send());
    const QString odd = QString::fromUtf16(u"r = 2\u03C0 \U0001F600");
    s.type(odd);
    ASSERT_EQ(s.answerText(), odd);
    for (const char* button : {"cmd_enter_response", "cmd_save_as_notes"}) {
        SCOPED_TRACE(button);
        s.dialogs.messages.clear();
        s.click(button);
        ASSERT_EQ(s.dialogs.messages.size(), 1u);
        const std::string& m = s.dialogs.messages[0];
        EXPECT_NE(m.find("\xCF\x80 (U+03C0), \xF0\x9F\x98\x80 (U+1F600)"), std::string::npos) << m;
        EXPECT_EQ(s.answerText(), odd);
        EXPECT_EQ(s.questionText(), shown(question(1)));
    }
    EXPECT_EQ(s.root.read(s.master()), master);
    EXPECT_EQ(s.root.read(s.send()), send);
    EXPECT_FALSE(s.root.exists(s.notes()));

    // A no-break space is a character of its own in the record files.
    s.type(QString::fromUtf16(u"a\u00A0b"));
    s.click("cmd_enter_response");
    EXPECT_EQ(s.root.read(s.master()), master + responseBlock(true, question(1),
                                                              "a\xA0"
                                                              "b",
                                                              " 10000 "));
    EXPECT_EQ(s.root.read(s.send()), send + responseBlock(false, question(1),
                                                          "a\xA0"
                                                          "b",
                                                          ""));
    EXPECT_EQ(s.ended.count(), 0);
}

TEST(WidgetSession, ShortcutsWorkWhileTypingInTheAnswerBox)
{
    Session s;
    s.start();
    s.answer()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), s.answer());

    QTest::keyClick(s.answer(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return s.questionText() == shown(question(1)); }));
    EXPECT_EQ(s.answerText(), QString(" ")) << "Ctrl+N typed nothing";

    const std::string master = s.root.read(s.master());
    s.type("by keys");
    QTest::keyClick(s.answer(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return s.root.read(s.master()) != master; }));
    EXPECT_EQ(s.root.read(s.master()), master + responseBlock(true, question(1), "by keys", " 10000 "))
        << "Ctrl+Return records without adding a line break";
    EXPECT_EQ(s.answerText(), QString());

    s.type("noted");
    QTest::keyClick(s.answer(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return s.root.exists(s.notes()); }));
    EXPECT_EQ(s.root.read(s.notes()), notesBlock(false, question(1), "noted"));

    s.answer()->setFocus();
    QTest::keyClick(s.answer(), Qt::Key_E, Qt::ControlModifier);
    const QString transcript =
        shown(kAnswerMarker + "NOTES -------> noted" + kAnswerMarker + "by keys" + kQaMarker + question(1));
    EXPECT_TRUE(waitUntil([&] { return s.questionText() == transcript; })) << s.questionText().toStdString();

    s.answer()->setFocus();
    QTest::keyClick(s.answer(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(waitUntil(
        [&] { return s.questionText() == transcript + shown(notesBlock(false, question(1), "noted")); }));
    EXPECT_EQ(s.questionText().count(QString::fromLatin1(question(2))), 0) << "Ctrl+Shift+N is not Ctrl+N";

    s.answer()->setFocus();
    QTest::keyClick(s.answer(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(waitUntil([&] { return s.ended.count() == 1; }));
    EXPECT_TRUE(s.dialogs.messages.empty());
}

TEST(WidgetSession, PictureTools)
{
    Session s;
    s.start();
    qa::widgets::PictureBox* p1 = s.window.picture(1);
    qa::widgets::PictureBox* p2 = s.window.picture(2);

    // Nothing ticks before "pend exp".
    QTest::qWait(40);
    EXPECT_FALSE(s.window.timer()->isActive());
    EXPECT_EQ(p1->circleCount(), 0);

    // Copying when Picture1 holds no picture copies nothing.
    s.click("cmd_copy_picture");
    EXPECT_TRUE(p2->picture().isNull());
    EXPECT_TRUE(s.dialogs.messages.empty());
    EXPECT_EQ(s.ended.count(), 0);

    s.click("cmd_pend_exp");
    EXPECT_TRUE(s.window.timer()->isActive());
    EXPECT_EQ(s.window.timer()->interval(), 15);
    QTest::qWait(60);
    EXPECT_TRUE(waitUntil([&] { return p1->circleCount() >= 2; }));
    EXPECT_EQ(p2->circleCount(), 0);
    s.click("cmd_pend_exp");
    EXPECT_TRUE(s.window.timer()->isActive());

    // Every draw is 0.5: a circle of radius 250 around (500, 500) in a 1000 by
    // 1000 scale, so its right edge crosses the middle row three quarters of
    // the way across, and its centre stays clear.
    const QImage& drawn = p1->drawing();
    ASSERT_FALSE(drawn.isNull());
    const int midRow = p1->height() / 2;
    const int edge = p1->width() * 3 / 4;
    int inked = 0;
    for (int x = edge - 2; x <= edge + 2; ++x)
        for (int y = midRow - 1; y <= midRow + 1; ++y)
            inked += drawn.pixelColor(x, y).alpha() > 0;
    EXPECT_GT(inked, 0);
    EXPECT_EQ(drawn.pixelColor(p1->width() / 2, midRow).alpha(), 0);

    // With a picture in Picture1, Picture2 receives that picture, not the circles.
    QPixmap red(40, 30);
    red.fill(Qt::red);
    p1->setPicture(red);
    s.click("cmd_copy_picture");
    const QImage copied = p2->picture().toImage();
    ASSERT_EQ(copied.size(), QSize(40, 30));
    EXPECT_EQ(copied.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(copied.pixelColor(39, 29), QColor(Qt::red));
    EXPECT_EQ(p2->circleCount(), 0);
    EXPECT_TRUE(p2->drawing().isNull());
    EXPECT_EQ(p1->picture().toImage().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_TRUE(s.dialogs.messages.empty());
    EXPECT_EQ(s.ended.count(), 0);
}

} // namespace

// A message box inside a handler runs its own event loop, which still delivers
// the pendulum timer: its ticks must not run while the handler is under way.
TEST(WidgetSession, TimerTicksNeverRunInsideAnotherHandler)
{
    struct WaitingDialogs : ScriptedDialogs {
        std::function<void()> whileShown;
        void message(const std::string& text) override
        {
            ScriptedDialogs::message(text);
            if (whileShown)
                whileShown();
        }
    };
    WaitingDialogs dialogs;
    TempRoot root;
    FakeClock clock;
    ScriptedRandom random;
    qa::Files files(qa::systemFileOps(), root.path, root.state());
    MainWindow window(files, clock, random, dialogs);
    for (const char* reply : {"1", "Ann Lee", "ABC", "1"})
        dialogs.reply(reply);
    ASSERT_TRUE(window.load());
    window.show();

    window.findChild<QPushButton*>("cmd_pend_exp")->click();
    ASSERT_TRUE(window.timer()->isActive());
    int circlesDuringMessage = -1;
    dialogs.whileShown = [&] {
        const int before = window.picture(1)->circleCount();
        QTest::qWait(80); // about five ticks' worth of events
        circlesDuringMessage = window.picture(1)->circleCount() - before;
    };
    // "display notes" before any note shows a message from inside its handler.
    window.findChild<QPushButton*>("cmd_display_note_file")->click();
    EXPECT_EQ(circlesDuringMessage, 0);
    dialogs.whileShown = nullptr;
    QTest::qWait(60);
    EXPECT_GT(window.picture(1)->circleCount(), 0); // and the timer goes on afterwards
}

// Typed text is never lost: every way of ending asks first when the answer
// box holds text that was not recorded, and keeps it as a draft on No.
namespace {

enum class Ending { QuitButton, CtrlQ, CloseWindow, EndOfAssignment, RoutineLine };

const std::string kUnrecordedQuestion =
    "Your text in the answer box has not been recorded. Record it as a response before the program ends?";

// The draft files of the state directory and the text each holds.
std::vector<std::string> drafts(const Session& s)
{
    std::vector<std::string> out;
    if (!fs::exists(s.root.state()))
        return out;
    for (const auto& entry : fs::directory_iterator(s.root.state())) {
        if (entry.path().filename().string().rfind("draft-", 0) != 0)
            continue;
        out.push_back(draftText(s.root.read(entry.path())));
    }
    return out;
}

// Shows the item the ending happens on: the last question of the assignment,
// the question before a routine line that ends the program, or the first.
void reachEnding(Session& s, Ending how)
{
    if (how == Ending::RoutineLine)
        s.window.tutor().setBankLoader([](qa::QuestionBank& bank, long long& index) {
            for (const char* line : {"001.  one", "`q1 the only question", "`routine exitprog", "002.  two"})
                bank.storeNext(index, line);
        });
    s.start();
    const int clicks = how == Ending::EndOfAssignment ? 14 : 1;
    for (int n = 0; n < clicks; ++n)
        s.click("cmdNextQuestion");
}

void end(Session& s, Ending how)
{
    switch (how) {
    case Ending::QuitButton: s.click("cmd_quit"); break;
    case Ending::CtrlQ: // a shortcut clicks its button a moment later
        s.answer()->setFocus();
        QTest::keyClick(s.answer(), Qt::Key_Q, Qt::ControlModifier);
        waitUntil([&] { return s.ended.count() > 0 || !s.dialogs.questions.empty(); });
        break;
    case Ending::CloseWindow: s.window.close(); break;
    case Ending::EndOfAssignment:
    case Ending::RoutineLine: s.click("cmdNextQuestion"); break;
    }
}

} // namespace

TEST(WidgetUnrecorded, EveryEndingAsksOnlyAboutUnrecordedText)
{
    const struct {
        Ending how;
        const char* name;
        bool cancel;
    } kEndings[] = {
        {Ending::QuitButton, "quit program", true},        {Ending::CtrlQ, "Ctrl+Q", true},
        {Ending::CloseWindow, "closing the window", true}, {Ending::EndOfAssignment, "end of assignment", false},
        {Ending::RoutineLine, "routine line", false},
    };
    for (const auto& e : kEndings) {
        // Nothing typed: the box holds its first blank, or the prompt put back.
        Session quiet;
        reachEnding(quiet, e.how);
        const std::string master = quiet.root.read(quiet.master());
        end(quiet, e.how);
        EXPECT_EQ(quiet.ended.count(), 1) << e.name;
        EXPECT_TRUE(quiet.dialogs.questions.empty()) << e.name;
        EXPECT_TRUE(drafts(quiet).empty()) << e.name;
        EXPECT_EQ(quiet.root.read(quiet.master()), master) << e.name;

        // Typed and not recorded, then No: the program ends, the text is a draft.
        Session typed;
        reachEnding(typed, e.how);
        typed.type(QString::fromUtf8("unsaved \xCF\x80 answer"));
        const std::string before = typed.root.read(typed.master());
        end(typed, e.how);
        EXPECT_EQ(typed.ended.count(), 1) << e.name;
        ASSERT_EQ(typed.dialogs.questions.size(), 1u) << e.name;
        EXPECT_EQ(typed.dialogs.questions[0], kUnrecordedQuestion) << e.name;
        EXPECT_EQ(typed.dialogs.cancelOffered[0], e.cancel) << e.name;
        EXPECT_EQ(drafts(typed), std::vector<std::string>{"unsaved \xCF\x80 answer"}) << e.name;
        EXPECT_EQ(typed.root.read(typed.master()), before) << e.name;
    }

    // Recorded, then brought back by undo: nothing unrecorded, no question.
    Session undone;
    reachEnding(undone, Ending::QuitButton);
    undone.type("kept");
    undone.click("cmd_enter_response");
    undone.undo();
    ASSERT_EQ(undone.answerText(), QString("kept"));
    undone.click("cmd_quit");
    EXPECT_EQ(undone.ended.count(), 1);
    EXPECT_TRUE(undone.dialogs.questions.empty());
}

TEST(WidgetUnrecorded, YesRecordsAsEnterResponseWouldHaveCancelKeepsEverything)
{
    // At the end of the assignment, Yes records what the box held before the
    // click put the prompt back, on the last question: the same bytes as
    // "Enter Response" just before the click.
    Session asked, entered;
    for (Session* s : {&asked, &entered}) {
        reachEnding(*s, Ending::EndOfAssignment);
        s->type("last answer");
    }
    asked.dialogs.choices = {qa::Dialogs::Choice::Yes};
    asked.click("cmdNextQuestion");
    entered.click("cmd_enter_response");
    EXPECT_EQ(asked.ended.count(), 1);
    EXPECT_EQ(asked.root.read(asked.master()), entered.root.read(entered.master()));
    EXPECT_EQ(asked.root.read(asked.send()), entered.root.read(entered.send()));
    EXPECT_TRUE(drafts(asked).empty());

    // Cancel: the program goes on with everything as it was.
    Session s;
    reachEnding(s, Ending::QuitButton);
    s.type("second thoughts");
    const std::string master = s.root.read(s.master());
    s.dialogs.choices = {qa::Dialogs::Choice::Cancel};
    end(s, Ending::CtrlQ);
    EXPECT_EQ(s.dialogs.questions.size(), 1u);
    EXPECT_EQ(s.ended.count(), 0);
    EXPECT_TRUE(s.window.isVisible());
    EXPECT_EQ(s.answerText(), QString("second thoughts"));
    EXPECT_EQ(s.root.read(s.master()), master);

    // Yes whose recording fails: the failure is shown, the program stays
    // open with the text in the box; once the fault is gone, Yes records it.
    s.ops.onlyKinds = [](FaultyFileOps::Kind k) { return k == FaultyFileOps::Kind::Write; };
    s.ops.counted = 0;
    s.ops.failAt = 1;
    s.dialogs.choices = {qa::Dialogs::Choice::Yes, qa::Dialogs::Choice::Yes};
    s.window.close();
    EXPECT_EQ(s.ended.count(), 0);
    ASSERT_EQ(s.dialogs.messages.size(), 1u);
    EXPECT_EQ(s.dialogs.messages[0].rfind("Your text was not recorded: ", 0), 0u);
    EXPECT_EQ(s.answerText(), QString("second thoughts"));
    EXPECT_EQ(s.root.read(s.master()), master);
    s.ops.failAt = 0;
    s.click("cmd_quit");
    EXPECT_EQ(s.ended.count(), 1);
    EXPECT_EQ(s.root.read(s.master()), master + responseBlock(true, question(1), "second thoughts", " 10000 "));

    // At the end of the assignment a failing Yes puts the text back in place
    // of the prompt.
    Session last;
    reachEnding(last, Ending::EndOfAssignment);
    last.type("last answer");
    last.ops.onlyKinds = [](FaultyFileOps::Kind k) { return k == FaultyFileOps::Kind::Write; };
    last.ops.counted = 0;
    last.ops.failAt = 1;
    last.dialogs.choices = {qa::Dialogs::Choice::Yes};
    last.click("cmdNextQuestion");
    EXPECT_EQ(last.ended.count(), 0);
    EXPECT_EQ(last.answerText(), QString("last answer"));
}

TEST(WidgetUnrecorded, DraftSavedWhileTypingClearedByRecordingBackAtTheNextStart)
{
    Session s;
    s.start();
    s.click("cmdNextQuestion");
    s.type(QString::fromUtf8("first \xCF\x80"));
    EXPECT_TRUE(drafts(s).empty()) << "nothing is written on the keystroke";
    ASSERT_TRUE(waitUntil([&] { return !drafts(s).empty(); }, 4000));
    EXPECT_EQ(drafts(s), std::vector<std::string>{"first \xCF\x80"});

    s.type("first");
    s.click("cmd_enter_response");
    EXPECT_TRUE(drafts(s).empty());

    // The program dies with a draft on disk; the next start of the same
    // student and assignment puts it back once the window is shown.
    s.click("cmdNextQuestion");
    s.type(QString::fromUtf8("second \xCF\x80"));
    QTest::keyClick(s.answer(), Qt::Key_Return);
    typeInto(s.answer(), "line");
    ASSERT_TRUE(waitUntil([&] { return !drafts(s).empty(); }, 4000));
    s.clock.secondsOfDay = 11 * 3600;
    qa::widgets::MainWindow again(s.files, s.clock, s.random, s.dialogs);
    for (const char* reply : {"1", "Ann Lee", "ABC", "1"})
        s.dialogs.reply(reply);
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.answerBox()->toPlainText(), QString(" "));
    const std::size_t messages = s.dialogs.messages.size();
    again.show();
    again.shown();
    ASSERT_EQ(s.dialogs.messages.size(), messages + 1);
    const std::string& back = s.dialogs.messages.back();
    EXPECT_EQ(back.rfind("The text you had not recorded for the question \"", 0), 0u) << back;
    EXPECT_NE(back.find("\" on 03-07-2026 at 10:20:30 is back in the answer box."), std::string::npos) << back;
    EXPECT_EQ(again.answerBox()->toPlainText(), QString::fromUtf8("second \xCF\x80\nline"));

    // Another assignment has no draft; a state folder that cannot be made is
    // said once, at start, and typing on says nothing more.
    Session other;
    other.ops.denyCreateUnder = other.root.state();
    other.start();
    ASSERT_EQ(other.dialogs.messages.size(), 1u);
    EXPECT_EQ(other.dialogs.messages[0].rfind("QA Tutor cannot use its folder for drafts", 0), 0u);
    other.type("nowhere to keep it");
    QTest::qWait(2300);
    EXPECT_EQ(other.dialogs.messages.size(), 1u);
    EXPECT_TRUE(drafts(other).empty());
}
