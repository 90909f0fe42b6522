// The definition workbench: edits reach the preview, problems list their
// lines and move the cursor there, the pattern under the cursor is counted
// and marked, files are saved, reverted and guarded against loss, shipped
// definitions stay untouched, and the main dialog's Tools menu opens it.
// Its background work: cutting HTML into pieces a browser can append,
// converting and counting on a worker thread, only the latest request running.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // settings rows leave trailing fields at their defaults
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextBrowser>
#include <atomic>
#include <mutex>
#include <thread>

#include "app/dialogs/code_editor.h"
#include "app/dialogs/frm_main.h"
#include "app/dialogs/frm_workbench.h"
#include "app/dialogs/html_fragments.h"
#include "app/dialogs/preview_worker.h"
#include "dialog_test_support.h"
#include "engine/job.h"
#include "support/program_info.h"

using namespace tintext;
using namespace tintext::testing;

namespace {

// Digits in bold, everything else copied.
const QByteArray kDigits = "[Main]\nHEADER-HTML=<pre>\nFOOTER-HTML=</pre>\nPATTERN=\\d+\nFORMAT-HTML=<b>$$</b>\n"
                           "PATTERN=[\\s\\S]\nFORMAT-HTML=$$\n";

QString Problems(const FrmWorkbench& workbench) {
    QStringList texts;
    for (int i = 0; i < workbench.Problems()->count(); ++i) texts << workbench.Problems()->item(i)->text();
    return texts.join('\n');
}

// Feeds the HTML in slices of the given size and takes the pieces after each.
QStringList Cut(const std::string& html, size_t slice, size_t pieceSize, std::string* styles = nullptr) {
    HtmlFragmenter fragmenter(pieceSize);
    QStringList pieces;
    for (size_t at = 0; at < html.size(); at += slice) {
        fragmenter.Feed(std::string_view(html).substr(at, slice));
        for (const std::string& piece : fragmenter.Take(false)) pieces << QString::fromStdString(piece);
    }
    for (const std::string& piece : fragmenter.Take(true)) pieces << QString::fromStdString(piece);
    if (styles) *styles = fragmenter.StyleSheet();
    return pieces;
}

// What the preview gets from a conversion: the problems, the HTML, and " done" if it ended.
QString Convert(const QByteArray& definition, const std::string& sample, bool cancelled = false) {
    QString out;
    std::atomic<bool> cancel{cancelled};
    PreviewEvents events;
    events.problems = [&out](std::vector<DefinitionProblem> problems) {
        for (const DefinitionProblem& problem : problems) out += QString("problem at %1; ").arg(problem.line);
    };
    events.piece = [&out](std::string html, std::string) { out += ToQt(html); };
    events.done = [&out](size_t, bool, std::string, int32_t) { out += " done"; };
    ConvertForPreview(definition.toStdString(), "d.hld", sample, cancel, std::move(events));
    return out;
}

}  // namespace

class FrmWorkbenchTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        registry_ = std::make_unique<ScopedRegistry>();
        dir_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", dir_->filePath("data").toUtf8());
        workbench_ = std::make_unique<FrmWorkbench>();
    }
    void cleanup() {
        workbench_.reset();
        qunsetenv("XDG_DATA_HOME");
        dir_.reset();
        registry_.reset();
    }

    void ATypedChangeReachesThePreview() {
        OpenAndPreview("a 12");
        QVERIFY(workbench_->windowTitle().startsWith("digits.hld"));
        QVERIFY(workbench_->Preview()->toHtml().contains(QRegularExpression("font-weight:[67]00")));
        QCOMPARE(workbench_->Preview()->toPlainText(), QString("a 12"));
        TypeAtEndOfLine(5, "!");  // FORMAT-HTML=<b>$$</b>!
        QVERIFY(workbench_->isWindowModified());
        QTRY_COMPARE_WITH_TIMEOUT(workbench_->Preview()->toPlainText(), QString("a 12!"), 5000);
        QCOMPARE(ReadFile(dir_->filePath("digits.hld")), kDigits);  // nothing saved unasked
    }

    void ABadPatternListsItsLineAndAClickGoesThere() {
        OpenAndPreview("a 12");
        QCOMPARE(workbench_->Problems()->count(), 0);
        TypeAtEndOfLine(6, "(");  // PATTERN=[\s\S]( does not compile
        QTRY_VERIFY_WITH_TIMEOUT(workbench_->Problems()->count() > 0, 5000);
        QVERIFY2(Problems(*workbench_).startsWith("6: invalid pattern"), qPrintable(Problems(*workbench_)));
        workbench_->Editor()->moveCursor(QTextCursor::Start);
        QListWidget* list = workbench_->Problems();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(workbench_->Editor()->CurrentLine(), 6);
    }

    void ACatastrophicPatternIsReportedAndTheNextEditStillPreviews() {
        QVERIFY(workbench_->OpenSample(Write("in.txt", QByteArray(30, 'a') + "!")));
        QVERIFY(workbench_->OpenDefinition(
            Write("slow.hld", "[Main]\nPATTERN=(a+)+$\nFORMAT-HTML=x\nPATTERN=[\\s\\S]\nFORMAT-HTML=$$\n")));
        workbench_->show();
        QTRY_VERIFY_WITH_TIMEOUT(Problems(*workbench_).contains("the conversion stopped"), 20000);
        QVERIFY2(Problems(*workbench_).startsWith("2: "), qPrintable(Problems(*workbench_)));
        QTextCursor cursor(workbench_->Editor()->document()->findBlockByNumber(1));
        cursor.setPosition(workbench_->Editor()->document()->findBlockByNumber(3).position(), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();  // the slow rule's two lines
        QTRY_COMPARE_WITH_TIMEOUT(workbench_->Preview()->toPlainText(), QString(30, 'a') + "!", 20000);
        QCOMPARE(workbench_->Problems()->count(), 0);
    }

    void ThePatternUnderTheCursorIsCountedAndMarked() {
        OpenAndPreview("1 22 x 333");
        QSignalSpy counted(workbench_.get(), &FrmWorkbench::MatchesCounted);
        workbench_->Editor()->GoToLine(4);  // PATTERN=\d+
        QVERIFY(counted.wait(5000));
        QCOMPARE(workbench_->MatchInfo()->text(), QString("Line 4: 3 matches in the sample"));
        QStringList marked;
        for (const auto& mark : workbench_->Preview()->extraSelections()) marked << mark.cursor.selectedText();
        QCOMPARE(marked, QStringList({"1", "22", "333"}));
        workbench_->Editor()->GoToLine(1);  // no pattern there: nothing counted or marked
        QTRY_VERIFY(workbench_->MatchInfo()->text().isEmpty());
        QVERIFY(workbench_->Preview()->extraSelections().isEmpty());
    }

    void SaveWritesAndRevertRestoresTheFile() {
        const QString path = OpenDigits();
        TypeAtEndOfLine(1, "x");
        QVERIFY(workbench_->Save());
        const QByteArray saved = QByteArray(kDigits).replace("[Main]", "[Main]x");
        QCOMPARE(ReadFile(path), saved);
        QVERIFY(!workbench_->isWindowModified());
        TypeAtEndOfLine(2, "<hr>");
        QString asked;
        OnNextModal answer([&](QWidget* box) {
            asked = box->objectName();
            QTest::keyClick(box, Qt::Key_Y);
        });
        workbench_->Revert();
        QCOMPARE(asked, QString("RevertQuestion"));
        QCOMPARE(workbench_->Editor()->toPlainText().toUtf8(), saved);
        QVERIFY(!workbench_->isWindowModified());
    }

    void ClosingWithUnsavedWorkAsks_data() { AddRows("workbench_unsaved_close.tsv"); }
    void ClosingWithUnsavedWorkAsks() {
        QFETCH(QStringList, row);
        const int button = QMetaEnum::fromType<QMessageBox::StandardButtons>().keyToValue(qPrintable(row[0]));
        const QString path = OpenDigits();
        workbench_->show();
        TypeAtEndOfLine(1, "x");
        QString asked;
        OnNextModal answer([&](QWidget* box) {
            asked = box->objectName();
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::StandardButton(button))->click();
        });
        workbench_->close();
        QCOMPARE(asked, QString("UnsavedQuestion"));
        QCOMPARE(!workbench_->isVisible(), row[1] == "1");
        QCOMPARE(ReadFile(path) != kDigits, row[2] == "1");
    }

    // Saved as the user's own, which every lookup then finds first.
    void AShippedDefinitionOpensReadOnlyAndSavesAsTheUsersOwn() {
        QVERIFY(QDir(dir_->path()).mkpath("program/hld"));
        const QString shipped = Write("program/hld/digits.hld", kDigits);
        SetProgramFolder(FromQt(dir_->filePath("program")));
        QVERIFY(workbench_->OpenDefinition(shipped));
        QVERIFY(workbench_->IsReadOnly() && workbench_->Editor()->isReadOnly());
        QVERIFY(workbench_->windowTitle().contains("read-only"));
        // The save dialog is taken as it is offered: it starts on the user's folder.
        workbench_->SetFileChooser(
            [](QWidget*, const BrowseRequest& request) { return QDir(request.initialFolder).filePath(request.initialFile); });
        QVERIFY(workbench_->Save());
        const QString own = dir_->filePath("data/tintext/hld/digits.hld");
        QCOMPARE(ReadFile(own), kDigits);
        QCOMPARE(workbench_->DefinitionPath(), own);
        QVERIFY(!workbench_->IsReadOnly());
        QCOMPARE(FindDefaultDefinition("digits.hld"), FromQt(own));
        SetProgramFolder("");
    }

    void ADefinitionThatIsNotUtf8OpensReadOnlyWithAMessage() {
        const QByteArray latin1 = "[Main]\n' caf\xe9\nPATTERN=x\nFORMAT-HTML=y\n";
        const QString path = Write("old.hld", latin1);
        QVERIFY(workbench_->OpenDefinition(path));
        QVERIFY(workbench_->IsReadOnly());
        const QString notice = workbench_->Notice()->text();
        QVERIFY2(notice.contains("not UTF-8") && notice.contains("line 2"), qPrintable(notice));
        QVERIFY(workbench_->Editor()->toPlainText().contains(QString::fromUtf8("caf\u00e9")));
        QCOMPARE(ReadFile(path), latin1);
    }

    void AFileDeletedOnDiskKeepsTheTextAndCountsAsUnsaved() {
        const QString path = OpenDigits();
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY_WITH_TIMEOUT(workbench_->Notice()->text().contains("deleted"), 5000);
        QVERIFY(workbench_->isWindowModified());
        QVERIFY(workbench_->Save());
        QCOMPARE(ReadFile(path), kDigits);
    }

    void AFileChangedOnDiskUnderEditsOffersAChoice() {
        const QString path = OpenDigits();
        workbench_->show();
        TypeAtEndOfLine(1, "x");
        Write("digits.hld", "[Other]\n");
        QTRY_VERIFY_WITH_TIMEOUT(workbench_->Notice()->text().contains("changed on disk"), 5000);
        QVERIFY(workbench_->Editor()->toPlainText().startsWith("[Main]x"));  // nothing lost
        Child<QPushButton>(*workbench_, "cmdKeepMine")->click();
        QVERIFY(workbench_->Save());
        QVERIFY(ReadFile(path).startsWith("[Main]x"));
    }

    void ToolsMenuOpensTheDefinitionInUseWithTheInputAsSample() {
        FrmMain main;
        main.LoadSettings({FromQt(Write("in.txt", "7")), "out.htm", FromQt(Write("digits.hld", kDigits)), 1, 0});
        Child<QAction>(main, "mnuToolsEditDefinition")->trigger();
        QPointer<FrmWorkbench> opened;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* each = qobject_cast<FrmWorkbench*>(window); each && each != workbench_.get()) opened = each;
        QVERIFY(opened);
        QCOMPARE(opened->DefinitionPath(), dir_->filePath("digits.hld"));
        QTRY_COMPARE_WITH_TIMEOUT(opened->Preview()->toPlainText(), QString("7"), 5000);
        opened->close();
        QTRY_VERIFY(!opened);  // a window of its own, deleted when closed
    }

    // Pieces end after a line break once the piece size is reached, and
    // close and reopen the elements open across the cut; where the HTML was
    // sliced as it came in (whole, byte by byte, tags and references cut in
    // the middle) makes no difference.
    void PiecesAreWellFormedAndCutAfterLines() {
        const std::string html =
            "<!DOCTYPE html>\n<html><head><title>T</title><style>.k{color:red}</style></head><body>"
            "<pre><span class=\"k\">one\ntwo</span>\nthree<br>\n<i>four</i>\n</pre></body></html>";
        for (size_t slice : {1000, 1, 3}) {
            std::string styles;
            QCOMPARE(Cut(html, slice, 8, &styles),
                     QStringList({"\n<pre><span class=\"k\">one\n</span></pre>", "<pre><span class=\"k\">two</span>\n</pre>",
                                  "<pre>three<br>\n</pre>", "<pre><i>four</i>\n</pre>", "<pre></pre>"}));
            QCOMPARE(QString::fromStdString(styles), QString("\n.k{color:red}"));
        }
    }

    void AVeryLongLineIsCutBetweenElements() {
        std::string html = "<pre>";
        for (int i = 0; i < 40; ++i) html += "<b>&amp;</b>";
        const QStringList pieces = Cut(html + "</pre>", 8, 16);
        QVERIFY(pieces.size() > 2);
        for (const QString& piece : pieces) {
            QVERIFY2(piece.startsWith("<pre>") && piece.endsWith("</pre>"), qPrintable(piece));
            QVERIFY2(piece.contains("&amp;</b>") || piece == "<pre></pre>", qPrintable(piece));
        }
    }

    // A section whose pattern does not compile is a problem with its line;
    // the sections before it still convert. A cancelled one never ends.
    void ConvertsTheSampleAndReportsProblems() {
        QCOMPARE(Convert(kDigits, "a 12"), QString("<pre>a&nbsp;<b>12</b></pre> done"));
        QCOMPARE(Convert(kDigits + "[Two]\nPATTERN=(\n", "a 12"), QString("problem at 9; <pre>a&nbsp;<b>12</b></pre> done"));
        QVERIFY(!Convert(kDigits, std::string(1 << 20, '1'), true).endsWith("done"));
    }

    // As its section searches (its IgnoreCase): a pattern line counts its
    // matches in the sample, any other line nothing.
    void CountsThePatternOnTheLine_data() { AddRows("pattern_counts.tsv"); }
    void CountsThePatternOnTheLine() {
        QFETCH(QStringList, row);
        std::atomic<bool> cancelled{false};
        MatchCount result = CountPatternMatches(FromQt(row[0]), row[1].toInt(), FromQt(row[2]), cancelled);
        QStringList found;
        for (const std::string& match : result.matches) found << ToQt(match);
        QCOMPARE(found, row.mid(3));
        QCOMPARE(int(result.count), int(found.size()));
        QCOMPARE(result.line, found.isEmpty() ? 0 : row[1].toInt());
        QVERIFY(!CountPatternMatches("[A]\nPATTERN=(\n", 2, "x", cancelled).failure.empty());
    }

    // A newer task cancels the one under way and replaces the one waiting.
    void OnlyTheLatestTaskRuns() {
        std::mutex mutex;
        std::vector<std::string> log;
        std::atomic<bool> firstStarted{false}, bothSubmitted{false};
        auto note = [&](std::string text) {
            std::lock_guard lock(mutex);
            log.push_back(std::move(text));
        };
        {
            LatestTaskRunner runner;
            runner.Submit([&](const std::atomic<bool>& cancelled) {
                firstStarted = true;
                while (!cancelled || !bothSubmitted) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                note("first cancelled");
            });
            while (!firstStarted) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            runner.Submit([&](const std::atomic<bool>&) { note("second"); });
            runner.Submit([&](const std::atomic<bool>& cancelled) { note(cancelled ? "third cancelled" : "third"); });
            bothSubmitted = true;
        }  // the destructor waits for the task under way
        QCOMPARE(log.front(), std::string("first cancelled"));
        QVERIFY(std::find(log.begin(), log.end(), "second") == log.end());
    }

