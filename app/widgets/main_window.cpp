#include "app/widgets/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextCursor>
#include <map>
#include <vector>

#include "app/widgets/picture_box.h"
#include "app/widgets/qt_text.h"

namespace qa::widgets {
namespace {

enum class Kind { Button, Timer, TextBox, MultiLine, List, Picture, Label };

struct ControlDesign {
    const char* name;
    Kind kind;
    const char* caption;
    int left, top, width, height; // twips
    int tab;                      // -1: not in the tab order
    const char* accessibleName;   // for controls without a caption
};

// The controls in the order the window creates them.
const ControlDesign kControls[] = {
    {"cmd_clear_answer_box", Kind::Button, "clear box", 8280, 240, 855, 495, 28, nullptr},
    {"cmd_copy_picture", Kind::Button, "copy picture", 1200, 8160, 855, 495, 27, nullptr},
    {"cmd_next_picture", Kind::Button, "next picture", 1200, 7560, 855, 495, 25, nullptr},
    {"tmr_pend_exp", Kind::Timer, "", 8760, 7560, 0, 0, -1, nullptr},
    {"cmd_pend_exp", Kind::Button, "pend exp", 8640, 7560, 495, 375, 24, nullptr},
    {"cmd_quit", Kind::Button, "quit program", 10200, 0, 735, 495, 23, nullptr},
    {"cmd_display_note_file", Kind::Button, "display notes", 4440, 240, 975, 495, 22, nullptr},
    {"cmd_displayCumulativeText", Kind::Button, "display everything", 3600, 240, 855, 495, 21, nullptr},
    {"txt_parameter_3", Kind::TextBox, "1", 8205, 8160, 300, 285, 20, "Parameter 4"},
    {"txt_parameter_2", Kind::TextBox, "1", 8205, 7680, 300, 285, 18, "Parameter 3"},
    {"txt_parameter_1", Kind::TextBox, "1", 6720, 8160, 300, 285, 16, "Parameter 2"},
    {"txt_parameter_0", Kind::TextBox, "1", 6720, 7680, 300, 285, 14, "Parameter 1"},
    {"List1", Kind::List, "", 3120, 7680, 1695, 840, 12, "List"},
    {"cmd_timerTrigger", Kind::Button, "Trigger Timer", 2400, 7560, 735, 495, 11, nullptr},
    {"txt_paragraph_goback", Kind::TextBox, "1", 3120, 240, 495, 495, 9, "Number of sentences previous"},
    {"cmd_Make_Paragraph_question", Kind::Button, "Make Paragraph", 1200, 240, 855, 495, 8, nullptr},
    {"cmd_Make_paragraph", Kind::Button, "Make Paragraph", 7320, 240, 975, 495, 7, nullptr},
    {"cmd_save_as_notes", Kind::Button, "Save as Notes", 6480, 240, 855, 495, 6, nullptr},
    {"Picture2", Kind::Picture, "", 5640, 6080, 5055, 1375, 5, "Picture 2"},
    {"Picture1", Kind::Picture, "", 240, 6080, 5175, 1375, 4, "Picture 1"},
    {"cmd_enter_response", Kind::Button, "Enter Response", 5640, 240, 855, 495, 3, nullptr},
    {"cmdNextQuestion", Kind::Button, "Next Question / Answer", 240, 0, 975, 735, 2, nullptr},
    {"txt_answer", Kind::MultiLine, " ", 5640, 720, 5055, 5255, 1, "Answer box"},
    {"txt_question", Kind::MultiLine, "", 240, 720, 5175, 5255, 0, "Question box"},
    {"lbl_only_if_prompted", Kind::Label, "click only if prompted", 240, 7560, 855, 495, 26, nullptr},
    {"lbl_parameter_3", Kind::Label, "Parameter 4", 7200, 8160, 900, 195, 19, nullptr},
    {"lbl_parameter_2", Kind::Label, "Parameter 3", 7200, 7680, 1005, 195, 17, nullptr},
    {"lbl_parameter_1", Kind::Label, "Parameter 2", 5640, 8160, 855, 195, 15, nullptr},
    {"lbl_parameter_0", Kind::Label, "Parameter 1", 5640, 7680, 900, 195, 13, nullptr},
    {"lbl_paragraph_goback", Kind::Label, "# sentences previous", 2160, 240, 1095, 495, 10, nullptr},
};

constexpr int kTwipsPerPixel = 15;
int px(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

} // namespace

WrapButton::WrapButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

void WrapButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area = rect().adjusted(2, 1, -2, -1);
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, option.palette, isEnabled(), caption,
                         QPalette::ButtonText);
}

