// Archives through libarchive, members in memory.
#include "review/intake/archives.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

#include "platform/utf8.h"
#include "review/model/model.h"

#if QA_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#ifdef _WIN32
#include "platform/win32_text.h"
#else
#include <locale.h>
#endif
#endif

namespace qa::review {
namespace {

bool startsWith(std::string_view s, std::string_view p)
{
    return s.substr(0, p.size()) == p;
}

#if QA_HAVE_LIBARCHIVE

// Windows' own compressor, and most others on a Windows PC, write a name
// not flagged as UTF-8 in the PC's DOS code page; in Western Europe that is
// 850, whose letters are those of 437 (the US one) and more: the accented
// capitals, ø, ã, õ and the like. 437's box lines and Greek letters, which
// 850 gives up for them, are not in anyone's name.
constexpr std::array<char16_t, 128> kCp850 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C,
    0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6,
    0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

// A member name as UTF-8: kept when it is UTF-8, else read as code page 850.
std::string nameAsUtf8(std::string_view raw)
{
    if (text::validUtf8(raw) == raw)
        return std::string(raw);
    std::string out;
    for (unsigned char c : raw)
        text::appendUtf8(out, c < 0x80 ? c : kCp850[c - 0x80]);
    return out;
}

// libarchive gives a name marked as UTF-8 only where the locale is UTF-8:
// it is made so for the reading's own thread, and back.
class Utf8Names {
public:
    Utf8Names()
    {
#ifndef _WIN32
        utf8_ = newlocale(LC_ALL_MASK, "C.UTF-8", locale_t(0));
        if (utf8_)
            before_ = uselocale(utf8_);
#endif
    }
    ~Utf8Names()
    {
#ifndef _WIN32
        if (utf8_) {
            uselocale(before_);
            freelocale(utf8_);
        }
#endif
    }
    Utf8Names(const Utf8Names&) = delete;
    Utf8Names& operator=(const Utf8Names&) = delete;

private:
#ifndef _WIN32
    locale_t utf8_ = locale_t(0);
    locale_t before_ = locale_t(0);
#endif
};

#ifdef _WIN32
// Windows' libarchive hands a ZIP member's name over only converted: one
// flagged as UTF-8 from UTF-8, any other from a code page (the PC's, unless
// told), while the rule above needs the bytes as they stand. Told Latin-1,
// the reader gives a name's bytes as its characters; a second reader of the
// same archive, told 850, gives them otherwise wherever a byte is not ASCII
// (no byte above 127 is the same character in both). A name that comes out
// alike from both was converted from UTF-8, or is ASCII.
constexpr const char* kBytesAsCharacters = "zip:hdrcharset=ISO-8859-1";

class ZipNames {
public:
    explicit ZipNames(std::string_view bytes) : bytes_(bytes) {}
    ~ZipNames()
    {
        if (other_)
            archive_read_free(other_);
    }
    ZipNames(const ZipNames&) = delete;
    ZipNames& operator=(const ZipNames&) = delete;

    // The name of the member whose header `a` has just read, as UTF-8.
    std::string next(archive* a, archive_entry* entry)
    {
        ++behind_;
        const wchar_t* w = archive_entry_pathname_w(entry);
        const std::wstring name = w ? w : L"";
        if ((archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) != ARCHIVE_FORMAT_ZIP)
            return nameAsUtf8(win32::narrow(name));
        if (std::all_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x80; }) ||
            std::any_of(name.begin(), name.end(), [](wchar_t c) { return c > 0xFF; }) || name == otherReading())
            return win32::narrow(name);
        std::string raw;
        for (wchar_t c : name)
            raw += static_cast<char>(c);
        return nameAsUtf8(raw);
    }

private:
    // The same member's name from the reader told 850, which reads up to it;
    // empty once that reader fails.
    std::wstring otherReading()
    {
        if (!other_ && !failed_) {
            other_ = archive_read_new();
            archive_read_support_format_zip(other_);
            failed_ = archive_read_set_options(other_, "zip:hdrcharset=CP850") != ARCHIVE_OK ||
                      archive_read_open_memory(other_, bytes_.data(), bytes_.size()) != ARCHIVE_OK;
        }
        archive_entry* entry = nullptr;
        for (; behind_ > 0 && !failed_; --behind_) {
            const int r = archive_read_next_header(other_, &entry);
            failed_ = r != ARCHIVE_OK && r != ARCHIVE_WARN;
        }
        const wchar_t* w = failed_ || !entry ? nullptr : archive_entry_pathname_w(entry);
        return w ? w : L"";
    }

