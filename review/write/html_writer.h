#pragma once
// The report's writer. Markup can come only from the program's own source:
// a `Markup` is made at compile time from a string literal, so no text read
// at run time can become markup. Everything else goes in through the
// escaping wrappers (`Text`, `Text1252`, `Attr`, `Attr1252`) or as numbers and
// moments the writer formats itself. Written to the stream in pieces of
// 64 KiB as the page is made.
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string_view>

#include "records/record_reader.h"
#include "review/write/output.h"

namespace qa::review {

using records::formatMoment;
using records::Moment;

class Markup {
public:
    template <std::size_t N> consteval Markup(const char (&literal)[N]) : text_(literal, N - 1) {}
    constexpr std::string_view text() const { return text_; }

private:
    std::string_view text_;
};

// Text for an element's content, and for a quoted attribute's value: in
// UTF-8 (byte sequences that are not UTF-8 show as U+FFFD), or in
// Windows-1252 as the record files hold it. CR LF and a CR alone become LF.
struct Text {
    std::string_view utf8;
};
struct Text1252 {
    std::string_view bytes;
};
struct Attr {
    std::string_view utf8;
};
struct Attr1252 {
    std::string_view bytes;
};
// "YYYY-MM-DD HH:MM:SS", or a part of it (`from`, `length`).
struct When {
    Moment moment;
    std::size_t from = 0, length = 19;
};
// A number with so many decimals ("12.5" with one).
struct Fixed {
    double value;
    int decimals = 1;
};
// A whole number of at least `width` digits, zero-padded.
struct Padded {
    long long value;
    int width;
};

class HtmlWriter {
public:
    explicit HtmlWriter(std::ostream& os) : out_(os) {}

    HtmlWriter& operator<<(Markup m)
    {
        out_ << m.text();
        return *this;
    }
    HtmlWriter& operator<<(std::uint64_t n)
    {
        out_ << n;
        return *this;
    }
    HtmlWriter& operator<<(std::uint32_t n) { return *this << std::uint64_t{n}; }
    HtmlWriter& operator<<(int n);
    // Not as digits by mistake.
    HtmlWriter& operator<<(char) = delete;
    template <class T>
    requires std::same_as<T, bool> HtmlWriter& operator<<(T) = delete;
    HtmlWriter& operator<<(Text t) { return utf8(t.utf8, false); }
    HtmlWriter& operator<<(Attr t) { return utf8(t.utf8, true); }
    HtmlWriter& operator<<(Text1252 t) { return cp1252(t.bytes, false); }
    HtmlWriter& operator<<(Attr1252 t) { return cp1252(t.bytes, true); }
    HtmlWriter& operator<<(When w);
    HtmlWriter& operator<<(Fixed f);
    HtmlWriter& operator<<(Padded p);
    void flush() { out_.flush(); }

private:
    HtmlWriter& utf8(std::string_view s, bool attribute);
    HtmlWriter& cp1252(std::string_view s, bool attribute);
    template <class Special> void escaped(std::string_view s, const std::string* escapes, Special special);
    Out out_;
};

} // namespace qa::review
