// Where the review's outputs may go, and what a failed write leaves: never
// among the inputs, by path or by a second name; two outputs never in one
// file; a full disk leaves last week's report byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

#include "platform/utf8.h"
#include "review/cli/cli.h"
#include "review/report/workbook.h"
#include "review/review.h"
#include "review/write/destination.h"
#include "support/record_class.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;

struct Folder {
    Folder()
    {
        std::random_device random;
        path =
            fs::temp_directory_path() / ("qa-review-out-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(path);
    }
    ~Folder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

std::string read(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A class of one student, with `words` words in each of the answers.
fs::path writeClass(const fs::path& dir, std::size_t words = 5)
{
    qa::testing::RecordClass cls;
    const auto q = qa::testing::builtinQuestions();
    const auto p = cls.start("Ann Lee", "AL", "\xA7\xC9k\x81");
    std::string answer;
    for (std::size_t w = 0; w < words; ++w)
        answer += "word" + std::to_string(w) + " ";
    for (const std::string& line : q)
        cls.respond(p, line, answer);
    cls.write(dir);
    return dir / "send_0307Ann_Lee.txt";
}

int run(const std::vector<std::string>& args, std::string* err = nullptr, std::string* out = nullptr)
{
    std::ostringstream o, e;
    const int status = review::runCommandLine(args, o, e);
    if (err)
        *err = e.str();
    if (out)
        *out = o.str();
    return status;
}

TEST(ReviewOutputs, NeverAmongTheInputsByPathOrByASecondName)
{
    Folder d;
    const fs::path in = d.path / "class", file = writeClass(in);
    fs::create_directories(d.path / "class2");
    fs::create_directories(in / "sub");
    std::error_code noLinks;
    fs::create_directory_symlink(in, d.path / "link", noLinks);
    if (noLinks)
        GTEST_SKIP() << "no symbolic links here (Wine, or Windows without the privilege)";
    fs::create_hard_link(file, d.path / "hard.html");
    const std::vector<review::ReadInput> files = {{file}};
    struct Case {
        fs::path output;
        bool withFiles;
        bool among;
    } cases[] = {
        {in, false, true},
        {in / "r.html", false, true},
        {in / "sub" / "new" / "r.html", false, true},
        {in / "sub" / ".." / ".." / "r.html", false, false},
        {d.path / "class2" / "r.html", false, false}, // a folder whose name begins with the input's
        {d.path / "class.html", false, false},
        {d.path / "link" / "r.html", false, true}, // the input by a link
        {d.path / "hard.html", true, true},        // an input file by a hard link
        {d.path / "link" / "sub" / ".." / "r.html", false, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(review::amongInputs(c.output, {d.path / "elsewhere", in},
                                      c.withFiles ? files : std::vector<review::ReadInput>{})
                      .value_or(99),
                  c.among ? 1u : 99u)
            << c.output;
}

TEST(ReviewCommandLine, AnOutputThatIsAnInputOrAnotherOutputIsRefused)
{
    Folder d;
    const fs::path in = d.path / "class", file = writeClass(in);
    const std::string before = read(file);
    fs::create_hard_link(file, d.path / "hard.html");
    const std::string out = text::pathToUtf8(d.path / "out");
    const std::string dir = text::pathToUtf8(in);
    std::string err;
    EXPECT_EQ(run({"--html", text::pathToUtf8(d.path / "hard.html"), dir}, &err), 2);
    EXPECT_NE(err.find("is among the inputs"), std::string::npos) << err;
    EXPECT_EQ(run({"--csv", text::pathToUtf8(d.path / "hard.html"), dir}), 2);
    EXPECT_EQ(read(file), before);
    EXPECT_EQ(run({"--html", out, "--csv", out, dir}, &err), 2);
    EXPECT_NE(err.find("--html and --csv name the same file"), std::string::npos) << err;
    EXPECT_EQ(run({"--html", out, "--csv", text::pathToUtf8(d.path / "." / "out"), dir}), 2);
    std::string said;
    EXPECT_EQ(run({"--html", out + ".html", "--csv", out + ".csv", dir}, &err, &said), 0);
    EXPECT_EQ(said.substr(0, said.find('\n')), "Read 2 record files of 2 found: 1 student, 1 assignment, 14 "
                                               "responses, 0 notes; 0 check findings, 0 unreadable parts.");
    EXPECT_EQ(review::counted(1, "check finding") + ", " + review::counted(0, "file") + ", " +
                  review::counted(2, "file"),
              "1 check finding, 0 files, 2 files");
    fs::create_hard_link(d.path / "out.html", d.path / "second.csv");
    EXPECT_EQ(run({"--html", out + ".html", "--csv", text::pathToUtf8(d.path / "second.csv"), dir}, &err), 2);
    if (review::writesWorkbooks())
        EXPECT_EQ(run({"--xlsx", out + ".csv", "--csv", out + ".csv", dir}), 2);
    else
        EXPECT_NE((run({"--xlsx", out + ".xlsx", dir}, &err), err).find("writes no workbooks"), std::string::npos);
}

// On a real file system that fills up: status 3, last week's report as it
// was, no temporary beside it.
TEST(ReviewCommandLine, AFullDiskLeavesLastWeeksReport)
{
#ifndef __linux__
    GTEST_SKIP() << "a small file system is mounted on Linux only";
#else
    Folder d;
    const fs::path in = d.path / "class", disk = d.path / "disk";
    writeClass(in, 400);
    fs::create_directories(disk);
    const std::string mount = "mount -t tmpfs -o size=96k tmpfs '" + disk.string() + "' 2>/dev/null";
    if (std::system(mount.c_str()) != 0)
        GTEST_SKIP() << "no permission to mount a small file system";
    const std::string lastWeek(40000, 'r');
    std::ofstream(disk / "r.html", std::ios::binary) << lastWeek;
    std::string err;
    const int status = run({"--html", text::pathToUtf8(disk / "r.html"), text::pathToUtf8(in)}, &err);
    const std::string left = read(disk / "r.html");
    const auto entries = std::distance(fs::directory_iterator(disk), fs::directory_iterator());
    std::system(("umount '" + disk.string() + "'").c_str());
    EXPECT_EQ(status, 3);
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
    EXPECT_TRUE(left == lastWeek);
    EXPECT_EQ(entries, 1);
#endif
}

} // namespace
