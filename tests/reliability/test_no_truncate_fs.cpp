// The record files on a file system that cannot cut a file back: our own
// FUSE pass-through (no_truncate_fs.cpp) over a temporary folder refuses
// truncate and ftruncate as an SMB share reached through gvfs does. The
// append, the repair after a kill and the drafts run on it through the real
// system calls. Skipped, saying why, where it cannot be mounted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "reliability/no_truncate_mount.h"
#include "store/files.h"
#include "support/fakes.h"

namespace {

using namespace qa;
using namespace qa::testing;
namespace fs = std::filesystem;

struct Killed {};

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(NoTruncateFileSystem, AppendRepairAndDraftsHoldWhereNothingCanBeCutBack)
{
    Mounted m;
    if (!m.problem().empty())
        GTEST_SKIP() << m.problem();
    const fs::path home = fs::path(m.path) / "c" / "kelvarno";
    const std::string state = m.path + "/state";
    fs::create_directories(home);
    std::ofstream(home / "m.txt", std::ios::binary) << "old master\r\n";
    std::ofstream(home / "s.txt", std::ios::binary) << "old send\r\n";
    ASSERT_NE(::truncate((home / "m.txt").c_str(), 0), 0);
    ASSERT_EQ(errno, EOPNOTSUPP);

    const std::vector<AppendPart> first{{"c:\\kelvarno\\m.txt", "first\r\n"},
                                        {"c:\\kelvarno\\s.txt", "first\r\n"}};
    const std::vector<AppendPart> second{{"c:\\kelvarno\\m.txt", "second\r\n"},
                                         {"c:\\kelvarno\\s.txt", "second\r\n"}};
    {
        Files files(systemFileOps(), m.path, state);
        files.appendAll(first);
    }
    const std::string master = "old master\r\nfirst\r\n", send = "old send\r\nfirst\r\n";
    EXPECT_EQ(readFile(home / "m.txt"), master);
    EXPECT_EQ(readFile(home / "s.txt"), send);

    // Killed between the master's write and the send file's.
    {
        FaultyFileOps ops;
        int writes = 0;
        ops.onlyKinds = [&writes](FaultyFileOps::Kind k) {
            if (k == FaultyFileOps::Kind::Write && ++writes == 2)
                throw Killed{};
            return false;
        };
        Files files(ops, m.path, state);
        EXPECT_THROW(files.appendAll(second), Killed);
    }
    EXPECT_EQ(readFile(home / "m.txt"), master + "second\r\n");

    // The next start puts the master right by a copy and hands the text back once.
    std::vector<std::string> back;
    {
        Files files(systemFileOps(), m.path, state);
        EXPECT_TRUE(files
                        .repairAbandoned([&back](const CutRecording& cut) {
                            back.push_back(cut.bytes);
                            return true;
                        })
                        .empty());
        EXPECT_EQ(files.openCount(), 0);
    }
    EXPECT_EQ(back, std::vector<std::string>{"second\r\n"});
    EXPECT_EQ(readFile(home / "m.txt"), master);
    EXPECT_EQ(readFile(home / "s.txt"), send);
    EXPECT_EQ(std::distance(fs::directory_iterator(home), fs::directory_iterator()), 2); // no temporary left

    // A draft written over, read back and removed; nothing pending is left.
    Files files(systemFileOps(), m.path, state);
    EXPECT_TRUE(files.writeStateFile("draft-x", "one"));
    EXPECT_TRUE(files.writeStateFile("draft-x", "two"));
    EXPECT_EQ(files.readStateFile("draft-x"), std::optional<std::string>("two"));
    files.removeStateFile("draft-x");
    EXPECT_FALSE(files.readStateFile("draft-x"));
    back.clear();
    EXPECT_TRUE(files
                    .repairAbandoned([&back](const CutRecording& cut) {
                        back.push_back(cut.bytes);
                        return true;
                    })
                    .empty());
    EXPECT_TRUE(back.empty());
    files.appendAll(second);
    EXPECT_EQ(readFile(home / "m.txt"), master + "second\r\n");
    EXPECT_EQ(readFile(home / "s.txt"), send + "second\r\n");
}

} // namespace
