#include "app/unrecorded_text.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "app/tutor.h"
#include "platform/text.h"
#include "records/layouts.h"

namespace qa {
namespace {

// A draft file is this head and one entry; a file of set-aside texts is its
// head and any number of entries. An entry is one line
// "<kind> <bank entry> <MM-DD-YYYY> <HH:MM:SS> <line length> <text length>",
// then the question line and the text.
constexpr std::string_view kDraftHead = "qa-tutor draft 2\n";
constexpr std::string_view kAsideHead = "qa-tutor set aside 2\n";
// A draft as kept before it named its question line: the head, the stamp
// "MM-DD-YYYY HH:MM:SS" on a line, then the text.
constexpr std::string_view kPlainDraftHead = "qa-tutor draft\n";

std::string entryText(const KeptText& k)
{
    return std::string(1, static_cast<char>(k.kind)) + ' ' + std::to_string(k.index) + ' ' + k.date + ' ' +
           k.time + ' ' + std::to_string(k.line.size()) + ' ' + std::to_string(k.text.size()) + '\n' + k.line +
           k.text;
}

std::optional<KeptText> readEntry(std::string_view& in)
{
    const std::size_t eol = in.find('\n');
    if (eol == std::string_view::npos || eol < 27)
        return std::nullopt;
    const std::string head(in.substr(0, eol));
    KeptText k;
    k.kind = static_cast<KeptText::Kind>(head[0]);
    char* at = nullptr;
    k.index = std::strtoll(head.c_str() + 1, &at, 10);
    if (k.kind != KeptText::Typed && k.kind != KeptText::Response && k.kind != KeptText::Note)
        return std::nullopt;
    const std::size_t stamp = static_cast<std::size_t>(at - head.c_str()) + 1;
    if (stamp + 20 > head.size())
        return std::nullopt;
    k.date = head.substr(stamp, 10);
    k.time = head.substr(stamp + 11, 8);
    const unsigned long long lineSize = std::strtoull(head.c_str() + stamp + 19, &at, 10);
    const unsigned long long textSize = std::strtoull(at, nullptr, 10);
    in.remove_prefix(eol + 1);
    if (lineSize > in.size() || textSize > in.size() - lineSize)
        return std::nullopt;
    k.line = in.substr(0, lineSize);
    k.text = in.substr(lineSize, textSize);
    in.remove_prefix(lineSize + textSize);
    return k;
}

std::vector<KeptText> readEntries(const std::optional<std::string>& file, std::string_view head)
{
    std::vector<KeptText> out;
    if (!file)
        return out;
    std::string_view in = *file;
    if (in.substr(0, kPlainDraftHead.size()) == kPlainDraftHead && in.size() >= kPlainDraftHead.size() + 20) {
        KeptText k;
        k.date = in.substr(kPlainDraftHead.size(), 10);
        k.time = in.substr(kPlainDraftHead.size() + 11, 8);
        k.text = in.substr(kPlainDraftHead.size() + 20);
        out.push_back(k);
        return out;
    }
    if (in.substr(0, head.size()) != head) {
        if (head == kAsideHead && !in.empty()) // set aside before texts named their question
            out.push_back(KeptText{KeptText::Response, {}, 0, std::string(in), {}, {}});
        return out;
    }
    in.remove_prefix(head.size());
    while (!in.empty())
        if (std::optional<KeptText> k = readEntry(in))
            out.push_back(std::move(*k));
        else
            break;
    return out;
}

bool wholeInMaster(const std::string& master, const KeptText& k)
{
    if (k.line.empty())
        return false;
    const std::optional<records::RecordedText> last = records::lastRecordingFor(master, k.line);
    std::u32string unencodable;
    const std::string typed = text::toCp1252(k.text, &unencodable);
    return last && unencodable.empty() && last->text == typed &&
           (k.kind == KeptText::Typed || last->note == (k.kind == KeptText::Note));
}

bool blank(const std::string& utf8)
{
    return utf8.find_first_not_of(" \t\r\n") == std::string::npos;
}

// What tells two drafts apart, leaving out when they were kept.
std::string keyOf(const KeptText& k)
{
    return std::string(1, static_cast<char>(k.kind)) + std::to_string(k.index) + '\n' +
           std::to_string(k.line.size()) + '\n' + k.line + k.text;
}

std::string asideName(const std::string& masterHost)
{
    return "cut-" + text::fingerprint(masterHost);
}

} // namespace

UnrecordedText::Opened UnrecordedText::open(const std::string& studentName, const std::string& assignmentNumber,
                                            const std::string& masterHost)
{
    const std::string key = text::fingerprint(studentName + '\0' + assignmentNumber);
    masterHost_ = masterHost;
    saved_.reset();
    lastRecorded_.clear();
    switch (files_.claim("open-" + key)) {
    case Files::Claim::Taken: return Opened::Elsewhere;
    case Files::Claim::Unavailable: draftName_.clear(); return Opened::NoStateFolder;
    case Files::Claim::Ours: break;
    }
    draftName_ = "draft-" + key;
    return Opened::Ours;
}

bool UnrecordedText::setAside(const CutRecording& cut)
{
    if (cut.files.empty())
        return true;
    const std::optional<records::RecordedText> recorded = records::recordedTextOf(cut.bytes);
    if (!recorded || blank(recorded->text))
        return true; // an opening header, or nothing typed: nothing to keep
    KeptText k;
    k.kind = recorded->note ? KeptText::Note : KeptText::Response;
    k.line = recorded->line;
    k.text = text::toUtf8(recorded->text);
    const LocalTime now = clock_.now();
    k.date = formatDate(now);
    k.time = formatTime(now);
    const std::string name = asideName(cut.files.front());
    const std::optional<std::string> file = files_.readStateFile(name);
    std::string kept(kAsideHead);
    for (const KeptText& old : readEntries(file, kAsideHead)) {
        if (old.kind == k.kind && old.line == k.line && old.text == k.text)
            return true; // a repair killed after keeping it, before the journal went
        kept += entryText(old);
    }
    return files_.writeStateFile(name, kept + entryText(k));
}

std::optional<KeptText> UnrecordedText::settle(const std::optional<std::string>& master,
                                               const std::function<bool(const std::string&)>& reaches)
{
    if (draftName_.empty())
        return std::nullopt;
    const auto gone = [&](const KeptText& k) { return blank(k.text) || (master && wholeInMaster(*master, k)); };
    const std::vector<KeptText> drafts = readEntries(files_.readStateFile(draftName_), kDraftHead);
    std::optional<KeptText> draft;
    if (!drafts.empty() && !gone(drafts.front()))
        draft = drafts.front();
    const std::string name = asideName(masterHost_);
    const std::optional<std::string> asideFile = files_.readStateFile(name);
    std::vector<KeptText> left;
    bool taken = false;
    for (const KeptText& k : readEntries(asideFile, kAsideHead)) {
        if (gone(k))
            continue;
        if (draft && draft->line == k.line && draft->text == k.text) {
            taken = taken || draft->kind != k.kind;
            draft->kind = k.kind; // the same text, now known as a response or a note
            continue;
        }
        // A text cut short is what the box held at the click, so it is newer
        // than a draft for the same line, which it replaces.
        if ((!draft || draft->line == k.line) && (k.line.empty() || reaches(k.line))) {
            draft = k;
            taken = true;
            continue;
        }
        left.push_back(k);
    }
    // The draft lands before the set-aside text goes: a kill in between
    // leaves both, and the next start finds them the same.
    if (draft && taken && !write(*draft))
        return draft;
    std::string rest(kAsideHead);
    for (const KeptText& k : left)
        rest += entryText(k);
    if (left.empty() && asideFile)
        files_.removeStateFile(name);
    else if (asideFile && rest != *asideFile)
        files_.writeStateFile(name, rest);
    if (!draft) {
        drop();
        return std::nullopt;
    }
    saved_ = keyOf(*draft);
    return draft;
}

bool UnrecordedText::unrecorded(const TypedText& box, const std::string& line) const
{
    if (!box.unencodable.empty())
        return true;
    if (box.text.find_first_not_of(" \t\r\n") == std::string::npos)
        return false;
    // What was recorded for another question line is not this one's answer.
    const auto last = lastRecorded_.find(line);
    const bool recordedHere = last != lastRecorded_.end() && last->second == box.text;
    return !recordedHere && box.text != Tutor::kAnswerPrompt;
}

bool UnrecordedText::keep(const std::string& utf8Box, const std::string& line, long long index)
{
    TypedText box;
    box.text = text::toCp1252(utf8Box, &box.unencodable);
    if (unrecorded(box, line))
        return save(utf8Box, line, index);
    drop();
    return true;
}

bool UnrecordedText::save(const std::string& utf8Box, const std::string& line, long long index)
{
    const LocalTime now = clock_.now();
    return write(KeptText{KeptText::Typed, line, index, utf8Box, formatDate(now), formatTime(now)});
}

bool UnrecordedText::write(const KeptText& kept)
{
    if (draftName_.empty())
        return false;
    // The same text for the same line is not written again for a new stamp.
    const std::string key = keyOf(kept);
    if (saved_ == key)
        return true;
    if (!files_.writeStateFile(draftName_, std::string(kDraftHead) + entryText(kept)))
        return false;
    saved_ = key;
    return true;
}

void UnrecordedText::recording(const std::string& utf8Box, const std::string& line, long long index)
{
    if (saved_ && !saved_->empty())
        save(utf8Box, line, index); // not kept: the recording goes on, and its draft with it
}

void UnrecordedText::recorded(const std::string& line, const std::string& text)
{
    lastRecorded_[line] = text;
    drop();
}

void UnrecordedText::drop()
{
    // A recording still to be put right may hold this text in part: until it
    // is, the draft stays.
    if (draftName_.empty() || saved_ == std::string() || !files_.partlyWritten().empty())
        return;
    files_.removeStateFile(draftName_);
    saved_ = std::string();
}

} // namespace qa
