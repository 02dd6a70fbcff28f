// The names that learning platforms and downloads give handed-in files.
#include "review/intake/platform_names.h"

#include <algorithm>
#include <vector>

#include "review/model/platform_strings.h"

namespace qa::review {
namespace {

// A name part as the platform's file names carry it: Moodle takes out
// control characters and & < > " ` | ' : \ / ("Teilnehmer/in" becomes
// "Teilnehmerin"), and a name's "_" becomes a blank.
std::string asInFileNames(std::string_view word)
{
    std::string out;
    for (char c : word)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F &&
            std::string_view("&<>\"`|':\\/").find(c) == std::string_view::npos)
            out += c == '_' ? ' ' : c;
    return out;
}

// Under blind marking Moodle's "download all submissions" puts its word for
// a participant (the assignment's "participant" string, in the language of
// whoever downloads) in place of the name.
bool participantWord(std::string_view name)
{
    const std::vector<std::string_view>& words = participantWords();
    return std::any_of(words.begin(), words.end(), [&](std::string_view w) { return asInFileNames(w) == name; });
}

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool lowerAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool alnum(char c)
{
    return lowerAlnum(c) || (c >= 'A' && c <= 'Z');
}

// Canvas's squeezed sortable name: lower case letters and digits, and
// letters outside ASCII as they are (UTF-8).
bool nameOfCanvas(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return lowerAlnum(c) || static_cast<unsigned char>(c) >= 0x80;
    });
}

std::vector<std::string_view> split(std::string_view s, char by)
{
    std::vector<std::string_view> parts;
    for (std::size_t at = 0;;) {
        const std::size_t next = s.find(by, at);
        parts.push_back(s.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos)
            return parts;
        at = next + 1;
    }
}

// "<Full name>_<id>_assignsubmission_file" (a folder, with or without a
// trailing "_"), or "<Full name>_<id>_assignsubmission_file_<original>" (a
// file). The full name never holds "_".
bool moodle(std::string_view s, bool folder, NameParts& out)
{
    constexpr std::string_view kMark = "_assignsubmission_file";
    const std::size_t first = s.find('_');
    if (first == std::string_view::npos || first == 0)
        return false;
    const std::size_t second = s.find('_', first + 1);
    if (second == std::string_view::npos || !allDigits(s.substr(first + 1, second - first - 1)) ||
        s.substr(second, kMark.size()) != kMark)
        return false;
    const std::string_view rest = s.substr(second + kMark.size());
    if (folder ? !(rest.empty() || rest == "_") : (rest.size() < 2 || rest[0] != '_'))
        return false;
    const std::string_view name = s.substr(0, first);
    out.platform = "Moodle";
    out.blind = participantWord(name);
    out.submitterName = out.blind ? std::string() : std::string(name);
    out.submitterId = std::string(s.substr(first + 1, second - first - 1));
    if (!folder)
        out.original = std::string(rest.substr(1));
    return true;
}

// "<name>[_LATE]_<user id>_<attachment id>_<original>", or
// "anon_<id>[_LATE]_<attachment id>_<original>".
bool canvas(std::string_view s, NameParts& out)
{
    const std::vector<std::string_view> parts = split(s, '_');
    const bool anon = parts.size() >= 4 && parts[0] == "anon" && !parts[1].empty() &&
                      std::all_of(parts[1].begin(), parts[1].end(), alnum);
    if (parts.size() < 4 || !(anon || nameOfCanvas(parts[0])))
        return false;
    std::size_t k = anon ? 2 : 1; // past the name, or past "anon" and its id
    const bool late = parts[k] == "LATE";
    k += late;
    const std::size_t ids = anon ? 1 : 2; // the user id (not under anonymous grading) and the attachment's
    if (parts.size() < k + ids + 1 || !allDigits(parts[k]) || (ids == 2 && !allDigits(parts[k + 1])))
        return false;
    out.platform = "Canvas";
    out.late = late;
    out.blind = anon;
    out.submitterId = std::string(anon ? parts[1] : parts[k]);
    if (!anon)
        out.squeezedName = std::string(parts[0]);
    std::size_t skip = 0;
    for (std::size_t p = 0; p < k + ids; ++p)
        skip += parts[p].size() + 1;
    out.original = std::string(s.substr(skip));
    return true;
}

} // namespace

std::string withoutCopyMark(std::string_view name)
{
    constexpr std::string_view kTxt = ".txt";
    if (name.size() <= kTxt.size() || name.substr(name.size() - kTxt.size()) != kTxt)
        return std::string(name);
    std::string_view stem = name.substr(0, name.size() - kTxt.size());
    const bool bracketed = stem.ends_with(")");
    if (bracketed)
        stem.remove_suffix(1);
    std::size_t d = stem.size();
    while (d > 0 && stem[d - 1] >= '0' && stem[d - 1] <= '9')
        --d;
    if (d == stem.size() || d < 2 || stem[d - 1] != (bracketed ? '(' : '-'))
        return std::string(name);
    std::size_t cut = d - 1;
    if (bracketed && stem[cut - 1] == ' ')
        --cut;
    return std::string(stem.substr(0, cut)) + std::string(kTxt);
}

NameParts recogniseName(std::string_view path)
{
    NameParts out;
    const std::vector<std::string_view> parts = split(path, '/');
    std::string_view last = parts.back();
    // A folder per student: the nearest folder with the platform's name.
    for (std::size_t k = parts.size() - 1; k-- > 0;)
        if (moodle(parts[k], true, out))
            break;
    if (!out.platform && !moodle(last, false, out) && !canvas(last, out))
        out.original = std::string(last);
    if (out.original.empty())
        out.original = std::string(last);
    out.original = withoutCopyMark(out.original);
    return out;
}

} // namespace qa::review
