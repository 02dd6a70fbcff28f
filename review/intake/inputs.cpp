// Finding the files under the inputs, through the platform's file calls: a
// folder with its subfolders, or a file.
#include <algorithm>
#include <cerrno>
#include <map>
#include <system_error>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "platform/text.h"
#include "platform/utf8.h"
#include "review/intake/platform_names.h"
#include "review/intake/stages.h"

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
    return text::validUtf8(host);
}

// What a name that is neither a file nor a folder stands for.
const char* kindName(FileKind kind)
{
    switch (kind) {
    case FileKind::Pipe: return "a named pipe (FIFO)";
    case FileKind::Socket: return "a socket";
    case FileKind::Device: return "a device";
    default: return "something";
    }
}

bool under(const std::filesystem::path& p, const std::filesystem::path& root)
{
    auto [r, q] = std::mismatch(root.begin(), root.end(), p.begin(), p.end());
    return r == root.end();
}

class Finder {
public:
    Finder(FileOps& ops, Listing& out) : ops_(ops), out_(out) {}

    void input(const std::filesystem::path& p)
    {
        const std::string host = text::hostPath(p);
        FileInfo info;
        if (ops_.stat(host, info) != 0) {
            const int err = errno;
            out_.problems.push_back(
                {shownOf(host), 0, 0,
                 err == ENOENT || err == ENOTDIR ? "no such file or folder" : "cannot be read: " + reasonOf(err)});
            return;
        }
        std::error_code ec;
        root_ = std::filesystem::canonical(p, ec);
        if (info.kind == FileKind::Directory)
            walk(host, "");
        else if (info.kind == FileKind::Regular)
            add(host, lastPart(host));
        else
            out_.problems.push_back(
                {shownOf(host), 0, 0, std::string(kindName(info.kind)) + ", not a file, a folder or an archive"});
    }

    // The files found so far.
    std::size_t found() const { return found_.size(); }

    // Every file found, named, into the listing; the names are worked out on
    // `threads` threads, each file's in its place.
    void name(unsigned threads)
    {
        std::vector<InputFile> files(found_.size());
        const auto nameSome = [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i)
                files[i] = named(found_[i].first, found_[i].second);
        };
        const std::size_t parts = std::clamp<std::size_t>(found_.size() / kFilesPerThread, 1, threads);
        std::vector<std::thread> helpers;
        for (std::size_t k = 1; k < parts; ++k)
            helpers.emplace_back(nameSome, files.size() * k / parts, files.size() * (k + 1) / parts);
        nameSome(0, files.size() / parts);
        for (std::thread& t : helpers)
            t.join();
        out_.files = Table<FileId, InputFile>(std::move(files));
    }

private:
    // Fewer files than this to a thread are not worth starting one.
    static constexpr std::size_t kFilesPerThread = 64;

    static InputFile named(const std::string& host, const std::string& relative)
    {
        const std::string name = lastPart(host);
        InputFile f{host, shownOf(relative), text::validUtf8(name), name, {}, {}, {}, nullptr};
        std::string path = relative;
        std::replace(path.begin(), path.end(), '\\', '/');
        nameFile(f, path);
        return f;
    }

    void add(const std::string& host, const std::string& relative) { found_.emplace_back(host, relative); }

    // A link to a file outside the input is not followed.
    bool inside(const std::string& host) const
    {
        std::error_code ec;
        const std::filesystem::path target =
            std::filesystem::canonical(text::pathFromUtf8(text::validUtf8(host)), ec);
        return !ec && !root_.empty() && under(target, root_);
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
            const bool link = e.kind == FileKind::Link;
            if (link && ops_.stat(host, target) == 0 && target.kind == FileKind::Regular && !inside(host))
                out_.skipped.push_back({shownOf(rel), "a link to a file outside the inputs, not followed", false});
            else if (e.kind == FileKind::Regular || (link && target.kind == FileKind::Regular))
                add(host, rel);
            else if (e.kind == FileKind::Directory)
                dirs.emplace_back(host, rel);
        }
        for (const auto& [host, rel] : dirs)
            walk(host, rel);
    }

    FileOps& ops_;
    Listing& out_;
    std::filesystem::path root_;
    std::vector<std::pair<std::string, std::string>> found_; // host path, path under the input
};

// Two inputs that hold the same relative name: each shown with its input.
void nameInputs(Listing& out, const std::vector<std::size_t>& firstOfInput,
                const std::vector<std::filesystem::path>& inputs)
{
    auto& files = out.files.values();
    std::vector<char> shared(files.size());
    {
        std::unordered_map<std::string_view, int> count(files.size());
        for (const InputFile& f : files)
            ++count[f.shown];
        for (std::size_t i = 0; i < files.size(); ++i)
            shared[i] = count[files[i].shown] > 1;
    }
    std::map<std::string, int> names;
    for (const std::filesystem::path& input : inputs)
        ++names[lastPart(text::hostPath(input))];
    for (std::size_t k = 0; k + 1 < firstOfInput.size(); ++k)
        for (std::size_t i = firstOfInput[k]; i < firstOfInput[k + 1]; ++i)
            if (shared[i]) {
                const std::string name = lastPart(text::hostPath(inputs[k]));
                files[i].shown =
                    shownOf(names[name] > 1 ? text::hostPath(inputs[k]) : name) + "/" + files[i].shown;
            }
}

// Each input's files by name: the names sorted, then each file moved once.
void sortByName(std::vector<InputFile>& files, std::size_t from, std::size_t to)
{
    std::vector<std::size_t> order(to - from);
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = from + k;
    // Two names shown alike (bytes that are not UTF-8) by the names on disk.
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::tie(files[a].shown, files[a].host) < std::tie(files[b].shown, files[b].host);
    });
    std::vector<InputFile> sorted;
    sorted.reserve(order.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(files[i]));
    std::move(sorted.begin(), sorted.end(), files.begin() + static_cast<std::ptrdiff_t>(from));
}

} // namespace

void nameFile(InputFile& f, std::string_view path)
{
    NameParts parts = recogniseName(path);
    f.original = std::move(parts.original);
    f.submitterName = text::validUtf8(parts.submitterName);
    f.submitterId = std::move(parts.submitterId);
    f.platform = parts.platform;
    f.squeezedName = text::validUtf8(parts.squeezedName);
    f.late = parts.late;
    f.blind = parts.blind;
}

Listing findInputs(FileOps& ops, const std::vector<std::filesystem::path>& inputs, unsigned threads)
{
    Listing out;
    Finder finder(ops, out);
    std::vector<std::size_t> firstOfInput;
    for (const std::filesystem::path& input : inputs) {
        firstOfInput.push_back(finder.found());
        finder.input(input);
    }
    firstOfInput.push_back(finder.found());
    finder.name(threads);
    nameInputs(out, firstOfInput, inputs);
    // Within each input by name.
    for (std::size_t k = 0; k + 1 < firstOfInput.size(); ++k)
        sortByName(out.files.values(), firstOfInput[k], firstOfInput[k + 1]);
    return out;
}

} // namespace qa::review
