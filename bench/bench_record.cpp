// One "Enter Response" of 1 KB with the record files on the real disk, against
// the bare work: open(O_APPEND) + write + fsync + close of the same bytes to
// the same two files.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <map>
#include <unistd.h>

#include "app/widgets/qt_text.h"
#include "bench_main.h"
#include "bench_support.h"
#include "records/layouts.h"

namespace {

std::string answerText()
{
    std::string s;
    while (s.size() < 1024)
        s += "The second differences are all 2, so the forces grow like a quadratic in the length. ";
    s.resize(1024);
    return s;
}

void BM_EnterResponse(benchmark::State& state)
{
    qa::bench::Session session;
    auto* enter = session.window.findChild<QPushButton*>("cmd_enter_response");
    const QString typed = qa::widgets::fromCore(answerText());
    for (auto _ : state) {
        state.PauseTiming();
        session.window.answerBox()->setPlainText(typed); // as if typed
        QApplication::processEvents();                   // and shown
        state.ResumeTiming();
        enter->click();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_EnterResponse)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void appendRaw(const std::string& path, const std::string& bytes)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
}

void BM_RawAppendFloor(benchmark::State& state)
{
    qa::bench::Session session; // the same files, as the session leaves them
    qa::testing::FakeClock clock;
    const auto blocks =
        qa::records::responseBlock({answerText(), "Question 1", "001", ""}, {"m", "s", "n"}, 19, clock);
    const std::string master = session.master().string(), send = session.send().string();
    for (auto _ : state) {
        state.PauseTiming(); // paused and resumed as the click's benchmark is
        state.ResumeTiming();
        appendRaw(master, blocks[0].bytes);
        appendRaw(send, blocks[1].bytes);
    }
}
BENCHMARK(BM_RawAppendFloor)->Unit(benchmark::kMicrosecond)->Iterations(2000);

// The record writer alone (locks, journals, one write and one sync per file),
// to tell the file work from the window's share of a click.
void BM_RecordWriterOnly(benchmark::State& state)
{
    qa::bench::Session session;
    qa::testing::FakeClock clock;
    const qa::Tutor& t = session.window.tutor();
    const auto blocks =
        qa::records::responseBlock({answerText(), "Question 1", "001", ""}, t.session().paths(), 19, clock);
    for (auto _ : state) {
        state.PauseTiming();
        state.ResumeTiming();
        session.files.appendAll(blocks);
    }
}
BENCHMARK(BM_RecordWriterOnly)->Unit(benchmark::kMicrosecond)->Iterations(2000);

} // namespace

int main(int argc, char** argv)
{
    return qa::bench::runBenchmarks(argc, argv, [](qa::bench::Times& g_times) {
        qa::bench::row("P3 Enter Response, 1 KB, fsync", g_times["BM_EnterResponse/iterations:2000"],
                       g_times["BM_RawAppendFloor/iterations:2000"], "us", 1.3);
        qa::bench::row("P3 (the record writer alone)", g_times["BM_RecordWriterOnly/iterations:2000"],
                       g_times["BM_RawAppendFloor/iterations:2000"], "us", 1.3);
    });
}
