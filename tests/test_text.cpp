// Single-byte text helpers: the Windows-1252 table, numeric reading and
// writing, rounding.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/text.h"
#include "platform/utf8.h"

namespace {

using namespace qa::text;

// The code points of a UTF-8 text (well-formed input assumed).
std::u32string codePoints(const std::string& utf8)
{
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        int len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : 4;
        char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k < len; ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out += c;
        i += len;
    }
    return out;
}

TEST(Cp1252, EveryByteRoundTripsThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);

    const std::string utf8 = toUtf8(all);
    const std::u32string chars = codePoints(utf8);
    ASSERT_EQ(chars.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(encodeChar(chars[b]), b) << "byte " << b;
        EXPECT_EQ(decodeByte(static_cast<unsigned char>(b)), chars[b]) << "byte " << b;
    }

    std::u32string lost;
    EXPECT_EQ(toCp1252(utf8, &lost), all);
    EXPECT_TRUE(lost.empty());
}

TEST(Cp1252, TableEntriesOfTheHighHalf)
{
    // The five bytes without a character stand for the C1 control of the same value.
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(decodeByte(b), static_cast<char32_t>(b)) << int(b);
    EXPECT_EQ(decodeByte(0x80), U'\u20AC'); // euro sign
    EXPECT_EQ(decodeByte(0x96), U'\u2013'); // en dash
    EXPECT_EQ(decodeByte(0x9F), U'\u0178');
    EXPECT_EQ(decodeByte(0xA0), U'\u00A0');
    EXPECT_EQ(decodeByte(0xE9), U'\u00E9');
    EXPECT_EQ(toUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(toUtf8("caf\xE9"), "caf\xC3\xA9");
    // Latin-1 controls that the code page gives to other characters are not storable.
    EXPECT_EQ(encodeChar(U'\u0080'), -1);
    EXPECT_EQ(encodeChar(U'\u009F'), -1);
}

TEST(Cp1252, UnencodableCharactersAreCollectedOnceAndLeftOut)
{
    // "a π b 😀 π €"
    const std::string utf8 = "a \xCF\x80 b \xF0\x9F\x98\x80 \xCF\x80 \xE2\x82\xAC";
    std::u32string lost;
    EXPECT_EQ(toCp1252(utf8, &lost), "a  b   \x80");
    EXPECT_EQ(lost, std::u32string(U"\u03C0\U0001F600"));
    EXPECT_EQ(describeCodePoint(lost[0]), "U+03C0");
    // Shown to the student as themselves beside their code points; a control
    // or an invisible character by its code point only.
    EXPECT_EQ(showCodePoints(lost + U"\u2264"),
              "\xCF\x80 (U+03C0), \xF0\x9F\x98\x80 (U+1F600), \xE2\x89\xA4 (U+2264)");
    EXPECT_EQ(showCodePoints(U"\u0085\u200B\uFEFF"), "U+0085, U+200B, U+FEFF");

    // Without a collector the characters are still left out.
    EXPECT_EQ(toCp1252("x\xCF\x80y", nullptr), "xy");
}

// One reading of UTF-8 for every conversion: an overlong form, a surrogate,
// a value past U+10FFFF, a stray continuation byte or a lead byte cut short
// is no character, and decoding goes on at the next byte.
TEST(Utf8, MalformedAndOverlongSequencesAreNoCharacters)
{
    const std::string kBad[] = {"\xE0\x80\x80",         "\xC0\xAF", "\xC1\xBF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                "\xF8\x88\x80\x80\x80", "\x80",     "\xC3"};
    const std::string kReplacement = "\xEF\xBF\xBD";
    for (const std::string& bad : kBad) {
        EXPECT_EQ(decodeUtf8(bad, 0).length, 0u) << testing::PrintToString(bad);
        std::string each;
        for (std::size_t k = 0; k < bad.size(); ++k)
            each += kReplacement;
        EXPECT_EQ(validUtf8(bad), each) << testing::PrintToString(bad);
        std::u32string lost;
        EXPECT_EQ(toCp1252(bad, &lost), "") << testing::PrintToString(bad);
        EXPECT_EQ(lost, std::u32string(U"\uFFFD")) << testing::PrintToString(bad);
    }
    // A lead byte without its continuation keeps the letter after it.
    EXPECT_EQ(validUtf8("\xC3"
                        "A"),
              kReplacement + "A");
    EXPECT_EQ(toCp1252("\xC3"
                       "A",
                       nullptr),
              "A");
    // The edges of each length are characters, and come back as written.
    for (char32_t c : {U'\u007F', U'\u0080', U'\u07FF', U'\u0800', U'\uD7FF', U'\uE000', U'\uFFFF', U'\U00010000',
                       U'\U0010FFFF'}) {
        std::string utf8;
        appendUtf8(utf8, c);
        const Utf8Char d = decodeUtf8(utf8, 0);
        EXPECT_EQ(d.c, c);
        EXPECT_EQ(d.length, utf8.size());
        EXPECT_EQ(validUtf8(utf8), utf8);
    }
}

TEST(TextNumbers, LenientReading)
{
    // The question number of "`q012 rates" is read from character 3 on.
    EXPECT_EQ(leadingNumber(midFrom("`q012 rates", 3)), 12);
    EXPECT_EQ(leadingNumber(midFrom("`Q3.50", 3)), 3.5);
    EXPECT_EQ(leadingNumber(midFrom("`qx", 3)), 0);

    // An exponent is written with e or d, either case; one without digits
    // is not part of the number.
    const std::pair<const char*, double> kTexts[] = {
        {"  7abc", 7}, {"007", 7},   {"1.5", 1.5}, {"abc", 0},      {"", 0},           {"-2", -2},
        {"1e2", 100},  {"1E2", 100}, {"1d2", 100}, {"1D2", 100},    {"2.5d-1x", 0.25}, {"3D+1 rates", 30},
        {"4d", 4},     {"5dx2", 5},  {".5D1", 5},  {"-1d3", -1000},
    };
    for (const auto& [text, value] : kTexts)
        EXPECT_EQ(leadingNumber(text), value) << text;
    EXPECT_EQ(wholeTextNumber("1d2"), 100);
    EXPECT_FALSE(wholeTextNumber("1d").has_value());
}

TEST(TextNumbers, StrictReadingOfAWholeReply)
{
    EXPECT_EQ(wholeTextNumber("2"), 2);
    EXPECT_EQ(wholeTextNumber(" 2 "), 2);
    EXPECT_EQ(wholeTextNumber("2.0"), 2);
    EXPECT_EQ(wholeTextNumber("02"), 2);
    EXPECT_EQ(wholeTextNumber("-2"), -2);
    EXPECT_EQ(wholeTextNumber("1"), 1);
    EXPECT_FALSE(wholeTextNumber("").has_value());
    EXPECT_FALSE(wholeTextNumber("   ").has_value());
    EXPECT_FALSE(wholeTextNumber("abc").has_value());
    EXPECT_FALSE(wholeTextNumber("2x").has_value());
    EXPECT_FALSE(wholeTextNumber("x2").has_value());
}

TEST(TextNumbers, ShortestDecimalWriting)
{
    EXPECT_EQ(formatNumber(leadingNumber("1.5") + 1), "2.5");
    EXPECT_EQ(formatNumber(leadingNumber("999") + 1), "1000");
    EXPECT_EQ(formatNumber(leadingNumber("007") + 1), "8");
    EXPECT_EQ(formatNumber(leadingNumber("abc") + 1), "1");
    EXPECT_EQ(formatNumber(10), "10");
    EXPECT_EQ(formatNumber(0), "0");
    EXPECT_EQ(formatNumber(3.5), "3.5");
    EXPECT_EQ(formatNumber(1e20), "1E+20");

    // A number item: sign place, digits, one blank after.
    EXPECT_EQ(numberItem(70012), " 70012 ");
    EXPECT_EQ(numberItem(70000), " 70000 ");
    EXPECT_EQ(numberItem(0), " 0 ");
    EXPECT_EQ(numberItem(-3), "-3 ");
    EXPECT_EQ(numberItem(2.5), " 2.5 ");
}

TEST(TextNumbers, RoundingTakesHalvesToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(186.5), 186);
    EXPECT_EQ(roundHalfEven(187.5), 188);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(2.4), 2);
    EXPECT_EQ(roundHalfEven(2.6), 3);
}

TEST(TextHelpers, PiecesOfLines)
{
    EXPECT_EQ(lower("QUERY Ab1`"), "query ab1`");
    EXPECT_EQ(lower("\xC9"), "\xC9"); // only ASCII letters change
    EXPECT_EQ(left("abc", 6), "abc");
    EXPECT_EQ(left("abcdefgh", 6), "abcdef");
    EXPECT_EQ(midFrom("query x", 8), "");
    EXPECT_EQ(midFrom("query 1abc", 8), "abc");
    EXPECT_EQ(midFrom("abc", 1), "abc");
    EXPECT_EQ(replaceAll("Ann  Lee B", " ", "_"), "Ann__Lee_B");
}

} // namespace
