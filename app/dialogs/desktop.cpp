#include "app/dialogs/desktop.h"

#include <QApplication>
#include <QString>
#include <memory>

#include "app/dialogs/app_icon.h"
#include "app/dialogs/frm_main.h"
#include "app/dialogs/frm_progress.h"
#include "app/dialogs/frm_workbench.h"
#include "app/dialogs/qt_environment.h"
#include "app/dialogs/screenshot_tour.h"
#include "app/front_end_choice.h"
#include "app/startup.h"
#include "support/job_environment.h"
#include "support/program_info.h"

namespace tintext {

namespace {

struct Desktop {
    int* argc = nullptr;
    char** argv = nullptr;
    std::unique_ptr<QApplication> application;
    // The batch run's dialogs, when it has no terminal.
    std::unique_ptr<FrmProgress> progress;
    std::unique_ptr<QtEnvironment> environment;
};

Desktop& TheDesktop() {
    static Desktop desktop;
    return desktop;
}

void EnsureApplication() {
    Desktop& desktop = TheDesktop();
    if (desktop.application || QCoreApplication::instance()) return;
    static int noArguments = 0;
    int& argc = desktop.argc ? *desktop.argc : noArguments;
    desktop.application = std::make_unique<QApplication>(argc, desktop.argv);
    QApplication::setApplicationName(kProgramTitle);
    QApplication::setApplicationVersion(QString::fromStdString(VersionText()));
    QApplication::setWindowIcon(AppIcon());
    QGuiApplication::setDesktopFileName("tintext");
}

}  // namespace

DesktopSession::DesktopSession(int& argc, char** argv) {
    Desktop& desktop = TheDesktop();
    desktop.argc = &argc;
    desktop.argv = argv;
    SetInteractiveRun(&RunMainDialog);
    if (BatchNeedsDialogs(CurrentSurroundings())) {
        EnsureApplication();
        desktop.progress = std::make_unique<FrmProgress>();
        desktop.environment = std::make_unique<QtEnvironment>(desktop.progress.get(), nullptr);
        SetEnv(desktop.environment.get());
        dialogsForBatch_ = true;
    }
}

DesktopSession::~DesktopSession() {
    Desktop& desktop = TheDesktop();
    SetInteractiveRun(nullptr);
    if (desktop.environment && &Env() == desktop.environment.get()) SetEnv(nullptr);
    desktop.environment.reset();
    desktop.progress.reset();
    desktop.application.reset();
}

int RunMainDialog(DialogSettings& settings) {
    EnsureApplication();
    FrmMain main;
    main.LoadSettings(settings);
    main.UpdateHLDFileNameInput();
    main.SetSettingsSaver([&settings](const DialogSettings& held) { settings = held; });
    main.show();
    // A hook for documentation and layout checks: photograph every dialog.
    if (QString folder = qEnvironmentVariable("TINTEXT_SCREENSHOTS"); !folder.isEmpty()) {
        StartScreenshotTour(main, folder);
    }
    QApplication::exec();
    return 0;
}

std::optional<int> RunWorkbenchIfAsked(int& argc, char** argv) {
    QString definition, sample;
    bool asked = false;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument.startsWith("--edit=")) {
            definition = argument.mid(7);
            asked = true;
        } else if (argument.startsWith("--sample=")) {
            sample = argument.mid(9);
        }
    }
    if (!asked) return std::nullopt;
    Desktop& desktop = TheDesktop();
    desktop.argc = &argc;
    desktop.argv = argv;
    EnsureApplication();
    FrmWorkbench workbench;
    if (!sample.isEmpty() && !workbench.OpenSample(sample)) return 1;
    if (!workbench.OpenDefinition(definition)) return 1;
    workbench.show();
    QApplication::exec();
    desktop.application.reset();
    return 0;
}

}  // namespace tintext
