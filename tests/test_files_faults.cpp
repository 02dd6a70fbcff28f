// The all-or-nothing append of a recording under failing system calls, and
// the mapping of window paths to the host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/errors.h"
#include "store/files.h"
#include "support/fakes.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using qa::testing::errorOf;
using qa::testing::FaultyFileOps;
using qa::testing::TempRoot;
using Kind = FaultyFileOps::Kind;

const std::string kOldMaster = "old master\r\nsecond line\r\n";
const std::string kOldSend = "old send\r\n";

// A data directory with a master and a send file; the notes file is missing.
struct Recording {
    TempRoot root;
    FaultyFileOps ops;
    Files files{ops, root.path, root.state()};
    fs::path dir = root.home();
    std::vector<AppendPart> parts{
        {"c:\\kelvarno\\m.txt", "master block\r\nline two\r\n"},
        {"c:\\kelvarno\\s.txt", "send block\r\n"},
        {"c:\\kelvarno\\n.txt", std::string(49, '.') + "       "},
    };

    Recording()
    {
        fs::create_directories(dir);
        std::ofstream(dir / "m.txt", std::ios::binary) << kOldMaster;
        std::ofstream(dir / "s.txt", std::ios::binary) << kOldSend;
    }

    // The error number appendAll raised, 0 when it succeeded.
    int append()
    {
        return errorOf([&] { files.appendAll(parts); }, &lastPath);
    }

    void expectUnchanged(const std::string& what) const
    {
        EXPECT_EQ(root.read(dir / "m.txt"), kOldMaster) << what;
        EXPECT_EQ(root.read(dir / "s.txt"), kOldSend) << what;
        EXPECT_FALSE(root.exists(dir / "n.txt")) << what;
        expectNothingOpen(what);
    }
    void expectAppended(const std::string& what) const
    {
        EXPECT_EQ(root.read(dir / "m.txt"), kOldMaster + parts[0].bytes) << what;
        EXPECT_EQ(root.read(dir / "s.txt"), kOldSend + parts[1].bytes) << what;
        EXPECT_EQ(root.read(dir / "n.txt"), parts[2].bytes) << what;
        expectNothingOpen(what);
    }
    void expectNothingOpen(const std::string& what) const
    {
        EXPECT_EQ(files.openCount(), 0) << what;
        EXPECT_EQ(ops.openFds, 0) << what;
    }

    std::string lastPath;
};

TEST(AppendAll, AppendsEveryPartInOneWriteAndSyncsFilesAndNewDirectoryEntry)
{
    Recording r;
    r.ops.onlyKinds = [](Kind k) { return k == Kind::Fsync; };
    ASSERT_EQ(r.append(), 0);
    r.expectAppended("success");
    EXPECT_EQ(r.ops.writes, 3);
    EXPECT_EQ(r.ops.counted, 4); // three files, and the directory of the one created

    // All files exist now: no directory sync.
    Recording again;
    std::ofstream(again.dir / "n.txt", std::ios::binary) << "";
    again.ops.onlyKinds = [](Kind k) { return k == Kind::Fsync; };
    ASSERT_EQ(again.append(), 0);
    EXPECT_EQ(again.ops.counted, 3);
}

// Fails the n-th call of one kind, for n = 1, 2, ... until a run meets no
// fault. Returns how many runs failed.
int failEachInTurn(Kind kind, bool everyLater)
{
    int failed = 0;
    for (int n = 1; n < 20; ++n) {
        Recording r;
        r.ops.onlyKinds = [kind](Kind k) { return k == kind; };
        r.ops.failAt = n;
        r.ops.failFrom = everyLater;
        const std::string what = "call " + std::to_string(n) + (everyLater ? " and later" : " only");
        const int err = r.append();
        if (r.ops.counted < n) {
            EXPECT_EQ(err, 0) << what;
            r.expectAppended(what);
            return failed;
        }
        ++failed;
        EXPECT_EQ(err, kDeviceIO) << what;
        r.expectUnchanged(what);
    }
    ADD_FAILURE() << "faults never ran out";
    return failed;
}

