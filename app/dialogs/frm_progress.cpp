#include "app/dialogs/frm_progress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/dialogs/dialog_helpers.h"
#include "support/job_environment.h"

namespace tintext {

namespace {
// The bar is drawn in steps of one thousandth: finer steps cannot be seen,
// and a redraw per formatter step would cost more than the formatting.
constexpr int kBarSteps = 1000;
}  // namespace

FrmProgress::FrmProgress(QWidget* parent) : QDialog(parent) {
    setObjectName("frmProgress");
    setWindowTitle("Formatting Output");
    setModal(false);

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName("lblStatus");
    lblStatus_->setVisible(false);
    // A long file name is cut rather than widening the window as it changes.
    lblStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    progressBar1_ = new QProgressBar(this);
    progressBar1_->setObjectName("ProgressBar1");
    progressBar1_->setRange(0, kBarSteps);
    progressBar1_->setValue(0);
    progressBar1_->setTextVisible(false);
    progressBar1_->setMinimumWidth(TwipsToPixels(3975));

    cmdCancel_ = new QPushButton("Cancel", this);
    cmdCancel_->setObjectName("cmdCancel");
    cmdCancel_->setMinimumWidth(TwipsToPixels(855));
    cmdCancel_->setAutoDefault(false);
    connect(cmdCancel_, &QPushButton::clicked, this, [] { Env().cancelRequested = true; });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(TwipsToPixels(120), TwipsToPixels(120), TwipsToPixels(120), TwipsToPixels(120));
    layout->addWidget(lblStatus_);
    layout->addWidget(progressBar1_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void FrmProgress::SetMaximum(float maximum) {
    maximum_ = std::max(0.0f, maximum);
    value_ = std::min(value_, maximum_);
    Redraw();
}

void FrmProgress::SetValue(float value) {
    value_ = std::clamp(value, 0.0f, maximum_);
    Redraw();
}

void FrmProgress::SetText(const QString& text) {
    if (text == lblStatus_->text()) return;
    lblStatus_->setText(text);
    lblStatus_->setVisible(!text.isEmpty());
}

QString FrmProgress::Text() const { return lblStatus_->text(); }

void FrmProgress::Redraw() {
    // An empty input has nothing to show: the bar stays empty.
    int step = maximum_ > 0 ? static_cast<int>(std::floor(double(value_) / maximum_ * kBarSteps)) : 0;
    if (step != progressBar1_->value()) progressBar1_->setValue(step);
}

void FrmProgress::reject() { Env().cancelRequested = true; }

}  // namespace tintext
