// Keystroke to paint in the answer box with drafts kept, against the same
// window with its draft timer cut off; and one draft save, which runs between
// keystrokes or in a pause, two seconds after the first change not yet saved,
// against the bare file calls it makes.
//
// Two sessions, one with drafts and one without, take turns in short rounds of
// typing (on, off, off, on, ...), so that drift on the machine falls on both.
// Every few rounds the typing pauses: in every other pause the draft timer
// fires and the draft is saved, so the keystrokes after a save are timed as
// well; in the others the bare calls write the same bytes after as long an
// idle spell.
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

#include "bench_support.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

double microseconds(SteadyClock::time_point from, SteadyClock::time_point to)
{
    return std::chrono::duration<double, std::micro>(to - from).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Notices when the box's viewport has been painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Times each draft save from the timer's event to the end of the handlers of
// its timeout (ours is connected after the window's, so it runs last).
class SaveWatch : public QObject {
public:
    explicit SaveWatch(QTimer* timer)
    {
        timer->installEventFilter(this);
        QObject::connect(timer, &QTimer::timeout, this,
                         [this] { saves.push_back(microseconds(start_, SteadyClock::now())); });
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Timer)
            start_ = SteadyClock::now();
        return false;
    }
    std::vector<double> saves;

private:
    SteadyClock::time_point start_;
};

// The answer box of a session with the first question shown, its paints watched.
struct Typist {
    qa::bench::Session session;
    QPlainTextEdit* box;
    PaintWatch watch;

    Typist() : box(session.window.answerBox())
    {
        session.window.findChild<QPushButton*>("cmdNextQuestion")->click();
        box->viewport()->installEventFilter(&watch);
        QApplication::processEvents();
    }

    // The box as a student leaves it after a paragraph of answer, the cursor at its end.
    void reset(const QString& start)
    {
        box->setPlainText(start);
        box->moveCursor(QTextCursor::End);
        QApplication::processEvents();
    }

    // One key pressed and released, and the event loop run until the box is painted.
    double keystroke(QChar c)
    {
        const int key = c == u' ' ? Qt::Key_Space : Qt::Key_A + (c.unicode() - u'a');
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        watch.painted = false;
        const auto start = SteadyClock::now();
        QApplication::sendEvent(box, &press);
        QApplication::sendEvent(box, &release);
        while (!watch.painted) {
            QApplication::processEvents();
            if (microseconds(start, SteadyClock::now()) > 1e6) {
                std::fprintf(stderr, "the answer box was not painted within a second of a keystroke\n");
                std::exit(1);
            }
        }
        return microseconds(start, SteadyClock::now());
    }
};

// What a draft save writes to disk, done with the bare calls: a temporary
// file written, synced and closed, then renamed over the old one, and the
// folder synced so that the rename lasts.
double bareSave(const std::string& directory, const std::string& bytes)
{
    const std::string path = directory + "/bare-draft", temporary = path + ".new";
    const auto start = SteadyClock::now();
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        std::abort();
    const int folder = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::fsync(folder) != 0)
        std::abort();
    ::close(folder);
    return microseconds(start, SteadyClock::now());
}

// The draft file of a session's state directory, as the last save left it.
std::string draftBytes(const qa::bench::Session& session)
{
    for (const auto& entry : std::filesystem::directory_iterator(session.root.state()))
        if (entry.path().filename().string().starts_with("draft-"))
            return session.root.read(entry.path());
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 48; // rounds with drafts, and as many without
    const int keys = 160;                                 // keystrokes a round
    const int pauseEvery = 4;                             // pairs of rounds between pauses

    Typist on, off;
    QTimer* onTimer = on.session.window.findChild<QTimer*>("draftTimer");
    QTimer* offTimer = off.session.window.findChild<QTimer*>("draftTimer");
    if (!onTimer || !offTimer || !QObject::disconnect(off.box->document(), nullptr, offTimer, nullptr)) {
        std::fprintf(stderr, "no draft timer wired to the answer box\n");
        return 1;
    }
    SaveWatch saves(onTimer);

    QString start;
    while (start.size() < 1000)
        start += "The second differences are all the same, so the forces follow a quadratic in the length. ";
    const QString typed = "the first differences shrink as the band grows longer so the force grows more slowly ";

    std::vector<double> withDrafts, without, bare;
    std::string lastDraft; // the bytes of the last draft saved
    int next = 0;
    auto round = [&](Typist& typist, std::vector<double>& into) {
        typist.reset(start);
        for (int k = 0; k < keys; ++k)
            into.push_back(typist.keystroke(typed[(next + k) % typed.size()]));
    };
    for (int pair = 0; pair < pairs; ++pair) {
        if (pair % 2 == 0) {
            round(on, withDrafts);
            round(off, without);
        } else {
            round(off, without);
            round(on, withDrafts);
        }
        next += keys;
        if (pair % pauseEvery != pauseEvery - 1)
            continue;
        // Typing pauses. Every other pause the draft timer fires and the draft
        // is saved; in the others the timer is stopped and, after as long an
        // idle spell (a disk left idle syncs more slowly), the bare calls write
        // the same bytes next to the draft.
        const bool savePause = (pair / pauseEvery) % 2 == 0;
        const std::size_t before = saves.saves.size();
        QEventLoop pause;
        if (savePause) {
            QTimer::singleShot(onTimer->interval() + 1000, &pause, &QEventLoop::quit);
            const auto fired =
                QObject::connect(onTimer, &QTimer::timeout, &pause, &QEventLoop::quit, Qt::QueuedConnection);
            pause.exec();
            QObject::disconnect(fired);
            if (saves.saves.size() == before || (lastDraft = draftBytes(on.session)).empty()) {
                std::fprintf(stderr, "no draft saved within a second after the draft timer was due\n");
                return 1;
            }
        } else {
            onTimer->stop();
            QTimer::singleShot(onTimer->interval(), &pause, &QEventLoop::quit);
            pause.exec();
            bare.push_back(bareSave(on.session.root.state(), lastDraft));
        }
    }
    std::fprintf(stderr, "%zu keystrokes each; %zu draft saves\n", withDrafts.size(), saves.saves.size());

    qa::bench::row("P7 keystroke to paint, drafts on vs off", median(withDrafts), median(without), "us", 1.05);
    qa::bench::row("P7 (one draft save, after typing pauses)", median(saves.saves), median(bare), "us", 1.30);
    return 0;
}
