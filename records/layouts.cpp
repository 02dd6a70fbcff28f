#include "records/layouts.h"

#include <string_view>

#include "coding/code_scheme.h"
#include "platform/text.h"

namespace qa::records {
namespace {

void line(std::string& out, std::string_view text)
{
    out.append(text);
    out.append(text::kCrLf);
}

} // namespace

std::vector<AppendPart> openingHeader(const OpeningHeader& in, const RecordPaths& paths, double codeNbr,
                                      Clock& clock)
{
    std::vector<AppendPart> parts{{paths.master, {}}, {paths.send, {}}};
    for (std::size_t f = 0; f < parts.size(); ++f) {
        std::string& out = parts[f].bytes;
        line(out, in.codeLine);
        line(out, coding::code(kNameLabel + in.studentName, codeNbr));
        line(out, coding::code(kAssignmentLabel + in.assignmentNumber, codeNbr));
        line(out, coding::code(in.headerLine, codeNbr));
        line(out, kInitialsLabel + in.initials);
        std::string stamp = kDateLabel + clock.date();
        if (f == 1)
            stamp += kSendDateTimeSeparator;
        stamp += clock.time();
        line(out, stamp);
    }
    return parts;
}

std::vector<AppendPart> responseBlock(const ResponseBlock& in, const RecordPaths& paths, double codeNbr,
                                      Clock& clock)
{
    std::vector<AppendPart> parts{{paths.master, {}}, {paths.send, {}}};
    std::string& master = parts[0].bytes;
    std::string& send = parts[1].bytes;
    const double tag = text::leadingNumber(in.assignmentNumber) * 10000 + text::leadingNumber(in.questionNumber);

    for (auto* out : {&master, &send})
        line(*out, kOpeningRule);
    for (auto* out : {&master, &send})
        line(*out, kIndent + clock.time());
    line(master, "");
    line(master, "");
    line(master, kQuestionTag + text::numberItem(tag));
    for (auto* out : {&master, &send})
        line(*out, coding::code(in.currentLine, codeNbr));
    for (auto* out : {&master, &send})
        line(*out, kOpeningRule);
    for (auto* out : {&master, &send})
        line(*out, kResponseLabel);
    for (auto* out : {&master, &send})
        line(*out, coding::code(in.answer, codeNbr));
    for (auto* out : {&master, &send})
        line(*out, kClosingRule);
    return parts;
}

std::vector<AppendPart> notesBlock(const NotesBlock& in, const RecordPaths& paths, double codeNbr, Clock& clock)
{
    std::vector<AppendPart> parts{{paths.master, {}}, {paths.send, {}}, {paths.notes, {}}};
    auto each = [&](auto&& write) {
        for (AppendPart& p : parts)
            write(p.bytes);
    };
    each([](std::string& out) { line(out, kOpeningRule); });
    each([&](std::string& out) { line(out, kIndent + clock.time()); });
    each([&](std::string& out) {
        std::string stamp = kIndent + clock.date();
        line(out, stamp + clock.time());
    });
    each([&](std::string& out) { line(out, coding::code(in.currentLine, codeNbr)); });
    each([](std::string& out) { line(out, kOpeningRule); });
    each([&](std::string& out) { line(out, coding::code(in.noteLine, codeNbr)); });
    line(parts[0].bytes, kClosingRule);
    for (std::size_t f = 1; f < parts.size(); ++f)
        parts[f].bytes.append(kClosingRule).append(kToNextZone);
    return parts;
}

} // namespace qa::records
