// Finding the files under the inputs, through the platform's file calls: a
// folder with its subfolders, or a file.
#include <algorithm>
#include <cerrno>
#include <system_error>

#include "review/stages.h"

namespace qa::review {
namespace {

std::string reasonOf(int err)
{
    return std::generic_category().message(err);
}

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string lastPart(const std::string& host)
{
    const std::size_t slash = host.find_last_of(kSeparator == '/' ? "/" : "/\\");
    return slash == std::string::npos ? host : host.substr(slash + 1);
}

// A host path as the report shows it: UTF-8, "/" between folders.
std::string shownOf(std::string host)
{
    std::replace(host.begin(), host.end(), '\\', '/');
    return validUtf8(host);
}

class Finder {
public:
    Finder(FileOps& ops, Listing& out) : ops_(ops), out_(out) {}

    void input(const std::filesystem::path& p)
    {
        const std::string host = hostPath(p);
        FileInfo info;
        if (ops_.stat(host, info) != 0) {
            const int err = errno;
            out_.problems.push_back(
                {shownOf(host), 0, 0,
                 err == ENOENT || err == ENOTDIR ? "no such file or folder" : "cannot be read: " + reasonOf(err)});
            return;
        }
        if (info.kind == FileKind::Directory)
            walk(host, "");
        else if (info.kind == FileKind::Regular)
            add(host, lastPart(host));
        else
            out_.problems.push_back({shownOf(host), 0, 0, "not a file or a folder"});
    }

private:
    void add(const std::string& host, const std::string& relative)
    {
        const std::string name = lastPart(host);
        out_.files.add({host, shownOf(relative), validUtf8(name), name});
    }

    // `relative`: the folder's path under its input, "" for the input.
    void walk(const std::string& dir, const std::string& relative)
    {
        std::vector<DirEntry> entries;
        if (ops_.listEntries(dir, entries) != 0) {
            const std::string why = reasonOf(errno);
            out_.problems.push_back(
                {shownOf(dir), 0, 0,
                 (entries.empty() ? "the folder cannot be read: " : "the folder cannot be read whole: ") + why});
        }
        std::vector<std::pair<std::string, std::string>> dirs;
        for (const DirEntry& e : entries) {
            const std::string host = dir + kSeparator + e.name;
            const std::string rel = relative.empty() ? e.name : relative + kSeparator + e.name;
            FileInfo target;
            // A link is followed to a file only, so no folder is read twice
            // or in a loop.
            if (e.kind == FileKind::Regular ||
                (e.kind == FileKind::Link && ops_.stat(host, target) == 0 && target.kind == FileKind::Regular))
                add(host, rel);
            else if (e.kind == FileKind::Directory)
                dirs.emplace_back(host, rel);
        }
        for (const auto& [host, rel] : dirs)
            walk(host, rel);
    }

    FileOps& ops_;
    Listing& out_;
};

} // namespace

std::string hostPath(const std::filesystem::path& p)
{
#ifdef _WIN32
    const auto u = p.u8string();
    return std::string(u.begin(), u.end());
#else
    return p.native();
#endif
}

Listing findInputs(FileOps& ops, const std::vector<std::filesystem::path>& inputs)
{
    Listing out;
    Finder finder(ops, out);
    std::vector<std::size_t> firstOfInput;
    for (const std::filesystem::path& input : inputs) {
        firstOfInput.push_back(out.files.size());
        finder.input(input);
    }
    firstOfInput.push_back(out.files.size());
    // Within each input by name.
    auto& files = out.files.values();
    for (std::size_t k = 0; k + 1 < firstOfInput.size(); ++k)
        std::sort(files.begin() + static_cast<std::ptrdiff_t>(firstOfInput[k]),
                  files.begin() + static_cast<std::ptrdiff_t>(firstOfInput[k + 1]),
                  [](const InputFile& a, const InputFile& b) { return a.shown < b.shown; });
    return out;
}

} // namespace qa::review
