// The notice that can be hidden for good: which stored choice shows it, how
// its box starts, and what OK and Esc store.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/dialogs/frm_show_once.h"
#include "app/settings.h"
#include "dialog_test_support.h"
#include "support/program_info.h"

using namespace tintext;
using namespace tintext::testing;

namespace {

struct Seen {
    bool shown = false;
    bool boxTicked = false;
    QString caption;
    QString text;
    bool cancelHidden = false;
};

// Runs ShowOnce for "Feedback" and answers the notice, if one opens, with
// answer: "ok", "ok-clear" (untick the box, then OK) or "esc".
Seen RunNotice(bool checked, bool force, const QString& answer) {
    Seen seen;
    OnNextModal answerer([&seen, answer](QWidget* modal) {
        auto* notice = qobject_cast<FrmShowOnce*>(modal);
        if (!notice) return;
        seen.shown = true;
        seen.boxTicked = notice->ChkHide()->isChecked();
        seen.caption = notice->windowTitle();
        seen.text = notice->LblMessage()->text();
        seen.cancelHidden = notice->CmdCancel()->y() >= notice->height();
        if (answer == "esc") {
            QTest::keyClick(notice, Qt::Key_Escape);
            return;
        }
        if (answer == "ok-clear") notice->ChkHide()->setChecked(false);
        QTest::keyClick(notice, Qt::Key_Return);
    });
    QWidget parent;
    parent.resize(400, 300);
    FrmShowOnce::ShowOnce(&parent, "Feedback", "The text.", "Send Feedback", checked, force, 2500);
    return seen;
}

}  // namespace

class FrmShowOnceTest : public QObject {
    Q_OBJECT

private slots:
    void StoredChoiceDecidesShowingAndTheBox_data() {
        QTest::addColumn<QString>("stored");  // "" when never answered
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("never answered, caller ticks") << "" << true << false << true << true;
        QTest::newRow("never answered, caller clears") << "" << false << false << true << false;
        QTest::newRow("hidden for good") << "1" << true << false << false << false;
        QTest::newRow("hidden, forced") << "1" << false << true << true << false;
        QTest::newRow("hidden, forced, caller ticks") << "1" << true << true << true << true;
        QTest::newRow("show again overrides caller") << "-1" << true << false << true << false;
        QTest::newRow("not a number counts as never") << "abc" << true << false << true << true;
        QTest::newRow("larger numbers also hide") << "5" << true << false << false << false;
    }
    void StoredChoiceDecidesShowingAndTheBox() {
        QFETCH(QString, stored);
        QFETCH(bool, checked);
        QFETCH(bool, force);
        QFETCH(bool, shown);
        QFETCH(bool, ticked);
        ScopedRegistry registry;
        if (!stored.isEmpty()) WriteSetting(kCompanyName, kProgramTitle, "ShowOnce", "Feedback", FromStd(stored));
        Seen seen = RunNotice(checked, force, "esc");
        QCOMPARE(seen.shown, shown);
        if (shown) QCOMPARE(seen.boxTicked, ticked);
    }

    void OkStoresTheBoxAndEscStoresNothing() {
        ScopedRegistry registry;
        Seen seen = RunNotice(true, false, "esc");
        QVERIFY(seen.shown);
        QCOMPARE(seen.caption, QString("Send Feedback"));
        QCOMPARE(seen.text, QString("The text."));
        QVERIFY(seen.cancelHidden);
        QCOMPARE(ReadSetting(kCompanyName, kProgramTitle, "ShowOnce", "Feedback", "absent"), std::string("absent"));

        QVERIFY(RunNotice(true, false, "ok-clear").shown);
        QCOMPARE(ReadSetting(kCompanyName, kProgramTitle, "ShowOnce", "Feedback", ""), std::string("-1"));

        QVERIFY(RunNotice(false, false, "ok").shown);  // -1 stored: starts clear, stays clear
        QCOMPARE(ReadSetting(kCompanyName, kProgramTitle, "ShowOnce", "Feedback", ""), std::string("-1"));

        QVERIFY(RunNotice(false, true, "ok").shown);  // forced, caller clears
        WriteSetting(kCompanyName, kProgramTitle, "ShowOnce", "Feedback", "-1");
        Seen again = RunNotice(true, true, "ok");  // forced with the box ticked: now hidden for good
        QVERIFY(again.shown && again.boxTicked);
        QCOMPARE(ReadSetting(kCompanyName, kProgramTitle, "ShowOnce", "Feedback", ""), std::string("1"));
        QVERIFY(!RunNotice(true, false, "ok").shown);
    }

private:
    static std::string FromStd(const QString& text) { return text.toStdString(); }
};

QTEST_MAIN(FrmShowOnceTest)
#include "frm_show_once_test.moc"
