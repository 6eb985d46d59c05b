// The file, folder and drive lists: what they list, in what order, and when they emit.
#include "../io/NativeFiles.h"
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/FileListBox.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

namespace {

bool touch(const QString& folder, const QByteArray& name)
{
    return writeNative(QFile::encodeName(folder) + '/' + name, {});
}

QStringList rowsOf(const QListView& list)
{
    QStringList rows;
    for (int i = 0; i < list.model()->rowCount(); ++i)
        rows.append(list.model()->index(i, 0).data().toString());
    return rows;
}

} // namespace

class TestListBoxes : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_files;
    const QByteArray m_latin1Name = "caf\xe9.bmp";
    // A file list of the drawings in folder, shown.
    std::unique_ptr<FileListBox> bitmaps(const QString& folder)
    {
        auto box = std::make_unique<FileListBox>();
        box->setPattern(u"*.bmp"_s);
        box->setPath(folder);
        box->resize(200, 300);
        box->show();
        return box;
    }

private slots:
    void initTestCase()
    {
        m_files = m_dir.filePath(u"files"_s);
        QVERIFY(QDir().mkpath(m_files));
        for (const char* name :
             {"a.bmp", "E626.BMP", "b.Bmp", ".hidden.bmp", "c.dib", "D.DIB", "readme.txt", "bmp"})
            QVERIFY(touch(m_files, name));
        QVERIFY(touch(m_files, m_latin1Name));
        QVERIFY(QDir(m_files).mkdir(u"x.bmp"_s));
        QCOMPARE(::mkfifo(QFile::encodeName(m_files + u"/fifo.bmp"_s).constData(), 0644), 0);
        QVERIFY(QFile::link(u"nowhere"_s, m_files + u"/dangling.bmp"_s));
        QVERIFY(QFile::link(u"a.bmp"_s, m_files + u"/link.bmp"_s));
        QVERIFY(QFile::link(u"x.bmp"_s, m_files + u"/folderlink.bmp"_s));
    }
    // QDir cannot name this file to remove it.
    void cleanupTestCase() { ::unlink((QFile::encodeName(m_files) + '/' + m_latin1Name).constData()); }
    void cleanup()
    {
        Drives::setListForTesting(std::nullopt);
        MessageBox::clearResponder();
    }

    void fileListFilters_data()
    {
        const QString latin1 = QFile::decodeName(m_latin1Name);
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");
        const QStringList bitmaps{u".hidden.bmp"_s, u"a.bmp"_s,    u"b.Bmp"_s,
                                  latin1,           u"E626.BMP"_s, u"link.bmp"_s};
        QTest::newRow("bmp: case ignored, dotfiles and links to files in; folders, FIFOs, dangling links out")
            << u"*.bmp"_s << bitmaps;
        QTest::newRow("pattern in capitals") << u"*.BMP"_s << bitmaps;
        QTest::newRow("dib") << u"*.dib"_s << QStringList{u"c.dib"_s, u"D.DIB"_s};
        QTest::newRow("everything: names without a dot too")
            << u"*.*"_s
            << QStringList{u".hidden.bmp"_s, u"a.bmp"_s, u"b.Bmp"_s,    u"bmp"_s,      u"c.dib"_s,
                           latin1,           u"D.DIB"_s, u"E626.BMP"_s, u"link.bmp"_s, u"readme.txt"_s};
        QTest::newRow("wildcards in the stem") << u"?.bmp"_s << QStringList{u"a.bmp"_s, u"b.Bmp"_s};
        QTest::newRow("two patterns")
            << u"*.dib;*.txt"_s << QStringList{u"c.dib"_s, u"D.DIB"_s, u"readme.txt"_s};
    }

    void fileListFilters()
    {
        QFETCH(QString, pattern);
        FileListBox box;
        box.setPattern(pattern);
        box.setPath(m_files);
        QTEST(rowsOf(box), "names");
        // A name that is not valid UTF-8 is shown with a replacement character; its bytes name the file.
        for (int i = 0; i < box.listCount(); ++i)
            QCOMPARE(::access((QFile::encodeName(m_files) + '/' + box.listNative(i)).constData(), F_OK), 0);
    }

    void fileListSorts_data()
    {
        QTest::addColumn<QStringList>("sorted"); // created in reverse
        // Names equal but for case keep a fixed order; non-ASCII letters sort by their folded code.
        QTest::newRow("case ignored")
            << QStringList({"10.bmp", "9.bmp", "_under.bmp", "alpha.bmp", "Beta.bmp", "beta.bmp", "eta.bmp",
                            "Zeta.bmp", u"\u00e9psilon.bmp"_s, u"\u00c9t\u00e9.bmp"_s});
        // Names alike in their first eight letters, and names that begin with another name: the
        // order must come from the whole name, not its start.
        QTest::newRow("past a long common start")
            << QStringList({"drawin.bmp", "drawing.bmp", "drawing_.bmp", "Drawing_1.bmp", "DRAWING_10.BMP",
                            "drawing_10.bmp", "drawing_9.bmp"});
    }

    void fileListSorts()
    {
        QFETCH(QStringList, sorted);
        QTemporaryDir dir;
        for (auto name = sorted.crbegin(); name != sorted.crend(); ++name)
            QVERIFY(touch(dir.path(), QFile::encodeName(*name)));
        QCOMPARE(rowsOf(*bitmaps(dir.path())), sorted);
    }

    void fileListRereadsOnPathAndRefresh()
    {
        QTemporaryDir dir;
        QVERIFY(touch(dir.path(), "one.bmp"));
        auto box = bitmaps(dir.path());
        QCOMPARE(box->listCount(), 1);
        box->setPath(dir.filePath(u"missing"_s));
        QCOMPARE(box->listCount(), 0);
        QCOMPARE(box->list(0), QString());
        QCOMPARE(box->listNative(-1), QByteArray());
        box->setPath(dir.path());
        QVERIFY(touch(dir.path(), "two.bmp"));
        box->setListIndex(0);
        box->refresh();
        QCOMPARE(rowsOf(*box), QStringList({"one.bmp", "two.bmp"}));
        QCOMPARE(box->listIndex(), -1);
    }

    void fileListsShareOneReadingPerEvent()
    {
        QTemporaryDir dir;
        QVERIFY(touch(dir.path(), "one.bmp"));
        auto first = bitmaps(dir.path());
        QVERIFY(touch(dir.path(), "two.bmp"));
        // Within one event the lists opening a folder share one reading of it...
        QCOMPARE(rowsOf(*bitmaps(dir.path())), QStringList({"one.bmp"}));
        // ...but a refresh, and any later event, read the folder as it is now.
        first->refresh();
        QCOMPARE(rowsOf(*first), QStringList({"one.bmp", "two.bmp"}));
        QVERIFY(touch(dir.path(), "three.bmp"));
        QCoreApplication::processEvents();
        QCOMPARE(rowsOf(*bitmaps(dir.path())), QStringList({"one.bmp", "three.bmp", "two.bmp"}));
    }

    void fileListClicks()
    {
        auto box = bitmaps(m_files);
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QSignalSpy clicks(box.get(), &FileListBox::click);
        const auto clickRow = [&box](int row) {
            QTest::mouseClick(box->viewport(), Qt::LeftButton, {},
                              box->visualRect(box->model()->index(row, 0)).center());
        };

        // Arriving by keyboard picks nothing; the first Down picks the first file.
        box->activateWindow();
        box->setFocus(Qt::TabFocusReason);
        QVERIFY(QTest::qWaitForWindowActive(box.get()));
        QCOMPARE(box->listIndex(), -1);
        QCOMPARE(clicks.count(), 0);
        QTest::keyClick(box.get(), Qt::Key_Down);
        QCOMPARE(box->listIndex(), 0);
        QCOMPARE(clicks.count(), 1);

        clickRow(1);
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(box->listIndex(), 1);
        clickRow(1); // the picked entry again is a click as well
        QCOMPARE(clicks.count(), 3);
        QTest::keyClick(box.get(), Qt::Key_Down);
        QCOMPARE(clicks.count(), 4);
        QCOMPARE(box->listIndex(), 2);

        // The empty space below the entries picks nothing and keeps the selection.
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(10, box->viewport()->height() - 2));
        QCOMPARE(clicks.count(), 4);
        QCOMPARE(box->listIndex(), 2);
        // Nor does anything done from code.
        box->setListIndex(0);
        QCOMPARE(box->listIndex(), 0);
        box->setListIndex(-1);
        QCOMPARE(box->listIndex(), -1);
        box->setListIndex(3);
        box->refresh();
        box->setPath(QDir::rootPath());
        QCOMPARE(clicks.count(), 4);
    }

    void dirListShowsChainAndChildren()
    {
        const QString drive = m_dir.filePath(u"drive"_s);
        const QString folder = drive + u"/Drawings"_s;
        for (const char* sub : {"beta", "Alpha", ".hidden", "Gamma", "alpha2"})
            QVERIFY(QDir().mkpath(folder + u'/' + QLatin1String(sub)));
        QVERIFY(touch(folder, "file.bmp"));
        Drives::setListForTesting(QList<Drive>{{"/", "/", ""}, {drive, drive + u'/', ""}});
        DirListBox box;
        QVERIFY(!box.setPath(folder));
        QCOMPARE(box.path(), folder);
        QCOMPARE(rowsOf(box), QStringList({drive + u'/', "Drawings", "Alpha", "alpha2", "beta", "Gamma"}));
        QCOMPARE(box.currentIndex().row(), 1);
        QVERIFY(!box.setPath(drive));
        QCOMPARE(box.path(), drive + u'/');
        QCOMPARE(rowsOf(box), QStringList({drive + u'/', "Drawings"}));
        QCOMPARE(box.currentIndex().row(), 0);
    }

    void dirListChangesOnlyOnActualChange()
    {
        const QString folder = m_dir.filePath(u"nav/A"_s);
        QVERIFY(QDir().mkpath(folder + u"/B"_s));
        DirListBox box;
        QVERIFY(!box.setPath(folder));
        QSignalSpy changes(&box, &DirListBox::change);
        QVERIFY(!box.setPath(folder + u"/"_s));
        QVERIFY(!box.setPath(folder + u"/B/.."_s));
        QCOMPARE(changes.count(), 0);
        QVERIFY(!box.setPath(folder + u"/B"_s));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(box.path(), folder + u"/B"_s);
        const std::optional<Failure> failure = box.setPath(folder + u"/missing"_s);
        QVERIFY(failure);
        QVERIFY(failure->description.contains(folder + u"/missing"_s));
        QCOMPARE(box.path(), folder + u"/B"_s);
        QCOMPARE(changes.count(), 1);
        // The root of a drive that is gone is an unavailable device; a missing folder was not.
        const QString stick = m_dir.filePath(u"nav/stick"_s);
        Drives::setListForTesting(QList<Drive>{{u"/"_s, u"/"_s, {}}, {stick, stick + u'/', {}}});
        QCOMPARE(box.setPath(stick + u'/').value_or(Failure{}).number, Failure::DeviceUnavailable);
        QCOMPARE(failure->number, ENOENT);
    }

    void dirListOpensOnEnterAndDoubleClick()
    {
        const QString folder = m_dir.filePath(u"open"_s);
        QVERIFY(QDir().mkpath(folder + u"/one/two"_s));
        DirListBox box;
        QVERIFY(!box.setPath(folder));
        box.resize(300, 400);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy changes(&box, &DirListBox::change);
        const auto row = [&box](const char* name) {
            return box.model()->index(int(rowsOf(box).indexOf(name)), 0);
        };

        box.setCurrentIndex(row("one"));
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(box.path(), folder + u"/one"_s);
        QCOMPARE(changes.count(), 1);
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, box.visualRect(row("two")).center());
        QCOMPARE(box.path(), folder + u"/one"_s);
        QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, box.visualRect(row("two")).center());
        QCOMPARE(box.path(), folder + u"/one/two"_s);
        QCOMPARE(changes.count(), 2);

        // A folder that vanished after listing is reported, and the list stays where it was.
        QVERIFY(!box.setPath(folder + u"/one"_s));
        QVERIFY(QDir(folder + u"/one/two"_s).removeRecursively());
        QStringList prompts;
        MessageBox::setResponder([&](const MessageBox::Shown& shown) {
            prompts.append(shown.prompt);
            return 1;
        });
        box.setCurrentIndex(row("two"));
        QTest::keyClick(&box, Qt::Key_Enter);
        QCOMPARE(prompts.size(), 1);
        QVERIFY(prompts[0].contains(folder + u"/one/two"_s));
        QCOMPARE(box.path(), folder + u"/one"_s);
    }

    void driveListEmitsOnlyOnChange()
    {
        Drives::setListForTesting(
            QList<Drive>{{"/", "/", ""}, {"/media/a", "/media/a/", "STICK"}, {"/media/b", "/media/b/", ""}});
        DriveListBox box;
        QCOMPARE(box.count(), 3);
        QCOMPARE(box.itemText(1), u"/media/a/  [STICK]"_s);
        QSignalSpy changes(&box, &DriveListBox::change);
        box.setDrive(u"/media/a"_s);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(box.drive(), u"/media/a"_s);
        QCOMPARE(box.currentIndex(), 1);
        box.setDrive(u"/media/a"_s);
        box.setDrive(u"/media/nowhere"_s);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(box.drive(), u"/media/a"_s);
        QTest::keyClick(&box, Qt::Key_Down); // a pick by the user
        QCOMPARE(changes.count(), 2);
        QCOMPARE(box.drive(), u"/media/b"_s);
        // The handler sees the new drive when it runs, nested in the assignment.
        QString seen;
        connect(&box, &DriveListBox::change, this, [&] { seen = box.drive(); });
        box.setDrive(u"/"_s);
        QCOMPARE(seen, u"/"_s);
    }
};

QTEST_MAIN(TestListBoxes)
#include "tst_listboxes.moc"
