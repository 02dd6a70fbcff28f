// Reading and writing the marks file through the platform's file calls.
#include "review/marks_file.h"

#include <cerrno>
#include <system_error>

#include "platform/errors.h"
#include "platform/file_ops.h"
#include "platform/journal.h"
#include "review/review.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

std::string hostName(const fs::path& p)
{
#ifdef _WIN32
    const auto u = p.u8string();
    return std::string(u.begin(), u.end());
#else
    return p.native();
#endif
}

std::string reasonOf(int err)
{
    return std::generic_category().message(err);
}

bool writeAll(FileOps& ops, int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::int64_t n = ops.write(fd, bytes.data(), bytes.size());
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::string readWholeFile(const fs::path& path, std::string& bytes)
{
    FileOps& ops = systemFileOps();
    const int fd = ops.open(hostName(path), kOpenRead);
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
    FileOps& ops = systemFileOps();
    const std::string target = hostName(path);
    const std::string temporary = hostName(
        path.parent_path() / ("." + pathToUtf8(path.filename()) + "." + std::to_string(ops.processId()) + ".tmp"));
    ops.unlink(temporary);
    const int fd = ops.open(temporary, kOpenWrite | kOpenCreate | kOpenExclusive | kOpenNoFollow);
    if (fd < 0)
        return reasonOf(errno);
    int err = 0;
    if (!writeAll(ops, fd, bytes) || ops.fsync(fd) != 0)
        err = errno ? errno : EIO;
    if (ops.close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ops.rename(temporary, target) != 0)
        err = errno;
    if (err != 0) {
        ops.unlink(temporary);
        return reasonOf(err);
    }
    Descriptors fds(ops);
    syncDirectory(fds, hostName(path.parent_path().empty() ? fs::path(".") : path.parent_path()));
    return {};
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
    if (const std::size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0 && !fs::is_directory(input))
        stem.resize(dot);
    return folder / pathFromUtf8("marks-" + (stem.empty() ? std::string("class") : stem) + ".csv");
}

} // namespace qa::review
