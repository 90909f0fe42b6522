// The definition workbench: edits reach the preview, problems list their
// lines and move the cursor there, the pattern under the cursor is counted
// and marked, files are saved, reverted and guarded against loss, shipped
// definitions stay untouched, and the main dialog's Tools menu opens it.
// Its background work: cutting HTML into pieces a browser can append,
// converting and counting on a worker thread, only the latest request running.
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

struct Recorded {
    std::vector<DefinitionProblem> problems;
    std::string html;
    bool done = false;
};

Recorded Convert(const std::string& definition, const std::string& sample, bool cancelled = false) {
    Recorded r;
    std::atomic<bool> cancel{cancelled};
    PreviewEvents events;
    events.problems = [&r](std::vector<DefinitionProblem> problems) { r.problems = std::move(problems); };
    events.piece = [&r](std::string html, std::string) { r.html += html; };
    events.done = [&r](size_t, bool, std::string, int32_t) { r.done = true; };
    ConvertForPreview(definition, "d.hld", sample, cancel, std::move(events));
    return r;
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
        const QString path = Write("digits.hld", kDigits);
        QVERIFY(workbench_->OpenDefinition(path));
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
        const QString path = Write("digits.hld", kDigits);
        QVERIFY(workbench_->OpenDefinition(path));
        workbench_->show();
        TypeAtEndOfLine(1, "x");
        QString asked;
        OnNextModal answer([&](QWidget* box) {
            asked = box->objectName();
            qobject_cast<QMessageBox*>(box)->button(QMessageBox::StandardButton(button))->click();
        });
        workbench_->close();
        QCOMPARE(asked, QString("UnsavedQuestion"));
        QCOMPARE(workbench_->isVisible(), !closed);
        QCOMPARE(ReadFile(path) != kDigits, saved);
    }

    // Saved as the user's own, which every lookup then finds first.
    void AShippedDefinitionOpensReadOnlyAndSavesAsTheUsersOwn() {
        QVERIFY(QDir(dir_->path()).mkpath("program/hld"));
        const QString shipped = Write("program/hld/digits.hld", kDigits);
        SetProgramFolder(FromQt(dir_->filePath("program")));
        QVERIFY(workbench_->OpenDefinition(shipped));
        QVERIFY(workbench_->IsReadOnly() && workbench_->Editor()->isReadOnly());
        QVERIFY(workbench_->windowTitle().contains("read-only"));
        BrowseRequest asked;
        workbench_->SetFileChooser([&](QWidget*, const BrowseRequest& request) {
            asked = request;
            return QDir(request.initialFolder).filePath(request.initialFile);
        });
        QVERIFY(workbench_->Save());
        const QString own = dir_->filePath("data/tintext/hld/digits.hld");
        QCOMPARE(asked.initialFolder, dir_->filePath("data/tintext/hld"));
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
        const QString path = Write("digits.hld", kDigits);
        QVERIFY(workbench_->OpenDefinition(path));
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY_WITH_TIMEOUT(workbench_->Notice()->text().contains("deleted"), 5000);
        QVERIFY(workbench_->isWindowModified());
        QVERIFY(workbench_->Save());
        QCOMPARE(ReadFile(path), kDigits);
    }

    void AFileChangedOnDiskUnderEditsOffersAChoice() {
        const QString path = Write("digits.hld", kDigits);
        QVERIFY(workbench_->OpenDefinition(path));
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
        DialogSettings settings;
        settings.inputFile = FromQt(Write("in.txt", "7"));
        settings.outputFile = FromQt(dir_->filePath("out.htm"));
        settings.hldFile = FromQt(Write("digits.hld", kDigits));
        settings.useDefaultHld = 0;
        main.LoadSettings(settings);
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
    // sliced as it came in makes no difference.
    void PiecesAreWellFormedAndCutAfterLines_data() {
        QTest::addColumn<int>("slice");
        QTest::newRow("all at once") << 1000;
        QTest::newRow("byte by byte") << 1;
        QTest::newRow("tags and references cut in the middle") << 3;
    }
    void PiecesAreWellFormedAndCutAfterLines() {
        QFETCH(int, slice);
        std::string styles;
        const std::string html =
            "<!DOCTYPE html>\n<html><head><title>T</title><style>.k{color:red}</style></head><body>"
            "<pre><span class=\"k\">one\ntwo</span>\nthree<br>\n<i>four</i>\n</pre></body></html>";
        QCOMPARE(Cut(html, size_t(slice), 8, &styles),
                 QStringList({"\n<pre><span class=\"k\">one\n</span></pre>", "<pre><span class=\"k\">two</span>\n</pre>",
                              "<pre>three<br>\n</pre>", "<pre><i>four</i>\n</pre>", "<pre></pre>"}));
        QCOMPARE(QString::fromStdString(styles), QString("\n.k{color:red}"));
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
        Recorded good = Convert(kDigits.toStdString(), "a 12");
        QVERIFY(good.done && good.problems.empty());
        QCOMPARE(QString::fromStdString(good.html), QString("<pre>a&nbsp;<b>12</b></pre>"));
        Recorded bad = Convert(kDigits.toStdString() + "[Two]\nPATTERN=(\n", "a 12");
        QCOMPARE(bad.problems.size(), size_t(1));
        QCOMPARE(bad.problems[0].line, 9);
        QVERIFY(bad.done);
        QVERIFY(!Convert(kDigits.toStdString(), std::string(1 << 20, '1'), true).done);
    }

    // As its section searches: a pattern line counts its matches in the
    // sample, any other line nothing.
    void CountsThePatternOnTheLine_data() {
        QTest::addColumn<QString>("definition");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QStringList>("matches");
        QTest::newRow("digits") << QString(kDigits) << 4 << "1 22 x 333" << QStringList({"1", "22", "333"});
        QTest::newRow("every character") << QString(kDigits) << 6 << "1 x" << QStringList({"1", " ", "x"});
        QTest::newRow("not a pattern line") << QString(kDigits) << 5 << "1 x" << QStringList();
        QTest::newRow("ignoring case") << "[A]\nPATTERN=ab\n" << 2 << "ab AB" << QStringList({"ab", "AB"});
        QTest::newRow("minding case") << "[B]\nIGNORECASE=0\nPATTERN=ab\n" << 3 << "ab AB" << QStringList({"ab"});
    }
    void CountsThePatternOnTheLine() {
        QFETCH(QString, definition);
        QFETCH(int, line);
        QFETCH(QString, sample);
        QFETCH(QStringList, matches);
        std::atomic<bool> cancelled{false};
        MatchCount result = CountPatternMatches(definition.toStdString(), line, sample.toStdString(), cancelled);
        QStringList found;
        for (const std::string& match : result.matches) found << QString::fromStdString(match);
        QCOMPARE(found, matches);
        QCOMPARE(int(result.count), int(matches.size()));
        QCOMPARE(result.line, matches.isEmpty() ? 0 : line);
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

    // Opens the sample and the digits definition and waits for the first preview.
    void OpenAndPreview(const QByteArray& sample) {
        QVERIFY(workbench_->OpenSample(Write("in.txt", sample)));
        QVERIFY(workbench_->OpenDefinition(Write("digits.hld", kDigits)));
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
