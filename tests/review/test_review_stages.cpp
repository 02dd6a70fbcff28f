// The review's reading stages on values: record bytes parsed, blocks put
// together, rows and cells, the checks, the similarity at its thresholds, and
// file calls that fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <map>
#include <random>
#include <sstream>

#include "records/record_reader.h"
#include "review/checks/checks.h"
#include "review/checks/similar.h"
#include "review/intake/stages.h"
#include "review/report/findings.h"
#include "review/review.h"
#include "support/record_bytes.h"
#include "support/record_class.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using namespace qa::review;
using qa::testing::header;
using qa::testing::ln;
using qa::testing::note;
using qa::testing::response;

const std::vector<std::string> kQ = qa::testing::builtinQuestions();

// What a parse gives, in words: headers by start, blocks by time and text,
// problems by lines.
std::vector<std::string> parsed(const std::string& bytes)
{
    const records::ParsedFile p = records::parseRecordFile(bytes);
    std::vector<std::string> out;
    for (const auto& h : p.headers)
        out.push_back("header " + std::to_string(h.line) + " " + records::formatMoment(h.start));
    for (const auto& b : p.blocks)
        out.push_back(std::string(b.note ? "note " : "response ") + std::to_string(b.line) + " " +
                      records::formatMoment(b.when) + " [" + std::string(b.text) + "]");
    for (const auto& pr : p.problems)
        out.push_back("problem " + std::to_string(pr.line) + "-" + std::to_string(pr.lastLine) + " " + pr.what);
    return out;
}

TEST(ReviewParser, DatesTimesBlocksAndRules)
{
    const std::string rule = records::kClosingRule;
    const std::string whole = response("10:01:00", kQ[0], "kept");
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> expected;
    } cases[] = {
        {"second 59 on the last day of a month, and a block at the same second the same day",
         header("Ann", "01-31-2026", "\xC1", "23:59:59") + response("23:59:59", kQ[0], "a"),
         {"header 1 2026-01-31 23:59:59", "response 7 2026-01-31 23:59:59 [a]"}},
        {"the last day of April, of a leap February, of December",
         header("Ann", "04-30-2026") + header("Ann", "02-29-2024") +
             header("Ann", "12-31-2026", "\xC1", "00:00:00"),
         {"header 1 2026-04-30 10:00:00", "header 7 2024-02-29 10:00:00", "header 13 2026-12-31 00:00:00"}},
        {"days and times that do not exist",
         header("Ann", "02-29-2026") + header("Ann", "04-31-2026"),
         {"problem 1-12 not a record block"}},
        {"no hour 24, no minute 60",
         header("Ann", "03-07-2026", "\xC1", "24:00:00") + header("Ann", "03-07-2026", "\xC1", "10:60:00"),
         {"problem 1-12 not a record block"}},
        {"an earlier time is the next day; the same time again is not",
         header("Ann", "03-07-2026", "\xC1", "23:59:00") + response("23:59:30", kQ[0], "a") +
             response("00:00:10", kQ[1], "b") + response("00:00:10", kQ[2], "c"),
         {"header 1 2026-03-07 23:59:00", "response 7 2026-03-07 23:59:30 [a]",
          "response 14 2026-03-08 00:00:10 [b]", "response 21 2026-03-08 00:00:10 [c]"}},
        {"rule lines inside an answer",
         header("Ann") + response("10:01:00", kQ[0], "x\r\n" + rule + "\r\n" + records::kOpeningRule + "\r\ny") +
             response("10:02:00", kQ[1], rule),
         {"header 1 2026-03-07 10:00:00",
          "response 7 2026-03-07 10:01:00 [x\r\n" + rule + "\r\n" + records::kOpeningRule + "\r\ny]",
          "response 17 2026-03-07 10:02:00 [" + rule + "]"}},
        {"notes that run on at the next print zone, and a note's own date",
         header("Ann") + note("10:01:00", kQ[0], "one") + note("10:02:00", kQ[0], "two", "03-08-2026"),
         {"header 1 2026-03-07 10:00:00", "note 7 2026-03-07 10:01:00 [one]",
          "note 13 2026-03-08 10:02:00 [two]"}},
        {"a block torn off at the end",
         header("Ann") + whole + whole.substr(0, whole.size() - 60),
         {"header 1 2026-03-07 10:00:00", "response 7 2026-03-07 10:01:00 [kept]",
          "problem 14-18 a block torn off at the end of the file"}},
        {"a torn tail after a whole answer: only the torn part is lost",
         header("Ann") + whole + records::kOpeningRule + "\r\n" + records::kIndent.substr(0, 9),
         {"header 1 2026-03-07 10:00:00", "response 7 2026-03-07 10:01:00 [kept]",
          "problem 14-15 a block torn off at the end of the file"}},
        {"a block without its closing rule before a header",
         header("Ann") + whole.substr(0, whole.size() - rule.size() - 2) + header("Ann"),
         {"header 1 2026-03-07 10:00:00", "header 13 2026-03-07 10:00:00",
          "problem 7-12 a block without its closing rule"}},
        {"a response before any header", whole, {"problem 1-7 a response before any opening header"}},
        {"LF line ends",
         header("Ann") + "\n" + response("10:01:00", kQ[0], "lf"),
         {"header 1 2026-03-07 10:00:00", "response 8 2026-03-07 10:01:00 [lf]"}},
    };
    for (Case& c : cases) {
        if (std::string(c.what) == "LF line ends")
            c.bytes = text::replaceAll(c.bytes, "\r\n", "\n");
        EXPECT_EQ(parsed(c.bytes), c.expected) << c.what;
    }
}

