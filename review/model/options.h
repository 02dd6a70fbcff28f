#pragma once
// What the review is asked to read and what it could not: the options of a
// run, the limits on archives, and the problems and skipped files it reports.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qa {
class FileOps;
}

namespace qa::review {

// A place that did not read as record blocks, a file that could not be read,
// or an output that could not be written: the file as the report or the
// message shows it (empty when the text names it), the lines (0 for the
// whole file) and what is wrong. All texts are UTF-8.
struct Problem {
    std::string file;
    std::uint32_t line = 0;
    std::uint32_t lastLine = 0; // the last line of the part; = line for one line
    std::string what;
    bool writing = false; // an output that could not be written, not an input that could not be read
};

// A file that is not a record file (no part of it reads as a record block),
// or an archive's member left unread: too large, too deep, or past what one
// run reads out of archives.
struct Skipped {
    std::string file; // as the report shows it
    std::string why;
    bool unread = false;
};

// How far archives are read. A record file is plain text a student typed:
// a term's master file is well under a megabyte, so a member of more than
// `recordFile` bytes is not one, and is skipped unread once its header or its
// first bytes show its size. An archive inside one (a ZIP per student) may
// hold more, up to `archive`. All archives of one run expand to at most
// `budget` bytes, and an archive is read at most `depth` deep (one inside
// the download, none inside that).
struct ArchiveLimits {
    std::uint64_t recordFile = std::uint64_t{8} << 20;
    std::uint64_t archive = std::uint64_t{256} << 20;
    std::uint64_t budget = std::uint64_t{256} << 20;
    int depth = 2;
};

struct Options {
    // Record files or folders (read with their subfolders).
    std::vector<std::filesystem::path> inputs;
    // Only this assignment (compared by number: 1, 01 and 001 are the same).
    std::optional<long> assignment;
    // Called now and then while the files are read: files done, files found.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // Asked before each file is read: true stops the reading there, for a
    // Cancel button. What was read so far is then all the review holds.
    std::function<bool()> stop;
    // The file calls the inputs are listed and read with; the system's when
    // none is given.
    FileOps* fileOps = nullptr;
    ArchiveLimits archiveLimits{};
    // Students of a blind download under the names in their headers rather
    // than as "Participant <id>".
    bool showNames = false;
    // Threads to read the files and write the report with; 0: one per core.
    // What is read and written is the same whatever the number.
    unsigned threads = 0;
};

} // namespace qa::review
