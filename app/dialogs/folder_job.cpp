#include "app/dialogs/folder_job.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <exception>
#include <thread>

#include "support/job_environment.h"

namespace tintext {

namespace {

// How often Cancel is passed on to the run.
constexpr auto kCancelPoll = std::chrono::milliseconds(20);

// The run's view of the dialogs, used from its thread: what shows is handed
// to the window's thread in order, a question waits for its answer there.
class ForwardingEnvironment final : public JobEnvironment {
public:
    ForwardingEnvironment(JobEnvironment& gui, QObject* context) : gui_(gui), context_(context) {}

    void ShowProgress() override { Post([](JobEnvironment& gui) { gui.ShowProgress(); }); }
    void HideProgress() override { Post([](JobEnvironment& gui) { gui.HideProgress(); }); }
    void SetProgressMax(float maximum) override { Post([=](JobEnvironment& gui) { gui.SetProgressMax(maximum); }); }
    void SetProgressValue(float value) override { Post([=](JobEnvironment& gui) { gui.SetProgressValue(value); }); }
    void SetProgressText(const std::string& text) override {
        Post([=](JobEnvironment& gui) { gui.SetProgressText(text); });
    }
    void DoEvents() override {}  // the window's thread handles its own
    void SetBusyPointer(bool busy) override { Post([=](JobEnvironment& gui) { gui.SetBusyPointer(busy); }); }
    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override {
        MsgResult answer = MsgResult::No;
        QMetaObject::invokeMethod(
            context_, [&] { answer = gui_.MessageBox(text, buttons, icon, title); }, Qt::BlockingQueuedConnection);
        return answer;
    }
    bool OpenDocument(const std::string& path) override {
        bool opened = false;
        QMetaObject::invokeMethod(context_, [&] { opened = gui_.OpenDocument(path); }, Qt::BlockingQueuedConnection);
        return opened;
    }

private:
    template <class Call>
    void Post(Call call) {
        JobEnvironment* gui = &gui_;
        QMetaObject::invokeMethod(context_, [gui, call] { call(*gui); }, Qt::QueuedConnection);
    }

    JobEnvironment& gui_;
    QObject* context_;
};

}  // namespace

int RunFolderOffThread(const FolderRunOptions& options, JobEnvironment& gui, QObject* context) {
    ForwardingEnvironment forwarding(gui, context);
    QEventLoop loop;
    QTimer cancelWatch;
    QObject::connect(&cancelWatch, &QTimer::timeout, [&] {
        if (gui.cancelRequested) forwarding.cancelRequested = true;
    });
    cancelWatch.start(kCancelPoll);
    int status = 1;
    std::thread run([&] {
        try {
            status = RunFolder(options, forwarding, nullptr);
        } catch (const std::exception& error) {
            // The run reports its own failures; this is only for what escapes it.
            forwarding.MessageBox(error.what(), MsgButtons::Ok, MsgIcon::Exclamation, "tintext");
        }
        // Posted after everything the run showed, so handled after it.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    run.join();
    return status;
}

}  // namespace tintext