// The stages from assembling on, over files in memory.
Model modelOf(const std::map<std::string, std::string>& files, std::optional<long> assignment = {})
{
    Model m;
    for (const auto& [name, bytes] : files) {
        const std::string last = name.substr(name.find_last_of('/') + 1);
        InputFile f{name, name, last, last};
        nameFile(f, name);
        m.files.add(std::move(f));
    }
    Assembler assembler(m.files, assignment);
    auto it = files.begin();
    for (FileId f : m.files.ids())
        m.recordFilesRead += assembler.take(f, records::parseRecordFile((it++)->second));
    assembler.finish(m);
    indexRows(m, assignment.has_value());
    runChecks(m);
    return m;
}

// A student's cell of question `q` (1-based) in the first assignment.
const Cell& cellOf(const Model& m, const std::string& name, std::uint32_t q)
{
    for (const Row& row : m.assignments[AssignmentId(0u)].rows)
        if (m.students[row.student].name == name)
            return row.cells[QuestionId(q - 1)];
    throw std::runtime_error("no row for " + name);
}

TEST(ReviewAssembler, CopiesOnceClicksTwiceRevisionsEmptyAndMidnight)
{
    qa::testing::RecordClass cls;
    auto ann = cls.start("Ann Lee", "AL", "\xC1\xC2");
    cls.respond(ann, kQ[0], "same twice"); // two clicks: master, send, master, send 1 s apart
    cls.respond(ann, kQ[0], "same twice");
    cls.respond(ann, kQ[1], "");
    cls.respond(ann, kQ[1], "then typed");
    cls.respond(ann, kQ[2], "typed");
    cls.respond(ann, kQ[2], ""); // an empty box after an answer: the answer stands
    cls.respond(ann, kQ[3], "");
    cls.clock.seconds = 23 * 3600 + 59 * 60 + 58;
    ann = cls.start("Ann Lee", "AL", "\xC3\xC4"); // the same initials again
    cls.clock.advance(5);
    cls.respond(ann, kQ[4], "past midnight");
    auto bo = cls.start("Bo Chen", "BC", "\xC5");
    cls.respond(bo, kQ[0], "bo");
    bo = cls.start("Bo Chen", "B.C.", "\xC6");

    const Model m = modelOf(cls.files);
    ASSERT_EQ(m.students.size(), 2u);
    EXPECT_EQ(m.students[StudentId(0u)].name, "Ann Lee");
    EXPECT_EQ(m.students[StudentId(0u)].initials, std::vector<std::string>{"AL"});
    EXPECT_EQ(m.students[StudentId(1u)].initials, (std::vector<std::string>{"B.C.", "BC"}));
    EXPECT_EQ(m.students[StudentId(0u)].sittings.size(), 2u);

    const Cell& twice = cellOf(m, "Ann Lee", 1);
    ASSERT_EQ(twice.items.size(), 2u);
    EXPECT_EQ(twice.revisions(), 1u);
    for (ItemId i : twice.items)
        EXPECT_EQ(m.items[i].at.size(), 2u); // the master and the send file's copies
    const Cell& revised = cellOf(m, "Ann Lee", 2);
    EXPECT_EQ(revised.status, Status::Answered);
    EXPECT_EQ(m.items[revised.answer].text, "then typed");
    EXPECT_EQ(revised.revisions(), 1u);
    EXPECT_EQ(m.items[cellOf(m, "Ann Lee", 3).answer].text, "typed");
    const Cell& empty = cellOf(m, "Ann Lee", 4);
    EXPECT_EQ(empty.status, Status::Empty);
    EXPECT_TRUE(empty.answer.none());
    EXPECT_EQ(cellOf(m, "Ann Lee", 6).status, Status::Missing);
    EXPECT_EQ(cellOf(m, "Bo Chen", 2).status, Status::Missing);
    EXPECT_EQ(formatMoment(m.items[cellOf(m, "Ann Lee", 5).answer].when), "2026-03-08 00:00:05");
    std::size_t responses = 0, notes = 0;
    m.count(responses, notes);
    EXPECT_EQ(responses, 9u);
    EXPECT_TRUE(m.clocks.empty() && m.codeLines.empty() && m.fileNames.empty());
}

