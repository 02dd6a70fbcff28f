// One student, one row. Where a learning platform's download says who handed
// a file in, its participant (the platform and the participant's id) is the
// student: marks and feedback go to that participant, whatever name the
// headers give. Files from no platform go by the name in their headers: names
// that differ only in case or in blanks are one student, and such a file joins
// the one participant whose files carry that name. A student is shown under
// the spelling its headers use most (the earliest on a tie). A file whose
// headers name someone else than its participant, and a name two participants
// share, are findings.
#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "platform/text.h"
#include "review/intake/stages.h"
#include "review/model/fold.h"

namespace qa::review {
namespace {

// Letters and digits only, accents taken off Latin letters: how a platform may
// spell a name in a file name ("annlee" for "Ann Lee"). Letters of other
// scripts stay as they are.
std::string squash(std::string_view utf8)
{
    // U+00C0 to U+00FF without their accents; '-' for no letter.
    static constexpr std::string_view kPlain = "aaaaaaaceeeeiiiidnooooo-ouuuuyts"
                                               "aaaaaaaceeeeiiiidnooooo-ouuuuyty";
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            const char lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
            if ((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9'))
                out += lower;
            ++i;
            continue;
        }
        std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        n = std::min(n, utf8.size() - i);
        if (n == 2 && (c == 0xC3 || c == 0xC2)) {
            const unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            if (cp >= 0xC0 && kPlain[cp - 0xC0] != '-')
                out += kPlain[cp - 0xC0];
        } else {
            out.append(utf8, i, n);
        }
        i += n;
    }
    return out;
}

// The words of a name, squashed.
std::vector<std::string> wordsOf(std::string_view utf8)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : utf8) {
        if (c == ' ' || c == '-' || c == '\'' || c == '.' || c == ',' || c == '_') {
            if (!word.empty())
                words.push_back(squash(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(squash(word));
    std::erase(words, std::string());
    return words;
}

// Whether the platform's name and the one typed in a header are the same
// person's as far as spelling goes: the same letters, also with the family
// name first ("leeann" for "Ann Lee", as a platform sorts names).
bool sameName(std::string_view platformUtf8, std::string_view typedUtf8)
{
    const std::string platform = squash(platformUtf8);
    if (platform == squash(typedUtf8))
        return true;
    const std::vector<std::string> words = wordsOf(typedUtf8);
    for (std::size_t k = 1; k < words.size(); ++k) {
        std::string rotated;
        for (std::size_t w = 0; w < words.size(); ++w)
            rotated += words[(k + w) % words.size()];
        if (rotated == platform)
            return true;
    }
    return false;
}

std::string inQuotes(std::string_view utf8)
{
    return "\"" + std::string(utf8) + "\"";
}

// The key of a participant: the platform and its id.
std::string participantKey(const InputFile& f)
{
    return std::string(1, '\x01') + (f.platform ? f.platform : "") + '\x01' + f.submitterId;
}

// A file from no platform joins the one participant the platform names as
// its headers do, if there is exactly one; the names in other participants'
// headers are no proof of whose it is.
class Joins {
public:
    // `participants`: by key, with the names the platform gives them.
    Joins(const std::vector<std::string>& spellings, std::map<std::string, std::string> participants)
        : spellings_(spellings), participants_(std::move(participants))
    {
    }
    // The participant's key the spelling joins, "" for none.
    const std::string& operator()(std::uint32_t spelling)
    {
        auto [it, added] = joins_.try_emplace(spelling);
        if (added) {
            std::size_t n = 0;
            const std::string typed = text::toUtf8(spellings_[spelling]);
            for (const auto& [key, name] : participants_)
                if (!name.empty() && sameName(name, typed) && ++n == 1)
                    it->second = key;
            if (n != 1)
                it->second.clear();
        }
        return it->second;
    }

private:
    const std::vector<std::string>& spellings_;
    std::map<std::string, std::string> participants_;
    std::map<std::uint32_t, std::string> joins_;
};

} // namespace

void Assembler::buildStudents(Model& m)
{
    std::vector<std::string> folded(spellings_.size());
    for (std::size_t k = 0; k < spellings_.size(); ++k)
        folded[k] = foldText(spellings_[k]);
    std::map<std::string, std::string> participants;
    for (const RawSitting& r : rawSittings_)
        if (const InputFile& f = files_[r.at.file]; !f.submitterId.empty())
            participants.try_emplace(participantKey(f), f.submitterName);
    Joins joined(spellings_, std::move(participants));
    Tally tally;
    std::map<std::string, StudentId> byKey;
    for (RawSitting& r : rawSittings_) {
        const InputFile& f = files_[r.at.file];
        std::string key = folded[r.spelling];
        if (!f.submitterId.empty())
            key = participantKey(f);
        else if (const std::string& participant = joined(r.spelling); !participant.empty())
            key = participant;
        auto [it, added] = byKey.try_emplace(key, StudentId(students_.size()));
        if (added) {
            students_.add({});
            tally.emplace_back();
        }
        r.student = it->second;
        Student& st = students_[r.student];
        if (!f.submitterId.empty() && st.participantId.empty()) {
            st.participantId = f.submitterId;
            st.participantName = f.submitterName;
        }
        st.blind = st.blind || f.blind;
        st.late = st.late || f.late;
        if (std::find(st.initials.begin(), st.initials.end(), r.initials) == st.initials.end())
            st.initials.push_back(r.initials);
        auto [t, fresh] = tally[r.student.index()].try_emplace(r.spelling, std::pair{std::size_t{0}, r.start});
        ++t->second.first;
        t->second.second = std::min(t->second.second, r.start);
    }
    nameStudents(tally);
    nameFindings(m);
}

void Assembler::nameStudents(const Tally& tally)
{
    for (StudentId s : students_.ids()) {
        const auto& spellings = tally[s.index()];
        const auto best = std::min_element(spellings.begin(), spellings.end(), [](const auto& x, const auto& y) {
            return x.second.first != y.second.first ? x.second.first > y.second.first
                                                    : x.second.second < y.second.second;
        });
        students_[s].name = spellings_[best->first];
    }
    if (!showNames_)
        for (Student& st : students_)
            if (st.blind) {
                st.hiddenName = std::move(st.name);
                st.name = "Participant " + st.participantId;
                st.initials.clear();
            }
}

void Assembler::nameFindings(Model& m)
{
    std::set<std::pair<FileId, std::string>> said; // each finding once per file
    auto find = [&](const Place& at, std::string what) {
        if (said.insert({at.file, what}).second)
            m.names.push_back({at.file, at.line, std::move(what)});
    };
    // The students each shown name stands for, and where each participant's
    // own files (those naming them) first stand.
    std::map<std::string, std::set<StudentId>> studentsOf;
    for (StudentId s : students_.ids())
        studentsOf[foldText(students_[s].name)].insert(s);
    std::map<StudentId, Place> ownFile;
    for (const RawSitting& r : rawSittings_) {
        const Student& st = students_[r.student];
        if (!st.participantName.empty() && sameName(st.participantName, text::toUtf8(spellings_[r.spelling])))
            ownFile.try_emplace(r.student, r.at);
    }
    for (const RawSitting& r : rawSittings_) {
        const Student& st = students_[r.student];
        const InputFile& file = files_[r.at.file];
        if (st.blind && !showNames_)
            continue; // names stay hidden
        const std::string spelt = text::toUtf8(spellings_[r.spelling]);
        const std::string shown = text::toUtf8(st.name);
        if (spelt != shown)
            find(r.at, "the header spells the name " + inQuotes(spelt) + ", shown as " + inQuotes(shown));
        const std::size_t alike = studentsOf[foldText(st.name)].size();
        if (alike > 1 && !st.participantId.empty())
            find(r.at, "one of " + std::to_string(alike) + " students named " + inQuotes(shown) +
                           ", told apart by the submitter id " + st.participantId);
        // Canvas gives only a squeezed sortable name ("leeann"): compared, and
        // shown only in quotes. A blind download gives none.
        const std::string& platformName = file.submitterName.empty() ? file.squeezedName : file.submitterName;
        if (platformName.empty() || sameName(platformName, spelt))
            continue;
        const std::string by =
            (file.submitterName.empty() ? inQuotes(platformName) : platformName) + " (" + file.submitterId + ")";
        find(r.at, "handed in by " + by + "; its headers name " + spelt);
        students_[r.student].namedOther = true;
        // The one whose name it carries, where they handed in work of their own.
        for (StudentId other : students_.ids()) {
            const Student& o = students_[other];
            if (other == r.student || o.participantName.empty() || !sameName(o.participantName, spelt))
                continue;
            if (const auto own = ownFile.find(other); own != ownFile.end())
                find(own->second, "a file handed in by " + by + " names " + o.participantName + " (" +
                                      o.participantId + ") in its headers; its answers stay with " +
                                      file.submitterName);
        }
    }
}

} // namespace qa::review
