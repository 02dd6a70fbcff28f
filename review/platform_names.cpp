// The names that learning platforms and downloads give handed-in files.
#include "review/platform_names.h"

#include <algorithm>
#include <vector>

namespace qa::review {
namespace {

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool nameOfCanvas(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(),
                                     [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
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
    out.platform = "Moodle";
    out.submitterName = std::string(s.substr(0, first));
    out.submitterId = std::string(s.substr(first + 1, second - first - 1));
    if (!folder)
        out.original = std::string(rest.substr(1));
    return true;
}

// "<name>[_LATE]_<user id>_<attachment id>_<original>", the name in lower
// case letters and digits.
bool canvas(std::string_view s, NameParts& out)
{
    std::vector<std::string_view> parts = split(s, '_');
    std::size_t k = 1;
    if (parts.size() < 4 || !nameOfCanvas(parts[0]))
        return false;
    if (parts[k] == "LATE" || parts[k] == "late")
        ++k;
    if (parts.size() < k + 3 || !allDigits(parts[k]) || !allDigits(parts[k + 1]))
        return false;
    out.platform = "Canvas";
    out.submitterName = std::string(parts[0]);
    out.submitterId = std::string(parts[k]);
    const std::size_t skip =
        parts[0].size() + 1 + (k == 2 ? parts[1].size() + 1 : 0) + parts[k].size() + 1 + parts[k + 1].size() + 1;
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
