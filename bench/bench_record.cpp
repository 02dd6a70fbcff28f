// One "Enter Response" of 1 KB with the record files on the real disk, and the
// record writer alone, against the bare work: open(O_APPEND) + write + fsync +
// close of the same bytes to the same two files.
//
// The three take turns, one of each a round, in an order that moves on every
// round (each of the six in turn), all on the same two files: a disk whose syncs slow down or speed up
// while the run goes on (another program's writes) weighs on all three alike.
// Medians of each.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

#include "app/widgets/qt_text.h"
#include "bench_support.h"
#include "records/layouts.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

std::string answerText()
{
    std::string s;
    while (s.size() < 1024)
        s += "The second differences are all 2, so the forces grow like a quadratic in the length. ";
    s.resize(1024);
    return s;
}

void appendRaw(const std::string& path, const std::string& bytes)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <class Work> double microseconds(Work work)
{
    const auto start = SteadyClock::now();
    work();
    return std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 2000;

    qa::bench::Session session;
    qa::testing::FakeClock clock;
    auto* enter = session.window.findChild<QPushButton*>("cmd_enter_response");
    const QString typed = qa::widgets::fromCore(answerText());
    const auto blocks = qa::records::responseBlock({answerText(), "Question 1", "001", ""},
                                                   session.window.tutor().session().paths(), 19, clock);
    const std::string master = session.master().string(), send = session.send().string();

    std::vector<double> clicks, writer, raw;
    const auto click = [&] {
        session.window.answerBox()->setPlainText(typed); // as if typed
        QApplication::processEvents();                   // and shown
        clicks.push_back(microseconds([&] {
            enter->click();
            QApplication::processEvents();
        }));
    };
    const auto writerAlone = [&] { writer.push_back(microseconds([&] { session.files.appendAll(blocks); })); };
    const auto bare = [&] {
        raw.push_back(microseconds([&] {
            appendRaw(master, blocks[0].bytes);
            appendRaw(send, blocks[1].bytes);
        }));
    };
    // Every order of the three in turn, so that each follows each as often.
    const std::function<void()> work[] = {bare, writerAlone, click};
    int order[] = {0, 1, 2};
    for (int round = 0; round < rounds; ++round) {
        for (int i : order)
            work[i]();
        if (!std::next_permutation(std::begin(order), std::end(order)))
            std::sort(std::begin(order), std::end(order));
    }
    std::fprintf(stderr, "%d rounds\n", rounds);

    qa::bench::row("P3 Enter Response, 1 KB, fsync", median(clicks), median(raw), "us", 1.3);
    qa::bench::row("P3 (the record writer alone)", median(writer), median(raw), "us", 1.3);
    return 0;
}
