// The code scheme: code, decode with its bands, the code line, remSpaces.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "coding/code_scheme.h"
#include "platform/errors.h"
#include "support/fakes.h"

namespace {

using namespace qa;
using qa::testing::errorOf;
using qa::testing::ScriptedRandom;

std::string bytes(std::initializer_list<int> codes)
{
    std::string out;
    for (int c : codes)
        out += static_cast<char>(c);
    return out;
}

int decodeError(const std::string& coded, double k)
{
    return errorOf([&] { coding::decode(coded, k); });
}

TEST(CodeScheme, CodeReturnsItsTextForEveryCodeNumber)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    for (double k : {19.0, 28.0, 0.0, 19.5, -3.0}) {
        EXPECT_EQ(coding::code("", k), "");
        EXPECT_EQ(coding::code(all, k), all);
        EXPECT_EQ(coding::code(" a\tb\r\n-", k), " a\tb\r\n-");
    }
}

TEST(CodeScheme, DecodeBands)
{
    EXPECT_EQ(coding::decode("   ", 20), "   ");
    EXPECT_EQ(coding::decode("", 20), "");
    EXPECT_EQ(coding::decode(bytes({65}), 20), bytes({254}));
    EXPECT_EQ(coding::decode(bytes({220}), 20), bytes({100}));
    EXPECT_EQ(coding::decode(bytes({119}), 19), std::string(1, '\0'));
    // Order is kept; the ignored band drops characters in place.
    EXPECT_EQ(coding::decode(bytes({200, 'a', ' ', 0, 117, 255}), 20), bytes({80, ' ', 189, 135}));

    for (int k = 19; k <= 28; ++k) {
        EXPECT_EQ(coding::decode("abc", k), "") << k;
        std::string dropped;
        for (char c = 'B'; c <= 'Z'; ++c)
            dropped += c;
        for (char c = 'a'; c <= 'v'; ++c)
            dropped += c;
        dropped += bytes({66, 118});
        EXPECT_EQ(coding::decode(dropped, k), "") << k;

        // High band: c + 209 - k, never out of range for 19..28.
        for (int c = 0; c < 66; ++c) {
            if (c == 32)
                continue;
            EXPECT_EQ(coding::decode(bytes({c}), k), bytes({c + 209 - k})) << c << " " << k;
        }
        // Low band: c - k - 100, error 5 below 0.
        for (int c = 119; c <= 255; ++c) {
            if (c - k - 100 >= 0)
                EXPECT_EQ(coding::decode(bytes({c}), k), bytes({c - k - 100})) << c << " " << k;
            else
                EXPECT_EQ(decodeError(bytes({c}), k), kInvalidCall) << c << " " << k;
        }
    }
}

TEST(CodeScheme, DecodeFailsWithErrorFiveOutsideTheCodeRange)
{
    // Code number 28 fails on 119..127 and not on 128.
    for (int c = 119; c <= 127; ++c)
        EXPECT_EQ(decodeError(bytes({c}), 28), kInvalidCall) << c;
    EXPECT_EQ(coding::decode(bytes({128}), 28), std::string(1, '\0'));
    // Code number 19 never fails in the low band.
    EXPECT_EQ(decodeError(bytes({119}), 19), 0);
    // The failing character stops the whole text.
    EXPECT_EQ(decodeError(bytes({200, 200, 120}), 28), kInvalidCall);
    // High band: k below c - 46 or above c + 209.
    EXPECT_EQ(decodeError(bytes({65}), 18), kInvalidCall);
    EXPECT_EQ(decodeError(bytes({65}), 19), 0);
    EXPECT_EQ(decodeError(bytes({0}), 210), kInvalidCall);
    EXPECT_EQ(decodeError(bytes({0}), 209), 0);
}

TEST(CodeScheme, DecodeRoundsAFractionalDifferenceHalfToEven)
{
    EXPECT_EQ(coding::decode(bytes({200}), 19.5), bytes({80}));  // 80.5
    EXPECT_EQ(coding::decode(bytes({200}), 18.5), bytes({82}));  // 81.5
    EXPECT_EQ(coding::decode(bytes({200}), 19.25), bytes({81})); // 80.75
}

TEST(CodeScheme, DecodeOfACodedLineDoesNotGiveItBack)
{
    const std::string line = "Aw 1";
    const std::string coded = coding::code(line, 20);
    // With 20, "w" (119) gives -1 and fails; with 19, "A" goes up to 255, "x"
    // down to 1, the blank stays and the digit goes up.
    EXPECT_EQ(decodeError(coded, 20), kInvalidCall);
    EXPECT_EQ(coding::decode(coding::code("Ax 1", 19), 19), bytes({255, 1, ' ', 49 + 209 - 19}));
}

