#pragma once
#include <sys/stat.h>
#include <sys/types.h>

namespace qa {

// The handful of system calls the record files need. Every call reports
// failure as -1 with errno set, like the system itself; tests put a layer in
// between that fails chosen calls.
class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int open(const char* path, int flags, mode_t mode) = 0;
    virtual ssize_t read(int fd, void* buf, size_t len) = 0;
    virtual ssize_t write(int fd, const void* buf, size_t len) = 0;
    virtual ssize_t pread(int fd, void* buf, size_t len, off_t offset) = 0;
    virtual ssize_t pwrite(int fd, const void* buf, size_t len, off_t offset) = 0;
    virtual int fsync(int fd) = 0;
    virtual int ftruncate(int fd, off_t length) = 0;
    virtual int fstat(int fd, struct stat* st) = 0;
    virtual int stat(const char* path, struct stat* st) = 0;
    virtual int flock(int fd, int operation) = 0;
    virtual int close(int fd) = 0;
    virtual int mkdir(const char* path, mode_t mode) = 0;
    virtual int unlink(const char* path) = 0;
};

// The real system calls.
class PosixFileOps final : public FileOps {
public:
    int open(const char* path, int flags, mode_t mode) override;
    ssize_t read(int fd, void* buf, size_t len) override;
    ssize_t write(int fd, const void* buf, size_t len) override;
    ssize_t pread(int fd, void* buf, size_t len, off_t offset) override;
    ssize_t pwrite(int fd, const void* buf, size_t len, off_t offset) override;
    int fsync(int fd) override;
    int ftruncate(int fd, off_t length) override;
    int fstat(int fd, struct stat* st) override;
    int stat(const char* path, struct stat* st) override;
    int flock(int fd, int operation) override;
    int close(int fd) override;
    int mkdir(const char* path, mode_t mode) override;
    int unlink(const char* path) override;
};

// One shared instance of the real calls.
FileOps& posixFileOps();

} // namespace qa
