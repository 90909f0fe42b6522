// The main dialog: what Go hands the job, when Go can be pressed, the syntax
// box following its check box, the settings it loads and saves, the Browse
// buttons, the menus, and closing or cancelling while a job runs.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // settings rows leave trailing fields at their defaults
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include "app/dialogs/desktop.h"
#include "app/dialogs/frm_main.h"
#include "app/dialogs/frm_progress.h"
#include "app/settings.h"
#include "dialog_test_support.h"
#include "support/job_environment.h"
#include "support/program_info.h"

using namespace tintext;
using namespace tintext::testing;

namespace {

// Sets a control as a user would: a drop-down to the entry with that data,
// a check box to "1" or "0", a text box to the text.
void Choose(QWidget& dialog, const QString& control, const QString& value) {
    if (auto* box = dialog.findChild<QComboBox*>(control)) {
        if (box->findData(value) < 0) qFatal("%s offers no %s", qPrintable(control), qPrintable(value));
        box->setCurrentIndex(box->findData(value));
    } else if (auto* text = dialog.findChild<QLineEdit*>(control)) {
        text->setText(value);
    } else {
        Child<QCheckBox>(dialog, control)->setChecked(value == "1");
    }
}

// What a control shows, in the form Choose takes.
QString Shown(QWidget& dialog, const QString& control) {
    if (auto* box = dialog.findChild<QComboBox*>(control)) return box->currentData().toString();
    if (auto* text = dialog.findChild<QLineEdit*>(control)) return text->text();
    return Child<QCheckBox>(dialog, control)->isChecked() ? "1" : "0";
}

// One character a match, copied between <pre> and </pre>: a large input takes many event pumps.
const QByteArray kPlain = "[Main]\nHEADER-HTML=<pre>\nFOOTER-HTML=</pre>\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$\n";

// While it lives, clicks the progress dialog's Cancel once, as soon as `ready` holds.
struct CancelWhen {
    QTimer watcher;
    bool pressed = false;
    CancelWhen(FrmMain& main, std::function<bool(FrmProgress&)> ready) {
        QObject::connect(&watcher, &QTimer::timeout, [this, &main, ready] {
            if (pressed || !main.Progress()->isVisible() || !ready(*main.Progress())) return;
            pressed = true;
            QTest::mouseClick(main.Progress()->CmdCancel(), Qt::LeftButton);
        });
        watcher.start(0);
    }
};

QString Stored(const QString& key) {
    return ToQt(ReadSetting(kCompanyName, kProgramTitle, "Settings", FromQt(key), "<absent>"));
}

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private slots:
    // The shipped definitions, themes and help pages, from the source tree.
    void initTestCase() { SetProgramFolder(TINTEXT_SOURCE_DIR); }
    void init() {
        registry_ = std::make_unique<ScopedRegistry>();
        main_ = std::make_unique<FrmMain>();
        jobs_.clear();
        preferences_.clear();
        main_->SetJobFunction([this](const JobRequest& request, const JobServices& services) {
            jobs_.push_back(request);
            preferences_.push_back(services.showOutputPreference ? services.showOutputPreference() : -1);
        });
    }
    void cleanup() {
        main_.reset();
        registry_.reset();
    }

    void GoIsTheDefaultButtonAndNeedsAnOutputName() {
        auto* go = Child<QPushButton>(*main_, "cmdGo");
        QVERIFY(!go->isEnabled() && go->isDefault());
        QTest::keyClick(Child<QLineEdit>(*main_, "txtOutputFilename"), Qt::Key_A);
        QVERIFY(go->isEnabled());
        Choose(*main_, "txtOutputFilename", "");
        QVERIFY(!go->isEnabled());
    }

