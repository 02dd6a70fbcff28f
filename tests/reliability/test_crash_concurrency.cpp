// Real processes against real files: a recorder killed with SIGKILL at random
// moments, and eight recorders appending to the same files at once. The
// records must hold every block a recorder reported, whole, and no block may
// be torn or interleaved with another.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "reliability/reliability_support.h"

namespace {

namespace fs = std::filesystem;
using qa::reliability::parseRecordFile;
using qa::reliability::RecordFile;

// A scratch drive root. On tmpfs (/dev/shm) fsync costs next to nothing, so
// the long runs use it; process crashes do not depend on fsync (the page cache
// outlives the process), and flock behaves the same on every local file system.
class Scratch {
public:
    explicit Scratch(bool tmpfs)
    {
        fs::path base = fs::temp_directory_path();
        if (tmpfs && ::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        std::string tmpl = (base / "qa-reliability-XXXXXX").string();
        path = mkdtemp(tmpl.data()) ? tmpl : "";
    }
    ~Scratch()
    {
        std::error_code ec;
        if (!path.empty())
            fs::remove_all(path, ec);
    }
    std::string read(const std::string& file) const
    {
        return qa::reliability::readFile(fs::path(path) / "c" / "kelvarno" / file);
    }
    std::string path;
};

// Starts the recorder driver with its standard output on `out`.
pid_t startRecorder(const std::string& root, const std::string& name, long count, const std::string& tag, int out,
                    const std::string& stateDir = "")
{
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        const std::string n = std::to_string(count);
        const std::string state = stateDir.empty() ? root + "/state" : stateDir;
        execl(QA_RECORDER_DRIVER, QA_RECORDER_DRIVER, root.c_str(), name.c_str(), n.c_str(), tag.c_str(),
              state.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The numbers after the given tag, in file order ("run7 3" -> 3 under "run7").
std::map<std::string, std::vector<long>> byTag(const std::vector<std::string>& answers)
{
    std::map<std::string, std::vector<long>> out;
    for (const std::string& a : answers) {
        auto space = a.rfind(' ');
        out[a.substr(0, space)].push_back(std::strtol(a.c_str() + space + 1, nullptr, 10));
    }
    return out;
}

TEST(CrashTest, KilledRecorderLosesNoReportedBlockAndTearsNone)
{
    Scratch scratch(false); // a real disk: every block goes through fsync
    ASSERT_FALSE(scratch.path.empty());
    std::mt19937 rng(424242);
    const int kRuns = 100;
    std::vector<long> reported(kRuns, 0);
    int killedBySignal = 0;

    for (int run = 0; run < kRuns; ++run) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = startRecorder(scratch.path, "Kill Test", 0, "run" + std::to_string(run), fds[1]);
        close(fds[1]);
        ASSERT_GT(pid, 0);
        // Kill the moment the k-th "ok" arrives, or a little later, so the
        // kill lands anywhere in the next recording.
        const long target = 1 + static_cast<long>(rng() % 6);
        const unsigned delayUs = rng() % 2 == 0 ? 0 : rng() % 3000;
        std::string pending;
        bool killed = false;
        char buf[256];
        while (true) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 20000) <= 0)
                break;
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            pending.append(buf, static_cast<std::size_t>(n));
            std::size_t nl;
            while ((nl = pending.find('\n')) != std::string::npos) {
                const std::string line = pending.substr(0, nl);
                pending.erase(0, nl + 1);
                ASSERT_EQ(line.rfind("ok ", 0), 0u) << "run " << run << ": " << line;
                reported[static_cast<std::size_t>(run)] = std::strtol(line.c_str() + 3, nullptr, 10);
            }
            if (!killed && reported[static_cast<std::size_t>(run)] >= target) {
                if (delayUs)
                    usleep(delayUs);
                kill(pid, SIGKILL);
                killed = true; // keep reading: lines written before death were reported too
            }
        }
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(killed) << "run " << run << " stopped on its own";
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            ++killedBySignal;
    }
    EXPECT_EQ(killedBySignal, kRuns);

