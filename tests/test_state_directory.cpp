// The per-user state directory on the real file system: where it is, made
// owner-only, never used when others could plant files in it, nothing in it
// followed through a link, and a draft synced before it replaces the old one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "store/files.h"
#include "support/fakes.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using qa::testing::FaultyFileOps;
using qa::testing::TempRoot;
using Kind = FaultyFileOps::Kind;

const std::vector<AppendPart> kParts = {{"c:\\kelvarno\\m.txt", "block\r\n"}};

// A draft counts as saved only once it is synced, before it replaces the old
// one, and its folder after; a folder that cannot be synced (EINVAL) is fine.
TEST(StateFiles, ADraftIsSyncedBeforeItReplacesTheOldOne)
{
    struct Row {
        int failAt; // the n-th sync fails: 1 the draft's, 2 its folder's
        int err;
        bool saved;
        const char* holds;
    };
    for (const Row& row : {Row{0, 0, true, "two"}, Row{1, EIO, false, "one"}, Row{2, EINVAL, true, "two"},
                           Row{2, EIO, false, "two"}}) {
        TempRoot root;
        FaultyFileOps ops;
        Files files(ops, root.path, root.state());
        ASSERT_TRUE(files.writeStateFile("draft", "one"));
        ops.onlyKinds = [](Kind k) { return k == Kind::Fsync; };
        ops.counted = 0;
        ops.failAt = row.failAt;
        ops.failErrno = row.err;
        EXPECT_EQ(files.writeStateFile("draft", "two"), row.saved) << row.failAt << " " << row.err;
        EXPECT_EQ(files.readStateFile("draft"), std::optional<std::string>(row.holds)) << row.failAt;
        EXPECT_EQ(ops.counted, row.failAt == 1 ? 1 : 2) << row.failAt;
        EXPECT_EQ(std::distance(fs::directory_iterator(root.state()), fs::directory_iterator()), 1)
            << "a temporary file stayed behind";
    }
}

#ifndef _WIN32 // modes, owners, links and XDG are POSIX's
unsigned modeOf(const fs::path& p)
{
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(StateDirectory, MadeOwnerOnlyAndNotUsedWhenOthersCouldWriteIt)
{
    struct Row {
        const char* what;
        int mode; // -1: missing, made by the program
        bool anotherUsers;
        bool used;
    };
    const Row rows[] = {
        {"missing", -1, false, true},
        {"owner-only", 0700, false, true},
        {"readable by all", 0755, false, true},
        {"group-writable", 0770, false, false},
        {"writable by others", 0703, false, false},
        {"another user's", 0700, true, false},
    };
    for (const Row& row : rows) {
        if (row.anotherUsers && geteuid() != 0)
            continue; // only the superuser can give a folder away
        TempRoot root;
        const std::string state = root.state();
        if (row.mode >= 0) {
            fs::create_directory(state);
            ASSERT_EQ(::chmod(state.c_str(), static_cast<mode_t>(row.mode)), 0);
        }
        if (row.anotherUsers) {
            ASSERT_EQ(::chown(state.c_str(), 65534, 65534), 0);
        }
        fs::create_directories(root.home());
        Files files(systemFileOps(), root.path, state);
        files.appendAll(kParts); // recording goes on either way, with or without its journal
        EXPECT_EQ(root.read(root.home() / "m.txt"), "block\r\n") << row.what;
        EXPECT_EQ(files.writeStateFile("draft", "text"), row.used) << row.what;
        EXPECT_EQ(files.readStateFile("draft").has_value(), row.used) << row.what;
        EXPECT_EQ(modeOf(state), row.mode < 0 ? 0700u : static_cast<unsigned>(row.mode)) << row.what;
        int kept = 0;
        for (const auto& entry : fs::directory_iterator(state)) {
            ++kept;
            EXPECT_EQ(modeOf(entry.path()), 0600u) << row.what << ": " << entry.path();
        }
        EXPECT_EQ(kept, row.used ? 2 : 0) << row.what << ": the journal and the draft";
    }
}

// Links planted where a journal, a draft or a draft's temporary file goes
// are never written through, nor read through.
TEST(StateDirectory, PlantedLinksAreNeverFollowed)
{
    TempRoot root;
    fs::create_directories(root.home());
    const fs::path state = root.state();
    const fs::path victim = fs::path(root.path) / "victim";
    std::ofstream(victim, std::ios::binary) << "precious";
    Files files(systemFileOps(), root.path, state.string());
    files.appendAll(kParts);
    std::vector<fs::path> planted{state / "draft.new", state / "elsewhere"};
    for (const auto& entry : fs::directory_iterator(state))
        planted.push_back(entry.path()); // the journal
    for (int n = 1; n <= 3; ++n)
        planted.push_back(state / ("draft." + systemFileOps().hostName() + "-" + std::to_string(getpid()) + "-" +
                                   std::to_string(n) + ".tmp"));
    for (const fs::path& p : planted) {
        fs::remove(p);
        fs::create_symlink(victim, p);
    }
    files.appendAll(kParts);
    EXPECT_TRUE(files.writeStateFile("draft", "text"));
    EXPECT_EQ(files.readStateFile("elsewhere"), std::nullopt);
    EXPECT_EQ(root.read(victim), "precious");
    EXPECT_EQ(root.read(root.home() / "m.txt"), "block\r\nblock\r\n");
    EXPECT_EQ(files.readStateFile("draft"), std::optional<std::string>("text"));
}

// An absolute $XDG_STATE_HOME holds it; a relative one is ignored.
TEST(StateDirectory, UnderAnAbsoluteXdgStateHomeElseUnderHome)
{
    const char* had = std::getenv("XDG_STATE_HOME");
    const std::string old = had ? had : "";
    const char* home = std::getenv("HOME");
    const std::string fallback = std::string(home ? home : "") + "/.local/state/qa-tutor";
    for (auto [xdg, want] : {std::pair<const char*, std::string>{"/srv/state", "/srv/state/qa-tutor"},
                             {"srv/state", fallback},
                             {"", fallback},
                             {nullptr, fallback}}) {
        if (xdg)
            setenv("XDG_STATE_HOME", xdg, 1);
        else
            unsetenv("XDG_STATE_HOME");
        EXPECT_EQ(defaultStateDirectory(), want) << (xdg ? xdg : "unset");
    }
    if (had)
        setenv("XDG_STATE_HOME", old.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}
#endif

} // namespace