MainWindow::MainWindow(Files& files, Clock& clock, Random& random, Dialogs& dialogs)
{
    setObjectName("cmd_pend_exp");
    setWindowTitle("Form1");
    resize(px(10875), px(8595));
    buildControls();
    tutor_ = std::make_unique<Tutor>(Platform{files, clock, random, dialogs, *this});

    wire("cmdNextQuestion", Event::NextQuestion, QKeySequence(Qt::CTRL | Qt::Key_N));
    wire("cmd_enter_response", Event::EnterResponse, QKeySequence(Qt::CTRL | Qt::Key_Return));
    wire("cmd_save_as_notes", Event::SaveAsNotes, QKeySequence(Qt::CTRL | Qt::Key_S));
    wire("cmd_clear_answer_box", Event::ClearAnswerBox);
    wire("cmd_display_note_file", Event::DisplayNotes, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    wire("cmd_displayCumulativeText", Event::DisplayEverything, QKeySequence(Qt::CTRL | Qt::Key_E));
    wire("cmd_quit", Event::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
    wire("cmd_next_picture", Event::NextPicture);
    wire("cmd_copy_picture", Event::CopyPicture);
    wire("cmd_pend_exp", Event::PendExp);
    connect(timer_, &QTimer::timeout, this, [this] { fire(Event::TimerTick); });

    // The answer box is kept as a draft once the student pauses: at most two
    // seconds after the last change, never on the keystroke itself.
    draftTimer_ = new QTimer(this);
    draftTimer_->setObjectName("draftTimer");
    draftTimer_->setSingleShot(true);
    draftTimer_->setInterval(2000);
    connect(answer_->document(), &QTextDocument::contentsChanged, draftTimer_, qOverload<>(&QTimer::start));
    connect(draftTimer_, &QTimer::timeout, this, [this] { fire(Event::AnswerIdle); });

    // Ctrl+Enter on the keypad records too.
    auto* keypad = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), this);
    connect(keypad, &QShortcut::activated, this, [this] { fire(Event::EnterResponse); });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    std::map<int, QWidget*> byTab;
    for (const ControlDesign& c : kControls) {
        QWidget* w = nullptr;
        switch (c.kind) {
        case Kind::Timer:
            timer_ = new QTimer(this);
            timer_->setObjectName(c.name);
            timer_->setInterval(15);
            continue;
        case Kind::Button: w = new WrapButton(c.caption, this); break;
        case Kind::Label: {
            auto* label = new QLabel(c.caption, this);
            label->setWordWrap(c.height > 300); // one-line labels never wrap
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            w = label;
            break;
        }
        case Kind::TextBox: w = new QLineEdit(c.caption, this); break;
        case Kind::List: w = new QListWidget(this); break;
        case Kind::Picture: {
            auto* box = new PictureBox(this);
            (std::string_view(c.name) == "Picture1" ? picture1_ : picture2_) = box;
            w = box;
            break;
        }
        case Kind::MultiLine: {
            auto* edit = new QPlainTextEdit(this);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setTabChangesFocus(true);
            edit->setPlainText(QString::fromLatin1(c.caption));
            (std::string_view(c.name) == "txt_answer" ? answer_ : question_) = edit;
            w = edit;
            break;
        }
        }
        w->setObjectName(c.name);
        w->setGeometry(px(c.left), px(c.top), px(c.width), px(c.height));
        if (c.accessibleName)
            w->setAccessibleName(c.accessibleName);
        if (c.tab >= 0 && w->focusPolicy() != Qt::NoFocus)
            byTab[c.tab] = w;
    }
    QWidget* previous = nullptr;
    for (auto& [tab, w] : byTab) {
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    // The window opens with the focus on the first control of the tab order,
    // the question box, not on whichever button was created first.
    byTab.begin()->second->setFocus();
}

void MainWindow::wire(const char* control, Event event, const QKeySequence& shortcut)
{
    auto* button = findChild<QPushButton*>(control);
    connect(button, &QPushButton::clicked, this, [this, event] { fire(event); });
    if (!shortcut.isEmpty()) {
        button->setShortcut(shortcut);
        button->setToolTip(button->text() + " (" + shortcut.toString(QKeySequence::NativeText) + ")");
    }
}

void MainWindow::applyFonts()
{
    if (fontsApplied_)
        return;
    fontsApplied_ = true;
    QFont boxFont("Arial");
    boxFont.setPointSizeF(9.75);
    boxFont.setWeight(QFont::Normal);
    // Captions of buttons and labels are small, as the controls are.
    QFont captionFont("Arial");
    captionFont.setPointSizeF(8);
    QFont labelFont = captionFont;
    labelFont.setPointSizeF(7.5); // "Parameter 2" must fit its 57 pixels
    question_->setFont(boxFont);
    answer_->setFont(boxFont);
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<QPushButton*>(w) || qobject_cast<QLineEdit*>(w))
            w->setFont(captionFont);
        else if (qobject_cast<QLabel*>(w))
            w->setFont(labelFont);
    }
}

