#pragma once
// A class's record files made by the tutor's own record layouts, over a clock
// that steps on every time read and runs on past midnight. The files are kept
// in memory and written once each.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bank/builtin_content.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "records/layouts.h"
#include "records/record_reader.h"
#include "records/session.h"
#include "store/files.h"

namespace qa::testing {

class StepClock : public Clock {
public:
    std::int64_t day = records::daysFromCivil(2026, 3, 7);
    int seconds = 10 * 3600;
    int step = 1; // seconds added after each time read

    LocalTime now() override
    {
        LocalTime t;
        records::civilFromDays(day, t.year, t.month, t.day);
        t.hour = seconds / 3600;
        t.minute = seconds / 60 % 60;
        t.second = seconds % 60;
        return t;
    }
    std::string time() override
    {
        std::string t = Clock::time();
        advance(step);
        return t;
    }
    void advance(int s)
    {
        seconds += s;
        for (; seconds >= 86400; seconds -= 86400)
            ++day;
    }
    // The moment now, as the review counts it.
    records::Moment moment() const { return day * records::kSecondsPerDay + seconds; }
};

// The questions of the built-in assignment 001, in bank order.
inline std::vector<std::string> builtinQuestions()
{
    std::vector<std::string> out;
    for (const std::string& line : bank::builtinContent())
        if (!line.empty() && line != bank::builtinContent().front())
            out.push_back(line);
    return out;
}

class RecordClass {
public:
    StepClock clock;
    std::map<std::string, std::string> files; // file name -> bytes

    // An opening header for the student (the tutor's own file names), and the
    // paths that the session's blocks go to.
    records::RecordPaths start(const std::string& name, const std::string& initials, const std::string& codeLine,
                               const std::string& assignment = "001")
    {
        records::Session s;
        s.chooseDataDir(1);
        s.setStudent(name, initials, clock.date());
        s.setAssignment(assignment);
        add(records::openingHeader(
            {codeLine, name, s.assignmentNumber(), bank::builtinContent().front(), initials}, s.paths(), 24,
            clock));
        return s.paths();
    }
    void respond(const records::RecordPaths& p, const std::string& line, const std::string& answer)
    {
        add(records::responseBlock({answer, line, "001", ""}, p, 24, clock));
    }
    void note(const records::RecordPaths& p, const std::string& line, const std::string& note)
    {
        add(records::notesBlock({records::kNotesPrefix + note, line}, p, 24, clock));
    }
    void add(const std::vector<AppendPart>& parts)
    {
        for (const AppendPart& part : parts)
            files[part.path.substr(part.path.find_last_of('\\') + 1)] += part.bytes;
    }
    // Writes every file into `dir` (made when missing), each once, under
    // the name the tutor gives it (UTF-8).
    void write(const std::filesystem::path& dir) const
    {
        std::filesystem::create_directories(dir);
        for (const auto& [name, bytes] : files) {
            const std::string utf8 = text::toUtf8(name);
            std::ofstream out(dir / std::filesystem::path(std::u8string(utf8.begin(), utf8.end())),
                              std::ios::binary);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
    }
};

} // namespace qa::testing
