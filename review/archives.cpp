// Archives through libarchive, members in memory.
#include "review/archives.h"

#include <array>

#include "review/model.h"

#if QA_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#ifndef _WIN32
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

// The largest member read, whole, into memory.
constexpr std::size_t kLargestMember = std::size_t{1} << 30;

// The old DOS code page's upper half, for member names that are not UTF-8.
constexpr std::array<char16_t, 128> kCp437 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// A member name as UTF-8: kept when it is UTF-8, else read as the DOS code page.
std::string nameAsUtf8(std::string_view raw)
{
    if (validUtf8(raw) == raw)
        return std::string(raw);
    std::string out;
    for (unsigned char c : raw) {
        const char32_t u = c < 0x80 ? c : kCp437[c - 0x80];
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
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

std::string errorOf(archive* a)
{
    const char* e = archive_error_string(a);
    return e ? e : "damaged";
}

// One member's bytes; false with `what` when they cannot be read.
bool readMember(archive* a, std::string& bytes, std::string& what)
{
    char buf[1 << 16];
    for (;;) {
        const la_ssize_t n = archive_read_data(a, buf, sizeof buf);
        if (n == 0)
            return true;
        if (n < 0) {
            what = "the member cannot be read: " + errorOf(a);
            return false;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > kLargestMember) {
            what = "too large for a record file";
            return false;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
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

#if QA_HAVE_LIBARCHIVE

bool archivesReadable()
{
    return true;
}

void readArchive(std::string_view bytes, const std::function<void(std::string path, std::string bytes)>& member,
                 const std::function<void(const std::string& member, const std::string& what)>& problem)
{
    Utf8Names names;
    archive* a = archive_read_new();
    archive_read_support_filter_all(a);
    archive_read_support_format_all(a);
    if (archive_read_open_memory(a, bytes.data(), bytes.size()) != ARCHIVE_OK) {
        problem("", "the archive cannot be read: " + errorOf(a));
        archive_read_free(a);
        return;
    }
    archive_entry* entry = nullptr;
    for (;;) {
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            problem("", "the archive cannot be read further: " + errorOf(a));
            break;
        }
#ifdef _WIN32
        // There the plain name comes in the ANSI code page, which cannot hold
        // every name; the UTF-8 one is whole.
        const char* raw = archive_entry_pathname_utf8(entry);
        if (!raw)
            raw = archive_entry_pathname(entry);
#else
        const char* raw = archive_entry_pathname(entry);
#endif
        const std::string path = nameAsUtf8(raw ? raw : "");
        if (archive_entry_filetype(entry) != AE_IFREG)
            continue;
        if (archive_entry_is_encrypted(entry)) {
            problem(path, "the member is encrypted");
            continue;
        }
        std::string data, what;
        if (readMember(a, data, what))
            member(path, std::move(data));
        else
            problem(path, what);
    }
    archive_read_free(a);
}

#else

bool archivesReadable()
{
    return false;
}

void readArchive(std::string_view, const std::function<void(std::string, std::string)>&,
                 const std::function<void(const std::string&, const std::string&)>& problem)
{
    problem("", "this build of qa-review cannot read archives: extract the archive first and give the folder");
}

#endif

} // namespace qa::review
