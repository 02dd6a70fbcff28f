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

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "reliability/no_truncate_mount.h"
#include "reliability/reliability_support.h"
#include "store/journal.h"

namespace {

namespace fs = std::filesystem;
using qa::reliability::parseRecordFile;
using qa::reliability::RecordFile;

// A scratch drive root. On tmpfs (/dev/shm) fsync costs next to nothing, so
// the long runs use it; process crashes do not depend on fsync (the page cache
// outlives the process), and flock behaves the same on every local file system.
class Scratch {
public:
    explicit Scratch(bool tmpfs) : Scratch(std::string(tmpfs && ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : ""))
    {
    }
    // In `base` (the temporary directory when empty).
    explicit Scratch(const std::string& base)
    {
        std::string tmpl =
            ((base.empty() ? fs::temp_directory_path() : fs::path(base)) / "qa-reliability-XXXXXX").string();
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

// The crash campaign. A student's session (tests/reliability/recorder_driver.cpp:
// drafts while typing, responses and a note across three questions) is
// killed at a random call that changes a file while it starts, keeps a draft
// or records; in half the trials the next start is killed too, in its
// start-up repair; then a clean start records whatever came back into the
// box, and quits. Afterwards every text recorded is whole exactly once in the
// master and send files under its question line, and so is the text in hand
// at the kill (recorded then, or back in the box, never both); the files
// parse whole and the state folder is empty.
struct Said {
    std::string line, text;
    bool note = false;
    auto operator<=>(const Said&) const = default;
};

struct DriverRun {
    std::vector<std::string> lines;
    int status = 0;
    std::map<std::string, int> calls; // by phase, from the "calls" line
};

DriverRun runSession(const std::string& root, const std::string& role, const std::string& kill)
{
    DriverRun run;
    int fds[2];
    if (pipe(fds) != 0)
        return run;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execl(QA_RECORDER_DRIVER, QA_RECORDER_DRIVER, "session", root.c_str(), role.c_str(), kill.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    waitpid(pid, &run.status, 0);
    for (std::size_t at = 0, nl; (nl = out.find('\n', at)) != std::string::npos; at = nl + 1) {
        run.lines.push_back(out.substr(at, nl - at));
        if (run.lines.back().rfind("calls ", 0) == 0) {
            std::istringstream in(run.lines.back().substr(6));
            for (std::string field; in >> field;)
                run.calls[field.substr(0, field.find('='))] = std::atoi(field.c_str() + field.find('=') + 1);
        }
    }
    return run;
}

// "<what> <line>|<text>" as the driver prints a step or what came back.
Said saidIn(const std::string& rest, bool note)
{
    const std::size_t bar = rest.find('|');
    return {rest.substr(0, bar), rest.substr(bar + 1), note};
}

// What the killed session had done: the texts recorded, the last draft kept
// (since the last recording), and the step in hand at the kill.
struct Session {
    std::vector<Said> recorded;
    std::optional<Said> draft;
    std::string step; // empty when it ran to its end
    Said inHand;
    std::string killed;     // "<phase> <n> <call>"
    bool journaled = false; // the recording in hand is in a journal left
};

Session sessionOf(const DriverRun& run)
{
    Session s;
    for (const std::string& l : run.lines) {
        if (l.rfind("begin ", 0) == 0) {
            const std::size_t space = l.find(' ', 6);
            s.step = l.substr(6, space - 6);
            s.inHand = saidIn(l.substr(space + 1), s.step == "note");
        } else if (l == "done") {
            if (s.step == "type")
                s.draft = s.inHand;
            if (s.step == "record" || s.step == "note") {
                s.recorded.push_back(s.inHand);
                s.draft.reset();
            }
            s.step.clear();
        } else if (l.rfind("killed ", 0) == 0) {
            s.killed = l.substr(7);
        }
    }
    return s;
}

std::vector<Said> entriesOf(const RecordFile& file)
{
    std::vector<Said> out;
    const std::string prefix = qa::records::kNotesPrefix;
    for (std::size_t i = 0; i < file.answers.size(); ++i) {
        const bool note = file.answers[i].rfind(prefix, 0) == 0;
        out.push_back({file.questions[i], note ? file.answers[i].substr(prefix.size()) : file.answers[i], note});
    }
    std::sort(out.begin(), out.end());
    return out;
}

// One trial's checks; empty when they all hold, else what failed.
std::string check(const Session& s, const DriverRun& clean, const Scratch& scratch)
{
    if (!WIFEXITED(clean.status) || WEXITSTATUS(clean.status) != 0)
        return "the clean start failed: " + (clean.lines.empty() ? std::string() : clean.lines.back());
    std::optional<Said> back;
    std::vector<std::string> messages;
    for (const std::string& l : clean.lines) {
        if (l.rfind("message ", 0) == 0)
            messages.push_back(l.substr(8));
        if (l.rfind("back ", 0) == 0 && l.rfind("back none ", 0) != 0)
            back = saidIn(l.substr(l.find(' ', 5) + 1), l.rfind("back note ", 0) == 0);
    }
    // Only the message that says what came back, for which question.
    if (messages.size() != (back ? 1u : 0u) ||
        (back &&
         (messages[0].find(" you had not recorded for the question \"" + back->line + "\"") == std::string::npos ||
          messages[0].find("does not reach") != std::string::npos)))
        return "at the clean start: " + (messages.empty() ? "no message" : messages.back());
    // What may come back: the text in hand (a note from its draft comes back
    // as plain text), or the draft kept before a draft save that was killed.
    // A recording killed before its journal was written leaves only the
    // draft kept before it; once journaled, its own text must come back.
    const bool recording = s.step == "record" || s.step == "note";
    if (s.step.empty() || s.step == "quit") {
        if (!s.draft || back != s.draft)
            return "the draft kept on quitting did not come back";
    } else if (back) {
        std::vector<Said> may;
        if (s.step == "type" || recording)
            may = {s.inHand, {s.inHand.line, s.inHand.text, false}};
        if (s.draft && (s.step == "type" || !s.journaled))
            may.push_back(*s.draft);
        if (std::find(may.begin(), may.end(), *back) == may.end())
            return "came back: \"" + back->text + "\" for \"" + back->line + "\"";
    }
    std::vector<Said> want = s.recorded;
    if (back)
        want.push_back(*back); // recorded by the clean start
    // Typed without a pause and killed before its journal, a recording is
    // nowhere; after its journal went idle, it is whole in the files.
    const bool mayBeGone = recording && !back && !s.journaled && !s.draft;
    std::vector<Said> gone = want;
    std::sort(gone.begin(), gone.end());
    if (recording && !back)
        want.push_back(s.inHand); // whole in the files, then
    std::sort(want.begin(), want.end());
    for (bool master : {true, false}) {
        std::string name = "masterFile_Campaign.txt";
        for (const auto& e : fs::directory_iterator(fs::path(scratch.path) / "c" / "kelvarno"))
            if (!master && e.path().filename().string().rfind("send_", 0) == 0)
                name = e.path().filename().string();
        const RecordFile file = parseRecordFile(scratch.read(name), master);
        if (!file.error.empty())
            return name + " not whole: " + file.error;
        if (entriesOf(file) != want && !(mayBeGone && entriesOf(file) == gone)) {
            std::string got;
            for (const Said& e : entriesOf(file))
                got += " [" + e.line + "|" + e.text + (e.note ? "|note]" : "]");
            return name + " holds" + got + "; " + std::to_string(want.size()) + " texts wanted";
        }
    }
    for (const auto& e : fs::directory_iterator(fs::path(scratch.path) / "state"))
        return "left in the state folder: " + e.path().filename().string();
    for (const auto& e : fs::directory_iterator(fs::path(scratch.path) / "c" / "kelvarno")) {
        const std::string name = e.path().filename().string();
        if (name.rfind("masterFile_", 0) != 0 && name.rfind("send_", 0) != 0 && name.rfind("notes_", 0) != 0)
            return "left in the data folder: " + name;
    }
    return {};
}

#ifdef QA_SANITIZED
constexpr int kTrials = 60; // the sanitizers' runtime makes each start several times slower
constexpr int kTrialsOnAFolderAway = 20;
#else
constexpr int kTrials = 400;
constexpr int kTrialsOnAFolderAway = 80;
#endif

// Where a trial's drive lies. On a stick, the drive's "c" is a link to a
// folder that is taken away after the kill: the next start finds no data
// folder, and it is back for the clean start. In a closed folder the record
// files stand empty from the outset, and no other file may be made beside
// them (on the pass-through that keeps such folders closed).
enum class Drive { Fixed, Stick, ClosedFolder };

struct Tally {
    std::map<std::string, int> calls;     // by phase; and the most a start made after a kill in each phase
    std::vector<std::string> recordFiles; // the names a whole session gives its files in the data folder
    std::map<std::string, int> kills, byCall;
    int secondMissed = 0, cameBack = 0;
};

// The texts of the killed session and its journals, as a trial reads them.
Session killedSession(const Scratch& scratch, const std::string& kill, Tally& tally)
{
    const DriverRun first = runSession(scratch.path, "student", kill);
    Session s = sessionOf(first);
    std::error_code none; // no state folder yet
    for (const auto& e : fs::directory_iterator(fs::path(scratch.path) / "state", none)) {
        const auto parts = qa::parseJournal(qa::reliability::readFile(e.path()));
        s.journaled = s.journaled || ((s.step == "record" || s.step == "note") && parts &&
                                      parts->front().bytes.find(s.inHand.text) != std::string::npos);
    }
    if (!s.killed.empty()) {
        ++tally.kills[kill.substr(0, kill.find(':'))];
        ++tally.byCall[s.killed.substr(s.killed.rfind(' ') + 1)];
    }
    return s;
}

// A start after the kill, itself killed at a random call of its start-up
// repair (or run to its end when `kill` is false).
std::string secondStart(const Scratch& scratch, const std::string& phase, bool kill, std::mt19937& rng,
                        Tally& tally)
{
    // As many calls as the most a start after such a kill made.
    int& most = tally.calls["repair after " + phase];
    most = std::max(most, tally.calls["start"]);
    const std::string second = kill ? "start:" + std::to_string(1 + rng() % static_cast<unsigned>(most)) : "-";
    DriverRun killed = runSession(scratch.path, "start", second);
    const std::string said = sessionOf(killed).killed;
    if (said.empty() && kill) {
        ++tally.secondMissed;
    } else if (kill) {
        ++tally.kills["repair"];
        ++tally.byCall[said.substr(said.rfind(' ') + 1)];
    }
    most = std::max(most, killed.calls["start"]);
    return second;
}

constexpr auto kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;

// The data folder made with the given files in it, empty, and closed to new
// names; opened again below for the scratch to be removed.
void closeDataFolder(const fs::path& data, const std::vector<std::string>& files)
{
    fs::create_directories(data);
    for (const std::string& name : files)
        std::ofstream(data / name).flush();
    fs::permissions(data, kWrite, fs::perm_options::remove);
}

void openDataFolder(const fs::path& data)
{
    fs::permissions(data, kWrite, fs::perm_options::add);
}

// One trial: killed at a random call, perhaps killed again in the next
// start's repair, then a clean start. Empty when every check holds.
std::string trial(const std::string& base, Drive drive, std::mt19937& rng, Tally& tally)
{
    Scratch scratch(base);
    const fs::path stick = fs::path(scratch.path) / "stick", away = fs::path(scratch.path) / "stick.away";
    const fs::path data = fs::path(scratch.path) / "c" / "kelvarno";
    if (drive == Drive::Stick) {
        fs::create_directories(stick);
        fs::create_directory_symlink(stick, fs::path(scratch.path) / "c");
    } else if (drive == Drive::ClosedFolder) {
        closeDataFolder(data, tally.recordFiles);
    }
    const char* kPhases[] = {"start", "draft", "record"};
    const std::string phase = kPhases[rng() % 3];
    const std::string kill = phase + ":" + std::to_string(1 + rng() % static_cast<unsigned>(tally.calls[phase]));
    const Session s = killedSession(scratch, kill, tally);
    if (s.killed.empty())
        return kill + ": not killed";
    std::string second;
    if (drive == Drive::Stick) {
        fs::rename(stick, away);
        second = "the data folder away, " + secondStart(scratch, phase, rng() % 4 != 0, rng, tally);
        fs::rename(away, stick);
    } else if (rng() % 4 != 0) {
        second = secondStart(scratch, phase, true, rng, tally);
    }
    DriverRun clean = runSession(scratch.path, "clean", "-");
    int& most = tally.calls["repair after " + phase];
    most = std::max(most, clean.calls["start"]);
    for (const std::string& l : clean.lines)
        tally.cameBack += l.rfind("back none", 0) != 0 && l.rfind("back ", 0) == 0;
    const std::string failed = check(s, clean, scratch);
    if (drive == Drive::ClosedFolder)
        openDataFolder(data);
    if (failed.empty())
        return failed;
    return "killed at " + s.killed + " (step " + s.step + ")" + (second.empty() ? "" : ", then at " + second) +
           ": " + failed;
}

// A tally that starts from a session run through on the drive the trials
// use: its phases' calls, and the files it made in the data folder.
Tally tallyOfAWholeSession(const std::string& base, Drive drive = Drive::Fixed)
{
    Tally tally;
    {
        Scratch scratch(base);
        const DriverRun whole = runSession(scratch.path, "student", "-");
        EXPECT_EQ(whole.status, 0) << (whole.lines.empty() ? "" : whole.lines.back());
        tally.calls = whole.calls;
        std::error_code none;
        for (const auto& e : fs::directory_iterator(fs::path(scratch.path) / "c" / "kelvarno", none))
            tally.recordFiles.push_back(e.path().filename().string());
    }
    if (drive == Drive::ClosedFolder) { // its files there from the outset, it makes fewer calls
        Scratch scratch(base);
        const fs::path data = fs::path(scratch.path) / "c" / "kelvarno";
        closeDataFolder(data, tally.recordFiles);
        const DriverRun whole = runSession(scratch.path, "student", "-");
        EXPECT_EQ(whole.status, 0) << (whole.lines.empty() ? "" : whole.lines.back());
        tally.calls = whole.calls;
        openDataFolder(data);
    }
    return tally;
}

void printTally(const char* what, int trials, double seconds, Tally& tally)
{
    std::printf("[ figures  ] %s: %d trials in %.1f s; kills: start %d, draft save %d, recording %d, "
                "start-up repair %d (second kills past the repair's end: %d); texts back in the box: %d\n",
                what, trials, seconds, tally.kills["start"], tally.kills["draft"], tally.kills["record"],
                tally.kills["repair"], tally.secondMissed, tally.cameBack);
    std::string by;
    for (const auto& [call, n] : tally.byCall)
        by += " " + call + " " + std::to_string(n);
    std::printf("[ figures  ] kill points by call:%s\n", by.c_str());
}

double secondsSince(std::chrono::steady_clock::time_point began)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
}

TEST(CrashCampaign, KilledAnywhereEveryTextIsWholeOnceOrBackOnce)
{
    const auto began = std::chrono::steady_clock::now();
    std::mt19937 rng(2323);
    Tally tally = tallyOfAWholeSession("");
    const std::string tmpfs = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
    for (int n = 0; n < kTrials; ++n) {
        const std::string failed =
            trial(n == 0 ? "" : tmpfs, Drive::Fixed, rng, tally); // the first on the real disk
        ASSERT_EQ(failed, "") << "trial " << n;
    }
    printTally("crash campaign", kTrials, secondsSince(began), tally);
}

// The data folder taken away after the kill (a stick pulled out, a share
// gone) and back for the clean start: the start without it repairs nothing
// it cannot see, and hands nothing on that may still stand in its files.
TEST(CrashCampaign, WithTheDataFolderAwayAfterTheKillEveryTextIsWholeOnceOrBackOnce)
{
    const auto began = std::chrono::steady_clock::now();
    std::mt19937 rng(3535);
    Tally tally = tallyOfAWholeSession("");
    const std::string tmpfs = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
    for (int n = 0; n < kTrialsOnAFolderAway; ++n)
        ASSERT_EQ(trial(tmpfs, Drive::Stick, rng, tally), "") << "trial " << n;
    printTally("crash campaign, the data folder away", kTrialsOnAFolderAway, secondsSince(began), tally);
}

// On our FUSE file system that refuses to cut a file back: every repair is
// made by a copy renamed over the file.
TEST(CrashCampaign, WhereNothingCanBeCutBackEveryTextIsWholeOnceOrBackOnce)
{
    qa::testing::Mounted m;
    if (!m.problem().empty())
        GTEST_SKIP() << m.problem();
    const auto began = std::chrono::steady_clock::now();
    std::mt19937 rng(4747);
    Tally tally = tallyOfAWholeSession(m.path);
    for (int n = 0; n < kTrialsOnAFolderAway; ++n)
        ASSERT_EQ(trial(m.path, Drive::Fixed, rng, tally), "") << "trial " << n;
    printTally("crash campaign, nothing cut back", kTrialsOnAFolderAway, secondsSince(began), tally);
}

// On that file system, in a folder where no file may be made beside the
// record files: no repair can take a block out, so it is finished instead.
TEST(CrashCampaign, WhereNothingCanBeCutBackOrMadeEveryTextIsWholeOnceOrBackOnce)
{
    qa::testing::Mounted m(qa::testing::Folders::KeptClosed);
    if (!m.problem().empty())
        GTEST_SKIP() << m.problem();
    const auto began = std::chrono::steady_clock::now();
    std::mt19937 rng(5959);
    Tally tally = tallyOfAWholeSession(m.path, Drive::ClosedFolder);
    ASSERT_FALSE(tally.recordFiles.empty());
    {
        // Else the trials below would only repeat the ones above.
        Scratch scratch(m.path);
        const fs::path data = fs::path(scratch.path) / "c" / "kelvarno";
        closeDataFolder(data, tally.recordFiles);
        const int fd = ::open((data / "made").c_str(), O_WRONLY | O_CREAT, 0600);
        const int err = errno;
        if (fd >= 0)
            ::close(fd);
        openDataFolder(data);
        ASSERT_LT(fd, 0) << "a file was made in the closed folder";
        ASSERT_EQ(err, EACCES);
    }
    for (int n = 0; n < kTrialsOnAFolderAway; ++n)
        ASSERT_EQ(trial(m.path, Drive::ClosedFolder, rng, tally), "") << "trial " << n;
    printTally("crash campaign, nothing cut back or made", kTrialsOnAFolderAway, secondsSince(began), tally);
}

} // namespace
