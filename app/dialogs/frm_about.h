// frmAbout: the program's title, version and description, and a button that
// starts the system's information tool.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace tintext {

inline constexpr const char* kProgramDescription =
    "Turns source code into syntax-coloured HTML, following editable syntax definitions.";

class FrmAbout : public QDialog {
    Q_OBJECT

public:
    explicit FrmAbout(QWidget* parent = nullptr);

    // Starts the system information tool: the one the registry names, else the
    // first known tool on PATH; a message when there is none or it fails to start.
    void StartSysInfo();
    // Reads the value subKeyRef of the key keyRoot\keyName into keyVal (text,
    // or a number's decimal text); false, with keyVal empty, when it cannot.
    static bool GetKeyValue(const std::string& keyRoot, const std::string& keyName, const std::string& subKeyRef,
                            std::string& keyVal);

    QLabel* LblTitle() const { return lblTitle_; }
    QLabel* LblVersion() const { return lblVersion_; }
    QLabel* LblDescription() const { return lblDescription_; }
    QPushButton* CmdOk() const { return cmdOk_; }
    QPushButton* CmdSysInfo() const { return cmdSysInfo_; }

private:
    QLabel* lblTitle_;
    QLabel* lblVersion_;
    QLabel* lblDescription_;
    QPushButton* cmdOk_;
    QPushButton* cmdSysInfo_;
};

}  // namespace tintext
