#include "platform/file_ops.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qa {

int PosixFileOps::open(const char* path, int flags, mode_t mode)
{
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t PosixFileOps::read(int fd, void* buf, size_t len)
{
    ssize_t n;
    do {
        n = ::read(fd, buf, len);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t PosixFileOps::write(int fd, const void* buf, size_t len)
{
    ssize_t n;
    do {
        n = ::write(fd, buf, len);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t PosixFileOps::pread(int fd, void* buf, size_t len, off_t offset)
{
    ssize_t n;
    do {
        n = ::pread(fd, buf, len, offset);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t PosixFileOps::pwrite(int fd, const void* buf, size_t len, off_t offset)
{
    ssize_t n;
    do {
        n = ::pwrite(fd, buf, len, offset);
    } while (n < 0 && errno == EINTR);
    return n;
}

// fdatasync: the data and the metadata needed to read it back (the length),
// which is what a durable append needs, without the timestamps.
int PosixFileOps::fsync(int fd)
{
    return ::fdatasync(fd);
}
int PosixFileOps::ftruncate(int fd, off_t length)
{
    return ::ftruncate(fd, length);
}
int PosixFileOps::fstat(int fd, struct stat* st)
{
    return ::fstat(fd, st);
}
int PosixFileOps::stat(const char* path, struct stat* st)
{
    return ::stat(path, st);
}

int PosixFileOps::flock(int fd, int operation)
{
    int r;
    do {
        r = ::flock(fd, operation);
    } while (r < 0 && errno == EINTR);
    return r;
}

int PosixFileOps::close(int fd)
{
    return ::close(fd);
}
int PosixFileOps::mkdir(const char* path, mode_t mode)
{
    return ::mkdir(path, mode);
}
int PosixFileOps::unlink(const char* path)
{
    return ::unlink(path);
}

FileOps& posixFileOps()
{
    static PosixFileOps ops;
    return ops;
}

} // namespace qa
