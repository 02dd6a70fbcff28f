#pragma once
// The names that learning platforms and downloads give handed-in files:
//   Moodle  "<Full name>_<id>_assignsubmission_file_<original>" in one folder,
//           or "<Full name>_<id>_assignsubmission_file[_]/<original path>";
//   Canvas  "<name>[_LATE]_<user id>_<attachment id>_<original>", the name in
//           lower case letters and digits;
//   copies  " (1)", "(1)" or "-1" before ".txt", as browsers and mail
//           programs add them.
// Names are bytes as the system gives them; only ASCII bytes are looked at.
#include <string>
#include <string_view>

namespace qa::review {

struct NameParts {
    std::string original;      // the file name the tutor gave it
    std::string submitterName; // as the platform wrote it; empty when none
    std::string submitterId;
    const char* platform = nullptr; // "Moodle", "Canvas" or none
};

// `path`: the file's path under its input, "/" between folders.
NameParts recogniseName(std::string_view path);

// The name without a download's or mail program's copy mark.
std::string withoutCopyMark(std::string_view name);

} // namespace qa::review
