// Putting the parsed blocks of the files together: students, assignments,
// sittings, and each response or note counted once however many files hold
// it.
#include <algorithm>
#include <tuple>

#include "platform/text.h"
#include "platform/utf8.h"
#include "records/session.h"
#include "review/intake/stages.h"

namespace qa::review {
namespace {

// Copies of one block in different files read the clock apart by this much.
constexpr Moment kSameMoment = 2;

} // namespace

Assembler::Assembler(const Table<FileId, InputFile>& files, std::optional<long> assignment, bool showNames)
    : files_(files), assignment_(assignment), showNames_(showNames)
{
}

LineId Assembler::intern(std::string_view s)
{
    auto [it, added] = lineIds_.try_emplace(std::string(s), LineId(lines_.size()));
    if (added)
        lines_.add(std::string(s));
    return it->second;
}

std::uint32_t Assembler::spellingOf(std::string_view name)
{
    auto [it, added] = spellingIds_.try_emplace(std::string(name), static_cast<std::uint32_t>(spellings_.size()));
    if (added)
        spellings_.emplace_back(name);
    return it->second;
}

AssignmentId Assembler::assignmentOf(std::string_view number)
{
    auto [it, added] = assignmentIds_.try_emplace(std::string(number), AssignmentId(assignments_.size()));
    if (added)
        assignments_.add({std::string(number), {}, {}});
    return it->second;
}

bool Assembler::wanted(std::string_view assignment) const
{
    return !assignment_ ||
           (text::wholeTextNumber(assignment) && *text::wholeTextNumber(assignment) == double(*assignment_));
}

bool Assembler::take(FileId f, const records::ParsedFile& parsed)
{
    if (parsed.headers.empty() && parsed.blocks.empty())
        return false;
    for (const records::ParsedProblem& p : parsed.problems)
        problems_.push_back({files_[f].shown, p.line, p.lastLine, p.what});
    std::vector<std::uint32_t> sittingOf(parsed.headers.size(), kNone);
    for (std::size_t h = 0; h < parsed.headers.size(); ++h) {
        const records::ParsedHeader& ph = parsed.headers[h];
        seen_.emplace(ph.assignment);
        if (!wanted(ph.assignment))
            continue;
        sittingOf[h] = static_cast<std::uint32_t>(rawSittings_.size());
        rawSittings_.push_back({spellingOf(ph.name),
                                std::string(ph.initials),
                                {},
                                assignmentOf(ph.assignment),
                                ph.start,
                                std::string(ph.codeLine),
                                {f, ph.line, ph.start},
                                {}});
    }
    for (const records::ParsedBlock& b : parsed.blocks) {
        StudentId student;
        AssignmentId assignment;
        std::uint32_t sitting = kNone;
        if (b.header >= 0) {
            sitting = sittingOf[static_cast<std::size_t>(b.header)];
            if (sitting == kNone)
                continue; // another assignment
            assignment = rawSittings_[sitting].assignment;
        }
        rawItems_.push_back({b.note,
                             student,
                             assignment,
                             sitting,
                             intern(b.currentLine),
                             b.when,
                             text::fnv1a(b.text),
                             std::string(b.text),
                             {f, b.line, b.when}});
    }
    return true;
}

void Assembler::finish(Model& m)
{
    buildStudents(m);
    for (RawItem& item : rawItems_)
        if (item.sitting != kNone)
            item.student = rawSittings_[item.sitting].student;
    placeNotesFiles();
    dedupeSittings(m);
    dedupeItems(m);
    m.lines = std::move(lines_);
    m.students = std::move(students_);
    m.assignments = std::move(assignments_);
    m.problems.insert(m.problems.end(), problems_.begin(), problems_.end());
    m.assignmentsSeen.assign(seen_.begin(), seen_.end());
}

// Notes without an opening header belong to the student whose name the
// notes file carries, as the tutor names it.
void Assembler::placeNotesFiles()
{
    std::unordered_map<std::string, std::vector<StudentId>> byFileName;
    for (StudentId s : students_.ids())
        byFileName[text::toUtf8(records::fileNamePart(students_[s].name))].push_back(s);
    const std::string prefix = records::kNotesPrefixOfFile, suffix = records::kRecordSuffix;
    Table<FileId, StudentId> fileStudent(files_.size());
    Table<FileId, char> reported(files_.size()); // 1: no student found
    for (RawItem& item : rawItems_) {
        if (item.student.some())
            continue;
        const FileId f = item.at.file;
        if (fileStudent[f].none() && !reported[f]) {
            const std::string name = text::validUtf8(files_[f].original);
            std::string part;
            if (name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                part = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
            auto it = byFileName.find(part);
            if (it != byFileName.end() && it->second.size() == 1)
                fileStudent[f] = it->second.front();
            else {
                reported[f] = 1;
                // With one assignment asked for, the student may just have none of it.
                if (!assignment_)
                    problems_.push_back(
                        {files_[f].shown, 0, 0,
                         "notes without an opening header, and no student whose name the file name carries"});
            }
        }
        item.student = fileStudent[f];
    }
    std::erase_if(rawItems_, [](const RawItem& i) { return i.student.none(); });
}

// Two headers are one sitting when they are the same student's, carry the
// same code line and lie at most 2 s apart, from different files.
void Assembler::dedupeSittings(Model& m)
{
    std::vector<std::uint32_t> order(rawSittings_.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    auto key = [&](std::uint32_t i) {
        const RawSitting& r = rawSittings_[i];
        return std::tie(r.student, r.assignment, r.codeLine, r.start, r.at.file, r.at.line);
    };
    std::sort(order.begin(), order.end(), [&](auto a, auto b) { return key(a) < key(b); });
    std::size_t groupStart = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        RawSitting& r = rawSittings_[order[k]];
        if (k > 0) {
            const RawSitting& p = rawSittings_[order[k - 1]];
            if (p.student != r.student || p.assignment != r.assignment || p.codeLine != r.codeLine)
                groupStart = k;
        }
        for (std::size_t g = k; g-- > groupStart;) {
            Sitting& c = m.sittings[rawSittings_[order[g]].canonical];
            if (r.start - c.start > kSameMoment)
                break;
            if (std::none_of(c.at.begin(), c.at.end(), [&](const Place& p) { return p.file == r.at.file; })) {
                r.canonical = rawSittings_[order[g]].canonical;
                c.at.push_back(r.at);
                break;
            }
        }
        if (r.canonical.none())
            r.canonical = m.sittings.add({r.student, r.assignment, r.start, r.codeLine, {r.at}});
    }
}

// Two blocks are one response (or note) when they are the same student's,
// carry the same line and text and lie at most 2 s apart, from different
// files: two identical blocks in one file are two responses.
std::vector<std::uint32_t> Assembler::itemsInOrder() const
{
    std::vector<std::uint32_t> order(rawItems_.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        const RawItem& a = rawItems_[x];
        const RawItem& b = rawItems_[y];
        if (a.student != b.student)
            return a.student < b.student;
        if (a.note != b.note)
            return a.note < b.note;
        if (a.line != b.line)
            return a.line < b.line;
        if (a.hash != b.hash)
            return a.hash < b.hash;
        if (int c = a.text.compare(b.text))
            return c < 0;
        return std::tie(a.when, a.at.file, a.at.line) < std::tie(b.when, b.at.file, b.at.line);
    });
    return order;
}

void Assembler::dedupeItems(Model& m)
{
    const std::vector<std::uint32_t> order = itemsInOrder();
    // The text of an item already taken has moved into its canonical item.
    std::vector<ItemId> canonicalOf(rawItems_.size());
    auto sameAsBefore = [&](std::uint32_t before, const RawItem& b) {
        const RawItem& a = rawItems_[before];
        return a.student == b.student && a.note == b.note && a.line == b.line && a.hash == b.hash &&
               m.items[canonicalOf[before]].text == b.text;
    };
    std::size_t groupStart = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        RawItem& r = rawItems_[order[k]];
        if (k > 0 && !sameAsBefore(order[k - 1], r))
            groupStart = k;
        ItemId into;
        for (std::size_t g = k; g-- > groupStart;) {
            Item& c = m.items[canonicalOf[order[g]]];
            if (r.when - c.when > kSameMoment)
                break;
            if (std::none_of(c.at.begin(), c.at.end(), [&](const Place& p) { return p.file == r.at.file; })) {
                into = canonicalOf[order[g]];
                break;
            }
        }
        if (into.none()) {
            Item item;
            item.note = r.note;
            item.student = r.student;
            item.line = r.line;
            item.when = r.when;
            item.text = std::move(r.text);
            into = m.items.add(std::move(item));
        } else {
            r.text = std::string();
        }
        Item& c = m.items[into];
        canonicalOf[order[k]] = into;
        c.at.push_back(r.at);
        if (c.sitting.none() && r.sitting != kNone) {
            c.sitting = rawSittings_[r.sitting].canonical;
            c.assignment = r.assignment;
        }
    }
    rawItems_.clear();
    rawItems_.shrink_to_fit();
}

} // namespace qa::review
