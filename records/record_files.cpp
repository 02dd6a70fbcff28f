#include "records/record_files.h"

#include "records/layouts.h"

namespace qa::records {

void RecordFiles::touchMaster()
{
    files_.touch(session_.paths().master);
}

std::vector<AppendPart> RecordFiles::opening(const std::string& codeLine, const std::string& headerLine)
{
    const OpeningHeader block{codeLine, session_.studentName(), session_.assignmentNumber(), headerLine,
                              session_.initials()};
    return openingHeader(block, session_.paths(), session_.codeNbr(), clock_);
}

void RecordFiles::appendOpening(const std::string& codeLine, const std::string& headerLine)
{
    files_.appendAll(opening(codeLine, headerLine));
}

void RecordFiles::keepOpening(const std::string& codeLine, const std::string& headerLine)
{
    pendingOpening_ = opening(codeLine, headerLine);
}

// No record file gets a block before the session's header: when it cannot be
// written, nothing after it is.
void RecordFiles::writePendingOpening()
{
    if (pendingOpening_.empty())
        return;
    files_.appendAll(pendingOpening_);
    pendingOpening_.clear();
}

void RecordFiles::appendResponse(const std::string& answer, const std::string& currentLine,
                                 const std::string& questionNumber)
{
    writePendingOpening();
    const ResponseBlock block{answer, currentLine, session_.assignmentNumber(), questionNumber};
    files_.appendAll(responseBlock(block, session_.paths(), session_.codeNbr(), clock_), sameRecordedText);
}

void RecordFiles::appendNote(const std::string& noteLine, const std::string& currentLine)
{
    writePendingOpening();
    files_.appendAll(notesBlock({noteLine, currentLine}, session_.paths(), session_.codeNbr(), clock_),
                     sameRecordedText);
}

std::optional<std::string> RecordFiles::readNotes()
{
    if (files_.isMissingOrEmpty(session_.paths().notes))
        return std::nullopt;
    return files_.readAll(session_.paths().notes);
}

} // namespace qa::records
