// Outputs never among the inputs, and written in one step.
#include "review/write/destination.h"

#include <cerrno>
#include <system_error>

#include "platform/utf8.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

// The path as the file calls take it: the system's bytes, UTF-8 on Windows.
std::string host(const fs::path& p)
{
#ifdef _WIN32
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
#else
    return p.native();
#endif
}

bool inside(const fs::path& p, const fs::path& folder)
{
    const fs::path rel = p.lexically_relative(folder);
    return !rel.empty() && (rel == "." || *rel.begin() != "..");
}

std::optional<FileInfo> identity(FileOps& ops, const fs::path& p)
{
    FileInfo info;
    if (ops.stat(host(p), info) != 0 || (info.device == 0 && info.id == 0))
        return std::nullopt;
    return info;
}

bool same(const std::optional<FileInfo>& a, const std::optional<FileInfo>& b)
{
    return a && b && a->device == b->device && a->id == b->id;
}

Result<void> outcome(const fs::path& target, const Replaced& r)
{
    if (r.ok())
        return {};
    return Problem{text::pathToUtf8(target), 0, 0,
                   r.err == ECANCELED ? std::string("cancelled") : std::generic_category().message(r.err), true};
}

} // namespace

fs::path absoluteOf(const fs::path& p)
{
    std::error_code ec;
    fs::path a = fs::weakly_canonical(fs::absolute(p, ec), ec);
    return ec ? fs::absolute(p, ec).lexically_normal() : a;
}

std::optional<std::size_t> amongInputs(const fs::path& output, const std::vector<fs::path>& inputs,
                                       const std::vector<ReadInput>& inputFiles, FileOps& ops)
{
    const fs::path target = absoluteOf(output);
    std::vector<std::optional<FileInfo>> ids;
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        if (inside(target, absoluteOf(inputs[k])))
            return k;
        ids.push_back(identity(ops, inputs[k]));
    }
    // The output, or a folder on its way, is an input by another name.
    for (fs::path p = target; !p.empty(); p = p.parent_path()) {
        if (const auto id = identity(ops, p))
            for (std::size_t k = 0; k < inputs.size(); ++k)
                if (same(id, ids[k]))
                    return k;
        if (p == p.parent_path())
            break;
    }
    // An existing output that is a file under an input by a second name.
    const auto id = identity(ops, target);
    if (!id || id->directory)
        return std::nullopt;
    for (const ReadInput& f : inputFiles)
        if (f.id != 0 ? id->device == f.device && id->id == f.id : same(id, identity(ops, f.path))) {
            for (std::size_t k = 0; k < inputs.size(); ++k)
                if (inside(absoluteOf(f.path), absoluteOf(inputs[k])))
                    return k;
            return 0;
        }
    return std::nullopt;
}

bool sameFile(const fs::path& a, const fs::path& b, FileOps& ops)
{
    return absoluteOf(a) == absoluteOf(b) || same(identity(ops, a), identity(ops, b));
}

Result<void> writeOutput(const fs::path& target, const std::function<void(std::ostream&)>& write,
                         const ReplaceOptions& options, FileOps& ops)
{
    return outcome(target, replaceFile(ops, host(target), write, options));
}

Result<void> writeOutputByName(const fs::path& target,
                               const std::function<int(const std::string& temporary)>& write,
                               const ReplaceOptions& options, FileOps& ops)
{
    return outcome(target, replaceFileByName(ops, host(target), write, options));
}

} // namespace qa::review
