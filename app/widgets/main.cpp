// qa-tutor: a question-and-answer tutor for distance students.
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "app/widgets/main_window.h"
#include "app/widgets/qt_dialogs.h"
#include "platform/clock.h"
#include "platform/file_ops.h"
#include "platform/random.h"
#include "store/files.h"

namespace {

// The window while the event loop runs: a display that goes away ends the
// program through exit(), whose handlers still keep the draft.
qa::widgets::MainWindow* running = nullptr;

void keepDraftAtExit()
{
    // Only the tutor: the window cannot be closed without its display.
    if (running)
        running->tutor().handle(qa::Event::Terminated);
}

#ifndef _WIN32
// SIGTERM and SIGHUP (a logout, a shutdown) are turned into an event: the
// handler only writes a byte that the event loop then reads.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}

void endOnSignals(qa::widgets::MainWindow& window)
{
    if (::pipe(signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
        char byte;
        [[maybe_unused]] const auto n = ::read(signalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        window.terminate();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}
#else
void endOnSignals(qa::widgets::MainWindow&) {}
#endif

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("qa-tutor");
    // Ties the window to its menu entry (and its icon) on Wayland.
    QGuiApplication::setDesktopFileName("io.github.qatutor.QaTutor");

    qa::Files files(qa::systemFileOps(), qa::DrivePaths::fromEnvironment(), qa::defaultStateDirectory());
    qa::SystemClock clock;
    qa::LcgRandom random;
    qa::widgets::QtDialogs dialogs;

    qa::widgets::MainWindow window(files, clock, random, dialogs);
    QObject::connect(&window, &qa::widgets::MainWindow::programEnded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    endOnSignals(window);
    // While the student reads the first prompt, get the window ready to show.
    dialogs.setIdleWork([&window] { window.warmUp(); });
    if (!window.load())
        return 0;
    window.show();
    // A draft left by a program that did not end normally comes back once
    // the window is on screen.
    QTimer::singleShot(0, &window, [&window] { window.shown(); });
    running = &window;
    std::atexit(keepDraftAtExit);
    const int status = QApplication::exec();
    running = nullptr;
    return status;
}
