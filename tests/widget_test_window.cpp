// The window as built, as a student meets it: the tab order with each
// control's caption or accessible name, a few places measured on screen, the
// fonts, shortcuts, the controls that are shown but do nothing; and when the
// answer box is kept as a draft.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/widgets/main_window.h"
#include "app/widgets/picture_box.h"
#include "support/window_rig.h"

using namespace qa::testing;
using qa::widgets::MainWindow;
using qa::widgets::PictureBox;

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
}

namespace {

// A window over fakes and a temporary drive root, with the four prompts
// answered for assignment 001.
struct Rig : WindowRig {
    // Every file under the drive root with its bytes.
    std::map<std::string, std::string> disk() const
    {
        std::map<std::string, std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root.path))
            out[e.path().string()] = e.is_regular_file() ? root.read(e.path()) : "<dir>";
        return out;
    }
};

// What a student sees of a control: a button's or label's caption, or else
// the name a screen reader gives it.
QString seenAs(const QWidget* w)
{
    if (auto* b = qobject_cast<const QPushButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    return w->accessibleName();
}

TEST(WidgetWindow, TabOrderCaptionsAndAccessibleNames)
{
    Rig rig;
    ASSERT_TRUE(rig.load());
    ASSERT_TRUE(rig.showActive());
    // The window opens with the focus on the first control of the tab order,
    // so a blank typed at once cannot click a button.
    ASSERT_EQ(QApplication::focusWidget(), rig.window.questionBox());

    // Real Tab presses, once round and back to the start. Tab moves focus out
    // of the big boxes instead of typing a tab.
    const std::vector<QString> expected = {"Question box",
                                           "Answer box",
                                           "Next Question / Answer",
                                           "Enter Response",
                                           "Picture 1",
                                           "Picture 2",
                                           "Save as Notes",
                                           "Make Paragraph",
                                           "Make Paragraph",
                                           "Number of sentences previous",
                                           "Trigger Timer",
                                           "List",
                                           "Parameter 1",
                                           "Parameter 2",
                                           "Parameter 3",
                                           "Parameter 4",
                                           "display everything",
                                           "display notes",
                                           "quit program",
                                           "pend exp",
                                           "next picture",
                                           "copy picture",
                                           "clear box",
                                           "Question box"};
    std::vector<QString> seen{seenAs(QApplication::focusWidget())};
    std::set<QWidget*> reached{QApplication::focusWidget()};
    for (std::size_t i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        seen.push_back(seenAs(QApplication::focusWidget()));
        reached.insert(QApplication::focusWidget());
    }
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(rig.window.questionBox()->toPlainText().contains('\t'));

    // Every control the window shows is reached by Tab or is a label, and
    // each has a caption or an accessible name of its own.
    std::set<QString> labels;
    int controls = 0;
    for (QWidget* w : rig.window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        SCOPED_TRACE(w->objectName().toStdString());
        ++controls;
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(seenAs(w).trimmed().isEmpty());
        if (auto* l = qobject_cast<QLabel*>(w))
            labels.insert(l->text());
        else
            EXPECT_TRUE(reached.count(w));
    }
    EXPECT_EQ(controls, 29);
    EXPECT_EQ(labels, (std::set<QString>{"click only if prompted", "# sentences previous", "Parameter 1",
                                         "Parameter 2", "Parameter 3", "Parameter 4"}));
}

// A few controls' places, as they stand on screen in the window's client
// area, and which control a click at a spot reaches: where two overlap by a
// pixel, the one created later is on top; "quit program" and "copy picture"
// run past the client area's right and bottom edges.
TEST(WidgetWindow, AnchoredPlacesOnScreen)
{
    Rig rig;
    ASSERT_TRUE(rig.showActive());
    EXPECT_EQ(rig.window.size(), QSize(725, 573));
    const QPoint origin = rig.window.mapToGlobal(QPoint(0, 0));
    auto onScreen = [&](const char* name) {
        QWidget* w = rig.get<QWidget>(name);
        return w ? QRect(w->mapToGlobal(QPoint(0, 0)) - origin, w->size()) : QRect();
    };
    const struct {
        const char* name;
        QRect place;
    } anchored[] = {
        {"txt_question", {16, 48, 345, 350}},    {"txt_answer", {376, 48, 337, 350}},
        {"cmdNextQuestion", {16, 0, 65, 49}},    {"cmd_Make_Paragraph_question", {80, 16, 57, 33}},
        {"Picture1", {16, 405, 345, 92}},        {"cmd_quit", {680, 0, 49, 33}},
        {"cmd_copy_picture", {80, 544, 57, 33}}, {"cmd_pend_exp", {576, 504, 33, 25}},
    };
    for (const auto& a : anchored)
        EXPECT_EQ(onScreen(a.name), a.place) << a.name;

    const struct {
        QPoint at; // in the client area
        const char* control;
    } reached[] = {
        {{80, 20}, "cmdNextQuestion"}, // over "Make Paragraph" by one pixel
        {{81, 20}, "cmd_Make_Paragraph_question"},
        {{724, 10}, "cmd_quit"},
        {{100, 572}, "cmd_copy_picture"},
        {{20, 60}, "txt_question"},
    };
    for (const auto& r : reached) {
        QWidget* hit = QApplication::widgetAt(origin + r.at);
        while (hit && hit->parentWidget() != &rig.window)
            hit = hit->parentWidget();
        EXPECT_EQ(hit, rig.get<QWidget>(r.control)) << r.control;
    }
}

TEST(WidgetWindow, WindowTimerFontsAndPictureBoxes)
{
    Rig rig;
    EXPECT_EQ(rig.window.windowTitle(), QString("Form1"));
    EXPECT_EQ(rig.window.objectName(), QString("cmd_pend_exp"));
    auto* pendButton = rig.get<QPushButton>("cmd_pend_exp");
    ASSERT_NE(pendButton, nullptr);
    EXPECT_NE(static_cast<QWidget*>(pendButton), static_cast<QWidget*>(&rig.window));
    EXPECT_EQ(rig.window.size(), QSize(725, 573));

    QTimer* timer = rig.window.findChild<QTimer*>("tmr_pend_exp");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer, rig.window.timer());
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(timer->interval(), 15);

    ASSERT_TRUE(rig.showActive());
    for (int n : {1, 2}) {
        const QImage shown = rig.window.picture(n)->grab().toImage();
        ASSERT_FALSE(shown.isNull());
        for (QPoint at : {QPoint(1, 1), QPoint(shown.width() / 2, shown.height() / 2),
                          QPoint(shown.width() - 2, shown.height() - 2)})
            EXPECT_EQ(shown.pixelColor(at), QColor(Qt::white)) << "Picture" << n;
        EXPECT_TRUE(rig.window.picture(n)->picture().isNull());
    }

    // Loading gives both boxes a 1000 by 1000 drawing scale and leaves the
    // answer box holding its single blank.
    ASSERT_TRUE(rig.load());
    for (int n : {1, 2}) {
        EXPECT_EQ(rig.window.picture(n)->scaleWidth(), 1000);
        EXPECT_EQ(rig.window.picture(n)->scaleHeight(), 1000);
    }
    EXPECT_EQ(rig.window.answerBox()->toPlainText(), QString(" "));
    EXPECT_EQ(rig.window.questionBox()->toPlainText(), QString());
    EXPECT_FALSE(timer->isActive());

    // The fonts are set by the end of loading at the latest (the wait for the
    // first prompt may set them earlier), so the window never shows without.
    Rig warmed;
    warmed.window.warmUp();
    for (MainWindow* window : {&rig.window, &warmed.window}) {
        for (QPlainTextEdit* box : {window->questionBox(), window->answerBox()}) {
            SCOPED_TRACE(box->objectName().toStdString());
            const QFont f = box->font();
            EXPECT_EQ(f.family(), QString("Arial"));
            EXPECT_DOUBLE_EQ(f.pointSizeF(), 9.75);
            EXPECT_EQ(f.weight(), QFont::Normal);
            EXPECT_FALSE(f.italic());
            EXPECT_FALSE(f.underline());
            EXPECT_FALSE(f.strikeOut());
        }
    }
}

