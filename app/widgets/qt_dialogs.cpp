#include "app/widgets/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

#include "app/widgets/qt_text.h"

namespace qa::widgets {

namespace {

// Watches a dialog for its first paint, then queues the work.
class FirstPaint final : public QObject {
public:
    FirstPaint(QWidget* dialog, std::function<void()>& work) : QObject(dialog), work_(work)
    {
        dialog->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && work_) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, [work = std::move(work_)] { work(); });
            work_ = nullptr;
        }
        return false;
    }

private:
    std::function<void()>& work_;
};

} // namespace

void runWhenShown(QWidget* dialog, std::function<void()>& work)
{
    if (work)
        new FirstPaint(dialog, work);
}

TypedText QtDialogs::prompt(const std::string& text)
{
    QInputDialog dialog;
    dialog.setWindowTitle(QApplication::applicationName());
    dialog.setLabelText(fromCore(text));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
    runWhenShown(&dialog, idleWork_);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return toCore(dialog.textValue());
}

void QtDialogs::message(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), fromCore(text), QMessageBox::Ok);
    box.exec();
}

} // namespace qa::widgets
