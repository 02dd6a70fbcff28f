#include "app/drafts.h"

#include "platform/text.h"

namespace qa {
namespace {

// A draft file: this line, the date and time it was saved, then the text.
constexpr std::string_view kDraftHead = "qa-tutor draft\n";

} // namespace

void Drafts::open(const std::string& studentName, const std::string& assignmentNumber)
{
    name_ = "draft-" + text::fingerprint(studentName + '\0' + assignmentNumber);
    saved_.reset();
}

bool Drafts::save(const std::string& utf8Text)
{
    if (name_.empty())
        return false;
    if (saved_ == utf8Text)
        return true;
    const LocalTime now = clock_.now();
    std::string content(kDraftHead);
    content += formatDate(now) + " " + formatTime(now) + "\n";
    content += utf8Text;
    if (!files_.writeStateFile(name_, content))
        return false;
    saved_ = utf8Text;
    return true;
}

void Drafts::clear()
{
    if (name_.empty() || saved_ == std::string())
        return;
    files_.removeStateFile(name_);
    saved_ = std::string();
}

std::optional<Drafts::Saved> Drafts::load()
{
    if (name_.empty())
        return std::nullopt;
    const std::optional<std::string> content = files_.readStateFile(name_);
    constexpr std::size_t kStampSize = 20; // "MM-DD-YYYY HH:MM:SS\n"
    if (!content || content->compare(0, kDraftHead.size(), kDraftHead) != 0 ||
        content->size() < kDraftHead.size() + kStampSize || (*content)[kDraftHead.size() + kStampSize - 1] != '\n')
        return std::nullopt;
    Saved out;
    out.date = content->substr(kDraftHead.size(), 10);
    out.time = content->substr(kDraftHead.size() + 11, 8);
    out.text = content->substr(kDraftHead.size() + kStampSize);
    saved_ = out.text;
    return out;
}

namespace {

std::string setAsideName(const std::string& recordFile)
{
    return "cut-" + text::fingerprint(recordFile);
}

} // namespace

void Drafts::setAside(const std::string& recordFile, const std::string& utf8Text)
{
    const std::string name = setAsideName(recordFile);
    std::string kept = files_.readStateFile(name).value_or(std::string());
    if (kept.find(utf8Text) != std::string::npos)
        return;
    kept += (kept.empty() ? "" : "\r\n\r\n") + utf8Text;
    files_.writeStateFile(name, kept);
}

std::string Drafts::takeSetAside(const std::string& recordFile)
{
    const std::string name = setAsideName(recordFile);
    std::string kept = files_.readStateFile(name).value_or(std::string());
    if (!kept.empty())
        files_.removeStateFile(name);
    return kept;
}

} // namespace qa
