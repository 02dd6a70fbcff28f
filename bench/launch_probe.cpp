#include "launch_probe.h"

#include <QApplication>
#include <QEvent>
#include <QInputDialog>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <utility>

#include "app/widgets/qt_dialogs.h"
#include "app/widgets/qt_text.h"

namespace qa::bench {

using widgets::preparePrompt;
using widgets::runWhenShown;
using widgets::toCore;

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
    preparePrompt(dialog, text);
    const QString reply = replies_.isEmpty() ? QString() : replies_.takeFirst();
    runWhenShown(&dialog, [this, &dialog, reply] {
        mark("prompt_shown");
        if (idleWork_)
            std::exchange(idleWork_, nullptr)(); // ahead of the answer: a student reads first
        dialog.setTextValue(reply);
        dialog.accept();
    });
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
    // Marked during the paint itself: the window is on screen from here on.
    if (watched == window_ && event->type() == QEvent::Paint) {
        window_ = nullptr;
        mark("window_shown");
        QTimer::singleShot(0, qApp, &QApplication::quit);
    }
    return false;
}

} // namespace qa::bench
