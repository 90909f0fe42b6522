// The job environment of the desktop program: the conversion's progress goes
// to frmProgress, its messages to message boxes, and pending window events
// run whenever the engine lets them.
#pragma once

#include <QPointer>
#include <QWidget>

#include "support/job_environment.h"

namespace tintext {

class FrmProgress;

class QtEnvironment final : public JobEnvironment {
public:
    // progress: the dialog the job shows; centreOver: the window it is centred
    // over (the main dialog, even while hidden during a batch run).
    QtEnvironment(FrmProgress* progress, QWidget* centreOver);
    ~QtEnvironment() override;

    void ShowProgress() override;
    void HideProgress() override;
    void SetProgressMax(float maximum) override;
    void SetProgressValue(float value) override;
    void SetProgressText(const std::string& text) override;
    void DoEvents() override;
    void SetBusyPointer(bool busy) override;
    MsgResult MessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon,
                         const std::string& title) override;
    bool OpenDocument(const std::string& path) override;

    bool Busy() const { return busy_; }

private:
    void Centre();

    QPointer<FrmProgress> progress_;
    QPointer<QWidget> centreOver_;
    bool busy_ = false;
};

}  // namespace tintext
