// Reading and writing the marks file through the platform's file calls.
#include "review/marks_file.h"

#include <cerrno>
#include <ostream>
#include <system_error>

#include "platform/errors.h"
#include "platform/file_ops.h"
#include "review/destination.h"
#include "review/review.h"
#include "review/stages.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

std::string reasonOf(int err)
{
    return std::generic_category().message(err);
}

} // namespace

std::string readWholeFile(const fs::path& path, std::string& bytes)
{
    FileOps& ops = systemFileOps();
    const int fd = ops.open(hostPath(path), kOpenRead);
    if (fd < 0)
        return reasonOf(errno);
    bytes.clear();
    char buf[65536];
    for (;;) {
        const std::int64_t n = ops.read(fd, buf, sizeof buf);
        if (n < 0) {
            const int err = errno;
            ops.close(fd);
            return reasonOf(err);
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ops.close(fd);
    return {};
}

std::string writeWholeFile(const fs::path& path, std::string_view bytes)
{
    return writeOutput(
        path, [&](std::ostream& f) { f.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); });
}

MarksTable readMarksFile(const fs::path& path)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        return {};
    std::string bytes;
    if (const std::string why = readWholeFile(path, bytes); !why.empty())
        throw RuntimeError(kPathFileAccess, pathToUtf8(path), "cannot be read: " + why);
    return MarksTable::fromCsv(bytes, pathToUtf8(path));
}

fs::path defaultMarksPath(const fs::path& folder, const fs::path& input)
{
    fs::path name = input.lexically_normal();
    if (name.filename().empty())
        name = name.parent_path();
    std::string stem = pathToUtf8(name.filename());
    // An archive's name without its extensions (class.zip, class.tar.gz: class).
    for (int k = 0; k < 2 && !fs::is_directory(input); ++k)
        if (const std::size_t dot = stem.rfind('.');
            dot != std::string::npos && dot > 0 && (k == 0 || stem.compare(dot, std::string::npos, ".tar") == 0))
            stem.resize(dot);
    return folder / pathFromUtf8("marks-" + (stem.empty() ? std::string("class") : stem) + ".csv");
}

} // namespace qa::review
