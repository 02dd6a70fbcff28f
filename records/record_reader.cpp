// Record files read back block by block. A block is recognised by its fixed
// lines; an answer runs to the closing rule that is followed by the end of the
// file or by the start of another block, so an answer may itself hold a rule.
#include "records/record_reader.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"
#include "platform/utf8.h"
#include "records/layouts.h"

namespace qa::records {
namespace {

const std::string_view kOpening = kOpeningRule;
const std::string_view kClosing = kClosingRule;
const std::string_view kResponse = kResponseLabel;
const std::string_view kNotes = kNotesPrefix;
const std::string_view kName = kNameLabel;
const std::string_view kAssignment = kAssignmentLabel;
const std::string_view kInitials = kInitialsLabel;
const std::string_view kDate = kDateLabel;
const std::string_view kTag = kQuestionTag;

bool digits(std::string_view s, std::size_t from, std::size_t count, int& value)
{
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

// "HH:MM:SS" at `from`: seconds since midnight, or -1.
int timeAt(std::string_view s, std::size_t from)
{
    int h = 0, m = 0, sec = 0;
    if (s.size() < from + 8 || s[from + 2] != ':' || s[from + 5] != ':' || !digits(s, from, 2, h) ||
        !digits(s, from + 3, 2, m) || !digits(s, from + 6, 2, sec) || h > 23 || m > 59 || sec > 59)
        return -1;
    return h * 3600 + m * 60 + sec;
}

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// "MM-DD-YYYY" at `from`: days since 01-01-1970, or false.
bool dateAt(std::string_view s, std::size_t from, std::int64_t& days)
{
    int mo = 0, d = 0, y = 0;
    if (s.size() < from + 10 || s[from + 2] != '-' || s[from + 5] != '-' || !digits(s, from, 2, mo) ||
        !digits(s, from + 3, 2, d) || !digits(s, from + 6, 4, y) || mo < 1 || mo > 12 || d < 1 ||
        d > daysInMonth(y, mo))
        return false;
    days = daysFromCivil(y, mo, d);
    return true;
}

bool startsWith(std::string_view s, std::string_view p)
{
    return s.substr(0, p.size()) == p;
}

struct Line {
    std::uint32_t begin = 0; // content, without the line end
    std::uint32_t end = 0;
    std::uint32_t number = 0;
};

class Parser {
public:
    explicit Parser(std::string_view bytes) : bytes_(bytes) { split(); }

    ParsedFile run()
    {
        const std::size_t n = lines_.size();
        std::size_t i = 0;
        while (i < n) {
            if (isBlank(i)) {
                ++i;
                continue;
            }
            if (headerAt(i)) {
                readHeader(i);
                i += 6;
                continue;
            }
            std::string what = "not a record block";
            if (blockAt(i)) {
                const std::size_t next = readBlock(i, what);
                if (next != 0) {
                    i = next;
                    continue;
                }
            }
            std::size_t j = i + 1;
            while (j < n && !startAt(j))
                ++j;
            if (j == n && (text(i) == kOpening || (beginsAt(i) && j - i < 6)))
                what = "a block torn off at the end of the file";
            out_.problems.push_back({lines_[i].number, lines_[j - 1].number, what});
            i = j;
        }
        return std::move(out_);
    }

private:
    std::string_view text(std::size_t i) const
    {
        return bytes_.substr(lines_[i].begin, lines_[i].end - lines_[i].begin);
    }
    bool isBlank(std::size_t i) const { return text(i).find_first_not_of(" \t") == std::string_view::npos; }
    bool indentTime(std::size_t i) const
    {
        const std::string_view s = text(i);
        return s.size() == kIndent.size() + 8 && startsWith(s, kIndent) && timeAt(s, kIndent.size()) >= 0;
    }
    bool indentDateTime(std::size_t i) const
    {
        const std::string_view s = text(i);
        std::int64_t days = 0;
        return s.size() == kIndent.size() + 18 && startsWith(s, kIndent) && dateAt(s, kIndent.size(), days) &&
               timeAt(s, kIndent.size() + 10) >= 0;
    }
    bool dateLine(std::size_t i, std::int64_t& days, int& seconds, bool& master) const
    {
        const std::string_view s = text(i);
        if (!startsWith(s, kDate) || !dateAt(s, kDate.size(), days))
            return false;
        master = s.size() == kDate.size() + 18;
        if (!master && (s.size() != kDate.size() + 19 || s[kDate.size() + 10] != kSendDateTimeSeparator))
            return false;
        seconds = timeAt(s, kDate.size() + (master ? 10 : 11));
        return seconds >= 0;
    }
    bool headerAt(std::size_t i) const
    {
        std::int64_t days = 0;
        int seconds = 0;
        bool master = false;
        return i + 5 < lines_.size() && startsWith(text(i + 1), kName) && startsWith(text(i + 2), kAssignment) &&
               startsWith(text(i + 4), kInitials) && dateLine(i + 5, days, seconds, master);
    }
    bool blockAt(std::size_t i) const { return i + 1 < lines_.size() && text(i) == kOpening && indentTime(i + 1); }
    bool startAt(std::size_t i) const { return blockAt(i) || headerAt(i); }
    // The first line of a block or a header, whole or not.
    bool beginsAt(std::size_t i) const
    {
        return text(i) == kOpening || (i + 1 < lines_.size() && startsWith(text(i + 1), kName));
    }
    bool closingAt(std::size_t i) const
    {
        const std::string_view s = text(i);
        return startsWith(s, kClosing) && s.size() <= kClosing.size() + kToNextZone.size() &&
               s.find_first_not_of(' ', kClosing.size()) == std::string_view::npos;
    }

    void readHeader(std::size_t i)
    {
        ParsedHeader h;
        h.line = lines_[i].number;
        h.codeLine = text(i);
        h.name = text(i + 1).substr(kName.size());
        h.assignment = text(i + 2).substr(kAssignment.size());
        h.headerLine = text(i + 3);
        h.initials = text(i + 4).substr(kInitials.size());
        std::int64_t days = 0;
        int seconds = 0;
        dateLine(i + 5, days, seconds, h.master);
        h.start = days * kSecondsPerDay + seconds;
        day_ = days;
        lastSecond_ = seconds;
        header_ = static_cast<int>(out_.headers.size());
        out_.headers.push_back(h);
    }

    // The block whose opening rule is line i; the line after it, or 0 with
    // `what` saying why it does not read.
    std::size_t readBlock(std::size_t i, std::string& what)
    {
        const std::size_t n = lines_.size();
        ParsedBlock b;
        b.line = lines_[i].number;
        b.header = header_;
        int seconds = timeAt(text(i + 1), kIndent.size());
        std::size_t j = i + 2;
        std::size_t first = 0; // the first line of the answer or note
        std::size_t textBegin = 0;
        const char* torn = "a block torn off at the end of the file";
        what = "a block whose fixed lines are not in place";
        if (j < n && indentDateTime(j)) {
            b.note = true;
            std::int64_t days = 0;
            dateAt(text(j), kIndent.size(), days);
            seconds = timeAt(text(j), kIndent.size() + 10);
            b.when = days * kSecondsPerDay + seconds;
            ++j;
            if (j + 2 >= n)
                what = torn;
            if (j + 2 >= n || text(j + 1) != kOpening || !startsWith(text(j + 2), kNotes))
                return 0;
            b.currentLine = text(j);
            first = j + 2;
            textBegin = lines_[first].begin + kNotes.size();
        } else {
            if (j + 2 < n && text(j).empty() && text(j + 1).empty() && startsWith(text(j + 2), kTag)) {
                b.tagged = true;
                j += 3;
            }
            if (j + 3 >= n)
                what = torn;
            if (j + 3 >= n || text(j + 1) != kOpening || text(j + 2) != kResponse)
                return 0;
            b.currentLine = text(j);
            first = j + 3;
            textBegin = lines_[first].begin;
            // An earlier time than the block before: the session went on past midnight.
            b.when = (day_ + (seconds < lastSecond_ ? 1 : 0)) * kSecondsPerDay + seconds;
        }
        // The last closing rule before a line that begins a block: where the
        // answer ends when what begins there is torn off at the end.
        std::size_t beforeTorn = 0;
        for (std::size_t k = first + 1; k < n; ++k) {
            if (closingAt(k) && (k + 1 == n || startAt(k + 1)))
                return endBlock(b, textBegin, k);
            if (startAt(k)) {
                what = "a block without its closing rule";
                return 0;
            }
            if (closingAt(k) && k + 1 < n && beginsAt(k + 1))
                beforeTorn = k;
        }
        if (beforeTorn != 0)
            return endBlock(b, textBegin, beforeTorn);
        what = torn;
        return 0;
    }

    // The block ends with the closing rule at line k; the line after it.
    std::size_t endBlock(ParsedBlock& b, std::size_t textBegin, std::size_t k)
    {
        b.text = bytes_.substr(textBegin, lines_[k - 1].end - textBegin);
        // The session's date and time go on from this block's.
        lastSecond_ = static_cast<int>((b.when % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay);
        day_ = (b.when - lastSecond_) / kSecondsPerDay;
        if (b.header < 0 && !b.note)
            out_.problems.push_back({b.line, lines_[k].number, "a response before any opening header"});
        else
            out_.blocks.push_back(b);
        return k + 1;
    }

    // Physical lines end with LF (CR LF as written). A notes block's closing
    // rule that runs on into the next block's first line is two lines here.
    void split()
    {
        const std::size_t runOn = kClosing.size() + kToNextZone.size();
        std::size_t b = 0;
        std::uint32_t number = 0;
        while (b < bytes_.size()) {
            std::size_t nl = bytes_.find('\n', b);
            const std::size_t next = nl == std::string_view::npos ? bytes_.size() : nl + 1;
            std::size_t e = nl == std::string_view::npos ? bytes_.size() : nl;
            if (e > b && nl != std::string_view::npos && bytes_[e - 1] == '\r')
                --e;
            ++number;
            const std::string_view s = bytes_.substr(b, e - b);
            if (s.size() > runOn && startsWith(s, kClosing) &&
                s.substr(kClosing.size(), kToNextZone.size()) == kToNextZone) {
                lines_.push_back({static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(b + runOn), number});
                b += runOn;
            }
            lines_.push_back({static_cast<std::uint32_t>(b), static_cast<std::uint32_t>(e), number});
            b = next;
        }
    }

    std::string_view bytes_;
    std::vector<Line> lines_;
    ParsedFile out_;
    int header_ = -1;
    std::int64_t day_ = 0;
    int lastSecond_ = 0;
};

} // namespace

std::int64_t daysFromCivil(int year, int month, int day)
{
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

std::string formatMoment(Moment m)
{
    std::int64_t days = m / kSecondsPerDay;
    std::int64_t s = m % kSecondsPerDay;
    if (s < 0) {
        s += kSecondsPerDay;
        --days;
    }
    int y = 0, mo = 0, d = 0;
    civilFromDays(days, y, mo, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return buf;
}

namespace {

// Whether every byte above 127 is part of a UTF-8 sequence, and at least one is.
bool utf8Throughout(std::string_view s)
{
    bool multiByte = false;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = text::decodeUtf8(s, i).length;
        if (len == 0)
            return false;
        multiByte = multiByte || len > 1;
        i += len;
    }
    return multiByte;
}

} // namespace

Resaved undoResave(std::string& bytes)
{
    Resaved r;
    const std::string_view bom = "\xEF\xBB\xBF";
    const bool marked = std::string_view(bytes).substr(0, bom.size()) == bom;
    if (marked || utf8Throughout(bytes)) {
        r.utf8 = true;
        std::u32string lost;
        bytes = text::toCp1252(std::string_view(bytes).substr(marked ? bom.size() : 0), &lost);
    }
    for (std::size_t at = bytes.find('\n'); at != std::string::npos && !r.lineBreaks;
         at = bytes.find('\n', at + 1))
        r.lineBreaks = at == 0 || bytes[at - 1] != '\r';
    return r;
}

ParsedFile parseRecordFile(std::string_view bytes)
{
    return Parser(bytes).run();
}

} // namespace qa::records
