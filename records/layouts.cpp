#include "records/layouts.h"

#include <algorithm>
#include <concepts>
#include <string_view>

#include "coding/code_scheme.h"
#include "platform/text.h"

namespace qa::records {
namespace {

using Parts = std::vector<AppendPart>;
enum File : std::size_t { kMaster, kSend, kNotes };

void line(std::string& out, std::string_view text)
{
    out.append(text);
    out.append(text::kCrLf);
}

// Writes one line to every file, master first, made for each file in turn.
// Blocks go line by line across the files because every date and time is read
// afresh for each file, and the clock's reads must come in that order.
template <std::invocable<File> Make> void toEach(Parts& parts, Make make)
{
    for (std::size_t f = 0; f < parts.size(); ++f)
        line(parts[f].bytes, make(static_cast<File>(f)));
}

void toEach(Parts& parts, std::string_view text)
{
    toEach(parts, [text](File) { return text; });
}

} // namespace

Parts openingHeader(const OpeningHeader& in, const RecordPaths& paths, double codeNbr, Clock& clock)
{
    Parts parts{{paths.master, {}}, {paths.send, {}}};
    toEach(parts, in.codeLine);
    toEach(parts, coding::code(kNameLabel + in.studentName, codeNbr));
    toEach(parts, coding::code(kAssignmentLabel + in.assignmentNumber, codeNbr));
    toEach(parts, coding::code(in.headerLine, codeNbr));
    toEach(parts, kInitialsLabel + in.initials);
    toEach(parts, [&](File f) {
        std::string stamp = kDateLabel + clock.date();
        if (f == kSend)
            stamp += kSendDateTimeSeparator;
        return stamp + clock.time();
    });
    return parts;
}

Parts responseBlock(const ResponseBlock& in, const RecordPaths& paths, double codeNbr, Clock& clock)
{
    Parts parts{{paths.master, {}}, {paths.send, {}}};
    const double tag = text::leadingNumber(in.assignmentNumber) * 10000 + text::leadingNumber(in.questionNumber);
    toEach(parts, kOpeningRule);
    toEach(parts, [&](File) { return kIndent + clock.time(); });
    line(parts[kMaster].bytes, "");
    line(parts[kMaster].bytes, "");
    line(parts[kMaster].bytes, kQuestionTag + text::numberItem(tag));
    toEach(parts, coding::code(in.currentLine, codeNbr));
    toEach(parts, kOpeningRule);
    toEach(parts, kResponseLabel);
    toEach(parts, coding::code(in.answer, codeNbr));
    toEach(parts, kClosingRule);
    return parts;
}

Parts notesBlock(const NotesBlock& in, const RecordPaths& paths, double codeNbr, Clock& clock)
{
    Parts parts{{paths.master, {}}, {paths.send, {}}, {paths.notes, {}}};
    toEach(parts, kOpeningRule);
    toEach(parts, [&](File) { return kIndent + clock.time(); });
    toEach(parts, [&](File) {
        std::string stamp = kIndent + clock.date();
        return stamp + clock.time();
    });
    toEach(parts, coding::code(in.currentLine, codeNbr));
    toEach(parts, kOpeningRule);
    toEach(parts, coding::code(in.noteLine, codeNbr));
    // The send and notes copies stay on the line: the next block goes on from
    // the next print zone.
    line(parts[kMaster].bytes, kClosingRule);
    for (File f : {kSend, kNotes})
        parts[f].bytes.append(kClosingRule).append(kToNextZone);
    return parts;
}

std::optional<RecordedText> recordedTextOf(std::string_view masterBlock)
{
    // The text follows the second opening rule (with the response label on a
    // line of its own, or the notes prefix before it) and runs up to the
    // closing rule. The earlier of the two marks is the block's own: the
    // other can only stand inside the text. The question line stands just
    // before that rule.
    const std::string crLf(text::kCrLf);
    const std::string start = kOpeningRule + crLf;
    const std::string response = crLf + start + kResponseLabel + crLf;
    const std::string note = crLf + start + kNotesPrefix;
    const std::string end = crLf + kClosingRule + crLf;
    if (!masterBlock.starts_with(start) || !masterBlock.ends_with(end))
        return std::nullopt;
    const std::size_t atResponse = masterBlock.find(response), atNote = masterBlock.find(note);
    const std::size_t at = std::min(atResponse, atNote);
    if (at == std::string_view::npos || at == 0)
        return std::nullopt;
    const std::size_t from = at + (at == atResponse ? response.size() : note.size());
    if (from > masterBlock.size() - end.size())
        return std::nullopt;
    const std::size_t lineAt = masterBlock.rfind(crLf, at - 1);
    const std::size_t lineFrom = lineAt == std::string_view::npos ? 0 : lineAt + 2;
    RecordedText out;
    out.line = masterBlock.substr(lineFrom, at - lineFrom);
    out.note = at != atResponse;
    out.text = masterBlock.substr(from, masterBlock.size() - end.size() - from);
    return out;
}

bool sameRecordedText(const std::string& earlier, const std::string& now)
{
    const std::optional<RecordedText> a = recordedTextOf(earlier);
    const std::optional<RecordedText> b = recordedTextOf(now);
    return a && b && a->line == b->line && a->note == b->note && a->text == b->text;
}

std::optional<RecordedText> lastRecordingFor(std::string_view master, std::string_view line)
{
    const std::string crLf(text::kCrLf);
    const std::string key = crLf + std::string(line) + crLf + kOpeningRule + crLf;
    const std::string label = kResponseLabel + crLf;
    const std::string end = crLf + kClosingRule + crLf;
    const std::string prefix = kNotesPrefix;
    for (std::size_t at = master.rfind(key); at != std::string_view::npos;
         at = at ? master.rfind(key, at - 1) : at) {
        const std::size_t pos = at + key.size();
        const bool response = master.compare(pos, label.size(), label) == 0;
        const bool note = master.compare(pos, prefix.size(), prefix) == 0;
        if (response || note) {
            const std::size_t from = pos + (response ? label.size() : prefix.size());
            const std::size_t to = master.find(end, from);
            if (to == std::string_view::npos)
                return std::nullopt;
            return RecordedText{std::string(line), note, std::string(master.substr(from, to - from))};
        }
        if (at == 0)
            break;
    }
    return std::nullopt;
}

} // namespace qa::records