    std::string_view bytes_;
    archive* other_ = nullptr;
    bool failed_ = false;
    int behind_ = 0; // headers the main reader has read and the other not
};
#endif

std::string errorOf(archive* a)
{
    const char* e = archive_error_string(a);
    return e ? e : "damaged";
}

// "64 MiB: more than the 8 MiB a record file (text a student typed) may
// hold; not read"; without the size where the header did not give it.
std::string tooLarge(std::uint64_t declared, bool isArchive, const ArchiveLimits& l)
{
    return (declared ? sizeInWords(declared) + ": more" : std::string("more")) + " than the " +
           sizeInWords(isArchive ? l.archive : l.recordFile) +
           (isArchive ? " an archive inside one may hold" : " a record file (text a student typed) may hold") +
           "; not read";
}

std::string budgetSpent(const ArchiveLimits& l)
{
    return "not read: the archives of this run have given " + sizeInWords(l.budget) + ", the most one run reads";
}

// Appends a block the reader gave at `offset` to the member's bytes; false,
// with why in `what`, when that would spend more than the run's budget or
// take the member past `limit`.
bool append(ArchiveBudget& budget, std::uint64_t limit, la_int64_t offset, const void* block, std::size_t got,
            std::string& bytes, std::string& what)
{
    const ArchiveLimits& l = budget.limits;
    // A hole of a sparse member reads as NUL bytes.
    const std::uint64_t at = offset > 0 ? static_cast<std::uint64_t>(offset) : 0;
    const std::uint64_t hole = at > bytes.size() ? at - bytes.size() : 0;
    if (budget.expanded + hole + got > l.budget) {
        budget.expanded = l.budget;
        what = budgetSpent(l);
        return false;
    }
    budget.expanded += hole + got;
    if (bytes.size() + hole > limit) {
        what = tooLarge(0, limit == l.archive, l);
        return false;
    }
    bytes.append(static_cast<std::size_t>(hole), '\0');
    if (got != 0) // an empty block may come with no buffer
        bytes.append(static_cast<const char*>(block), got);
    return true;
}

// Reads one member within the limits and the budget. Returns false with
// `what` when it cannot be read, `skip` set when it was left for its size or
// for the budget, rather than for damage.
bool readMember(archive* a, archive_entry* entry, ArchiveBudget& budget, std::string& bytes, std::string& what,
                bool& skip)
{
    const ArchiveLimits& l = budget.limits;
    const bool sized = archive_entry_size_is_set(entry) != 0;
    const std::uint64_t declared = sized ? static_cast<std::uint64_t>(archive_entry_size(entry)) : 0;
    skip = true;
    if (sized && declared > std::max(l.recordFile, l.archive)) {
        what = tooLarge(declared, false, l);
        return false;
    }
    // Whether it is an archive shows in its first bytes; the limit is the
    // record file's until then.
    constexpr std::size_t kSniff = 512;
    std::uint64_t limit = l.recordFile;
    bool known = false;
    for (;;) {
        // Straight from the reader's own buffer: a copy less, at the speed
        // of the decompression.
        const void* block = nullptr;
        std::size_t got = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(a, &block, &got, &offset);
        if (r == ARCHIVE_EOF)
            return true;
        if (r != ARCHIVE_OK) {
            skip = false;
            what = "the member cannot be read: " + errorOf(a);
            return false;
        }
        if (!append(budget, limit, offset, block, got, bytes, what))
            return false;
        if (!known && bytes.size() >= kSniff) {
            known = true;
            if (looksLikeArchive(bytes))
                limit = l.archive;
            // A record file holds no NUL byte: one in its first bytes shows
            // a file of another kind (a PDF, a picture), whose rest is not
            // needed to say so.
            else if (bytes.find('\0') != std::string::npos)
                return true;
            if (sized && declared > limit) {
                what = tooLarge(declared, limit == l.archive, l);
                return false;
            }
        }
        if (bytes.size() > limit) {
            what = tooLarge(0, limit == l.archive, l);
            return false;
        }
    }
}

