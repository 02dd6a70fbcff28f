// The instructor's review over record files: a class written by the tutor's
// own record layouts read back whole, and hand-made damaged and hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>

#include "platform/utf8.h"
#include "records/record_reader.h"
#include "review/cli/cli.h"
#include "review/review.h"
#include "support/record_bytes.h"
#include "support/record_class.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using qa::records::formatMoment;

using qa::test::TempDir;

using Rows = std::vector<std::vector<std::string>>;

// RFC 4180, as a spreadsheet reads it.
Rows parseCsv(const std::string& s)
{
    Rows rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (quoted) {
            if (c == '"' && i + 1 < s.size() && s[i + 1] == '"')
                rows.back().back() += s[++i];
            else if (c == '"')
                quoted = false;
            else
                rows.back().back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            rows.emplace_back(1);
            ++i;
        } else {
            rows.back().back() += c;
        }
    }
    rows.pop_back(); // after the last CR LF
    return rows;
}

struct Output {
    std::string html, csv;
    Rows rows;
    review::Summary summary;
    std::vector<review::Problem> problems;
};

Output reviewOf(const std::vector<fs::path>& inputs)
{
    review::Options options;
    options.inputs = inputs;
    const review::Review r = review::Review::load(options);
    std::ostringstream html, csv;
    r.writeHtml(html, "2026-03-09 12:00");
    r.writeCsv(csv);
    Output out{html.str(), csv.str(), {}, r.summary(), r.problems()};
    EXPECT_EQ(out.csv.substr(0, 3), "\xEF\xBB\xBF");
    out.rows = parseCsv(out.csv.substr(3));
    return out;
}

std::size_t count(const std::string& hay, const std::string& needle)
{
    std::size_t n = 0;
    for (std::size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1))
        ++n;
    return n;
}

const std::vector<std::string> kHeader = {
    "Student",  "Initials",  "Assignment", "Question",     "Question text", "Status", "Answer",
    "Answered", "Revisions", "Files",      "Submitted by", "Submitter id",  "Late",   "Notes"};

// The row of a student and question number.
const std::vector<std::string>* rowOf(const Rows& rows, const std::string& student, const std::string& question)
{
    for (const auto& r : rows)
        if (r.size() == kHeader.size() && r[0] == student && r[3] == question)
            return &r;
    return nullptr;
}

