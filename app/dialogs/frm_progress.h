// frmProgress, "Formatting Output": the bar that a conversion moves and the
// Cancel button that asks it to stop. Modeless and without an owner.
#pragma once

#include <QDialog>

class QProgressBar;
class QPushButton;

namespace tintext {

class FrmProgress : public QDialog {
    Q_OBJECT

public:
    explicit FrmProgress(QWidget* parent = nullptr);

    // The bar's range is 0 to maximum; the value is clamped into it.
    void SetMaximum(float maximum);
    void SetValue(float value);
    float Maximum() const { return maximum_; }
    float Value() const { return value_; }

    QProgressBar* ProgressBar1() const { return progressBar1_; }
    QPushButton* CmdCancel() const { return cmdCancel_; }

public slots:
    // Esc and the close box ask to cancel as the button does; the job hides the dialog.
    void reject() override;

private:
    void Redraw();

    QProgressBar* progressBar1_;
    QPushButton* cmdCancel_;
    float maximum_ = 0;
    float value_ = 0;
};

}  // namespace tintext
