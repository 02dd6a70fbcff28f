// A recording on a disk that fills up: the data folder is a small tmpfs of
// its own (mounted by the test, which needs root; skipped, saying why, where
// it cannot be mounted), filled to a page or none, and the whole tutor
// records through the real system calls.
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/fakes.h"

namespace {

using namespace qa;
using namespace qa::testing;
namespace fs = std::filesystem;

// A tmpfs of 256 KiB mounted over a folder, unmounted again at the end.
class SmallDisk {
public:
    explicit SmallDisk(const fs::path& at) : at_(at)
    {
        fs::create_directories(at);
        if (::geteuid() != 0) {
            problem_ = "mounting a file system needs root";
            return;
        }
        const std::string mount = "mount -t tmpfs -o size=256k qa-full-disk '" + at.string() + "' >/dev/null 2>&1";
        if (std::system(mount.c_str()) != 0) {
            problem_ = "a tmpfs cannot be mounted here (no permission to mount)";
            return;
        }
        mounted_ = true;
    }
    ~SmallDisk()
    {
        if (mounted_)
            std::system(("umount '" + at_.string() + "' >/dev/null 2>&1").c_str());
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const std::string& problem() const { return problem_; }

    // Fills the disk until `pages` free pages are left; false when it cannot.
    bool leave(int pages) const
    {
        struct statvfs st {};
        if (::statvfs(at_.c_str(), &st) != 0)
            return false;
        const auto left = static_cast<long long>(st.f_bavail) - pages;
        if (left < 0)
            return false;
        std::ofstream(at_ / "filler", std::ios::binary)
            << std::string(static_cast<std::size_t>(left * static_cast<long long>(st.f_frsize)), 'f');
        return ::statvfs(at_.c_str(), &st) == 0 && st.f_bavail == static_cast<fsblkcnt_t>(pages);
    }
    void free() const { fs::remove(at_ / "filler"); }

private:
    fs::path at_;
    std::string problem_;
    bool mounted_ = false;
};

std::size_t count(const std::string& in, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = in.find(what); at != std::string::npos; at = in.find(what, at + 1))
        ++n;
    return n;
}

// The disk full at the master file's block, or with room for it but not for
// the send file's: the recording is refused as a full disk, every record
// file is byte for byte as it was, nothing else is left in the folder, and
// the text stays in the box; with room again, the same click records it
// once in each file.
TEST(FullDisk, ARecordingThatFillsTheDiskLeavesEveryFileWholeAndTheTextInTheBox)
{
    // Longer than a page, so that each file's block needs a page of its own.
    std::string answer = "The band stretches";
    while (answer.size() < 5000)
        answer += " further and further";
    for (const int pages : {0, 1}) {
        SCOPED_TRACE(pages == 0 ? "no room for the master's block" : "room for the master's block alone");
        Harness h;
        SmallDisk disk(h.root.home());
        if (!disk.problem().empty())
            GTEST_SKIP() << disk.problem();
        h.useBank({"001.  x", "`q1 first question", "####.#"});
        ASSERT_TRUE(h.start());
        ASSERT_TRUE(h.dialogs.messages.empty());
        ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
        const std::string master = h.root.read(h.master()), send = h.root.read(h.send());
        ASSERT_TRUE(disk.leave(pages));

        h.view.answer = answer;
        EXPECT_TRUE(h.tutor.handle(Event::EnterResponse)); // the program goes on
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_NE(h.dialogs.messages[0].find("Disk full"), std::string::npos) << h.dialogs.messages[0];
        EXPECT_NE(h.dialogs.messages[0].find("No record file was changed"), std::string::npos);
        EXPECT_EQ(h.view.answer, answer);
        EXPECT_EQ(h.root.read(h.master()), master);
        EXPECT_EQ(h.root.read(h.send()), send);
        EXPECT_EQ(std::distance(fs::directory_iterator(h.root.home()), fs::directory_iterator()),
                  3); // and the filler

        disk.free();
        ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
        EXPECT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_EQ(count(h.root.read(h.master()).substr(master.size()), "RESPONSE -->"), 1u);
        EXPECT_EQ(count(h.root.read(h.send()).substr(send.size()), "RESPONSE -->"), 1u);
        EXPECT_EQ(count(h.root.read(h.master()), answer), 1u);
        EXPECT_EQ(count(h.root.read(h.send()), answer), 1u);
    }
}

} // namespace
