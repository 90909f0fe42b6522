// The workbench's background work: cutting HTML into pieces a browser can
// append, converting and counting on a worker thread, and only the latest
// request running.
#include <QtTest>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/dialogs/html_fragments.h"
#include "app/dialogs/preview_worker.h"

using namespace tintext;

namespace {

const char* const kDigits =
    "[Main]\n"
    "HEADER-HTML=<pre>\n"
    "FOOTER-HTML=</pre>\n"
    "PATTERN=\\d+\n"
    "FORMAT-HTML=<b>$$</b>\n"
    "PATTERN=[\\s\\S]\n"
    "FORMAT-HTML=$$\n";

// Feeds the HTML in slices of the given size and takes the pieces after each.
std::vector<std::string> Cut(const std::string& html, size_t slice, size_t pieceSize, std::string* styles = nullptr) {
    HtmlFragmenter fragmenter(pieceSize);
    std::vector<std::string> pieces;
    for (size_t at = 0; at < html.size(); at += slice) {
        fragmenter.Feed(std::string_view(html).substr(at, slice));
        for (std::string& piece : fragmenter.Take(false)) pieces.push_back(std::move(piece));
    }
    for (std::string& piece : fragmenter.Take(true)) pieces.push_back(std::move(piece));
    if (styles) *styles = fragmenter.StyleSheet();
    return pieces;
}

QStringList Q(const std::vector<std::string>& pieces) {
    QStringList list;
    for (const std::string& piece : pieces) list << QString::fromStdString(piece);
    return list;
}

struct Recorded {
    std::vector<DefinitionProblem> problems;
    std::string html;
    bool done = false;
    std::string failure;
    int32_t failureLine = 0;
};

PreviewEvents Recorder(Recorded& r) {
    PreviewEvents events;
    events.problems = [&r](std::vector<DefinitionProblem> problems) { r.problems = std::move(problems); };
    events.piece = [&r](std::string html, std::string) { r.html += html; };
    events.done = [&r](size_t, bool, std::string failure, int32_t line) {
        r.done = true;
        r.failure = failure;
        r.failureLine = line;
    };
    return events;
}

}  // namespace

class PreviewWorkerTest : public QObject {
    Q_OBJECT

private slots:
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
        auto pieces = Cut(html, static_cast<size_t>(slice), 8, &styles);
        QCOMPARE(Q(pieces), QStringList({"\n<pre><span class=\"k\">one\n</span></pre>",
                                         "<pre><span class=\"k\">two</span>\n</pre>", "<pre>three<br>\n</pre>",
                                         "<pre><i>four</i>\n</pre>", "<pre></pre>"}));
        QCOMPARE(QString::fromStdString(styles), QString("\n.k{color:red}"));
    }

    void AVeryLongLineIsCutBetweenElements() {
        std::string html = "<pre>";
        for (int i = 0; i < 40; ++i) html += "<b>&amp;</b>";
        auto pieces = Cut(html + "</pre>", 8, 16);
        QVERIFY(pieces.size() > 2);
        for (const std::string& piece : pieces) {
            QVERIFY2(piece.rfind("<pre>", 0) == 0 && piece.size() >= 11 && piece.substr(piece.size() - 6) == "</pre>",
                     piece.c_str());
            QVERIFY2(piece.find("&amp;<") != std::string::npos || piece == "<pre></pre>", piece.c_str());
        }
    }

    void ConvertsTheSampleAndReportsProblems() {
        std::atomic<bool> cancelled{false};
        Recorded r;
        ConvertForPreview(kDigits, "d.hld", "a 12", cancelled, Recorder(r));
        QVERIFY(r.done);
        QVERIFY(r.problems.empty());
        QCOMPARE(QString::fromStdString(r.html), QString("<pre>a&nbsp;<b>12</b></pre>"));
        QVERIFY(r.failure.empty());

        Recorded bad;
        ConvertForPreview(std::string(kDigits) + "[Two]\nPATTERN=(\n", "d.hld", "a 12", cancelled, Recorder(bad));
        QCOMPARE(bad.problems.size(), size_t(1));
        QCOMPARE(bad.problems[0].line, 9);
        QVERIFY(bad.done);  // the first section still converts
    }

    void ASlowPatternFailsWithItsLine() {
        std::atomic<bool> cancelled{false};
        Recorded r;
        ConvertForPreview("[Main]\nPATTERN=x\nFORMAT-HTML=x\nPATTERN=(a+)+$\nFORMAT-HTML=y\n", "d.hld",
                          std::string(30, 'a') + "!", cancelled, Recorder(r));
        QVERIFY(r.done);
        QVERIFY2(r.failure.find("Error searching for pattern") != std::string::npos, r.failure.c_str());
        QCOMPARE(r.failureLine, 4);
    }

    void ACancelledConversionReportsNoEnd() {
        std::atomic<bool> cancelled{true};
        Recorded r;
        ConvertForPreview(kDigits, "d.hld", std::string(1 << 20, '1'), cancelled, Recorder(r));
        QVERIFY(!r.done);
    }

    void CountsThePatternOnTheLine_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("matches");
        QTest::newRow("digits") << 4 << 3 << QStringList({"1", "22", "333"});
        QTest::newRow("every character") << 6 << 10 << QStringList({"1", " ", "2", "2", " ", "x", " ", "3", "3", "3"});
        QTest::newRow("not a pattern line") << 5 << 0 << QStringList();
    }
    void CountsThePatternOnTheLine() {
        QFETCH(int, line);
        QFETCH(int, count);
        QFETCH(QStringList, matches);
        std::atomic<bool> cancelled{false};
        MatchCount result = CountPatternMatches(kDigits, line, "1 22 x 333", cancelled);
        QCOMPARE(int(result.count), count);
        QCOMPARE(Q(result.matches), matches);
        QCOMPARE(result.line, count > 0 ? line : 0);
    }

    void CountingFollowsTheSectionsCase() {
        std::atomic<bool> cancelled{false};
        const char* definition = "[A]\nPATTERN=ab\n[B]\nIGNORECASE=0\nPATTERN=ab\n";
        QCOMPARE(int(CountPatternMatches(definition, 2, "ab AB", cancelled).count), 2);
        QCOMPARE(int(CountPatternMatches(definition, 5, "ab AB", cancelled).count), 1);
        MatchCount bad = CountPatternMatches("[A]\nPATTERN=(\n", 2, "x", cancelled);
        QVERIFY(!bad.failure.empty());
    }

    // A newer task cancels the one under way and replaces the one waiting.
    void OnlyTheLatestTaskRuns() {
        std::mutex mutex;
        std::vector<std::string> log;
        std::atomic<bool> firstStarted{false};
        std::atomic<bool> bothSubmitted{false};
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
};

QTEST_MAIN(PreviewWorkerTest)
#include "preview_worker_test.moc"
