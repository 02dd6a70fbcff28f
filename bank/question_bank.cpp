#include "bank/question_bank.h"

#include "platform/errors.h"

namespace qa {

const std::string& QuestionBank::at(long long index) const
{
    if (!inRange(index))
        throw RuntimeError(kSubscriptOutOfRange);
    return entries_[static_cast<std::size_t>(index)];
}

const std::string& QuestionBank::readNext(long long& position) const
{
    ++position;
    return at(position);
}

void QuestionBank::storeNext(long long& position, std::string text)
{
    ++position;
    if (!inRange(position))
        throw RuntimeError(kSubscriptOutOfRange);
    entries_[static_cast<std::size_t>(position)] = std::move(text);
}

} // namespace qa
