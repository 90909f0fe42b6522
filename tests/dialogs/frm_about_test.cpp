// The about box: its texts, reading registry values, and finding the system
// information tool (registered, on PATH, or none).
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/frm_about.h"
#include "dialog_test_support.h"
#include "support/system.h"
#include "tests/recording_environment.h"

using namespace tintext;
using namespace tintext::testing;

namespace {

constexpr const char* kMachine = "HKEY_LOCAL_MACHINE";
constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

// A program that leaves a mark when it runs.
QString WriteTool(const QString& folder, const QString& name, const QString& mark) {
    QString path = folder + "/" + name;
    QFile tool(path);
    if (!tool.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    tool.write(QString("#!/bin/sh\n/usr/bin/touch '%1'\n").arg(mark).toUtf8());
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

class ScopedPath {
public:
    explicit ScopedPath(const QString& path) : previous_(qgetenv("PATH")) { qputenv("PATH", path.toUtf8()); }
    ~ScopedPath() { qputenv("PATH", previous_); }

private:
    QByteArray previous_;
};

}  // namespace

class FrmAboutTest : public QObject {
    Q_OBJECT

private slots:
    void init() { registry_ = std::make_unique<ScopedRegistry>(); }
    void cleanup() { registry_.reset(); }

    void ShowsTitleVersionAndDescription() {
        FrmAbout about;
        QCOMPARE(about.windowTitle(), QString("About Tintext"));
        QCOMPARE(about.LblTitle()->text(), QString("Tintext"));
        QCOMPARE(about.LblVersion()->text(), QString("Version 1.0.47"));
        QVERIFY(!about.LblDescription()->text().isEmpty());
        QVERIFY(about.CmdOk()->isDefault());
        QCOMPARE(about.CmdSysInfo()->text(), QString("&System Info..."));
        about.show();
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
    }

    void GetKeyValueReadsTextAndNumbers() {
        System system;
        QVERIFY(system.RegWrite(std::string(kMachine) + "\\Software\\Test\\Text", Value("C:\\tool.exe")));
        QVERIFY(system.RegWrite(std::string(kMachine) + "\\Software\\Test\\Number", Value(int32_t(42))));
        QVERIFY(system.RegWrite(std::string(kMachine) + "\\Software\\Test\\Binary", Value(Bytes{1, 2})));
        std::string value = "before";
        QVERIFY(FrmAbout::GetKeyValue(kMachine, "Software\\Test", "Text", value));
        QCOMPARE(value, std::string("C:\\tool.exe"));
        QVERIFY(FrmAbout::GetKeyValue(kMachine, "Software\\Test", "Number", value));
        QCOMPARE(value, std::string("42"));
        QVERIFY(FrmAbout::GetKeyValue(kMachine, "Software\\Test", "Binary", value));
        QCOMPARE(value, std::string("42"));  // other types leave the value as it was
        QVERIFY(!FrmAbout::GetKeyValue(kMachine, "Software\\Test", "Missing", value));
        QCOMPARE(value, std::string(""));
        value = "x";
        QVERIFY(!FrmAbout::GetKeyValue(kMachine, "Software\\Nowhere", "Text", value));
        QCOMPARE(value, std::string(""));
    }

    void SystemInfoFindsItsTool_data() {
        QTest::addColumn<bool>("registered");
        QTest::addColumn<QString>("onPath");  // a tool's name on PATH, or empty
        QTest::addColumn<bool>("started");
        QTest::newRow("registered tool") << true << "" << true;
        QTest::newRow("tool on PATH") << false << "hardinfo" << true;
        QTest::newRow("registered tool wins over PATH") << true << "kinfocenter" << true;
        QTest::newRow("none anywhere") << false << "" << false;
    }
    void SystemInfoFindsItsTool() {
        QFETCH(bool, registered);
        QFETCH(QString, onPath);
        QFETCH(bool, started);
        QTemporaryDir temp;
        QString registeredMark = temp.path() + "/registered-ran";
        QString pathMark = temp.path() + "/path-tool-ran";
        if (registered) {
            QString tool = WriteTool(temp.path(), "sysinfo-tool", registeredMark);
            System().RegWrite(std::string(kMachine) + "\\" + kSysInfoKey + "\\PATH", Value(tool.toStdString()));
        }
        if (!onPath.isEmpty()) WriteTool(temp.path(), onPath, pathMark);
        ScopedPath path(temp.path());
        RecordingEnvironment env;
        ScopedEnv scoped(env);

        FrmAbout about;
        QTest::mouseClick(about.CmdSysInfo(), Qt::LeftButton);
        if (!started) {
            QCOMPARE(env.messages.size(), size_t(1));
            QCOMPARE(env.messages[0].text, std::string("System Information Is Unavailable At This Time"));
            QCOMPARE(env.messages[0].title, std::string("Tintext"));
            return;
        }
        QVERIFY(env.messages.empty());
        QTRY_VERIFY(QFile::exists(registered ? registeredMark : pathMark));
        QVERIFY(!QFile::exists(registered ? pathMark : registeredMark));
    }

private:
    std::unique_ptr<ScopedRegistry> registry_;
};

QTEST_MAIN(FrmAboutTest)
#include "frm_about_test.moc"
