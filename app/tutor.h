#pragma once
#include <optional>
#include <string>

#include "app/drafts.h"
#include "app/transcript.h"
#include "app/view.h"
#include "bank/cursor.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/random.h"
#include "records/record_files.h"
#include "records/session.h"

namespace qa {

// What the window stands on: files, clock, random generator, dialogs and its
// own controls. Tests hand in fakes for each.
struct Platform {
    Files& files;
    Clock& clock;
    Random& random;
    Dialogs& dialogs;
    View& view;
};

// The window's events, as the wiring table connects them.
enum class Event {
    Load,
    NextQuestion,
    EnterResponse,
    SaveAsNotes,
    ClearAnswerBox,
    DisplayNotes,
    DisplayEverything,
    Quit,
    NextPicture,
    CopyPicture,
    PendExp,
    TimerTick,
    Shown,      // the window is on screen: a draft comes back
    AnswerIdle, // the student has stopped typing for a moment: the draft is saved
};

// The window object. It owns the student's session, the bank cursor, the
// record files and the transcript, runs each event over them, and deals with
// failures the way the window's procedures do. The widget side only lays out
// controls and forwards events to `handle`.
class Tutor {
public:
    explicit Tutor(Platform platform);

    // Runs one event to completion. Ending the program at once and errors no
    // procedure handles are dealt with here, at the event boundary. Returns
    // false once the program has ended.
    bool handle(Event event);
    bool ended() const { return ended_; }

    const records::Session& session() const { return session_; }
    const BankCursor& cursor() const { return cursor_; }
    const Transcript& transcript() const { return transcript_; }

    // A bank loader called in place of the built-in content.
    void setBankLoader(BankLoader loader) { bankLoader_ = std::move(loader); }

    // The text the answer box gets back when the next item begins.
    static const std::string answerPrompt;
    static const std::string kAssignmentMessage;
    static const std::string kGeneralMessage;

private:
    // Start-up and assignment opening (run at window load).
    void startUp();
    void openAssignment();
    std::string ask(const std::string& prompt);

    // Question stepping and routine lines.
    BankCursor::Step readNextQuestion();
    void onNextQuestion();
    void onNextPicture();
    void runRoutine(const std::string& routine);

    // Response entry: "Enter Response" and "Save as Notes" record the answer
    // box the same way, into different blocks.
    void recordAnswer(bool asNote);
    bool readAnswer(std::string& answer);
    void onDisplayNotes();
    void onTimerTick();

    // Before the program ends with unrecorded text, the student is asked
    // whether to record it; what is not recorded is kept as a draft.
    struct BoxBefore {
        std::string draft, currentLine, questionNumber;
    };
    bool mayEnd(const BoxBefore& before, bool offerCancel);
    bool unrecorded(const TypedText& box) const;
    void keepDraft(const std::string& draft);
    void restoreDraft();
    void refuseUnencodable(const std::u32string& characters);
    void notRecorded(const RuntimeError& error);

    // Procedure-level error handler: the assignment message ends the program
    // after error 9; any other number shows the general message with it.
    void procedureFailed(const RuntimeError& error);
    [[noreturn]] void endProgram();

    Platform p_;
    records::Session session_;
    BankCursor cursor_;
    records::RecordFiles records_{p_.files, p_.clock, session_};
    Transcript transcript_;
    Drafts drafts_{p_.files, p_.clock};
    std::string lastRecorded_;                  // the answer box's text at its last recording
    std::optional<std::string> boxBeforeReset_; // this event's prompt reset replaced it
    BankLoader bankLoader_;
    bool ended_ = false;
};

} // namespace qa