    // Go hands the fields and choices to the job as the command line's
    // options would; what the dialog does not offer keeps their defaults.
    void GoHandsTheFieldsToTheJob_data() { AddRows("main_dialog_go.tsv"); }
    void GoHandsTheFieldsToTheJob() {
        QFETCH(QStringList, row);
        main_->LoadSettings({"in.asp", "out.htm", "my.hld", row[2].toInt(), row[1].toInt(), "", "", "", FromQt(row[4]),
                             FromQt(row[5]), row[6].toInt(), row[7].toInt()});
        Choose(*main_, "chkDosText", row[3]);
        Click("cmdGo");
        QCOMPARE(jobs_.size(), size_t(1));
        const JobRequest& job = jobs_[0];
        auto number = [](auto value) { return QString::number(int(value)); };
        QCOMPARE(QStringList({ToQt(job.inputfilename), ToQt(job.destfile), ToQt(job.hldfile), ToQt(job.hldfolder.AsString()),
                              number(job.overwritemode), number(job.showoutput), number(job.dostext),
                              number(preferences_.at(0)), number(job.codePage), number(!job.codePageSource.empty()),
                              ToQt(job.page.theme), number(job.page.lineNumbers), number(job.page.fragment),
                              number(job.page.stylesheet), number(job.page.inlineStyles), number(job.page.highlight.size())}),
                 QStringList({"in.asp", "out.htm", row[8], "", "2", row[9], row[3], row[2], row[10],
                              number(row[10] != "0"), row[5], row[11], row[12], "1", "0", "0"}));
    }

    // A stored theme that no themes folder offers is kept, told as /theme
    // tells it when Go is pressed, and no job runs.
    void UnknownThemeIsToldAndNoJobRuns() {
        main_->LoadSettings({"", "out.htm", "", 1, 1, "", "", "", "", "nonesuch"});
        QCOMPARE(Shown(*main_, "cboTheme"), QString("nonesuch"));
        NextMessage told;
        main_->Go();
        QVERIFY(jobs_.empty());
        QVERIFY2(told.text.contains("unknown theme \"nonesuch\"") && told.text.contains("high-contrast"), qPrintable(told.text));
        QVERIFY(Child<QPushButton>(*main_, "cmdGo")->isEnabled());
    }

    // The example input, Go ready, the syntax box greyed, the choices at their defaults.
    void FirstRunShowsTheExampleAndTheDefaults() {
        main_->LoadSettings();
        QCOMPARE(Shown(*main_, "txtInputFilename"), ToQt(ProgramFolder() + "/Examples/asp-ex1.asp"));
        QVERIFY(Child<QPushButton>(*main_, "cmdGo")->isEnabled());
        QVERIFY(!Child<QLineEdit>(*main_, "txtHLDFileName")->isEnabled());
        QStringList shown;
        for (const char* control : {"chkShowOutput", "chkDosText", "cboCodePage", "cboTheme", "chkLineNumbers", "chkFragment"})
            shown << Shown(*main_, control);
        QCOMPARE(shown, QStringList({"1", "0", "", "auto", "0", "0"}));
    }

    // Each control is stored under its setting when the dialog closes and
    // shown again by the next one; DOS text is never stored.
    void SettingsAreStoredAndRestored_data() { AddRows("main_dialog_settings.tsv"); }
    void SettingsAreStoredAndRestored() {
        QFETCH(QStringList, row);
        main_->LoadSettings();
        Choose(*main_, row[0], row[1]);
        Choose(*main_, "chkDosText", "1");
        main_->close();
        QCOMPARE(Stored(row[2]), row[1]);
        FrmMain again;
        again.LoadSettings();
        QCOMPARE(Shown(again, row[0]), row[1]);
        QCOMPARE(Shown(again, "chkDosText"), QString("0"));
    }

    // A value stored by hand is shown as the control can; closing stores
    // what the control holds, a code page left alone as it was written.
    void StoredValuesAreShownAsTheControlsCan_data() { AddRows("main_dialog_stored_values.tsv"); }
    void StoredValuesAreShownAsTheControlsCan() {
        QFETCH(QStringList, row);
        WriteSetting(kCompanyName, kProgramTitle, "Settings", FromQt(row[0]), FromQt(row[1]));
        main_->LoadSettings();
        QCOMPARE(Shown(*main_, row[2]), row[3]);
        main_->close();
        QCOMPARE(Stored(row[0]), row[4]);
    }

