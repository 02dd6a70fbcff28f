#include "platform/replace_file.h"

#include <atomic>
#include <cerrno>
#include <ostream>
#include <streambuf>
#include <vector>

#include "platform/descriptors.h"
#include "platform/paths.h"

namespace qa {
namespace {

// The temporary's name: the target's, hidden, with this machine, process and
// a count, so that two programs (or two writes of one) never meet.
std::string temporaryName(FileOps& ops, const std::string& target, int attempt)
{
    static std::atomic<unsigned> count{0};
    const std::string dir = parentOf(target);
    std::string base = target.substr(target.find_last_of("/\\") + 1).substr(0, 100);
    std::string tag = ops.hostName() + "-" + std::to_string(ops.processId()) + "-" + std::to_string(++count) +
                      "-" + std::to_string(attempt);
    for (char& c : tag)
        if (c == '/' || c == '\\' || c == ':')
            c = '_';
    return joinPath(dir, "." + base + "." + tag + ".tmp");
}

// A new temporary beside the target, made exclusively; -1 with `err` set when
// none can be made.
int createTemporary(Descriptors& fds, const std::string& target, unsigned flags, std::string& temporary, int& err)
{
    err = EEXIST;
    for (int attempt = 0; attempt < 16 && err == EEXIST; ++attempt) {
        temporary = temporaryName(fds.ops(), target, attempt);
        const int fd = fds.open(temporary, kOpenWrite | kOpenCreate | kOpenExclusive | flags, err);
        if (fd >= 0)
            return fd;
    }
    return -1;
}

// Bytes to a descriptor in large writes; the first failure is kept and
// everything after it dropped.
class DescriptorBuffer : public std::streambuf {
public:
    DescriptorBuffer(FileOps& ops, int fd, const ReplaceOptions& options)
        : ops_(ops), fd_(fd), options_(options), buffer_(1 << 16)
    {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }
    int error() const { return err_; }

protected:
    int_type overflow(int_type c) override
    {
        if (!drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            sputc(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain()
    {
        const char* p = pbase();
        std::size_t n = static_cast<std::size_t>(pptr() - pbase());
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        if (err_ == 0 && n > 0 && options_.stop && options_.stop())
            err_ = ECANCELED;
        while (err_ == 0 && n > 0) {
            const std::int64_t w = ops_.write(fd_, p, n);
            if (w <= 0) {
                err_ = w < 0 ? errno : ENOSPC; // nothing written: the disk is full
                break;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
            written_ += static_cast<std::uint64_t>(w);
        }
        if (err_ == 0 && options_.progress)
            options_.progress(written_);
        return err_ == 0;
    }

    FileOps& ops_;
    int fd_;
    const ReplaceOptions& options_;
    std::vector<char> buffer_;
    int err_ = 0;
    std::uint64_t written_ = 0;
};

// The temporary, written and closed (and synced unless `sync`), is put in the
// target's place; on any failure it goes.
Replaced settle(Descriptors& fds, const std::string& temporary, const std::string& target, Replaced result,
                bool sync, const ReplaceOptions& options)
{
    FileOps& ops = fds.ops();
    if (result.ok() && options.stop && options.stop())
        result = {ECANCELED, "write"};
    if (result.ok() && sync) {
        int err = 0;
        const int fd = fds.open(temporary, kOpenWrite | (options.flags & kOpenNoFollow), err);
        if (fd >= 0) {
            err = errnoOf(ops.fsync(fd));
            fds.close(fd);
        }
        if (err != 0)
            result = {err, "sync"};
    }
    if (result.ok() && ops.rename(temporary, target) != 0) {
        int err = errno;
        if (err == EACCES && options.releaseTarget) {
            options.releaseTarget();
            err = errnoOf(ops.rename(temporary, target));
        }
        if (err != 0)
            result = {err, "rename"};
    }
    if (!result.ok()) {
        ops.unlink(temporary);
        return result;
    }
    if (const int err = syncDirectory(fds, parentOf(target)); err != 0)
        return {err, "sync"}; // in place, but not known to last
    return {};
}

} // namespace

Replaced replaceFile(FileOps& ops, const std::string& target, const std::function<void(std::ostream&)>& write,
                     const ReplaceOptions& options)
{
    Descriptors fds(ops);
    std::string temporary;
    int err = 0;
    const int fd = createTemporary(fds, target, options.flags, temporary, err);
    if (fd < 0)
        return {err, "create"};
    Replaced result;
    try {
        DescriptorBuffer buffer(ops, fd, options);
        std::ostream out(&buffer);
        write(out);
        out.flush();
        if (buffer.error() != 0)
            result = {buffer.error(), "write"};
    } catch (...) {
        ops.close(fd);
        ops.unlink(temporary);
        throw;
    }
    if (result.ok() && ops.fsync(fd) != 0)
        result = {errno, "sync"};
    // A file system may report a failed write only at the close.
    if (ops.close(fd) != 0 && result.ok())
        result = {errno, "write"};
    return settle(fds, temporary, target, result, false, options);
}

Replaced replaceFileByName(FileOps& ops, const std::string& target,
                           const std::function<int(const std::string& temporary)>& write,
                           const ReplaceOptions& options)
{
    Descriptors fds(ops);
    std::string temporary;
    int err = 0;
    const int fd = createTemporary(fds, target, options.flags, temporary, err);
    if (fd < 0)
        return {err, "create"};
    fds.close(fd);
    Replaced result;
    try {
        if (const int e = write(temporary); e != 0)
            result = {e, "write"};
    } catch (...) {
        ops.unlink(temporary);
        throw;
    }
    return settle(fds, temporary, target, result, true, options);
}

} // namespace qa
