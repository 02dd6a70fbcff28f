// One student, one row: header names that differ only in case or in blanks
// are one student, shown under the spelling used most (the earliest on a
// tie); the same name handed in under two platform ids is two students; and
// a file whose headers name another student than the platform's submitter
// is a finding.
#include <algorithm>
#include <map>
#include <set>

#include "platform/text.h"
#include "review/similar.h"
#include "review/stages.h"

namespace qa::review {
namespace {

// Letters and digits only, accents taken off: how a platform may spell a
// name in a file name ("annlee" for "Ann Lee").
std::string squash(std::string_view cp1252)
{
    // Windows-1252 0xC0 to 0xFF without their accents; '-' for no letter.
    static constexpr std::string_view kPlain = "aaaaaaaceeeeiiiidnooooo-ouuuuyts"
                                               "aaaaaaaceeeeiiiidnooooo-ouuuuyty";
    std::string out;
    for (unsigned char c : foldText(cp1252)) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += static_cast<char>(c);
        else if (c >= 0xC0 && kPlain[c - 0xC0] != '-')
            out += kPlain[c - 0xC0];
    }
    return out;
}

std::string inQuotes(std::string_view cp1252)
{
    return "\"" + text::toUtf8(cp1252) + "\"";
}

} // namespace

void Assembler::buildStudents(Model& m)
{
    std::vector<std::string> folded(spellings_.size());
    for (std::size_t k = 0; k < spellings_.size(); ++k)
        folded[k] = foldText(spellings_[k]);
    std::map<std::string, std::set<std::string>> idsOf;
    for (const RawSitting& r : rawSittings_)
        if (!files_[r.at.file].submitterId.empty())
            idsOf[folded[r.spelling]].insert(files_[r.at.file].submitterId);
    // Per student: each spelling's count and earliest start.
    std::vector<std::map<std::uint32_t, std::pair<std::size_t, Moment>>> tally;
    std::map<std::string, StudentId> byKey;
    std::vector<std::string> keys;
    for (RawSitting& r : rawSittings_) {
        std::string key = folded[r.spelling];
        if (idsOf[key].size() > 1)
            key += '\n' + files_[r.at.file].submitterId;
        auto [it, added] = byKey.try_emplace(key, StudentId(students_.size()));
        if (added) {
            students_.add({});
            tally.emplace_back();
        }
        r.student = it->second;
        Student& st = students_[r.student];
        if (std::find(st.initials.begin(), st.initials.end(), r.initials) == st.initials.end())
            st.initials.push_back(r.initials);
        auto [t, fresh] = tally[r.student.index()].try_emplace(r.spelling, std::pair{std::size_t{0}, r.start});
        ++t->second.first;
        t->second.second = std::min(t->second.second, r.start);
        keys.push_back(key);
    }
    for (StudentId s : students_.ids()) {
        const auto& spellings = tally[s.index()];
        const auto best = std::min_element(spellings.begin(), spellings.end(), [](const auto& x, const auto& y) {
            return x.second.first != y.second.first ? x.second.first > y.second.first
                                                    : x.second.second < y.second.second;
        });
        students_[s].name = spellings_[best->first];
    }
    nameFindings(m, keys);
}

void Assembler::nameFindings(Model& m, const std::vector<std::string>& keys)
{
    std::set<std::pair<FileId, std::string>> said; // each finding once per file
    auto find = [&](const Place& at, std::string what) {
        if (said.insert({at.file, what}).second)
            m.names.push_back({at.file, at.line, std::move(what)});
    };
    std::map<std::string, std::set<StudentId>> studentsOf; // folded name -> students
    for (std::size_t k = 0; k < rawSittings_.size(); ++k)
        studentsOf[keys[k].substr(0, keys[k].find('\n'))].insert(rawSittings_[k].student);
    for (std::size_t k = 0; k < rawSittings_.size(); ++k) {
        const RawSitting& r = rawSittings_[k];
        Student& st = students_[r.student];
        const InputFile& file = files_[r.at.file];
        const std::string& spelt = spellings_[r.spelling];
        if (spelt != st.name)
            find(r.at, "the header spells the name " + inQuotes(spelt) + ", shown as " + inQuotes(st.name));
        const std::size_t alike = studentsOf[keys[k].substr(0, keys[k].find('\n'))].size();
        if (alike > 1)
            find(r.at, "one of " + std::to_string(alike) + " students named " + inQuotes(st.name) +
                           ", told apart by the submitter id " + file.submitterId);
        if (file.submitterId.empty())
            continue;
        // No name where the platform gave none (blind marking) or only
        // Canvas's squeezed one: the id alone.
        const std::string submitter = text::toCp1252(file.submitterName, nullptr);
        const std::string by = submitter + " (" + file.submitterId + ")";
        if (submitters_[r.student].insert(by).second) {
            if (!submitter.empty())
                st.submittedBy += (st.submittedBy.empty() ? "" : "; ") + submitter;
            st.submitterIds += (st.submitterIds.empty() ? "" : "; ") + file.submitterId;
        }
        if (submitter.empty() || squash(submitter) == squash(spelt))
            continue;
        find(r.at, "handed in by " + text::toUtf8(by) + "; its headers name " + text::toUtf8(spelt));
        handedIn_.push_back({submitter, file.submitterId, r.assignment});
    }
}

// A submitter whose file holds another student's work is listed all the
// same, under the platform's name, in that file's assignment.
void Assembler::listSubmitters()
{
    for (const auto& [name, id, assignment] : handedIn_) {
        StudentId who;
        for (StudentId s : students_.ids())
            if (squash(students_[s].name) == squash(name))
                who = s;
        if (who.none())
            who = students_.add({name, {}, {}, {}, name, id, {}});
        auto& list = students_[who].handedIn;
        if (std::find(list.begin(), list.end(), assignment) == list.end())
            list.push_back(assignment);
    }
}

} // namespace qa::review
