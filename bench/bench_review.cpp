// The instructor's review at scale. A class's send files are composed with
// the record layouts (each file written once): 500 students over 20 days,
// answers of realistic length, 5% of them copied or nearly copied. Rows:
//   R1 report + CSV of 10,000 files, against a floor that reads the same files
//      and writes their bytes to one file;
//   R2 40,000 files (4x the days, then 4x the students) against 10,000;
//   R3 the near-identical check on 2,000 answers to one question, against 1 s;
//   R4 peak memory of the run against the size of its input;
//   R5 R1's review with a thread per core against the same forced onto one.
// qa-review runs as its own process, so its peak memory is its own.
//
//   bench_review QA_REVIEW [STUDENTS DAYS]   the rows (default 500 x 20)
//   bench_review --make DIR STUDENTS DAYS    only compose a class in DIR
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench_support_rows.h"
#include "review/checks/similar.h"
#include "review/report/workbook.h"
#include "review/review.h"
#include "support/record_class.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kWords[] = {
    "the",      "force",     "length",   "band",    "differences", "first",  "second",    "sequence", "is",
    "are",      "so",        "that",     "because", "slope",       "area",   "trapezoid", "graph",    "rate",
    "change",   "of",        "each",     "with",    "and",         "then",   "increase",  "decrease", "by",
    "units",    "cm",        "seconds",  "water",   "depth",       "flow",   "volume",    "average",  "interval",
    "which",    "means",     "I",        "think",   "we",          "find",   "get",       "when",     "it",
    "positive", "negative",  "constant", "grows",   "slower",      "faster", "than",      "before",   "after",
    "each",     "time",      "the",      "a",       "this",        "shows",  "how",       "much",     "total",
    "sum",      "quadratic", "linear",   "curve",   "point",       "value",  "data"};

// A student's answer of 30 to 130 words.
std::string answerText(std::mt19937_64& rng)
{
    std::uniform_int_distribution<int> len(30, 130), word(0, static_cast<int>(std::size(kWords)) - 1);
    std::string out;
    const int n = len(rng);
    for (int i = 0; i < n; ++i) {
        if (i)
            out += (i % 17 == 0) ? ". " : " ";
        out += kWords[word(rng)];
    }
    return out + ".";
}

// A near copy: a few words changed.
std::string nearCopy(std::string text, std::mt19937_64& rng)
{
    std::uniform_int_distribution<std::size_t> at(0, text.size() - 1);
    for (int k = 0; k < 2; ++k) {
        const std::size_t blank = text.find(' ', at(rng));
        if (blank != std::string::npos)
            text.insert(blank, " really");
    }
    return text;
}

// One send file per student and day; each day a session answers three
// questions (in turn, so questions are answered again: revisions) and
// sometimes notes. Returns the bytes written.
std::uintmax_t makeClass(const fs::path& dir, int students, int days)
{
    const auto questions = qa::testing::builtinQuestions();
    std::mt19937_64 rng(20260307);
    std::bernoulli_distribution copy(0.05), exact(0.5), takeNote(0.2);
    std::vector<std::vector<std::string>> given(questions.size()); // answers so far, per question
    std::uintmax_t bytes = 0;
    fs::create_directories(dir);
    for (int s = 0; s < students; ++s) {
        const std::string name = "Student " + std::to_string(s + 1) + " Example";
        const std::string initials =
            std::string(1, static_cast<char>('A' + s % 26)) + static_cast<char>('A' + s / 26 % 26) + "X";
        for (int d = 0; d < days; ++d) {
            qa::testing::RecordClass cls;
            cls.clock.day = qa::records::daysFromCivil(2026, 3, 2) + d;
            cls.clock.seconds = 9 * 3600 + (s * 97 + d * 1013) % (10 * 3600);
            // A code line of the session's own: bytes 118 and up, as the tutor draws them.
            std::string code;
            for (int k = 0; k < 24; ++k)
                code += static_cast<char>(118 + (rng() % 138));
            const auto paths = cls.start(name, initials, code);
            for (int k = 0; k < 3; ++k) {
                const std::size_t q = static_cast<std::size_t>((d * 3 + k) % questions.size());
                std::string text;
                if (copy(rng) && !given[q].empty()) {
                    const std::string& from = given[q][rng() % given[q].size()];
                    text = exact(rng) ? from : nearCopy(from, rng);
                } else {
                    text = answerText(rng);
                }
                given[q].push_back(text);
                cls.clock.advance(60 + static_cast<int>(rng() % 600));
                cls.respond(paths, questions[q], text);
                if (takeNote(rng))
                    cls.note(paths, questions[q], "check the units of the second differences");
            }
            // The send file only: the file a student hands in.
            for (auto it = cls.files.begin(); it != cls.files.end();)
                it = it->first.rfind("send_", 0) == 0 ? std::next(it) : cls.files.erase(it);
            cls.write(dir / ("student" + std::to_string(s / 100)));
            for (const auto& [n, b] : cls.files)
                bytes += b.size();
        }
    }
    ::sync(); // nothing of the making is left to write while the runs are timed
    return bytes;
}

