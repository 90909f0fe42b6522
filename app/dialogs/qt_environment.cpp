#include "app/dialogs/qt_environment.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/frm_progress.h"

namespace tintext {

QtEnvironment::QtEnvironment(FrmProgress* progress, QWidget* centreOver)
    : progress_(progress), centreOver_(centreOver) {}

QtEnvironment::~QtEnvironment() { SetBusyPointer(false); }

void QtEnvironment::ShowProgress() {
    if (!progress_) return;
    progress_->adjustSize();
    Centre();
    progress_->show();
    // The window frame is known once shown: centre again with the outer size.
    Centre();
    progress_->raise();
}

void QtEnvironment::Centre() {
    if (centreOver_ && centreOver_->isVisible()) {
        CenterForm(centreOver_, progress_);
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        // A batch run never shows the main dialog: centre on the screen instead.
        progress_->move(CenteredPosition(screen->availableGeometry(), progress_->frameGeometry().size()));
    }
}

void QtEnvironment::HideProgress() {
    if (!progress_) return;
    progress_->hide();
    progress_->SetText({});  // the next job's line is its own
}

void QtEnvironment::SetProgressMax(float maximum) {
    if (progress_) progress_->SetMaximum(maximum);
}

void QtEnvironment::SetProgressValue(float value) {
    if (progress_) progress_->SetValue(value);
}

void QtEnvironment::SetProgressText(const std::string& text) {
    if (progress_) progress_->SetText(ToQt(text));
}

void QtEnvironment::DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtEnvironment::SetBusyPointer(bool busy) {
    if (busy == busy_ || !qApp) return;
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

MsgResult QtEnvironment::MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                                    const std::string& title) {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner && centreOver_ && centreOver_->isVisible()) owner = centreOver_;
    QMessageBox box(icon == MsgIcon::Exclamation ? QMessageBox::Warning : QMessageBox::Information, ToQt(title),
                    ToQt(text).replace("\r\n", "\n"), QMessageBox::NoButton, owner);
    box.setObjectName("MessageBox");
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    // The hourglass of a running job would otherwise hide that the box waits for an answer.
    if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    int answer = box.exec();
    if (busy_) QApplication::restoreOverrideCursor();
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
}

bool QtEnvironment::OpenDocument(const std::string& path) {
    // The job does not look at the answer, so the user is told here when nothing opens the file.
    // An absolute address: a browser that is already running has another working folder.
    return OpenWebAddress(QUrl::fromLocalFile(QFileInfo(ToQt(path)).absoluteFilePath()));
}

}  // namespace tintext
