// The main window through its controls: start-up, layout, tab order, folders and drives.
#include "UiTestSupport.h"
#include "names/CodeTables.h"
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "ui/Style.h"

#include <QFontInfo>
#include <QMenuBar>
#include <QProcess>
#include <cmath>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

class TestFrmEdit : public QObject
{
    Q_OBJECT

    std::unique_ptr<Window> w;
    // "/", the scratch drive and extra as the machine's drives.
    void setDrives(const QString& extra, const QString& label = {})
    {
        const QString scratch = w->folder.path();
        Drives::setListForTesting(
            QList<Drive>{{u"/"_s, u"/"_s, {}}, {scratch, scratch + u'/', {}}, {extra, extra + u'/', label}});
        w->get<DriveListBox>("Drive1")->refresh();
    }
    // The window, the folder list and the process are all in folder.
    void expectOpen(const QString& folder)
    {
        QCOMPARE(w->frm->strPath(), folder);
        QCOMPARE(w->get<DirListBox>("dirSourceBMP")->path(), folder);
        QCOMPARE(w->get<FileListBox>("File2")->path(), folder);
        QCOMPARE(QDir::current(), QDir(folder));
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(u"Vorlin"_s); }
    void init() { w = std::make_unique<Window>(u"Drawings"_s); }
    void cleanup() { w.reset(); }

    void startsOnTheCurrentDirectoryWithNothingPicked()
    {
        const QString drawings = w->file(u"Drawings"_s);
        expectOpen(drawings);
        QCOMPARE(w->get<DriveListBox>("Drive1")->drive(), w->folder.path());
        QCOMPARE(w->get<FileListBox>("File1")->path(), drawings);
        QVERIFY(w->frm->strFile().isEmpty());
        QVERIFY(w->boxes.isEmpty());
        for (const auto& [name, table] :
             {std::pair("cboGT", &GtTable()), std::pair("cboUland", &UlandTable())}) {
            auto* box = w->get<QComboBox>(name);
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            QCOMPARE(items, table->listEntries());
            QCOMPARE(box->currentIndex(), -1);
            QVERIFY(box->currentText().isEmpty());
            QVERIFY(box->isEditable());
        }
    }

    // Each stop shows the focus, from the start-up focus on.
    void tabMovesInDesignedOrder()
    {
        QVERIFY(QTest::qWaitForWindowActive(w->frm.get()));
        const QStringList designed =
            QStringLiteral("picDib Drive1 dirSourceBMP File1 cboUland cboGT File2 picBmp "
                           "txtCompany cmdRD txtAcronym txtSuffix chkM picDib")
                .split(u' ');
        QStringList visited{focusedControl()};
        QStringList unseen; // controls that look the same with the focus and without it
        while (visited.size() < designed.size()) {
            auto* control = w->get<QWidget>(qPrintable(visited.last()));
            const QImage focused = control->grab().toImage();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (control->grab().toImage() == focused)
                unseen << visited.last();
            visited << focusedControl();
        }
        QCOMPARE(visited, designed);
        QVERIFY2(unseen.isEmpty(), qPrintable(unseen.join(u' ')));
    }

    void drawnAsDesignedAtEveryScale_data()
    {
        QTest::addColumn<QString>("factor");
        QTest::addColumn<bool>("onlyLiberation"); // a system with no other fonts than Liberation's
        QTest::newRow("100 %, Liberation's fonts alone") << u"1"_s << true;
        QTest::newRow("125 %") << u"1.25"_s << false;
        QTest::newRow("150 %") << u"1.5"_s << false;
        QTest::newRow("200 %") << u"2"_s << false;
    }

