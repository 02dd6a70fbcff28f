// Recordings under failing file operations: every counted operation failed in
// turn, short writes, a file size limit, and directories that are missing,
// in the way, or read-only. Whatever fails, each record file is left exactly
// as it was or holds the whole recording, the student is told, and the typed
// text stays in the answer box.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <fcntl.h>
#endif
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "reliability/reliability_support.h"
#include "support/fakes.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using qa::reliability::parseRecordFile;
using qa::reliability::readFile;
#ifndef _WIN32
using qa::reliability::runInChild;
#endif
using qa::reliability::snapshotTree;
using qa::testing::Harness;
using Kind = qa::testing::FaultyFileOps::Kind;

const std::string kTyped = "My answer: 4 cm^3/s, rising.\r\nSecond line of it.";

// The recording under test and what stands in the files before it.
struct Scenario {
    const char* name;
    Event event;
    bool notesBefore; // a note was saved earlier, so the notes file exists
    bool sendMissing; // the send file is gone, so the recording creates it
    int files;        // files the recording appends to
};

const Scenario kScenarios[] = {
    {"response", Event::EnterResponse, false, false, 2},
    {"response creating the send file", Event::EnterResponse, false, true, 2},
    {"first note (creates the notes file)", Event::SaveAsNotes, false, false, 3},
    {"later note", Event::SaveAsNotes, true, false, 3},
};

// Each record file as it stands: whether it exists, and its bytes.
struct FileState {
    bool exists[3] = {};
    std::string bytes[3];
};

FileState state(const Harness& h)
{
    FileState s;
    const fs::path paths[3] = {h.master(), h.send(), h.notes()};
    for (int i = 0; i < 3; ++i) {
        s.exists[i] = fs::exists(paths[i]);
        if (fs::is_regular_file(paths[i]))
            s.bytes[i] = readFile(paths[i]);
        else if (s.exists[i])
            s.bytes[i] = "(not a file)";
    }
    return s;
}

// Empty when both states are the same; otherwise which file differs and how.
std::string diff(const FileState& a, const FileState& b)
{
    static const char* names[3] = {"master", "send", "notes"};
    std::string out;
    for (int i = 0; i < 3; ++i) {
        if (a.exists[i] != b.exists[i])
            out += std::string(names[i]) + (a.exists[i] ? " vanished; " : " appeared; ");
        else if (a.bytes[i] != b.bytes[i])
            out += std::string(names[i]) + " " + std::to_string(a.bytes[i].size()) + " -> " +
                   std::to_string(b.bytes[i].size()) + " bytes; ";
    }
    return out;
}

// Start-up, the first question, one recorded response (and a note when the
// scenario wants one); then the answer box holds the text to record.
void prepare(Harness& h, const Scenario& s)
{
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    h.view.answer = "first answer";
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    if (s.notesBefore) {
        h.view.answer = "first note";
        ASSERT_TRUE(h.tutor.handle(Event::SaveAsNotes));
    }
    if (s.sendMissing)
        fs::remove(h.send());
    ASSERT_TRUE(h.dialogs.messages.empty());
    h.view.answer = kTyped;
}

// The files before and after the recording when nothing fails.
struct Reference {
    FileState before, after;
};

Reference reference(const Scenario& s)
{
    Harness h;
    prepare(h, s);
    Reference r{state(h), {}};
    EXPECT_TRUE(h.tutor.handle(s.event));
    EXPECT_TRUE(h.dialogs.messages.empty());
    r.after = state(h);
    EXPECT_NE(diff(r.before, r.after), "") << s.name;
    return r;
}

