// qa-tutor: a question-and-answer tutor for distance students.
#include <QApplication>
#include <QTimer>

#include "app/widgets/main_window.h"
#include "app/widgets/qt_dialogs.h"
#include "platform/clock.h"
#include "platform/file_ops.h"
#include "platform/files.h"
#include "platform/random.h"

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
    // While the student reads the first prompt, get the window ready to show.
    dialogs.setIdleWork([&window] { window.warmUp(); });
    if (!window.load())
        return 0;
    window.show();
    // A draft left by a program that did not end normally comes back once
    // the window is on screen.
    QTimer::singleShot(0, &window, [&window] { window.shown(); });
    return QApplication::exec();
}
