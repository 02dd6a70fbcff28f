// The marking window at class size: 500 students who answered the 14
// questions of assignment 001, read by the review from their send files.
// Rows:
//   M1 opening the marking window (sheets, window, first paint), against a frame;
//   M2 moving from answer to answer with the keys (Ctrl+Down, Ctrl+Up,
//      Alt+Right, Alt+Left) until the window is painted again: the median
//      and the slowest of 2,000 moves, against a frame;
//   M3 saving the marks file with a mark and a comment on all 7,000 answers,
//      against the second within which every change must be in the file;
//   M4 a comment of the bank edited (its text and its mark) in the 500
//      answers of a question that carry it, and saved (the marks file and the
//      bank's), against writing the same marks file once, in the same run;
//   M5 (information) the alike answers of one question of 500 students,
//      answers of about 100 words, against a frame: what opening Alike
//      Answers costs before its window is laid out.
//
//   bench_marking [STUDENTS]
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>

#include "bench_support_rows.h"
#include "review/cli/cli.h"
#include "review/marking/answer_groups.h"
#include "review/marking/comment_bank.h"
#include "review/marking/marking_desk.h"
#include "review/marking/marks.h"
#include "review/marking/marks_file.h"
#include "review/marking/sheet.h"
#include "review/review.h"
#include "review/widgets/marking_window.h"
#include "support/record_class.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Processor time of this thread: what a move costs, apart from the other
// programs sharing the machine.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

fs::path makeClass(int students)
{
    const fs::path dir =
        fs::temp_directory_path() / ("qa-bench-marking-" + std::to_string(std::random_device{}()));
    qa::testing::RecordClass cls;
    const auto questions = qa::testing::builtinQuestions();
    for (int s = 0; s < students; ++s) {
        const auto p = cls.start("Student " + std::to_string(s + 1), "S" + std::to_string(s), "code");
        for (const std::string& q : questions)
            cls.respond(p, q, "An answer of some length, with the working shown: " + std::to_string(s * 7 % 13));
    }
    cls.write(dir);
    return dir;
}

// One question's answers of about 100 words: 20 answers, each handed in by
// 25 students, most with a word or two of their own.
qa::review::Sheet alikeSheet(int students)
{
    qa::review::Sheet sheet;
    sheet.assignment = "1";
    sheet.questions = {"Explain how the force of the stretched band changes as it gets longer."};
    std::mt19937 random(7);
    const char* words[] = {"force",  "band",  "grows",    "length",   "the",  "and",   "differences", "slowly",
                           "second", "first", "negative", "sequence", "area", "slope", "tension",     "longer"};
    std::vector<std::vector<std::string>> bases(20);
    for (auto& base : bases)
        for (int w = 0; w < 100; ++w)
            base.push_back(words[random() % std::size(words)] + std::to_string(random() % 50));
    for (int s = 0; s < students; ++s)
        sheet.students.push_back({"Student " + std::to_string(s + 1), "", ""});
    sheet.resize();
    for (int s = 0; s < students; ++s) {
        std::vector<std::string> answer = bases[std::size_t(s) % bases.size()];
        for (unsigned k = random() % 3; k > 0; --k)
            answer[random() % answer.size()] = "changed";
        std::string text = s % 4 == 0 ? sheet.questions[0] + "\n" : std::string();
        for (const std::string& w : answer)
            text += w + " ";
        sheet.cell(std::size_t(s), 0) = {true, false, text, {}};
    }
    return sheet;
}

// M4: every answer carries the comment M3 gave; one question's are edited,
// back and forth, and saved each time. The median of five against the median
// of five writes of the marks file as it stands (a synced write varies).
void benchBankEdit(qa::review::MarkingDesk& desk, const fs::path& folder)
{
    const fs::path bankFile = folder / "bench-comments.csv";
    desk.keepBank({}, bankFile);
    desk.choose(0, 3);
    constexpr int kRuns = 5;
    std::vector<double> floors, edits;
    bool ok = true;
    for (int k = 0; k < kRuns; ++k) {
        const auto t = Clock::now();
        ok = qa::review::writeWholeFile(folder / "bench-marks-once.csv", desk.marking().table().csv()) && ok;
        floors.push_back(msSince(t));
    }
    qa::review::BankComment before = desk.bank().front(), after = before;
    after.text = "Units missing";
    after.mark = -0.5;
    after.adjusts = true;
    std::size_t changed = 0;
    for (int k = 0; k < kRuns; ++k) {
        const auto t = Clock::now();
        changed = k % 2 == 0 ? desk.editBank(before, after) : desk.editBank(after, before);
        ok = desk.save() && ok;
        edits.push_back(msSince(t));
    }
    std::sort(floors.begin(), floors.end());
    std::sort(edits.begin(), edits.end());
    qa::bench::row("M4 a bank comment edited in " + std::to_string(changed) + " answers and saved" +
                       (ok ? "" : " (failed)"),
                   edits[kRuns / 2], floors[kRuns / 2], "ms", 1.5);
    std::error_code ec;
    fs::remove(folder / "bench-marks-once.csv", ec);
    fs::remove(bankFile, ec);
}

} // namespace

