// CenterForm's arithmetic, the folder a file dialog starts in, the file
// filters, and opening help pages.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "app/dialogs/dialog_helpers.h"
#include "support/user_folders.h"
#include "tests/recording_environment.h"

using namespace tintext;

class DialogHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void CenteredPositionIsClampedAtZero_data() {
        QTest::addColumn<QRect>("parent");
        QTest::addColumn<QSize>("child");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("smaller child") << QRect(100, 50, 400, 300) << QSize(200, 100) << QPoint(200, 150);
        QTest::newRow("child larger than parent") << QRect(10, 10, 200, 100) << QSize(600, 400) << QPoint(0, 0);
        QTest::newRow("wider only") << QRect(0, 100, 100, 300) << QSize(300, 100) << QPoint(0, 200);
        QTest::newRow("larger but parent far in") << QRect(500, 400, 200, 100) << QSize(300, 200) << QPoint(450, 350);
        QTest::newRow("half pixel rounds") << QRect(0, 0, 101, 101) << QSize(50, 50) << QPoint(26, 26);
        QTest::newRow("exactly zero stays zero") << QRect(0, 0, 100, 100) << QSize(100, 100) << QPoint(0, 0);
    }
    void CenteredPositionIsClampedAtZero() {
        QFETCH(QRect, parent);
        QFETCH(QSize, child);
        QFETCH(QPoint, expected);
        QCOMPARE(CenteredPosition(parent, child), expected);
    }

    void CenterFormMovesALargerChildToTheCorner() {
        QWidget parent;
        parent.setGeometry(30, 40, 200, 150);
        QWidget child;
        child.resize(800, 600);
        CenterForm(&parent, &child);
        QCOMPARE(child.pos(), QPoint(0, 0));
    }

    void NearestExistingFolder_data() {
        QTest::addColumn<QString>("relative");  // below the temporary folder
        QTest::addColumn<QString>("expected");  // below it too; "~" the home folder
        QTest::newRow("file in an existing folder") << "sub/file.asp" << "sub";
        QTest::newRow("folders that are gone") << "sub/gone/deeper/file.asp" << "sub";
        QTest::newRow("an existing folder itself") << "sub" << "";
        QTest::newRow("deeper than the walk goes") << QString("x/").repeated(60) + "f" << "~";
    }
    void NearestExistingFolder() {
        QFETCH(QString, relative);
        QFETCH(QString, expected);
        QTemporaryDir temp;
        QVERIFY(QDir(temp.path()).mkpath("sub"));
        QString want = expected == "~" ? QString::fromStdString(HomeFolder())
                       : expected.isEmpty() ? temp.path()
                                            : temp.path() + "/" + expected;
        QCOMPARE(QString::fromStdString(tintext::NearestExistingFolder(FromQt(temp.path() + "/" + relative))), want);
    }

    void NearestExistingFolderOfAMissingDriveIsHome() {
        QCOMPARE(tintext::NearestExistingFolder("Q:\\no\\such\\file.asp"), HomeFolder());
        QCOMPARE(tintext::NearestExistingFolder("file.asp"), HomeFolder());
        QCOMPARE(tintext::NearestExistingFolder("/no-such-top-folder/file.asp"), std::string("/"));
    }

    void FolderPartDropsTheLastComponent() {
        QCOMPARE(FolderPart("/home/ann/page.asp"), std::string("/home/ann"));
        QCOMPARE(FolderPart("/home/ann/"), std::string("/home"));  // a trailing separator names the folder itself
    }

    void FiltersInQtForm() {
        QCOMPARE(QtFileFilters("All files (*.*)|*.*|Active Server Page (*.asp)|*.asp|VB Script (*.vbs)|*.vbs"),
                 QStringList({"All files (*)", "Active Server Page (*.asp)", "VB Script (*.vbs)"}));
        QCOMPARE(QtFileFilters("HTML files (*.htm;*.html)|*.htm;*.html|All files (*.*)|*.*"),
                 QStringList({"HTML files (*.htm *.html)", "All files (*)"}));
        QCOMPARE(QtFileFilters("Syntax files|*.hld"), QStringList({"Syntax files (*.hld)"}));
        QCOMPARE(QtFileFilters(""), QStringList());
    }

    void HelpOpensTheTopicPage() {
        QTemporaryDir help;
        QVERIFY(QDir(help.path()).mkpath("HTML"));
        QFile page(help.path() + "/HTML/TOC_300_Main_Dialog.htm");
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        RecordingEnvironment env;
        ScopedEnv scoped(env);
        QList<QUrl> opened;
        SetUrlOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        SetHelpFilePath(FromQt(help.path()));
        ShowHelpTopic(kMainDialogHelpTopic);
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(page.fileName())}));
        QVERIFY(env.messages.empty());

        // A missing page and a browser that cannot start are told; no help path does nothing.
        ShowHelpTopic("HTML/missing.htm");
        SetUrlOpener([](const QUrl&) { return false; });
        ShowHelpTopic(kMainDialogHelpTopic);
        SetHelpFilePath("");
        ShowHelpTopic(kMainDialogHelpTopic);
        SetUrlOpener(nullptr);
        QCOMPARE(env.messages.size(), size_t(2));
        QVERIFY(env.messages[0].text.find("HTML/missing.htm") != std::string::npos);
        QVERIFY(env.messages[1].text.find("No web browser") != std::string::npos);
        QCOMPARE(env.messages[1].icon, MsgIcon::Exclamation);
    }

    void TheShippedHelpPageExists() {
        QVERIFY(QFile::exists(QString(TINTEXT_SOURCE_DIR) + "/help/" + kMainDialogHelpTopic));
    }
};

QTEST_MAIN(DialogHelpersTest)
#include "dialog_helpers_test.moc"
