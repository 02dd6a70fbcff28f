#pragma once
#include <string>
#include <vector>

namespace qa {

// The in-memory question bank: 5001 texts, indices 0 to 5000. Every reader
// and writer goes through the access rule: add 1 to the position, check it,
// then touch that entry.
class QuestionBank {
public:
    static constexpr long long kLast = 5000;

    QuestionBank() : entries_(kLast + 1) {}

    // The entry at `index`; raises error 9 outside 0 to 5000.
    const std::string& at(long long index) const;

    // Advances `position` by one and returns the entry there (error 9 outside).
    const std::string& readNext(long long& position) const;
    // Advances `position` by one and stores `text` there (error 9 outside).
    void storeNext(long long& position, std::string text);

    static bool inRange(long long index) { return index >= 0 && index <= kLast; }

private:
    std::vector<std::string> entries_;
};

} // namespace qa
