#include "app/dialogs/screenshot_tour.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextBlock>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/frm_main.h"
#include "app/dialogs/code_editor.h"
#include "app/dialogs/frm_progress.h"
#include "app/dialogs/frm_workbench.h"
#include "engine/job.h"
#include "support/job_environment.h"
#include "support/program_info.h"

namespace tintext {

namespace {

// Lets the window system map and paint what was just shown.
void Settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 400) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

void Save(const QRect& area, const QString& file) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (!shot.save(file)) std::fprintf(stderr, "tintext: cannot write %s\n", qPrintable(file));
}

// Photographs the modal dialog that the next call opens, then closes it.
void GrabNextModal(const QString& file) {
    QTimer::singleShot(0, [file] {
        Settle();
        if (QWidget* modal = QApplication::activeModalWidget()) {
            Save(modal->frameGeometry(), file);
            modal->close();
        }
    });
}

// The workbench on a shipped definition and an example page, the cursor on
// a pattern so that its matches are counted and marked in the preview.
void ShootWorkbench(const QString& file) {
    FrmWorkbench workbench;
    workbench.move(40, 40);
    workbench.resize(1200, 760);
    workbench.OpenSample(ToQt(ProgramFolder() + "/Examples/asp-ex1.asp"));
    if (!workbench.OpenDefinition(ToQt(FindDefaultDefinition("asp.hld")))) return;
    workbench.show();
    QEventLoop wait;
    QObject::connect(&workbench, &FrmWorkbench::PreviewFinished, &wait, &QEventLoop::quit);
    QTimer::singleShot(10000, &wait, &QEventLoop::quit);
    wait.exec();
    // The rule that opens a script block: the example page has several.
    QTextBlock block = workbench.Editor()->document()->find("PATTERN=<%[").block();
    workbench.Editor()->GoToLine(block.isValid() ? block.blockNumber() + 1 : 1);
    QObject::connect(&workbench, &FrmWorkbench::MatchesCounted, &wait, &QEventLoop::quit);
    QTimer::singleShot(10000, &wait, &QEventLoop::quit);
    wait.exec();
    Settle();
    Save(workbench.frameGeometry(), file);
}

}  // namespace

void StartScreenshotTour(FrmMain& main, const QString& folder) {
    QDir().mkpath(folder);
    QTimer::singleShot(0, &main, [&main, folder] {
        main.move(40, 40);
        Settle();
        Save(main.frameGeometry(), folder + "/main.png");

        auto* help = main.findChild<QMenu*>("mnuHelp");
        help->popup(main.MenuBar()->mapToGlobal(main.MenuBar()->actionGeometry(help->menuAction()).bottomLeft()));
        Settle();
        Save(main.frameGeometry().united(help->frameGeometry()), folder + "/menu_help.png");
        help->close();

        GrabNextModal(folder + "/browse_input.png");
        main.findChild<QWidget*>("cmdBrowseInput")->setFocus();
        QMetaObject::invokeMethod(main.findChild<QObject*>("cmdBrowseInput"), "click");

        Env().ShowProgress();
        Env().SetProgressMax(1000);
        Env().SetProgressValue(420);
        Settle();
        Save(main.Progress()->frameGeometry(), folder + "/progress.png");
        Env().HideProgress();
        Env().SetProgressValue(0);

        SetUrlOpener([](const QUrl&) { return true; });  // no browser during the tour
        GrabNextModal(folder + "/notice.png");
        main.SendFeedback();
        SetUrlOpener(nullptr);

        GrabNextModal(folder + "/about.png");
        main.ShowAbout();

        GrabNextModal(folder + "/question.png");
        Env().MessageBox("The file \"/home/user/output.htm\" already exists.\r\n\r\n"
                         "Do you want to overwrite this file?",
                         MsgButtons::YesNo, MsgIcon::Exclamation, "Warning");

        ShootWorkbench(folder + "/workbench.png");
        main.close();
    });
}

}  // namespace tintext
