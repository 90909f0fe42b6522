// The desktop job environment: message boxes, the progress dialog and its
// Cancel button, the busy pointer, opening the output.
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/frm_progress.h"
#include "app/dialogs/qt_environment.h"
#include "dialog_test_support.h"
#include "tests/recording_environment.h"

using namespace tintext;
using namespace tintext::testing;

class QtEnvironmentTest : public QObject {
    Q_OBJECT

private slots:
    void MessageBoxes_data() {
        QTest::addColumn<bool>("yesNo");
        QTest::addColumn<bool>("exclamation");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("warning, OK") << false << true << int(Qt::Key_Return) << int(MsgResult::Ok);
        QTest::newRow("information, OK by Esc") << false << false << int(Qt::Key_Escape) << int(MsgResult::Ok);
        QTest::newRow("question, Enter means Yes") << true << true << int(Qt::Key_Return) << int(MsgResult::Yes);
        QTest::newRow("question, Esc means No") << true << true << int(Qt::Key_Escape) << int(MsgResult::No);
    }
    void MessageBoxes() {
        QFETCH(bool, yesNo);
        QFETCH(bool, exclamation);
        QFETCH(int, key);
        QFETCH(int, answer);
        FrmProgress progress;
        QtEnvironment env(&progress, nullptr);
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, text;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        OnNextModal reply([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            icon = box->icon();
            title = box->windowTitle();
            text = box->text();
            defaultButton = box->standardButton(box->defaultButton());
            QTest::keyClick(box, Qt::Key(key));
        });
        MsgResult result = env.MessageBox("First line\r\nSecond line", yesNo ? MsgButtons::YesNo : MsgButtons::Ok,
                                          exclamation ? MsgIcon::Exclamation : MsgIcon::Information, "Tintext (1.0.47)");
        QCOMPARE(int(result), answer);
        QCOMPARE(icon, exclamation ? QMessageBox::Warning : QMessageBox::Information);
        QCOMPARE(title, QString("Tintext (1.0.47)"));
        QCOMPARE(text, QString("First line\nSecond line"));
        QCOMPARE(defaultButton, yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    }

    void ProgressIsShownCentredAndMoved() {
        QWidget main;
        main.setGeometry(100, 100, 600, 400);
        main.show();
        FrmProgress progress;
        QtEnvironment env(&progress, &main);
        ScopedEnv scoped(env);
        env.ShowProgress();
        QVERIFY(progress.isVisible());
        QVERIFY(!progress.isModal() && !progress.parentWidget());
        QCOMPARE(progress.pos(), CenteredPosition(main.frameGeometry(), progress.frameGeometry().size()));

        env.SetProgressMax(200);
        env.SetProgressValue(100);
        QCOMPARE(progress.ProgressBar1()->value() * 2, progress.ProgressBar1()->maximum());
        env.SetProgressValue(500);  // past the end: a full bar
        QCOMPARE(progress.ProgressBar1()->value(), progress.ProgressBar1()->maximum());
        env.SetProgressMax(0);  // an empty input
        QCOMPARE(progress.ProgressBar1()->value(), 0);

        QTest::mouseClick(progress.CmdCancel(), Qt::LeftButton);
        QVERIFY(env.cancelRequested);
        env.cancelRequested = false;
        QTest::keyClick(&progress, Qt::Key_Escape);  // Esc asks the same; the job hides the dialog
        QVERIFY(env.cancelRequested);
        QVERIFY(progress.isVisible());
        env.HideProgress();
        QVERIFY(!progress.isVisible());
    }

    void BusyPointerDoesNotStack() {
        QtEnvironment env(nullptr, nullptr);
        env.SetBusyPointer(true);
        env.SetBusyPointer(true);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        env.SetBusyPointer(false);
        QVERIFY(!QApplication::overrideCursor());
        env.SetBusyPointer(false);
        QVERIFY(!QApplication::overrideCursor());
    }

    void OpenDocumentTellsWhenNothingOpensIt() {
        QtEnvironment env(nullptr, nullptr);
        RecordingEnvironment messages;
        ScopedEnv scoped(messages);
        QList<QUrl> opened;
        SetUrlOpener([&](const QUrl& url) {
            opened << url;
            return false;
        });
        QVERIFY(!env.OpenDocument("/tmp/out put.htm"));
        SetUrlOpener(nullptr);
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile("/tmp/out put.htm")}));
        QCOMPARE(messages.messages.size(), size_t(1));
        QVERIFY(messages.messages[0].text.find("/tmp/out put.htm") != std::string::npos);
    }

    // A browser that is already running has its own working folder: a
    // relative output name must reach it as a whole file:// address. The
    // batch run of a desktop session opens its output through the same environment.
    void OpenDocumentHandsOnAnAbsoluteFileAddress() {
        QtEnvironment env(nullptr, nullptr);
        QList<QUrl> opened;
        SetUrlOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        QVERIFY(env.OpenDocument("rel.htm"));
        QVERIFY(env.OpenDocument("sub/../out.htm"));
        SetUrlOpener(nullptr);
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened[0].scheme(), QString("file"));
        QCOMPARE(opened[0].toString(), "file://" + QDir::currentPath() + "/rel.htm");
        QCOMPARE(opened[1].toLocalFile(), QDir::currentPath() + "/out.htm");
    }
};

QTEST_MAIN(QtEnvironmentTest)
#include "qt_environment_test.moc"
