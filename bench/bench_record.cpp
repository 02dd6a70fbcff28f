// One "Enter Response" of 1 KB with the record files on the real disk, and the
// record writer alone, against the least a crash-safe recording costs: the
// journal's bytes written over the journal and synced, then open(O_APPEND) +
// write + fsync + close of the same bytes to the same two files. The click's
// floor adds a bare window's repaint of the same two boxes, emptied as the
// click empties them.
//
// The four take turns, one of each a round, in an order that moves on every
// round (each of the 24 in turn), all on the same files: a disk whose syncs
// slow down or speed up while the run goes on (another program's writes)
// weighs on all alike. Medians of each.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
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

// The journal as the writer leaves it between recordings: one file in the
// state folder, written over from its start and synced for each recording.
void noteRaw(const std::string& path, const std::string& bytes)
{
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
}

// The bytes of the tutor's own journal after a recording: as many as the floor
// must write.
std::string journalBytes(const std::filesystem::path& state)
{
    for (const auto& entry : std::filesystem::directory_iterator(state))
        if (entry.path().filename().string().starts_with("journal-")) {
            std::string bytes(std::filesystem::file_size(entry.path()), '\0');
            const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || ::read(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
                std::abort();
            ::close(fd);
            return bytes;
        }
    std::fprintf(stderr, "no journal in %s after a recording\n", state.c_str());
    std::exit(1);
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

    // A bare window with two boxes of the same size and font as the tutor's.
    QWidget bareWindow;
    bareWindow.resize(session.window.size());
    QPlainTextEdit* bareBoxes[2] = {new QPlainTextEdit(&bareWindow), new QPlainTextEdit(&bareWindow)};
    QPlainTextEdit* tutorBoxes[2] = {session.window.questionBox(), session.window.answerBox()};
    for (int i = 0; i < 2; ++i) {
        bareBoxes[i]->setGeometry(tutorBoxes[i]->geometry());
        bareBoxes[i]->setFont(tutorBoxes[i]->font());
    }
    bareWindow.show();

    enter->click(); // the journal is made by the first recording
    QApplication::processEvents();
    const std::string journal = session.root.state() + "/bare-journal";
    const std::string journalText = journalBytes(session.root.state());

    std::vector<double> clicks, writer, raw, repaints;
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
            noteRaw(journal, journalText);
            appendRaw(master, blocks[0].bytes);
            appendRaw(send, blocks[1].bytes);
        }));
    };
    const auto repaint = [&] {
        for (int i = 0; i < 2; ++i)
            bareBoxes[i]->setPlainText(tutorBoxes[i]->toPlainText());
        bareBoxes[1]->setPlainText(typed);
        QApplication::processEvents();
        repaints.push_back(microseconds([&] {
            for (QPlainTextEdit* box : bareBoxes)
                box->clear();
            QApplication::processEvents();
        }));
    };
    // Every order of the four in turn, so that each follows each as often.
    const std::function<void()> work[] = {bare, writerAlone, click, repaint};
    int order[] = {0, 1, 2, 3};
    for (int round = 0; round < rounds; ++round) {
        for (int i : order)
            work[i]();
        if (!std::next_permutation(std::begin(order), std::end(order)))
            std::sort(std::begin(order), std::end(order));
    }
    std::fprintf(stderr, "%d rounds\n", rounds);

    std::fprintf(stderr, "floor %.1f us, bare repaint %.1f us\n", median(raw), median(repaints));
    qa::bench::row("P3 Enter Response, 1 KB, fsync", median(clicks), median(raw) + median(repaints), "us", 1.3);
    qa::bench::row("P3 (the record writer alone)", median(writer), median(raw), "us", 1.15);
    return 0;
}
