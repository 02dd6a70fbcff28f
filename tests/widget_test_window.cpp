// The window as built: every control's kind, caption, place and name, the tab
// order, the fonts of the two big boxes, shortcuts and accessible names, and
// the controls that are shown but do nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <filesystem>
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

namespace {

enum class Kind { Button, TextBox, MultiLine, List, Picture, Label };

struct Control {
    const char* name;
    Kind kind;
    const char* text;             // caption or initial text
    int left, top, width, height; // twips
    int tab;
};

// The design table, in creation order (the timer is checked on its own).
const Control kTable[] = {
    {"cmd_clear_answer_box", Kind::Button, "clear box", 8280, 240, 855, 495, 28},
    {"cmd_copy_picture", Kind::Button, "copy picture", 1200, 8160, 855, 495, 27},
    {"cmd_next_picture", Kind::Button, "next picture", 1200, 7560, 855, 495, 25},
    {"cmd_pend_exp", Kind::Button, "pend exp", 8640, 7560, 495, 375, 24},
    {"cmd_quit", Kind::Button, "quit program", 10200, 0, 735, 495, 23},
    {"cmd_display_note_file", Kind::Button, "display notes", 4440, 240, 975, 495, 22},
    {"cmd_displayCumulativeText", Kind::Button, "display everything", 3600, 240, 855, 495, 21},
    {"txt_parameter_3", Kind::TextBox, "1", 8205, 8160, 300, 285, 20},
    {"txt_parameter_2", Kind::TextBox, "1", 8205, 7680, 300, 285, 18},
    {"txt_parameter_1", Kind::TextBox, "1", 6720, 8160, 300, 285, 16},
    {"txt_parameter_0", Kind::TextBox, "1", 6720, 7680, 300, 285, 14},
    {"List1", Kind::List, "", 3120, 7680, 1695, 840, 12},
    {"cmd_timerTrigger", Kind::Button, "Trigger Timer", 2400, 7560, 735, 495, 11},
    {"txt_paragraph_goback", Kind::TextBox, "1", 3120, 240, 495, 495, 9},
    {"cmd_Make_Paragraph_question", Kind::Button, "Make Paragraph", 1200, 240, 855, 495, 8},
    {"cmd_Make_paragraph", Kind::Button, "Make Paragraph", 7320, 240, 975, 495, 7},
    {"cmd_save_as_notes", Kind::Button, "Save as Notes", 6480, 240, 855, 495, 6},
    {"Picture2", Kind::Picture, "", 5640, 6080, 5055, 1375, 5},
    {"Picture1", Kind::Picture, "", 240, 6080, 5175, 1375, 4},
    {"cmd_enter_response", Kind::Button, "Enter Response", 5640, 240, 855, 495, 3},
    {"cmdNextQuestion", Kind::Button, "Next Question / Answer", 240, 0, 975, 735, 2},
    {"txt_answer", Kind::MultiLine, " ", 5640, 720, 5055, 5255, 1},
    {"txt_question", Kind::MultiLine, "", 240, 720, 5175, 5255, 0},
    {"lbl_only_if_prompted", Kind::Label, "click only if prompted", 240, 7560, 855, 495, 26},
    {"lbl_parameter_3", Kind::Label, "Parameter 4", 7200, 8160, 900, 195, 19},
    {"lbl_parameter_2", Kind::Label, "Parameter 3", 7200, 7680, 1005, 195, 17},
    {"lbl_parameter_1", Kind::Label, "Parameter 2", 5640, 8160, 855, 195, 15},
    {"lbl_parameter_0", Kind::Label, "Parameter 1", 5640, 7680, 900, 195, 13},
    {"lbl_paragraph_goback", Kind::Label, "# sentences previous", 2160, 240, 1095, 495, 10},
};

int pixels(int twips)
{
    return static_cast<int>(std::lround(twips / 15.0));
}

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

TEST(WidgetWindow, EveryControlHasItsKindCaptionPlaceAndName)
{
    Rig rig;
    for (const Control& c : kTable) {
        SCOPED_TRACE(c.name);
        const QList<QWidget*> named = rig.window.findChildren<QWidget*>(c.name);
        ASSERT_EQ(named.size(), 1) << "one control of this name";
        QWidget* w = named.front();
        EXPECT_EQ(w->parentWidget(), &rig.window);
        EXPECT_EQ(w->geometry(), QRect(pixels(c.left), pixels(c.top), pixels(c.width), pixels(c.height)));
        EXPECT_FALSE(w->isHidden());
        const QString text = QString::fromLatin1(c.text);
        switch (c.kind) {
        case Kind::Button: {
            auto* b = qobject_cast<QPushButton*>(w);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->text(), text);
            break;
        }
        case Kind::Label: {
            auto* l = qobject_cast<QLabel*>(w);
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(l->text(), text);
            break;
        }
        case Kind::TextBox: {
            auto* e = qobject_cast<QLineEdit*>(w);
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->text(), text);
            break;
        }
        case Kind::MultiLine: {
            auto* e = qobject_cast<QPlainTextEdit*>(w);
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->toPlainText(), text);
            EXPECT_FALSE(e->isReadOnly());
            EXPECT_EQ(e->lineWrapMode(), QPlainTextEdit::WidgetWidth);
            EXPECT_NE(e->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            break;
        }
        case Kind::List: {
            auto* l = qobject_cast<QListWidget*>(w);
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(l->count(), 0);
            break;
        }
        case Kind::Picture: EXPECT_NE(qobject_cast<PictureBox*>(w), nullptr); break;
        }
    }
    EXPECT_EQ(rig.window.questionBox(), rig.get<QPlainTextEdit>("txt_question"));
    EXPECT_EQ(rig.window.answerBox(), rig.get<QPlainTextEdit>("txt_answer"));
    EXPECT_EQ(rig.window.picture(1), rig.get<PictureBox>("Picture1"));
    EXPECT_EQ(rig.window.picture(2), rig.get<PictureBox>("Picture2"));
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

