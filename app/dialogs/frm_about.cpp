#include "app/dialogs/frm_about.h"

#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/dialogs/app_icon.h"
#include "app/dialogs/dialog_helpers.h"
#include "support/error.h"
#include "support/job_environment.h"
#include "support/program_info.h"
#include "support/system.h"

namespace tintext {

namespace {

constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kSysInfoValue = "PATH";

// Desktop tools that show the system's hardware and software, in order of preference.
constexpr const char* kSysInfoTools[] = {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor",
                                         "mate-system-monitor"};

bool StartProgram(const std::string& command) {
    QString program = ToQt(command);
    QStringList arguments;
    if (!QFileInfo(program).isFile()) {
        arguments = QProcess::splitCommand(program);
        if (arguments.isEmpty()) return false;
        program = arguments.takeFirst();
    }
    return QProcess::startDetached(program, arguments);
}

}  // namespace

FrmAbout::FrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(QString("About ") + kProgramTitle);

    auto* image1 = new QLabel(this);
    image1->setObjectName("Image1");
    // 48 pixels at 96 dpi, more on a display whose text is larger.
    const int iconSize = ScaledForDisplay(this, 48);
    image1->setPixmap(AppIcon().pixmap(QSize(iconSize, iconSize), devicePixelRatioF()));
    image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle_ = new QLabel(kProgramTitle, this);
    lblTitle_->setObjectName("lblTitle");
    QFont titleFont = lblTitle_->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    lblTitle_->setFont(titleFont);

    lblVersion_ = new QLabel(ToQt("Version " + VersionText()), this);
    lblVersion_->setObjectName("lblVersion");

    lblDescription_ = new QLabel(kProgramDescription, this);
    lblDescription_->setObjectName("lblDescription");
    lblDescription_->setWordWrap(true);
    lblDescription_->setMinimumWidth(TwipsToPixels(3885));

    auto* line1 = new QFrame(this);
    line1->setObjectName("Line1");
    line1->setFrameShape(QFrame::HLine);
    line1->setFrameShadow(QFrame::Sunken);

    cmdOk_ = new QPushButton("OK", this);
    cmdOk_->setObjectName("cmdOK");
    cmdOk_->setDefault(true);
    cmdOk_->setMinimumWidth(TwipsToPixels(1260));
    connect(cmdOk_, &QPushButton::clicked, this, &QDialog::accept);

    cmdSysInfo_ = new QPushButton("&System Info...", this);
    cmdSysInfo_->setObjectName("cmdSysInfo");
    cmdSysInfo_->setMinimumWidth(TwipsToPixels(1245));
    cmdSysInfo_->setAutoDefault(false);
    connect(cmdSysInfo_, &QPushButton::clicked, this, &FrmAbout::StartSysInfo);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle_);
    texts->addWidget(lblVersion_);
    texts->addSpacing(TwipsToPixels(120));
    texts->addWidget(lblDescription_);
    texts->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOk_);
    buttons->addWidget(cmdSysInfo_);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(TwipsToPixels(240));
    layout->addWidget(image1, 0, 0);
    layout->addLayout(texts, 0, 1, 1, 2);
    layout->addWidget(line1, 1, 0, 1, 3);
    layout->addLayout(buttons, 2, 2, Qt::AlignRight);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(cmdOk_, cmdSysInfo_);
}

bool FrmAbout::GetKeyValue(const std::string& keyRoot, const std::string& keyName, const std::string& subKeyRef,
                           std::string& keyVal) {
    Value data;
    try {
        data = System().RegRead(keyRoot + "\\" + keyName + "\\" + subKeyRef);
    } catch (const Error&) {
        data = Value::Null();
    }
    if (data.IsNull() || data.IsEmpty()) {
        keyVal.clear();
        return false;
    }
    switch (data.kind()) {
        case Value::Kind::String:
            keyVal = data.AsString();
            break;
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long:
            keyVal = std::to_string(static_cast<long long>(data.NumberValue()));
            break;
        default:  // other types leave keyVal as it was
            break;
    }
    return true;
}

void FrmAbout::StartSysInfo() {
    std::string tool;
    bool started = false;
    if (GetKeyValue(kLocalMachine, kSysInfoKey, kSysInfoValue, tool)) {
        started = StartProgram(tool);
    } else {
        for (const char* name : kSysInfoTools) {
            QString found = QStandardPaths::findExecutable(name);
            if (!found.isEmpty()) {
                started = StartProgram(FromQt(found));
                break;
            }
        }
    }
    if (!started) {
        Env().MessageBox("System Information Is Unavailable At This Time", MsgButtons::Ok, MsgIcon::Information,
                         kProgramTitle);
    }
}

}  // namespace tintext
