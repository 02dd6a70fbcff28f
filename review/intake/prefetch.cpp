#include "review/intake/prefetch.h"

#include <cerrno>

#include "platform/whole_file.h"
#include "review/intake/archives.h"

namespace qa::review {
namespace {

// Files larger than this are not record files; they are not read.
constexpr std::int64_t kLargestFile = std::int64_t{1} << 30;

void fetch(FileOps& ops, const std::string& host, Fetched& f)
{
    const int err = readWholeFile(ops, host, f.bytes, f.info, kLargestFile);
    f.read = err == 0;
    if (!f.read)
        f.reason = err == EFBIG ? "too large for a record file" : errnoText(err);
    f.archive = f.read && looksLikeArchive(f.bytes);
    if (f.read && !f.archive) {
        f.resaved = records::undoResave(f.bytes);
        f.parsed = records::parseRecordFile(f.bytes);
    }
}

// Emptied for the next file; a large file's buffer is not kept.
void clear(Fetched& f)
{
    f.parsed = {};
    if (f.bytes.capacity() > (std::size_t{1} << 20))
        std::string().swap(f.bytes);
    f.reason.clear();
    f.info = {};
    f.resaved = {};
    f.read = f.archive = false;
}

} // namespace

unsigned threadsFor(unsigned asked)
{
    return asked != 0 ? asked : std::max(1u, std::thread::hardware_concurrency());
}

Prefetch::Prefetch(FileOps& ops, const std::vector<std::string>& hosts, unsigned threads)
    : ops_(ops), hosts_(hosts), ready_(kAhead, 0)
{
    for (std::size_t k = 0; k < kAhead; ++k)
        slots_.push_back(std::make_unique<Fetched>());
    // The caller's thread assembles; one more reads where there are two cores.
    const std::size_t helpers = std::min<std::size_t>(threads > 1 ? threads - 1 : 0, hosts.size() / 16);
    for (std::size_t k = 0; k < helpers; ++k)
        threads_.emplace_back([this] { work(); });
}

Prefetch::~Prefetch()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    roomMade_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void Prefetch::work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        while (!stopping_ && !(next_ < hosts_.size() && next_ < free_ + kAhead)) {
            ++readersWaiting_;
            roomMade_.wait(lock);
            --readersWaiting_;
        }
        if (stopping_)
            return;
        const std::size_t i = next_++;
        lock.unlock();
        fetch(ops_, hosts_[i], *slots_[i % kAhead]);
        lock.lock();
        ready_[i % kAhead] = 1;
        if (assemblerWaiting_)
            fileReady_.notify_one();
    }
}

Fetched& Prefetch::get(std::size_t i)
{
    Fetched& slot = *slots_[i % kAhead];
    if (threads_.empty()) {
        fetch(ops_, hosts_[i], slot);
        return slot;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (next_ == i) {
        // The readers are behind: this thread reads the file rather than wait.
        ++next_;
        lock.unlock();
        fetch(ops_, hosts_[i], slot);
        return slot;
    }
    // While a reader is on the file, this thread reads one further ahead
    // rather than wait for it.
    while (ready_[i % kAhead] == 0 && next_ < hosts_.size() && next_ < free_ + kAhead) {
        const std::size_t j = next_++;
        lock.unlock();
        fetch(ops_, hosts_[j], *slots_[j % kAhead]);
        lock.lock();
        ready_[j % kAhead] = 1;
    }
    while (ready_[i % kAhead] == 0) {
        assemblerWaiting_ = true;
        fileReady_.wait(lock);
        assemblerWaiting_ = false;
    }
    return slot;
}

void Prefetch::done(std::size_t i)
{
    clear(*slots_[i % kAhead]);
    if (threads_.empty())
        return;
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ready_[i % kAhead] = 0;
        free_ = i + 1;
        wake = readersWaiting_ > 0 && free_ + kAhead / 2 >= next_;
    }
    if (wake)
        roomMade_.notify_all();
}

} // namespace qa::review
