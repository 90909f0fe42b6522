// The main dialog: what Go hands the job, when Go can be pressed, the syntax
// box following its check box, the settings it loads and saves, the Browse
// buttons, the menus, and closing while a job runs.
#include <QAbstractButton>
#include <QCheckBox>
#include <QMap>
#include <QComboBox>
#include <QLabel>
#include <QWindow>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <vector>

#include "app/dialogs/dialog_helpers.h"
#include "app/dialogs/frm_main.h"
#include "app/dialogs/frm_progress.h"
#include "app/settings.h"
#include "dialog_test_support.h"
#include "support/code_pages.h"
#include "support/job_environment.h"
#include "support/program_info.h"

using namespace tintext;
using namespace tintext::testing;

namespace {

struct JobCall {
    std::string input, output, hld, hldfolder;
    int32_t overwrite;
    bool show;
    int32_t dos;
    int32_t preference;  // the show-output preference the job reads
};

template <class T>
T* Child(QWidget& dialog, const char* name) {
    T* found = dialog.findChild<T*>(name);
    if (!found) qFatal("no control %s", name);
    return found;
}

// The shipped definitions and their themes, from the source tree, while it lives.
struct ShippedThemes {
    ShippedThemes() { SetProgramFolder(TINTEXT_SOURCE_DIR); }
    ~ShippedThemes() { SetProgramFolder(""); }
};

// Sets a choice as a user would: a drop-down to the entry with that data, a check box to "1" or "0".
void Choose(QWidget& dialog, const QString& control, const QString& value) {
    if (auto* box = dialog.findChild<QComboBox*>(control)) {
        const int index = box->findData(value);
        if (index < 0) qFatal("%s offers no %s", qPrintable(control), qPrintable(value));
        box->setCurrentIndex(index);
    } else {
        Child<QCheckBox>(dialog, qPrintable(control))->setChecked(value == "1");
    }
}

// What a choice shows: the drop-down's entry's data, or "1"/"0" for a check box.
QString Shown(QWidget& dialog, const QString& control) {
    if (auto* box = dialog.findChild<QComboBox*>(control)) return box->currentData().toString();
    return Child<QCheckBox>(dialog, qPrintable(control))->isChecked() ? "1" : "0";
}

QString WriteSettingText(const char* key) {
    return QString::fromStdString(ReadSetting(kCompanyName, kProgramTitle, "Settings", key, "<absent>"));
}

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private slots:
    void init() { registry_ = std::make_unique<ScopedRegistry>(); }
    void cleanup() { registry_.reset(); }

    void LoadsWithTitleAndDisabledGo() {
        FrmMain main;
        QCOMPARE(main.windowTitle(), QString("Tintext (1.0.47)"));
        QCOMPARE(main.MnuHelpAbout()->text(), QString("About Tintext..."));
        QVERIFY(!Child<QPushButton>(main, "cmdGo")->isEnabled());
        QVERIFY(Child<QPushButton>(main, "cmdGo")->isDefault());
        QVERIFY(main.Progress() && !main.Progress()->isVisible());
    }

    void TabOrderFollowsTheFields() {
        FrmMain main;
        const char* order[] = {"txtInputFilename", "cmdBrowseInput",   "chkDosText",     "cboCodePage",
                               "txtOutputFilename", "cmdBrowseOutput", "chkUseDefaultHLD", "txtHLDFileName",
                               "cmdBrowseHLD",     "cboTheme",         "chkLineNumbers", "chkFragment",
                               "chkShowOutput",    "cmdGo",            "cmdExit"};
        Child<QCheckBox>(main, "chkUseDefaultHLD")->setChecked(false);  // every control takes focus
        Child<QLineEdit>(main, "txtOutputFilename")->setText("x");
        for (size_t i = 1; i < std::size(order); ++i) {
            QCOMPARE(Child<QWidget>(main, order[i - 1])->nextInFocusChain()->objectName(), QString(order[i]));
        }
    }

