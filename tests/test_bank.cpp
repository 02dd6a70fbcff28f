// The question bank: built-in content, the access rule, and the opening of the
// chosen assignment (positioning and failures).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "bank/builtin_content.h"
#include "support/fakes.h"

using namespace qa;
using namespace qa::testing;

TEST(BuiltinBank, EntriesHaveTheTabledLengthsAndLayout)
{
    Harness h;
    ASSERT_TRUE(h.start());
    const QuestionBank& bank = h.tutor.cursor().questionBank();

    // Index -> length; every even index from 2 to 28 is an empty separator.
    const std::vector<std::pair<int, std::size_t>> lengths = {
        {1, 12},   {3, 463},  {5, 303},  {7, 320},  {9, 409},  {11, 169}, {13, 395}, {15, 119},
        {17, 294}, {19, 247}, {21, 372}, {23, 304}, {25, 200}, {27, 343}, {29, 370},
    };
    for (auto [index, length] : lengths) {
        SCOPED_TRACE(index);
        EXPECT_EQ(bank.at(index).size(), length);
    }
    for (int i = 2; i <= 28; i += 2)
        EXPECT_EQ(bank.at(i), "") << i;
    EXPECT_EQ(bank.at(0), "");
    EXPECT_EQ(bank.at(1), "001.  test 1");
    EXPECT_EQ(bank.at(30), "");
    EXPECT_EQ(bank.at(5000), "");
    EXPECT_EQ(bank::builtinContent().size(), 29u);

    // Entries 19 and 29 end with exactly one blank; the others with none.
    for (int i = 3; i <= 29; i += 2) {
        SCOPED_TRACE(i);
        const std::string& q = bank.at(i);
        const bool trailing = i == 19 || i == 29;
        EXPECT_EQ(q.back() == ' ', trailing);
        if (trailing) {
            EXPECT_NE(q[q.size() - 2], ' ');
        }
        // One line each, no line breaks.
        EXPECT_EQ(q.find_first_of("\r\n"), std::string::npos);
    }
}

TEST(BuiltinBank, OnlyEntry21HoldsANoBreakSpaceAfterItsSecondSentence)
{
    const auto& content = bank::builtinContent();
    for (std::size_t i = 0; i < content.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const std::string& line = content[i];
        const auto nbsp = std::count(line.begin(), line.end(), '\xA0');
        EXPECT_EQ(nbsp, i + 1 == 21 ? 1 : 0);
        // Apart from that one character, printable ASCII only.
        for (char c : line) {
            if (c == '\xA0')
                continue;
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << static_cast<int>(static_cast<unsigned char>(c));
        }
    }
    const std::string& marble = content[20];
    const auto at = marble.find('\xA0');
    ASSERT_NE(at, std::string::npos);
    ASSERT_GT(at, 0u);
    EXPECT_EQ(marble[at - 1], '?');
    // The question mark closes the second sentence: one full stop before it.
    const std::string before = marble.substr(0, at);
    EXPECT_EQ(std::count(before.begin(), before.end(), '.'), 1);
    EXPECT_EQ(std::count(before.begin(), before.end(), '?'), 1);
}

TEST(BankAccessRule, AdvancesFirstThenChecksTheRange)
{
    QuestionBank bank;
    long long pos = 0;
    bank.storeNext(pos, "first");
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(bank.at(1), "first");
    EXPECT_EQ(bank.at(0), "");

    pos = 4999;
    bank.storeNext(pos, "last");
    EXPECT_EQ(bank.at(5000), "last");
    EXPECT_EQ(errorOf([&] { bank.storeNext(pos, "x"); }), kSubscriptOutOfRange);
    EXPECT_EQ(pos, 5001);

    pos = 4999;
    EXPECT_EQ(bank.readNext(pos), "last");
    EXPECT_EQ(errorOf([&] { bank.readNext(pos); }), kSubscriptOutOfRange);
    pos = -2;
    EXPECT_EQ(errorOf([&] { bank.readNext(pos); }), kSubscriptOutOfRange);
    EXPECT_EQ(errorOf([&] { bank.at(-1); }), kSubscriptOutOfRange);
}

