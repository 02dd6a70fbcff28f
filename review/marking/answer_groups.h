#pragma once
// Alike answers of one question, to mark together: the same answer handed in
// by several students, and answers the review finds near-identical, each
// compared without the question's own text (students paste the question into
// the answer; an answer that is only the question is blank, and alike to
// none). Each member comes with its words against the group's first, for the
// window to show where they differ.
#include <cstddef>
#include <string>
#include <vector>

#include "review/marking/sheet.h"

namespace qa::review {

// A piece of a member's answer: words the group's first answer has in the
// same order (blanks between them count with them), or words it has not.
struct AnswerSpan {
    std::string text; // UTF-8, a piece of the answer as handed in
    bool changed = false;
};

struct GroupMember {
    std::size_t student = 0;
    // The same answer as the group's first, once folded and without the
    // question; else only near-identical to one of the group.
    bool same = false;
    // The whole answer, piece by piece: the pieces joined are the answer.
    std::vector<AnswerSpan> spans;
};

struct AnswerGroup {
    std::vector<GroupMember> members; // two or more, in the sheet's order
    // Whether every member handed in the same answer as the first.
    bool identical() const;
};

// The groups of the question's handed-in answers that are not blank: answers
// that fold to the same text, joined with those the review's check finds
// near-identical (its measure and its threshold). The largest group first,
// then by the sheet's order of their first members.
std::vector<AnswerGroup> answerGroups(const Sheet& sheet, std::size_t question);

// Whether the student's answer is blank once the question's own text is left
// out (the answer is only the question, or nothing).
bool blankWithoutQuestion(const Sheet& sheet, std::size_t student, std::size_t question);

} // namespace qa::review
