// The instructor's review over record files: a class written by the tutor's
// own record layouts read back whole, and hand-made damaged and hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>

#include "review/review.h"
#include "support/record_class.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using qa::review::formatMoment;

class TempDir {
public:
    TempDir()
    {
        std::random_device random;
        path = fs::temp_directory_path() / ("qa-review-test-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(path);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
    fs::path path;
};

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

const std::vector<std::string> kHeader = {"Student", "Initials", "Assignment", "Question", "Question text", "Status",
                                          "Answer",  "Answered", "Revisions",  "Files"};

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
    answer(zoe, "Zoë Müller", 7, "Z's answer with a rule in it\r\n" + std::string(records::kClosingRule) + "\r\n" +
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
    EXPECT_EQ(files, "masterFile_Ann_Lee.txt; send_0307Ann_Lee.txt; masterFile_Ann_Lee.txt; send_0307Ann_Lee.txt");
    EXPECT_EQ(out.summary.findings, 0u) << out.html;
}

} // namespace