// Two copies of one opening header whose clocks read exactly 2 s apart are one
// sitting; a name spelt two ways equally often shows under the earlier spelling.
TEST(ReviewAssembler, CopiesTwoSecondsApartAndSpellingsOnATie)
{
    const std::string r = response("10:01:00", kQ[0], "x");
    const Model m = modelOf({{"masterFile_Ann_Lee.txt", header("Ann Lee", "03-07-2026", "\xC1", "10:00:00") + r},
                             {"send_0307Ann_Lee.txt", header("Ann Lee", "03-07-2026", "\xC1", "10:00:02") + r},
                             {"later/masterFile_Ann_Lee.txt", header("ann lee", "03-08-2026", "\xC2") + r},
                             {"send_0308Ann_Lee.txt", header("ann lee", "03-08-2026", "\xC2") + r}});
    ASSERT_EQ(m.students.size(), 1u);
    EXPECT_EQ(m.students[StudentId(0u)].name, "Ann Lee"); // two copies of each spelling
    EXPECT_EQ(m.sittings.size(), 2u);
}

TEST(ReviewAssembler, NamesInReadingOrder)
{
    EXPECT_LT(sortKey("Student 2"), sortKey("Student 10"));
    EXPECT_LT(sortKey("student 9"), sortKey("Student 10"));
    EXPECT_LT(sortKey("Q9 b"), sortKey("Q10 a"));
    EXPECT_LT(sortKey("ann"), sortKey("Bob"));
    std::map<std::string, std::string> files;
    for (const char* name : {"Student 10", "Student 9", "student 2"})
        files[std::string("send_0307") + name + ".txt"] = header(name) + response("10:01:00", kQ[0], name);
    const Model m = modelOf(files);
    std::vector<std::string> names;
    for (const Student& s : m.students)
        names.push_back(s.name);
    EXPECT_EQ(names, (std::vector<std::string>{"student 2", "Student 9", "Student 10"}));
}

TEST(ReviewChecks, ClocksCodeLinesAndFileNames)
{
    const std::string ann = "send_0307Ann_Lee.txt", bo = "send_0307Bo_Chen.txt";
    std::map<std::string, std::string> files;
    // A sitting at the same second as the block before it; then one a second earlier.
    files[ann] = header("Ann Lee", "03-07-2026", "\xC1", "10:00:00") + response("10:05:00", kQ[0], "a") +
                 header("Ann Lee", "03-07-2026", "\xC2", "10:05:00") + response("10:06:00", kQ[1], "b") +
                 header("Ann Lee", "03-07-2026", "\xC3", "10:05:59") +
                 // Her own code line again, another day: not a shared code line.
                 header("Ann Lee", "03-07-2026", "\xC1", "11:00:00");
    files[bo] = header("Bo Chen", "03-07-2026", "\xC9") + header("Bo Chen", "03-08-2026", "\xCA");
    Model m = modelOf(files);
    ASSERT_EQ(m.clocks.size(), 1u);
    EXPECT_EQ(m.students[m.clocks[0].student].name, "Ann Lee");
    EXPECT_EQ(formatMoment(m.clocks[0].start), "2026-03-07 10:05:59");
    EXPECT_EQ(formatMoment(m.clocks[0].before), "2026-03-07 10:06:00");
    EXPECT_EQ(m.clocks[0].at.line, 27u);
    EXPECT_TRUE(m.codeLines.empty());
    ASSERT_EQ(m.fileNames.size(), 1u); // Bo's second sitting is of the 8th
    EXPECT_EQ(m.fileNames[0].what, "the file name carries the day 03-07, the header 2026-03-08");

    files[bo] += header("Bo Chen", "03-07-2026", "\xC1", "12:00:00") + header("Ann Lee");
    m = modelOf(files);
    ASSERT_EQ(m.codeLines.size(), 1u);
    EXPECT_EQ(m.codeLines[0].sittings.size(), 3u);
    EXPECT_EQ(m.fileNames.back().what, "the file name carries the name \"Bo_Chen\", the header \"Ann Lee\"");
    // Two more shared: the code lines in the order of their bytes.
    files[bo] +=
        header("Bo Chen", "03-07-2026", "\xC3", "13:00:00") + header("Bo Chen", "03-07-2026", "\xC2", "14:00:00");
    m = modelOf(files);
    ASSERT_EQ(m.codeLines.size(), 3u);
    EXPECT_TRUE(std::is_sorted(m.codeLines.begin(), m.codeLines.end(),
                               [](const auto& a, const auto& b) { return a.codeLine < b.codeLine; }));
}

