#include "app/widgets/launch_probe.h"

#include <QApplication>
#include <QEvent>
#include <QInputDialog>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

#include "app/widgets/qt_dialogs.h"
#include "app/widgets/qt_text.h"

namespace qa::widgets {

LaunchProbe* LaunchProbe::fromEnvironment(QObject* parent)
{
    const QByteArray replies = qgetenv("QA_TUTOR_PROBE");
    if (replies.isNull())
        return nullptr;
    return new LaunchProbe(QString::fromUtf8(replies).split(u'|'), parent);
}

LaunchProbe::LaunchProbe(const QStringList& replies, QObject* parent) : QObject(parent), replies_(replies) {}

void LaunchProbe::mark(const char* event)
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::fprintf(stderr, "probe %s %lld\n", event, static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec);
    std::fflush(stderr);
}

TypedText LaunchProbe::prompt(const std::string& text)
{
    QInputDialog dialog;
    dialog.setWindowTitle(QApplication::applicationName());
    dialog.setLabelText(fromCore(text));
    const QString reply = replies_.isEmpty() ? QString() : replies_.takeFirst();
    bool painted = false;
    struct Watch : QObject {
        bool* painted;
        QInputDialog* dialog;
        QString reply;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint && !*painted) {
                *painted = true;
                mark("prompt_shown");
                QTimer::singleShot(0, dialog, [d = dialog, r = reply] {
                    d->setTextValue(r);
                    d->accept();
                });
            }
            return false;
        }
    } watch;
    watch.painted = &painted;
    watch.dialog = &dialog;
    watch.reply = reply;
    runWhenShown(&dialog, idleWork_); // ahead of the answer: a student reads first
    dialog.installEventFilter(&watch);
    const int result = dialog.exec();
    mark("prompt_answered");
    return result == QDialog::Accepted ? toCore(dialog.textValue()) : TypedText{};
}

void LaunchProbe::message(const std::string& text)
{
    std::fprintf(stderr, "probe-message %s\n", text.c_str());
}

void LaunchProbe::watchWindow(QWidget* window)
{
    window_ = window;
    window->installEventFilter(this);
}

bool LaunchProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Paint) {
        window_ = nullptr;
        mark("window_shown");
        QTimer::singleShot(0, qApp, &QApplication::quit);
    }
    return false;
}

} // namespace qa::widgets
