// The definition workbench: edits reach the preview, problems list their
// lines and move the cursor there, the pattern under the cursor is counted
// and marked, files are saved, reverted and guarded against loss, shipped
// definitions stay untouched, and the main dialog's Tools menu opens it.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

#include "app/dialogs/code_editor.h"
#include "app/dialogs/frm_main.h"
#include "app/dialogs/frm_workbench.h"
#include "dialog_test_support.h"
#include "engine/job.h"
#include "support/job_environment.h"
#include "support/program_info.h"

using namespace tintext;
using namespace tintext::testing;

namespace {

// Digits in bold, everything else copied.
const char* const kDigits =
    "[Main]\n"
    "HEADER-HTML=<pre>\n"
    "FOOTER-HTML=</pre>\n"
    "PATTERN=\\d+\n"
    "FORMAT-HTML=<b>$$</b>\n"
    "PATTERN=[\\s\\S]\n"
    "FORMAT-HTML=$$\n";

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Puts the cursor at the end of a line (from 1) and types there, key by key.
void TypeAtEndOfLine(CodeEditor* editor, int line, const QString& text) {
    QTextCursor cursor(editor->document()->findBlockByNumber(line - 1));
    cursor.movePosition(QTextCursor::EndOfBlock);
    editor->setTextCursor(cursor);
    QTest::keyClicks(editor, text);
}

QStringList ProblemTexts(const FrmWorkbench& workbench) {
    QStringList texts;
    for (int i = 0; i < workbench.Problems()->count(); ++i) texts << workbench.Problems()->item(i)->text();
    return texts;
}

}  // namespace

class FrmWorkbenchTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        registry_ = std::make_unique<ScopedRegistry>();
        data_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", data_->path().toUtf8());
    }
    void cleanup() {
        qunsetenv("XDG_DATA_HOME");
        data_.reset();
        registry_.reset();
    }

    void TitleNamesTheFileAndTheEditorShowsIt() {
        QTemporaryDir dir;
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenDefinition(Write(dir, "digits.hld", kDigits)));
        QVERIFY(workbench.windowTitle().startsWith("digits.hld"));
        QCOMPARE(workbench.Editor()->toPlainText(), QString(kDigits));
        QVERIFY(!workbench.IsReadOnly());
        QVERIFY(!workbench.isWindowModified());
    }

    void ATypedChangeReachesThePreview() {
        QTemporaryDir dir;
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenSample(Write(dir, "in.txt", "a 12")));
        QVERIFY(workbench.OpenDefinition(Write(dir, "digits.hld", kDigits)));
        workbench.show();
        QSignalSpy finished(&workbench, &FrmWorkbench::PreviewFinished);
        QVERIFY(finished.wait(5000));
        QVERIFY(workbench.Preview()->toHtml().contains("font-weight:700") ||
                workbench.Preview()->toHtml().contains("font-weight:600"));
        QCOMPARE(workbench.Preview()->toPlainText(), QString("a 12"));

        // FORMAT-HTML=<b>$$</b> becomes <b>$$</b>! : the preview follows.
        TypeAtEndOfLine(workbench.Editor(), 5, "!");
        QVERIFY(workbench.isWindowModified());
        QTRY_COMPARE_WITH_TIMEOUT(workbench.Preview()->toPlainText(), QString("a 12!"), 5000);
        QCOMPARE(Read(dir.filePath("digits.hld")), QByteArray(kDigits));  // nothing saved unasked
    }

    void ABadPatternListsItsLineAndAClickGoesThere() {
        QTemporaryDir dir;
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenSample(Write(dir, "in.txt", "a 12")));
        QVERIFY(workbench.OpenDefinition(Write(dir, "digits.hld", kDigits)));
        workbench.show();
        QSignalSpy finished(&workbench, &FrmWorkbench::PreviewFinished);
        QVERIFY(finished.wait(5000));
        QCOMPARE(workbench.Problems()->count(), 0);

        TypeAtEndOfLine(workbench.Editor(), 6, "(");  // PATTERN=[\s\S]( does not compile
        QTRY_VERIFY_WITH_TIMEOUT(workbench.Problems()->count() > 0, 5000);
        QStringList problems = ProblemTexts(workbench);
        QVERIFY2(problems[0].startsWith("6: invalid pattern"), qPrintable(problems.join('\n')));

        workbench.Editor()->moveCursor(QTextCursor::Start);
        QListWidgetItem* item = workbench.Problems()->item(0);
        QRect where = workbench.Problems()->visualItemRect(item);
        QTest::mouseClick(workbench.Problems()->viewport(), Qt::LeftButton, {}, where.center());
        QCOMPARE(workbench.Editor()->CurrentLine(), 6);
    }

    void ACatastrophicPatternIsReportedAndTheNextEditStillPreviews() {
        QTemporaryDir dir;
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenSample(Write(dir, "in.txt", QByteArray(30, 'a') + "!")));
        QByteArray definition = "[Main]\nPATTERN=(a+)+$\nFORMAT-HTML=x\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$\n";
        QVERIFY(workbench.OpenDefinition(Write(dir, "slow.hld", definition)));
        workbench.show();
        QTRY_VERIFY_WITH_TIMEOUT(ProblemTexts(workbench).join('\n').contains("the conversion stopped"), 20000);
        QVERIFY2(ProblemTexts(workbench).join('\n').startsWith("2: "), qPrintable(ProblemTexts(workbench).join('\n')));

        // A fix replaces the failed preview.
        QTextCursor cursor(workbench.Editor()->document()->findBlockByNumber(1));
        cursor.setPosition(workbench.Editor()->document()->findBlockByNumber(3).position(), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();  // the slow rule's two lines
        QTRY_COMPARE_WITH_TIMEOUT(workbench.Preview()->toPlainText(), QString(30, 'a') + "!", 20000);
        QCOMPARE(workbench.Problems()->count(), 0);
    }

    void ThePatternUnderTheCursorIsCountedAndMarked() {
        QTemporaryDir dir;
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenSample(Write(dir, "in.txt", "1 22 x 333")));
        QVERIFY(workbench.OpenDefinition(Write(dir, "digits.hld", kDigits)));
        workbench.show();
        QSignalSpy finished(&workbench, &FrmWorkbench::PreviewFinished);
        QVERIFY(finished.wait(5000));
        QSignalSpy counted(&workbench, &FrmWorkbench::MatchesCounted);
        workbench.Editor()->GoToLine(4);  // PATTERN=\d+
        QVERIFY(counted.wait(5000));
        QCOMPARE(workbench.MatchInfo()->text(), QString("Line 4: 3 matches in the sample"));
        QList<QTextEdit::ExtraSelection> marks = workbench.Preview()->extraSelections();
        QStringList marked;
        for (const auto& mark : marks) marked << mark.cursor.selectedText();
        QCOMPARE(marked, QStringList({"1", "22", "333"}));

        workbench.Editor()->GoToLine(1);  // no pattern there: nothing counted or marked
        QTRY_VERIFY(workbench.MatchInfo()->text().isEmpty());
        QVERIFY(workbench.Preview()->extraSelections().isEmpty());
    }

    void SaveWritesAndRevertRestoresTheFile() {
        QTemporaryDir dir;
        const QString path = Write(dir, "digits.hld", kDigits);
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenDefinition(path));
        TypeAtEndOfLine(workbench.Editor(), 1, "x");
        QVERIFY(workbench.Save());
        QCOMPARE(Read(path), QByteArray(kDigits).replace("[Main]", "[Main]x"));
        QVERIFY(!workbench.isWindowModified());

        TypeAtEndOfLine(workbench.Editor(), 2, "<hr>");
        OnNextModal answer([](QWidget* box) {
            QCOMPARE(box->objectName(), QString("RevertQuestion"));
            QTest::keyClick(box, Qt::Key_Y);
        });
        workbench.Revert();
        QCOMPARE(workbench.Editor()->toPlainText(), QString(kDigits).replace("[Main]", "[Main]x"));
        QVERIFY(!workbench.isWindowModified());
    }

    void ClosingWithUnsavedWorkAsks_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Cancel keeps the window") << int(QMessageBox::Cancel) << false << false;
        QTest::newRow("Discard closes, file unchanged") << int(QMessageBox::Discard) << true << false;
        QTest::newRow("Save writes, then closes") << int(QMessageBox::Save) << true << true;
    }
    void ClosingWithUnsavedWorkAsks() {
        QFETCH(int, button);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        QTemporaryDir dir;
        const QString path = Write(dir, "digits.hld", kDigits);
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenDefinition(path));
        workbench.show();
        TypeAtEndOfLine(workbench.Editor(), 1, "x");
        QString asked;
        OnNextModal answer([&](QWidget* box) {
            asked = box->objectName();
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::StandardButton(button))->click();
        });
        workbench.close();
        QCOMPARE(asked, QString("UnsavedQuestion"));
        QCOMPARE(workbench.isVisible(), !closed);
        QCOMPARE(Read(path) != QByteArray(kDigits), saved);
    }

    void AShippedDefinitionOpensReadOnlyAndSavesAsTheUsersOwn() {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkpath("hld"));
        const QString shipped = Write(program, "hld/digits.hld", kDigits);
        SetProgramFolder(FromQt(program.path()));
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenDefinition(shipped));
        QVERIFY(workbench.IsReadOnly());
        QVERIFY(workbench.Editor()->isReadOnly());
        QVERIFY(workbench.windowTitle().contains("read-only"));
        QVERIFY(!workbench.Notice()->text().isEmpty());

        BrowseRequest asked;
        workbench.SetFileChooser([&](QWidget*, const BrowseRequest& request) {
            asked = request;
            return QDir(request.initialFolder).filePath(request.initialFile);
        });
        QVERIFY(workbench.Save());  // a read-only file is saved as another
        SetProgramFolder("");
        const QString own = data_->filePath("tintext/hld/digits.hld");
        QCOMPARE(asked.initialFolder, data_->filePath("tintext/hld"));
        QVERIFY(asked.save);
        QCOMPARE(Read(own), QByteArray(kDigits));
        QCOMPARE(Read(shipped), QByteArray(kDigits));
        QCOMPARE(workbench.DefinitionPath(), own);
        QVERIFY(!workbench.IsReadOnly());
        QCOMPARE(FindDefaultDefinition("digits.hld"), FromQt(own));  // now found before the shipped one
    }

    void ADefinitionThatIsNotUtf8OpensReadOnlyWithAMessage() {
        QTemporaryDir dir;
        const QByteArray latin1 = "[Main]\n' caf\xe9\nPATTERN=x\nFORMAT-HTML=y\n";
        const QString path = Write(dir, "old.hld", latin1);
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenDefinition(path));
        QVERIFY(workbench.IsReadOnly());
        QVERIFY2(workbench.Notice()->text().contains("not UTF-8") && workbench.Notice()->text().contains("line 2"),
                 qPrintable(workbench.Notice()->text()));
        QVERIFY(workbench.Editor()->toPlainText().contains(QString::fromUtf8("caf\u00e9")));
        QCOMPARE(Read(path), latin1);
    }

    void AFileDeletedOnDiskKeepsTheTextAndCountsAsUnsaved() {
        QTemporaryDir dir;
        const QString path = Write(dir, "digits.hld", kDigits);
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenDefinition(path));
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY_WITH_TIMEOUT(workbench.Notice()->text().contains("deleted"), 5000);
        QCOMPARE(workbench.Editor()->toPlainText(), QString(kDigits));
        QVERIFY(workbench.isWindowModified());
        QVERIFY(workbench.Save());
        QCOMPARE(Read(path), QByteArray(kDigits));
    }

    void AFileChangedOnDiskUnderEditsOffersAChoice() {
        QTemporaryDir dir;
        const QString path = Write(dir, "digits.hld", kDigits);
        FrmWorkbench workbench;
        QVERIFY(workbench.OpenDefinition(path));
        workbench.show();
        TypeAtEndOfLine(workbench.Editor(), 1, "x");
        Write(dir, "digits.hld", "[Other]\n");
        QTRY_VERIFY_WITH_TIMEOUT(workbench.Notice()->text().contains("changed on disk"), 5000);
        auto* keep = workbench.findChild<QPushButton*>("cmdKeepMine");
        QVERIFY(keep->isVisible());
        QVERIFY(workbench.Editor()->toPlainText().startsWith("[Main]x"));  // nothing lost
        keep->click();
        QVERIFY(workbench.Save());
        QVERIFY(Read(path).startsWith("[Main]x"));
    }

    void ToolsMenuOpensTheDefinitionInUseWithTheInputAsSample() {
        QTemporaryDir dir;
        const QString definition = Write(dir, "digits.hld", kDigits);
        const QString input = Write(dir, "in.txt", "7");
        FrmMain main;
        DialogSettings settings;
        settings.inputFile = FromQt(input);
        settings.outputFile = FromQt(dir.filePath("out.htm"));
        settings.hldFile = FromQt(definition);
        settings.useDefaultHld = 0;
        main.LoadSettings(settings);
        QAction* entry = main.findChild<QAction*>("mnuToolsEditDefinition");
        QVERIFY(entry);
        QCOMPARE(entry->text(), QString("&Edit Syntax Definition..."));
        QPointer<FrmWorkbench> workbench = main.EditSyntaxDefinition();
        QVERIFY(workbench);
        QCOMPARE(workbench->DefinitionPath(), definition);
        QTRY_COMPARE_WITH_TIMEOUT(workbench->Preview()->toPlainText(), QString("7"), 5000);
        workbench->close();
        QTRY_VERIFY(!workbench);  // a window of its own, deleted when closed
    }

private:
    std::unique_ptr<ScopedRegistry> registry_;
    std::unique_ptr<QTemporaryDir> data_;
};

QTEST_MAIN(FrmWorkbenchTest)
#include "frm_workbench_test.moc"
