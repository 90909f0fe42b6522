// The job environment of a terminal or script: messages on stderr as
// "title: text", a text progress bar when stderr is a terminal, the Yes/No
// question asked on the terminal, and Ctrl-C as the Cancel button.
#pragma once

#include <chrono>
#include <string>

#include "support/job_environment.h"

namespace tintext {

class ConsoleEnvironment final : public JobEnvironment {
public:
    // messageFd: where messages and the progress bar go. terminalPath: where
    // the question is asked and answered ("/dev/tty"; a test gives a pty).
    explicit ConsoleEnvironment(int messageFd = 2, std::string terminalPath = "/dev/tty");

    void ShowProgress() override;
    void HideProgress() override;
    void SetProgressMax(float maximum) override;
    void SetProgressValue(float value) override;
    void DoEvents() override {}
    void SetBusyPointer(bool) override {}
    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                         const std::string& title) override;
    bool OpenDocument(const std::string& path) override;
    // "tintext: text" on its own line: Normal notes unless quiet, Detail
    // notes when verbose.
    void Note(NoteLevel level, const std::string& text) override;

    // A progress line of the caller's own in the bar's place (a run over a
    // folder draws files and bytes), cleared as the bar is before a message.
    void ShowStatusLine(const std::string& text);
    void ClearStatusLine() { ClearBar(); }

    // Whether the progress bar is drawn (on when messageFd is a terminal).
    bool progressBar;
    bool quiet = false;
    bool verbose = false;

private:
    int fd_;
    std::string terminalPath_;
    bool visible_ = false;
    bool drawn_ = false;
    float maximum_ = 0;
    int percent_ = -1;
    std::chrono::steady_clock::time_point lastDraw_{};

    void Draw(int percent);
    void ClearBar();
    void Write(const std::string& text) const;
    // The question on the terminal; No when nobody can answer.
    MsgResult Ask(const std::string& question) const;
};

// "title: text" with CR LF shown as line breaks; the text alone for an empty title.
std::string ConsoleMessageText(const std::string& text, const std::string& title);

// Ctrl-C: the first press sets the environment's cancel flag (the job then
// writes what it has), a second press ends the program at once with status
// 130, removing the temporary file, so nothing is written.
void InstallInterruptHandler(JobEnvironment& environment);
// What the first Ctrl-C prints, for a run whose cancel means something else
// (a text that lives as long as the program).
void SetInterruptNote(const char* note);

}  // namespace tintext