// Checks the structure of a code line for code number k.
void expectCodeLine(const std::string& line, int k)
{
    ASSERT_GE(line.size(), static_cast<std::size_t>(k));
    ASSERT_LE(line.size(), static_cast<std::size_t>(2 * k));
    int counts = 0;
    bool fillerBefore = false;
    for (unsigned char c : line) {
        ASSERT_GE(c, 66);
        ASSERT_NE(c, 117);
        if (c >= 118) {
            ++counts;
            fillerBefore = false;
        } else {
            ASSERT_FALSE(fillerBefore) << "two fillers in one group";
            fillerBefore = true;
        }
    }
    EXPECT_EQ(counts, k);
    EXPECT_GE(static_cast<unsigned char>(line.back()), 118);
}

TEST(CodeLine, StructureOverManyDraws)
{
    LcgRandom rng;
    rng.seed(37230.5f);
    std::map<int, int> seen;
    int fillers = 0, groups = 0;
    for (int n = 0; n < 3000; ++n) {
        const int k = 19 + n % 10;
        const std::string line = coding::makeCodeLine(k, rng);
        expectCodeLine(line, k);
        for (unsigned char c : line)
            ++seen[c];
        fillers += static_cast<int>(line.size()) - k;
        groups += k;
    }
    // Every filler and count code comes up, the end codes included.
    for (int c = 66; c <= 116; ++c)
        EXPECT_GT(seen[c], 0) << c;
    for (int c = 118; c <= 255; ++c)
        EXPECT_GT(seen[c], 0) << c;
    // About one group in ten has a filler.
    EXPECT_GT(fillers, groups / 14);
    EXPECT_LT(fillers, groups / 7);
}

TEST(CodeLine, ExactDrawsInTheOrderRST)
{
    ScriptedRandom rng;
    // Pass 1: r < 0.1, so s gives the filler, then t the count character.
    // Pass 2: r = 0.1 exactly is no filler.
    rng.values = {0.05f, 0.2f, 0.7f, 0.1f, 0.5f};
    EXPECT_EQ(coding::makeCodeLine(2, rng), bytes({76, 214, 186}));
    EXPECT_EQ(rng.draws, 5);

    // Ends of the ranges: 0 gives 66 and 118, the largest draw 116 and 255.
    ScriptedRandom ends;
    ends.values = {0.0f, 0.0f, 0.0f, 0.0f, 0.99999994f, 0.99999994f};
    EXPECT_EQ(coding::makeCodeLine(2, ends), bytes({66, 118, 116, 255}));

    // Halves go to the even code: 0.25 * 50 + 66 = 78.5, 0.5 * 137 + 118 = 186.5.
    ScriptedRandom halves;
    halves.values = {0.0f, 0.25f, 0.5f};
    EXPECT_EQ(coding::makeCodeLine(1, halves), bytes({78, 186}));
}

TEST(CodeLine, NumberOfPasses)
{
    ScriptedRandom rng; // every draw 0.5: no filler, count character 186
    EXPECT_EQ(coding::makeCodeLine(19.5, rng), std::string(19, '\xBA'));
    EXPECT_EQ(rng.draws, 38);
    EXPECT_EQ(coding::makeCodeLine(28, rng), std::string(28, '\xBA'));

    ScriptedRandom none;
    EXPECT_EQ(coding::makeCodeLine(0, none), "");
    EXPECT_EQ(coding::makeCodeLine(-3, none), "");
    EXPECT_EQ(coding::makeCodeLine(0.999, none), "");
    EXPECT_EQ(none.draws, 0);
    EXPECT_EQ(coding::makeCodeLine(1, none).size(), 1u);
}

TEST(RemSpaces, DropsBlanksAndHyphensOnly)
{
    EXPECT_EQ(coding::remSpaces("a - b c"), "abc");
    EXPECT_EQ(coding::remSpaces("zyx w"), "zyxw");
    EXPECT_EQ(coding::remSpaces(" - -- "), "");
    EXPECT_EQ(coding::remSpaces(""), "");
    EXPECT_EQ(coding::remSpaces("\tx\r\n\xA0y_\x96z-"), "\tx\r\n\xA0y_\x96z");
    EXPECT_EQ(coding::remSpaces("graph - one"), "graphone");
}

} // namespace
