// Drafts: which start gets a draft back, and which box texts are worth one.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/fakes.h"

namespace {

using namespace qa;
using namespace qa::testing;

int draftFiles(const TempRoot& root)
{
    int n = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(root.state(), ec))
        n += entry.path().filename().string().rfind("draft-", 0) == 0;
    return n;
}

TEST(Drafts, ComeBackOnlyToTheirStudentAndAssignment)
{
    const auto twoAssignments = [](QuestionBank& bank, long long& index) {
        for (const char* line : {"001.  one", "`q1 first", "002.  two", "`q2 second"})
            bank.storeNext(index, line);
    };
    Harness h;
    h.tutor.setBankLoader(twoAssignments);
    ASSERT_TRUE(h.start("1", "Ann Lee", "ABC", "1"));
    h.view.answer = "half an answer";
    ASSERT_TRUE(h.tutor.handle(Event::AnswerIdle));
    ASSERT_EQ(draftFiles(h.root), 1);

    // Later starts over the same drive and state folder, as after a crash.
    const struct {
        const char* name;
        const char* assignment;
        bool back;
    } kStarts[] = {
        {"Ann Lee", "2", false},
        {"Bob Ray", "1", false},
        {"Ann Lee", "1", true},
    };
    for (const auto& s : kStarts) {
        ScriptedDialogs dialogs;
        FakeView view;
        Tutor later{Platform{h.files, h.clock, h.random, dialogs, view}};
        later.setBankLoader(twoAssignments);
        for (const char* reply : {"1", s.name, "ABC", s.assignment})
            dialogs.reply(reply);
        const std::string what = std::string(s.name) + " / " + s.assignment;
        ASSERT_TRUE(later.handle(Event::Load)) << what;
        ASSERT_TRUE(later.handle(Event::Shown)) << what;
        EXPECT_EQ(view.answer == "half an answer", s.back) << what << ": " << view.answer;
        EXPECT_EQ(dialogs.messages.size(), s.back ? 1u : 0u) << what;
    }
}

TEST(Drafts, OnlyTextOtherThanBlanksAndThePromptIsUnrecorded)
{
    const struct {
        std::string box;
        bool unrecorded;
    } kBoxes[] = {
        {"", false}, {" ", false},        {"\r\n\r\n", false}, {" \t\r\n", false}, {Tutor::kAnswerPrompt, false},
        {"x", true}, {"\r\n\r\nx", true},
    };
    for (const auto& b : kBoxes) {
        Harness h;
        ASSERT_TRUE(h.start());
        h.view.answer = b.box;
        ASSERT_TRUE(h.tutor.handle(Event::AnswerIdle));
        EXPECT_EQ(draftFiles(h.root), b.unrecorded) << "while typing: " << ::testing::PrintToString(b.box);
        EXPECT_FALSE(h.tutor.handle(Event::Quit)); // No, when asked
        EXPECT_EQ(h.dialogs.questions.size(), b.unrecorded) << ::testing::PrintToString(b.box);
        EXPECT_EQ(draftFiles(h.root), b.unrecorded) << "after quitting: " << ::testing::PrintToString(b.box);
    }
}

} // namespace