TEST(AppendAll, FailingOpenLeavesEveryFileAsItWas)
{
    EXPECT_GE(failEachInTurn(Kind::Open, false), 4);
    EXPECT_GE(failEachInTurn(Kind::Open, true), 4);
}

TEST(AppendAll, FailingWriteLeavesEveryFileAsItWas)
{
    EXPECT_EQ(failEachInTurn(Kind::Write, false), 3);
    EXPECT_EQ(failEachInTurn(Kind::Write, true), 3);
}

TEST(AppendAll, FailingSyncLeavesEveryFileAsItWas)
{
    EXPECT_EQ(failEachInTurn(Kind::Fsync, false), 4);
    EXPECT_EQ(failEachInTurn(Kind::Fsync, true), 4);
}

TEST(AppendAll, FailingCloseAfterSyncIsNoError)
{
    Recording r;
    r.ops.onlyKinds = [](Kind k) { return k == Kind::Close; };
    r.ops.failAt = 1;
    r.ops.failFrom = true;
    EXPECT_EQ(r.append(), 0);
    r.expectAppended("close fails");
}

TEST(AppendAll, ShortWriteIsDiskFull)
{
    std::mt19937 gen(20260307);
    for (int file = 0; file < 3; ++file) {
        Recording probe;
        const std::size_t len = probe.parts[file].bytes.size();
        std::uniform_int_distribution<std::size_t> pick(1, len - 1);
        for (std::size_t count : {std::size_t{1}, len - 1, pick(gen)}) {
            Recording r;
            r.ops.shortWriteAt = file + 1;
            r.ops.shortBytes = count;
            const std::string what = "file " + std::to_string(file) + ", " + std::to_string(count) + " bytes";
            EXPECT_EQ(r.append(), kDiskFull) << what;
            r.expectUnchanged(what);
        }
    }
}

TEST(AppendAll, ErrorNumbersOfTheSystemReasons)
{
    const std::pair<int, int> onWrite[] = {{ENOSPC, kDiskFull},
#ifdef EDQUOT
                                           {EDQUOT, kDiskFull},
#endif
                                           {EFBIG, kDiskFull},          {EIO, kDeviceIO},
                                           {EACCES, kPermissionDenied}, {EROFS, kPermissionDenied},
                                           {EISDIR, kPathFileAccess}};
    for (auto [err, number] : onWrite) {
        Recording r;
        r.ops.onlyKinds = [](Kind k) { return k == Kind::Write; };
        r.ops.failAt = 2;
        r.ops.failErrno = err;
        EXPECT_EQ(r.append(), number) << "errno " << err;
        r.expectUnchanged("errno " + std::to_string(err));
    }
    for (auto [err, number] : {std::pair{EACCES, kPermissionDenied}, std::pair{EROFS, kPermissionDenied}}) {
        Recording r;
        r.ops.onlyKinds = [](Kind k) { return k == Kind::Open; };
        r.ops.failAt = 1;
        r.ops.failErrno = err;
        EXPECT_EQ(r.append(), number) << "errno " << err;
        r.expectUnchanged("open errno " + std::to_string(err));
    }
}

TEST(AppendAll, DirectoryWhereAFileShouldBe)
{
    Recording r;
    fs::remove(r.dir / "s.txt");
    fs::create_directory(r.dir / "s.txt");
    EXPECT_EQ(r.append(), kPathFileAccess);
    EXPECT_EQ(r.lastPath, (r.dir / "s.txt").string());
    EXPECT_EQ(r.root.read(r.dir / "m.txt"), kOldMaster);
    EXPECT_TRUE(fs::is_directory(r.dir / "s.txt"));
    EXPECT_FALSE(r.root.exists(r.dir / "n.txt"));
    r.expectNothingOpen("directory");
}

