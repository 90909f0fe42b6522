// The interactive run that start-up hands over to: the dialog shows the
// settings it is given and hands back what it holds when it closes.
#include <QApplication>
#include <QLineEdit>
#include <QtTest>

#include "app/dialogs/desktop.h"
#include "app/dialogs/frm_main.h"

using namespace tintext;

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void MainDialogHandsBackWhatItHolds() {
        DialogSettings settings;
        settings.inputFile = "start.asp";
        settings.outputFile = "start.htm";
        settings.inputDir = "/remembered";
        QString shown;
        QTimer::singleShot(0, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* main = qobject_cast<FrmMain*>(window);
                if (!main || !main->isVisible()) continue;
                auto* output = main->findChild<QLineEdit*>("txtOutputFilename");
                shown = output->text();
                output->setText("changed.htm");
                main->close();
            }
        });
        QCOMPARE(RunMainDialog(settings), 0);
        QCOMPARE(shown, QString("start.htm"));
        QCOMPARE(settings.outputFile, std::string("changed.htm"));
        QCOMPARE(settings.inputFile, std::string("start.asp"));
        QCOMPARE(settings.inputDir, std::string("/remembered"));
    }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
