// The checks over what was read: file names against headers, code lines
// shared by students, the same and near-identical answers, clocks that ran
// backwards.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <thread>
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
    std::unordered_map<std::string_view, std::vector<SittingId>> byCode;
    for (SittingId s : sittings.ids())
        if (!sittings[s].codeLine.empty())
            byCode[sittings[s].codeLine].push_back(s);
    std::vector<std::pair<std::string_view, std::vector<SittingId>*>> shared;
    for (auto& [code, list] : byCode) {
        const StudentId first = sittings[list.front()].student;
        if (std::any_of(list.begin(), list.end(), [&](SittingId s) { return sittings[s].student != first; }))
            shared.emplace_back(code, &list);
    }
    std::sort(shared.begin(), shared.end());
    for (auto& [code, list] : shared) {
        std::sort(list->begin(), list->end(), [&](auto a, auto b) {
            return std::tie(sittings[a].student, sittings[a].start) <
                   std::tie(sittings[b].student, sittings[b].start);
        });
        m.codeLines.push_back({std::string(code), std::move(*list)});
    }
}

// The same and near-identical final answers to one question.
struct AnswerFindings {
    std::vector<SameAnswers> same;
    std::vector<NearPair> near;
};

void answerChecks(const Model& m, AssignmentId a, QuestionId q, AnswerFindings& out)
{
    const auto& items = m.items;
    std::map<std::string, std::vector<ItemId>> byText;
    for (const Row& row : m.assignments[a].rows)
        if (row.cells[q].answer.some())
            byText[foldText(items[row.cells[q].answer].text)].push_back(row.cells[q].answer);
    std::vector<std::string_view> texts;
    std::vector<const std::vector<ItemId>*> groups;
    for (const auto& [folded, group] : byText) {
        if (group.size() > 1)
            out.same.push_back({a, q, group});
        texts.push_back(folded);
        groups.push_back(&group);
    }
    for (const Similar& pair : nearIdentical(texts))
        for (ItemId x : *groups[pair.a])
            for (ItemId y : *groups[pair.b])
                if (items[x].student < items[y].student)
                    out.near.push_back({a, q, x, y, pair.share});
                else
                    out.near.push_back({a, q, y, x, pair.share});
}

// The questions' answer checks, shared out among threads: each question is
// taken by one, those with the most answers first, and its findings kept in
// its own place.
class AnswerChecks {
public:
    explicit AnswerChecks(const Model& m) : m_(m)
    {
        std::vector<std::size_t> answers;
        for (AssignmentId a : m.assignments.ids())
            for (QuestionId q : m.assignments[a].questions.ids()) {
                questions_.push_back({a, q});
                const auto& rows = m.assignments[a].rows;
                answers.push_back(static_cast<std::size_t>(std::count_if(
                    rows.begin(), rows.end(), [q](const Row& r) { return r.cells[q].answer.some(); })));
            }
        found_.resize(questions_.size());
        order_.resize(questions_.size());
        for (std::size_t k = 0; k < order_.size(); ++k)
            order_[k] = k;
        std::stable_sort(order_.begin(), order_.end(),
                         [&](std::size_t x, std::size_t y) { return answers[x] > answers[y]; });
    }

    std::size_t questions() const { return questions_.size(); }

    // Takes questions until none is left; any number of threads at once.
    void work()
    {
        for (std::size_t k; (k = next_++) < order_.size();) {
            const auto [a, q] = questions_[order_[k]];
            answerChecks(m_, a, q, found_[order_[k]]);
        }
    }

    // Once every thread is done: the findings into the model, in order.
    void finish(Model& m)
    {
        for (AnswerFindings& f : found_) {
            m.same.insert(m.same.end(), std::make_move_iterator(f.same.begin()),
                          std::make_move_iterator(f.same.end()));
            m.near.insert(m.near.end(), f.near.begin(), f.near.end());
        }
        const auto& items = m.items;
        std::sort(m.same.begin(), m.same.end(), [&](const SameAnswers& x, const SameAnswers& y) {
            return std::tie(x.assignment, x.question, items[x.items.front()].student) <
                   std::tie(y.assignment, y.question, items[y.items.front()].student);
        });
        std::sort(m.near.begin(), m.near.end(), [&](const NearPair& x, const NearPair& y) {
            return std::make_tuple(x.assignment, x.question, -x.share, items[x.a].student, items[x.b].student) <
                   std::make_tuple(y.assignment, y.question, -y.share, items[y.a].student, items[y.b].student);
        });
    }

private:
    const Model& m_;
    std::vector<std::pair<AssignmentId, QuestionId>> questions_;
    std::vector<std::size_t> order_; // into questions_, the most answers first
    std::vector<AnswerFindings> found_;
    std::atomic<std::size_t> next_{0};
};

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
    // The answers' checks, the longest, on every thread, this one joining
    // them after the others: each check fills lists of its own and only
    // reads what the others read.
    AnswerChecks answers(m);
    std::vector<std::thread> helpers;
    for (unsigned k = 1; k < threads && k < answers.questions(); ++k)
        helpers.emplace_back([&answers] { answers.work(); });
    fileNameCheck(m);
    codeLineCheck(m);
    clockCheck(m);
    answers.work();
    for (std::thread& t : helpers)
        t.join();
    answers.finish(m);
}

} // namespace qa::review