    void GoNeedsAnOutputName() {
        FrmMain main;
        auto* output = Child<QLineEdit>(main, "txtOutputFilename");
        auto* go = Child<QPushButton>(main, "cmdGo");
        output->setText("out.htm");
        QVERIFY(go->isEnabled());
        output->clear();
        QVERIFY(!go->isEnabled());
        QTest::keyClick(output, Qt::Key_A);
        QVERIFY(go->isEnabled());
    }

    void SyntaxBoxFollowsItsCheckBox() {
        FrmMain main;
        auto* useDefault = Child<QCheckBox>(main, "chkUseDefaultHLD");
        auto* box = Child<QLineEdit>(main, "txtHLDFileName");
        box->setText("c.hld");
        useDefault->setChecked(true);
        QVERIFY(!box->isEnabled());
        QCOMPARE(box->palette().color(QPalette::Disabled, QPalette::Base), main.palette().color(QPalette::Button));
        QCOMPARE(box->text(), QString("c.hld"));
        QVERIFY(Child<QPushButton>(main, "cmdBrowseHLD")->isEnabled());
        QTest::mouseClick(useDefault, Qt::LeftButton, {}, QPoint(4, useDefault->height() / 2));
        QVERIFY(box->isEnabled());
        QCOMPARE(box->palette().color(QPalette::Active, QPalette::Base), main.palette().color(QPalette::Base));
    }

