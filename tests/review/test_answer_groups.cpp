// Alike answers: the question's own text left out before comparing, the
// review's near-identical measure joining groups, and each member's words
// against the group's first.
#include <gtest/gtest.h>

#include "review/checks/similar.h"
#include "review/marking/answer_groups.h"
#include "review/marking/marking_desk.h"

namespace {

using namespace qa::review;

struct Student {
    const char* name;
    const char* answer; // null: none handed in
};

Sheet sheetOf(const std::string& question, const std::vector<Student>& students)
{
    Sheet sheet;
    sheet.assignment = "1";
    sheet.questions = {question};
    for (const Student& s : students)
        sheet.students.push_back({s.name, "", ""});
    sheet.resize();
    for (std::size_t i = 0; i < students.size(); ++i)
        if (students[i].answer)
            sheet.cell(i, 0) = {true, false, students[i].answer, {}};
    return sheet;
}

std::vector<std::vector<std::size_t>> membersOf(const std::vector<AnswerGroup>& groups)
{
    std::vector<std::vector<std::size_t>> out;
    for (const AnswerGroup& g : groups) {
        out.emplace_back();
        for (const GroupMember& m : g.members)
            out.back().push_back(m.student);
    }
    return out;
}

std::string joined(const GroupMember& m)
{
    std::string out;
    for (const AnswerSpan& s : m.spans)
        out += s.text;
    return out;
}

// A student who pasted the question above the answer hands in the same
// answer as one who did not; two who handed in only the question handed in
// nothing alike, nor the same answer; the question's words inside a longer
// word stay.
TEST(AlikeAnswers, TheQuestionsOwnTextIsLeftOut)
{
    EXPECT_EQ(leaveOut("why? because. why?", "why?"), "because.");
    EXPECT_EQ(leaveOut("so why? not", "why"), "so why? not");
    EXPECT_EQ(leaveOut("a b c", ""), "a b c");
    const std::string asked = "Which force pulls a stretched band back?\nSay why.";
    const Sheet sheet = sheetOf(asked, {
                                           {"Ann", "Tension, because the band resists stretching."},
                                           {"Bo", "Which force pulls a stretched band back? Say why.\n\n"
                                                  "tension,  because the band RESISTS stretching."},
                                           {"Cy", "Which force pulls a stretched band back?\nSay why."},
                                           {"Di", "which force pulls a stretched band back? say why."},
                                           {"Ed", nullptr},
                                           {"Flo", "Gravity."},
                                       });
    const std::vector<AnswerGroup> groups = answerGroups(sheet, 0);
    ASSERT_EQ(membersOf(groups), (std::vector<std::vector<std::size_t>>{{0, 1}}));
    EXPECT_TRUE(groups[0].identical());
    // The review's same answers of Cy and Di are not named as such either.
    Sheet same = sheet;
    same.same = {{0, {2, 3}}};
    MarkingDesk desk(Marking({same}, {}), "marks.csv");
    desk.choose(2, 0);
    EXPECT_TRUE(desk.sameAnswer().empty());
    // Bo's pasted question is where his answer differs from Ann's.
    const GroupMember& bo = groups[0].members[1];
    EXPECT_EQ(joined(bo), sheet.cell(1, 0).answer);
    ASSERT_EQ(bo.spans.size(), 2u);
    EXPECT_TRUE(bo.spans[0].changed);
    EXPECT_EQ(bo.spans[0].text, "Which force pulls a stretched band back? Say why.");
    EXPECT_FALSE(bo.spans[1].changed);
    ASSERT_EQ(groups[0].members[0].spans.size(), 1u);
    EXPECT_FALSE(groups[0].members[0].spans[0].changed);
}

// Near-identical answers join the group of the answer they are near; the
// members that are the first's answer are "same"; the largest group first,
// then by the first member; a member's changed words are its own.
TEST(AlikeAnswers, NearIdenticalAnswersJoinAndShowTheirDifferences)
{
    const std::string worked = "The first differences are 1.1, 0.8, 0.6 and 0.4 N, so the force grows more "
                               "slowly as the band gets longer; the second differences are all negative, which "
                               "says the same thing, and the sequence with these differences starts at 0 and "
                               "adds each force in turn.";
    std::string near = worked;
    near.replace(near.find("0.4 N"), 3, "0.5");
    std::string shouted = worked;
    for (char& c : shouted)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    const Sheet sheet = sheetOf("Find the differences.", {
                                                             {"S0", "Yes."},
                                                             {"S1", worked.c_str()},
                                                             {"S2", "I do not know"},
                                                             {"S3", near.c_str()},
                                                             {"S4", "I do  NOT know"},
                                                             {"S5", shouted.c_str()},
                                                             {"S6", "yes."},
                                                             {"S7", "Something else entirely."},
                                                         });
    const std::vector<AnswerGroup> groups = answerGroups(sheet, 0);
    ASSERT_EQ(membersOf(groups), (std::vector<std::vector<std::size_t>>{{1, 3, 5}, {0, 6}, {2, 4}}));
    EXPECT_FALSE(groups[0].identical());
    EXPECT_TRUE(groups[0].members[0].same);
    EXPECT_FALSE(groups[0].members[1].same);
    EXPECT_TRUE(groups[0].members[2].same);
    EXPECT_TRUE(groups[1].identical());
    // S3 differs by one word; S5 by none once folded.
    const GroupMember& s3 = groups[0].members[1];
    ASSERT_EQ(s3.spans.size(), 3u);
    EXPECT_EQ(s3.spans[0].text, "The first differences are 1.1, 0.8, 0.6 and ");
    EXPECT_EQ(s3.spans[1].text, "0.5");
    EXPECT_TRUE(s3.spans[1].changed);
    EXPECT_FALSE(s3.spans[0].changed || s3.spans[2].changed);
    EXPECT_EQ(joined(s3), near);
    ASSERT_EQ(groups[0].members[2].spans.size(), 1u);
    EXPECT_FALSE(groups[0].members[2].spans[0].changed);
}

} // namespace