#endif

} // namespace

bool looksLikeArchive(std::string_view b)
{
    return startsWith(b, "PK\x03\x04") || startsWith(b, "PK\x05\x06") || startsWith(b, "\x1F\x8B") ||
           startsWith(b, "7z\xBC\xAF\x27\x1C") ||
           startsWith(b, "\xFD"
                         "7zXZ") ||
           (b.size() > 262 && b.substr(257, 5) == "ustar");
}

std::string sizeInWords(std::uint64_t bytes)
{
    // In the largest unit of which it is at least one, to a tenth; a whole
    // number without its ".0".
    constexpr const char* kUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    std::size_t u = 0;
    while (u + 1 < std::size(kUnits) && bytes >> (10 * (u + 1)) != 0)
        ++u;
    if (u == 0)
        return std::to_string(bytes) + " bytes";
    const std::uint64_t unit = std::uint64_t{1} << (10 * u);
    const std::uint64_t tenths = (bytes % unit * 10 + unit / 2) / unit;
    std::uint64_t whole = bytes / unit;
    std::string out = std::to_string(whole + (tenths == 10));
    if (tenths != 0 && tenths != 10)
        out += "." + std::to_string(tenths);
    return out + " " + kUnits[u];
}

#if QA_HAVE_LIBARCHIVE

bool archivesReadable()
{
    return true;
}

namespace {

// A reader of the archive in `bytes`, of any format and filter the library
// knows; null, with the library's reason in `why`, when it cannot be opened.
archive* opened(std::string_view bytes, std::string& why)
{
    archive* a = archive_read_new();
    archive_read_support_filter_all(a);
    archive_read_support_format_all(a);
#ifdef _WIN32
    archive_read_set_options(a, kBytesAsCharacters);
#endif
    if (archive_read_open_memory(a, bytes.data(), bytes.size()) == ARCHIVE_OK)
        return a;
    why = errorOf(a);
    archive_read_free(a);
    return nullptr;
}

} // namespace

void readArchive(std::string_view bytes, ArchiveBudget& budget,
                 const std::function<void(std::string path, std::string bytes)>& member,
                 const std::function<void(const std::string& path, const std::string& why)>& skipped,
                 const std::function<void(const std::string& member, const std::string& what)>& problem)
{
    Utf8Names names;
#ifdef _WIN32
    ZipNames zipNames(bytes);
#endif
    std::string why;
    archive* a = opened(bytes, why);
    if (!a) {
        problem("", "the archive cannot be read: " + why);
        return;
    }
    archive_entry* entry = nullptr;
    std::string data;
    for (;;) {
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            problem("", "the archive cannot be read further: " + errorOf(a));
            break;
        }
#ifdef _WIN32
        const std::string path = zipNames.next(a, entry);
#else
        const char* raw = archive_entry_pathname(entry);
        const std::string path = nameAsUtf8(raw ? raw : "");
#endif
        if (archive_entry_filetype(entry) != AE_IFREG)
            continue;
        if (archive_entry_is_encrypted(entry)) {
            problem(path, "the member is encrypted");
            continue;
        }
        if (budget.spent()) {
            skipped(path, budgetSpent(budget.limits));
            continue;
        }
        // One buffer for the members left unread, whose bytes are dropped:
        // grown once, not for each.
        data.clear();
        std::string what;
        bool skip = false;
        if (readMember(a, entry, budget, data, what, skip))
            member(path, std::exchange(data, std::string()));
        else if (!skip)
            problem(path, what);
        else {
            skipped(path, what);
            if (budget.spent())
                problem("", "the archives of this run have given " + sizeInWords(budget.limits.budget) +
                                ", the most one run reads: what is left of them is not read");
        }
    }
    archive_read_free(a);
}

#else

bool archivesReadable()
{
    return false;
}

void readArchive(std::string_view, ArchiveBudget&, const std::function<void(std::string, std::string)>&,
                 const std::function<void(const std::string&, const std::string&)>&,
                 const std::function<void(const std::string&, const std::string&)>& problem)
{
    problem("", "this build of qa-review cannot read archives: extract the archive first and give the folder");
}

#endif

} // namespace qa::review
