#include "app/widgets/qt_dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QMessageBox>
#include <QShortcut>
#include <QTimer>
#include <utility>

#include "app/widgets/qt_text.h"

namespace qa::widgets {

namespace {

// Watches a widget for its first paint, then queues the work.
class FirstPaint final : public QObject {
public:
    FirstPaint(QWidget* widget, std::function<void()> work) : QObject(widget), work_(std::move(work))
    {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && work_) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, std::exchange(work_, nullptr));
        }
        return false;
    }

private:
    std::function<void()> work_;
};

// Ctrl+C in a message box puts its text on the clipboard, to be pasted into
// a mail to the instructor. Windows' own boxes do so already (with the title
// and the buttons), and Qt's do there too.
void copyOnCtrlC([[maybe_unused]] QMessageBox& box)
{
#ifndef Q_OS_WIN
    auto* copy = new QShortcut(QKeySequence::Copy, &box);
    QObject::connect(copy, &QShortcut::activated, &box,
                     [&box] { QApplication::clipboard()->setText(box.text()); });
#endif
}

} // namespace

void runWhenShown(QWidget* widget, std::function<void()> work)
{
    if (work)
        new FirstPaint(widget, std::move(work));
}

void preparePrompt(QInputDialog& dialog, const std::string& text)
{
    dialog.setWindowTitle(QApplication::applicationName());
    dialog.setLabelText(fromCore(text));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
}

TypedText QtDialogs::prompt(const std::string& text)
{
    QInputDialog dialog;
    preparePrompt(dialog, text);
    runWhenShown(&dialog, std::exchange(idleWork_, nullptr));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return toCore(dialog.textValue());
}

namespace {

void showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok);
    copyOnCtrlC(box);
    box.exec();
}

} // namespace

void QtDialogs::message(const std::string& text)
{
    showMessage(fromCore(text));
}

void QtDialogs::messageUtf8(const std::string& utf8)
{
    showMessage(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
                    .replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

Dialogs::Choice QtDialogs::ask(const std::string& text, bool offerCancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (offerCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), fromCore(text), buttons);
    box.setDefaultButton(QMessageBox::Yes);
    // Escape or closing the box: Cancel where it is offered, otherwise No.
    box.setEscapeButton(offerCancel ? QMessageBox::Cancel : QMessageBox::No);
    copyOnCtrlC(box);
    box.exec();
    if (box.clickedButton() == box.button(QMessageBox::Yes))
        return Choice::Yes;
    if (offerCancel && box.clickedButton() != box.button(QMessageBox::No))
        return Choice::Cancel;
    return Choice::No;
}

} // namespace qa::widgets