TEST(AppendAll, MissingDirectory)
{
    Recording r;
    r.parts[1].path = "c:\\nowhere\\s.txt";
    EXPECT_EQ(r.append(), kPathNotFound);
    EXPECT_EQ(r.root.read(r.dir / "m.txt"), kOldMaster);
    EXPECT_FALSE(r.root.exists(r.dir / "n.txt"));
    EXPECT_FALSE(r.root.exists(fs::path(r.root.path) / "c" / "nowhere"));
    r.expectNothingOpen("missing directory");

    // A name with a parent step is refused before anything is written.
    Recording bad;
    bad.parts[2].path = "c:\\kelvarno\\..\\n.txt";
    EXPECT_EQ(bad.append(), kBadFileName);
    bad.expectUnchanged("bad file name");

    // A file created earlier in the same call is removed again.
    Recording first;
    first.parts = {{"c:\\kelvarno\\n.txt", "notes"}, {"i:\\bkp_000416\\My Documents\\x.txt", "x"}};
    EXPECT_EQ(first.append(), kPathNotFound);
    first.expectUnchanged("created then missing directory");
}

// A data folder on another device than the one the session opened under the
// same name (a share gone from its mount point) fails the recording with the
// folder named, and no record file is made or changed in it.
TEST(AppendAll, AFolderNotTheOneTheSessionOpenedFailsTheRecording)
{
    struct Remounted : FaultyFileOps {
        std::string folder;
        bool moved = false;
        int stat(const std::string& path, FileInfo& info) override
        {
            const int r = FaultyFileOps::stat(path, info);
            if (moved && r == 0 && path == folder)
                ++info.device;
            return r;
        }
    };
    Recording r;
    Remounted ops;
    Files files(ops, r.root.path, r.root.state());
    const std::string master = files.hostPath(r.parts[0].path);
    ops.folder = parentOf(master);
    files.touch(r.parts[0].path);
    ops.moved = true;
    std::string path;
    EXPECT_EQ(errorOf([&] { files.appendAll(r.parts); }, &path), kPathNotFound);
    EXPECT_EQ(path, ops.folder);
    r.expectUnchanged("folder on another device");
    ops.moved = false;
    EXPECT_EQ(errorOf([&] { files.appendAll(r.parts); }), 0);
}

// Every record file the start or a recording makes has its folder synced; a
// file system that cannot sync a folder (EINVAL: shares, FUSE) is no failure.
TEST(AppendAll, EveryRecordFileMadeHasItsFolderSynced)
{
    for (auto [err, number] : {std::pair{0, 0}, std::pair{EINVAL, 0}, std::pair{EIO, int{kDeviceIO}}}) {
        Recording r;
        fs::remove(r.dir / "m.txt");
        fs::remove(r.dir / "s.txt");
        r.ops.dirSyncErrno = err;
        EXPECT_EQ(errorOf([&] { r.files.touch(r.parts[0].path); }), number) << "master, errno " << err;
        EXPECT_EQ(r.ops.dirSyncs, 1) << "master, errno " << err;
        EXPECT_EQ(r.append(), number) << "send and notes, errno " << err;
        EXPECT_EQ(r.ops.dirSyncs, number == 0 ? 3 : 2) << "send and notes, errno " << err;
        EXPECT_EQ(r.root.exists(r.dir / "s.txt"), number == 0) << err;
    }
}

// On a share without locks another writer may append between our write and
// a later step that fails: the roll-back cuts a file back only when what lies
// past its old length is exactly what this recording wrote.
TEST(AppendAll, RollBackWithoutLocksCutsOnlyWhatThisRecordingWrote)
{
    struct AnotherWriterThenFailure : FaultyFileOps {
        fs::path master;
        std::string other;
        std::int64_t write(int fd, const void* buf, std::size_t len) override
        {
            if (writes == 1) { // the send file's turn, after the master file's
                std::ofstream(master, std::ios::binary | std::ios::app) << other;
                errno = EIO;
                return -1;
            }
            return FaultyFileOps::write(fd, buf, len);
        }
    };
    for (const std::string other : {"", "another tutor's text\r\n"}) {
        Recording r;
        AnotherWriterThenFailure ops;
        ops.lockErrno = ENOLCK;
        ops.master = r.dir / "m.txt";
        ops.other = other;
        Files files(ops, r.root.path, r.root.state());
        EXPECT_EQ(errorOf([&] { files.appendAll(r.parts); }), kDeviceIO) << other;
        EXPECT_EQ(r.root.read(r.dir / "m.txt"), kOldMaster + (other.empty() ? "" : r.parts[0].bytes + other));
        EXPECT_EQ(r.root.read(r.dir / "s.txt"), kOldSend) << other;
        EXPECT_FALSE(r.root.exists(r.dir / "n.txt")) << other;
    }
}