TEST(ReviewSimilar, AtTheThresholds)
{
    auto pairs = [](std::vector<std::string> texts) {
        std::vector<std::string> folded;
        for (const std::string& t : texts)
            folded.push_back(foldText(t));
        const std::vector<std::string_view> views(folded.begin(), folded.end());
        return nearIdentical(views).size();
    };
    // Exactly the minimum number of words, and one fewer.
    EXPECT_EQ(pairs({"one two three four five.", "One two three four five"}), 1u);
    EXPECT_EQ(pairs({"one two three four.", "One two three four"}), 0u);
    // 8 shingles shared of 10: exactly the threshold; 7 of 11: below it.
    const std::string base = "w1 w2 w3 w4 w5 w6 w7 w8 w9 w10";
    EXPECT_EQ(pairs({base + " w11", base + " x"}), 1u);
    EXPECT_EQ(pairs({base + " w11", "w1 w2 w3 w4 w5 w6 w7 w8 w9 x y"}), 0u);
    EXPECT_EQ(foldText("  A\r\n\tB\xC9  "), "a b\xE9");
}

// File calls that fail for chosen names, over the real ones.
struct FailingCalls : FileOps {
    std::string failOpen, failRead, failList;
    FileOps& real = systemFileOps();
    std::map<int, bool> failing;

    int open(const std::string& p, unsigned f) override
    {
        if (p.ends_with(failOpen) && !failOpen.empty())
            return errno = EACCES, -1;
        const int fd = real.open(p, f);
        failing[fd] = !failRead.empty() && p.ends_with(failRead);
        return fd;
    }
    std::int64_t read(int fd, void* b, std::size_t n) override
    {
        return failing[fd] ? (errno = EIO, -1) : real.read(fd, b, n);
    }
    int listEntries(const std::string& p, std::vector<DirEntry>& e) override
    {
        return p.ends_with(failList) && !failList.empty() ? (errno = EACCES, -1) : real.listEntries(p, e);
    }
    int fstat(int fd, FileInfo& i) override { return real.fstat(fd, i); }
    int stat(const std::string& p, FileInfo& i) override { return real.stat(p, i); }
    int close(int fd) override { return real.close(fd); }
    // Not used by the review.
    std::int64_t write(int, const void*, std::size_t) override { return -1; }
    std::int64_t pread(int, void*, std::size_t, std::int64_t) override { return -1; }
    std::int64_t pwrite(int, const void*, std::size_t, std::int64_t) override { return -1; }
    int fsync(int) override { return -1; }
    int ftruncate(int, std::int64_t) override { return -1; }
    int lock(int, LockKind) override { return -1; }
    int mkdir(const std::string&, bool) override { return -1; }
    int unlink(const std::string&) override { return -1; }
    int rename(const std::string&, const std::string&) override { return -1; }
    int listDirectory(const std::string&, std::vector<std::string>&) override { return -1; }
    std::string hostName() override { return "test"; }
    std::int64_t processId() override { return 1; }
    bool processRunning(std::int64_t) override { return false; }
};

TEST(ReviewFiles, AFailedOpenReadOrListingIsAProblemWithFileAndReason)
{
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("qa-review-stages-" + std::to_string(random()));
    fs::create_directories(dir / "class" / "locked");
    for (const char* name : {"send_0307Ann.txt", "send_0307Bo.txt", "send_0307Cy.txt", "locked/send_0307Di.txt"})
        std::ofstream(dir / "class" / name, std::ios::binary)
            << header(std::string(name).substr(9, 2)) + response("10:01:00", kQ[0], "x");
    FailingCalls calls;
    calls.failOpen = "send_0307Bo.txt";
    calls.failRead = "send_0307Cy.txt";
    calls.failList = "locked";
    Options options;
    options.inputs = {dir / "class"};
    options.fileOps = &calls;
    const Review r = Review::load(options);
    std::vector<std::string> problems;
    for (const Problem& p : r.problems())
        problems.push_back(p.file.substr(p.file.find_last_of('/') + 1) + ": " + p.what);
    const std::vector<std::string> expected = {
        "locked: the folder cannot be read: " + std::generic_category().message(EACCES),
        "send_0307Bo.txt: the file cannot be read: " + std::generic_category().message(EACCES),
        "send_0307Cy.txt: the file cannot be read: " + std::generic_category().message(EIO)};
    std::vector<std::string> sorted = problems;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, expected);
    EXPECT_EQ(r.summary().students, 1u);
    EXPECT_EQ(r.recordFilesRead(), 1u);
    fs::remove_all(dir);
}

#ifndef _WIN32
// A named pipe given as the path says what it is; a link to a file outside
// the input is skipped, not read.
TEST(ReviewFiles, APipeSaysWhatItIsAndALinkOutOfTheInputIsNotFollowed)
{
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("qa-review-links-" + std::to_string(random()));
    fs::create_directories(dir / "class");
    const std::string work = header("Ann") + response("10:01:00", kQ[0], "x");
    std::ofstream(dir / "class" / "send_0307Ann.txt", std::ios::binary) << work;
    std::ofstream(dir / "elsewhere.txt", std::ios::binary) << work;
    fs::create_symlink(dir / "elsewhere.txt", dir / "class" / "send_0307Bo.txt");
    fs::create_symlink(dir / "class" / "send_0307Ann.txt", dir / "class" / "inside.txt");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    Options options;
    options.inputs = {dir / "class", dir / "pipe"};
    const Review r = Review::load(options);
    EXPECT_EQ(r.summary().skipped, 1u);
    EXPECT_EQ(r.summary().recordFilesRead, 1u); // Ann's file, and the link to it read once with it
    ASSERT_EQ(r.problems().size(), 1u);
    EXPECT_EQ(r.problems()[0].what, "a named pipe (FIFO), not a file, a folder or an archive");
    fs::remove_all(dir);
}
#endif