double secondsSince(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// The floor: read every file under `dir` and write their bytes to one file.
double floorRun(const fs::path& dir, const fs::path& out)
{
    const auto t = Clock::now();
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::ofstream o(out, std::ios::binary);
    std::string buf;
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        buf.assign(std::istreambuf_iterator<char>(in), {});
        o.write(buf.data(), static_cast<std::streamsize>(buf.size()));
    }
    o.close();
    return secondsSince(t);
}

struct Run {
    double seconds = 0;
    double cpu = 0; // user + system
    long peakKiB = 0;
};

// qa-review over `dir`, writing the report and the CSV, and the workbook
// when asked (when this build writes workbooks).
// With `oneThread`, the same review forced onto one thread.
Run reviewRun(const char* program, const fs::path& dir, const fs::path& out, bool workbook = false,
              bool oneThread = false)
{
    const std::string html = (out / "review.html").string(), csv = (out / "review.csv").string(),
                      xlsx = (out / "review.xlsx").string(), in = dir.string();
    const char* argv[] = {program,    "--html", html.c_str(), "--csv", csv.c_str(),
                          in.c_str(), nullptr,  nullptr,      nullptr};
    if (workbook) {
        argv[5] = "--xlsx";
        argv[6] = xlsx.c_str();
        argv[7] = in.c_str();
    } else if (oneThread) {
        argv[5] = "--threads";
        argv[6] = "1";
        argv[7] = in.c_str();
    }
    const auto t = Clock::now();
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::perror(program);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto cpu = [](const timeval& v) { return static_cast<double>(v.tv_sec) + v.tv_usec / 1e6; };
    Run r{secondsSince(t), cpu(usage.ru_utime) + cpu(usage.ru_stime), usage.ru_maxrss};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "qa-review failed on %s\n", in.c_str());
        std::exit(1);
    }
    return r;
}

