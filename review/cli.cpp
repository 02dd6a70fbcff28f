// The command line: qa-review [--html FILE] [--csv FILE] [--assignment N] PATH...
#include <cerrno>
#include <chrono>
#include <fstream>
#include <ostream>
#include <system_error>

#include "review/review.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

constexpr int kRead = 0, kNothingRead = 1, kUsage = 2, kCannotWrite = 3;

fs::path absoluteOf(const fs::path& p)
{
    std::error_code ec;
    fs::path a = fs::weakly_canonical(fs::absolute(p, ec), ec);
    return ec ? fs::absolute(p, ec).lexically_normal() : a;
}

// True when `p` is `input` or lies inside it.
bool among(const fs::path& p, const fs::path& input)
{
    const fs::path rel = p.lexically_relative(input);
    return !rel.empty() && (rel == "." || *rel.begin() != "..");
}

int usage(std::ostream& err, const std::string& why)
{
    err << "qa-review: " << why << "\n" << usageText();
    return kUsage;
}

// Writes one output; false (with the reason on `err`) when it cannot.
template <class Write> bool writeFile(const std::string& name, std::ostream& err, Write&& write)
{
    std::ofstream f(pathFromUtf8(name), std::ios::binary | std::ios::trunc);
    if (!f) {
        err << "qa-review: cannot write " << name << ": " << std::generic_category().message(errno) << "\n";
        return false;
    }
    write(f);
    f.close();
    if (!f) {
        err << "qa-review: cannot write " << name << ": " << std::generic_category().message(errno ? errno : EIO)
            << "\n";
        return false;
    }
    return true;
}

} // namespace

std::string usageText()
{
    return "usage: qa-review [--html FILE] [--csv FILE] [--assignment N] PATH...\n"
           "Reads the tutor's record files (send, master and notes files) under each PATH, a file or a\n"
           "folder with its subfolders, and writes one report of them.\n"
           "  --html FILE      the report, one HTML page\n"
           "  --csv FILE       one row per student, assignment and question\n"
           "  --assignment N   only assignment N\n"
           "With neither --html nor --csv, the report goes to review.html in the current folder.\n"
           "Nothing is written among the inputs.\n"
           "Exit status: 0 read, 1 no record file read, 2 usage error, 3 an output cannot be written.\n";
}

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    std::string html, csv;
    Options options;
    std::vector<std::string> names;
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnd && (a == "--help" || a == "-h")) {
            out << usageText();
            return kRead;
        }
        if (!optionsEnd && (a == "--html" || a == "--csv" || a == "--assignment")) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage(err, a + " needs a value");
            const std::string& v = args[++i];
            if (a == "--assignment") {
                if (options.assignment || v.size() > 9 || v.find_first_not_of("0123456789") != std::string::npos)
                    return usage(err, "--assignment takes one number, like 1 or 001");
                options.assignment = std::stol(v);
            } else {
                std::string& target = a == "--html" ? html : csv;
                if (!target.empty())
                    return usage(err, a + " is given twice");
                target = v;
            }
        } else if (!optionsEnd && a == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && a.size() > 1 && a[0] == '-') {
            return usage(err, "unknown option " + a);
        } else {
            names.push_back(a);
        }
    }
    if (names.empty())
        return usage(err, "no PATH given");
    if (!html.empty() && html == csv)
        return usage(err, "--html and --csv name the same file");

    std::vector<fs::path> inputs;
    for (const std::string& n : names) {
        options.inputs.push_back(pathFromUtf8(n));
        inputs.push_back(absoluteOf(options.inputs.back()));
    }
    // Nothing is ever written among the inputs.
    std::error_code ec;
    if (html.empty() && csv.empty()) {
        const fs::path here = absoluteOf(fs::current_path(ec));
        for (std::size_t k = 0; k < inputs.size(); ++k)
            if (among(here, inputs[k])) {
                err << "qa-review: the current folder is among the inputs (" << names[k]
                    << "), and nothing is written there; give --html FILE outside it\n";
                return kUsage;
            }
        html = "review.html";
    }
    for (const std::string* o : {&html, &csv}) {
        if (o->empty())
            continue;
        const fs::path target = absoluteOf(pathFromUtf8(*o));
        for (std::size_t k = 0; k < inputs.size(); ++k)
            if (among(target, inputs[k]))
                return usage(err, *o + " is among the inputs (" + names[k] + "); nothing is written there");
    }

    const auto started = std::chrono::steady_clock::now();
    bool shown = false;
    if (errIsTerminal)
        options.progress = [&](std::size_t done, std::size_t total) {
            if (!shown && std::chrono::steady_clock::now() - started < std::chrono::milliseconds(700))
                return;
            shown = true;
            err << "\rqa-review: reading " << done << " of " << total << " files" << std::flush;
        };
    const Review review = Review::load(options);
    if (shown)
        err << "\r\033[K" << std::flush;

    for (const Problem& p : review.problems()) {
        err << "qa-review: " << p.file;
        if (p.line)
            err << ":" << p.line;
        if (p.lastLine > p.line)
            err << "-" << p.lastLine;
        err << ": " << p.what << "\n";
    }
    const Summary s = review.summary();
    if (s.recordFilesRead == 0) {
        err << "qa-review: no record file was read (" << s.filesFound << (s.filesFound == 1 ? " file" : " files")
            << " found)\n";
        return kNothingRead;
    }
    if (!html.empty() && !writeFile(html, err, [&](std::ostream& f) { review.writeHtml(f, madeOnNow()); }))
        return kCannotWrite;
    if (!csv.empty() && !writeFile(csv, err, [&](std::ostream& f) { review.writeCsv(f); }))
        return kCannotWrite;

    out << "Read " << s.recordFilesRead << " record files of " << s.filesFound << " found: " << s.students
        << " students, " << s.assignments << " assignments, " << s.responses << " responses, " << s.notes
        << " notes; " << s.findings << " check findings, " << s.problems << " unreadable parts.\n";
    for (const std::string* o : {&html, &csv})
        if (!o->empty())
            out << (o == &html ? "Report: " : "CSV: ") << pathToUtf8(absoluteOf(pathFromUtf8(*o))) << "\n";
    return kRead;
}

} // namespace qa::review
