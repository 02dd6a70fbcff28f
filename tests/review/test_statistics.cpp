// Each question's statistics against a class worked by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

#include "review/marking/marking.h"
#include "review/marking/statistics.h"
#include "review/review.h"
#include "support/record_class.h"

namespace {

using namespace qa::review;

// Six students, five questions, each out of 2 but question 5 (out of 1).
// "-" is an answer handed in and not marked, "blank" and "missing" carry no
// mark and score 0.
//        Q1   Q2       Q3      Q4   Q5
//   A    2    2        1       1    1
//   B    2    1        2       0    1
//   C    1    1        blank   1    1
//   D    0    0        1       -    1
//   E    1    missing  0       -    1
//   F    -    2        1       -    1
// Q4 has 3 marks: too few, no figures, and it is not part of the rest.
// The comparison is over A-E (F has no score for Q1); their totals over
// Q1, Q2, Q3, Q5 are 6, 6, 3, 2, 2.
Marking workedClass()
{
    Sheet s;
    s.assignment = "1";
    s.questions = {"Q1", "Q2", "Q3", "Q4", "Q5"};
    for (const char* n : {"A", "B", "C", "D", "E", "F"})
        s.students.push_back({n, "", ""});
    s.resize();
    for (std::size_t st = 0; st < 6; ++st)
        for (std::size_t q = 0; q < 5; ++q)
            s.cell(st, q) = {true, false, "answer", {}};
    s.cell(4, 1) = {};                   // E: Q2 missing
    s.cell(2, 2) = {true, true, "", {}}; // C: Q3 blank
    Marking m({s}, {});
    for (std::size_t q = 0; q < 5; ++q)
        m.setMaximum(0, q, q == 4 ? 1 : 2);
    const std::optional<double> marks[6][5] = {
        {2, 2, 1, 1, 1}, {2, 1, 2, 0, 1}, {1, 1, {}, 1, 1}, {0, 0, 1, {}, 1}, {1, {}, 0, {}, 1}, {{}, 2, 1, {}, 1},
    };
    for (std::size_t st = 0; st < 6; ++st)
        for (std::size_t q = 0; q < 5; ++q)
            if (marks[st][q])
                m.set(0, st, q, marks[st][q], "");
    m.set(0, 0, 0, 2, "Good.");
    m.set(0, 1, 0, 2, "Good.");
    m.set(0, 2, 0, 1, "Units missing.");
    return m;
}

TEST(QuestionStatistics, AClassWorkedByHand)
{
    const auto stats = questionStatistics(workedClass(), 0);
    ASSERT_EQ(stats.size(), 5u);

    // Q1: scores 2 2 1 0 1 (F not marked). Mean 6/5 = 1.2, facility 0.6;
    // deviations .8 .8 -.2 -1.2 -.2, squares sum 2.8, SD sqrt(2.8/4) = 0.83666.
    // Rest (total - Q1) over A-E: 4 4 2 2 1, mean 2.6; deviations
    // 1.4 1.4 -.6 -.6 -1.6, squares 7.2; products .8*1.4 + .8*1.4 + .2*.6
    // + 1.2*.6 + .2*1.6 = 3.4. Index 100 * 3.4 / sqrt(2.8 * 7.2) = 75.724.
    // Sorted and paired: Q1 0 1 1 2 2 against rest 1 2 2 4 4: deviations
    // -1.2 -.2 -.2 .8 .8 by -1.6 -.6 -.6 1.4 1.4 = 1.92 + .12 + .12 + 1.12
    // + 1.12 = 4.4; efficiency 100 * 3.4 / 4.4 = 77.273.
    const QuestionStatistics& q1 = stats[0];
    EXPECT_EQ(q1.answered, 6u);
    EXPECT_EQ(q1.blank + q1.missing, 0u);
    EXPECT_EQ(q1.marked, 5u);
    EXPECT_EQ(q1.scored, 5u);
    ASSERT_TRUE(q1.enough);
    EXPECT_DOUBLE_EQ(*q1.mean, 1.2);
    EXPECT_DOUBLE_EQ(*q1.facility, 0.6);
    EXPECT_NEAR(*q1.sd, 0.836660, 1e-6);
    EXPECT_EQ(q1.zeros, 1u);
    EXPECT_EQ(q1.fullMarks, 2u);
    EXPECT_EQ(q1.compared, 5u);
    EXPECT_NEAR(*q1.discriminationIndex, 75.7240, 1e-4);
    EXPECT_NEAR(*q1.discriminativeEfficiency, 77.2727, 1e-4);
    EXPECT_EQ(q1.comments,
              (std::vector<std::pair<std::string, std::size_t>>{{"Good.", 2}, {"Units missing.", 1}}));
    EXPECT_FALSE(q1.needsReview());

    // Q2: scores 2 1 1 0 0 2 (E missing scores 0). Mean 1, facility 0.5,
    // squares 4, SD sqrt(4/5) = 0.894427. Over A-E: Q2 2 1 1 0 0 (mean .8),
    // rest 4 5 2 2 2 (mean 3); deviations 1.2 .2 .2 -.8 -.8 by 1 2 -1 -1 -1:
    // Sxx 2.8, Syy 8, Sxy 1.2 + .4 - .2 + .8 + .8 = 3; index
    // 100 * 3 / sqrt(22.4) = 63.387. Sorted: -.8 -.8 .2 .2 1.2 by
    // -1 -1 -1 1 2 = .8 + .8 - .2 + .2 + 2.4 = 4; efficiency 75.
    const QuestionStatistics& q2 = stats[1];
    EXPECT_EQ(q2.answered, 5u);
    EXPECT_EQ(q2.missing, 1u);
    EXPECT_EQ(q2.scored, 6u);
    EXPECT_DOUBLE_EQ(*q2.mean, 1.0);
    EXPECT_NEAR(*q2.sd, 0.894427, 1e-6);
    EXPECT_EQ(q2.zeros, 2u);
    EXPECT_EQ(q2.fullMarks, 2u);
    EXPECT_NEAR(*q2.discriminationIndex, 63.3866, 1e-4);
    EXPECT_NEAR(*q2.discriminativeEfficiency, 75.0, 1e-9);

    // Q3: scores 1 2 0 1 0 1 (C blank scores 0), mean 5/6, facility 5/12;
    // squares 2.8333, SD sqrt(2.8333/5) = 0.752773. Over A-E: Q3 1 2 0 1 0
    // (mean .8), rest 5 4 3 1 2 (mean 3); deviations .2 1.2 -.8 .2 -.8 by
    // 2 1 0 -2 -1: Sxx 2.8, Syy 10, Sxy .4 + 1.2 + 0 - .4 + .8 = 2; index
    // 100 * 2 / sqrt(28) = 37.796. Sorted: -.8 -.8 .2 .2 1.2 by -2 -1 0 1 2
    // = 1.6 + .8 + 0 + .2 + 2.4 = 5; efficiency 40.
    const QuestionStatistics& q3 = stats[2];
    EXPECT_EQ(q3.blank, 1u);
    EXPECT_EQ(q3.marked, 5u);
    EXPECT_DOUBLE_EQ(*q3.facility, 5.0 / 12);
    EXPECT_NEAR(*q3.sd, 0.752773, 1e-6);
    EXPECT_EQ(q3.zeros, 2u);
    EXPECT_EQ(q3.fullMarks, 1u);
    EXPECT_NEAR(*q3.discriminationIndex, 37.7964, 1e-4);
    EXPECT_NEAR(*q3.discriminativeEfficiency, 40.0, 1e-9);

    // Q4: three marks, fewer than five: counts only.
    const QuestionStatistics& q4 = stats[3];
    EXPECT_EQ(q4.marked, 3u);
    EXPECT_FALSE(q4.enough);
    EXPECT_FALSE(q4.mean || q4.facility || q4.sd || q4.discriminationIndex);
    EXPECT_FALSE(q4.needsReview());

    // Q5: everyone full marks: facility 1, needs review; no spread, so no
    // discrimination figures.
    const QuestionStatistics& q5 = stats[4];
    EXPECT_DOUBLE_EQ(*q5.facility, 1.0);
    EXPECT_EQ(q5.fullMarks, 6u);
    EXPECT_FALSE(q5.discriminationIndex || q5.discriminativeEfficiency);
    ASSERT_TRUE(q5.needsReview());
    const auto plain = [](double v, int decimals) {
        char b[32];
        std::snprintf(b, sizeof b, "%.*f", decimals, v);
        return std::string(b);
    };
    EXPECT_EQ(reviewReasons(q5, plain), (std::vector<std::string>{"facility 100% above 80%"}));
}

// Fewer than five students with a score on every question with figures: the
// question's own figures are given, the discrimination is not, and a weak
// one is flagged with its reason.
TEST(QuestionStatistics, TooFewComparedAndAWeakQuestion)
{
    Sheet s;
    s.assignment = "1";
    s.questions = {"Q1", "Q2"};
    for (const char* n : {"A", "B", "C", "D", "E", "F"})
        s.students.push_back({n, "", ""});
    s.resize();
    for (std::size_t st = 0; st < 6; ++st)
        for (std::size_t q = 0; q < 2; ++q)
            s.cell(st, q) = {true, false, "answer", {}};
    Marking m({s}, {});
    m.setMaximum(0, 0, 2);
    m.setMaximum(0, 1, 2);
    // Q1 against Q2, reversed: the better at Q2 do worse at Q1.
    const double q1[6] = {0, 0, 1, 1, 2, 2}, q2[6] = {2, 2, 1, 1, 0, 0};
    for (std::size_t st = 0; st < 6; ++st) {
        m.set(0, st, 0, q1[st], "");
        if (st < 4)
            m.set(0, st, 1, q2[st], "");
    }
    // Q2 has four marks: no figures, so Q1's rest is empty (all 0) and no
    // index can be taken.
    auto stats = questionStatistics(m, 0);
    EXPECT_TRUE(stats[0].enough);
    EXPECT_FALSE(stats[1].enough);
    EXPECT_FALSE(stats[0].discriminationIndex);
    m.set(0, 4, 1, 0, "");
    stats = questionStatistics(m, 0);
    // Q2 now has five marks; F has none for it, so five are compared: A-E.
    EXPECT_EQ(stats[0].compared, 5u);
    ASSERT_TRUE(stats[0].discriminationIndex);
    EXPECT_LT(*stats[0].discriminationIndex, 0);
    EXPECT_TRUE(stats[0].weakDiscrimination);
    m.set(0, 3, 0, std::nullopt, "");
    stats = questionStatistics(m, 0);
    EXPECT_EQ(stats[0].compared, 4u);
    EXPECT_FALSE(stats[0].discriminationIndex);
    EXPECT_FALSE(stats[0].weakDiscrimination);
}

// The report's "Questions" section: there with marks, with the figures and
// the rules; a question with too few marks says so; none without marks.
TEST(QuestionStatistics, TheReportsQuestionsSection)
{
    namespace fs = std::filesystem;
    qa::testing::RecordClass cls;
    const auto q = qa::testing::builtinQuestions();
    for (const char* name : {"Ann Lee", "Bo Chen", "Cy Doe", "Di Fox", "Ed Gale"}) {
        const auto p = cls.start(name, "AB", "code");
        cls.respond(p, q[0], std::string("answer of ") + name);
        cls.respond(p, q[1], "a second answer");
    }
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("qa-statistics-" + std::to_string(random()));
    cls.write(dir / "class");
    Options options;
    options.inputs = {dir / "class"};
    Review review = Review::load(options);
    fs::remove_all(dir);
    std::ostringstream plain;
    review.writeHtml(plain, "2026-03-09 12:00");
    EXPECT_EQ(plain.str().find("id=\"stats-0\""), std::string::npos);

    Marking marking(review.sheets(), {});
    marking.setMaximum(0, 0, 2);
    const double marks[5] = {2, 1, 1, 0, 2};
    for (std::size_t s = 0; s < 5; ++s)
        marking.set(0, s, 0, marks[s], s < 2 ? "Clear <b>and</b> right." : "");
    marking.set(0, 0, 1, 1, "");
    review.showMarks(&marking);
    std::ostringstream html;
    review.writeHtml(html, "2026-03-09 12:00");
    const std::string page = html.str();
    const std::size_t at = page.find("<h2 id=\"stats-0\">Assignment 001: questions</h2>");
    ASSERT_NE(at, std::string::npos);
    const std::string part = page.substr(at, page.find("</section>", at) - at);
    EXPECT_NE(part.find("at least 5 of its answers carry a mark"), std::string::npos);
    EXPECT_NE(part.find("below 30% or above 80%"), std::string::npos);
    // Q1: 2 1 1 0 2, mean 1.2, facility 60%, SD sqrt(2.8 / 4) = 0.84; the
    // comment escaped, with its count.
    EXPECT_NE(part.find(">Q1</a></th><td class=\"n\">5</td><td class=\"n\">0</td><td class=\"n\">0</td>"
                        "<td class=\"n\">5</td><td class=\"n\">1.2</td><td class=\"n\">60%</td>"
                        "<td class=\"n\">0.84</td><td class=\"n\">1</td><td class=\"n\">2</td>"),
              std::string::npos)
        << part;
    EXPECT_NE(part.find("2 &times; Clear &lt;b&gt;and&lt;/b&gt; right."), std::string::npos) << part;
    EXPECT_NE(part.find(">Q2</a></th><td class=\"n\">5</td><td class=\"n\">0</td><td class=\"n\">0</td>"
                        "<td class=\"n\">1</td><td colspan=\"9\" class=\"muted\">too few marked</td>"),
              std::string::npos)
        << part;
    EXPECT_NE(page.find("<a href=\"#stats-0\">questions</a>"), std::string::npos);
}

} // namespace
