// A whole file replaced in one step: whatever step fails, or when the writer
// stops or throws, the previous file stays byte for byte and no temporary is
// left beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "platform/replace_file.h"
#include "support/fakes.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using qa::testing::FaultyFileOps;
using qa::testing::TempRoot;
using Kind = FaultyFileOps::Kind;

std::size_t entries(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(ReplaceFile, AFailedOrStoppedWriteLeavesThePreviousFileAndNoTemporary)
{
    const std::string previous = "last week's report\r\n";
    const std::string next(200000, 'x'); // several buffers' worth
    struct Row {
        const char* what;
        Kind kind;      // the kind of call that fails
        int failAt;     // the n-th of that kind; 0: none
        int shortWrite; // the n-th write writes nothing: the disk is full
        int err;
        const char* step;
        bool stop; // the writer is stopped after its first buffer
    };
    const Row rows[] = {
        {"written", Kind::Write, 0, 0, 0, "", false},
        {"the temporary cannot be made", Kind::Open, 1, 0, EACCES, "create", false},
        {"the first write fails", Kind::Write, 1, 0, EIO, "write", false},
        {"a later write fails", Kind::Write, 3, 0, ENOSPC, "write", false},
        {"the disk fills", Kind::Write, 0, 2, ENOSPC, "write", false},
        {"the sync fails", Kind::Fsync, 1, 0, EIO, "sync", false},
        {"the close fails", Kind::Close, 1, 0, EIO, "write", false},
        {"stopped", Kind::Write, 0, 0, ECANCELED, "write", true},
    };
    for (const Row& row : rows) {
        TempRoot root;
        const fs::path target = fs::path(root.path) / "report.html";
        std::ofstream(target, std::ios::binary) << previous;
        FaultyFileOps ops;
        ops.onlyKinds = [&row](Kind k) { return k == row.kind; };
        ops.failAt = row.failAt;
        ops.failErrno = row.err;
        ops.shortWriteAt = row.shortWrite;
        ReplaceOptions options;
        int buffers = 0;
        options.progress = [&buffers](std::uint64_t) { ++buffers; };
        options.stop = [&] { return row.stop && buffers > 0; };
        const Replaced r = replaceFile(
            ops, target.string(), [&](std::ostream& out) { out << next; }, options);
        EXPECT_EQ(r.err, row.err) << row.what;
        EXPECT_STREQ(r.step, row.step) << row.what;
        EXPECT_EQ(root.read(target), row.err == 0 ? next : previous) << row.what;
        EXPECT_EQ(entries(root.path), 1u) << row.what << ": a temporary stayed behind";
        EXPECT_EQ(ops.openFds, 0) << row.what;
    }
}

TEST(ReplaceFile, AWriterThatThrowsOrWritesByNameLeavesNoTemporary)
{
    TempRoot root;
    const fs::path target = fs::path(root.path) / "book.xlsx";
    FaultyFileOps ops;
    EXPECT_THROW(replaceFile(ops, target.string(),
                             [](std::ostream& out) {
                                 out << "half";
                                 throw std::runtime_error("out of memory");
                             }),
                 std::runtime_error);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(entries(root.path), 0u);

    // A library that writes by name: its error, then its file.
    std::string seen;
    auto byName = [&](int err) {
        return replaceFileByName(ops, target.string(), [&](const std::string& temporary) {
            seen = temporary;
            std::ofstream(temporary, std::ios::binary) << "book " << err;
            return err;
        });
    };
    EXPECT_EQ(byName(ENOSPC).err, ENOSPC);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(byName(0).err, 0);
    EXPECT_EQ(root.read(target), "book 0");
    EXPECT_EQ(fs::path(seen).parent_path(), fs::path(root.path)); // beside the target
    EXPECT_EQ(entries(root.path), 1u);
}

} // namespace