int main(int argc, char** argv)
{
    const int students = argc > 1 ? std::atoi(argv[1]) : 500;
    QApplication app(argc, argv);
    constexpr double kFrameMs = 1000.0 / 60;
    const fs::path dir = makeClass(students);
    qa::review::Options options;
    options.inputs = {dir};
    const qa::review::Review review = qa::review::Review::load(options);

    {
        // A first window of its own, so that M1 does not count what any first
        // window of a program pays once: the style, and the font database
        // (fontconfig), which the first text to be measured loads. From the
        // desk, the desk window has paid it; with --mark, the marking window
        // is the first and pays it on top of M1.
        const auto t = Clock::now();
        QLabel first(QStringLiteral("Marking"));
        first.show();
        first.repaint();
        QApplication::processEvents();
        std::fprintf(stderr, "M1: the program's first window (style, fonts) %.1f ms, not counted\n", msSince(t));
    }
    auto opened = Clock::now();
    const double openedCpu = cpuMs();
    qa::review::MarkingDesk desk(qa::review::Marking(review.sheets(), {}), dir.parent_path() / "bench-marks.csv");
    const double sheets = msSince(opened);
    qa::review::widgets::MarkingWindow window(desk);
    window.show();
    window.repaint();
    QApplication::processEvents();
    const double open = msSince(opened), openCpu = cpuMs() - openedCpu;
    qa::bench::row("M1 marking window over " + std::to_string(students) + " students: open and paint", open,
                   kFrameMs, "ms", 1.0);
    qa::bench::row("M1 processor time of that opening", openCpu, kFrameMs, "ms", 0.8);
    std::fprintf(stderr, "M1: the sheets %.1f ms, the window and its paint %.1f ms\n", sheets, open - sheets);

    const std::pair<Qt::Key, Qt::KeyboardModifier> keys[] = {
        {Qt::Key_Down, Qt::ControlModifier}, {Qt::Key_Down, Qt::ControlModifier}, {Qt::Key_Right, Qt::AltModifier},
        {Qt::Key_Up, Qt::ControlModifier},   {Qt::Key_Down, Qt::ControlModifier}, {Qt::Key_Left, Qt::AltModifier}};
    std::vector<double> moves, cpu;
    for (int k = 0; k < 2000; ++k) {
        const auto t = Clock::now();
        const double c = cpuMs();
        QTest::keyClick(&window, keys[k % std::size(keys)].first, keys[k % std::size(keys)].second);
        window.repaint();
        moves.push_back(msSince(t));
        cpu.push_back(cpuMs() - c);
        if (std::getenv("QA_BENCH_VERBOSE") && moves.back() > kFrameMs)
            std::fprintf(stderr, "move %d (key %d, row %zu): %.1f ms\n", k, int(keys[k % std::size(keys)].first),
                         desk.student(), moves.back());
    }
    std::fprintf(stderr, "M2: the first move %.1f ms\n", moves.front());
    std::sort(moves.begin(), moves.end());
    std::sort(cpu.begin(), cpu.end());
    qa::bench::row("M2 one move to the next answer and its paint, median of 2,000", moves[moves.size() / 2],
                   kFrameMs, "ms", 1.0);
    qa::bench::row("M2 the 99th percentile of those moves", moves[moves.size() * 99 / 100], kFrameMs, "ms", 1.0);
    qa::bench::row("M2 processor time of the slowest move", cpu.back(), kFrameMs, "ms", 1.0);
    std::fprintf(stderr, "M2: the slowest move %.1f ms\n", moves.back());

    for (std::size_t s = 0; s < desk.current().students.size(); ++s)
        for (std::size_t q = 0; q < desk.current().questions.size(); ++q) {
            desk.choose(s, q);
            desk.setMark(1.5);
            desk.setComment("Good, but the units are missing");
        }
    const auto saving = Clock::now();
    const qa::review::Result<void> saved = desk.save();
    qa::bench::row("M3 saving " + std::to_string(desk.marking().table().size()) + " marks" +
                       (saved ? "" : " (failed: " + saved.problem().what + ")"),
                   msSince(saving), 1000, "ms", 1.0);
    const qa::review::Sheet alike = alikeSheet(students);
    const auto grouping = Clock::now();
    const std::size_t groups = qa::review::answerGroups(alike, 0).size();
    qa::bench::row("M5 (information) the alike answers of " + std::to_string(students) +
                       " answers of 100 words: " + std::to_string(groups) + " groups",
                   msSince(grouping), kFrameMs, "ms", 1.0);

    benchBankEdit(desk, dir.parent_path());
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::remove(dir.parent_path() / "bench-marks.csv", ec);
    return 0;
}