#ifndef _WIN32 // permission bits, users and fork
TEST(AppendAll, ReadOnlyDirectory)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    Recording r;
    fs::permissions(r.dir, fs::perms::owner_read | fs::perms::owner_exec);
    const int err = r.append();
    fs::permissions(r.dir, fs::perms::owner_all);
    EXPECT_EQ(err, kPermissionDenied);
    r.expectUnchanged("read-only directory");
}
#endif

// Shares without byte-range locks, folders where nothing can be created, and
// a state directory that cannot be written: each recording still lands whole.
TEST(AppendAll, RecordsOnSharesWithoutLocksCreateRightsOrStateDirectory)
{
    for (int err : {ENOLCK, EOPNOTSUPP, EINVAL}) {
        Recording r;
        r.ops.lockErrno = err;
        EXPECT_EQ(r.append(), 0) << "lock errno " << err;
        r.expectAppended("lock errno " + std::to_string(err));
        EXPECT_GE(r.ops.locks, 3);
    }
    // A lock that fails for any other reason is not skipped.
    Recording broken;
    broken.ops.lockErrno = EIO;
    EXPECT_EQ(broken.append(), kDeviceIO);
    broken.expectUnchanged("lock EIO");

    // The record files exist and can be written; nothing can be created.
    Recording prepared;
    std::ofstream(prepared.dir / "n.txt", std::ios::binary) << "";
    prepared.ops.denyCreateUnder = prepared.dir.string();
    EXPECT_EQ(prepared.append(), 0);
    prepared.expectAppended("no create rights");
    EXPECT_NO_THROW(prepared.files.touch("c:\\kelvarno\\m.txt")); // opened without asking to create it
    // A record file that would have to be created there is refused, and the
    // others are left as they were.
    Recording missing;
    missing.ops.denyCreateUnder = missing.dir.string();
    EXPECT_EQ(missing.append(), kPermissionDenied);
    missing.expectUnchanged("no create rights, notes file missing");

    // No journal can be kept: the recording goes on without one.
    Recording stateless;
    stateless.ops.denyCreateUnder = stateless.root.state();
    EXPECT_EQ(stateless.append(), 0);
    stateless.expectAppended("state directory not writable");
    EXPECT_FALSE(stateless.root.exists(stateless.root.state()));
}

#ifndef _WIN32
// The same for real: a user who may write the record files of a read-only
// folder, and may not create anything in it or in the state directory's
// parent. As root, the append runs in a child that has become "nobody".
TEST(AppendAll, ReadOnlyFolderWithWritableRecordFilesForReal)
{
    Recording r;
    std::ofstream(r.dir / "n.txt", std::ios::binary) << "";
    const uid_t user = geteuid() == 0 ? 65534 : geteuid();
    for (const fs::path& p : {fs::path(r.root.path), fs::path(r.root.path) / "c", r.dir}) {
        ASSERT_EQ(chown(p.c_str(), user, user), 0);
        fs::permissions(p, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_exec |
                               fs::perms::others_read);
    }
    for (const char* name : {"m.txt", "s.txt", "n.txt"})
        ASSERT_EQ(chown((r.dir / name).c_str(), user, user), 0);

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(user) != 0 || setuid(user) != 0))
            _exit(2);
        if (::access(r.dir.c_str(), W_OK) == 0)
            _exit(3); // the folder must really refuse new files
        Files files(systemFileOps(), r.root.path, r.root.path + "/state");
        const int error = errorOf([&] { files.appendAll(r.parts); });
        _exit(error ? 10 + error % 100 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    fs::permissions(r.root.path, fs::perms::owner_all);
    fs::permissions(r.dir, fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(r.root.read(r.dir / "m.txt"), kOldMaster + r.parts[0].bytes);
    EXPECT_EQ(r.root.read(r.dir / "s.txt"), kOldSend + r.parts[1].bytes);
    EXPECT_EQ(r.root.read(r.dir / "n.txt"), r.parts[2].bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(r.dir), fs::directory_iterator()), 3);
}

