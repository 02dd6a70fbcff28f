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

#include "app/widgets/picture_box.h"
#include "app/widgets/qt_text.h"

namespace qa::widgets {
namespace {

// Where a control stands as designed, in twips (15 to a pixel).
struct Twips {
    int left, top, width, height;
};

constexpr int kTwipsPerPixel = 15;
int px(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

} // namespace

// Creates the controls one by one: name, place, tab stop and accessible name,
// and collects the tab order and the controls each caption font goes to.
class MainWindow::Builder {
public:
    explicit Builder(MainWindow& window) : window_(window) {}

    WrapButton* button(const char* name, const char* caption, Twips at, int tab)
    {
        auto* b = place(new WrapButton(caption, &window_), name, at, tab);
        window_.captioned_.push_back(b);
        return b;
    }
    // The small text boxes all start with "1".
    QLineEdit* textBox(const char* name, Twips at, int tab, const char* accessibleName)
    {
        auto* e = place(new QLineEdit("1", &window_), name, at, tab, accessibleName);
        window_.captioned_.push_back(e);
        return e;
    }
    QLabel* label(const char* name, const char* caption, Twips at)
    {
        auto* l = place(new QLabel(caption, &window_), name, at);
        l->setWordWrap(at.height > 300); // one-line labels never wrap
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        window_.labels_.push_back(l);
        return l;
    }
    QPlainTextEdit* textArea(const char* name, const char* text, Twips at, int tab, const char* accessibleName)
    {
        auto* e = place(new QPlainTextEdit(&window_), name, at, tab, accessibleName);
        e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        e->setTabChangesFocus(true);
        e->setPlainText(QString::fromLatin1(text));
        return e;
    }
    template <class W>
    W* place(W* w, const char* name, Twips at, int tab = -1, const char* accessibleName = nullptr)
    {
        w->setObjectName(name);
        w->setGeometry(px(at.left), px(at.top), px(at.width), px(at.height));
        if (accessibleName)
            w->setAccessibleName(accessibleName);
        if (tab >= 0)
            byTab_[tab] = w;
        return w;
    }

