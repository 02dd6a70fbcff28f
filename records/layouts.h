#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "store/files.h"

// The three blocks the record files receive, composed byte for byte. Each
// function returns every file's whole share of the block, ready for one
// all-or-nothing append; nothing here touches a file.
namespace qa::records {

inline constexpr const char* kOpeningRule = "......!!!!!!!!...................................";
inline constexpr const char* kClosingRule = ".................................................";
inline constexpr const char* kResponseLabel = "RESPONSE -->  ";
inline constexpr const char* kNotesPrefix = "NOTES -------> ";
inline constexpr const char* kNameLabel = "Student Name:  ";
inline constexpr const char* kAssignmentLabel = "assignment #";
inline constexpr const char* kInitialsLabel = "Initials:  ";
inline constexpr const char* kDateLabel = "Date and Time ";
inline constexpr const char* kQuestionTag = "`questionNumber";
// The blanks before a block's time line, and those after a closing rule that
// ends at the next print zone (the rule fills columns 1 to 49; the zone
// starts at 57).
inline const std::string kIndent(36, ' ');
inline const std::string kToNextZone(7, ' ');
// Between the date and the time of a send file's opening header (the master
// file has nothing there).
inline constexpr char kSendDateTimeSeparator = ' ';

struct RecordPaths {
    std::string master;
    std::string send;
    std::string notes;
};

struct OpeningHeader {
    std::string codeLine;
    std::string studentName;
    std::string assignmentNumber;
    std::string headerLine; // the bank line the assignment opening stopped on
    std::string initials;
};

struct ResponseBlock {
    std::string answer;
    std::string currentLine;
    std::string assignmentNumber;
    std::string questionNumber;
};

struct NotesBlock {
    std::string noteLine; // the notes prefix followed by the note
    std::string currentLine;
};

// Master and send files. The clock is read afresh for every date and time.
std::vector<AppendPart> openingHeader(const OpeningHeader& in, const RecordPaths& paths, double codeNbr,
                                      Clock& clock);
// Master and send files; the question tag line goes to the master file only.
std::vector<AppendPart> responseBlock(const ResponseBlock& in, const RecordPaths& paths, double codeNbr,
                                      Clock& clock);
// Master, send and notes files; the send and notes copies end at the next
// print zone instead of a line break.
std::vector<AppendPart> notesBlock(const NotesBlock& in, const RecordPaths& paths, double codeNbr, Clock& clock);

// What a response or notes block, as composed for the master file, carries:
// the question line it stands under, whether it is a note, and the text as
// typed. Nothing for an opening header or other bytes.
struct RecordedText {
    std::string line;
    bool note = false;
    std::string text;
};
std::optional<RecordedText> recordedTextOf(std::string_view masterBlock);
// Whether two master file blocks record the same text under the same question
// line, both as responses or both as notes (whenever each was made).
bool sameRecordedText(const std::string& earlier, const std::string& now);
// The last response or note recorded under this question line in the whole
// master file; nothing when there is none, or its block is cut short.
std::optional<RecordedText> lastRecordingFor(std::string_view master, std::string_view line);

} // namespace qa::records
