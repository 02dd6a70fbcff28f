// The report in a real browser (Debian's Chromium, driven by the scripts of
// tests/review/browser through playwright-core): no accessibility violation
// by axe-core, a grid that keeps its header row and names in view at 1024 px
// and whose cells land on their answers, and a print that keeps the grid
// whole and names the student on every page of their section.
// Without node, Chromium or the npm packages the tests are skipped, unless
// QA_REQUIRE_BROWSER is set (./qa test sets it), when they fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>

#include "findings_class.h"
#include "review/review.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace qa;

const fs::path kScripts = fs::path(QA_SOURCE_DIR) / "tests/review/browser";

using qa::test::slurp;
using qa::test::TempDir;

// Why the browser cannot run here, or "".
std::string missing()
{
#ifdef _WIN32
    return "no browser under Wine";
#else
    const char* chromium = std::getenv("QA_CHROMIUM");
    if (!fs::exists(chromium ? chromium : "/usr/bin/chromium"))
        return "chromium is not installed";
    if (std::system("node --version >/dev/null 2>&1") != 0)
        return "node is not installed";
    if (!fs::exists(kScripts / "node_modules/playwright-core") || !fs::exists(kScripts / "node_modules/axe-core"))
        return "the npm packages are not installed (npm ci in tests/review/browser)";
    return "";
#endif
}

#define REQUIRE_BROWSER()                                                                                         \
    do {                                                                                                          \
        const std::string why = missing();                                                                        \
        if (!why.empty()) {                                                                                       \
            if (std::getenv("QA_REQUIRE_BROWSER"))                                                                \
                FAIL() << why;                                                                                    \
            GTEST_SKIP() << why;                                                                                  \
        }                                                                                                         \
    } while (0)

// Runs `command`, its output (both streams) into `output`; the exit status.
int run(const std::string& command, const fs::path& dir, std::string& output)
{
    const fs::path log = dir / "log.txt";
    const int status = std::system(("timeout 300 " + command + " > '" + log.string() + "' 2>&1").c_str());
    output = slurp(log);
    return status;
}

int node(const std::string& script, const std::string& args, const fs::path& dir, std::string& output)
{
    return run("node '" + (kScripts / script).string() + "' " + args, dir, output);
}

fs::path writeReport(const qa::testing::RecordClass& cls, const fs::path& dir)
{
    cls.write(dir / "class");
    review::Options options;
    options.inputs = {dir / "class"};
    const fs::path page = dir / "report.html";
    std::ofstream out(page, std::ios::binary);
    review::Review::load(options).writeHtml(out, "2026-03-09 12:00");
    return page;
}

TEST(ReviewBrowser, AxeCoreFindsNoViolations)
{
    REQUIRE_BROWSER();
    TempDir dir;
    qa::testing::RecordClass cls = qa::testing::findingsClass(20);
    // Rows one line high, of students who handed in only empty responses:
    // their cells' links must still be large enough to touch, or far enough
    // apart.
    for (const char* name : {"Eve Empty", "Fay Empty", "Gus Empty"})
        cls.respond(cls.start(name, "EE", "code"), qa::testing::builtinQuestions()[0], "");
    const fs::path page = writeReport(cls, dir.path);
    std::string out;
    EXPECT_EQ(node("axe.mjs", "'" + page.string() + "'", dir.path, out), 0) << out;
    EXPECT_NE(out.find(" 0 violations"), std::string::npos) << out;
}

// 150 students. QA_GRID_SCREENSHOT=FILE keeps the picture.
TEST(ReviewBrowser, GridKeepsHeaderAndNamesInViewAndCellsLandOnAnswers)
{
    REQUIRE_BROWSER();
    TempDir dir;
    const fs::path page = writeReport(qa::testing::findingsClass(147), dir.path);
    const char* keep = std::getenv("QA_GRID_SCREENSHOT");
    std::string out;
    EXPECT_EQ(
        node("grid.mjs", "'" + page.string() + "' " + (keep ? "'" + std::string(keep) + "'" : ""), dir.path, out),
        0)
        << out;
}

struct PdfPage {
    bool landscape = false;
    std::string text;
};

std::vector<PdfPage> pdfPages(const fs::path& pdf, const fs::path& dir)
{
    std::string info;
    EXPECT_EQ(run("pdfinfo -f 1 -l 1000 '" + pdf.string() + "'", dir, info), 0) << info;
    std::vector<PdfPage> pages;
    const std::regex size(R"(Page +\d+ size: +([\d.]+) x ([\d.]+))");
    for (std::sregex_iterator m(info.begin(), info.end(), size), end; m != end; ++m) {
        PdfPage p;
        p.landscape = std::stod((*m)[1]) > std::stod((*m)[2]);
        const std::string n = std::to_string(pages.size() + 1);
        EXPECT_EQ(run("pdftotext -layout -f " + n + " -l " + n + " '" + pdf.string() + "' -", dir, p.text), 0);
        pages.push_back(p);
    }
    return pages;
}

TEST(ReviewBrowser, PrintKeepsTheGridWholeAndNamesTheStudentOnEveryPage)
{
    REQUIRE_BROWSER();
    if (std::system("pdftotext -v >/dev/null 2>&1") != 0 && std::getenv("QA_REQUIRE_BROWSER") == nullptr)
        GTEST_SKIP() << "pdftotext is not installed";
    TempDir dir;
    qa::testing::RecordClass cls = qa::testing::findingsClass(30);
    const auto q = qa::testing::builtinQuestions();
    auto lw = cls.start("Long Writer", "LW", "\xB1\xB2\xB3\xB4");
    for (int k = 1; k <= 60; ++k) // drafts of one answer: only the last is under its question
        cls.respond(lw, q[0],
                    "Draft " + std::to_string(k) +
                        ": the force grows by less each time because the band stretches, and the differences "
                        "fall from 1.1 to 0.4 newtons as the band gets longer and longer.");
    const fs::path page = writeReport(cls, dir.path);
    std::string out;
    ASSERT_EQ(node("print.mjs", "'" + page.string() + "' '" + (dir.path / "print").string() + "'", dir.path, out),
              0)
        << out;
    for (const char* paper : {"letter", "a4"}) {
        SCOPED_TRACE(paper);
        const auto pages = pdfPages(dir.path / ("print-" + std::string(paper) + ".pdf"), dir.path);
        ASSERT_GT(pages.size(), 5u);
        EXPECT_FALSE(pages.front().landscape);
        // The grid: on landscape pages, each with every question and the counts.
        std::size_t grid = 0, drafts = 0;
        const PdfPage* lastGridPage = nullptr;
        for (const PdfPage& p : pages) {
            const bool gridPage = std::regex_search(p.text, std::regex(R"(Q13 +Q14 +Answered +Empty +Missing)"));
            EXPECT_EQ(gridPage, p.landscape) << p.text;
            grid += gridPage;
            if (gridPage)
                lastGridPage = &p;
            if (p.text.find("Draft ") == std::string::npos || p.text.find("Response or note") == std::string::npos)
                continue;
            ++drafts;
            EXPECT_NE(p.text.find("Long Writer"), std::string::npos) << p.text;
        }
        ASSERT_GE(grid, 1u);
        // The column counts close the grid on its last page.
        EXPECT_TRUE(std::regex_search(lastGridPage->text, std::regex(R"(\nMissing( +\d+){14}\n)")))
            << lastGridPage->text;
        EXPECT_GE(drafts, 3u);
    }
}

} // namespace
