// qa-tutor-probe: the tutor's start-up as students see it, timed for the
// launch benchmark. The real window, files, clock and generator; the prompts
// are the real dialogs, each answered with the next of the replies given as
// the first argument ("reply|reply|...") as soon as it has been painted.
// Usage: qa-tutor-probe REPLIES
#include <QApplication>
#include <QTimer>

#include "app/widgets/main_window.h"
#include "launch_probe.h"
#include "platform/clock.h"
#include "platform/file_ops.h"
#include "platform/random.h"
#include "store/files.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("qa-tutor");
    const QStringList replies = QApplication::arguments().value(1).split(u'|');

    qa::Files files(qa::systemFileOps(), qa::DrivePaths::fromEnvironment(), qa::defaultStateDirectory());
    qa::SystemClock clock;
    qa::LcgRandom random;
    qa::bench::LaunchProbe probe(replies);

    qa::widgets::MainWindow window(files, clock, random, probe);
    QObject::connect(&window, &qa::widgets::MainWindow::programEnded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    // As the real program does while the student reads the first prompt.
    probe.setIdleWork([&window] { window.warmUp(); });
    if (!window.load())
        return 0;
    qa::bench::LaunchProbe::mark("loaded");
    probe.watchWindow(&window);
    window.show();
    // As the real program does once the window is on screen.
    QTimer::singleShot(0, &window, [&window] { window.shown(); });
    return QApplication::exec();
}
