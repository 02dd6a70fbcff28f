#pragma once
// Helpers shared by the reliability tests and the recorder driver: a strict
// reader of master and send files, a directory-tree snapshot, and running a
// piece of a test in a child process.
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "records/layouts.h"

namespace qa::reliability {

// One file split at CR LF. `tail` holds what follows the last CR LF (empty for
// a file that ends with a line break).
struct Lines {
    std::vector<std::string> lines;
    std::string tail;
};

inline Lines splitCrLf(const std::string& bytes)
{
    Lines out;
    std::size_t start = 0;
    while (true) {
        std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos)
            break;
        out.lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    out.tail = bytes.substr(start);
    return out;
}

// What a master or send file holds when every unit in it is whole: opening
// headers, response blocks and notes blocks, nothing else. `error` names the
// first line that does not fit; a torn or interleaved block always leaves one.
struct RecordFile {
    struct Header {
        std::string studentName;
        std::size_t blocksBefore = 0; // response blocks standing before this header
    };
    std::vector<Header> headers;
    std::vector<std::string> answers;   // in file order; a note with its notes prefix
    std::vector<std::string> questions; // the question line of each answer
    std::string error;
    // With `resync`: for each stretch that is no whole unit, how many headers
    // stood before it (so 3 means: at the tail of the third header's run).
    std::vector<std::size_t> tornAfterHeader;
};

namespace detail {

inline bool startsWith(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

// Reads the unit starting at line i into `out` and moves i past it; returns
// why it is not a whole unit, or an empty text.
// A notes block, from the opening rule at line i. In the send file it ends
// at the next print zone: what follows its closing rule on that line is the
// next unit, which is left in l[i] for the next call.
inline std::string parseNote(std::vector<std::string>& l, std::size_t& i, bool master, RecordFile& out)
{
    using namespace qa::records;
    auto at = [](std::size_t k, const std::string& why) { return "line " + std::to_string(k + 1) + ": " + why; };
    const std::string zone = std::string(kClosingRule) + kToNextZone;
    if (i + 7 > l.size())
        return at(i, "notes block cut short");
    if (!startsWith(l[i + 1], kIndent) || l[i + 1].size() != 44)
        return at(i + 1, "time line expected");
    if (l[i + 4] != kOpeningRule)
        return at(i + 4, "rule after the question expected");
    std::size_t k = i + 5;
    if (!startsWith(l[k], kNotesPrefix))
        return at(k, "notes prefix expected");
    std::string note = l[k];
    for (++k; k < l.size() && l[k] != kClosingRule && !startsWith(l[k], zone); ++k) {
        if (l[k] == kOpeningRule || startsWith(l[k], kNameLabel))
            return at(k, "closing rule expected");
        note += "\r\n" + l[k];
    }
    if (k == l.size() || (master ? l[k] != kClosingRule : !startsWith(l[k], zone)))
        return at(k - 1, "closing rule expected");
    out.answers.push_back(note);
    out.questions.push_back(l[i + 3]);
    if (l[k].size() > zone.size()) {
        l[k] = l[k].substr(zone.size());
        i = k;
    } else {
        i = k + 1;
    }
    return {};
}

inline std::string parseUnit(std::vector<std::string>& l, std::size_t& i, bool master, RecordFile& out)
{
    using namespace qa::records;
    auto at = [](std::size_t k, const std::string& why) { return "line " + std::to_string(k + 1) + ": " + why; };
    if (l[i] == kOpeningRule && i + 2 < l.size() && l[i + 2].size() == 54 && startsWith(l[i + 2], kIndent))
        return parseNote(l, i, master, out);
    if (l[i] == kOpeningRule) {
        const std::size_t n = master ? 10 : 7;
        if (i + n > l.size())
            return at(i, "response block cut short");
        std::size_t k = i + 1;
        if (!startsWith(l[k], std::string(36, ' ')) || l[k].size() != 44)
            return at(k, "time line expected");
        ++k;
        if (master) {
            if (!l[k].empty() || !l[k + 1].empty() || !startsWith(l[k + 2], kQuestionTag))
                return at(k, "blank lines and question tag expected");
            k += 3;
        }
        const std::string question = l[k++]; // any text
        if (l[k] != kOpeningRule)
            return at(k, "rule after the question expected");
        if (l[k + 1] != kResponseLabel)
            return at(k + 1, "response label expected");
        // The answer runs to the closing rule; a line that starts another
        // unit inside it means this block was cut off.
        std::string answer = l[k + 2];
        for (k += 3; k < l.size() && l[k] != kClosingRule; ++k) {
            if (l[k] == kOpeningRule || startsWith(l[k], kNameLabel))
                return at(k, "closing rule expected");
            answer += "\r\n" + l[k];
        }
        if (k == l.size())
            return at(k - 1, "closing rule expected");
        out.answers.push_back(answer);
        out.questions.push_back(question);
        i = k + 1;
        return {};
    }
    if (i + 1 < l.size() && startsWith(l[i + 1], kNameLabel)) {
        if (i + 6 > l.size())
            return at(i, "opening header cut short");
        if (!startsWith(l[i + 2], kAssignmentLabel) || !startsWith(l[i + 4], kInitialsLabel) ||
            !startsWith(l[i + 5], kDateLabel))
            return at(i, "opening header lines out of place");
        out.headers.push_back({l[i + 1].substr(std::string(kNameLabel).size()), out.answers.size()});
        i += 6;
        return {};
    }
    return at(i, "stray line \"" + l[i].substr(0, 60) + "\"");
}

} // namespace detail

// Without `resync` reading stops at the first line that is not part of a
// whole unit. With it, such a stretch is noted and reading goes on at the
// next opening header: a process killed inside its write leaves a torn tail,
// and the next process starts with a header.
inline RecordFile parseRecordFile(const std::string& bytes, bool master, bool resync = false)
{
    RecordFile out;
    Lines file = splitCrLf(bytes);
    auto& l = file.lines;
    // The send file's last notes block ends at the next print zone, not a
    // line break.
    if (!master && file.tail == std::string(records::kClosingRule) + records::kToNextZone) {
        l.push_back(file.tail);
        file.tail.clear();
    }
    std::size_t i = 0;
    while (i < l.size()) {
        std::string why = detail::parseUnit(l, i, master, out);
        if (why.empty())
            continue;
        if (out.error.empty())
            out.error = why;
        if (!resync)
            return out;
        out.tornAfterHeader.push_back(out.headers.size());
        std::size_t j = i + 1;
        while (j < l.size() && !(j + 1 < l.size() && detail::startsWith(l[j + 1], qa::records::kNameLabel)))
            ++j;
        i = j;
    }
    if (!file.tail.empty()) {
        if (out.error.empty())
            out.error = "unterminated last line \"" + file.tail.substr(0, 60) + "\"";
        if (resync && (out.tornAfterHeader.empty() || out.tornAfterHeader.back() != out.headers.size()))
            out.tornAfterHeader.push_back(out.headers.size());
    }
    return out;
}

// A host path of the file layer (UTF-8) as a path of the C++ library, which
// on Windows would read a plain string in the ANSI code page.
inline std::filesystem::path fromUtf8(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The whole file, read in one go (empty when it cannot be read).
inline std::string readFile(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::string out;
    if (ec)
        return out;
    out.resize(size);
    std::ifstream in(path, std::ios::binary);
    in.read(out.data(), static_cast<std::streamsize>(size));
    out.resize(static_cast<std::size_t>(in.gcount()));
    return out;
}

// Every path under `dir` (relative, directories marked with a trailing "/").
inline std::set<std::string> snapshotTree(const std::filesystem::path& dir)
{
    std::set<std::string> out;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        // The record files' journals live beside them, so they never name a
        // directory that the files do not; they are left out.
        if (it->path().filename().string().rfind(".qa-tutor-", 0) == 0 && it->is_regular_file())
            continue;
        const auto relative = std::filesystem::relative(it->path(), dir).generic_u8string();
        std::string rel(relative.begin(), relative.end());
        if (it->is_directory() && !it->is_symlink())
            rel += '/';
        out.insert(rel);
    }
    return out;
}

#ifndef _WIN32
// Runs `body` in a forked child and returns what it returned, or a text
// starting with "child failed" when it died or could not be started. The
// child never returns into the test framework.
inline std::string runInChild(const std::function<std::string()>& body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "child failed: no pipe";
    pid_t pid = fork();
    if (pid < 0)
        return "child failed: no fork";
    if (pid == 0) {
        close(fds[0]);
        std::string result;
        try {
            result = body();
        } catch (const std::exception& e) {
            result = std::string("child failed: exception ") + e.what();
        }
        std::size_t done = 0;
        while (done < result.size()) {
            ssize_t n = write(fds[1], result.data() + done, result.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string result;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        result.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed: status " + std::to_string(status) + " after \"" + result + "\"";
    return result;
}
#endif

} // namespace qa::reliability