// On Windows the separators differ; tests/windows has its own case.
TEST(HostPath, WindowPathsMapUnderTheDriveRoot)
{
    TempRoot root;
    DrivePaths files{root.path + "/"};
    EXPECT_EQ(files.hostPath("c:\\kelvarno\\masterFile_Ann_Lee.txt"),
              root.path + "/c/kelvarno/masterFile_Ann_Lee.txt");
    EXPECT_EQ(files.hostPath("X:\\A\\B"), root.path + "/x/A/B");
    EXPECT_EQ(files.hostPath("i:\\bkp_000416\\My Documents\\distance students\\interactive problems\\lb1"),
              root.path + "/i/bkp_000416/My Documents/distance students/interactive problems/lb1");
    EXPECT_EQ(files.hostPath("c:\\k\\caf\xE9.txt"), root.path + "/c/k/caf\xC3\xA9.txt");

    for (const char* bad : {"c:\\kelvarno\\..\\x.txt", "..\\x", "c:\\a\\..", ""})
        EXPECT_EQ(errorOf([&] { files.hostPath(bad); }), kBadFileName) << bad;
}
#endif

// A writer stopped at the `count`-th call of one kind, as if killed there:
// nothing after that call runs, no roll-back, and its journal stays. (An
// exception unwinds past the steps, so this runs without fork on Windows.)
struct Stopped {};
struct StopsAt : FaultyFileOps {
    Kind kind;
    int count;
    std::size_t keep; // bytes the stopped write still writes
    int seen = 0;
    StopsAt(Kind k, int n, std::size_t bytes) : kind(k), count(n), keep(bytes) {}
    void stopHere(Kind k)
    {
        if (k == kind && ++seen == count)
            throw Stopped{};
    }
    int open(const std::string& path, unsigned flags) override
    {
        if (path.find("journal-") == std::string::npos)
            stopHere(Kind::Open);
        return FaultyFileOps::open(path, flags);
    }
    std::int64_t write(int fd, const void* buf, std::size_t len) override
    {
        if (kind == Kind::Write && seen + 1 == count)
            FaultyFileOps::write(fd, buf, std::min(len, keep));
        stopHere(Kind::Write);
        return FaultyFileOps::write(fd, buf, len);
    }
    int fsync(int fd) override
    {
        stopHere(Kind::Fsync);
        return FaultyFileOps::fsync(fd);
    }
};

std::vector<fs::path> journals(const std::string& stateDir)
{
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(stateDir))
        if (entry.path().filename().string().rfind("journal-", 0) == 0)
            out.push_back(entry.path());
    return out;
}