// The best of `n` runs, floor and review taking turns.
std::pair<double, Run> measure(const char* program, const fs::path& dir, const fs::path& out, int n,
                               bool workbook = false)
{
    double floor = 1e9;
    Run best{1e9, 1e9, 0};
    for (int i = 0; i < n; ++i) {
        floor = std::min(floor, floorRun(dir, out / "floor.bin"));
        const Run r = reviewRun(program, dir, out, workbook);
        best.peakKiB = std::max(best.peakKiB, r.peakKiB);
        best.seconds = std::min(best.seconds, r.seconds);
        best.cpu = std::min(best.cpu, r.cpu);
    }
    return {floor, best};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--make") == 0) {
        makeClass(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s QA_REVIEW [STUDENTS DAYS] | --make DIR STUDENTS DAYS\n", argv[0]);
        return 2;
    }
    const char* program = argv[1];
    const int students = argc > 3 ? std::atoi(argv[2]) : 500;
    const int days = argc > 3 ? std::atoi(argv[3]) : 20;
    const fs::path root = fs::temp_directory_path() / ("qa-bench-review-" + std::to_string(getpid()));
    const fs::path out = root / "out";
    fs::create_directories(out);

    std::fprintf(stderr, "composing %d x %d send files...\n", students, days);
    const std::uintmax_t inputBytes = makeClass(root / "base", students, days);
    const auto [floor, base] = measure(program, root / "base", out, 3);
    const std::string files = std::to_string(students * days);
    qa::bench::row("R1 report + CSV, " + files + " send files", base.seconds * 1e3, floor * 1e3, "ms", 3.0);
    qa::bench::row("R4 peak memory, " + files + " files", base.peakKiB / 1024.0, 3.0 * inputBytes / 1048576.0,
                   "MiB (floor: 3x input)", 1.0);
    {
        // The review with its threads against itself on one, taking turns.
        double one = 1e9, many = 1e9;
        for (int i = 0; i < 3; ++i) {
            one = std::min(one, reviewRun(program, root / "base", out, false, true).seconds);
            many = std::min(many, reviewRun(program, root / "base", out).seconds);
        }
        qa::bench::row("R5 with a thread per core (" + std::to_string(std::thread::hardware_concurrency()) + ")",
                       many * 1e3, one * 1e3, "ms (floor: one thread)", 0.7);
    }
    if (qa::review::writesWorkbooks()) {
        const auto [floor2, book] = measure(program, root / "base", out, 3, true);
        qa::bench::row("R1 (info) with the workbook too", book.seconds * 1e3, floor2 * 1e3, "ms", 4.0);
        qa::bench::row("R4 (info) with the workbook too", book.peakKiB / 1024.0, 3.0 * inputBytes / 1048576.0,
                       "MiB (floor: 3x input)", 1.0);
    }

    // Four times the files, by days and by students; each run of them takes
    // turns with a run of the 10,000, so both see the same machine.
    auto fourTimes = [&](const std::string& what, const fs::path& dir) {
        Run big{1e9, 1e9, 0}, small{1e9, 1e9, 0};
        for (int i = 0; i < 3; ++i) {
            const Run s = reviewRun(program, root / "base", out), b = reviewRun(program, dir, out);
            small = {std::min(small.seconds, s.seconds), std::min(small.cpu, s.cpu), 0};
            big = {std::min(big.seconds, b.seconds), std::min(big.cpu, b.cpu), 0};
        }
        fs::remove_all(dir);
        qa::bench::row("R2 4x the files by " + what, big.seconds * 1e3, small.seconds * 1e3, "ms", 4.4);
        std::fprintf(stderr, "R2 by %s, processor time: %.0f ms against %.0f ms (%.2fx)\n", what.c_str(),
                     big.cpu * 1e3, small.cpu * 1e3, big.cpu / small.cpu);
    };
    std::fprintf(stderr, "composing %d x %d...\n", students, days * 4);
    makeClass(root / "days", students, days * 4);
    fourTimes("days (" + std::to_string(days * 4) + ")", root / "days");
    std::fprintf(stderr, "composing %d x %d...\n", students * 4, days);
    makeClass(root / "students", students * 4, days);
    fourTimes("students (" + std::to_string(students * 4) + ")", root / "students");

    // Near-identical answers among 2,000 to one question, 5% copied or nearly.
    std::mt19937_64 rng(7);
    std::vector<std::string> texts;
    for (int i = 0; i < 2000; ++i)
        texts.push_back(
            qa::review::foldText(i % 20 == 19 ? nearCopy(texts[rng() % texts.size()], rng) : answerText(rng)));
    std::vector<std::string_view> views(texts.begin(), texts.end());
    const auto t = Clock::now();
    const auto pairs = qa::review::nearIdentical(views);
    const double near = secondsSince(t);
    std::fprintf(stderr, "near-identical pairs found: %zu\n", pairs.size());
    qa::bench::row("R3 near-identical, 2,000 answers", near * 1e3, 1000.0, "ms (floor: 1 s)", 1.0);
    std::fprintf(stderr, "input %.1f MiB in %s files; floor %.0f ms; R1's processor time %.0f ms\n",
                 inputBytes / 1048576.0, files.c_str(), floor * 1e3, base.cpu * 1e3);

    fs::remove_all(root);
    return 0;
}
