// qa-tutor as students run it (the window, the real dialogs, the record
// files, the generator), over the tests' clock: a fixed day and time, one
// second on at each time read, and a fixed seed. The real-window tests drive
// it on Linux and on Windows (under Wine) with the same replies and compare
// the record files byte for byte. Never installed.
#include <QApplication>
#include <QTimer>

#include "app/widgets/main_window.h"
#include "app/widgets/qt_dialogs.h"
#include "platform/file_ops.h"
#include "platform/random.h"
#include "store/files.h"
#include "support/fakes.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("qa-tutor");

    qa::Files files(qa::systemFileOps(), qa::DrivePaths::fromEnvironment(), qa::defaultStateDirectory());
    qa::testing::FakeClock clock;
    clock.stepPerTimeRead = 1;
    qa::LcgRandom random;
    qa::widgets::QtDialogs dialogs;

    qa::widgets::MainWindow window(files, clock, random, dialogs);
    QObject::connect(&window, &qa::widgets::MainWindow::programEnded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    dialogs.setIdleWork([&window] { window.warmUp(); });
    if (!window.load())
        return 0;
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.shown(); });
    return QApplication::exec();
}
