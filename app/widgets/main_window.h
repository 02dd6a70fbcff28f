#pragma once
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <memory>
#include <vector>

#include "app/tutor.h"
#include "app/view.h"

class QLabel;

namespace qa::widgets {

class PictureBox;

// A push button whose caption wraps onto several lines, as captions of small
// buttons must.
class WrapButton final : public QPushButton {
    Q_OBJECT
public:
    WrapButton(const QString& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The one window: its controls laid out as designed, each event forwarded to
// the tutor. Also the tutor's view of its controls.
class MainWindow final : public QWidget, public View {
    Q_OBJECT
public:
    MainWindow(Files& files, Clock& clock, Random& random, Dialogs& dialogs);
    ~MainWindow() override;

    // Runs the load event (start-up and assignment opening). False when the
    // program ended during it; the window must then not be shown.
    bool load();
    // The window is on screen.
    void shown() { fire(Event::Shown); }
    // The system ends the program (a logout, a shutdown, the display gone):
    // the answer box is kept as a draft, then the program ends as quit
    // would, without asking. Also while a dialog is up.
    void terminate();

    // Prepares the window's first paint (fonts, style, glyphs) in time the
    // program would otherwise spend waiting, such as while a prompt is open.
    void warmUp();

    Tutor& tutor() { return *tutor_; }
    QPlainTextEdit* questionBox() const { return question_; }
    QPlainTextEdit* answerBox() const { return answer_; }
    PictureBox* picture(int n) const { return n == 1 ? picture1_ : picture2_; }
    QTimer* timer() const { return timer_; }

    // View
    void setQuestionText(const std::string& text) override;
    void appendQuestionText(const std::string& text) override;
    TypedText answerText() override;
    std::string answerDraft() override;
    void setAnswerDraft(const std::string& utf8) override;
    void setAnswerText(const std::string& text) override;
    void answerRecorded() override;
    void setPictureScale(Picture box, double width, double height) override;
    void drawCircle(Picture box, double x, double y, double radius) override;
    void copyPicture() override;
    void enableTimer() override;
    void beep() override;

signals:
    // The program has ended: the window is closed and nothing more runs.
    void programEnded();

protected:
    // A button's shortcut clicks it at once: the button's own handling
    // would animate it first and click only when that ends.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing the window ends the program the way "quit program" does, and
    // may be cancelled the same way.
    void closeEvent(QCloseEvent* event) override;

private:
    class Builder;
    void buildControls();
    void wireControls();
    // Fonts are loaded on first use, which takes a while: they are set when
    // the window is warmed up, or at the end of loading at the latest.
    void applyFonts();
    void wire(QPushButton* button, Event event, const QKeySequence& shortcut = {});
    void fire(Event event);
    void fireDeferred();

    std::unique_ptr<Tutor> tutor_;
    QPlainTextEdit* question_ = nullptr;
    QPlainTextEdit* answer_ = nullptr;
    PictureBox* picture1_ = nullptr;
    PictureBox* picture2_ = nullptr;
    QTimer* timer_ = nullptr;
    QTimer* draftTimer_ = nullptr; // due two seconds after the first change not yet saved

    // The buttons that do something; the others are only shown.
    QPushButton* nextQuestion_ = nullptr;
    QPushButton* enterResponse_ = nullptr;
    QPushButton* saveAsNotes_ = nullptr;
    QPushButton* clearAnswerBox_ = nullptr;
    QPushButton* displayNotes_ = nullptr;
    QPushButton* displayEverything_ = nullptr;
    QPushButton* quit_ = nullptr;
    QPushButton* nextPicture_ = nullptr;
    QPushButton* copyPicture_ = nullptr;
    QPushButton* pendExp_ = nullptr;

    // By caption font: buttons and small text boxes; labels.
    std::vector<QWidget*> captioned_;
    std::vector<QLabel*> labels_;

    std::deque<Event> deferred_; // arrived while a handler was running
    bool warm_ = false;
    bool handling_ = false; // a handler is running
    bool fontsApplied_ = false;
};

} // namespace qa::widgets
