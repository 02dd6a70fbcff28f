#pragma once
// The names that learning platforms and downloads give handed-in files:
//   Moodle  "<Full name>_<id>_assignsubmission_file_<original>" in one folder,
//           or "<Full name>_<id>_assignsubmission_file[_]/<original path>";
//           under blind marking the full name is the platform's word for a
//           participant, in the language of whoever downloaded;
//   Canvas  "<sortable name>[_LATE]_<user id>_<attachment id>_<original>", the
//           sortable name ("Lee, Ann") in lower case with every character
//           that is not a letter or a digit removed ("leeann", accents kept),
//           or "anon_<id>[_LATE]_<attachment id>_<original>" under anonymous
//           grading;
//   copies  " (1)", "(1)" or "-1" before ".txt", as browsers and mail
//           programs add them.
// Names are UTF-8 (as archives and Windows give them; on Linux as the file
// system holds them); the platform's name is kept as it stands.
#include <string>
#include <string_view>

namespace qa::review {

struct NameParts {
    std::string original;      // the file name the tutor gave it
    std::string submitterName; // the person's name as the platform wrote it; empty when none
    std::string submitterId;   // the platform's id of the participant
    // Canvas's sortable name as its file names squeeze it ("leeann"): fit to
    // compare letters with, never to show as a name.
    std::string squeezedName;
    const char* platform = nullptr; // "Moodle", "Canvas" or none
    bool late = false;              // the platform marked it as handed in late
    bool blind = false;             // a participant word or "anon" instead of a name
};

// `path`: the file's path under its input, "/" between folders.
NameParts recogniseName(std::string_view path);

// The name without a download's or mail program's copy mark.
std::string withoutCopyMark(std::string_view name);

} // namespace qa::review