// Fails operation N of the recording for N = 1, 2, ... until a recording runs
// with no operation failed. Returns the number of faults injected.
int failEachOperation(const Scenario& s, bool failFrom)
{
    const Reference ref = reference(s);
    const std::string mode = failFrom ? " (every operation from N on fails)" : " (operation N fails)";
    int injected = 0;
    for (int n = 1; n <= 100; ++n) {
        const std::string where = std::string(s.name) + mode + ", N = " + std::to_string(n);
        Harness h;
        prepare(h, s);
        const FileState before = state(h);
        EXPECT_EQ(diff(ref.before, before), "") << where;

        std::vector<Kind> kinds;
        h.ops.onlyKinds = [&](Kind k) {
            kinds.push_back(k);
            return true;
        };
        h.ops.counted = 0;
        h.ops.failAt = n;
        h.ops.failFrom = failFrom;
        const std::size_t messagesBefore = h.dialogs.messages.size();
        const bool alive = h.tutor.handle(s.event);
        h.ops.failAt = 0;
        h.ops.onlyKinds = nullptr;

        const bool faulted = static_cast<int>(kinds.size()) >= n;
        const bool told = h.dialogs.messages.size() > messagesBefore;
        const FileState after = state(h);
        EXPECT_TRUE(alive) << where;
        EXPECT_EQ(h.files.openCount(), 0) << where;
        EXPECT_EQ(h.ops.openFds, 0) << where;
        if (told) {
            EXPECT_TRUE(faulted) << where;
            EXPECT_EQ(h.dialogs.messages.size(), messagesBefore + 1) << where;
            EXPECT_EQ(h.dialogs.messages.back().rfind("Your text was not recorded: ", 0), 0u) << where;
            EXPECT_NE(h.dialogs.messages.back().find("No record file was changed."), std::string::npos) << where;
            EXPECT_EQ(diff(before, after), "") << where;
            EXPECT_EQ(h.view.answer, kTyped) << where;
            // Clicking again once the fault is gone records it exactly once.
            EXPECT_TRUE(h.tutor.handle(s.event)) << where;
            EXPECT_EQ(diff(ref.after, state(h)), "") << where << " (retry)";
        } else {
            EXPECT_EQ(diff(ref.after, after), "") << where;
            EXPECT_EQ(h.view.answer, "") << where;
            // Only a close once the data is synced, or the journal, may fail
            // unreported: without its journal a recording goes on, only
            // without the repair of a torn tail.
            if (faulted) {
                const Kind k = kinds[static_cast<std::size_t>(n - 1)];
                EXPECT_TRUE(k == Kind::Close || k == Kind::JournalOpen || k == Kind::JournalWrite ||
                            k == Kind::JournalSync)
                    << where;
            }
        }
        if (faulted)
            ++injected;
        if (!faulted)
            return injected;
    }
    ADD_FAILURE() << s.name << mode << ": still failing after 100 operations";
    return injected;
}

TEST(FaultMatrix, EveryOperationOfARecordingFailedOnceLeavesFilesWholeOrUntouched)
{
    int total = 0;
    for (const Scenario& s : kScenarios) {
        int faults = failEachOperation(s, false);
        // open, write, fsync and close for each file at the least.
        EXPECT_GE(faults, 4 * s.files) << s.name;
        total += faults;
    }
    std::printf("[ figures  ] single faults injected: %d\n", total);
}

TEST(FaultMatrix, EveryOperationFromNOnFailingLeavesFilesWholeOrUntouched)
{
    int total = 0;
    for (const Scenario& s : kScenarios) {
        int faults = failEachOperation(s, true);
        EXPECT_GE(faults, 4 * s.files) << s.name;
        total += faults;
    }
    std::printf("[ figures  ] fail-from faults injected: %d\n", total);
}

TEST(FaultMatrix, ShortWritesAreCutBackAndNeverLeaveATornBlock)
{
    std::mt19937 rng(20260307);
    int injected = 0;
    for (const Scenario& s : {kScenarios[0], kScenarios[2]}) {
        const Reference ref = reference(s);
        std::vector<std::size_t> lengths;
        for (int f = 0; f < s.files; ++f)
            lengths.push_back(ref.after.bytes[f].size() - ref.before.bytes[f].size());

        Harness h;
        prepare(h, s);
        for (int w = 1; w <= s.files; ++w) {
            const std::size_t len = lengths[static_cast<std::size_t>(w - 1)];
            ASSERT_GT(len, 2u);
            const std::size_t random = 1 + rng() % (len - 1);
            for (std::size_t keep : {std::size_t{0}, std::size_t{1}, len - 1, random}) {
                const std::string where = std::string(s.name) + ": write " + std::to_string(w) + " keeps " +
                                          std::to_string(keep) + " of " + std::to_string(len);
                const FileState before = state(h);
                h.ops.writes = 0;
                h.ops.shortWriteAt = w;
                h.ops.shortBytes = keep;
                EXPECT_TRUE(h.tutor.handle(s.event)) << where;
                h.ops.shortWriteAt = 0;
                ++injected;
                ASSERT_FALSE(h.dialogs.messages.empty()) << where;
                EXPECT_NE(h.dialogs.messages.back().find("error 61: Disk full"), std::string::npos)
                    << where << ": " << h.dialogs.messages.back();
                EXPECT_EQ(diff(before, state(h)), "") << where;
                EXPECT_EQ(h.view.answer, kTyped) << where;
                h.dialogs.messages.clear();
            }
        }
        // Then the fault is gone: the recording lands once, whole.
        EXPECT_TRUE(h.tutor.handle(s.event));
        EXPECT_TRUE(h.dialogs.messages.empty());
        EXPECT_EQ(diff(ref.after, state(h)), "") << s.name;
        if (s.event == Event::EnterResponse) {
            for (bool master : {true, false}) {
                auto parsed = parseRecordFile(readFile(master ? h.master() : h.send()), master);
                EXPECT_EQ(parsed.error, "") << (master ? "master" : "send");
                EXPECT_EQ(parsed.headers.size(), 1u);
                EXPECT_EQ(parsed.answers, (std::vector<std::string>{"first answer", kTyped}));
            }
        }
    }
    std::printf("[ figures  ] short writes injected: %d\n", injected);
}