TEST(ReviewNames, AsPlatformsAndDownloadsGiveThem)
{
    // Flags: L late, B blind (no name given); platform M Moodle, C Canvas.
    struct Case {
        std::string path;
        const char* original;
        std::string submitter;
        const char* id;
        const char* how; // platform and flags
        const char* squeezed = "";
    } cases[] = {
        {"Ann Lee_12345_assignsubmission_file_send_1207Ann_Lee.txt", "send_1207Ann_Lee.txt", "Ann Lee", "12345",
         "M"},
        {"Ann Lee_12345_assignsubmission_file/send_1207Ann_Lee.txt", "send_1207Ann_Lee.txt", "Ann Lee", "12345",
         "M"},
        {"all/Ann Lee_12345_assignsubmission_file_/work/send_1207Ann_Lee.txt", "send_1207Ann_Lee.txt", "Ann Lee",
         "12345", "M"},
        // Kept whole in UTF-8: accents (the apostrophe the platform takes out), and names outside Windows-1252.
        {"Se\xC3\xA1n OBrien_1040002_assignsubmission_file_send_1207Se\xC3\xA1n_OBrien.txt",
         "send_1207Se\xC3\xA1n_OBrien.txt", "Se\xC3\xA1n OBrien", "1040002", "M"},
        {"\xC5\x81ukasz Wi\xC5\x9Bniewski_1040017_assignsubmission_file/send_1207Lukasz.txt",
         "send_1207Lukasz.txt", "\xC5\x81ukasz Wi\xC5\x9Bniewski", "1040017", "M"},
        {"\xE7\x8E\x8B\xE8\x8A\xB3_1040020_assignsubmission_file_/send_1207Wang_Fang.txt",
         "send_1207Wang_Fang.txt", "\xE7\x8E\x8B\xE8\x8A\xB3", "1040020", "M"},
        // Blind: the participant word, in the language of whoever downloaded.
        {"Participant_1040001_assignsubmission_file/send_1207Ann_Lee.txt", "send_1207Ann_Lee.txt", "", "1040001",
         "MB"},
        {"Teilnehmerin_1040001_assignsubmission_file_send_1207Ann_Lee.txt", "send_1207Ann_Lee.txt", "", "1040001",
         "MB"},
        // Canvas: a squeezed sortable name is no name to show; accents kept; late; anonymous grading.
        {"leeann_LATE_12345_678_send_1207Ann_Lee.txt", "send_1207Ann_Lee.txt", "", "12345", "CL", "leeann"},
        {"leeann_12345_678_send_1207Ann_Lee-1.txt", "send_1207Ann_Lee.txt", "", "12345", "C", "leeann"},
        {"n\xC3\xBA\xC3\xB1"
         "ezzo\xC3\xAB_1040003_901_send_1207Zo\xC3\xAB_N\xC3\xBA\xC3\xB1"
         "ez.txt",
         "send_1207Zo\xC3\xAB_N\xC3\xBA\xC3\xB1"
         "ez.txt",
         "", "1040003", "C",
         "n\xC3\xBA\xC3\xB1"
         "ezzo\xC3\xAB"},
        {"anon_x7Kp2_678_send_1207Ann_Lee.txt", "send_1207Ann_Lee.txt", "", "x7Kp2", "CB"},
        {"anon_x7Kp2_LATE_678_send_1207Ann_Lee.txt", "send_1207Ann_Lee.txt", "", "x7Kp2", "CLB"},
        // Copies, and names of no platform.
        {"send_1207Ann_Lee (1).txt", "send_1207Ann_Lee.txt", "", "", ""},
        {"send_1207Ann_Lee(12).txt", "send_1207Ann_Lee.txt", "", "", ""},
        {"send_1207Ann_Lee-2.txt", "send_1207Ann_Lee.txt", "", "", ""},
        {"masterFile_Ann_Lee.txt", "masterFile_Ann_Lee.txt", "", "", ""},
        {"Ann_Lee_x_assignsubmission_file_send.txt", "Ann_Lee_x_assignsubmission_file_send.txt", "", "", ""},
        {"Ann Lee_12345_assignsubmission_onlinetext_onlinetext.html",
         "Ann Lee_12345_assignsubmission_onlinetext_onlinetext.html", "", "", ""},
        {"Ann Lee_12345_assignsubmission_file_(1).txt", "(1).txt", "Ann Lee", "12345", "M"},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    // The participant word of every language the platform's packs hold, as its
    // download writes it into a folder's name (without "/" and the like).
    for (const char* word :
         {"\xD8\xA7\xD9\x84\xD9\x85\xD8\xB4\xD8\xA7\xD8\xB1\xD9\x83",
          "\xCE\xA3\xCF\x85\xCE\xBC\xCE\xBC\xCE\xB5\xCF\x84\xCE\xAD\xCF\x87\xCE\xBF\xCE\xBD\xCF\x84\xCE\xB1\xCF"
          "\x82",
          "Participante", "Partaidea", "Partecipante", "\xE5\x8F\x82\xE5\x8A\xA0\xE8\x80\x85",
          "\xEC\xB0\xB8\xEA\xB0\x80\xEC\x9E\x90", "Dalyvis", "Deelnemer",
          "\xD0\xA3\xD1\x87\xD0\xB0\xD1\x81\xD1\x82\xD0\xBD\xD0\xB8\xD0\xBA", "Deltagare",
          "Kat\xC4\xB1l\xC4\xB1mc\xC4\xB1", "\xD0\xA3\xD1\x87\xD0\xB0\xD1\x81\xD0\xBD\xD0\xB8\xD0\xBA",
          "\xD8\xB4\xD8\xB1\xDB\x8C\xDA\xA9", "\xE5\x8F\x82\xE4\xB8\x8E\xE4\xBA\xBA"})
        all.push_back({std::string(word) + "_7_assignsubmission_file_/send_1207Ann_Lee.txt",
                       "send_1207Ann_Lee.txt", "", "7", "MB"});
    for (const Case& c : all) {
        InputFile f;
        nameFile(f, c.path);
        const std::string how =
            std::string(f.platform ? f.platform : "").substr(0, 1) + (f.late ? "L" : "") + (f.blind ? "B" : "");
        EXPECT_EQ(f.original, c.original) << c.path;
        EXPECT_EQ(f.submitterName, c.submitter) << c.path;
        EXPECT_EQ(f.submitterId, c.id) << c.path;
        EXPECT_EQ(how, c.how) << c.path;
        EXPECT_EQ(f.squeezedName, c.squeezed) << c.path;
    }
}

std::vector<std::string> findings(const std::vector<FileFinding>& list, const Model& m)
{
    std::vector<std::string> out;
    for (const FileFinding& f : list)
        out.push_back(m.files[f.file].shown + ": " + f.what);
    return out;
}

// Files from no platform go by the names in their headers; a platform's
// participant is one row, whatever its headers say, and never takes another's
// work or loses its own.
TEST(ReviewStudents, OneStudentOneRowOneParticipant)
{
    const std::string r = response("10:01:00", kQ[0], "x");
    std::map<std::string, std::string> files;
    // One student under four spellings on four days.
    files["send_0307Ann_Lee.txt"] = header("Ann Lee", "03-07-2026", "\xC1") + r;
    files["send_0308Ann_Lee.txt"] = header("ann lee", "03-08-2026", "\xC2") + r;
    files["send_0309Ann_Lee.txt"] = header("Ann Lee ", "03-09-2026", "\xC3") + r;
    files["send_0310Ann_Lee.txt"] =
        header("Ann  Lee", "03-10-2026", "\xC4") + r + header("Ann Lee", "03-10-2026", "\xC5");
    // Two participants of one name.
    files["Wei Zhang_1_assignsubmission_file/send_0307Wei_Zhang.txt"] =
        header("Wei Zhang", "03-07-2026", "\xC6") + r;
    files["Wei Zhang_2_assignsubmission_file/send_0307Wei_Zhang.txt"] =
        header("Wei Zhang", "03-07-2026", "\xC7") + r;
    // Bo hands in Ann's work.
    files["Bo Chen_12346_assignsubmission_file_send_0307Ann_Lee.txt"] =
        header("Ann Lee", "03-07-2026", "\xC8") + r;
    // Ravi hands in Tess's file, and Tess her own.
    files["Ravi Rao_40002_assignsubmission_file_send_0307Tess_Stone.txt"] =
        header("Tess Stone", "03-07-2026", "\xC9") + r;
    files["Tess Stone_40005_assignsubmission_file_send_0307Tess_Stone.txt"] =
        header("Tess Stone", "03-07-2026", "\xCA") + response("10:01:00", kQ[0], "Tess's own");
    // Names the headers spell otherwise: a preferred name, names the tutor
    // cannot spell, an apostrophe the platform left out; and one mailed in.
    files["Abigail Moss-Benton_40003_assignsubmission_file/send_0307Gail_Moss.txt"] =
        header("Gail Moss", "03-07-2026", "\xCB") + r;
    files["\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9 "
          "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2"
          "_40016_assignsubmission_file_send_0307Dmitry_Ivanov.txt"] =
        header("Dmitry Ivanov", "03-07-2026", "\xCC") + r;
    files["\xE7\x8E\x8B\xE8\x8A\xB3_40017_assignsubmission_file_send_0307Wang_Fang.txt"] =
        header("Wang Fang", "03-07-2026", "\xCD") + r;
    files["Se\xC3\xA1n OBrien_40020_assignsubmission_file_send_0307Se\xC3\xA1n_O'Brien.txt"] =
        header("Se\xE1n O'Brien", "03-07-2026", "\xCE") + r;
    files["mailed/send_0308Se\xC3\xA1n_O'Brien.txt"] = header("Se\xE1n O'Brien", "03-08-2026", "\xCF") + r;
    const Model m = modelOf(files);
    std::vector<std::string> names;
    for (const Student& s : m.students)
        names.push_back(text::toUtf8(s.name) + "|" + s.participantName + "|" + s.participantId +
                        (s.namedOther ? "|named by another" : ""));
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Ann Lee||",
                         "Ann Lee|Bo Chen|12346|named by another",
                         "Dmitry Ivanov|\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9 "
                         "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2|40016|named by another",
                         "Gail Moss|Abigail Moss-Benton|40003|named by another",
                         "Se\xC3\xA1n O'Brien|Se\xC3\xA1n OBrien|40020",
                         "Tess Stone|Ravi Rao|40002|named by another",
                         "Tess Stone|Tess Stone|40005",
                         "Wang Fang|\xE7\x8E\x8B\xE8\x8A\xB3|40017|named by another",
                         "Wei Zhang|Wei Zhang|1",
                         "Wei Zhang|Wei Zhang|2",
                     }));
    const std::vector<std::string> expected = {
        "send_0308Ann_Lee.txt: the header spells the name \"ann lee\", shown as \"Ann Lee\"",
        "send_0309Ann_Lee.txt: the header spells the name \"Ann Lee \", shown as \"Ann Lee\"",
        "send_0310Ann_Lee.txt: the header spells the name \"Ann  Lee\", shown as \"Ann Lee\"",
        "Wei Zhang_1_assignsubmission_file/send_0307Wei_Zhang.txt: one of 2 students named \"Wei Zhang\", told "
        "apart by the submitter id 1",
        "Wei Zhang_2_assignsubmission_file/send_0307Wei_Zhang.txt: one of 2 students named \"Wei Zhang\", told "
        "apart by the submitter id 2",
        "Bo Chen_12346_assignsubmission_file_send_0307Ann_Lee.txt: handed in by Bo Chen (12346); its headers name "
        "Ann Lee",
        "Bo Chen_12346_assignsubmission_file_send_0307Ann_Lee.txt: one of 2 students named \"Ann Lee\", told "
        "apart "
        "by the submitter id 12346",
        "Ravi Rao_40002_assignsubmission_file_send_0307Tess_Stone.txt: handed in by Ravi Rao (40002); its headers "
        "name Tess Stone",
        "Ravi Rao_40002_assignsubmission_file_send_0307Tess_Stone.txt: one of 2 students named \"Tess Stone\", "
        "told "
        "apart by the submitter id 40002",
        "Tess Stone_40005_assignsubmission_file_send_0307Tess_Stone.txt: one of 2 students named \"Tess Stone\", "
        "told apart by the submitter id 40005",
        "Tess Stone_40005_assignsubmission_file_send_0307Tess_Stone.txt: a file handed in by Ravi Rao (40002) "
        "names Tess Stone (40005) in its headers; its answers stay with Ravi Rao",
        "Abigail Moss-Benton_40003_assignsubmission_file/send_0307Gail_Moss.txt: handed in by Abigail Moss-Benton "
        "(40003); its headers name Gail Moss",
        "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9 \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2"
        "_40016_assignsubmission_file_send_0307Dmitry_Ivanov.txt: handed in by "
        "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1"
        "\x80\xD0\xB8\xD0\xB9 \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2 (40016); its headers name Dmitry "
        "Ivanov",
        "\xE7\x8E\x8B\xE8\x8A\xB3_40017_assignsubmission_file_send_0307Wang_Fang.txt: handed in by "
        "\xE7\x8E\x8B\xE8"
        "\x8A\xB3 (40017); its headers name Wang Fang",
    };
    std::vector<std::string> got = findings(m.names, m), want = expected;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    // Each is a row for the workbook's "Checks" as well.
    std::vector<std::string> checks;
    for (const FindingRow& f : findingRows(m))
        if (f.check == "Names: who handed in, spellings, one name for two students")
            checks.push_back(f.places + ": " + f.detail);
    std::sort(checks.begin(), checks.end());
    for (std::string& w : want)
        w.insert(w.find(": "), ":" + std::to_string(1)); // the header's line
    EXPECT_EQ(checks, want);
    // Each participant's answer stays on their own row: Tess's is her own.
    for (const Row& row : m.assignments[AssignmentId(0u)].rows) {
        const Student& st = m.students[row.student];
        const Cell& c = row.cells[QuestionId(0u)];
        ASSERT_TRUE(c.answer.some()) << st.participantId;
        EXPECT_EQ(m.items[c.answer].text, st.participantId == "40005" ? "Tess's own" : "x") << st.participantId;
    }
    EXPECT_EQ(m.assignments[AssignmentId(0u)].rows.size(), m.students.size());
    EXPECT_TRUE(m.fileNames.empty()) << m.fileNames.front().what;
}

