#include "platform/descriptors.h"

#include "platform/paths.h"

namespace qa {

int Descriptors::open(const std::string& host, unsigned flags, int& err)
{
    const int fd = ops_.open(host, flags);
    err = errnoOf(fd);
    if (fd >= 0)
        ++count_;
    return fd;
}

void Descriptors::close(int fd)
{
    ops_.close(fd);
    --count_;
}

int syncDirectory(Descriptors& fds, const std::string& dir)
{
    int err = 0;
    const int fd = fds.open(dir, kOpenDirectory, err);
    if (fd < 0)
        return err;
    err = errnoOf(fds.ops().fsync(fd));
    fds.close(fd);
    return err == EINVAL ? 0 : err;
}

bool makeDirectories(FileOps& ops, const std::string& host, bool ownerOnly)
{
    for (std::size_t pos = 1; pos <= host.size(); ++pos) {
        if (pos == host.size() || isPathSeparator(host[pos])) {
            const int err = errnoOf(ops.mkdir(host.substr(0, pos), ownerOnly));
            if (err != 0 && err != EEXIST)
                return false;
        }
    }
    return true;
}

} // namespace qa