#ifndef _WIN32 // file size limits, users and permission bits are POSIX's
// Records with RLIMIT_FSIZE set so that one file's share stops part way; the
// kernel then writes only up to the limit. Runs in a child: the limit and the
// ignored SIGXFSZ stay there.
std::string recordUnderSizeLimit(bool sendCrosses)
{
    return runInChild([sendCrosses] {
        Harness h;
        prepare(h, kScenarios[0]);
        const records::Session& session = h.tutor.session();
        const auto parts = records::responseBlock({kTyped, h.tutor.cursor().currentLine(),
                                                   session.assignmentNumber(), h.tutor.cursor().questionNumber()},
                                                  session.paths(), session.codeNbr(), h.clock);
        const auto masterSize = fs::file_size(h.master());
        rlim_t limit = masterSize + parts[0].bytes.size() / 2;
        if (sendCrosses) {
            // The master share fits exactly; the send file is padded so that
            // its share crosses the limit half way.
            limit = masterSize + parts[0].bytes.size();
            const auto target = limit - parts[1].bytes.size() / 2;
            std::ofstream(h.send(), std::ios::binary | std::ios::app)
                << std::string(target - fs::file_size(h.send()), 'x');
        }
        const FileState before = state(h);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &rl) != 0)
            return std::string("setrlimit failed");
        // The kernel's part of the bargain: a write across the limit is short.
        std::string probe = h.root.path + "/probe";
        int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::string pad(limit - 10, 'p');
        ssize_t first = ::write(fd, pad.data(), pad.size());
        ssize_t second = ::write(fd, "0123456789abcdefghij", 20);
        ::close(fd);
        ::unlink(probe.c_str());

        const bool alive = h.tutor.handle(Event::EnterResponse);
        return "probe=" + std::to_string(first == static_cast<ssize_t>(pad.size()) ? second : -1) +
               "\nalive=" + std::to_string(alive) + "\nchanged=" + diff(before, state(h)) +
               "\nanswer=" + h.view.answer +
               "\nmessage=" + (h.dialogs.messages.empty() ? "" : h.dialogs.messages.back());
    });
}

TEST(FaultMatrix, FileSizeLimitInsideABlockRollsThePartialBlockBack)
{
    for (bool sendCrosses : {false, true}) {
        const std::string r = recordUnderSizeLimit(sendCrosses);
        const std::string where = sendCrosses ? "send share crosses" : "master share crosses";
        EXPECT_NE(r.find("probe=10\n"), std::string::npos) << where << ": " << r;
        EXPECT_NE(r.find("alive=1\n"), std::string::npos) << where << ": " << r;
        EXPECT_NE(r.find("changed=\n"), std::string::npos) << where << ": " << r;
        EXPECT_NE(r.find("answer=" + kTyped + "\n"), std::string::npos) << where << ": " << r;
        EXPECT_NE(r.find("message=Your text was not recorded: "), std::string::npos) << where << ": " << r;
        EXPECT_NE(r.find("error 61: Disk full"), std::string::npos) << where << ": " << r;
        EXPECT_NE(r.find(sendCrosses ? "send_0307Ann_Lee.txt" : "masterFile_Ann_Lee.txt"), std::string::npos)
            << where << ": " << r;
    }
}
#endif

// One recording with the data directory in a bad state; returns the message.
struct BadDirectoryResult {
    std::string message;
    std::string changed;
    bool newPaths = false;
};

