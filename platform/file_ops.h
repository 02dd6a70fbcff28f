#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qa {

// How a file is opened; each platform maps these to its own calls.
enum OpenFlags : unsigned {
    kOpenRead = 1u << 0,
    kOpenWrite = 1u << 1,
    kOpenAppend = 1u << 2,    // every write goes to the end (implies write)
    kOpenCreate = 1u << 3,    // create the file when it is missing
    kOpenExclusive = 1u << 4, // with kOpenCreate: fail with EEXIST when it exists
    kOpenTruncate = 1u << 5,
    kOpenDirectory = 1u << 6, // a directory, opened only to sync it
    kOpenPrivate = 1u << 7,   // with kOpenCreate: readable by its owner only
    kOpenNoFollow = 1u << 8,  // refuse a symbolic link in the file's place (ELOOP)
};

// What a name in a folder stands for. A listing tells a link as a link; a
// stat follows it.
enum class FileKind { Regular, Directory, Link, Pipe, Socket, Device, Other };

// One name in a folder, with what it stands for.
struct DirEntry {
    std::string name;
    FileKind kind = FileKind::Other;
};

// What the record files need to know of a file.
struct FileInfo {
    std::int64_t size = 0;
    bool directory = false;
    FileKind kind = FileKind::Regular;
    std::uint64_t device = 0;
    std::uint64_t id = 0; // stays the same while the file is the same file
    // The permission bits (0 where the system has none) and whether the
    // user running the program owns the file.
    unsigned mode = 0;
    bool ownedByUser = true;
};

enum class LockKind { Shared, Exclusive };

// The handful of system calls the record files need, under host paths. Every
// call reports failure as -1 with errno set to a POSIX error value (the
// Windows implementation translates its error codes); tests put a layer in
// between that fails chosen calls.
class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int open(const std::string& path, unsigned flags) = 0;
    virtual std::int64_t read(int fd, void* buf, std::size_t len) = 0;
    virtual std::int64_t write(int fd, const void* buf, std::size_t len) = 0;
    virtual std::int64_t pread(int fd, void* buf, std::size_t len, std::int64_t offset) = 0;
    virtual std::int64_t pwrite(int fd, const void* buf, std::size_t len, std::int64_t offset) = 0;
    // Makes the file's data, and what is needed to read it back, durable.
    virtual int fsync(int fd) = 0;
    // Starts writing the file's changed data to the disk and returns at once,
    // so that several files are on their way together before each is synced.
    // Only a head start: what makes the data durable is fsync.
    virtual void startSync(int /*fd*/) {}
    virtual int ftruncate(int fd, std::int64_t length) = 0;
    virtual int fstat(int fd, FileInfo& info) = 0;
    virtual int stat(const std::string& path, FileInfo& info) = 0;
    // Waits for the lock on the whole file; released by close.
    virtual int lock(int fd, LockKind kind) = 0;
    virtual int close(int fd) = 0;
    // `ownerOnly`: a directory the other users cannot look into.
    virtual int mkdir(const std::string& path, bool ownerOnly) = 0;
    virtual int unlink(const std::string& path) = 0;
    // Replaces `to` by `from` in one step.
    virtual int rename(const std::string& from, const std::string& to) = 0;
    // The names in a directory, without "." and "..".
    virtual int listDirectory(const std::string& path, std::vector<std::string>& names) = 0;
    // The names in a directory with their kinds, without "." and "..", in
    // the order the system gives them. A link is listed as FileKind::Link.
    virtual int listEntries(const std::string& path, std::vector<DirEntry>& entries) = 0;

    // Who is writing: journals of appends under way name the machine and the
    // process, so that a repair leaves the journals of running programs alone.
    virtual std::string hostName() = 0;
    virtual std::int64_t processId() = 0;
    virtual bool processRunning(std::int64_t pid) = 0;
    // When the process started, in the system's own units: a process id used
    // again by a later process gives another value. 0 when it cannot be told.
    virtual std::uint64_t processStarted(std::int64_t /*pid*/) { return 0; }
};

// The real calls of the platform the program was built for.
FileOps& systemFileOps();

} // namespace qa
