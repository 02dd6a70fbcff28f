#pragma once
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "store/files.h"

namespace qa {

// A text kept because it is not in the record files: the answer box as the
// student left it, or the text of a recording a crash cut short.
struct KeptText {
    enum Kind : char { Typed = 't', Response = 'r', Note = 'n' };
    Kind kind = Typed;
    std::string line;       // the question line it was typed for (core text)
    long long index = 0;    // that line's bank entry
    std::string text;       // UTF-8, as typed
    std::string date, time; // when it was kept: MM-DD-YYYY, HH:MM:SS
};

// The owner of the student's unrecorded text: the draft of this student and
// assignment in the per-user state folder, what was last recorded for each
// question line, and the texts a start-up repair set aside. It holds the
// rules (what is unrecorded, what is kept, what goes); the tutor asks it and
// keeps the dialogs and the recording. Nothing here raises or shows
// anything: each call says whether its text is safe.
class UnrecordedText {
public:
    UnrecordedText(Files& files, Clock& clock) : files_(files), clock_(clock) {}

    // Chooses this student's and assignment's draft and holds it for this
    // program while it runs. Elsewhere: another running tutor of this
    // computer has it open. NoStateFolder: drafts cannot be kept at all.
    enum class Opened { Ours, Elsewhere, NoStateFolder };
    Opened open(const std::string& studentName, const std::string& assignmentNumber,
                const std::string& masterHost);

    // A recording a crash cut short, from the start-up repair: its text is
    // set aside for the student whose master file it was meant for, whoever
    // starts now. True once it is safe (or holds no text).
    bool setAside(const CutRecording& cut);

    // At start: the draft and this student's set-aside texts are settled
    // against the master file's bytes (nothing when it could not be read):
    // a text that is whole there as the last recording for its question line
    // goes; of the rest, the newest text for a line the assignment reaches
    // (`reaches`) becomes the draft, and is then no longer set aside. What
    // is left stays set aside for a later start. Returns the draft that
    // comes back into the box.
    std::optional<KeptText> settle(const std::optional<std::string>& master,
                                   const std::function<bool(const std::string& line)>& reaches);

    // Whether the box holds text that is not recorded for this question line:
    // anything but blanks, the answer prompt, or what was last recorded here.
    bool unrecorded(const TypedText& box, const std::string& line) const;
    // Keeps the box as the draft when it is unrecorded, and lets the draft go
    // otherwise. False only when it had to be kept and could not be.
    bool keep(const std::string& utf8Box, const std::string& line, long long index);
    // Keeps it whatever it holds; false when it could not be kept.
    bool save(const std::string& utf8Box, const std::string& line, long long index);
    // The box is about to be recorded. A draft kept before its last change
    // is brought up to it first: a crash after the recording, before its
    // draft goes, then leaves a draft the next start knows to be recorded
    // rather than an older text that would come back as unrecorded.
    void recording(const std::string& utf8Box, const std::string& line, long long index);
    // The text is whole in the record files (synced): its draft goes.
    void recorded(const std::string& line, const std::string& text);
    // The box's text is given up, or holds nothing worth keeping; kept while
    // a recording of this program is still to be put right.
    void drop();

private:
    bool write(const KeptText& kept);

    Files& files_;
    Clock& clock_;
    std::string draftName_; // empty until a draft is chosen
    std::string masterHost_;
    std::optional<std::string> saved_; // the draft as last written (see keyOf); "" when there is none
    std::map<std::string, std::string> lastRecorded_; // by question line
};

} // namespace qa
