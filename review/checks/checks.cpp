// The checks over what was read: file names against headers, code lines
// shared by students, the same and near-identical answers, clocks that ran
// backwards.
#include <algorithm>
#include <cstdio>
#include <future>
#include <map>
#include <unordered_map>

#include "platform/text.h"
#include "platform/utf8.h"
#include "records/session.h"
#include "review/checks/checks.h"
#include "review/checks/similar.h"

namespace qa::review {
namespace {

// The name part and, for a send file, the month and day of a record file's
// name; false when the name does not follow the tutor's pattern.
bool splitName(const std::string& name, std::string& part, std::string& mmdd)
{
    const std::string suffix = records::kRecordSuffix;
    if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const std::string stem = name.substr(0, name.size() - suffix.size());
    const std::string send = records::kSendPrefix, master = records::kMasterPrefix;
    if (stem.compare(0, send.size(), send) == 0) {
        mmdd = stem.substr(send.size(), 4);
        if (mmdd.size() != 4 ||
            !std::all_of(mmdd.begin(), mmdd.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        part = stem.substr(send.size() + 4);
        return true;
    }
    if (stem.compare(0, master.size(), master) == 0) {
        part = stem.substr(master.size());
        return true;
    }
    return false;
}

void fileNameCheck(Model& m)
{
    const auto& files = m.files;
    const auto& students = m.students;
    auto& fileNames = m.fileNames;
    for (const Sitting& session : m.sittings) {
        const std::string name = records::fileNamePart(students[session.student].name);
        int y = 0, mo = 0, d = 0;
        civilFromDays(session.start / kSecondsPerDay, y, mo, d);
        char date[8];
        std::snprintf(date, sizeof date, "%02d%02d", mo % 100, d % 100);
        for (const Place& at : session.at) {
            std::string part, mmdd;
            // The name the tutor gave the file, before a platform or a download renamed it.
            const InputFile& file = files[at.file];
            if (!splitName(file.original.empty() ? file.nameBytes : file.original, part, mmdd))
                continue;
            if (part != name && part != text::toUtf8(name))
                fileNames.push_back({at.file, at.line,
                                     "the file name carries the name \"" + text::validUtf8(part) +
                                         "\", the header \"" + text::toUtf8(students[session.student].name) +
                                         "\""});
            if (!mmdd.empty() && mmdd != date)
                fileNames.push_back({at.file, at.line,
                                     "the file name carries the day " + mmdd.substr(0, 2) + "-" + mmdd.substr(2) +
                                         ", the header " + formatMoment(session.start).substr(0, 10)});
        }
    }
    std::sort(fileNames.begin(), fileNames.end(), [](const FileNameFinding& a, const FileNameFinding& b) {
        return std::tie(a.file, a.line, a.what) < std::tie(b.file, b.line, b.what);
    });
}

// One code line in the files of two students.
void codeLineCheck(Model& m)
{
    const auto& sittings = m.sittings;
    std::map<std::string, std::vector<SittingId>> byCode;
    for (SittingId s : sittings.ids())
        if (!sittings[s].codeLine.empty())
            byCode[sittings[s].codeLine].push_back(s);
    for (auto& [code, list] : byCode) {
        const StudentId first = sittings[list.front()].student;
        if (std::any_of(list.begin(), list.end(), [&](SittingId s) { return sittings[s].student != first; })) {
            std::sort(list.begin(), list.end(), [&](auto a, auto b) {
                return std::tie(sittings[a].student, sittings[a].start) <
                       std::tie(sittings[b].student, sittings[b].start);
            });
            m.codeLines.push_back({code, list});
        }
    }
}

// The same and near-identical final answers, question by question.
void answerChecks(Model& m)
{
    const auto& items = m.items;
    auto& same = m.same;
    auto& near = m.near;
    for (AssignmentId a : m.assignments.ids()) {
        const Assignment& as = m.assignments[a];
        for (QuestionId q : as.questions.ids()) {
            std::map<std::string, std::vector<ItemId>> byText;
            for (const Row& row : as.rows)
                if (row.cells[q].answer.some())
                    byText[foldText(items[row.cells[q].answer].text)].push_back(row.cells[q].answer);
            std::vector<std::string_view> texts;
            std::vector<const std::vector<ItemId>*> groups;
            for (const auto& [folded, group] : byText) {
                if (group.size() > 1)
                    same.push_back({a, q, group});
                texts.push_back(folded);
                groups.push_back(&group);
            }
            for (const Similar& pair : nearIdentical(texts))
                for (ItemId x : *groups[pair.a])
                    for (ItemId y : *groups[pair.b])
                        if (items[x].student < items[y].student)
                            near.push_back({a, q, x, y, pair.share});
                        else
                            near.push_back({a, q, y, x, pair.share});
        }
    }
    std::sort(same.begin(), same.end(), [&](const SameAnswers& x, const SameAnswers& y) {
        return std::tie(x.assignment, x.question, items[x.items.front()].student) <
               std::tie(y.assignment, y.question, items[y.items.front()].student);
    });
    std::sort(near.begin(), near.end(), [&](const NearPair& x, const NearPair& y) {
        return std::make_tuple(x.assignment, x.question, -x.share, items[x.a].student, items[x.b].student) <
               std::make_tuple(y.assignment, y.question, -y.share, items[y.a].student, items[y.b].student);
    });
}

// A sitting that starts earlier than a header or block before it in its file.
// The same second is not earlier.
void clockCheck(Model& m)
{
    struct Mark {
        std::uint32_t line;
        Moment when;
        SittingId sitting; // none for a block
    };
    Table<FileId, std::vector<Mark>> byFile(m.files.size());
    for (SittingId s : m.sittings.ids())
        for (const Place& p : m.sittings[s].at)
            byFile[p.file].push_back({p.line, p.when, s});
    for (const Item& it : m.items)
        for (const Place& p : it.at)
            byFile[p.file].push_back({p.line, p.when, {}});
    for (FileId f : byFile.ids()) {
        std::vector<Mark>& marks = byFile[f];
        std::sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.line < b.line; });
        Moment latest = 0;
        for (std::size_t k = 0; k < marks.size(); ++k) {
            const Mark& mark = marks[k];
            if (k > 0 && mark.sitting.some() && mark.when < latest)
                m.clocks.push_back(
                    {m.sittings[mark.sitting].student, {f, mark.line, mark.when}, mark.when, latest});
            latest = k == 0 ? mark.when : std::max(latest, mark.when);
        }
    }
}

} // namespace

void runChecks(Model& m, unsigned threads)
{
    // The answers' checks, the longest, beside the others: each fills lists
    // of its own and only reads what the others read.
    std::future<void> answers;
    if (threads > 1)
        answers = std::async(std::launch::async, [&m] { answerChecks(m); });
    fileNameCheck(m);
    codeLineCheck(m);
    clockCheck(m);
    if (answers.valid())
        answers.get();
    else
        answerChecks(m);
}

} // namespace qa::review
