// qa-review: one report over the record files students handed in. With
// arguments, the command line; without, the desk: folder chooser, save
// dialog, progress and the browser, when a display can be opened.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "review/command_line.h"
#include "review/widgets/desk.h"

namespace {

// Messages Qt gives while it opens the display: held back, and dropped when
// no display can be opened, since the usage then says what to do.
std::vector<QString> heldMessages;

void whileOpening(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        heldMessages.push_back(message);
        return;
    }
    // Qt would abort here: without a window the command line is the way in.
    std::cerr << "qa-review: no display could be opened for the window; give the folders on the command "
                 "line instead.\n";
    qa::review::runCommandLine({}, std::cout, std::cerr);
    std::fflush(stderr);
    std::_Exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        return qa::review::runCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);

    const QtMessageHandler previous = qInstallMessageHandler(whileOpening);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString& message : heldMessages)
        std::cerr << message.toStdString() << '\n';

    QApplication::setApplicationName("qa-review");
    QApplication::setApplicationDisplayName("QA Tutor Review");
    // Ties the windows to the menu entry (and its icon) on Wayland.
    QGuiApplication::setDesktopFileName("io.github.qatutor.QaTutor.Review");
    return qa::review::widgets::runDesk();
}
