#pragma once
// The listed files read and parsed ahead of the assembler, on threads of
// their own: the assembler takes them one by one in the order listed, so what
// it builds is the same whatever the number of threads.
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_ops.h"
#include "records/record_reader.h"

namespace qa::review {

// One file's bytes and what they read as. `parsed` holds views into `bytes`:
// a Fetched is never moved or copied.
struct Fetched {
    bool read = false;    // false: `reason` says why not
    bool archive = false; // then not parsed: the assembler's side opens it
    std::string bytes;
    FileInfo info;
    std::string reason;
    records::Resaved resaved;
    records::ParsedFile parsed;
};

// How many threads to read with: `asked`, or one per core when 0.
unsigned threadsFor(unsigned asked);

class Prefetch {
public:
    // `threads` counts the caller's: with 1, each file is read when asked for.
    Prefetch(FileOps& ops, const std::vector<std::string>& hosts, unsigned threads);
    ~Prefetch();
    Prefetch(const Prefetch&) = delete;
    Prefetch& operator=(const Prefetch&) = delete;

    // File `i`, read; asked for in order, 0, 1, 2 ...
    Fetched& get(std::size_t i);
    // Done with file `i`: its place is used for one further ahead.
    void done(std::size_t i);

private:
    // Files read ahead of the one asked for, at most: bounds the memory.
    static constexpr std::size_t kAhead = 64;
    void work();

    FileOps& ops_;
    const std::vector<std::string>& hosts_;
    std::vector<std::unique_ptr<Fetched>> slots_;
    std::vector<char> ready_; // by slot
    std::mutex mutex_;
    // Each side is woken only while it waits, and the readers only once
    // half the window is free again: a wake-up costs a system call, and
    // one per file was most of the threads' cost.
    std::condition_variable roomMade_, fileReady_;
    std::size_t readersWaiting_ = 0;
    bool assemblerWaiting_ = false;
    std::size_t next_ = 0; // the next file a thread takes
    std::size_t free_ = 0; // files below this one are done with
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace qa::review
