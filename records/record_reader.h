#pragma once
// One record file's bytes read back into the blocks the tutor wrote: opening
// headers, response blocks and notes blocks, with the lines where they stand.
// The fixed texts are the writer's own (layouts.h): one library knows the
// layout both ways.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qa::records {

// A calendar moment as written in the files: seconds since 01-01-1970 00:00:00
// on the written calendar (no time zone, no daylight-saving shift).
using Moment = std::int64_t;
inline constexpr Moment kSecondsPerDay = 86400;

// Days since 01-01-1970 of a civil date, and back.
std::int64_t daysFromCivil(int year, int month, int day);
void civilFromDays(std::int64_t days, int& year, int& month, int& day);
// "YYYY-MM-DD HH:MM:SS".
std::string formatMoment(Moment m);

// The texts below are views into the bytes that were read.
struct ParsedHeader {
    std::uint32_t line = 0; // of the code line, 1-based
    std::string_view codeLine, name, assignment, headerLine, initials;
    Moment start = 0;
    bool master = false; // date and time not separated, as in the master file
};

struct ParsedBlock {
    bool note = false;
    bool tagged = false;    // carries the master file's question tag line
    std::uint32_t line = 0; // of its opening rule
    int header = -1;        // the opening header it follows in the file; -1 before any
    Moment when = 0;        // date from the header (or the note's own), rolled over midnight
    std::string_view currentLine;
    std::string_view text; // the answer, or the note without its prefix; CR LF inside
};

struct ParsedProblem {
    std::uint32_t line = 0;
    std::uint32_t lastLine = 0;
    std::string what;
};

struct ParsedFile {
    std::vector<ParsedHeader> headers;
    std::vector<ParsedBlock> blocks;
    std::vector<ParsedProblem> problems;
};

// What a text editor changed when it saved a record file again. The tutor
// writes Windows-1252 with CR LF and nothing else.
struct Resaved {
    bool utf8 = false;       // a byte-order mark, or bytes above 127 that all form UTF-8
    bool lineBreaks = false; // line breaks without their CR
};
// Turns a re-saved file's UTF-8 back into Windows-1252 in place (characters
// it cannot hold are left out); says what was changed. Line breaks are read
// as they are.
Resaved undoResave(std::string& bytes);

// Reads `bytes` as a record file. Never throws on what the bytes hold: parts
// that do not read as blocks become problems and reading goes on after them.
ParsedFile parseRecordFile(std::string_view bytes);

} // namespace qa::records
