// A long session: 10,000 recordings, the transcript and the record files
// growing. The last 100 recordings are timed against the first 100 of the same
// run, and the session's peak resident memory against the bare Qt program
// plus the text the session must hold.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <numeric>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

#include "app/widgets/qt_text.h"
#include "bench_support.h"

extern char** environ;

namespace {

// Peak resident memory of the bare program, in KiB.
long barePeakKiB(const char* bare)
{
    setenv("QA_TUTOR_PROBE", "1", 1);
    char* argv[] = {const_cast<char*>(bare), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, bare, nullptr, nullptr, argv, environ) != 0)
        return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    unsetenv("QA_TUTOR_PROBE");
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BARE_WINDOW [RECORDINGS]\n", argv[0]);
        return 2;
    }
    const int recordings = argc > 2 ? std::atoi(argv[2]) : 10000;
    QApplication app(argc, argv);
    qa::bench::Session session;
    auto* next = session.window.findChild<QPushButton*>("cmdNextQuestion");
    auto* enter = session.window.findChild<QPushButton*>("cmd_enter_response");
    auto* notes = session.window.findChild<QPushButton*>("cmd_save_as_notes");

    std::vector<double> seconds;
    seconds.reserve(static_cast<std::size_t>(recordings));
    for (int i = 0; i < recordings; ++i) {
        if (i % 8 == 0)
            next->click(); // a new question now and then (the bank holds 2,400)
        const QString typed = QString("Answer %1: the second differences are constant, so the forces follow a "
                                      "quadratic; the first differences grow by two each time.")
                                  .arg(i);
        session.window.answerBox()->setPlainText(typed);
        const auto start = std::chrono::steady_clock::now();
        (i % 5 == 4 ? notes : enter)->click();
        QApplication::processEvents();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (session.window.tutor().ended()) {
            std::fprintf(stderr, "the session ended at recording %d\n", i);
            return 1;
        }
    }
    const std::size_t n = std::min<std::size_t>(100, seconds.size() / 2);
    const double first = std::accumulate(seconds.begin(), seconds.begin() + n, 0.0) / n * 1e6;
    const double last = std::accumulate(seconds.end() - n, seconds.end(), 0.0) / n * 1e6;
    qa::bench::row("P4 recordings " + std::to_string(recordings - 99) + "-" + std::to_string(recordings) +
                       " vs 1-100",
                   last, first, "us", 1.5);

    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    const std::size_t textBytes = session.window.tutor().transcript().cumulativeText().size() +
                                  session.window.questionBox()->document()->characterCount() +
                                  session.window.answerBox()->document()->characterCount();
    const long bare = barePeakKiB(argv[1]);
    qa::bench::row("P6 peak memory after P4", self.ru_maxrss / 1024.0, (bare + textBytes / 1024.0) / 1024.0, "MiB",
                   1.15);
    return 0;
}
