// The texts every dialog shows, the notice that can be hidden for good, the
// about box's system information tool, the desktop job environment (message
// boxes, progress and Cancel, busy pointer, opening the output), and the
// helpers: centring, the folder a file dialog starts in, filters, help pages.
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include "app/dialogs/frm_about.h"
#include "app/dialogs/frm_main.h"
#include "app/dialogs/frm_progress.h"
#include "app/dialogs/frm_show_once.h"
#include "app/dialogs/qt_environment.h"
#include "app/settings.h"
#include "dialog_test_support.h"
#include "support/program_info.h"
#include "support/system.h"
#include "support/user_folders.h"
#include "tests/recording_environment.h"

using namespace tintext;
using namespace tintext::testing;

class SmallDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { registry_ = std::make_unique<ScopedRegistry>(); }
    void cleanup() { registry_.reset(); }

    // Each caption with its access key, and each tooltip, as the table has them.
    void EveryDialogShowsItsTexts_data() { AddRows("dialog_captions.tsv"); }
    void EveryDialogShowsItsTexts() {
        QFETCH(QStringList, row);
        FrmMain main;
        FrmAbout about;
        FrmProgress progress;
        FrmShowOnce notice;
        QWidget* dialog = nullptr;
        for (QWidget* each : std::initializer_list<QWidget*>{&main, &about, &progress, &notice})
            if (each->objectName() == row[0]) dialog = each;
        const QString name = row[1].section(':', -1);
        QObject* control = name.isEmpty() ? dialog : Child<QObject>(*dialog, name);
        QString caption = control->property(name.isEmpty() ? "windowTitle" : control->inherits("QMenu") ? "title" : "text").toString();
        if (row[1].startsWith("label:"))
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (label->buddy() == control) caption = label->text();
        QCOMPARE(caption, row[2]);
        // An action's tooltip is its text unless set, so only the others' are compared.
        QCOMPARE(control->inherits("QAction") ? QString() : control->property("toolTip").toString(), row.value(3));
    }

    // Whether the stored choice shows the notice, how its box starts, and
    // what OK and Esc store.
    void NoticeFollowsTheStoredChoice_data() { AddRows("show_once_notice.tsv"); }
    void NoticeFollowsTheStoredChoice() {
        QFETCH(QStringList, row);
        if (row[0] != "never") WriteSetting(kCompanyName, kProgramTitle, "ShowOnce", "Feedback", FromQt(row[0]));
        QString ticked = "-";
        OnNextModal answer([&](QWidget* modal) {
            auto* notice = qobject_cast<FrmShowOnce*>(modal);
            ticked = notice->ChkHide()->isChecked() ? "1" : "0";
            QCOMPARE(notice->windowTitle() + notice->LblMessage()->text(), QString("Send FeedbackThe text."));
            if (row[3] == "ok-clear") notice->ChkHide()->setChecked(false);
            QTest::keyClick(notice, row[3] == "esc" ? Qt::Key_Escape : Qt::Key_Return);
        });
        QWidget parent;
        parent.resize(400, 300);
        FrmShowOnce::ShowOnce(&parent, "Feedback", "The text.", "Send Feedback", row[1] == "1", row[2] == "1", 2500);
        QCOMPARE(QString(ticked == "-" ? "0" : "1"), row[4]);
        QCOMPARE(ticked, row[5]);
        QCOMPARE(ToQt(ReadSetting(kCompanyName, kProgramTitle, "ShowOnce", "Feedback", "never")), row[6]);
    }

    // The registered tool first, then one on PATH; with none, a message.
    void SystemInfoFindsItsTool_data() { AddRows("system_info_tools.tsv"); }
    void SystemInfoFindsItsTool() {
        QFETCH(QStringList, row);
        const QString tools = row.value(1), ran = row.value(2);
        QTemporaryDir temp;
        for (const QString& tool : tools.split(' ', Qt::SkipEmptyParts)) {
            WriteFile(temp.filePath(tool), QString("#!/bin/sh\n/usr/bin/touch '%1.ran'\n").arg(temp.filePath(tool)).toUtf8());
            QFile::setPermissions(temp.filePath(tool), QFile::ReadOwner | QFile::ExeOwner);
        }
        if (tools.startsWith("registered"))
            System().RegWrite("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO\\PATH",
                              Value(FromQt(temp.filePath("registered"))));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", temp.path().toUtf8());
        RecordingEnvironment env;
        ScopedEnv scoped(env);
        FrmAbout about;
        QTest::mouseClick(about.CmdSysInfo(), Qt::LeftButton);
        qputenv("PATH", path);
        QStringList told;
        for (const auto& message : env.messages) told << ToQt(message.title + ": " + message.text);
        QCOMPARE(told, ran.isEmpty() ? QStringList{"Tintext: System Information Is Unavailable At This Time"} : QStringList());
        QTRY_COMPARE(QDir(temp.path()).entryList({"*.ran"}), ran.isEmpty() ? QStringList() : QStringList{ran + ".ran"});
    }

    // The icon, the title, the text with Windows line ends made plain, the
    // default button, and what Enter and Esc answer.
    void MessageBoxes_data() { AddRows("message_boxes.tsv"); }
    void MessageBoxes() {
        QFETCH(QStringList, row);
        QtEnvironment env(nullptr, nullptr);
        QStringList seen;
        OnNextModal reply([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            seen << (box->icon() == QMessageBox::Warning ? "warning" : "information") << box->windowTitle() << box->text()
                 << box->defaultButton()->text().remove('&').toLower();
            QTest::keyClick(box, row[2] == "Return" ? Qt::Key_Return : Qt::Key_Escape);
        });
        const MsgResult result = env.MessageBox("First line\r\nSecond line", row[0] == "ok" ? MsgButtons::Ok : MsgButtons::YesNo,
                                                row[1] == "warning" ? MsgIcon::Exclamation : MsgIcon::Information, "Title");
        QCOMPARE(seen, QStringList({row[1], "Title", "First line\nSecond line", row[0] == "ok" ? "ok" : "yes"}));
        QCOMPARE(result, row[3] == "ok" ? MsgResult::Ok : row[3] == "yes" ? MsgResult::Yes : MsgResult::No);
    }

    // Centred over the main dialog; the bar follows the job's values, a
    // value past the end a full bar; Cancel and Esc ask the job to stop.
    void ProgressIsShownCentredMovedAndCancelled() {
        QWidget main;
        main.setGeometry(100, 100, 600, 400);
        main.show();
        FrmProgress progress;
        QtEnvironment env(&progress, &main);
        ScopedEnv scoped(env);
        env.ShowProgress();
        QVERIFY(progress.isVisible() && !progress.isModal());
        QCOMPARE(progress.pos(), CenteredPosition(main.frameGeometry(), progress.frameGeometry().size()));
        QProgressBar* bar = progress.ProgressBar1();
        env.SetProgressMax(200);
        env.SetProgressValue(100);
        QCOMPARE(bar->value() * 2, bar->maximum());
        env.SetProgressValue(500);
        QCOMPARE(bar->value(), bar->maximum());
        env.SetProgressMax(0);  // an empty input
        QCOMPARE(bar->value(), 0);
        QTest::mouseClick(progress.CmdCancel(), Qt::LeftButton);
        QVERIFY(env.cancelRequested);
        env.cancelRequested = false;
        QTest::keyClick(&progress, Qt::Key_Escape);  // the job, not Esc, hides the dialog
        QVERIFY(env.cancelRequested && progress.isVisible());
        env.HideProgress();
        QVERIFY(!progress.isVisible());
    }

    void BusyPointerDoesNotStack() {
        QtEnvironment env(nullptr, nullptr);
        env.SetBusyPointer(true);
        env.SetBusyPointer(true);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        env.SetBusyPointer(false);
        QVERIFY(!QApplication::overrideCursor());
    }

    // A browser that is already running has its own working folder: a
    // relative output name must reach it as a whole file:// address. One
    // that nothing opens is told.
    void OpenDocumentHandsOnAnAbsoluteFileAddress() {
        QtEnvironment env(nullptr, nullptr);
        RecordingEnvironment messages;
        ScopedEnv scoped(messages);
        {
            OpenedUrls opened;
            QVERIFY(env.OpenDocument("rel.htm") && env.OpenDocument("sub/../out put.htm"));
            QCOMPARE(opened, QList<QUrl>({QUrl("file://" + QDir::currentPath() + "/rel.htm"),
                                          QUrl::fromLocalFile(QDir::currentPath() + "/out put.htm")}));
        }
        QVERIFY(messages.messages.empty());
        OpenedUrls failing(false);
        QVERIFY(!env.OpenDocument("/tmp/out put.htm"));
        QCOMPARE(messages.messages.size(), size_t(1));
        QVERIFY(messages.messages[0].text.find("/tmp/out put.htm") != std::string::npos);
    }

    void CenteredPositionIsClampedAtZero_data() { AddRows("dialog_centring.tsv"); }
    void CenteredPositionIsClampedAtZero() {
        QFETCH(QStringList, row);
        auto at = [&](int i) { return row[i].toInt(); };
        QCOMPARE(CenteredPosition(QRect(at(0), at(1), at(2), at(3)), QSize(at(4), at(5))), QPoint(at(6), at(7)));
    }

    void NearestExistingFolder_data() { AddRows("nearest_folder.tsv"); }
    void NearestExistingFolder() {
        QFETCH(QStringList, row);
        QTemporaryDir temp;
        QVERIFY(QDir(temp.path()).mkpath("sub"));
        for (QString& field : row) field.replace("@", temp.path()).replace("~", ToQt(HomeFolder()));
        QCOMPARE(ToQt(tintext::NearestExistingFolder(FromQt(row[0]))), row[1]);
    }

    void FiltersInQtForm_data() { AddRows("file_filters.tsv"); }
    void FiltersInQtForm() {
        QFETCH(QStringList, row);
        QCOMPARE(QtFileFilters(FromQt(row[0])), row.mid(1));
    }

    // A missing page and a browser that cannot start are told; no help path does nothing.
    void HelpTellsWhyItCannotOpen() {
        RecordingEnvironment env;
        ScopedEnv scoped(env);
        OpenedUrls failing(false);
        SetHelpFilePath(TINTEXT_SOURCE_DIR "/help");
        ShowHelpTopic("HTML/missing.htm");
        ShowHelpTopic(kMainDialogHelpTopic);
        SetHelpFilePath("");
        ShowHelpTopic(kMainDialogHelpTopic);
        QCOMPARE(failing.size(), 1);
        QCOMPARE(env.messages.size(), size_t(2));
        QVERIFY(env.messages[0].text.find("HTML/missing.htm") != std::string::npos);
        QVERIFY(env.messages[1].text.find("No web browser") != std::string::npos);
        QCOMPARE(env.messages[1].icon, MsgIcon::Exclamation);
    }

private:
    std::unique_ptr<ScopedRegistry> registry_;
};

QTEST_MAIN(SmallDialogsTest)
#include "small_dialogs_test.moc"
