#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/view.h"
#include "bank/question_bank.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/random.h"

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
};

// The window object: every window-level variable and every procedure. The
// widget side only lays out controls and forwards events to `handle`.
class Tutor {
public:
    explicit Tutor(Platform platform);

    // Runs one event to completion. Ending the program at once and errors no
    // procedure handles are dealt with here, at the event boundary. Returns
    // false once the program has ended.
    bool handle(Event event);
    bool ended() const { return ended_; }

    // Public procedures of the window.
    void readNextQuestion();
    void runRoutine(const std::string& routine);
    void codeFile();
    std::string code(const std::string& aLine, const double& codeNbr) const;
    std::string decode(const std::string& coded, const double& codeNbr) const;
    std::string makeCodeLine(const double& codeNbr);
    std::string remSpaces(const std::string& text) const;

    // The running transcript, newest first, built when asked for.
    std::string cumulativeText() const;

    // A different bank loader, for tests of bank layouts the built-in
    // assignment does not have. Called in place of the built-in content.
    void setBankLoader(std::function<void(QuestionBank&, long long&)> loader) { bankLoader_ = std::move(loader); }

    // Window-level variables.
    std::string pendingText;
    bool itemFinished = false;
    std::string currentLine;
    std::string masterFilePath;
    std::string sendFilePath;
    std::string notesFilePath;
    std::string assignmentNumber;
    std::string nextAssignmentNumber;
    std::string answerPrompt;
    int displayMode = 0; // 0 stands for empty
    std::string questionNumber;
    std::string workText;
    std::string qaMarker;
    std::string answerMarker;
    std::string queryFileId;
    std::array<std::array<double, 51>, 101> startTable{};
    double startQuestion = 0;
    std::string dataDir;
    long long bankIndex = 0;
    QuestionBank questionBank;
    std::string studentName;
    double codeNbr = 0; // a single-precision value, or a whole number after codeFile
    std::string initials;

    // Fixed directories and texts.
    static constexpr const char* kHomeDir = "c:\\kelvarno";
    static constexpr const char* kNetworkDir =
        "i:\\bkp_000416\\My Documents\\distance students\\interactive problems\\lb1";
    static const std::string kAssignmentMessage;
    static const std::string kGeneralMessage;

private:
    // Start-up and assignment opening (run at window load).
    void startUp();
    void openAssignment();
    void loadQuestionBank();
    std::string ask(const std::string& prompt);

    // Event handlers.
    void onNextQuestion();
    void onEnterResponse();
    void onSaveAsNotes();
    void onClearAnswerBox();
    void onDisplayNotes();
    void onDisplayEverything();
    void onNextPicture();
    void onCopyPicture();
    void onPendExp();
    void onTimerTick();

    // Procedure-level error handler: the assignment message ends the program
    // after error 9; any other number shows the general message with it.
    void procedureFailed(const RuntimeError& error);
    [[noreturn]] void endProgram();

    // Reads the answer box for recording; shows why and returns false when it
    // holds characters the record files cannot store.
    bool readAnswer(std::string& answer);
    // Appends a recording; shows why and returns false when it failed.
    bool record(const std::vector<AppendPart>& parts);

    Platform p_;
    bool ended_ = false;
    std::vector<std::string> transcript_; // pieces, oldest first
    std::function<void(QuestionBank&, long long&)> bankLoader_;
};

} // namespace qa