private:
    QString Write(const QString& name, const QByteArray& bytes) { return WriteFile(dir_->filePath(name), bytes); }

    QString OpenDigits() {
        const QString path = Write("digits.hld", kDigits);
        if (!workbench_->OpenDefinition(path)) QTest::qFail("cannot open the definition", __FILE__, __LINE__);
        return path;
    }

    // Opens the sample and the digits definition and waits for the first preview.
    void OpenAndPreview(const QByteArray& sample) {
        QVERIFY(workbench_->OpenSample(Write("in.txt", sample)));
        OpenDigits();
        QSignalSpy finished(workbench_.get(), &FrmWorkbench::PreviewFinished);
        workbench_->show();
        QVERIFY(finished.wait(5000));
    }

    // Puts the cursor at the end of a line (from 1) and types there, key by key.
    void TypeAtEndOfLine(int line, const QString& text) {
        QTextCursor cursor(workbench_->Editor()->document()->findBlockByNumber(line - 1));
        cursor.movePosition(QTextCursor::EndOfBlock);
        workbench_->Editor()->setTextCursor(cursor);
        QTest::keyClicks(workbench_->Editor(), text);
    }

    std::unique_ptr<ScopedRegistry> registry_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<FrmWorkbench> workbench_;
};

QTEST_MAIN(FrmWorkbenchTest)
#include "frm_workbench_test.moc"

