// Opening the chosen assignment: find its header, touch the master file, and
// write the opening header to the master and send files.
#include "app/tutor.h"
#include "coding/code_scheme.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "records/layouts.h"

namespace qa {

void Tutor::openAssignment()
{
    try {
        bankIndex = 0;
        std::string line;
        const std::string header = assignmentNumber + ".";
        while (text::left(line, 4) != header)
            line = questionBank.readNext(bankIndex);

        displayMode = 1;
        p_.files.touch(masterFilePath);

        const double row = text::roundHalfEven(text::leadingNumber(assignmentNumber));
        if (row < 0 || row > 100)
            throw RuntimeError(kSubscriptOutOfRange);
        startQuestion = startTable[static_cast<std::size_t>(row)][50];
        // The start-question table is never filled, so the bank stays on the header.

        const records::OpeningHeader block{makeCodeLine(codeNbr), studentName, assignmentNumber, line, initials};
        p_.files.appendAll(
            records::openingHeader(block, {masterFilePath, sendFilePath, notesFilePath}, codeNbr, p_.clock));
    } catch (const RuntimeError& error) {
        procedureFailed(error);
    }
}

} // namespace qa