TEST(ReviewResaved, Utf8AndLineBreaksAreReadAndNamed)
{
    const std::string tutor = header("Zo\xEB N\xFA\xF1"
                                     "ez") +
                              response("10:01:00", kQ[0], "caf\xE9");
    struct Case {
        const char* what;
        std::string bytes;
        bool utf8, lineBreaks;
    } cases[] = {
        {"as the tutor wrote it", tutor, false, false},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + text::toUtf8(tutor), true, false},
        {"UTF-8 without one", text::toUtf8(tutor), true, false},
        {"LF line ends", text::replaceAll(tutor, "\r\n", "\n"), false, true},
        {"both", text::replaceAll(text::toUtf8(tutor), "\r\n", "\n"), true, true},
        {"a byte above 127 that is not UTF-8 stays Windows-1252", "caf\xE9 \xC3\xA9", false, false},
    };
    for (Case& c : cases) {
        std::string bytes = c.bytes;
        const records::Resaved r = records::undoResave(bytes);
        EXPECT_EQ(r.utf8, c.utf8) << c.what;
        EXPECT_EQ(r.lineBreaks, c.lineBreaks) << c.what;
        if (c.utf8 && !c.lineBreaks) {
            EXPECT_EQ(bytes, tutor) << c.what;
        }
    }
}

