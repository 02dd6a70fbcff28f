#pragma once
// Output made piece by piece and handed to the stream in large writes, so a
// report goes to its file as it is made.
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace qa::review {

class Out {
public:
    explicit Out(std::ostream& os) : os_(os) { buf_.reserve(kFlushAt + 4096); }
    Out(const Out&) = delete;
    Out& operator=(const Out&) = delete;
    ~Out() { flush(); }

    Out& operator<<(std::string_view s)
    {
        buf_.append(s);
        if (buf_.size() >= kFlushAt)
            flush();
        return *this;
    }
    Out& operator<<(char c)
    {
        buf_ += c;
        return *this;
    }
    Out& operator<<(std::uint64_t n) { return *this << std::string_view(std::to_string(n)); }
    Out& operator<<(std::uint32_t n) { return *this << std::uint64_t{n}; }
    // Text from the record files as UTF-8, with each '"' doubled when asked
    // (inside a quoted CSV cell).
    Out& utf8From1252(std::string_view cp1252, bool doubleQuotes = false);
    std::string& buffer() { return buf_; }
    void flush()
    {
        os_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
        buf_.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    std::ostream& os_;
    std::string buf_;
};

} // namespace qa::review
