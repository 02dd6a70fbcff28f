// A whole file read in one call through the file seam.
#include "platform/whole_file.h"

#include <cerrno>
#include <system_error>

namespace qa {
namespace {

// Closes the file however the reading ends.
struct Opened {
    FileOps& ops;
    int fd;
    ~Opened()
    {
        if (fd >= 0)
            ops.close(fd);
    }
};

} // namespace

std::string errnoText(int err)
{
    return std::generic_category().message(err);
}

int readWholeFile(FileOps& ops, const std::string& host, std::string& bytes, FileInfo& info, std::int64_t limit)
{
    bytes.clear();
    Opened file{ops, ops.open(host, kOpenRead)};
    if (file.fd < 0 || ops.fstat(file.fd, info) != 0)
        return errno;
    if (info.size > limit)
        return EFBIG;
    bytes.resize(static_cast<std::size_t>(info.size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::int64_t r = ops.read(file.fd, bytes.data() + got, bytes.size() - got);
        if (r < 0) {
            const int err = errno;
            bytes.clear();
            return err;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    bytes.resize(got);
    return 0;
}

} // namespace qa