TEST(ReviewRoundTrip, EachAnswerOnceInItsCellAtItsTime)
{
    qa::testing::RecordClass cls;
    const auto q = qa::testing::builtinQuestions();
    struct Expected {
        std::string student;
        int question;
        std::string answer, when;
        int revisions;
    };
    std::vector<Expected> expected;
    // The master file's copy is written first and reads the clock first.
    auto answer = [&](const records::RecordPaths& p, const std::string& who, int question, const std::string& text,
                      int revisions) {
        expected.push_back({who, question, text, formatMoment(cls.clock.moment()), revisions});
        cls.respond(p, q[static_cast<std::size_t>(question - 1)], text);
        cls.clock.advance(40);
    };

    auto ann = cls.start("Ann Lee", "AL", "\xA7\xC9k\x81");
    cls.respond(ann, q[1], ""); // an empty box first: a revision
    cls.clock.advance(30);
    cls.respond(ann, q[1], "first try");
    cls.clock.advance(30);
    answer(ann, "Ann Lee", 2, "The slopes match the first differences.", 2);
    answer(ann, "Ann Lee", 1, "Forces 0.8, 1.9, 2.7\r\nfirst differences 1.1, 0.8\r\n\r\nsecond -0.3", 0);
    cls.note(ann, q[0], "ask about units");
    cls.note(ann, q[0], "and about signs"); // two notes in a row run on in the send file
    answer(ann, "Ann Lee", 3, "Depth falls by 15, 11 and 7 cm.", 0);
    cls.clock.day += 1; // the next day: a second send file
    ann = cls.start("Ann Lee", "AL", "\xA7\xC9k\x82");
    answer(ann, "Ann Lee", 14, "Twelve minutes at the slower speed.", 0);

    auto bob = cls.start("Bob Stone", "BS", "\xD0\xBBq\xEE");
    answer(bob, "Bob Stone", 1, "Bob's forces: 1.1 0.8 0.6", 0);
    cls.clock.seconds = 23 * 3600 + 59 * 60; // a session across midnight
    bob = cls.start("Bob Stone", "BS", "\xD0\xBBq\xEF");
    cls.clock.advance(90);
    answer(bob, "Bob Stone", 5, "After midnight: 4 units.", 0);
    cls.note(bob, q[4], "late");

    auto zoe = cls.start("Zo\xEB M\xFCller", "ZM", "\xF1\xF2\xF3");
    answer(zoe, "Zoë Müller", 7,
           "Z's answer with a rule in it\r\n" + std::string(records::kClosingRule) + "\r\n" +
               records::kOpeningRule + "\r\nand more",
           0);

    TempDir dir;
    cls.write(dir.path / "class");
    fs::copy(dir.path / "class", dir.path / "copy"); // a second copy of every file counts once
    const Output out = reviewOf({dir.path / "class", dir.path / "copy"});

    EXPECT_TRUE(out.problems.empty()) << out.problems.front().file << ":" << out.problems.front().line << " "
                                      << out.problems.front().what;
    EXPECT_EQ(out.summary.students, 3u);
    EXPECT_EQ(out.summary.responses, expected.size() + 2);
    EXPECT_EQ(out.summary.notes, 3u);
    ASSERT_EQ(out.rows.size(), 1 + 3 * q.size());
    EXPECT_EQ(out.rows.front(), kHeader);
    for (const Expected& e : expected) {
        const auto* row = rowOf(out.rows, e.student, std::to_string(e.question));
        ASSERT_TRUE(row) << e.student << " " << e.question;
        EXPECT_EQ((*row)[5], "answered");
        EXPECT_EQ((*row)[6], text::toUtf8(e.answer));
        EXPECT_EQ((*row)[7], e.when);
        EXPECT_EQ((*row)[8], std::to_string(e.revisions));
        EXPECT_EQ((*row)[4], text::toUtf8(q[static_cast<std::size_t>(e.question - 1)]));
        // Once by its question and once under its student, each file's copy counted once.
        std::string escaped = text::toUtf8(e.answer);
        escaped = text::replaceAll(escaped, "\r\n", "\n");
        escaped = text::replaceAll(escaped, "'", "&#39;");
        EXPECT_EQ(count(out.html, escaped), 2u) << e.answer;
        EXPECT_NE(out.html.find("title=\"" + e.when + "\""), std::string::npos);
    }
    std::size_t answered = 0;
    for (const auto& r : out.rows)
        answered += r[5] == "answered";
    EXPECT_EQ(answered, expected.size());
    EXPECT_EQ((*rowOf(out.rows, "Bob Stone", "5"))[7].substr(0, 10), "2026-03-09");
    const std::string files = (*rowOf(out.rows, "Ann Lee", "1"))[9];
    // Two inputs that hold the same names: each shown with its input.
    EXPECT_EQ(files, "class/masterFile_Ann_Lee.txt; class/send_0307Ann_Lee.txt; copy/masterFile_Ann_Lee.txt; "
                     "copy/send_0307Ann_Lee.txt");
    EXPECT_EQ(out.summary.findings, 0u) << out.html;
}

} // namespace

