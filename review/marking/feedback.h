#pragma once
// Feedback to each student: one self-contained web page per student and
// assignment (each question, the answer, the mark and the comment, and the
// total; that student's work only), and a ZIP that the platform takes for its
// bulk upload of feedback files, one folder per student named as the
// platform's download named it.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "review/marking/marking.h"
#include "review/model/result.h"

namespace qa::review {

// Whether the student has a mark or a comment in the sheet: only those get a
// page, a place in the ZIP and a row filled in the worksheet.
bool hasFeedback(const Marking& marking, std::size_t sheet, std::size_t student);

// feedback-<assignment>-<Student_Name>.html: blanks as "_", and characters
// that a file name cannot hold as "_".
std::string feedbackFileName(const std::string& assignment, const std::string& student);

// The page's file name for one student of the sheet: with the submitter id
// after the name when two students of the sheet have one name.
std::string pageFileName(const Sheet& sheet, std::size_t student);

// The page: UTF-8 HTML with no script and nothing from outside, every text
// escaped, printable on A4 and Letter.
std::string feedbackPage(const Marking& marking, std::size_t sheet, std::size_t student);

struct FeedbackZip {
    std::string bytes;
    std::vector<std::string> members;   // in the order written
    std::vector<std::string> withoutId; // students with feedback but no submitter id, not in the ZIP
};
// <Full name>_<id>_assignfeedback_file/<page> for each student with feedback
// whose submitter is known. A Problem where the build has no libarchive or
// the archive cannot be made.
Result<FeedbackZip> feedbackZip(const Marking& marking, std::size_t sheet);

// Whether this build writes ZIP archives (it has libarchive).
bool zipAvailable();

struct FeedbackWritten {
    std::vector<std::filesystem::path> files; // pages and ZIPs
    std::vector<std::string> withoutId;       // "Ann Lee (assignment 1)"
    bool zips = true;                         // false where this build writes no ZIP
};
// The page of every student with feedback, and per assignment
// feedback-<assignment>.zip where the build can, in `folder`
// (made when missing). A Problem (writing) naming the first file that cannot
// be written and why; what was written before it stays.
Result<FeedbackWritten> writeFeedback(const Marking& marking, const std::filesystem::path& folder);

} // namespace qa::review