TEST(ReviewFiles, ArchivesOtherFilesAndRenamedFilesReadAsTheExtractedClass)
{
    qa::testing::RecordClass cls;
    auto zoe = cls.start("Zo\xEB N\xFA\xF1"
                         "ez",
                         "ZN", "\xC1");
    cls.respond(zoe, kQ[0], "one");
    auto bo = cls.start("Bo Chen", "BC", "\xC2");
    cls.respond(bo, kQ[1], "two");
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("qa-review-class-" + std::to_string(random()));
    cls.write(dir / "plain");
    fs::create_directories(dir / "moodle");
    for (const auto& [name, bytes] : cls.files) {
        const std::string who = name.find("Bo") != std::string::npos ? "Bo Chen_7"
                                                                     : "Zo\xC3\xAB N\xC3\xBA\xC3\xB1"
                                                                       "ez_8";
        const fs::path folder =
            dir / "moodle" / fs::path(std::u8string(who.begin(), who.end()) + u8"_assignsubmission_file_");
        fs::create_directories(folder);
        std::string copy = bytes;
        if (name.starts_with("send_0307Zo")) // re-saved in an editor
            copy = "\xEF\xBB\xBF" + text::toUtf8(copy);
        const std::string utf8 = text::toUtf8(name);
        std::ofstream(folder / fs::path(std::u8string(utf8.begin(), utf8.end())), std::ios::binary) << copy;
    }
    for (const char* extra : {".DS_Store", "desktop.ini", "empty.txt"})
        std::ofstream(dir / "moodle" / extra, std::ios::binary)
            << (extra[0] == '.' ? std::string("\0\0\1Bud1", 7) : "");
    auto cells = [](const fs::path& input, Summary* summary = nullptr) {
        Options options;
        options.inputs = {input};
        const Review r = Review::load(options);
        if (summary)
            *summary = r.summary();
        std::ostringstream csv;
        r.writeCsv(csv);
        std::string rows, line;
        std::istringstream in(csv.str());
        while (std::getline(in, line)) { // the cells up to Revisions; the files are named apart
            for (int k = 0; k < 5; ++k)
                line.erase(line.rfind(','));
            rows += line + "\n";
        }
        return rows;
    };
    Summary plain, moodle;
    const std::string want = cells(dir / "plain", &plain);
    EXPECT_EQ(cells(dir / "moodle", &moodle), want);
    EXPECT_EQ(moodle.skipped, 3u);
    EXPECT_EQ(moodle.problems, 0u);
    EXPECT_EQ(moodle.students, 2u);
    EXPECT_EQ(moodle.findings, 1u); // Zoë's send file, re-saved
    // Mailed attachments saved twice: "send_0307Bo_Chen (1).txt". The name
    // check reads the name the tutor gave, and finds nothing.
    fs::create_directories(dir / "mail");
    for (const auto& [name, bytes] : cls.files) {
        const std::string utf8 = text::toUtf8(name.substr(0, name.size() - 4)) + " (1).txt";
        std::ofstream(dir / "mail" / fs::path(std::u8string(utf8.begin(), utf8.end())), std::ios::binary) << bytes;
    }
    Summary mail;
    EXPECT_EQ(cells(dir / "mail", &mail), want);
    EXPECT_EQ(mail.findings, plain.findings);
    fs::remove_all(dir);
}

} // namespace
