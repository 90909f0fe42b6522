// The job environment: the user-facing operations that a conversion needs
// (cancel flag, progress, letting pending events run, busy pointer, message
// boxes, opening a document). The engine talks to the user only through this
// interface, given by its caller; the terminal, the dialogs and the tests
// each provide it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tintext {

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { Exclamation, Information };
enum class MsgResult { Ok, Yes, No };
// Notes tell what a run did beside its result: Normal ones are shown unless
// the user asked for quiet, Detail ones (what was chosen, time taken) only
// when asked for.
enum class NoteLevel { Normal, Detail };

class JobEnvironment {
public:
    virtual ~JobEnvironment() = default;

    // Set by the Cancel button (or Ctrl-C), cleared by each job when it starts.
    // Atomic because a signal handler may set it.
    std::atomic<bool> cancelRequested{false};

    virtual void ShowProgress() = 0;
    virtual void HideProgress() = 0;
    virtual void SetProgressMax(float maximum) = 0;
    virtual void SetProgressValue(float value) = 0;
    // A line beside the bar saying what is under way (a run over a folder:
    // files and bytes done, the file being converted); empty hides it.
    virtual void SetProgressText(const std::string& text) {}
    // Handles every pending user-interface event before returning.
    virtual void DoEvents() = 0;
    virtual void SetBusyPointer(bool busy) = 0;
    // A modal message box; Yes/No boxes have Yes as the default.
    virtual MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                 const std::string& title) = 0;
    // Opens the file with the program the desktop associates with it, without
    // waiting; returns whether the request was accepted.
    virtual bool OpenDocument(const std::string& path) = 0;
    // One line of information that needs no answer; the dialogs show none.
    virtual void Note(NoteLevel level, const std::string& text) {}
};

// A minimal provider: messages go to stderr, questions are answered No
// (nothing is overwritten without leave), the rest does nothing.
class StderrEnvironment final : public JobEnvironment {
public:
    void ShowProgress() override {}
    void HideProgress() override {}
    void SetProgressMax(float) override {}
    void SetProgressValue(float) override {}
    void DoEvents() override {}
    void SetBusyPointer(bool) override {}
    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
    bool OpenDocument(const std::string&) override { return false; }
};

// The provider in use; a StderrEnvironment until one is set.
JobEnvironment& Env();
// Installs a provider (not owned); nullptr restores the minimal default.
void SetEnv(JobEnvironment* environment);

}  // namespace tintext