    // Scaling and fonts are fixed when an application starts, so each row runs in a child process.
    // Every row of Line1 and Line2 that no control covers has a dark pixel in the line's columns,
    // the folder list's rows are one whole number of device pixels high, and the menus are set in
    // a proportional face even where the generic sans serif resolves to Liberation Mono.
    void drawnAsDesignedAtEveryScale()
    {
        QFETCH(QString, factor);
        QFETCH(bool, onlyLiberation);
        if (!qEnvironmentVariableIsSet("VORLIN_TEST_CHILD")) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"VORLIN_TEST_CHILD"_s, u"1"_s);
            environment.insert(u"QT_SCALE_FACTOR"_s, factor);
            const QString liberation = u"/usr/share/fonts/truetype/liberation"_s;
            if (onlyLiberation && !QFileInfo::exists(liberation))
                QSKIP("Liberation's fonts are not installed where Debian puts them");
            QFile config(w->file(u"fonts.conf"_s));
            QVERIFY(config.open(QIODevice::WriteOnly));
            config.write(u"<?xml version=\"1.0\"?>\n<fontconfig><dir>%1</dir><cachedir>%2</cachedir>"
                         "<include ignore_missing=\"yes\">/etc/fonts/conf.d</include></fontconfig>\n"_s
                             .arg(liberation, w->file(u"cache"_s))
                             .toUtf8());
            config.close();
            if (onlyLiberation)
                environment.insert(u"FONTCONFIG_FILE"_s, config.fileName());
            QProcess child;
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {QLatin1String(QTest::currentTestFunction()) + u':' +
                         QLatin1String(QTest::currentDataTag())});
            QVERIFY(child.waitForFinished(120000));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     child.readAll().constData());
            return;
        }
        style::useProportionalApplicationFont(); // as main() does
        QCoreApplication::processEvents();       // the window takes the new font up from a posted event
        QVERIFY2(!QFontInfo(w->frm->menuBar()->font()).fixedPitch(),
                 qPrintable(QFontInfo(w->frm->menuBar()->font()).family()));

        QWidget* client = w->frm->centralWidget();
        const QImage shot = client->grab().toImage();
        const qreal scale = shot.devicePixelRatio();
        QCOMPARE(scale, factor.toDouble());
        for (const char* name : {"Line1", "Line2"}) {
            const QRect line =
                client->findChild<QObject*>(QLatin1String(name))->property("geometry").toRect();
            int shown = 0;
            for (int y = line.top(); y <= line.bottom(); ++y) {
                if (client->childAt(line.left(), y))
                    continue;
                bool dark = false;
                for (int x = int(line.left() * scale); x < int(std::ceil((line.right() + 1) * scale)); ++x)
                    dark = dark || qGray(shot.pixel(x, int((y + 0.5) * scale))) < 64;
                QVERIFY2(dark, qPrintable(u"%1 missing at y %2"_s.arg(QLatin1String(name)).arg(y)));
                ++shown;
            }
            QVERIFY(shown > 40);
        }
        QVERIFY(QDir().mkpath(w->file(u"Drawings/Locos"_s)));
        auto* folders = w->get<DirListBox>("dirSourceBMP");
        folders->refresh();
        QSet<int> heights;
        for (int row = 0; row < folders->model()->rowCount(); ++row)
            heights << folders->visualRect(folders->model()->index(row, 0)).height();
        QCOMPARE(heights.size(), 1);
        QCOMPARE(std::fmod(*heights.begin() * scale, 1.0), 0.0);
    }

    void openingAFolderMovesBothFileLists_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("a subfolder, no trailing separator") << u"Drawings/Locos"_s;
        QTest::newRow("the drive root keeps its separator") << u""_s;
    }

    void openingAFolderMovesBothFileLists()
    {
        QFETCH(QString, folder);
        const QString target = folder.isEmpty() ? w->folder.path() + u'/' : w->file(folder);
        QVERIFY(QDir().mkpath(target));
        QVERIFY(!w->get<DirListBox>("dirSourceBMP")->setPath(target));
        QCOMPARE(w->frm->strPath(), target);
        QCOMPARE(w->get<FileListBox>("File1")->path(), target);
        QCOMPARE(w->get<FileListBox>("File2")->path(), target);
        QCOMPARE(QDir::current(), QDir(w->file(u"Drawings"_s)));
    }

    void choosingAReadyDrive_data()
    {
        QTest::addColumn<bool>("rootOpen");
        QTest::newRow("another drive's root") << false;
        QTest::newRow("the root open already, through the folder list") << true;
    }

    void choosingAReadyDrive()
    {
        QTemporaryDir stick;
        QVERIFY(writeBitmap(stick.filePath(u"V200.bmp"_s)));
        setDrives(stick.path(), u"STICK"_s);
        QFETCH(bool, rootOpen);
        if (rootOpen)
            QVERIFY(!w->get<DirListBox>("dirSourceBMP")->setPath(stick.path() + u'/'));
        w->get<DriveListBox>("Drive1")->setDrive(stick.path());
        expectOpen(stick.path() + u'/');
        QCOMPARE(entries(w->get<FileListBox>("File2")), QStringList(u"V200.bmp"_s));
        QVERIFY(w->boxes.isEmpty());
    }

    void unavailableDriveIsReportedAndUndone_data()
    {
        QTest::addColumn<bool>("loop");
        QTest::addColumn<QString>("prompt"); // empty: the failure's own text, naming the drive
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("title");
        QTest::newRow("unplugged stick") << false << u"Device NOT available!"_s << 48 << u"Quenta"_s;
        // A root that is a loop of symbolic links fails with a number other than 68.
        QTest::newRow("other failure") << true << QString() << 0 << u"Vorlin"_s;
    }

    void unavailableDriveIsReportedAndUndone()
    {
        QFETCH(bool, loop);
        QFETCH(QString, prompt);
        const QString bad = w->file(u"gone"_s);
        if (loop)
            QVERIFY(QFile::link(bad, bad));
        setDrives(bad);
        w->get<DriveListBox>("Drive1")->setDrive(bad);
        QCOMPARE(w->boxes.size(), 1);
        const MessageBox::Shown box = w->boxes.first();
        QVERIFY2(prompt.isEmpty() ? box.prompt.contains(u"gone"_s) : box.prompt == prompt,
                 qPrintable(box.prompt));
        QTEST(box.style, "style");
        QTEST(box.title, "title");
        // Back on the previous drive, at its root; the folder open before is not reopened.
        QCOMPARE(w->get<DriveListBox>("Drive1")->drive(), w->folder.path());
        expectOpen(w->folder.path() + u'/');
    }
};

QTEST_MAIN(TestFrmEdit)
#include "tst_frmedit.moc"
