// frmShowOnce: a notice with OK and "Don't show this message again". The
// user's choice is remembered per notice id in the settings section "ShowOnce":
// "1" hides the notice from then on, "-1" shows it again with the box clear.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tintext {

class FrmShowOnce : public QDialog {
    Q_OBJECT

public:
    explicit FrmShowOnce(QWidget* parent = nullptr);

    // Shows the notice `id` modally over parentform unless the stored choice
    // hides it (force shows it anyway). checked: the box's state for a notice
    // never answered. height: the window's height in twips.
    static void ShowOnce(QWidget* parentform, const std::string& id, const std::string& msg,
                         const std::string& dialogcaption, bool checked, bool force, int32_t height);

    QCheckBox* ChkHide() const { return chkHide_; }
    QPushButton* CmdOk() const { return cmdOk_; }
    QPushButton* CmdCancel() const { return cmdCancel_; }
    QLabel* LblMessage() const { return lblMessage_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Ok();

    QLabel* picture1_;
    QLabel* lblMessage_;
    QCheckBox* chkHide_;
    QPushButton* cmdOk_;
    QPushButton* cmdCancel_;
    std::string id_;
    int32_t height_ = 0;  // twips
};

}  // namespace tintext