TEST(WidgetWindow, TabRunsThroughTheFocusableControlsInTableOrder)
{
    std::vector<const Control*> byTab;
    for (const Control& c : kTable)
        if (c.kind != Kind::Label)
            byTab.push_back(&c);
    std::sort(byTab.begin(), byTab.end(), [](auto* a, auto* b) { return a->tab < b->tab; });
    std::vector<std::string> expected;
    for (const Control* c : byTab)
        expected.push_back(c->name);
    ASSERT_EQ(expected.front(), "txt_question");
    ASSERT_EQ(expected.size(), 23u);

    Rig rig;
    ASSERT_TRUE(rig.load());
    ASSERT_TRUE(rig.showActive());
    // The window opens with the focus on the first control of the tab order,
    // so a blank typed at once cannot click a button.
    ASSERT_EQ(QApplication::focusWidget(), rig.window.questionBox());

    // Real Tab presses, once round and back to the start.
    std::vector<std::string> seen{"txt_question"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        ASSERT_NE(now, nullptr);
        seen.push_back(now->objectName().toStdString());
    }
    expected.push_back("txt_question");
    EXPECT_EQ(seen, expected);
    // Tab moves focus out of the big boxes instead of typing a tab.
    EXPECT_FALSE(rig.window.questionBox()->toPlainText().contains('\t'));
}

TEST(WidgetWindow, AccessibleNamesAndShortcutTooltips)
{
    Rig rig;
    std::set<QString> names;
    for (const char* name : {"txt_question", "txt_answer", "List1", "Picture1", "Picture2", "txt_parameter_0",
                             "txt_parameter_1", "txt_parameter_2", "txt_parameter_3", "txt_paragraph_goback"}) {
        QWidget* w = rig.get<QWidget>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_FALSE(w->accessibleName().trimmed().isEmpty()) << name;
        names.insert(w->accessibleName());
    }
    EXPECT_EQ(names.size(), 10u) << "each accessible name tells its control apart";

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

} // namespace
