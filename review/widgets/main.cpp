// qa-review: the instructor's review of handed-in record files. With
// arguments, the command line; without, the desk (folder chooser, save
// dialog, progress, the browser) when a display can be opened.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "review/cli/arguments.h"
#include "review/cli/cli.h"
#include "review/review.h"
#include "review/widgets/desk.h"
#include "review/widgets/marking_window.h"

namespace {

// What Qt says while it opens the display: held back, and dropped when no
// display can be opened, since the usage then says what to do.
std::vector<QString> heldMessages;
// Whether the window to open is the marking window (--mark).
bool markingWindow = false;

void whileOpening(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        heldMessages.push_back(message);
        return;
    }
    // Qt would abort here. Without a window, the command line is the way in.
    std::cerr << (markingWindow
                      ? "qa-review: --mark needs a display for the marking window, and none can be opened.\n"
                      : "qa-review: no display can be opened for the window; give the folders on the command "
                        "line.\n")
              << qa::review::usageText() << std::flush;
    std::_Exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args = qa::review::utf8Arguments(argc, argv);
    const bool mark = std::find(args.begin(), args.end(), "--mark") != args.end();
    if (!args.empty() && !mark)
        return qa::review::runCommandLine(args, std::cout, std::cerr, qa::review::stderrIsTerminal(), {}, true);

    markingWindow = mark;
    const QtMessageHandler previous = qInstallMessageHandler(whileOpening);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    for (const QString& message : heldMessages)
        std::cerr << message.toStdString() << '\n';

    QApplication::setApplicationName("qa-review");
    QApplication::setApplicationDisplayName("QA Tutor Review");
    // Ties the dialogs to the menu entry (and its icon) on Wayland.
    QGuiApplication::setDesktopFileName("io.github.qatutor.QaTutor.Review");
    if (mark)
        return qa::review::runCommandLine(args, std::cout, std::cerr, qa::review::stderrIsTerminal(),
                                          [](qa::review::MarkingDesk& desk) {
                                              qa::review::widgets::MarkingWindow window(desk);
                                              window.show();
                                              const int status = QApplication::exec();
                                              return window.saveNow() ? status : 3;
                                          });
    return qa::review::widgets::runDesk();
}