// A recording stopped part-way is found at the next start: each of its files
// is cut back (or kept, when every one holds its whole block), and its text
// comes back, once, unless it is whole. Only journals of this machine whose
// program is gone are touched; another writer's text is never cut.
TEST(RepairAbandoned, RecordingsStoppedAnywhereAreWholeOrCutAndHandedBack)
{
    enum Journal { Ours, ProgramGone, ProgramRunning, OtherMachine };
    struct Row {
        const char* what;
        Kind kind;
        int count;
        std::size_t keep;
        Journal journal;
        const char* otherText; // appended to the master file after the stop
        bool masterGone;
        std::string master; // what stays past the old text; "*": the whole block
        bool handedBack;
        // The repair's `failCall` on the master file fails with this; or
        // `keep` says the text could not be kept. Either way the journal
        // stays, and the next repair, undisturbed, ends as "torn master
        // block" does.
        int failErr = 0;
        bool kept = true;
        const char* failCall = "open";
    };
    const Row rows[] = {
        {"before the first file is opened", Kind::Open, 1, 0, Ours, "", false, "", true},
        {"torn master block", Kind::Write, 1, 7, Ours, "", false, "", true},
        {"master whole, send torn", Kind::Write, 2, 3, Ours, "", false, "", true},
        {"master whole, send not written", Kind::Write, 2, 0, Ours, "", false, "", true},
        {"all written, not synced", Kind::Fsync, 2, 0, Ours, "", false, "*", false},
        {"another writer appended after", Kind::Write, 1, 7, Ours, "other", false, "master other", true},
        {"master file gone", Kind::Write, 1, 7, Ours, "", true, "", true},
        {"a program that is gone", Kind::Write, 2, 3, ProgramGone, "", false, "", true},
        {"another machine's journal", Kind::Write, 1, 7, OtherMachine, "", false, "master ", false},
        {"master not to be opened (EACCES)", Kind::Write, 1, 7, Ours, "", false, "", true, EACCES},
        {"master not to be opened (EIO)", Kind::Write, 2, 3, Ours, "", false, "", true, EIO},
        {"its text could not be kept", Kind::Write, 1, 7, Ours, "", false, "", true, 0, false},
        {"master not to be cut back (EIO)", Kind::Write, 1, 7, Ours, "", false, "", true, EIO, true, "ftruncate"},
        {"master cut, not synced (EIO)", Kind::Write, 1, 7, Ours, "", false, "", true, EIO, true, "fsync"},
#ifndef _WIN32
        {"a program still running", Kind::Write, 1, 7, ProgramRunning, "", false, "master ", false},
#endif
    };
    for (const Row& row : rows) {
        Recording r;
        {
            StopsAt stopping(row.kind, row.count, row.keep);
            Files files(stopping, r.root.path, r.root.state());
            EXPECT_THROW(files.appendAll(r.parts), Stopped) << row.what;
        }
        const std::vector<fs::path> left = journals(r.root.state());
        ASSERT_EQ(left.size(), 1u) << row.what;
        const std::string self = left[0].filename().string();
        const std::string pid = row.journal == ProgramGone ? "2147483600"
#ifndef _WIN32
                                : row.journal == ProgramRunning ? std::to_string(getppid())
#endif
                                                                : self.substr(self.rfind('-') + 1);
        const std::string name =
            row.journal == OtherMachine ? "journal-elsewhere-" + pid : self.substr(0, self.rfind('-') + 1) + pid;
        fs::rename(left[0], fs::path(r.root.state()) / name);
        std::ofstream(r.dir / "m.txt", std::ios::binary | std::ios::app) << row.otherText;
        if (row.masterGone)
            fs::remove(r.dir / "m.txt");

        std::vector<std::string> back;
        const auto keep = [&back](const CutRecording& cut) {
            back.push_back(cut.files.front() + '|' + cut.bytes);
            return true;
        };
        const std::string master = r.files.hostPath(r.parts[0].path);
        const std::string before = r.root.read(r.dir / "m.txt") + r.root.read(r.dir / "s.txt");
        if (row.failErr != 0 || !row.kept) {
            r.ops.failErrno = row.failErr;
            r.ops.onCall = [&](const char* call, const std::string& path) {
                return row.failErr != 0 && std::string(call) == row.failCall && path == master;
            };
            const std::vector<RuntimeError> unsettled =
                r.files.repairAbandoned([&](const CutRecording& cut) { return keep(cut) && row.kept; });
            EXPECT_EQ(back.size(), row.kept ? 0u : 1u) << row.what;
            EXPECT_EQ(unsettled.size(), row.kept ? 1u : 0u) << row.what;
            for (const RuntimeError& e : unsettled)
                EXPECT_EQ(e.path(), master) << row.what;
            EXPECT_EQ(journals(r.root.state()).size(), 1u) << row.what;
            if (row.failErr != 0 && std::string(row.failCall) != "fsync") {
                EXPECT_EQ(r.root.read(r.dir / "m.txt") + r.root.read(r.dir / "s.txt"), before) << row.what;
            }
            r.ops.onCall = nullptr;
            back.clear();
        }
        // The journal's own sync: every file cut back is synced before the
        // journal goes.
        std::vector<std::string> calls;
        r.ops.onCall = [&calls](const char* call, const std::string& path) {
            calls.push_back(std::string(call) + ' ' + path);
            return false;
        };
        EXPECT_TRUE(r.files.repairAbandoned(keep).empty()) << row.what;
        r.ops.onCall = nullptr;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].rfind("ftruncate ", 0) != 0)
                continue;
            const std::string file = calls[i].substr(10);
            const auto synced = std::find(calls.begin() + i, calls.end(), "fsync " + file);
            const auto gone = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
                return c.rfind("unlink ", 0) == 0 && c.find("journal-") != std::string::npos;
            });
            EXPECT_TRUE(synced < gone) << row.what << ": " << file << " cut, not synced before the journal went";
        }
        EXPECT_EQ(back, row.handedBack
                            ? std::vector<std::string>{r.files.hostPath(r.parts[0].path) + '|' + r.parts[0].bytes}
                            : std::vector<std::string>{})
            << row.what;
        const bool repaired = row.journal == Ours || row.journal == ProgramGone;
        EXPECT_EQ(journals(r.root.state()).size(), repaired ? 0u : 1u) << row.what;
        if (row.master == "*") {
            r.expectAppended(row.what);
        } else {
            EXPECT_EQ(row.masterGone ? kOldMaster + row.master : r.root.read(r.dir / "m.txt"),
                      kOldMaster + row.master)
                << row.what;
            EXPECT_EQ(repaired ? r.root.read(r.dir / "s.txt") : kOldSend, kOldSend) << row.what;
        }
        EXPECT_EQ(r.root.exists(r.dir / "n.txt"), !repaired || !row.handedBack) << row.what;
        r.expectNothingOpen(row.what);
    }
}