TEST(AssignmentOpening, AssignmentOneOpensOnItsHeader)
{
    for (const char* typed : {"1", "01", "001"}) {
        SCOPED_TRACE(typed);
        Harness h;
        ASSERT_TRUE(h.start("1", "Ann Lee", "ABC", typed));
        EXPECT_EQ(h.tutor.cursor().bankIndex(), 1);
        EXPECT_TRUE(h.dialogs.messages.empty());
        EXPECT_TRUE(h.root.exists(h.master()));
        EXPECT_TRUE(h.root.exists(h.send()));
        EXPECT_FALSE(h.root.exists(h.notes()));
    }
}

TEST(AssignmentOpening, OpeningStopsOnTheHeaderWhereverItStands)
{
    Harness h;
    h.useBank({"", "000.  before", "", "001.  mine", "", "question"});
    ASSERT_TRUE(h.start());
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 4);
    // The header search compares four characters exactly.
    Harness h2;
    h2.useBank({"001", "001,", "001.x"});
    ASSERT_TRUE(h2.start());
    EXPECT_EQ(h2.tutor.cursor().bankIndex(), 3);
}

TEST(AssignmentOpening, NumberWithoutAHeaderEndsWithTheAssignmentMessage)
{
    for (const char* typed : {"2", "002", "1.0", " 1"}) {
        SCOPED_TRACE(typed);
        Harness h;
        EXPECT_FALSE(h.start("1", "Ann Lee", "ABC", typed));
        EXPECT_TRUE(h.tutor.ended());
        const std::vector<std::string> expected = {Tutor::kAssignmentMessage};
        EXPECT_EQ(h.dialogs.messages, expected);
        // The search failed before the master file was touched.
        EXPECT_FALSE(h.root.exists(h.master()));
        EXPECT_FALSE(h.root.exists(h.send()));
        // Later events do nothing.
        EXPECT_FALSE(h.tutor.handle(Event::NextQuestion));
        EXPECT_EQ(h.view.question, "");
    }
}

TEST(AssignmentOpening, NumberOver100TouchesTheMasterFileThenEnds)
{
    Harness h;
    h.useBank({"101.  x", "", "question"});
    EXPECT_FALSE(h.start("1", "Ann Lee", "ABC", "101"));
    EXPECT_TRUE(h.tutor.ended());
    const std::vector<std::string> expected = {Tutor::kAssignmentMessage};
    EXPECT_EQ(h.dialogs.messages, expected);
    ASSERT_TRUE(h.root.exists(h.master()));
    EXPECT_EQ(std::filesystem::file_size(h.master()), 0u);
    EXPECT_FALSE(h.root.exists(h.send()));
}

TEST(AssignmentOpening, MissingNetworkDriveGivesTheGeneralMessageAndGoesOn)
{
    Harness h;
    EXPECT_TRUE(h.start("2"));
    EXPECT_FALSE(h.tutor.ended());
    ASSERT_EQ(h.dialogs.messages.size(), 2u); // then ours: which folder, why, what to do
    EXPECT_EQ(h.dialogs.messages[0], Tutor::kGeneralMessage + "76");
    EXPECT_EQ(h.tutor.cursor().bankIndex(), 1);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(h.root.path) / "i"));
    EXPECT_FALSE(h.root.exists(h.master()));
    // The window is usable: the first question still comes.
    EXPECT_TRUE(h.tutor.handle(Event::NextQuestion));
    EXPECT_EQ(h.view.question, h.tutor.cursor().questionBank().at(3));
}

TEST(AssignmentOpening, NetworkDirectoryThatExistsReceivesTheHeader)
{
    Harness h;
    const auto lb1 = std::filesystem::path(h.root.path) / "i" / "bkp_000416" / "My Documents" /
                     "distance students" / "interactive problems" / "lb1";
    std::filesystem::create_directories(lb1);
    ASSERT_TRUE(h.start("2"));
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_GT(std::filesystem::file_size(lb1 / "masterFile_Ann_Lee.txt"), 0u);
    EXPECT_GT(std::filesystem::file_size(lb1 / "send_0307Ann_Lee.txt"), 0u);
    EXPECT_FALSE(h.root.exists(h.master()));
}