BadDirectoryResult recordInto(Harness& h, Event event)
{
    const FileState before = state(h);
    const auto tree = snapshotTree(h.root.path);
    h.view.answer = kTyped;
    EXPECT_TRUE(h.tutor.handle(event));
    EXPECT_EQ(h.view.answer, kTyped);
    BadDirectoryResult r;
    r.message = h.dialogs.messages.empty() ? "" : h.dialogs.messages.back();
    r.changed = diff(before, state(h));
    r.newPaths = snapshotTree(h.root.path) != tree;
    return r;
}

TEST(FaultMatrix, MissingDirectoryAndDirectoryInPlaceOfAFileAreToldApartAndWriteNothing)
{
    Harness missing;
    prepare(missing, kScenarios[0]);
    fs::remove_all(missing.root.home());
    const auto gone = recordInto(missing, Event::EnterResponse);
    EXPECT_NE(gone.message.find("error 76: Path not found"), std::string::npos) << gone.message;
    EXPECT_NE(gone.message.find("masterFile_Ann_Lee.txt"), std::string::npos) << gone.message;
    EXPECT_EQ(gone.changed, "");
    EXPECT_FALSE(gone.newPaths) << "the recording must not make the directory again";

    Harness blocked;
    prepare(blocked, kScenarios[0]);
    fs::remove(blocked.send());
    fs::create_directory(blocked.send());
    const auto dir = recordInto(blocked, Event::EnterResponse);
    EXPECT_NE(dir.message.find("error 75: Path/File access error"), std::string::npos) << dir.message;
    EXPECT_NE(dir.message.find("send_0307Ann_Lee.txt"), std::string::npos) << dir.message;
    EXPECT_EQ(dir.changed, "") << "the master share must not stay";
    EXPECT_FALSE(dir.newPaths);

    Harness notesDir;
    prepare(notesDir, kScenarios[2]);
    fs::create_directory(notesDir.notes());
    const auto notes = recordInto(notesDir, Event::SaveAsNotes);
    EXPECT_NE(notes.message.find("error 75: Path/File access error"), std::string::npos) << notes.message;
    EXPECT_NE(notes.message.find("notes_Ann_Lee.txt"), std::string::npos) << notes.message;
    EXPECT_EQ(notes.changed, "");

    EXPECT_NE(gone.message, dir.message);
    for (const auto* m : {&gone.message, &dir.message, &notes.message})
        EXPECT_NE(m->find("Your text is still in the answer box."), std::string::npos) << *m;
}

#ifndef _WIN32
// A read-only directory means nothing to root, so as root the case runs in a
// child that has given up its privileges first.
TEST(FaultMatrix, ReadOnlyDirectoryAndReadOnlyFileAreRefusedWithPermissionDenied)
{
    const std::string r = runInChild([] {
        if (geteuid() == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
                return std::string("skip: cannot give up root");
            if (::access(fs::temp_directory_path().c_str(), W_OK) != 0)
                return std::string("skip: the temporary directory is not writable without root");
        }
        std::string out;
        {
            Harness h;
            prepare(h, kScenarios[0]);
            fs::remove(h.send());
            fs::permissions(h.root.home(), fs::perms::owner_read | fs::perms::owner_exec);
            if (::access(h.root.home().c_str(), W_OK) == 0)
                return std::string("skip: the directory stays writable");
            const auto dir = recordInto(h, Event::EnterResponse);
            out += "dir.changed=" + dir.changed + "\ndir.new=" + std::to_string(dir.newPaths) +
                   "\ndir.message=" + dir.message + "\n";
            fs::permissions(h.root.home(), fs::perms::owner_all);
        }
        {
            Harness h;
            prepare(h, kScenarios[0]);
            fs::permissions(h.master(), fs::perms::owner_read);
            const auto file = recordInto(h, Event::EnterResponse);
            out += "file.changed=" + file.changed + "\nfile.message=" + file.message + "\n";
        }
        return out;
    });
    if (r.rfind("skip:", 0) == 0)
        GTEST_SKIP() << r;
    EXPECT_NE(r.find("dir.changed=\n"), std::string::npos) << r;
    EXPECT_NE(r.find("dir.new=0\n"), std::string::npos) << r;
    EXPECT_NE(r.find("dir.message=Your text was not recorded: the file \""), std::string::npos) << r;
    EXPECT_NE(r.find("send_0307Ann_Lee.txt\" (open: Permission denied; error 70: Permission denied)"),
              std::string::npos)
        << r;
    EXPECT_NE(r.find("file.changed=\n"), std::string::npos) << r;
    EXPECT_NE(r.find("masterFile_Ann_Lee.txt\" (open: Permission denied; error 70: Permission denied)"),
              std::string::npos)
        << r;
}
#endif

} // namespace
