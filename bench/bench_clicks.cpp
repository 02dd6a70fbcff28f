// A "Next Question / Answer" click with text already in the question box, and
// "display notes" of a large notes file against the bare work it must do.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <benchmark/benchmark.h>
#include <fstream>
#include <map>

#include "app/widgets/qt_text.h"
#include "bench_main.h"
#include "bench_support.h"

namespace {

// Text as the box gets it from the notes file or the transcript: lines ended
// by CR LF. `paragraph` leaves the breaks out: one paragraph of that size.
std::string filler(std::size_t bytes, bool paragraph = false)
{
    std::string s;
    s.reserve(bytes);
    while (s.size() < bytes)
        s += paragraph ? "The force on the band grows with its length; the differences tell how fast it grows. "
                       : "NOTES -------> the force on the band grows with its length; the differences.\r\n";
    s.resize(bytes);
    return s;
}

// One click, and the window brought up to date (layout and paint included).
void BM_NextQuestion(benchmark::State& state)
{
    qa::bench::Session session;
    session.window.setQuestionText(filler(static_cast<std::size_t>(state.range(0)), state.range(1) != 0));
    QApplication::processEvents();
    auto* next = session.window.findChild<QPushButton*>("cmdNextQuestion");
    for (auto _ : state) {
        next->click();
        QApplication::processEvents();
        if (session.window.tutor().ended()) {
            state.SkipWithError("bank exhausted");
            break;
        }
    }
}
BENCHMARK(BM_NextQuestion)
    ->Args({0, 0})
    ->Args({1 << 20, 0})
    ->Args({10 << 20, 0})
    ->Args({1 << 20, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);

const std::size_t kNotesBytes = 10u << 20;

std::string notesText()
{
    std::string s;
    s.reserve(kNotesBytes);
    while (s.size() < kNotesBytes)
        s += "NOTES -------> the second difference is constant, so the forces follow a quadratic\r\n";
    s.resize(kNotesBytes);
    return s;
}

void BM_DisplayNotes(benchmark::State& state)
{
    qa::bench::Session session;
    {
        std::ofstream out(session.root.home() / "notes_Ann_Lee.txt", std::ios::binary);
        out << notesText();
    }
    auto* button = session.window.findChild<QPushButton*>("cmd_display_note_file");
    for (auto _ : state) {
        state.PauseTiming();
        session.window.setQuestionText("");
        QApplication::processEvents();
        state.ResumeTiming();
        button->click();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_DisplayNotes)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor: read the file, decode it, insert it into a plain-text box.
void BM_DisplayNotesFloor(benchmark::State& state)
{
    qa::bench::Session session; // the same window, so both boxes are laid out alike
    const auto path = session.root.home() / "notes_Ann_Lee.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << notesText();
    }
    QPlainTextEdit* box = session.window.questionBox();
    for (auto _ : state) {
        state.PauseTiming();
        box->setPlainText(QString());
        QApplication::processEvents();
        state.ResumeTiming();
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        QTextCursor cursor(box->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(qa::widgets::fromCore(bytes));
        QApplication::processEvents();
    }
}
BENCHMARK(BM_DisplayNotesFloor)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    return qa::bench::runBenchmarks(argc, argv, [](qa::bench::Times& g_times) {
        const double empty = g_times["BM_NextQuestion/0/0/iterations:40"];
        qa::bench::row("P2 click, 1 MB of lines in box", g_times["BM_NextQuestion/1048576/0/iterations:40"], empty,
                       "ms", 2.0);
        qa::bench::row("P2 click, 10 MB of lines in box", g_times["BM_NextQuestion/10485760/0/iterations:40"],
                       empty, "ms", 2.0);
        qa::bench::row("P2 click, 1 MB in one paragraph", g_times["BM_NextQuestion/1048576/1/iterations:40"],
                       empty, "ms", 2.0);
        qa::bench::row("P5 display notes, 10 MB", g_times["BM_DisplayNotes/iterations:5"],
                       g_times["BM_DisplayNotesFloor/iterations:5"], "ms", 1.5);
    });
}
