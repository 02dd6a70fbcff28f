#pragma once
// The learning platform's own words in each language it is used in: the
// grading worksheet's column names, the word before a hidden participant's
// id, the decimal mark and the words for yes and no. Kept as data, taken from
// the platform's language packs; a string a pack lacks is the English one, as
// the platform itself falls back.
#include <span>
#include <string_view>
#include <vector>

namespace qa::review {

struct PlatformLanguage {
    std::string_view code;              // "en", "de", "zh_cn"
    std::string_view identifier;        // "Identifier": the worksheet's participant column
    std::string_view hiddenUser;        // "Participant ": the worksheet's Identifier less the id
    std::string_view participant;       // "Participant": a blind download's folder and file names
    std::string_view grade;             // "Grade"
    std::string_view lastModifiedGrade; // "Last modified (grade)"
    std::string_view maximumGrade;      // "Maximum grade"
    std::string_view gradeCanBeChanged; // "Grade can be changed"
    std::string_view feedbackComments;  // "Feedback comments": the comments plugin's column
    std::string_view decimalMark;       // "." or "," (one language's is not one byte)
    std::string_view yes, no;           // the values of "Grade can be changed"
};

// English first, then the others by code.
std::span<const PlatformLanguage> platformLanguages();

// Every language's word for a participant whose name is hidden ("Participant",
// "Teilnehmer/in", "参加者"), trailing spaces dropped, each once; the longest
// first, so that a word that begins another is tried after it.
const std::vector<std::string_view>& participantWords();

} // namespace qa::review
