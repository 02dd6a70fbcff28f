// Composes a small class of handed-in record files with the record layouts,
// byte for byte as the tutor writes them, each file written once:
//
//   qa_compose_class FOLDER
//
// Three students over two days of assignment 001: a name with accents
// (Windows-1252 in the files, UTF-8 or UTF-16 in the file names), an answer
// over several lines, one copied answer, a hostile answer, a note, and a
// session that runs past midnight. The same bytes on every system.
//
//   qa_compose_class --student FOLDER NAME INITIALS ANSWER...
//
// One student's session of assignment 001 instead, on 12 March 2026: NAME
// (UTF-8 here, Windows-1252 in the files) answers questions 1, 2, ... with
// the ANSWERs in turn, a minute apart.
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "bank/builtin_content.h"
#include "coding/code_scheme.h"
#include "platform/file_ops.h"
#include "platform/random.h"
#include "platform/text.h"
#include "records/layouts.h"
#include "records/session.h"
#include "review/cli/arguments.h"
#include "store/files.h"

namespace {

// The moment each block is written: set before it, read as often as it likes.
class SetClock final : public qa::Clock {
public:
    qa::LocalTime at;
    qa::LocalTime now() override { return at; }
};

struct Response {
    int hour, minute, second;
    int question; // 1-based, counting the assignment's questions
    const char* answer;
};

struct Day {
    const char* student;
    const char* initials;
    int month, day, hour, minute;
    std::vector<Response> responses;
    const char* note = nullptr;
};

// The assignment's n-th question line: every other line after the header.
const std::string& question(int n)
{
    return qa::bank::builtinContent().at(static_cast<std::size_t>(2 * n));
}

} // namespace

int main(int argc, char** argv)
{
    // UTF-8, on Windows from the wide command line.
    const std::vector<std::string> args = qa::review::utf8Arguments(argc, argv);
    const bool one = !args.empty() && args.front() == "--student";
    if (one ? args.size() < 5 : args.size() != 1) {
        std::fputs("usage: qa_compose_class FOLDER\n"
                   "       qa_compose_class --student FOLDER NAME INITIALS ANSWER...\n",
                   stderr);
        return 2;
    }
    const std::string folder = args[one ? 1 : 0];
    const std::string copied = "The first differences are 1.1, 0.8, 0.6 and 0.4 N, so the force grows "
                               "more slowly as the band gets longer.";
    std::vector<Day> days = {
        {"Ann Lee",
         "ALE",
         12,
         7,
         9,
         30,
         {{9, 41, 5, 1, copied.c_str()}, {9, 52, 40, 2, "Each slope is a difference."}}},
        {"Zo\xEB \xD1\xFA\xF1"
         "ez",
         "ZNU",
         12,
         7,
         23,
         50,
         {{23, 58, 1, 1, copied.c_str()}, {0, 3, 12, 2, "Past midnight: the areas add up to the forces."}},
         "NOTES -------> Ask about units."},
        {"Bo Chen",
         "BCH",
         12,
         8,
         14,
         0,
         {{14, 5, 0, 1, "First line of the answer.\r\nSecond line, \"quoted\".\r\n=HYPERLINK(\"x\")"},
          {14, 9, 30, 3, "<script>alert(1)</script> \"><img src=x onerror=alert(2)>"}}},
        {"Ann Lee", "ALE", 12, 8, 10, 15, {{10, 20, 0, 3, "The slopes are rates of change of depth."}}},
    };

    std::string name;
    std::vector<std::string> answers;
    if (one) {
        std::u32string unencodable;
        name = qa::text::toCp1252(args[2], &unencodable);
        if (!unencodable.empty()) {
            std::fprintf(stderr, "qa_compose_class: the tutor cannot write \"%s\"\n", args[2].c_str());
            return 2;
        }
        for (std::size_t k = 4; k < args.size(); ++k)
            answers.push_back(qa::text::toCp1252(args[k], &unencodable));
        if (!unencodable.empty()) {
            std::fputs("qa_compose_class: an answer the tutor cannot write\n", stderr);
            return 2;
        }
        Day day{name.c_str(), args[3].c_str(), 3, 12, 10, 0, {}};
        for (std::size_t k = 0; k < answers.size(); ++k)
            day.responses.push_back({10, static_cast<int>(k) + 1, 0, static_cast<int>(k) + 1, answers[k].c_str()});
        days = {day};
    }

    try {
        qa::Files files(qa::systemFileOps(), qa::DrivePaths(folder), std::string());
        qa::LcgRandom random;
        random.seed(1.0f);
        SetClock clock;
        std::map<std::string, std::string> contents; // window path -> bytes
        for (const Day& day : days) {
            qa::records::Session session;
            session.drawCodeNumber(0.5);
            session.chooseDataDir(1);
            clock.at = {2026, day.month, day.day, day.hour, day.minute, 0, 0};
            session.setStudent(day.student, day.initials, clock.date());
            session.setAssignment("1");
            auto add = [&](const std::vector<qa::AppendPart>& parts) {
                for (const auto& part : parts)
                    contents[part.path] += part.bytes;
            };
            add(qa::records::openingHeader({qa::coding::makeCodeLine(session.codeNbr(), random), day.student,
                                            session.assignmentNumber(), qa::bank::builtinContent().front(),
                                            day.initials},
                                           session.paths(), session.codeNbr(), clock));
            for (const Response& r : day.responses) {
                if (r.hour < day.hour)
                    ++clock.at.day;
                clock.at.hour = r.hour;
                clock.at.minute = r.minute;
                clock.at.second = r.second;
                add(qa::records::responseBlock({r.answer, question(r.question), session.assignmentNumber(),
                                                std::to_string(10000 + r.question)},
                                               session.paths(), session.codeNbr(), clock));
            }
            if (day.note) {
                clock.at.second += 20;
                add(qa::records::notesBlock({day.note, question(day.responses.back().question)}, session.paths(),
                                            session.codeNbr(), clock));
            }
        }
        files.createDirectories(qa::records::Session::kHomeDir);
        for (const auto& [path, bytes] : contents)
            files.writeWhole(path, bytes);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "qa_compose_class: %s\n", error.what());
        return 1;
    }
    return 0;
}
