// frmProgress, "Formatting Output": the bar that a conversion moves and the
// Cancel button that asks it to stop, with a line above the bar that a run
// over a folder fills. Modeless.
#pragma once

#include <QDialog>

class QLabel;
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
    // The line above the bar; empty text hides it.
    void SetText(const QString& text);
    QString Text() const;

    QProgressBar* ProgressBar1() const { return progressBar1_; }
    QPushButton* CmdCancel() const { return cmdCancel_; }

public slots:
    // Esc and the close box ask to cancel as the button does; the job hides the dialog.
    void reject() override;

private:
    void Redraw();

    QLabel* lblStatus_;
    QProgressBar* progressBar1_;
    QPushButton* cmdCancel_;
    float maximum_ = 0;
    float value_ = 0;
};

}  // namespace tintext
