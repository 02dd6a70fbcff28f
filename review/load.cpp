// Finding the record files under the inputs, reading them, and putting what
// they hold together: students, assignments and their questions, sessions,
// and each response or note counted once however many files hold it.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <system_error>
#include <unordered_map>

#include "bank/cursor.h"
#include "platform/file_ops.h"
#include "platform/text.h"
#include "records/session.h"
#include "review/model.h"

namespace qa::review {
namespace fs = std::filesystem;
namespace {

// Files larger than this are not record files; they are not read.
constexpr std::int64_t kLargestFile = std::int64_t{1} << 30;
// Copies of one block in different files read the clock apart by this much.
constexpr Moment kSameMoment = 2;
// No raw header.
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

std::string reasonOf(int err)
{
    return std::generic_category().message(err);
}

// The name the platform's file calls take: the native bytes, or UTF-8 on
// Windows.
std::string hostName(const fs::path& p)
{
#ifdef _WIN32
    const auto u = p.u8string();
    return std::string(u.begin(), u.end());
#else
    return p.native();
#endif
}

// Reads the whole file read-only; false with the system's reason. `info`
// tells the file apart from others.
bool readWhole(const fs::path& p, std::string& bytes, FileInfo& info, std::string& reason)
{
    FileOps& ops = systemFileOps();
    const int fd = ops.open(hostName(p), kOpenRead);
    if (fd < 0) {
        reason = reasonOf(errno);
        return false;
    }
    if (ops.fstat(fd, info) != 0) {
        reason = reasonOf(errno);
        ops.close(fd);
        return false;
    }
    if (info.size > kLargestFile) {
        reason = "too large for a record file";
        ops.close(fd);
        return false;
    }
    // The file as long as it was when opened: what is added meanwhile is
    // not waited for.
    bytes.resize(static_cast<std::size_t>(info.size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::int64_t r = ops.read(fd, bytes.data() + got, bytes.size() - got);
        if (r < 0) {
            reason = reasonOf(errno);
            ops.close(fd);
            return false;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    bytes.resize(got);
    ops.close(fd);
    return true;
}

// Names in the order a reader expects: case folded, and numbers by their
// value ("Student 2" before "Student 10"); the name itself breaks ties.
std::string sortKey(const std::string& s)
{
    const std::string lower = text::lower(s);
    std::string key;
    for (std::size_t i = 0; i < lower.size();) {
        if (lower[i] < '0' || lower[i] > '9') {
            key += lower[i++];
            continue;
        }
        std::size_t j = i;
        while (j < lower.size() && lower[j] >= '0' && lower[j] <= '9')
            ++j;
        if (j - i < 12)
            key.append(12 - (j - i), '0');
        key.append(lower, i, j - i);
        i = j;
    }
    return key + '\0' + s;
}

struct LineHash {
    std::size_t operator()(LineId id) const { return std::hash<std::uint32_t>()(id.index()); }
};

class Loader {
public:
    Loader(Model& m, const Options& o) : m_(m), options_(o) {}

    void run()
    {
        m_.inputs = options_.inputs;
        list();
        readAll();
        placeNotesFiles();
        dedupeSessions();
        dedupeItems();
        buildStudentsAndAssignments();
        sortProblems();
    }

private:
    // A raw header or block occurrence, before duplicates are counted once.
    struct RawSession {
        StudentId student;
        AssignmentId assignment;
        Moment start;
        std::string codeLine;
        Place at;
        SittingId canonical;
    };
    struct RawItem {
        bool note;
        StudentId student;
        AssignmentId assignment;
        std::uint32_t session; // raw index
        LineId line;
        Moment when;
        std::uint64_t hash;
        std::string text;
        Place at;
    };

    void problem(FileId file, std::uint32_t line, std::uint32_t last, std::string what)
    {
        m_.problems.push_back({m_.files[file].shown, line, last, std::move(what)});
    }

    void addFile(const fs::path& p, const fs::path& input, bool isFile)
    {
        InputFile f;
        f.path = p;
        f.shown = isFile ? pathToUtf8(p.filename()) : pathToUtf8(p.lexically_relative(input));
        f.fileName = pathToUtf8(p.filename());
        f.nameBytes = hostName(p.filename());
        m_.files.add(std::move(f));
    }

    void walk(const fs::path& dir, const fs::path& input)
    {
        std::error_code ec;
        fs::directory_iterator it(dir, ec), end;
        if (ec) {
            m_.problems.push_back({pathToUtf8(dir), 0, 0, "the folder cannot be read: " + ec.message()});
            return;
        }
        std::vector<fs::path> dirs;
        // The types come with the listing; a link is followed to a file only,
        // so no folder is read twice or in a loop.
        for (; it != end; it.increment(ec)) {
            std::error_code e;
            if (it->is_symlink(e)) {
                if (it->is_regular_file(e))
                    addFile(it->path(), input, false);
            } else if (it->is_directory(e)) {
                dirs.push_back(it->path());
            } else if (it->is_regular_file(e)) {
                addFile(it->path(), input, false);
            }
        }
        if (ec)
            m_.problems.push_back({pathToUtf8(dir), 0, 0, "the folder cannot be read whole: " + ec.message()});
        for (const fs::path& d : dirs)
            walk(d, input);
    }

    void list()
    {
        std::vector<std::size_t> firstOfInput;
        for (const fs::path& input : options_.inputs) {
            firstOfInput.push_back(m_.files.size());
            std::error_code ec;
            const fs::file_status st = fs::status(input, ec);
            if (fs::is_directory(st))
                walk(input, input);
            else if (fs::is_regular_file(st))
                addFile(input, input, true);
            else
                m_.problems.push_back(
                    {pathToUtf8(input), 0, 0, ec ? "cannot be read: " + ec.message() : "no such file or folder"});
        }
        firstOfInput.push_back(m_.files.size());
        // Within each input by name.
        for (std::size_t k = 0; k + 1 < firstOfInput.size(); ++k)
            std::sort(m_.files.values().begin() + static_cast<std::ptrdiff_t>(firstOfInput[k]),
                      m_.files.values().begin() + static_cast<std::ptrdiff_t>(firstOfInput[k + 1]),
                      [](const InputFile& a, const InputFile& b) { return a.shown < b.shown; });
    }

    LineId intern(std::string_view s)
    {
        auto [it, added] = lineIds_.try_emplace(std::string(s), LineId(m_.lines.size()));
        if (added)
            m_.lines.add(std::string(s));
        return it->second;
    }
    StudentId studentOf(std::string_view name)
    {
        auto [it, added] = studentIds_.try_emplace(std::string(name), StudentId(m_.students.size()));
        if (added)
            m_.students.add({std::string(name), {}, {}, {}});
        return it->second;
    }
    AssignmentId assignmentOf(std::string_view number)
    {
        auto [it, added] = assignmentIds_.try_emplace(std::string(number), AssignmentId(m_.assignments.size()));
        if (added)
            m_.assignments.add({std::string(number), {}, {}});
        return it->second;
    }
    bool wanted(std::string_view assignment) const
    {
        return !options_.assignment || (text::wholeTextNumber(assignment) &&
                                        *text::wholeTextNumber(assignment) == double(*options_.assignment));
    }

    void readAll()
    {
        std::string bytes;
        // A file that two inputs lead to is read once.
        std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
        for (FileId f : m_.files.ids()) {
            if (options_.progress && (f.index() % 64 == 0))
                options_.progress(f.index(), m_.files.size());
            if (options_.stop && options_.stop())
                return;
            std::string reason;
            FileInfo info;
            if (!readWhole(m_.files[f].path, bytes, info, reason)) {
                problem(f, 0, 0, "the file cannot be read: " + reason);
                ++m_.filesFound;
                continue;
            }
            const std::pair<std::uint64_t, std::uint64_t> id{info.device, info.id};
            if (info.id != 0 && !seen.insert(id).second)
                continue;
            ++m_.filesFound;
            take(f, parseRecordFile(bytes));
        }
        if (options_.progress)
            options_.progress(m_.files.size(), m_.files.size());
    }

    void take(FileId f, const ParsedFile& parsed)
    {
        for (const ParsedProblem& p : parsed.problems)
            problem(f, p.line, p.lastLine, p.what);
        if (parsed.headers.empty() && parsed.blocks.empty()) {
            if (parsed.problems.empty())
                problem(f, 0, 0, "an empty file");
            return;
        }
        ++m_.recordFilesRead;
        std::vector<std::uint32_t> sessionOf(parsed.headers.size(), kNone);
        for (std::size_t h = 0; h < parsed.headers.size(); ++h) {
            const ParsedHeader& ph = parsed.headers[h];
            if (!wanted(ph.assignment))
                continue;
            const StudentId student = studentOf(ph.name);
            auto& initials = m_.students[student].initials;
            if (std::find(initials.begin(), initials.end(), ph.initials) == initials.end())
                initials.emplace_back(ph.initials);
            sessionOf[h] = static_cast<std::uint32_t>(rawSessions_.size());
            rawSessions_.push_back(
                {student, assignmentOf(ph.assignment), ph.start, std::string(ph.codeLine), {f, ph.line}, {}});
        }
        for (int h : parsed.clockBackwards) {
            const std::uint32_t s = sessionOf[static_cast<std::size_t>(h)];
            if (s == kNone)
                continue;
            Moment before = 0;
            for (int k = 0; k < h; ++k)
                before = std::max(before, parsed.headers[static_cast<std::size_t>(k)].start);
            for (const ParsedBlock& b : parsed.blocks)
                if (b.header >= 0 && b.header < h)
                    before = std::max(before, b.when);
            m_.clocks.push_back({rawSessions_[s].student, rawSessions_[s].at, rawSessions_[s].start, before});
        }
        for (const ParsedBlock& b : parsed.blocks) {
            StudentId student;
            AssignmentId assignment;
            std::uint32_t session = kNone;
            if (b.header >= 0) {
                session = sessionOf[static_cast<std::size_t>(b.header)];
                if (session == kNone)
                    continue; // another assignment
                student = rawSessions_[session].student;
                assignment = rawSessions_[session].assignment;
            }
            RawItem item{b.note, student,          assignment,          session,    intern(b.currentLine),
                         b.when, hashText(b.text), std::string(b.text), {f, b.line}};
            rawItems_.push_back(std::move(item));
        }
    }

    static std::uint64_t hashText(std::string_view s)
    {
        std::uint64_t h = 1469598103934665603ull;
        for (unsigned char c : s)
            h = (h ^ c) * 1099511628211ull;
        return h;
    }

    // Notes without an opening header belong to the student whose name the
    // notes file carries, as the tutor names it.
    void placeNotesFiles()
    {
        std::unordered_map<std::string, std::vector<StudentId>> byFileName;
        for (StudentId s : m_.students.ids())
            byFileName[text::toUtf8(records::fileNamePart(m_.students[s].name))].push_back(s);
        const std::string prefix = records::kNotesPrefixOfFile, suffix = records::kRecordSuffix;
        Table<FileId, StudentId> fileStudent(m_.files.size());
        Table<FileId, char> reported(m_.files.size()); // 1: no student found
        for (RawItem& item : rawItems_) {
            if (item.student.some())
                continue;
            const FileId f = item.at.file;
            if (fileStudent[f].none() && !reported[f]) {
                const std::string& name = m_.files[f].fileName;
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
                    if (!options_.assignment)
                        problem(
                            f, 0, 0,
                            "notes without an opening header, and no student whose name the file name carries");
                }
            }
            item.student = fileStudent[f];
        }
        std::erase_if(rawItems_, [](const RawItem& i) { return i.student.none(); });
    }

    // Two headers are one session when they are the same student's, carry the
    // same code line and lie at most 2 s apart, from different files.
    void dedupeSessions()
    {
        std::vector<std::uint32_t> order(rawSessions_.size());
        for (std::uint32_t i = 0; i < order.size(); ++i)
            order[i] = i;
        auto key = [&](std::uint32_t i) {
            const RawSession& r = rawSessions_[i];
            return std::tie(r.student, r.assignment, r.codeLine, r.start, r.at.file, r.at.line);
        };
        std::sort(order.begin(), order.end(), [&](auto a, auto b) { return key(a) < key(b); });
        std::size_t groupStart = 0;
        for (std::size_t k = 0; k < order.size(); ++k) {
            RawSession& r = rawSessions_[order[k]];
            if (k > 0) {
                const RawSession& p = rawSessions_[order[k - 1]];
                if (p.student != r.student || p.assignment != r.assignment || p.codeLine != r.codeLine)
                    groupStart = k;
            }
            for (std::size_t g = k; g-- > groupStart;) {
                Sitting& c = m_.sittings[rawSessions_[order[g]].canonical];
                if (r.start - c.start > kSameMoment)
                    break;
                if (std::none_of(c.at.begin(), c.at.end(), [&](const Place& p) { return p.file == r.at.file; })) {
                    r.canonical = rawSessions_[order[g]].canonical;
                    c.at.push_back(r.at);
                    break;
                }
            }
            if (r.canonical.none())
                r.canonical = m_.sittings.add({r.student, r.assignment, r.start, r.codeLine, {r.at}});
        }
    }

    // Two blocks are one response (or note) when they are the same student's,
    // carry the same line and text and lie at most 2 s apart, from different
    // files: two identical blocks in one file are two responses.
    void dedupeItems()
    {
        std::vector<std::uint32_t> order(rawItems_.size());
        for (std::uint32_t i = 0; i < order.size(); ++i)
            order[i] = i;
        // The text of an item already taken has moved into its canonical item.
        std::vector<ItemId> canonicalOf(rawItems_.size());
        auto sameAsBefore = [&](std::uint32_t before, const RawItem& b) {
            const RawItem& a = rawItems_[before];
            return a.student == b.student && a.note == b.note && a.line == b.line && a.hash == b.hash &&
                   m_.items[canonicalOf[before]].text == b.text;
        };
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
        std::size_t groupStart = 0;
        for (std::size_t k = 0; k < order.size(); ++k) {
            RawItem& r = rawItems_[order[k]];
            if (k > 0 && !sameAsBefore(order[k - 1], r))
                groupStart = k;
            ItemId into;
            for (std::size_t g = k; g-- > groupStart;) {
                Item& c = m_.items[canonicalOf[order[g]]];
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
                into = m_.items.add(std::move(item));
            } else {
                r.text = std::string();
            }
            Item& c = m_.items[into];
            canonicalOf[order[k]] = into;
            c.at.push_back(r.at);
            if (c.sitting.none() && r.session != kNone) {
                c.sitting = rawSessions_[r.session].canonical;
                c.assignment = r.assignment;
            }
        }
        rawItems_.clear();
        rawItems_.shrink_to_fit();
    }

    // The questions of an assignment: the bank lines a student can be shown
    // between its header and the next assignment's, in bank order.
    void loadQuestions(Assignment& a)
    {
        BankCursor cursor;
        cursor.loadQuestionBank({});
        records::Session numbers;
        numbers.setAssignment(a.number);
        try {
            cursor.openAssignment(a.number);
        } catch (...) {
            return; // not in the bank
        }
        for (;;) {
            const BankCursor::Step step = cursor.readNextQuestion(numbers.nextAssignmentNumber());
            if (step.kind == BankCursor::Step::End)
                break;
            if (step.kind == BankCursor::Step::Show)
                a.questions.add(intern(step.line));
        }
    }

    void buildStudentsAndAssignments()
    {
        // Students by name, assignments by number: renumber.
        std::vector<StudentId> sOrder(m_.students.ids().begin(), m_.students.ids().end());
        std::vector<AssignmentId> aOrder(m_.assignments.ids().begin(), m_.assignments.ids().end());
        std::sort(sOrder.begin(), sOrder.end(),
                  [&](auto x, auto y) { return sortKey(m_.students[x].name) < sortKey(m_.students[y].name); });
        std::sort(aOrder.begin(), aOrder.end(), [&](auto x, auto y) {
            const double nx = text::leadingNumber(m_.assignments[x].number);
            const double ny = text::leadingNumber(m_.assignments[y].number);
            return nx != ny ? nx < ny : m_.assignments[x].number < m_.assignments[y].number;
        });
        Table<StudentId, StudentId> sNew(sOrder.size());
        Table<AssignmentId, AssignmentId> aNew(aOrder.size());
        Table<StudentId, Student> students;
        Table<AssignmentId, Assignment> assignments;
        for (StudentId old : sOrder) {
            sNew[old] = students.add(std::move(m_.students[old]));
            std::sort(students.back().initials.begin(), students.back().initials.end());
        }
        for (AssignmentId old : aOrder)
            aNew[old] = assignments.add(std::move(m_.assignments[old]));
        m_.students = std::move(students);
        m_.assignments = std::move(assignments);
        auto byPlace = [](const Place& x, const Place& y) {
            return std::tie(x.file, x.line) < std::tie(y.file, y.line);
        };
        for (Sitting& s : m_.sittings) {
            s.student = sNew[s.student];
            s.assignment = aNew[s.assignment];
            std::sort(s.at.begin(), s.at.end(), byPlace);
        }
        for (ClockFinding& c : m_.clocks)
            c.student = sNew[c.student];
        for (Item& item : m_.items) {
            item.student = sNew[item.student];
            if (item.assignment.some())
                item.assignment = aNew[item.assignment];
            std::sort(item.at.begin(), item.at.end(), byPlace);
        }

        // Sittings and items by time, per student.
        for (SittingId s : m_.sittings.ids())
            m_.students[m_.sittings[s].student].sittings.push_back(s);
        for (ItemId i : m_.items.ids())
            m_.students[m_.items[i].student].items.push_back(i);
        auto placeKey = [](const std::vector<Place>& at) { return std::tie(at.front().file, at.front().line); };
        for (Student& st : m_.students) {
            std::sort(st.sittings.begin(), st.sittings.end(), [&](auto x, auto y) {
                const Sitting& a = m_.sittings[x];
                const Sitting& b = m_.sittings[y];
                return a.start != b.start ? a.start < b.start : placeKey(a.at) < placeKey(b.at);
            });
            std::sort(st.items.begin(), st.items.end(), [&](auto x, auto y) {
                const Item& a = m_.items[x];
                const Item& b = m_.items[y];
                return a.when != b.when ? a.when < b.when : placeKey(a.at) < placeKey(b.at);
            });
        }
        placeItems();
    }

    void placeItems()
    {
        // Notes read only from a notes file: their assignment from the bank
        // line when one of the student's assignments has it.
        for (Assignment& a : m_.assignments)
            loadQuestions(a);
        Table<AssignmentId, std::unordered_map<LineId, QuestionId, LineHash>> questionOf(m_.assignments.size());
        for (AssignmentId a : m_.assignments.ids())
            for (QuestionId q : m_.assignments[a].questions.ids())
                questionOf[a].try_emplace(m_.assignments[a].questions[q], q);

        // Rows: one per student and assignment with a sitting.
        Table<AssignmentId, std::map<StudentId, std::size_t>> rowOf(m_.assignments.size());
        for (StudentId s : m_.students.ids())
            for (SittingId sitting : m_.students[s].sittings) {
                Assignment& a = m_.assignments[m_.sittings[sitting].assignment];
                if (rowOf[m_.sittings[sitting].assignment].try_emplace(s, a.rows.size()).second)
                    a.rows.push_back({s, Table<QuestionId, Cell>(a.questions.size()), {}});
            }
        for (StudentId s : m_.students.ids())
            for (ItemId i : m_.students[s].items) {
                Item& item = m_.items[i];
                if (item.assignment.none()) {
                    for (AssignmentId a : m_.assignments.ids())
                        if (item.assignment.none() && rowOf[a].count(s) && questionOf[a].count(item.line))
                            item.assignment = a;
                    if (item.assignment.none())
                        continue;
                }
                auto q = questionOf[item.assignment].find(item.line);
                if (q != questionOf[item.assignment].end())
                    item.question = q->second;
                if (item.note)
                    continue;
                Row& row = m_.assignments[item.assignment].rows[rowOf[item.assignment].at(s)];
                if (item.question.none()) {
                    row.unknown.push_back(i);
                    m_.notInBank.push_back(i);
                    continue;
                }
                Cell& cell = row.cells[item.question];
                cell.items.push_back(i);
                if (!item.text.empty())
                    cell.answer = i;
            }
        // With one assignment asked for, notes that cannot be placed in it are left out.
        if (options_.assignment)
            for (Student& st : m_.students)
                std::erase_if(st.items, [&](ItemId i) { return m_.items[i].assignment.none(); });
        for (Assignment& a : m_.assignments)
            for (Row& row : a.rows)
                for (Cell& cell : row.cells)
                    cell.status = cell.answer.some()   ? Status::Answered
                                  : cell.items.empty() ? Status::Missing
                                                       : Status::Empty;
    }

    void sortProblems()
    {
        std::stable_sort(m_.problems.begin(), m_.problems.end(), [](const Problem& a, const Problem& b) {
            return std::tie(a.file, a.line) < std::tie(b.file, b.line);
        });
    }

    Model& m_;
    const Options& options_;
    std::unordered_map<std::string, LineId> lineIds_;
    std::unordered_map<std::string, StudentId> studentIds_;
    std::unordered_map<std::string, AssignmentId> assignmentIds_;
    std::vector<RawSession> rawSessions_;
    std::vector<RawItem> rawItems_;
};

} // namespace

void loadModel(Model& model, const Options& options)
{
    Loader(model, options).run();
    model.runChecks();
}

} // namespace qa::review