    // Closing during a job asks first; "No" lets the job go on, "Yes" stops it,
    // drops the part done (so an earlier output stays) and closes once it returned.
    void ClosingDuringAJobAsksAndStopsIt_data() { AddRows("main_dialog_close_during_job.tsv"); }
    void ClosingDuringAJobAsksAndStopsIt() {
        QFETCH(QStringList, row);
        const bool stopped = row[1] == "stop";
        main_->show();
        Choose(*main_, "txtOutputFilename", "kept.htm");
        bool sawCancel = false, keepPart = true;
        QString question;
        main_->SetJobFunction([&](const JobRequest& request, const JobServices&) {
            Env().cancelRequested = false;
            OnNextModal answer([&](QWidget* box) {
                question = box->objectName();
                QTest::keyClick(box, QKeySequence(row[0])[0].key());
            });
            main_->close();
            sawCancel = Env().cancelRequested;
            keepPart = request.keepPartialOutput();
            QVERIFY(main_->isVisible());  // still open while the job returns
        });
        main_->Go();
        QCOMPARE(question, QString("StopQuestion"));
        QCOMPARE(sawCancel, stopped);
        QCOMPARE(keepPart, !stopped);
        QCOMPARE(main_->isVisible(), !stopped);
        QCOMPARE(Stored("OutputFile"), stopped ? QString("kept.htm") : "<absent>");  // saved once the job ended
    }

    // Go while a job runs (a click handled as the job lets events run)
    // starts nothing; a job that ends leaves Go the default button: Enter
    // after a mouse click on Go runs Go again instead of closing the program.
    void GoDuringAJobIsIgnoredAndEnterAfterItRunsGoAgain() {
        ShowMain();
        main_->activateWindow();
        Choose(*main_, "txtOutputFilename", "out.htm");
        main_->SetJobFunction([&](const JobRequest& request, const JobServices&) {
            jobs_.push_back(request);
            QVERIFY(!Child<QPushButton>(*main_, "cmdGo")->isEnabled());
            main_->Go();
            QApplication::processEvents();
        });
        Click("cmdGo");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(jobs_.size(), size_t(2));
        QVERIFY(main_->isVisible());
    }

    // Its own window, kept above its owner, so that one click on the main
    // dialog does not hide Cancel.
    void ProgressDialogIsOwnedByTheMainDialog() {
        ShowMain();
        Env().ShowProgress();
        QVERIFY(main_->Progress()->isVisible() && main_->Progress()->isWindow());
        QCOMPARE(main_->Progress()->windowHandle()->transientParent(), main_->windowHandle());
        Env().HideProgress();
    }

    // A chosen file goes into its box and its folder is remembered; a chosen
    // definition is used, not greyed and ignored by Go.
    void BrowseFillsTheBoxAndUnticksTheDefaultDefinition() {
        QTemporaryDir temp;
        main_->LoadSettings(DialogSettings{"", "out.htm"});
        QString answer;
        main_->SetFileChooser([&](QWidget*, const BrowseRequest&) { return answer; });
        Click("cmdBrowseHLD");
        QCOMPARE(Shown(*main_, "chkUseDefaultHLD"), QString("1"));  // cancelled: nothing changes
        answer = temp.filePath("mine.hld");
        Click("cmdBrowseHLD");
        QCOMPARE(Shown(*main_, "chkUseDefaultHLD"), QString("0"));
        QVERIFY(Child<QLineEdit>(*main_, "txtHLDFileName")->isEnabled());
        QCOMPARE(ToQt(main_->HLDDir()), temp.path());
        main_->Go();
        QCOMPARE(ToQt(jobs_.at(0).hldfile), answer);
    }

    // Each Browse starts on its box's file (or, the box empty, the
    // remembered folder) and offers its own files.
    void BrowseStartsOnTheCurrentFile_data() { AddRows("main_dialog_browse.tsv"); }
    void BrowseStartsOnTheCurrentFile() {
        QFETCH(QStringList, row);
        QTemporaryDir temp;
        main_->LoadSettings(DialogSettings{"", "", "", 1, 0, "/remembered", "/remembered", "/remembered"});
        std::vector<BrowseRequest> asked;
        main_->SetFileChooser([&](QWidget*, const BrowseRequest& request) {
            asked.push_back(request);
            return QString();
        });
        Click(row[0]);
        Choose(*main_, row[1], temp.filePath("gone/page.x"));
        Click(row[0]);
        QCOMPARE(asked.size(), size_t(2));
        QCOMPARE(QStringList({asked[0].title, asked[0].filters.value(0), QString::number(asked[0].save)}),
                 row.mid(2, 3));
        QCOMPARE(asked[0].initialFolder, QString("/remembered"));
        QCOMPARE(asked[1].initialFolder, temp.path());  // the nearest folder that exists
        QCOMPARE(asked[1].initialFile, QString("page.x"));
    }

