// A job environment for tests: records every call, answers questions from a
// script, and can press Cancel after a given number of event pumps.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "support/error.h"
#include "support/job_environment.h"

namespace tintext {

struct RecordedMessage {
    std::string text;
    MsgButtons buttons;
    MsgIcon icon;
    std::string title;
};

class RecordingEnvironment : public JobEnvironment {
public:
    std::vector<RecordedMessage> messages;
    std::vector<std::string> opened;
    std::vector<std::string> notes;  // "note: text" or "detail: text"
    std::vector<std::string> calls;  // "show", "hide", "max 12", "busy on", ...
    std::deque<MsgResult> answers;   // answers to Yes/No questions; No when exhausted
    float progressMax = 0;
    float progressValue = 0;
    long doEventsCount = 0;
    long cancelAfterDoEvents = -1;   // >= 0: set the cancel flag on that pump
    std::string openFails;           // not empty: opening throws an error of this description
    std::function<void()> onDoEvents;  // what else happens while events run (a file saved meanwhile)

    void ShowProgress() override { calls.push_back("show"); }
    void HideProgress() override { calls.push_back("hide"); }
    void SetProgressMax(float maximum) override {
        progressMax = maximum;
        calls.push_back("max " + std::to_string(static_cast<long long>(maximum)));
    }
    void SetProgressValue(float value) override { progressValue = value; }
    void DoEvents() override {
        if (cancelAfterDoEvents >= 0 && doEventsCount == cancelAfterDoEvents) cancelRequested = true;
        ++doEventsCount;
        if (onDoEvents) onDoEvents();
    }
    void SetBusyPointer(bool busy) override { calls.push_back(busy ? "busy on" : "busy off"); }
    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                         const std::string& title) override {
        messages.push_back({text, buttons, icon, title});
        if (buttons == MsgButtons::Ok) return MsgResult::Ok;
        if (answers.empty()) return MsgResult::No;
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    bool OpenDocument(const std::string& path) override {
        if (!openFails.empty()) throw Error(1000, "test", openFails);
        opened.push_back(path);
        return true;
    }
    void Note(NoteLevel level, const std::string& text) override {
        notes.push_back((level == NoteLevel::Normal ? "note: " : "detail: ") + text);
    }
};

// Installs a provider for the lifetime of a scope.
class ScopedEnv {
public:
    explicit ScopedEnv(JobEnvironment& env) { SetEnv(&env); }
    ~ScopedEnv() { SetEnv(nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
};

}  // namespace tintext
