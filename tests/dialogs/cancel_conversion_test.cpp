// A real conversion started with Go and cancelled from the progress dialog:
// the output holds the part done so far, its sections closed.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/dialogs/frm_main.h"
#include "app/dialogs/frm_progress.h"
#include "dialog_test_support.h"

using namespace tintext;
using namespace tintext::testing;

namespace {

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(text);
}

QByteArray ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class CancelConversionTest : public QObject {
    Q_OBJECT

private slots:
    void CancelWritesThePartDone() {
        ScopedRegistry registry;
        QTemporaryDir temp;
        const QString input = temp.path() + "/big.txt";
        const QString output = temp.path() + "/big.htm";
        const QString hld = temp.path() + "/plain.hld";
        // Letters and digits only, so the output is the input itself between
        // header and footer; large enough to take several event pumps.
        QByteArray text = QByteArray("abcdefghijklmnopqrstuvwxyz0123456789").repeated(120000);
        WriteText(input, text);
        WriteText(hld, "[Main]\nHEADER-HTML=<pre>\nFOOTER-HTML=</pre>\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$\n");

        FrmMain main;
        main.show();
        Child<QLineEdit>(main, "txtInputFilename")->setText(input);
        Child<QLineEdit>(main, "txtOutputFilename")->setText(output);
        Child<QCheckBox>(main, "chkUseDefaultHLD")->setChecked(false);
        Child<QLineEdit>(main, "txtHLDFileName")->setText(hld);
        Child<QCheckBox>(main, "chkShowOutput")->setChecked(false);

        // Press Cancel once the bar has started to move, as a user would.
        bool pressed = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, [&] {
            FrmProgress* progress = main.Progress();
            if (!pressed && progress->isVisible() && progress->Value() > 0) {
                pressed = true;
                QTest::mouseClick(progress->CmdCancel(), Qt::LeftButton);
            }
        });
        watcher.start(0);
        QTest::mouseClick(Child<QPushButton>(main, "cmdGo"), Qt::LeftButton);
        watcher.stop();

        QVERIFY(pressed);
        QVERIFY(!main.Progress()->isVisible());
        QByteArray written = ReadText(output);
        QVERIFY(written.startsWith("<pre>"));
        QVERIFY(written.endsWith("</pre>"));
        QByteArray body = written.mid(5, written.size() - 11);
        QVERIFY(!body.isEmpty());
        QVERIFY(body.size() < text.size());
        QVERIFY(text.startsWith(body));
        QVERIFY(Child<QPushButton>(main, "cmdGo")->isEnabled());  // ready for the next job
    }

private:
    template <class T>
    static T* Child(QWidget& dialog, const char* name) {
        T* found = dialog.findChild<T*>(name);
        if (!found) qFatal("no control %s", name);
        return found;
    }
};

QTEST_MAIN(CancelConversionTest)
#include "cancel_conversion_test.moc"