    // A larger window widens the boxes; the rows keep their distances, so
    // "DOS Text" stays under the input box.
    void ResizingKeepsTheRowsTogether() {
        ShowMain();
        auto offset = [&] { return Child<QWidget>(*main_, "chkDosText")->y() - Child<QWidget>(*main_, "txtInputFilename")->y(); };
        const int before = offset();
        main_->resize(main_->width() * 2, main_->height() * 3);
        QTRY_VERIFY(Child<QWidget>(*main_, "txtInputFilename")->width() > main_->width() / 2);
        QCOMPARE(offset(), before);
    }

    // F1 opens the dialog's help page; Esc keeps the dialog open; File > Exit closes it.
    void MenusAndKeys() {
        ShowMain();
        {
            OpenedUrls opened;
            QTest::keyClick(main_.get(), Qt::Key_F1);
            QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(TINTEXT_SOURCE_DIR "/help/HTML/TOC_300_Main_Dialog.htm")}));
        }
        QTest::keyClick(main_.get(), Qt::Key_Escape);
        QVERIFY(main_->isVisible());
        Child<QAction>(*main_, "mnuFileExit")->trigger();
        QVERIFY(!main_->isVisible());
    }

    // Feedback, Support and Check For Updates (only in the menu with an
    // address) open the pages the table names, in that order; the help
    // page has the section on reporting problems. A notice never answered
    // comes first, its box ticked.
    void FeedbackAndSupportOpenTheirPages_data() { AddRows("main_dialog_dispatch.tsv"); }
    void FeedbackAndSupportOpenTheirPages() {
        QFETCH(QStringList, row);
        const QString address = row.value(1);
        WriteShowOnce("Feedback", 1);
        main_->SetDispatchAddress(FromQt(address));
        QCOMPARE(Child<QAction>(*main_, "mnuCheckVersion")->isVisible(), !address.isEmpty());
        OpenedUrls opened;
        QString notice;
        OnNextModal answer([&](QWidget* box) {
            notice = box->windowTitle() + (Child<QCheckBox>(*box, "chkHide")->isChecked() ? " ticked" : "");
            QTest::keyClick(box, Qt::Key_Escape);
        });
        main_->SendFeedback();
        main_->RequestSupport();
        main_->CheckForUpdates();
        QCOMPARE(notice, QString("Support ticked"));
        const QString help = TINTEXT_SOURCE_DIR "/help/HTML/TOC_300_Main_Dialog.htm";
        QStringList shown;
        for (const QUrl& url : opened) shown << url.toString().replace(QUrl::fromLocalFile(help).toString(), "HELP");
        QCOMPARE(shown, row.mid(2));
        QVERIFY(ReadFile(help).contains("id=\"reporting-problems\""));
    }

    // The interactive run that start-up hands over to shows the settings it
    // is given and hands back what the dialog holds when it closes.
    void RunMainDialogHandsBackWhatItHolds() {
        DialogSettings settings{"", "start.htm"};
        settings.inputDir = "/remembered";
        QString shown;
        QTimer::singleShot(0, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* main = qobject_cast<FrmMain*>(window);
                if (!main || !main->isVisible()) continue;
                shown = Shown(*main, "txtOutputFilename");
                Choose(*main, "txtOutputFilename", "changed.htm");
                main->close();
            }
        });
        QCOMPARE(RunMainDialog(settings), 0);
        QCOMPARE(shown, QString("start.htm"));
        QCOMPARE(settings.outputFile, std::string("changed.htm"));
        QCOMPARE(settings.inputDir, std::string("/remembered"));
    }

    // A real conversion cancelled from the progress dialog once its bar has
    // moved: the output holds the part done so far, its sections closed.
    void CancelWritesThePartDone() {
        QTemporaryDir temp;
        const QByteArray text = QByteArray("abcdefghijklmnopqrstuvwxyz0123456789").repeated(120000);
        FrmMain main;  // with the real job
        main.show();
        const QString hld = WriteFile(temp.filePath("plain.hld"), kPlain);
        main.LoadSettings({FromQt(WriteFile(temp.filePath("big.txt"), text)), FromQt(temp.filePath("big.htm")), FromQt(hld), 0, 0});
        CancelWhen cancel(main, [](FrmProgress& progress) { return progress.Value() > 0; });
        QTest::mouseClick(Child<QPushButton>(main, "cmdGo"), Qt::LeftButton);
        QVERIFY(cancel.pressed && !main.Progress()->isVisible());
        const QByteArray written = ReadFile(temp.filePath("big.htm"));
        QVERIFY(written.startsWith("<pre>") && written.endsWith("</pre>"));
        const QByteArray body = written.mid(5, written.size() - 11);
        QVERIFY(!body.isEmpty() && body.size() < text.size() && text.startsWith(body));
        QVERIFY(Child<QPushButton>(main, "cmdGo")->isEnabled());  // ready for the next job
    }

    // A folder picked with its own button is converted whole into the folder
    // the output box names: a page for each file and the index, then shown.
    void AFolderIsConvertedIntoTheOutputFolder() {
        QTemporaryDir temp;
        QDir().mkpath(temp.filePath("src/inc"));
        WriteFile(temp.filePath("src/page.asp"), "<% Response.Write 1 %>\n");
        WriteFile(temp.filePath("src/inc/lib.js"), "var x = 1;\n");
        main_->LoadSettings(DialogSettings{"", FromQt(temp.filePath("site"))});
        main_->SetFileChooser([&](QWidget*, const BrowseRequest& request) {
            return request.folder ? temp.filePath("src") : QString();
        });
        Click("cmdBrowseInputFolder");
        QCOMPARE(Shown(*main_, "txtInputFilename"), temp.filePath("src"));
        OpenedUrls opened;
        NextMessage summary;
        Click("cmdGo");
        QVERIFY2(summary.text.contains("2 files: 2 written, 0 skipped (up to date), 0 failed"), qPrintable(summary.text));
        for (const char* page : {"index.html", "tintext.css", "page.asp.htm", "inc/lib.js.htm"})
            QVERIFY2(QFileInfo(temp.filePath("site/") + page).isFile(), page);
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(temp.filePath("site/index.html"))}));
        QVERIFY(jobs_.empty() && Child<QPushButton>(*main_, "cmdGo")->isEnabled());
    }

    // Cancel once the progress dialog names the large file under way: that
    // file gets no page, no partial or temporary file is left, and the pages
    // finished before are whole.
    void CancellingAFolderRunLeavesNoPartialPage() {
        QTemporaryDir temp;
        QDir().mkpath(temp.filePath("src"));
        // One character a match, 17 MB: seconds of work, so Cancel comes first even on a busy machine.
        WriteFile(temp.filePath("src/big.txt"), QByteArray("abcdefghijklmnopqrstuvwxyz0123456789").repeated(480000));
        for (int i = 0; i < 8; ++i) WriteFile(temp.filePath("src/small%1.txt").arg(i), "small");
        const QString hld = WriteFile(temp.filePath("plain.hld"), kPlain);
        main_->LoadSettings({FromQt(temp.filePath("src")), FromQt(temp.filePath("site")), FromQt(hld), 0, 0});
        main_->show();
        CancelWhen cancel(*main_, [](FrmProgress& progress) { return progress.Text().contains("big.txt"); });
        NextMessage summary;
        Click("cmdGo");
        QVERIFY(cancel.pressed && !main_->Progress()->isVisible());
        QVERIFY2(summary.text.contains("not done (cancelled)"), qPrintable(summary.text));
        const QStringList left = QDir(temp.filePath("site")).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(!left.contains("big.txt.htm") && !left.contains("index.html"), qPrintable(left.join(' ')));
        for (const QString& name : left) {
            if (name == "tintext.css") continue;
            QVERIFY2(name.startsWith("small") && name.endsWith(".txt.htm"), qPrintable(name));
            QCOMPARE(ReadFile(temp.filePath("site/" + name)), QByteArray("<pre>small</pre>"));
        }
    }

private:
    void ShowMain() {
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    }
    void Click(const QString& button) { QTest::mouseClick(Child<QPushButton>(*main_, button), Qt::LeftButton); }

    std::unique_ptr<ScopedRegistry> registry_;
    std::unique_ptr<FrmMain> main_;
    std::vector<JobRequest> jobs_;
    std::vector<int32_t> preferences_;  // the show-output preference each job reads
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"

