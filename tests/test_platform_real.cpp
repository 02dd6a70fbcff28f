// The real clock, random generator and number texts, not their stand-ins.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/random.h"
#include "platform/text.h"
#include "support/fakes.h"

namespace {

using namespace qa;
using namespace std::chrono;

#ifdef _WIN32
// The Windows C library's names for these.
int setenv(const char* name, const char* value, int)
{
    return _putenv_s(name, value);
}
int unsetenv(const char* name)
{
    return _putenv_s(name, "");
}
std::tm* localtime_r(const std::time_t* t, std::tm* out)
{
    return localtime_s(out, t) == 0 ? out : nullptr;
}
#endif

std::string cFormat(system_clock::time_point moment, const char* format)
{
    const std::time_t t = system_clock::to_time_t(moment);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, format, &tm);
    return buf;
}

// A zone away from UTC, with summer time, so that a clock reading UTC or
// missing the shift shows.
struct ZoneGuard {
    std::string old;
    bool had;
    ZoneGuard(const char* zone)
    {
        const char* tz = std::getenv("TZ");
        had = tz != nullptr;
        old = had ? tz : "";
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (had)
            setenv("TZ", old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
};

TEST(SystemClock, AgreesWithTheCLibraryAtTheSameMoment)
{
    ZoneGuard zone("EST5EDT,M3.2.0,M11.1.0");
    const system_clock::time_point base = system_clock::now();
    std::vector<system_clock::time_point> moments{base};
    // Every month of a year, on days and hours that move around.
    for (int i = 1; i <= 14; ++i)
        moments.push_back(base + hours(24 * 29 * i + 7 * i) + milliseconds(250 * i));
    for (const auto& moment : moments) {
        const LocalTime t = SystemClock::at(moment);
        EXPECT_EQ(formatDate(t), cFormat(moment, "%m-%d-%Y"));
        EXPECT_EQ(formatTime(t), cFormat(moment, "%H:%M:%S"));
        EXPECT_GE(t.fraction, 0.0);
        EXPECT_LT(t.fraction, 1.0);
    }

    // Reading the clock itself: the same texts as the C library a moment
    // before or after (a second may tick over in between).
    SystemClock clock;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::string before = cFormat(system_clock::now(), "%m-%d-%Y %H:%M:%S");
        const std::string read = clock.date() + " " + clock.time();
        const std::string after = cFormat(system_clock::now(), "%m-%d-%Y %H:%M:%S");
        if (before != after)
            continue;
        EXPECT_EQ(read, before);
        const float seconds = clock.secondsSinceMidnight();
        const std::string hms = before.substr(11);
        const int whole =
            std::stoi(hms.substr(0, 2)) * 3600 + std::stoi(hms.substr(3, 2)) * 60 + std::stoi(hms.substr(6, 2));
        EXPECT_NEAR(seconds, whole + 0.5, 1.5);
        break;
    }
}

TEST(LcgRandom, SameSeedSameDrawsAnotherSeedOtherDraws)
{
    auto draws = [](float seed) {
        LcgRandom random;
        random.seed(seed);
        std::vector<float> out;
        for (int i = 0; i < 200; ++i)
            out.push_back(random.next());
        return out;
    };
    const auto first = draws(37230.5f);
    EXPECT_EQ(first, draws(37230.5f));
    // Seeds a fraction of a second apart, as two starts in a row give.
    EXPECT_NE(first, draws(37230.75f));
    EXPECT_NE(first, draws(37231.5f));
    EXPECT_NE(draws(0.0f), draws(86399.0f));

    double sum = 0;
    for (float v : first) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LT(v, 1.0f);
        sum += v;
    }
    EXPECT_NEAR(sum / first.size(), 0.5, 0.1);
}

// The process locale set to one whose decimal mark is a comma, made for the
// test when the system has none; restored afterwards.
class CommaLocale {
public:
    CommaLocale()
    {
        old_ = std::setlocale(LC_ALL, nullptr);
        if (use())
            return;
        const std::string dir = dir_.path + "/locales";
        std::filesystem::create_directories(dir);
        const std::string make = "localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
        if (std::system(make.c_str()) == 0) {
            setenv("LOCPATH", dir.c_str(), 1);
            if (use())
                return;
        }
        why_ = "no comma-decimal locale: de_DE.UTF-8 is not installed and localedef could not make it";
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, old_.c_str());
        unsetenv("LOCPATH");
    }
    const std::string& whyNot() const { return why_; }

private:
    bool use()
    {
#ifdef _WIN32
        if (std::setlocale(LC_ALL, "German_Germany.1252") && std::localeconv()->decimal_point == std::string(","))
            return true;
#endif
        return std::setlocale(LC_ALL, "de_DE.UTF-8") && std::localeconv()->decimal_point == std::string(",");
    }
    qa::testing::TempRoot dir_;
    std::string old_;
    std::string why_;
};

TEST(Numbers, ReadAndWrittenWithAPointUnderACommaLocale)
{
    CommaLocale locale;
    if (!locale.whyNot().empty())
        GTEST_SKIP() << locale.whyNot();

    EXPECT_EQ(text::leadingNumber("  3.5 apples"), 3.5);
    EXPECT_EQ(text::leadingNumber("-0.25e2x"), -25);
    EXPECT_EQ(text::leadingNumber("3,5"), 3);
    EXPECT_EQ(text::wholeTextNumber(" 2.75 "), 2.75);
    EXPECT_FALSE(text::wholeTextNumber("2,75").has_value());
    EXPECT_TRUE(std::isinf(text::leadingNumber("1e400")));
    EXPECT_EQ(text::leadingNumber("1e-400"), 0);
    EXPECT_EQ(text::formatNumber(2.5), "2.5");
    EXPECT_EQ(text::formatNumber(1e20), "1E+20");
    EXPECT_EQ(text::numberItem(-0.125), "-0.125 ");

    // A whole recording with a fractional question number.
    qa::testing::Harness h;
    h.useBank({"001.  header", "`q2.5 the half question", "002.  next"});
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.tutor.handle(Event::NextQuestion));
    h.view.answer = "half";
    ASSERT_TRUE(h.tutor.handle(Event::EnterResponse));
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_NE(h.root.read(h.master()).find("\r\n`questionNumber 10002.5 \r\n"), std::string::npos);
}

} // namespace
