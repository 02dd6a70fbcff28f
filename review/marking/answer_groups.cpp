// Alike answers: the review's folding and near-identical measure over one
// question's answers, the question left out; the groups joined through
// either; each member's words against the first's by their longest common
// subsequence.
#include "review/marking/answer_groups.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "platform/text.h"
#include "review/checks/similar.h"
#include "review/model/fold.h"

namespace qa::review {
namespace {

// Past this many cells the middle of two answers that differ is marked
// changed whole rather than compared word by word.
constexpr std::size_t kMostCells = std::size_t(1) << 22;

bool ascii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A UTF-8 text as the review folds it (the check reads Windows-1252; most
// answers are ASCII, the same in both).
std::string folded(std::string_view utf8)
{
    return foldText(ascii(utf8) ? std::string(utf8) : text::toCp1252(utf8, nullptr));
}

// A word's folded hash; an ASCII word (most are) only lower-cased.
std::uint64_t wordKey(std::string_view word)
{
    return text::fnv1a(ascii(word) ? text::lower(word) : folded(word));
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// An answer cut after each word's trailing blanks (blanks before the first
// word go with it), where the word is in each piece, and each word's folded
// hash.
struct Words {
    std::vector<std::string_view> pieces;
    std::vector<std::pair<std::size_t, std::size_t>> word; // begin, end in the piece
    std::vector<std::uint64_t> keys;
};

Words wordsOf(std::string_view s)
{
    Words w;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t b = i;
        while (b < s.size() && isBlank(s[b]))
            ++b;
        std::size_t e = b;
        while (e < s.size() && !isBlank(s[e]))
            ++e;
        std::size_t next = e;
        while (next < s.size() && isBlank(s[next]))
            ++next;
        w.pieces.push_back(s.substr(i, next - i));
        w.word.emplace_back(b - i, e - i);
        w.keys.push_back(wordKey(s.substr(b, e - b)));
        i = next;
    }
    return w;
}

// Which of `of`'s words are not in a longest common subsequence with `with`.
std::vector<bool> changedWords(const std::vector<std::uint64_t>& of, const std::vector<std::uint64_t>& with)
{
    std::vector<bool> changed(of.size(), false);
    std::size_t head = 0;
    while (head < of.size() && head < with.size() && of[head] == with[head])
        ++head;
    std::size_t tail = 0;
    while (tail < of.size() - head && tail < with.size() - head &&
           of[of.size() - 1 - tail] == with[with.size() - 1 - tail])
        ++tail;
    const std::size_t n = of.size() - head - tail, m = with.size() - head - tail;
    if (n == 0)
        return changed;
    if (m == 0 || n * m > kMostCells) {
        std::fill(changed.begin() + std::ptrdiff_t(head), changed.begin() + std::ptrdiff_t(head + n), true);
        return changed;
    }
    // lcs[i][j]: of the words from head + i and from head + j on.
    std::vector<std::uint32_t> lcs((n + 1) * (m + 1), 0);
    const auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t& { return lcs[i * (m + 1) + j]; };
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            at(i, j) =
                of[head + i] == with[head + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    for (std::size_t i = 0, j = 0; i < n;) {
        if (j < m && of[head + i] == with[head + j]) {
            ++i;
            ++j;
        } else if (j < m && at(i, j + 1) > at(i + 1, j)) {
            ++j;
        } else {
            changed[head + i] = true;
            ++i;
        }
    }
    return changed;
}

// The pieces as spans: the blanks between two changed words are changed, the
// blanks around a run of them are not.
std::vector<AnswerSpan> spansOf(const Words& member, const std::vector<bool>& changed)
{
    std::vector<AnswerSpan> spans;
    const auto add = [&spans](std::string_view text, bool isChanged) {
        if (text.empty())
            return;
        if (spans.empty() || spans.back().changed != isChanged)
            spans.push_back({{}, isChanged});
        spans.back().text += text;
    };
    for (std::size_t k = 0; k < member.pieces.size(); ++k) {
        const std::string_view piece = member.pieces[k];
        const auto [b, e] = member.word[k];
        add(piece.substr(0, b), false);
        add(piece.substr(b, e - b), changed[k]);
        add(piece.substr(e), changed[k] && k + 1 < changed.size() && changed[k + 1]);
    }
    return spans;
}

std::size_t root(std::vector<std::size_t>& parent, std::size_t x)
{
    while (parent[x] != x)
        x = parent[x] = parent[parent[x]];
    return x;
}

// The students of each distinct answer (folded, without the question), and
// the distinct answers near-identical ones are joined to.
struct Distinct {
    std::vector<std::string> texts;
    std::vector<std::vector<std::size_t>> students;
    std::vector<std::size_t> parent;
};

Distinct distinctAnswers(const Sheet& sheet, std::size_t question)
{
    Distinct d;
    const std::string asked = folded(sheet.questions[question]);
    std::unordered_map<std::string, std::size_t> index;
    for (std::size_t s = 0; s < sheet.students.size(); ++s) {
        const SheetCell& cell = sheet.cell(s, question);
        if (!cell.answered)
            continue;
        std::string text = leaveOut(folded(cell.answer), asked);
        if (text.empty())
            continue;
        const auto [it, added] = index.emplace(std::move(text), d.texts.size());
        if (added) {
            d.texts.push_back(it->first);
            d.students.emplace_back();
        }
        d.students[it->second].push_back(s);
    }
    d.parent.resize(d.texts.size());
    std::iota(d.parent.begin(), d.parent.end(), std::size_t(0));
    const std::vector<std::string_view> views(d.texts.begin(), d.texts.end());
    for (const Similar& pair : nearIdentical(views))
        d.parent[root(d.parent, pair.a)] = root(d.parent, pair.b);
    return d;
}

AnswerGroup groupOf(const Sheet& sheet, std::size_t question,
                    std::vector<std::pair<std::size_t, std::size_t>> members)
{
    std::sort(members.begin(), members.end()); // (student, distinct answer)
    AnswerGroup group;
    const Words first = wordsOf(sheet.cell(members.front().first, question).answer);
    for (const auto& [student, answer] : members) {
        const Words words = wordsOf(sheet.cell(student, question).answer);
        group.members.push_back(
            {student, answer == members.front().second, spansOf(words, changedWords(words.keys, first.keys))});
    }
    return group;
}

} // namespace

bool AnswerGroup::identical() const
{
    return std::all_of(members.begin(), members.end(), [](const GroupMember& m) { return m.same; });
}

bool blankWithoutQuestion(const Sheet& sheet, std::size_t student, std::size_t question)
{
    const SheetCell& cell = sheet.cell(student, question);
    return !cell.answered || leaveOut(folded(cell.answer), folded(sheet.questions[question])).empty();
}

std::vector<AnswerGroup> answerGroups(const Sheet& sheet, std::size_t question)
{
    std::vector<AnswerGroup> groups;
    if (question >= sheet.questions.size())
        return groups;
    Distinct d = distinctAnswers(sheet, question);
    std::unordered_map<std::size_t, std::vector<std::pair<std::size_t, std::size_t>>> byRoot;
    for (std::size_t t = 0; t < d.texts.size(); ++t)
        for (std::size_t s : d.students[t])
            byRoot[root(d.parent, t)].emplace_back(s, t);
    for (auto& [r, members] : byRoot)
        if (members.size() > 1)
            groups.push_back(groupOf(sheet, question, std::move(members)));
    std::sort(groups.begin(), groups.end(), [](const AnswerGroup& x, const AnswerGroup& y) {
        return std::pair(y.members.size(), x.members.front().student) <
               std::pair(x.members.size(), y.members.front().student);
    });
    return groups;
}

} // namespace qa::review
