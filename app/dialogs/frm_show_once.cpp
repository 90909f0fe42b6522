#include "app/dialogs/frm_show_once.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "app/dialogs/dialog_helpers.h"
#include "app/settings.h"

namespace tintext {

FrmShowOnce::FrmShowOnce(QWidget* parent) : QDialog(parent) {
    setObjectName("frmShowOnce");
    setWindowTitle("Show Once");

    picture1_ = new QLabel(this);
    picture1_->setObjectName("Picture1");
    int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    picture1_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(iconSize));
    picture1_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblMessage_ = new QLabel(this);
    lblMessage_->setObjectName("lblMessage");
    lblMessage_->setWordWrap(true);
    lblMessage_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    lblMessage_->setMinimumWidth(TwipsToPixels(3495));

    chkHide_ = new QCheckBox("Don't show this message again", this);
    chkHide_->setObjectName("chkHide");

    cmdOk_ = new QPushButton("OK", this);
    cmdOk_->setObjectName("cmdOk");
    cmdOk_->setDefault(true);
    cmdOk_->setMinimumWidth(TwipsToPixels(1095));
    connect(cmdOk_, &QPushButton::clicked, this, &FrmShowOnce::Ok);

    // Kept below the visible area (see resizeEvent): only Esc reaches it.
    cmdCancel_ = new QPushButton("Cancel", this);
    cmdCancel_->setObjectName("cmdCancel");
    cmdCancel_->setFocusPolicy(Qt::NoFocus);
    cmdCancel_->setAutoDefault(false);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* okRow = new QHBoxLayout;
    okRow->addStretch();
    okRow->addWidget(cmdOk_);
    okRow->addStretch();

    auto* layout = new QGridLayout(this);
    layout->setColumnMinimumWidth(0, TwipsToPixels(720) - layout->contentsMargins().left());
    layout->addWidget(picture1_, 0, 0);
    layout->addWidget(lblMessage_, 0, 1);
    layout->setRowStretch(0, 1);
    layout->addWidget(chkHide_, 1, 1);
    layout->addLayout(okRow, 2, 0, 1, 2);

    setTabOrder(chkHide_, cmdOk_);
}

void FrmShowOnce::ShowOnce(QWidget* parentform, const std::string& id, const std::string& msg,
                           const std::string& dialogcaption, bool checked, bool force, int32_t height) {
    FrmShowOnce notice(parentform);
    notice.id_ = id;
    // A stored value that is not a number counts as never answered (0).
    int32_t stored = ReadShowOnce(id);
    notice.chkHide_->setChecked(checked);
    if (!force && stored != 0) notice.chkHide_->setChecked(stored >= 1);
    if (!force && stored > 0) return;

    notice.height_ = height;
    notice.setWindowTitle(ToQt(dialogcaption));
    notice.lblMessage_->setText(ToQt(msg));
    // The caller's height, but never so low that the text or the buttons are cut.
    int width = std::max(TwipsToPixels(4410), notice.sizeHint().width());
    int needed = notice.layout()->hasHeightForWidth() ? notice.layout()->totalHeightForWidth(width)
                                                      : notice.sizeHint().height();
    notice.setFixedSize(width, std::max(TwipsToPixels(height), needed));
    CenterForm(parentform, &notice);
    notice.exec();
}

void FrmShowOnce::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    cmdCancel_->move(cmdOk_->x(), height() + TwipsToPixels(100));
}

void FrmShowOnce::Ok() {
    WriteShowOnce(id_, chkHide_->isChecked() ? 1 : -1);
    accept();
}

}  // namespace tintext
