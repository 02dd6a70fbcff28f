// The CSV cell: RFC 4180 quoting, and no cell that a spreadsheet would run as
// a formula.
#include "review/write/csv.h"

#include "review/write/output.h"

namespace qa::review {

bool formulaStart(char c)
{
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

bool csvGuarded(std::string_view s)
{
    return !s.empty() && formulaStart(s[0]);
}

bool csvQuoted(std::string_view s, char separator)
{
    return csvGuarded(s) || s.find_first_of("\"\r\n") != std::string_view::npos ||
           s.find(separator) != std::string_view::npos;
}

std::string csvCell(std::string_view text, char separator, bool guard)
{
    const bool formula = guard && csvGuarded(text);
    if (!formula && text.find_first_of("\"\r\n") == std::string_view::npos &&
        text.find(separator) == std::string_view::npos)
        return std::string(text);
    std::string out = formula ? "\"'" : "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

// One cell, then a comma or the row's CR LF. `cp1252`: the text is the
// record files' and is written as UTF-8; otherwise it is UTF-8 already.
// Quoted when it holds a comma, a quote or a line break; a leading apostrophe
// keeps a spreadsheet from reading it as a formula.
void writeCsvCell(Out& o, std::string_view s, bool cp1252, bool last)
{
    if (csvQuoted(s)) {
        o << (csvGuarded(s) ? std::string_view("\"'") : std::string_view("\""));
        if (cp1252)
            o.utf8From1252(s, true);
        else
            for (char c : s)
                o << (c == '"' ? std::string_view("\"\"") : std::string_view(&c, 1));
        o << '"';
    } else if (cp1252) {
        o.utf8From1252(s);
    } else {
        o << s;
    }
    o << (last ? std::string_view("\r\n") : std::string_view(","));
}

void writeCsvCell(std::ostream& out, std::string_view utf8, bool last)
{
    Out o(out);
    writeCsvCell(o, utf8, false, last);
}

} // namespace qa::review