TEST(WidgetWindow, ShortcutsAndTheirTooltips)
{
    Rig rig;
    const struct {
        const char* button;
        const char* caption;
        QKeySequence keys;
    } shortcuts[] = {
        {"cmdNextQuestion", "Next Question / Answer", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"cmd_enter_response", "Enter Response", QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {"cmd_save_as_notes", "Save as Notes", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"cmd_displayCumulativeText", "display everything", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"cmd_display_note_file", "display notes", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
        {"cmd_quit", "quit program", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    for (const auto& s : shortcuts) {
        SCOPED_TRACE(s.button);
        auto* b = rig.get<QPushButton>(s.button);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QString(s.caption));
        EXPECT_EQ(b->shortcut(), s.keys);
        EXPECT_TRUE(b->toolTip().contains(s.keys.toString(QKeySequence::NativeText)))
            << b->toolTip().toStdString();
    }

    // The key acts at once, as a click does: no animation first.
    ASSERT_TRUE(rig.load());
    ASSERT_TRUE(rig.showActive());
    const QString before = rig.window.questionBox()->toPlainText();
    QTest::keyClick(&rig.window, Qt::Key_N, Qt::ControlModifier);
    EXPECT_NE(rig.window.questionBox()->toPlainText(), before);
}

TEST(WidgetWindow, InertControlsChangeNothing)
{
    Rig rig;
    ASSERT_TRUE(rig.load());
    ASSERT_TRUE(rig.showActive());
    rig.get<QPushButton>("cmdNextQuestion")->click();
    QTest::keyClicks(rig.window.answerBox(), "typed");
    const QString question = rig.window.questionBox()->toPlainText();
    const QString answer = rig.window.answerBox()->toPlainText();
    ASSERT_FALSE(question.isEmpty());
    const auto disk = rig.disk();
    const std::string transcript = rig.window.tutor().transcript().cumulativeText();
    const long long bankIndex = rig.window.tutor().cursor().bankIndex();
    const int draws = rig.random.draws;

    for (const char* name : {"cmd_timerTrigger", "cmd_Make_Paragraph_question", "cmd_Make_paragraph"}) {
        auto* b = rig.get<QPushButton>(name);
        QTest::mouseClick(b, Qt::LeftButton);
        b->click();
    }
    QTest::mouseClick(rig.get<QListWidget>("List1")->viewport(), Qt::LeftButton);
    for (const char* name :
         {"txt_paragraph_goback", "txt_parameter_0", "txt_parameter_1", "txt_parameter_2", "txt_parameter_3"}) {
        auto* e = rig.get<QLineEdit>(name);
        QTest::mouseClick(e, Qt::LeftButton);
        QTest::keyClicks(e, "7");
        QTest::keyClick(e, Qt::Key_Return);
    }
    for (const char* name : {"lbl_only_if_prompted", "lbl_parameter_0", "lbl_parameter_1", "lbl_parameter_2",
                             "lbl_parameter_3", "lbl_paragraph_goback"})
        QTest::mouseClick(rig.get<QLabel>(name), Qt::LeftButton);
    QTest::qWait(50);

    EXPECT_EQ(rig.window.questionBox()->toPlainText(), question);
    EXPECT_EQ(rig.window.answerBox()->toPlainText(), answer);
    EXPECT_EQ(rig.disk(), disk);
    EXPECT_EQ(rig.window.tutor().transcript().cumulativeText(), transcript);
    EXPECT_EQ(rig.window.tutor().cursor().bankIndex(), bankIndex);
    EXPECT_EQ(rig.random.draws, draws);
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_FALSE(rig.window.timer()->isActive());
    EXPECT_EQ(rig.window.picture(1)->circleCount(), 0);
    EXPECT_FALSE(rig.window.tutor().ended());
    EXPECT_TRUE(rig.window.isVisible());
}

// Dialogs that stay up, turning the event loop as a modal box does, until
// `until` holds or five seconds have passed; then they answer as scripted.
struct LingeringDialogs : ScriptedDialogs {
    std::function<bool()> until;
    std::vector<bool> held; // for each dialog: `until` held while it was up
    void linger()
    {
        QElapsedTimer up;
        up.start();
        bool done = false;
        while (until && !(done = until()) && up.elapsed() < 5000)
            QTest::qWait(20);
        held.push_back(done);
    }
    Choice ask(const std::string& text, bool offerCancel) override
    {
        linger();
        return ScriptedDialogs::ask(text, offerCancel);
    }
    void message(const std::string& text) override
    {
        linger();
        ScriptedDialogs::message(text);
    }
    void messageUtf8(const std::string& utf8) override
    {
        linger();
        ScriptedDialogs::messageUtf8(utf8);
    }
};

struct LingeringRig {
    TempRoot root;
    FakeClock clock;
    ScriptedRandom random;
    LingeringDialogs dialogs;
    FaultyFileOps ops;
    qa::Files files{ops, root.path, root.state()};
    MainWindow window{files, clock, random, dialogs};

    template <class T> T* get(const char* name) const { return window.findChild<T*>(name); }
    // Whether a draft file holds this text.
    bool draftHolds(const std::string& text) const
    {
        if (!std::filesystem::exists(root.state()))
            return false;
        for (const auto& e : std::filesystem::directory_iterator(root.state()))
            if (e.path().filename().string().starts_with("draft-") &&
                root.read(e.path()).find(text) != std::string::npos)
                return true;
        return false;
    }
};

// A draft is saved two seconds after the first change not yet saved: when
// the student types on without a pause that long, and when a question or a
// message is up in the meantime (the draft is saved while it is up).
TEST(WidgetDrafts, SavedTwoSecondsAfterTheFirstUnsavedChange)
{
    enum class Then { TypeOnSteadily, ClickQuit, RecordUnstorable };
    const struct {
        const char* name;
        const char* typed; // UTF-8
        Then then;
    } cases[] = {
        {"typing on with pauses under two seconds", "steady", Then::TypeOnSteadily},
        {"the end question is up", "asked", Then::ClickQuit},
        {"a message that refuses the text is up", "caf\xCF\x80", Then::RecordUnstorable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LingeringRig rig;
        for (const char* reply : {"1", "Ann Lee", "ABC", "1"})
            rig.dialogs.reply(reply);
        ASSERT_TRUE(rig.window.load());
        rig.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.window));
        QPlainTextEdit* box = rig.window.answerBox();
        box->setFocus();
        box->selectAll();
        for (QChar ch : QString::fromUtf8(c.typed)) // beyond ASCII, a key event carrying just its text
            QTest::sendKeyEvent(QTest::Click, box,
                                ch.unicode() < 0x80 ? Qt::Key(ch.toUpper().unicode()) : Qt::Key_unknown,
                                QString(ch), Qt::NoModifier);
        const std::string typed = c.typed;
        ASSERT_FALSE(rig.draftHolds(typed)) << "nothing is written on the keystroke";
        rig.dialogs.until = [&] { return rig.draftHolds(typed); };
        switch (c.then) {
        case Then::TypeOnSteadily: {
            QElapsedTimer typing;
            typing.start();
            while (!rig.draftHolds(typed) && typing.elapsed() < 5000) {
                QTest::qWait(250);
                QTest::keyClick(box, Qt::Key_Period);
            }
            EXPECT_TRUE(rig.draftHolds(typed));
            break;
        }
        case Then::ClickQuit:
            QTest::mouseClick(rig.get<QPushButton>("cmd_quit"), Qt::LeftButton);
            EXPECT_EQ(rig.dialogs.questions.size(), 1u);
            EXPECT_TRUE(rig.window.tutor().ended());
            break;
        case Then::RecordUnstorable:
            QTest::mouseClick(rig.get<QPushButton>("cmd_enter_response"), Qt::LeftButton);
            EXPECT_EQ(rig.dialogs.messages.size(), 1u);
            EXPECT_EQ(box->toPlainText(), QString::fromUtf8(c.typed));
            break;
        }
        EXPECT_EQ(rig.dialogs.held, std::vector<bool>(c.then == Then::TypeOnSteadily ? 0 : 1, true));
    }
}

} // namespace