    // Tab runs through the controls by their tab stops; the window opens
    // with the focus on the first, the question box, not on whichever
    // button was created first.
    void setTabOrder()
    {
        QWidget* previous = nullptr;
        for (auto& [tab, w] : byTab_) {
            if (previous)
                QWidget::setTabOrder(previous, w);
            previous = w;
        }
        byTab_.begin()->second->setFocus();
    }

private:
    MainWindow& window_;
    std::map<int, QWidget*> byTab_;
};

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
    // The caption "Form1", and the window's name, which is also the "pend
    // exp" button's, look like leftovers. They are kept exactly as they are:
    // instructors' scripts and students' habits find the window by them.
    setObjectName("cmd_pend_exp");
    setWindowTitle("Form1");
    resize(px(10875), px(8595));
    buildControls();
    tutor_ = std::make_unique<Tutor>(Platform{files, clock, random, dialogs, *this});
    wireControls();
}

MainWindow::~MainWindow() = default;

// The controls as designed, kept exactly as students know them: names,
// captions (two buttons share "Make Paragraph"), places, tab stops. Some
// overlap their neighbours by a pixel, and "quit program" and "copy picture"
// run a few pixels past the window's edge; they are created in this order,
// which decides which of two overlapping controls is drawn on top.
void MainWindow::buildControls()
{
    Builder b(*this);
    clearAnswerBox_ = b.button("cmd_clear_answer_box", "clear box", {8280, 240, 855, 495}, 28);
    copyPicture_ = b.button("cmd_copy_picture", "copy picture", {1200, 8160, 855, 495}, 27);
    nextPicture_ = b.button("cmd_next_picture", "next picture", {1200, 7560, 855, 495}, 25);
    timer_ = new QTimer(this); // the pendulum timer, started by "pend exp"
    timer_->setObjectName("tmr_pend_exp");
    timer_->setInterval(15);
    pendExp_ = b.button("cmd_pend_exp", "pend exp", {8640, 7560, 495, 375}, 24);
    quit_ = b.button("cmd_quit", "quit program", {10200, 0, 735, 495}, 23);
    displayNotes_ = b.button("cmd_display_note_file", "display notes", {4440, 240, 975, 495}, 22);
    displayEverything_ = b.button("cmd_displayCumulativeText", "display everything", {3600, 240, 855, 495}, 21);
    // Shown, and typed into, but never read: the parameter boxes (numbered
    // from 0 by name, from 1 by caption), the list, the number of sentences,
    // "Trigger Timer" and both "Make Paragraph" buttons do nothing. They stay
    // where they are: instructors' notes and students' habits refer to the
    // window as it is.
    b.textBox("txt_parameter_3", {8205, 8160, 300, 285}, 20, "Parameter 4");
    b.textBox("txt_parameter_2", {8205, 7680, 300, 285}, 18, "Parameter 3");
    b.textBox("txt_parameter_1", {6720, 8160, 300, 285}, 16, "Parameter 2");
    b.textBox("txt_parameter_0", {6720, 7680, 300, 285}, 14, "Parameter 1");
    b.place(new QListWidget(this), "List1", {3120, 7680, 1695, 840}, 12, "List");
    b.button("cmd_timerTrigger", "Trigger Timer", {2400, 7560, 735, 495}, 11);
    b.textBox("txt_paragraph_goback", {3120, 240, 495, 495}, 9, "Number of sentences previous");
    b.button("cmd_Make_Paragraph_question", "Make Paragraph", {1200, 240, 855, 495}, 8);
    b.button("cmd_Make_paragraph", "Make Paragraph", {7320, 240, 975, 495}, 7);
    saveAsNotes_ = b.button("cmd_save_as_notes", "Save as Notes", {6480, 240, 855, 495}, 6);
    picture2_ = b.place(new PictureBox(this), "Picture2", {5640, 6080, 5055, 1375}, 5, "Picture 2");
    picture1_ = b.place(new PictureBox(this), "Picture1", {240, 6080, 5175, 1375}, 4, "Picture 1");
    enterResponse_ = b.button("cmd_enter_response", "Enter Response", {5640, 240, 855, 495}, 3);
    nextQuestion_ = b.button("cmdNextQuestion", "Next Question / Answer", {240, 0, 975, 735}, 2);
    // The answer box starts with a single blank, not empty: kept exactly,
    // as students' files and habits rely on it.
    answer_ = b.textArea("txt_answer", " ", {5640, 720, 5055, 5255}, 1, "Answer box");
    question_ = b.textArea("txt_question", "", {240, 720, 5175, 5255}, 0, "Question box");
    b.label("lbl_only_if_prompted", "click only if prompted", {240, 7560, 855, 495});
    b.label("lbl_parameter_3", "Parameter 4", {7200, 8160, 900, 195});
    b.label("lbl_parameter_2", "Parameter 3", {7200, 7680, 1005, 195});
    b.label("lbl_parameter_1", "Parameter 2", {5640, 8160, 855, 195});
    b.label("lbl_parameter_0", "Parameter 1", {5640, 7680, 900, 195});
    b.label("lbl_paragraph_goback", "# sentences previous", {2160, 240, 1095, 495});
    b.setTabOrder();
}

void MainWindow::wireControls()
{
    wire(nextQuestion_, Event::NextQuestion, QKeySequence(Qt::CTRL | Qt::Key_N));
    wire(enterResponse_, Event::EnterResponse, QKeySequence(Qt::CTRL | Qt::Key_Return));
    wire(saveAsNotes_, Event::SaveAsNotes, QKeySequence(Qt::CTRL | Qt::Key_S));
    wire(clearAnswerBox_, Event::ClearAnswerBox);
    wire(displayNotes_, Event::DisplayNotes, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    wire(displayEverything_, Event::DisplayEverything, QKeySequence(Qt::CTRL | Qt::Key_E));
    wire(quit_, Event::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
    wire(nextPicture_, Event::NextPicture);
    wire(copyPicture_, Event::CopyPicture);
    wire(pendExp_, Event::PendExp);
    connect(timer_, &QTimer::timeout, this, [this] { fire(Event::TimerTick); });

    // The answer box is kept as a draft two seconds after the first change
    // not yet saved. Later changes do not put the save off, so steady typing
    // is kept too; a keystroke costs no more than a look at the timer.
    draftTimer_ = new QTimer(this);
    draftTimer_->setObjectName("draftTimer");
    draftTimer_->setSingleShot(true);
    draftTimer_->setInterval(2000);
    connect(answer_->document(), &QTextDocument::contentsChanged, draftTimer_, [timer = draftTimer_] {
        if (!timer->isActive())
            timer->start();
    });
    connect(draftTimer_, &QTimer::timeout, this, [this] { fire(Event::AnswerIdle); });

    // Ctrl+Enter on the keypad records too.
    auto* keypad = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), this);
    connect(keypad, &QShortcut::activated, this, [this] { fire(Event::EnterResponse); });
}

void MainWindow::wire(QPushButton* button, Event event, const QKeySequence& shortcut)
{
    connect(button, &QPushButton::clicked, this, [this, event] { fire(event); });
    if (!shortcut.isEmpty()) {
        button->setShortcut(shortcut);
        button->installEventFilter(this);
        button->setToolTip(button->text() + " (" + shortcut.toString(QKeySequence::NativeText) + ")");
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Shortcut) {
        if (auto* button = qobject_cast<QPushButton*>(watched); button && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
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
    for (QWidget* w : captioned_)
        w->setFont(captionFont);
    for (QLabel* l : labels_)
        l->setFont(labelFont);
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

void MainWindow::terminate()
{
    if (!handling_) {
        fire(Event::Terminated);
        return;
    }
    tutor_->handle(Event::Terminated); // the dialog's own loop ends with the program's
    timer_->stop();
    draftTimer_->stop();
    emit programEnded();
}

void MainWindow::fire(Event event)
{
    // A handler runs to completion before the next event is taken. A modal
    // dialog inside a handler still lets timers through its own event loop:
    // pendulum ticks are dropped (the next comes 15 ms later); a draft that
    // falls due is saved at once, so nothing waits on the student's reply;
    // any other event is queued, not spun on, until the handler returns.
    if (handling_) {
        if (event == Event::AnswerIdle)
            tutor_->handle(event);
        else if (event != Event::TimerTick)
            deferred_.push_back(event);
        return;
    }
    handling_ = true;
    const bool running = tutor_->handle(event);
    handling_ = false;
    if (running) {
        if (!deferred_.empty())
            QTimer::singleShot(0, this, &MainWindow::fireDeferred);
        return;
    }
    deferred_.clear();
    // The program has ended: stop the timers, close the window, end the loop.
    timer_->stop();
    draftTimer_->stop();
    close();
    emit programEnded();
}

void MainWindow::fireDeferred()
{
    if (deferred_.empty())
        return;
    const Event next = deferred_.front();
    deferred_.pop_front();
    fire(next); // queues the rest once more
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

} // namespace qa::widgets
