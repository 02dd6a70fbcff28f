// The report page: the writer's escaping, the parts that say who did what,
// and one small report compared byte for byte with the one kept in the
// repository.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "findings_class.h"
#include "review/model/model.h"
#include "review/report/html_report.h"
#include "review/review.h"
#include "review/write/html_writer.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;
using review::Attr;
using review::Attr1252;
using review::Markup;
using review::Text;
using review::Text1252;

// Markup comes from literals alone: no string made at run time converts.
static_assert(std::is_constructible_v<Markup, const char (&)[4]>);
static_assert(!std::is_constructible_v<Markup, std::string>);
static_assert(!std::is_constructible_v<Markup, std::string_view>);
static_assert(!std::is_constructible_v<Markup, const char*>);

template <class T> std::string written(T t)
{
    std::ostringstream s;
    {
        review::HtmlWriter w(s);
        w << t;
    }
    return s.str();
}

const std::string kFffd = "\xEF\xBF\xBD";

TEST(ReviewPage, EscapesEveryByteForTextAndForAttributes)
{
    struct Case {
        std::string in, text1252, attr1252, textUtf8, attrUtf8;
    };
    const std::vector<Case> cases = {
        {"a&b", "a&amp;b", "a&amp;b", "a&amp;b", "a&amp;b"},
        {"<p>", "&lt;p&gt;", "&lt;p&gt;", "&lt;p&gt;", "&lt;p&gt;"},
        {"\"'", "&quot;&#39;", "&quot;&#39;", "&quot;&#39;", "&quot;&#39;"},
        {"a\tb", "a\tb", "a&#9;b", "a\tb", "a&#9;b"},
        {"a\r\nb\rc\nd", "a\nb\nc\nd", "a&#10;b&#10;c&#10;d", "a\nb\nc\nd", "a&#10;b&#10;c&#10;d"},
        {"\x01\x1B\x7F", kFffd + kFffd + kFffd, kFffd + kFffd + kFffd, kFffd + kFffd + kFffd,
         kFffd + kFffd + kFffd},
        // Windows-1252 letters become UTF-8; alone they are not UTF-8.
        {"\xE9 \x80 \x96", "\xC3\xA9 \xE2\x82\xAC \xE2\x80\x93", "\xC3\xA9 \xE2\x82\xAC \xE2\x80\x93",
         kFffd + " " + kFffd + " " + kFffd, kFffd + " " + kFffd + " " + kFffd},
        {"\x81\x9D", kFffd + kFffd, kFffd + kFffd, kFffd + kFffd, kFffd + kFffd}, // no character in 1252
        // UTF-8 stands as it is; overlong forms and surrogates do not.
        {"Zo\xC3\xAB \xF0\x9F\x98\x80", "", "", "Zo\xC3\xAB \xF0\x9F\x98\x80", "Zo\xC3\xAB \xF0\x9F\x98\x80"},
        {"\xC0\xAF\xED\xA0\x80", "", "", kFffd + kFffd + kFffd + kFffd + kFffd,
         kFffd + kFffd + kFffd + kFffd + kFffd},
    };
    for (const Case& c : cases) {
        if (!c.text1252.empty()) {
            EXPECT_EQ(written(Text1252{c.in}), c.text1252) << c.in;
            EXPECT_EQ(written(Attr1252{c.in}), c.attr1252) << c.in;
        }
        EXPECT_EQ(written(Text{c.in}), c.textUtf8) << c.in;
        EXPECT_EQ(written(Attr{c.in}), c.attrUtf8) << c.in;
    }
    // No byte, in either encoding, leaves a markup character of its own.
    for (int b = 0; b < 256; ++b) {
        const std::string in = std::string("x") + static_cast<char>(b) + "y";
        for (const std::string& out : {written(Text1252{in}), written(Attr1252{in}), written(Text{in})}) {
            std::string bare = out;
            for (const char* ref : {"&amp;", "&lt;", "&gt;", "&quot;", "&#39;", "&#9;", "&#10;"})
                bare = text::replaceAll(bare, ref, "");
            EXPECT_EQ(bare.find_first_of("&<>\"'"), std::string::npos) << b << ": " << out;
        }
    }
}

using qa::test::TempDir;

std::size_t count(const std::string& hay, const std::string& needle)
{
    std::size_t n = 0;
    for (std::size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1))
        ++n;
    return n;
}

std::string reportOf(const qa::testing::RecordClass& cls, const fs::path& dir)
{
    cls.write(dir);
    review::Options options;
    options.inputs = {dir};
    std::ostringstream html;
    review::Review::load(options).writeHtml(html, "2026-03-09 12:00");
    return html.str();
}

// The text of the section that starts at `from`, up to the next `</section>`.
std::string section(const std::string& html, const std::string& from)
{
    const std::size_t at = html.find(from);
    if (at == std::string::npos)
        return {};
    return html.substr(at, html.find("</section>", at) - at);
}

// Every value of `attribute="..."` in the page.
std::set<std::string> values(const std::string& html, const std::string& attribute)
{
    std::set<std::string> out;
    const std::string key = " " + attribute + "=\"";
    for (std::size_t at = html.find(key); at != std::string::npos; at = html.find(key, at + 1)) {
        const std::size_t from = at + key.size();
        out.insert(html.substr(from, html.find('"', from) - from));
    }
    return out;
}