    long blocksReported = 0, blocksChecked = 0, blocksLost = 0, inFlight = 0, tornTails = 0;
    for (bool master : {true, false}) {
        const std::string which = master ? "master" : "send";
        // A kill inside the write of a block that spans a page boundary can
        // leave the first part of that block behind. The killed writer's
        // journal still holds the length from before, so the next run's first
        // append cuts that tail off: only the last run may end torn.
        const RecordFile file = parseRecordFile(
            scratch.read(master ? "masterFile_Kill_Test.txt" : "send_0307Kill_Test.txt"), master, true);
        EXPECT_EQ(file.headers.size(), static_cast<std::size_t>(kRuns)) << which;
        std::vector<int> tornInRun(kRuns, 0);
        for (std::size_t after : file.tornAfterHeader) {
            ASSERT_GE(after, 1u) << which << ": torn before the first header; " << file.error;
            ++tornInRun[after - 1];
            ++tornTails;
        }
        if (!file.tornAfterHeader.empty())
            std::printf("[ figures  ] %s: %zu torn tail(s) of killed runs, the first at %s\n", which.c_str(),
                        file.tornAfterHeader.size(), file.error.c_str());
        auto tags = byTag(file.answers);
        for (int run = 0; run < kRuns; ++run) {
            const long want = reported[static_cast<std::size_t>(run)];
            const auto& got = tags["run" + std::to_string(run)];
            // 1..want, each once and in order; at most one more: the block in
            // flight when the kill came, written but never reported.
            for (long i = 1; i <= want; ++i) {
                ++blocksChecked;
                if (static_cast<long>(got.size()) < i || got[static_cast<std::size_t>(i - 1)] != i)
                    ++blocksLost;
            }
            EXPECT_LE(static_cast<long>(got.size()), want + 1) << which << ", run " << run;
            EXPECT_LE(tornInRun[static_cast<std::size_t>(run)], run == kRuns - 1 ? 1 : 0)
                << which << ", run " << run;
            if (static_cast<long>(got.size()) == want + 1) {
                EXPECT_EQ(got.back(), want + 1) << which << ", run " << run;
                EXPECT_EQ(tornInRun[static_cast<std::size_t>(run)], 0) << which << ", run " << run;
                ++inFlight;
            }
            if (master)
                blocksReported += want;
        }
    }
    EXPECT_EQ(blocksLost, 0);
    std::printf("[ figures  ] kills: %d, blocks reported: %ld, block copies checked: %ld, lost: %ld, "
                "unreported in-flight copies found whole: %ld, torn: %ld\n",
                killedBySignal, blocksReported, blocksChecked, blocksLost, inFlight, tornTails);
}

// Eight recorders under one student name append to the same master and send
// files at once; every block must come out whole and in its writer's order.
void race(bool tmpfs, long perWriter)
{
    Scratch scratch(tmpfs);
    ASSERT_FALSE(scratch.path.empty());
    const int kWriters = 8;
    std::vector<pid_t> pids;
    const std::string logs = scratch.path + "/logs";
    fs::create_directory(logs);
    const auto start = std::chrono::steady_clock::now();
    for (int w = 0; w < kWriters; ++w) {
        const std::string log = logs + "/w" + std::to_string(w);
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(out, 0);
        // One state folder each, as on eight computers: one computer opens
        // a student's assignment in one window only.
        pids.push_back(startRecorder(scratch.path, "Race Test", perWriter, "w" + std::to_string(w), out,
                                     scratch.path + "/state-w" + std::to_string(w)));
        close(out);
    }
    for (int w = 0; w < kWriters; ++w) {
        int status = 0;
        waitpid(pids[static_cast<std::size_t>(w)], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << w << " status " << status;
        std::ifstream log(logs + "/w" + std::to_string(w));
        std::string line, last;
        while (std::getline(log, line))
            last = line;
        EXPECT_EQ(last, "ok " + std::to_string(perWriter)) << "writer " << w;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::vector<std::string> order[2];
    long torn = 0;
    for (int f = 0; f < 2; ++f) {
        const bool master = f == 0;
        const RecordFile file =
            parseRecordFile(scratch.read(master ? "masterFile_Race_Test.txt" : "send_0307Race_Test.txt"), master);
        EXPECT_EQ(file.error, "") << (master ? "master" : "send");
        if (!file.error.empty())
            ++torn;
        EXPECT_EQ(file.headers.size(), static_cast<std::size_t>(kWriters));
        EXPECT_EQ(file.answers.size(), static_cast<std::size_t>(kWriters * perWriter));
        auto tags = byTag(file.answers);
        for (int w = 0; w < kWriters; ++w) {
            const auto& got = tags["w" + std::to_string(w)];
            ASSERT_EQ(got.size(), static_cast<std::size_t>(perWriter)) << "writer " << w;
            for (long i = 0; i < perWriter; ++i)
                ASSERT_EQ(got[static_cast<std::size_t>(i)], i + 1) << "writer " << w;
        }
        order[f] = file.answers;
    }
    // All of a recording's files are locked before the first is written, so
    // the blocks stand in the same order in both files.
    EXPECT_EQ(order[0], order[1]);
    std::printf("[ figures  ] %s: %d writers x %ld blocks in %.1f s; block copies checked: %zu, torn or "
                "interleaved files: %ld\n",
                tmpfs ? "tmpfs" : "disk", kWriters, perWriter, seconds, order[0].size() + order[1].size(), torn);
}

TEST(ConcurrencyTest, EightWritersTwoThousandBlocksEachOnTmpfsNeverInterleave)
{
    race(true, 2000);
}

// The same on the disk the temporary directory lives on, where every block is
// synced for real and the writers queue behind each other's sync.
TEST(ConcurrencyTest, EightWritersOnDiskNeverInterleave)
{
    race(false, 2000);
}

} // namespace
