#pragma once
#include <optional>
#include <string>

#include "app/transcript.h"
#include "app/unrecorded_text.h"
#include "app/view.h"
#include "bank/cursor.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/random.h"
#include "records/record_files.h"
#include "records/session.h"
#include "store/files.h"

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
    Terminated, // the system ends the program (logout, shutdown): the draft is saved, nothing asked
};

// What a procedure leaves for `handle` to do once it has run.
enum class Outcome { GoOn, End };

// The window object. It owns the student's session, the bank cursor, the
// record files and the transcript, runs each event over them, and deals with
// failures the way the window's procedures do. The widget side only lays out
// controls and forwards events to `handle`.
class Tutor {
public:
    explicit Tutor(Platform platform);

    // Runs one event to completion and acts on its outcome. Errors no
    // procedure handles end the program here, with the run-time error report.
    // Returns false once the program has ended.
    bool handle(Event event);
    bool ended() const { return ended_; }

    const records::Session& session() const { return session_; }
    const BankCursor& cursor() const { return cursor_; }
    const Transcript& transcript() const { return transcript_; }

    // A bank loader called in place of the built-in content.
    void setBankLoader(BankLoader loader) { bankLoader_ = std::move(loader); }

    // The text the answer box gets back when the next item begins.
    static const std::string kAnswerPrompt;
    // After error 9 (the program then ends), and after any other error number.
    static const std::string kAssignmentMessage;
    static const std::string kGeneralMessage;

private:
    Outcome run(Event event);

    // Start-up and assignment opening (run at window load).
    Outcome load();
    Outcome startUp();
    Outcome openAssignment();
    void openingNotWritten(const RuntimeError& error);
    std::string ask(const std::string& prompt);

    // Question stepping and routine lines.
    bool clickEnds() const;
    BankCursor::Step readNextQuestion();
    Outcome onNextQuestion();
    Outcome onNextPicture();
    Outcome runRoutine(const std::string& name) const;

    // Response entry: "Enter Response" and "Save as Notes" record the answer
    // box the same way, into different blocks. False when nothing could be
    // recorded; the reason is shown and the boxes are left as they were.
    enum class Entry { Response, Note };
    bool recordAnswer(Entry entry, const TypedText& typed);
    void recorded(const std::string& answer, const std::string& entry);
    void refuseUnencodable(const std::u32string& characters);
    void notRecorded(const RuntimeError& error);
    void onDisplayNotes();
    void onTimerTick();

    // Typed text is never lost: before unrecorded text leaves the answer box
    // the student is asked, and what is not recorded is kept as a draft.
    // True when the box may go: nothing unrecorded, or settled as answered.
    enum class Leaving { OnQuit, AtEnd, ForNextQuestion };
    bool mayLeave(Leaving leaving);
    Outcome endAfter(Leaving leaving) { return mayLeave(leaving) ? Outcome::End : Outcome::GoOn; }
    bool unrecorded(const TypedText& box) const;
    bool keepDraft(const std::string& draft);
    void keepDraftWhileTyping();
    void restoreDraft();
    bool stepTo(const std::string& line);
    void repairCutRecordings();
    bool claimAssignment();

    // Procedure-level error handler: the assignment message ends the program
    // after error 9; any other number shows the general message with it.
    Outcome procedureFailed(const RuntimeError& error);
    void reportAndEnd(int number);

    Platform platform_;
    records::Session session_;
    BankCursor cursor_;
    records::RecordFiles records_{platform_.files, platform_.clock, session_};
    Transcript transcript_;
    UnrecordedText unrecorded_{platform_.files, platform_.clock};
    BankLoader bankLoader_;
    bool ended_ = false;
    bool draftsOffSaid_ = false;    // the student knows drafts cannot be kept
    bool unsettledAtStart_ = false; // the start-up repair left a recording to put right
};

} // namespace qa
