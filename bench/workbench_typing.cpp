// How long the definition workbench takes to handle each keystroke while it
// converts a large sample in the background, with a definition whose pattern
// backtracks catastrophically. Types a character every 200 ms (or the
// interval given), so that conversions start and are cancelled in between,
// and prints the keystrokes' handling times, the event loop's stalls and how
// many previews finished.
// With "plain" as the third argument the slow rule is left out: the baseline,
// a whole conversion of the sample under way while typing.
//   QT_QPA_PLATFORM=offscreen build/bench/workbench_typing [sample-MB] [keystrokes] [plain|slow] [interval-ms]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/dialogs/code_editor.h"
#include "app/dialogs/frm_workbench.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 50;
    const int keystrokes = argc > 2 ? std::atoi(argv[2]) : 40;
    const int interval = argc > 4 ? std::atoi(argv[4]) : 200;
    const bool slowRule = !(argc > 3 && QByteArray(argv[3]) == "plain");

    QTemporaryDir dir;
    {
        // Lines of letters, each ending in a character the slow pattern cannot match.
        QFile sample(dir.filePath("sample.txt"));
        if (!sample.open(QIODevice::WriteOnly)) return 1;
        const QByteArray line = QByteArray(60, 'a') + "!\n";
        for (qint64 written = 0; written < qint64(megabytes) * 1024 * 1024; written += line.size()) sample.write(line);
        QFile definition(dir.filePath("slow.hld"));
        if (!definition.open(QIODevice::WriteOnly)) return 1;
        definition.write("[Main]\nHEADER-HTML=<pre>\nFOOTER-HTML=</pre>\nPATTERN=\\w+\nFORMAT-HTML=<b>$$</b>\n"
                         "PATTERN=[\\s\\S]\nFORMAT-HTML=$$\n' a comment to type into\n");
    }
    tintext::FrmWorkbench workbench;
    QElapsedTimer opening;
    opening.start();
    workbench.OpenSample(dir.filePath("sample.txt"));
    workbench.OpenDefinition(dir.filePath("slow.hld"));
    std::printf("opening a %d MB sample: %lld ms\n", megabytes, static_cast<long long>(opening.elapsed()));
    workbench.show();
    int finished = 0;
    QObject::connect(&workbench, &tintext::FrmWorkbench::PreviewFinished, [&] { ++finished; });

    // The slow rule goes in first, then typing goes on in the comment line.
    QTextCursor cursor(workbench.Editor()->document()->findBlockByNumber(5));
    workbench.Editor()->setTextCursor(cursor);
    if (slowRule) {
        QTest::keyClicks(workbench.Editor(), "PATTERN=(a+)+$");
        QTest::keyClick(workbench.Editor(), Qt::Key_Return);
    }
    cursor = QTextCursor(workbench.Editor()->document()->lastBlock());
    cursor.movePosition(QTextCursor::EndOfBlock);
    workbench.Editor()->setTextCursor(cursor);

    // The event loop's stalls: the gaps between the ticks of a 2 ms timer.
    std::vector<qint64> keyTimes;
    qint64 longestGap = 0;
    qint64 typingEnded = -1;
    std::vector<std::pair<qint64, qint64>> stalls;  // when, how long
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = clock.elapsed() - lastTick;
        if (typingEnded < 0) longestGap = std::max(longestGap, gap);
        if (gap > 20) stalls.emplace_back(lastTick, gap);
        lastTick = clock.elapsed();
    });
    ticker.start(2);
    for (int i = 0; i < keystrokes; ++i) {
        QElapsedTimer key;
        key.start();
        QTest::keyClick(workbench.Editor(), Qt::Key_X);
        keyTimes.push_back(key.nsecsElapsed() / 1000);
        QTest::qWait(interval);
    }
    typingEnded = clock.elapsed();
    QTest::qWait(3000);
    std::sort(keyTimes.begin(), keyTimes.end());
    std::printf("keystrokes: %d, handling median %.2f ms, longest %.2f ms\n", keystrokes,
                keyTimes[keyTimes.size() / 2] / 1000.0, keyTimes.back() / 1000.0);
    std::printf("longest stall of the event loop while typing (%lld ms) and converting: %lld ms\n",
                static_cast<long long>(typingEnded), static_cast<long long>(longestGap));
    for (const auto& [when, gap] : stalls)
        std::printf("  stall of %lld ms at %lld ms\n", static_cast<long long>(gap), static_cast<long long>(when));
    std::printf("previews finished: %d; problems listed: %d\n", finished, workbench.Problems()->count());
    for (int i = 0; i < workbench.Problems()->count(); ++i)
        std::printf("  %s\n", qPrintable(workbench.Problems()->item(i)->text().left(140)));
    return 0;
}
