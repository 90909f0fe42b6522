#include "app/dialogs/screenshot_tour.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/frm_main.h"
#include "app/dialogs/frm_progress.h"
#include "support/job_environment.h"

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

        main.close();
    });
}

}  // namespace tintext
