#pragma once
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"

namespace qa {

// The answer box's unrecorded text, kept in the per-user state directory so
// that a crash, a power cut or a logout loses nothing: one draft per student
// and assignment. Texts are UTF-8 as typed, so a draft keeps characters the
// record files cannot hold. Saving never raises and never shows anything: it
// says whether the draft is kept.
class Drafts {
public:
    struct Saved {
        std::string text; // UTF-8
        std::string date; // MM-DD-YYYY, when it was saved
        std::string time; // HH:MM:SS
    };

    Drafts(Files& files, Clock& clock) : files_(files), clock_(clock) {}

    // Chooses the draft of this student and assignment.
    void open(const std::string& studentName, const std::string& assignmentNumber);

    // Replaces the draft by this text, unless it is what was saved last.
    // False when it could not be written, or no draft is chosen yet.
    bool save(const std::string& utf8Text);
    // The text was recorded, or holds nothing worth keeping.
    void clear();
    std::optional<Saved> load();

    // The text of a recording cut short, kept for the student whose record
    // file it was meant for (by its host path), whoever starts next: it
    // comes back to that student only. Taking it removes it.
    void setAside(const std::string& recordFile, const std::string& utf8Text);
    std::string takeSetAside(const std::string& recordFile);

private:
    Files& files_;
    Clock& clock_;
    std::string name_; // empty until a draft is chosen
    std::optional<std::string> saved_;
};

} // namespace qa
