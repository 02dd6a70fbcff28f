#include "app/tutor.h"
#include "bank/builtin_content.h"

namespace qa {

void Tutor::loadQuestionBank()
{
    if (bankLoader_) {
        bankLoader_(questionBank, bankIndex);
        return;
    }
    for (const std::string& line : bank::builtinContent())
        questionBank.storeNext(bankIndex, line);
}

} // namespace qa