void MainWindow::warmUp()
{
    if (warm_)
        return;
    warm_ = true;
    applyFonts();
    // Polish and render the window once, off screen: fonts are loaded, the
    // style prepared and the glyphs cached before the window is first shown.
    QImage scratch(size(), QImage::Format_ARGB32_Premultiplied);
    render(&scratch);
}

bool MainWindow::load()
{
    fire(Event::Load);
    applyFonts(); // unless the wait for a prompt has done it already
    return !tutor_->ended();
}

void MainWindow::fire(Event event)
{
    // A handler runs to completion before the next event is taken. A modal
    // message box inside a handler still lets timer ticks through its own
    // event loop: those ticks are dropped (the next comes 15 ms later), and
    // any other event waits until the handler has returned.
    if (handling_) {
        if (event != Event::TimerTick)
            QTimer::singleShot(0, this, [this, event] { fire(event); });
        return;
    }
    handling_ = true;
    const bool running = tutor_->handle(event);
    handling_ = false;
    if (running)
        return;
    // The program has ended: stop the timers, close the window, end the loop.
    timer_->stop();
    draftTimer_->stop();
    close();
    emit programEnded();
}

void MainWindow::setQuestionText(const std::string& text)
{
    if (text.empty() && question_->document()->isEmpty())
        return; // nothing to clear: spare the box a layout and a repaint
    question_->setPlainText(fromCore(text));
}

void MainWindow::appendQuestionText(const std::string& text)
{
    if (text.empty())
        return;
    QTextCursor cursor(question_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(fromCore(text));
}

TypedText MainWindow::answerText()
{
    // The raw text keeps no-break spaces; the plain text would turn them into blanks.
    return toCore(answer_->document()->toRawText());
}

std::string MainWindow::answerDraft()
{
    QString text = answer_->document()->toRawText();
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    return text.replace(u'\n', QStringLiteral("\r\n")).toStdString();
}

void MainWindow::setAnswerDraft(const std::string& utf8)
{
    QTextCursor cursor(answer_->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(QString::fromStdString(utf8).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    cursor.endEditBlock();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!tutor_->ended())
        fire(Event::Quit);
    if (tutor_->ended())
        event->accept();
    else
        event->ignore();
}

void MainWindow::setAnswerText(const std::string& text)
{
    // One undoable edit, so Ctrl+Z brings back what the student had typed.
    QTextCursor cursor(answer_->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    if (text.empty())
        cursor.removeSelectedText();
    else
        cursor.insertText(fromCore(text));
    cursor.endEditBlock();
}

void MainWindow::answerRecorded()
{
    // Undo history before a recording is dropped, so it cannot grow without
    // bound over a long session; emptying the box afterwards stays undoable.
    answer_->document()->clearUndoRedoStacks();
}

void MainWindow::setPictureScale(Picture box, double width, double height)
{
    picture(box)->setScale(width, height);
}

void MainWindow::drawCircle(Picture box, double x, double y, double radius)
{
    picture(box)->drawCircle(x, y, radius);
}

void MainWindow::copyPicture()
{
    // Only the picture the box holds travels, not what was drawn on it.
    if (picture1_->picture().isNull())
        return;
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setPixmap(picture1_->picture());
    picture2_->setPicture(clipboard->pixmap());
}

void MainWindow::enableTimer()
{
    if (!timer_->isActive())
        timer_->start();
}

void MainWindow::beep()
{
    QApplication::beep();
}

} // namespace qa::widgets