// A data folder that cannot be reached at start (a share not mounted yet):
// the recording stopped in it is left as it is, its text not handed on, and
// repaired once the folder is back, its text handed on once.
TEST(RepairAbandoned, AFolderNotReachableKeepsItsRecordingUntilItIsBack)
{
    Recording r;
    {
        StopsAt stopping(Kind::Write, 2, 3); // master whole, send torn
        Files files(stopping, r.root.path, r.root.state());
        EXPECT_THROW(files.appendAll(r.parts), Stopped);
    }
    const fs::path away = r.dir.string() + ".away";
    fs::rename(r.dir, away);
    std::vector<std::string> back;
    const auto keep = [&back](const CutRecording& cut) {
        back.push_back(cut.bytes);
        return true;
    };
    EXPECT_TRUE(r.files.repairAbandoned(keep).empty());
    EXPECT_TRUE(back.empty());
    EXPECT_EQ(journals(r.root.state()).size(), 1u);
    fs::rename(away, r.dir);
    EXPECT_EQ(r.root.read(r.dir / "m.txt"), kOldMaster + r.parts[0].bytes);
    EXPECT_TRUE(r.files.repairAbandoned(keep).empty());
    EXPECT_EQ(back, std::vector<std::string>{r.parts[0].bytes});
    EXPECT_EQ(journals(r.root.state()).size(), 0u);
    r.expectUnchanged("repaired once the folder is back");
}

// A file system that cannot cut a file back (ftruncate not supported, as on
// an SMB share through gvfs): the repair writes the good part beside the file
// and renames it over, so the text is handed back once and the file is as
// it was. On Windows, which renames nothing over an open file, the repair's
// own handle is closed first.
TEST(RepairAbandoned, AFileThatCannotBeCutBackIsPutRightByACopy)
{
    Recording r;
    {
        StopsAt stopping(Kind::Write, 2, 3); // master whole, send torn
        Files files(stopping, r.root.path, r.root.state());
        EXPECT_THROW(files.appendAll(r.parts), Stopped);
    }
    r.ops.failErrno = EOPNOTSUPP;
    r.ops.onCall = [](const char* call, const std::string&) { return std::string(call) == "ftruncate"; };
    std::vector<std::string> back;
    EXPECT_TRUE(r.files
                    .repairAbandoned([&back](const CutRecording& cut) {
                        back.push_back(cut.bytes);
                        return true;
                    })
                    .empty());
    EXPECT_EQ(back, std::vector<std::string>{r.parts[0].bytes});
    EXPECT_EQ(journals(r.root.state()).size(), 0u);
    r.expectUnchanged("put right by a copy");
    EXPECT_EQ(std::distance(fs::directory_iterator(r.dir), fs::directory_iterator()), 2); // no temporary left
}

} // namespace