    void GoHandsTheFieldsToTheJob_data() {
        QTest::addColumn<int>("useDefault");
        QTest::addColumn<int>("show");
        QTest::addColumn<int>("dos");
        QTest::addColumn<QString>("hld");
        QTest::addColumn<bool>("showOutput");
        QTest::newRow("default definition, shown") << 1 << 1 << 0 << "" << true;
        QTest::newRow("named definition, DOS text") << 0 << 0 << 1 << "my.hld" << false;
        QTest::newRow("greyed boxes count as ticked") << 2 << 2 << 0 << "" << true;
    }
    void GoHandsTheFieldsToTheJob() {
        QFETCH(int, useDefault);
        QFETCH(int, show);
        QFETCH(int, dos);
        QFETCH(QString, hld);
        QFETCH(bool, showOutput);
        FrmMain main;
        std::vector<JobCall> calls;
        main.SetJobFunction([&](const JobRequest& r, const JobServices& services) {
            calls.push_back({r.inputfilename, r.destfile, r.hldfile,
                             r.hldfolder.IsEmpty() ? "<empty>" : r.hldfolder.AsString(), r.overwritemode,
                             r.showoutput, r.dostext, services.showOutputPreference()});
        });
        DialogSettings settings;
        settings.inputFile = "in.asp";
        settings.outputFile = "out.htm";
        settings.hldFile = "my.hld";
        settings.showOutput = show;
        settings.useDefaultHld = useDefault;
        main.LoadSettings(settings);
        Child<QCheckBox>(main, "chkDosText")->setChecked(dos == 1);
        QTest::mouseClick(Child<QPushButton>(main, "cmdGo"), Qt::LeftButton);
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].input, std::string("in.asp"));
        QCOMPARE(calls[0].output, std::string("out.htm"));
        QCOMPARE(QString::fromStdString(calls[0].hld), hld);
        QCOMPARE(calls[0].hldfolder, std::string(""));
        QCOMPARE(calls[0].overwrite, 2);
        QCOMPARE(calls[0].show, showOutput);
        QCOMPARE(calls[0].dos, dos);
        QCOMPARE(calls[0].preference, show);
        QCOMPARE(Child<QLineEdit>(main, "txtInputFilename")->text(), QString("in.asp"));  // fields unchanged
    }

    void ChoicesStartAutomaticAndClear() {
        ShippedThemes themes;
        FrmMain main;
        main.LoadSettings();
        QCOMPARE(Child<QComboBox>(main, "cboCodePage")->currentText(), QString("Automatic"));
        QCOMPARE(Shown(main, "cboTheme"), QString("auto"));
        QCOMPARE(Shown(main, "chkLineNumbers"), QString("0"));
        QCOMPARE(Shown(main, "chkFragment"), QString("0"));
        // Every page /codepage knows, after Automatic; every shipped theme.
        QCOMPARE(Child<QComboBox>(main, "cboCodePage")->count(), int(KnownCodePages().size()) + 1);
        QCOMPARE(Child<QComboBox>(main, "cboCodePage")->itemText(1), QString("UTF-8 (65001), Unicode"));
        QCOMPARE(Child<QComboBox>(main, "cboCodePage")->findText("GBK (936), Chinese Simplified"),
                 Child<QComboBox>(main, "cboCodePage")->findData("936"));
        QStringList themeNames;
        for (int i = 0; i < Child<QComboBox>(main, "cboTheme")->count(); ++i)
            themeNames << Child<QComboBox>(main, "cboTheme")->itemData(i).toString();
        QCOMPARE(themeNames, QStringList({"auto", "dark", "high-contrast", "light"}));
    }

    // The new choices take letters no other control or menu of the dialog
    // uses, and each label's letter moves to its box.
    void ChoicesHaveAccessKeysOfTheirOwn() {
        FrmMain main;
        QMap<QChar, int> uses;
        auto count = [&](const QString& caption) {
            const int at = caption.indexOf('&');
            if (at >= 0 && at + 1 < caption.size()) ++uses[caption[at + 1].toLower()];
        };
        for (QLabel* label : main.findChildren<QLabel*>()) count(label->text());
        for (QAbstractButton* button : main.findChildren<QAbstractButton*>()) count(button->text());
        for (QAction* menu : main.MenuBar()->actions()) count(menu->text());
        for (QChar key : {'c', 'm', 'l', 'e'}) QCOMPARE(uses.value(key), 1);
        auto buddyOf = [&](const QString& caption) -> QWidget* {
            for (QLabel* label : main.findChildren<QLabel*>())
                if (label->text() == caption) return label->buddy();
            return nullptr;
        };
        QCOMPARE(buddyOf("&Code page:"), Child<QWidget>(main, "cboCodePage"));
        QCOMPARE(buddyOf("The&me:"), Child<QWidget>(main, "cboTheme"));
        QCOMPARE(Child<QCheckBox>(main, "chkLineNumbers")->text(), QString("&Line numbers"));
        QCOMPARE(Child<QCheckBox>(main, "chkFragment")->text(), QString("Fragment to &embed in another page"));
    }

    // Each choice is stored under its setting when the dialog closes and
    // shown again by the next one.
    void ChoicesAreStoredAndRestored_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("setting");
        QTest::newRow("code page GBK") << "cboCodePage" << "936" << "CodePage";
        QTest::newRow("code page KOI8-R") << "cboCodePage" << "20866" << "CodePage";
        QTest::newRow("theme dark") << "cboTheme" << "dark" << "Theme";
        QTest::newRow("theme high-contrast") << "cboTheme" << "high-contrast" << "Theme";
        QTest::newRow("line numbers") << "chkLineNumbers" << "1" << "LineNumbers";
        QTest::newRow("fragment") << "chkFragment" << "1" << "Fragment";
    }
    void ChoicesAreStoredAndRestored() {
        QFETCH(QString, control);
        QFETCH(QString, value);
        QFETCH(QString, setting);
        ShippedThemes themes;
        {
            FrmMain main;
            main.LoadSettings();
            Choose(main, control, value);
            main.close();
        }
        QCOMPARE(WriteSettingText(qPrintable(setting)), value);
        FrmMain again;
        again.LoadSettings();
        QCOMPARE(Shown(again, control), value);
    }

    // A code page stored by hand in another form is shown as its page and
    // kept as it was written while the choice is left alone; one that names
    // no page shows Automatic, as it works.
    void StoredCodePageIsShownAndKeptAsWritten_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a name") << "shift_jis" << "932";
        QTest::newRow("a number") << "1251" << "1251";
        QTest::newRow("auto") << "auto" << "";
        QTest::newRow("no page") << "nonesuch" << "";
    }
    void StoredCodePageIsShownAndKeptAsWritten() {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        WriteSetting(kCompanyName, kProgramTitle, "Settings", "CodePage", stored.toStdString());
        {
            FrmMain main;
            main.LoadSettings();
            QCOMPARE(Shown(main, "cboCodePage"), shown);
            main.close();
        }
        QCOMPARE(WriteSettingText("CodePage"), stored);
        FrmMain again;
        again.LoadSettings();
        Choose(again, "cboCodePage", "950");
        again.close();
        QCOMPARE(WriteSettingText("CodePage"), QString("950"));
    }

    // Go hands the choices to the job as /codepage, /theme, /linenumbers and
    // /fragment would.
    void ChoicesReachTheJob_data() {
        QTest::addColumn<QString>("codePage");
        QTest::addColumn<QString>("theme");
        QTest::addColumn<int>("lineNumbers");
        QTest::addColumn<int>("fragment");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("numbered");
        QTest::addColumn<bool>("fragmentOut");
        QTest::newRow("defaults") << "" << "auto" << 0 << 0 << 0 << false << false;
        QTest::newRow("GBK, dark, numbered") << "936" << "dark" << 1 << 0 << 936 << true << false;
        QTest::newRow("a page by name, a fragment") << "big5" << "high-contrast" << 0 << 1 << 950 << false << true;
        QTest::newRow("greyed boxes count as ticked") << "866" << "light" << 2 << 2 << 866 << true << true;
    }
    void ChoicesReachTheJob() {
        QFETCH(QString, codePage);
        QFETCH(QString, theme);
        QFETCH(int, lineNumbers);
        QFETCH(int, fragment);
        QFETCH(int, page);
        QFETCH(bool, numbered);
        QFETCH(bool, fragmentOut);
        ShippedThemes themes;
        FrmMain main;
        std::vector<JobRequest> requests;
        main.SetJobFunction([&](const JobRequest& request, const JobServices&) { requests.push_back(request); });
        DialogSettings settings;
        settings.outputFile = "out.htm";
        settings.codePage = codePage.toStdString();
        settings.theme = theme.toStdString();
        settings.lineNumbers = lineNumbers;
        settings.fragment = fragment;
        main.LoadSettings(settings);
        main.Go();
        QCOMPARE(requests.size(), size_t(1));
        QCOMPARE(requests[0].codePage, page);
        QCOMPARE(requests[0].codePageSource.empty(), page == 0);
        QCOMPARE(QString::fromStdString(requests[0].page.theme), theme);
        QCOMPARE(requests[0].page.lineNumbers, numbered);
        QCOMPARE(requests[0].page.fragment, fragmentOut);
        // What the dialog does not offer keeps the command line's defaults.
        QVERIFY(requests[0].page.stylesheet);
        QVERIFY(!requests[0].page.inlineStyles);
        QVERIFY(requests[0].page.highlight.empty());
    }

    // A stored theme that no themes folder offers is told, as /theme tells
    // it, and no job runs.
    void UnknownThemeIsToldAndNoJobRuns() {
        ShippedThemes themes;
        FrmMain main;
        int started = 0;
        main.SetJobFunction([&](const JobRequest&, const JobServices&) { ++started; });
        DialogSettings settings;
        settings.outputFile = "out.htm";
        settings.theme = "nonesuch";
        main.LoadSettings(settings);
        QCOMPARE(Shown(main, "cboTheme"), QString("nonesuch"));  // kept, not replaced by another
        QString message;
        OnNextModal answer([&](QWidget* box) {
            message = qobject_cast<QMessageBox*>(box)->text();
            QTest::keyClick(box, Qt::Key_Enter);
        });
        main.Go();
        QCOMPARE(started, 0);
        QVERIFY2(message.contains("unknown theme \"nonesuch\"") && message.contains("high-contrast"),
                 qPrintable(message));
        QVERIFY(Child<QPushButton>(main, "cmdGo")->isEnabled());
    }

    void GoDoesNotStartASecondJob() {
        FrmMain main;
        Child<QLineEdit>(main, "txtOutputFilename")->setText("out.htm");
        int started = 0;
        main.SetJobFunction([&](const JobRequest&, const JobServices&) {
            ++started;
            QVERIFY(!Child<QPushButton>(main, "cmdGo")->isEnabled());
            main.Go();  // as a click handled while the job lets events run
        });
        main.Go();
        QCOMPARE(started, 1);
        QVERIFY(Child<QPushButton>(main, "cmdGo")->isEnabled());
    }

    // Closing during a job asks first; "No" lets the job go on, "Yes" stops it,
    // drops the part done (so an earlier output stays) and closes once it returned.
    void ClosingDuringAJobAsksAndStopsIt_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("Esc: go on") << int(Qt::Key_Escape) << false;
        QTest::newRow("Y: stop and close") << int(Qt::Key_Y) << true;
    }
    void ClosingDuringAJobAsksAndStopsIt() {
        QFETCH(int, key);
        QFETCH(bool, stopped);
        FrmMain main;
        main.show();
        Child<QLineEdit>(main, "txtOutputFilename")->setText("kept.htm");
        bool sawCancel = false;
        bool keepPart = true;
        QString question;
        main.SetJobFunction([&](const JobRequest& request, const JobServices&) {
            Env().cancelRequested = false;
            OnNextModal answer([&](QWidget* box) {
                question = box->objectName();
                QTest::keyClick(box, Qt::Key(key));
            });
            main.close();
            sawCancel = Env().cancelRequested;
            keepPart = request.keepPartialOutput();
            QVERIFY(main.isVisible());  // still open while the job returns
        });
        main.Go();
        QCOMPARE(question, QString("StopQuestion"));
        QCOMPARE(sawCancel, stopped);
        QCOMPARE(keepPart, !stopped);
        QCOMPARE(main.isVisible(), !stopped);
        if (stopped) QCOMPARE(WriteSettingText("OutputFile"), QString("kept.htm"));  // saved once the job ended
    }

    // A job that ends (with or without a message) leaves Go the default
    // button: Enter after a mouse click on Go runs Go again.
    void EnterAfterAMouseGoRunsGoAgain() {
        FrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.activateWindow();
        Child<QLineEdit>(main, "txtOutputFilename")->setText("out.htm");
        int started = 0;
        main.SetJobFunction([&](const JobRequest&, const JobServices&) {
            ++started;
            QApplication::processEvents();  // as the job lets events run
        });
        auto* go = Child<QPushButton>(main, "cmdGo");
        QTest::mouseClick(go, Qt::LeftButton);
        QCOMPARE(started, 1);
        QVERIFY(go->isDefault());
        QVERIFY(!Child<QPushButton>(main, "cmdExit")->isDefault());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(started, 2);
        QVERIFY(main.isVisible());
    }

    void ProgressDialogIsOwnedByTheMainDialog() {
        FrmMain main;
        QCOMPARE(main.Progress()->parentWidget(), &main);
        QVERIFY(main.Progress()->isWindow());  // its own window, kept above its owner
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        Env().ShowProgress();
        QVERIFY(main.Progress()->isVisible());
        QCOMPARE(main.Progress()->windowHandle()->transientParent(), main.windowHandle());
        Env().HideProgress();
    }

    void BrowseForASyntaxFileUnticksTheDefault() {
        FrmMain main;
        DialogSettings settings;
        settings.useDefaultHld = 1;
        main.LoadSettings(settings);
        main.UpdateHLDFileNameInput();
        QString answer;
        main.SetFileChooser([&](QWidget*, const BrowseRequest&) { return answer; });
        auto* useDefault = Child<QCheckBox>(main, "chkUseDefaultHLD");
        QTest::mouseClick(Child<QPushButton>(main, "cmdBrowseHLD"), Qt::LeftButton);
        QVERIFY(useDefault->isChecked());  // cancelled: nothing changes
        answer = "/defs/mine.hld";
        QTest::mouseClick(Child<QPushButton>(main, "cmdBrowseHLD"), Qt::LeftButton);
        QVERIFY(!useDefault->isChecked());
        QVERIFY(Child<QLineEdit>(main, "txtHLDFileName")->isEnabled());
        std::string hld;
        main.SetJobFunction([&](const JobRequest& request, const JobServices&) { hld = request.hldfile; });
        Child<QLineEdit>(main, "txtOutputFilename")->setText("out.htm");
        main.Go();
        QCOMPARE(hld, std::string("/defs/mine.hld"));
    }

    // A larger window widens the boxes; the rows keep their distances, so
    // "DOS Text" stays under the input box and each label beside its box.
    void ResizingKeepsTheRowsTogether() {
        FrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        auto gap = [&] {
            QWidget* input = Child<QWidget>(main, "txtInputFilename");
            QWidget* dos = Child<QWidget>(main, "chkDosText");
            return dos->geometry().top() - input->geometry().bottom();
        };
        auto labelOffset = [&] {
            QWidget* box = Child<QWidget>(main, "txtHLDFileName");
            for (QLabel* label : main.findChildren<QLabel*>()) {
                if (label->buddy() == box) return label->geometry().center().y() - box->geometry().center().y();
            }
            return -1000;
        };
        const int gapBefore = gap();
        const int offsetBefore = labelOffset();
        main.resize(main.width() * 2, main.height() * 3);
        QTRY_VERIFY(Child<QWidget>(main, "txtInputFilename")->width() > main.width() / 2);
        QCOMPARE(gap(), gapBefore);
        QCOMPARE(labelOffset(), offsetBefore);
    }

    void FirstRunDefaultsAndSaveOnClose() {
        {
            FrmMain main;
            main.LoadSettings();
            QCOMPARE(Child<QLineEdit>(main, "txtInputFilename")->text(),
                     QString::fromStdString(ProgramFolder() + "/Examples/asp-ex1.asp"));
            QVERIFY(Child<QPushButton>(main, "cmdGo")->isEnabled());  // the default output name enables Go
            QVERIFY(Child<QCheckBox>(main, "chkShowOutput")->isChecked());
            QVERIFY(!Child<QLineEdit>(main, "txtHLDFileName")->isEnabled());
            Child<QLineEdit>(main, "txtOutputFilename")->setText("/tmp/new.htm");
            Child<QCheckBox>(main, "chkUseDefaultHLD")->setChecked(false);
            Child<QLineEdit>(main, "txtHLDFileName")->setText("c.hld");
            Child<QCheckBox>(main, "chkDosText")->setChecked(true);
            main.close();
        }
        QCOMPARE(WriteSettingText("OutputFile"), QString("/tmp/new.htm"));
        QCOMPARE(WriteSettingText("UseDefaultHLD"), QString("0"));
        QCOMPARE(WriteSettingText("ShowOutput"), QString("1"));
        QCOMPARE(WriteSettingText("HLDFile"), QString("c.hld"));
        FrmMain again;
        again.LoadSettings();
        again.UpdateHLDFileNameInput();
        QCOMPARE(Child<QLineEdit>(again, "txtOutputFilename")->text(), QString("/tmp/new.htm"));
        QVERIFY(Child<QLineEdit>(again, "txtHLDFileName")->isEnabled());
        QVERIFY(!Child<QCheckBox>(again, "chkDosText")->isChecked());  // never stored
    }

    void StoredCheckStatesOutOfRangeGiveTheDefault() {
        WriteSetting(kCompanyName, kProgramTitle, "Settings", "ShowOutput", "7");
        WriteSetting(kCompanyName, kProgramTitle, "Settings", "UseDefaultHLD", "0");
        FrmMain main;
        main.LoadSettings();
        QCOMPARE(Child<QCheckBox>(main, "chkShowOutput")->checkState(), Qt::Checked);
        QCOMPARE(Child<QCheckBox>(main, "chkUseDefaultHLD")->checkState(), Qt::Unchecked);
        DialogSettings odd;
        odd.showOutput = -3;
        odd.useDefaultHld = 2;
        main.LoadSettings(odd);
        QCOMPARE(Child<QCheckBox>(main, "chkShowOutput")->checkState(), Qt::Checked);
        QCOMPARE(Child<QCheckBox>(main, "chkUseDefaultHLD")->checkState(), Qt::PartiallyChecked);
        // A user's click toggles between ticked and clear only.
        QTest::mouseClick(Child<QCheckBox>(main, "chkUseDefaultHLD"), Qt::LeftButton, {}, QPoint(4, 8));
        QCOMPARE(Child<QCheckBox>(main, "chkUseDefaultHLD")->checkState(), Qt::Checked);
    }

    void BrowseStartsNearTheNamedFileAndRemembersTheFolder() {
        QTemporaryDir temp;
        QVERIFY(QDir(temp.path()).mkpath("defs"));
        FrmMain main;
        DialogSettings settings;
        settings.hldDir = "/remembered/hld";
        settings.inputDir = "/remembered/in";
        main.LoadSettings(settings);
        std::vector<BrowseRequest> requests;
        QString answer;
        main.SetFileChooser([&](QWidget*, const BrowseRequest& request) {
            requests.push_back(request);
            return answer;
        });

        // Empty box: the remembered folder; a cancelled dialog changes nothing.
        QTest::mouseClick(Child<QPushButton>(main, "cmdBrowseHLD"), Qt::LeftButton);
        QCOMPARE(requests.back().title, QString("Select Syntax File"));
        QCOMPARE(requests.back().filters.first(), QString("Syntax files (*.hld)"));
        QCOMPARE(requests.back().initialFolder, QString("/remembered/hld"));
        QCOMPARE(requests.back().initialFile, QString());
        QVERIFY(!requests.back().save);
        QCOMPARE(main.HLDDir(), std::string("/remembered/hld"));

        // A chosen file goes into the box and its folder is remembered.
        answer = temp.path() + "/defs/c.hld";
        QTest::mouseClick(Child<QPushButton>(main, "cmdBrowseHLD"), Qt::LeftButton);
        QCOMPARE(Child<QLineEdit>(main, "txtHLDFileName")->text(), answer);
        QCOMPARE(QString::fromStdString(main.HLDDir()), temp.path() + "/defs");

        // A box naming a file in a folder that is gone: the nearest existing folder.
        Child<QLineEdit>(main, "txtInputFilename")->setText(temp.path() + "/defs/gone/page.asp");
        answer.clear();
        QTest::mouseClick(Child<QPushButton>(main, "cmdBrowseInput"), Qt::LeftButton);
        QCOMPARE(requests.back().title, QString("Select Input File"));
        QCOMPARE(requests.back().filters.first(), QString("All files (*)"));
        QCOMPARE(requests.back().initialFolder, temp.path() + "/defs");
        QCOMPARE(requests.back().initialFile, QString("page.asp"));  // preselected in the dialog

        QTest::mouseClick(Child<QPushButton>(main, "cmdBrowseOutput"), Qt::LeftButton);
        QCOMPARE(requests.back().title, QString("Select Output File"));
        QCOMPARE(requests.back().filters.first(), QString("HTML files (*.htm *.html)"));
        QVERIFY(requests.back().save);
    }

    void MenusAndKeys() {
        FrmMain main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        auto visibleEntries = [&] {
            QStringList help;
            for (QAction* action : main.findChild<QMenu*>("mnuHelp")->actions()) {
                if (action->isVisible()) help << (action->isSeparator() ? "-" : action->text());
            }
            return help;
        };
        main.SetDispatchAddress("https://example.net/dispatch");
        QCOMPARE(visibleEntries(), QStringList({"&Help", "-", "&Feedback", "&Support", "&Check For Updates", "-",
                                                "About Tintext..."}));
        main.SetDispatchAddress("");  // nothing to check against: the entry is hidden
        QCOMPARE(visibleEntries(), QStringList({"&Help", "-", "&Feedback", "&Support", "-", "About Tintext..."}));
        QCOMPARE(main.findChild<QAction*>("mnuHelpHelp")->shortcut(), QKeySequence(Qt::Key_F1));

        QList<QUrl> opened;
        SetUrlOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        SetHelpFilePath(TINTEXT_SOURCE_DIR "/help");
        QTest::keyClick(&main, Qt::Key_F1);
        SetUrlOpener(nullptr);
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened[0].toLocalFile().endsWith("help/HTML/TOC_300_Main_Dialog.htm"));

        QTest::keyClick(&main, Qt::Key_Escape);  // no Cancel button: Esc keeps the dialog open
        QVERIFY(main.isVisible());
        main.findChild<QAction*>("mnuFileExit")->trigger();
        QVERIFY(!main.isVisible());
    }

    void FeedbackHiddenForGoodOpensThePageAtOnce() {
        WriteShowOnce("Feedback", 1);
        FrmMain main;
        main.SetDispatchAddress("https://example.net/dispatch");
        QStringList pages;
        SetUrlOpener([&](const QUrl& url) {
            pages << url.toString();
            return true;
        });
        main.SendFeedback();
        QCOMPARE(pages, QStringList({"https://example.net/dispatch?action=Feedback&productid=HLD"}));

        // Support was never answered: its notice comes first, its box ticked.
        bool ticked = false;
        OnNextModal answer([&](QWidget* notice) {
            ticked = notice->findChild<QCheckBox*>("chkHide")->isChecked();
            QCOMPARE(notice->windowTitle(), QString("Support"));
            QTest::keyClick(notice, Qt::Key_Escape);
        });
        main.RequestSupport();
        main.CheckForUpdates();
        SetUrlOpener(nullptr);
        QVERIFY(ticked);
        QCOMPARE(pages.mid(1), QStringList({"https://example.net/dispatch?action=Support&productid=HLD",
                                            "https://example.net/dispatch?action=CheckVersion&productid=HLD"}));
        QCOMPARE(ReadShowOnce("Support"), 0);
    }

    // Without a configured address both entries open the help page's section
    // on reporting problems, which the page has.
    void WithoutAnAddressFeedbackOpensTheHelpOnReporting() {
        WriteShowOnce("Feedback", 1);
        WriteShowOnce("Support", 1);
        FrmMain main;
        main.SetDispatchAddress("");
        SetHelpFilePath(TINTEXT_SOURCE_DIR "/help");
        QList<QUrl> pages;
        SetUrlOpener([&](const QUrl& url) {
            pages << url;
            return true;
        });
        main.SendFeedback();
        main.RequestSupport();
        main.CheckForUpdates();  // hidden, and does nothing if reached
        SetUrlOpener(nullptr);
        QCOMPARE(pages.size(), 2);
        for (const QUrl& page : pages) {
            QVERIFY(page.toLocalFile().endsWith("help/HTML/TOC_300_Main_Dialog.htm"));
            QCOMPARE(page.fragment(), QString("reporting-problems"));
        }
        QFile help(pages[0].toLocalFile());
        QVERIFY(help.open(QIODevice::ReadOnly));
        QVERIFY(help.readAll().contains("id=\"reporting-problems\""));
    }

private:
    std::unique_ptr<ScopedRegistry> registry_;
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