TEST(ReviewPage, GridAndListsSayWhoAnsweredWhat)
{
    TempDir dir;
    const std::string html = reportOf(qa::testing::findingsClass(), dir.path / "class");
    // Question 4: Bo's response is empty; Ann and Zoë have none.
    const std::string q4 = section(html, "id=\"q-0-3\"");
    EXPECT_NE(q4.find("Only empty responses (1): <a id=\"a-0-3-1\" href=\"#student-1\">Bo Chen</a>"),
              std::string::npos)
        << q4;
    EXPECT_NE(q4.find("No response (2): <a href=\"#student-0\">Ann Lee</a>, <a href=\"#student-2\">"),
              std::string::npos)
        << q4;
    // A cell shows the month and day and the time, the year in its title,
    // and links to the answer; a missing cell says so in words.
    EXPECT_NE(html.find("title=\"2026-03-07 10:01:08\"><a href=\"#a-0-1-0\">03-07<br>10:01</a></td>"),
              std::string::npos);
    EXPECT_NE(html.find("<div class=\"ans\" id=\"a-0-1-0\">"), std::string::npos);
    EXPECT_NE(html.find("<td class=\"em\" title=\"only empty responses\"><a href=\"#a-0-3-1\">empty</a></td>"),
              std::string::npos);
    EXPECT_NE(html.find("<span aria-hidden=\"true\">&ndash;</span><span class=\"vh\">missing</span>"),
              std::string::npos);
    EXPECT_NE(
        html.find("Tab\tseparated &quot;quoted&quot; &#39;single&#39; \xC2\xA7 \xE2\x82\xAC 10 \xE2\x80\x93 5\n"
                  "second line"),
        std::string::npos);
    // Every link inside the page lands somewhere, and every answered or empty
    // cell (3 students by 14 questions, less the missing) links to one.
    const std::set<std::string> ids = values(html, "id");
    std::size_t cellLinks = 0;
    for (const std::string& href : values(html, "href")) {
        ASSERT_EQ(href.front(), '#') << href;
        EXPECT_TRUE(ids.count(href.substr(1))) << href;
        cellLinks += href.compare(0, 3, "#a-") == 0;
    }
    EXPECT_EQ(cellLinks, 42 - count(html, "<td class=\"mi\""));
}

// A bank too wide for one printed page: the grid is printed in blocks of
// questions, each with the names, the counts with the last.
TEST(ReviewPage, WideGridPrintsInBlocksOfQuestions)
{
    review::Model m;
    review::Assignment as;
    as.number = "002";
    review::Row row;
    row.student = m.students.add({"Wide Bank", {"WB"}, {}, {}});
    for (int q = 1; q <= 20; ++q) {
        as.questions.add(m.lines.add("Question " + std::to_string(q)));
        row.cells.add({});
    }
    as.rows.push_back(row);
    m.assignments.add(as);
    std::ostringstream out;
    review::writeHtmlReport(m, out, "2026-03-09 12:00");
    const std::string html = out.str();
    ASSERT_NE(html.find("<section class=\"gridpart blocks\" aria-labelledby=\"grid-0\">"), std::string::npos);
    const std::string blocks = html.substr(html.find("<div class=\"printblocks\">"));
    EXPECT_EQ(count(blocks.substr(0, blocks.find("</div>")), "Wide Bank</a>"), 2u);
    EXPECT_NE(blocks.find("questions 1 to 15, by student</caption>"), std::string::npos);
    EXPECT_NE(blocks.find("Q15</a></th></tr></thead>"), std::string::npos);
    EXPECT_NE(blocks.find("questions 16 to 20, by student</caption>"), std::string::npos);
    EXPECT_NE(blocks.find("Q20</a></th><th scope=\"col\">Answered</th>"), std::string::npos);
    EXPECT_EQ(count(html, "<table class=\"grid\">"), 3u);
}

// The report of the findings class, byte for byte as kept in
// tests/review/golden/report.html. After a change to the page made on
// purpose, write it anew and look at the difference before committing:
//   QA_WRITE_GOLDEN=1 build/tests/review/qa_review_page_tests --gtest_filter='*Golden*'
TEST(ReviewPage, GoldenReport)
{
    TempDir dir;
    const std::string html = reportOf(qa::testing::findingsClass(), dir.path / "class");
    const fs::path golden = fs::path(QA_SOURCE_DIR) / "tests/review/golden/report.html";
    if (std::getenv("QA_WRITE_GOLDEN")) {
        fs::create_directories(golden.parent_path());
        std::ofstream(golden, std::ios::binary) << html;
    }
    std::ifstream in(golden, std::ios::binary);
    ASSERT_TRUE(in) << golden;
    const std::string kept{std::istreambuf_iterator<char>(in), {}};
    std::size_t at = 0;
    while (at < html.size() && at < kept.size() && html[at] == kept[at])
        ++at;
    EXPECT_TRUE(at == html.size() && at == kept.size())
        << "first difference at byte " << at << ": " << html.substr(at > 80 ? at - 80 : 0, 200);
}

// The files are read ahead and the page is made on several threads: the
// report and the CSV must be the same bytes as with one, run after run.
TEST(ReviewPage, TheSameBytesWhateverTheThreads)
{
    TempDir dir;
    qa::testing::findingsClass(120).write(dir.path / "class");
    const auto outputs = [&](unsigned threads) {
        review::Options options;
        options.inputs = {dir.path / "class"};
        options.threads = threads;
        const review::Review r = review::Review::load(options);
        std::ostringstream html, csv;
        r.writeHtml(html, "2026-03-09 12:00");
        r.writeCsv(csv);
        return std::make_pair(html.str(), csv.str());
    };
    const auto one = outputs(1);
    ASSERT_GT(one.first.size(), 100000u);
    for (int run = 0; run < 3; ++run) {
        const auto many = outputs(4);
        EXPECT_TRUE(many.first == one.first) << "the report differs in run " << run;
        EXPECT_TRUE(many.second == one.second) << "the CSV differs in run " << run;
    }
}

} // namespace