namespace {

using qa::testing::header;
using qa::testing::ln;
using qa::testing::note;
using qa::testing::response;

void put(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

const std::string kScript = "<script>document.title='PWNED'</script>";
const std::string kImg = "\"><img src=x onerror=\"document.body.setAttribute('data-pwned','1')\">";
const std::string kFormula = "=HYPERLINK(\"http://example.invalid\",\"click\")";

// One student's send file with every kind of damage the review must live with.
struct EdgeClass {
    TempDir dir;
    fs::path in = dir.path / "class";
    std::vector<std::string> q = qa::testing::builtinQuestions();

    EdgeClass()
    {
        fs::create_directories(in);
        std::string send = header("Ren\xE9 Roy") + response("10:01:00", q[0], "line one\r\nline two") +
                           note("10:02:00", q[0], "first note") + note("10:03:00", q[0], "second\r\nnote") +
                           response("10:04:00", q[1], kScript) + response("10:05:00", q[2], kImg) +
                           response("10:06:00", q[3], kFormula);
        std::string edited = response("10:07:00", q[4], "edited away");
        edited.replace(edited.find(records::kResponseLabel), 8, "ANSWER: ");
        send += edited + response("10:08:00", q[5], "after the edited block");
        send += response("23:59:58", q[6], "late") + response("00:00:03", q[7], "after midnight");
        const std::string torn = response("00:01:00", q[8], "torn off");
        send += torn.substr(0, torn.size() - 30);
        put(in / fs::path(u8"send_0307René_Roy.txt"), send);
        put(in / "foreign.txt", "Dear teacher,\r\nhere is my homework.\r\n");
#ifndef _WIN32
        // An archive unpacked in another encoding: the name is not UTF-8.
        put(in / "send_0308Ren\xE9_Roy.txt", header("Ren\xE9 Roy", "03-07-2026", "\xD1\xD2\xD3") +
                                                 response("11:00:00", q[9], "from the oddly named file"));
#endif
    }
};

TEST(ReviewEdges, DamagedAndHostileFilesAreReadAroundAndKeptAsText)
{
    EdgeClass c;
    const Output out = reviewOf({c.in});
    const std::string rene = "Ren\xC3\xA9 Roy";
    auto answer = [&](int question) { return (*rowOf(out.rows, rene, std::to_string(question)))[6]; };
    EXPECT_EQ(answer(1), "line one\r\nline two");
    EXPECT_EQ(answer(2), kScript);
    EXPECT_EQ(answer(3), kImg);
    EXPECT_EQ(answer(4), "'" + kFormula);                   // a spreadsheet gets the formula as text
    EXPECT_EQ((*rowOf(out.rows, rene, "5"))[5], "missing"); // the edited block
    EXPECT_EQ(answer(6), "after the edited block");
    EXPECT_EQ((*rowOf(out.rows, rene, "8"))[7], "2026-03-08 00:00:03");
    EXPECT_EQ((*rowOf(out.rows, rene, "9"))[5], "missing"); // torn off
    EXPECT_EQ(out.summary.notes, 2u);
    EXPECT_NE(out.html.find("second\nnote"), std::string::npos);

    // The damage, by file and line.
    std::vector<std::string> problems;
    for (const auto& p : out.problems)
        problems.push_back(p.file + ":" + std::to_string(p.line) + "-" + std::to_string(p.lastLine) + " " +
                           p.what);
    // A letter is not a record file: skipped, not damage.
    EXPECT_EQ(out.summary.skipped, 1u);
    const std::vector<std::string> expected = {
        "send_0307Ren\xC3\xA9_Roy.txt:49-55 a block whose fixed lines are not in place",
        "send_0307Ren\xC3\xA9_Roy.txt:77-83 a block torn off at the end of the file"};
    EXPECT_EQ(problems, expected);

    // No markup from the answers: they stand as text.
    std::string lower = text::lower(out.html);
    EXPECT_EQ(lower.find("<script"), std::string::npos);
    EXPECT_EQ(lower.find("<img"), std::string::npos);
    EXPECT_NE(out.html.find("&lt;script&gt;document.title=&#39;PWNED&#39;&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(out.html.find("content=\"default-src 'none'; style-src 'unsafe-inline'"), std::string::npos);
#ifndef _WIN32
    const auto* odd = rowOf(out.rows, rene, "10");
    ASSERT_TRUE(odd);
    EXPECT_EQ((*odd)[9], "send_0308Ren\xEF\xBF\xBD_Roy.txt");
    // Its name carries 03-08, its header 03-07.
    EXPECT_NE(out.html.find("the file name carries the day 03-08, the header 2026-03-07"), std::string::npos);
#endif
}

// Python's csv module reads the CSV back to the same cells.
TEST(ReviewEdges, PythonReadsTheCsvBack)
{
#ifdef _WIN32
    GTEST_SKIP() << "no python3 under Wine";
#else
    if (std::system("python3 -c pass >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed";
    EdgeClass c;
    const Output out = reviewOf({c.in});
    put(c.dir.path / "out.csv", out.csv);
    const std::string cmd = "python3 -c \"import csv,sys\n"
                            "rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8-sig')))\n"
                            "open(sys.argv[2],'w',encoding='utf-8',newline='').write("
                            "'\\x1e'.join('\\x1f'.join(r) for r in rows))\" " +
                            (c.dir.path / "out.csv").string() + " " + (c.dir.path / "back.txt").string();
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream back(c.dir.path / "back.txt", std::ios::binary);
    const std::string got{std::istreambuf_iterator<char>(back), {}};
    std::string want;
    for (const auto& r : out.rows) {
        if (!want.empty())
            want += '\x1e';
        for (std::size_t k = 0; k < r.size(); ++k)
            want += (k ? "\x1f" : "") + r[k];
    }
    EXPECT_EQ(got, want);
#endif
}

// Opened in a real browser, the report runs none of the hostile answers.
TEST(ReviewEdges, NoScriptRunsInChromium)
{
#ifdef _WIN32
    GTEST_SKIP() << "no browser under Wine";
#else
    if (std::system("command -v chromium >/dev/null 2>&1") != 0) {
        if (std::getenv("QA_REQUIRE_BROWSER")) // ./qa test installs it
            FAIL() << "chromium is not installed";
        GTEST_SKIP() << "chromium is not installed";
    }
    EdgeClass c;
    const Output out = reviewOf({c.in});
    const fs::path page = c.dir.path / "report.html";
    put(page, out.html);
    const std::string cmd = "timeout 60 chromium --headless --no-sandbox --disable-gpu --user-data-dir=" +
                            (c.dir.path / "profile").string() + " --dump-dom file://" + page.string() + " > " +
                            (c.dir.path / "dom.html").string() + " 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream dom(c.dir.path / "dom.html", std::ios::binary);
    const std::string got{std::istreambuf_iterator<char>(dom), {}};
    EXPECT_NE(got.find("<title>Review of handed-in work</title>"), std::string::npos);
    EXPECT_EQ(got.find("data-pwned=\"1\""), std::string::npos);
    EXPECT_NE(got.find("onerror"), std::string::npos); // the answer is there, as text
#endif
}

} // namespace

namespace {

int run(const std::vector<std::string>& args, std::string* err = nullptr)
{
    std::ostringstream o, e;
    const int status = review::runCommandLine(args, o, e);
    if (err)
        *err = e.str();
    return status;
}

std::string utf8(const fs::path& p)
{
    return text::pathToUtf8(p);
}

// Exit status: 0 read, 1 nothing read, 2 usage, 3 cannot write; and nothing
// is ever written among the inputs, which may be read-only.
TEST(ReviewCommandLine, ExitStatusAndNothingWrittenAmongTheInputs)
{
    EdgeClass c;
    const std::string in = utf8(c.in);
    std::string err;
    EXPECT_EQ(run({}, &err), 2);
    EXPECT_NE(err.find("usage: qa-review [--html FILE] [--csv FILE] [--xlsx FILE] [--assignment N] [--mark]"),
              std::string::npos);
    EXPECT_EQ(run({"--assignment", "x", in}), 2);
    EXPECT_EQ(run({"--html", in + "/r.html", in}), 2);
    EXPECT_EQ(run({utf8(c.dir.path / "nothing-here")}), 1);
    EXPECT_EQ(run({utf8(c.in / "foreign.txt")}), 1);
    EXPECT_EQ(run({"--html", utf8(c.dir.path / "no-such-folder" / "r.html"), in}, &err), 3);
    EXPECT_NE(err.find("no-such-folder"), std::string::npos);

    // From inside an input, with no output named: refused, nothing written.
    const fs::path before = fs::current_path();
    fs::current_path(c.in);
    const int inside = run({"."}, &err);
    fs::current_path(before);
    EXPECT_EQ(inside, 2);
    EXPECT_NE(err.find("among the inputs"), std::string::npos);

    std::vector<fs::path> listed;
    for (const auto& e : fs::recursive_directory_iterator(c.in))
        listed.push_back(e.path());
#ifndef _WIN32
    fs::permissions(c.in, fs::perms::owner_read | fs::perms::owner_exec); // a read-only folder works
#endif
    const fs::path html = c.dir.path / "out.html", csv = c.dir.path / "out.csv";
    EXPECT_EQ(run({"--html", utf8(html), "--csv", utf8(csv), "--assignment", "1", in}), 0);
    EXPECT_TRUE(fs::file_size(html) > 0 && fs::file_size(csv) > 0);
    EXPECT_EQ(run({"--assignment", "2", "--csv", utf8(csv), in}, &err), 1); // read, but none of that assignment
    EXPECT_NE(err.find("no work for assignment 2; the files hold assignment 001"), std::string::npos) << err;
    std::vector<fs::path> after;
    for (const auto& e : fs::recursive_directory_iterator(c.in))
        after.push_back(e.path());
    EXPECT_EQ(after, listed);
}

} // namespace
