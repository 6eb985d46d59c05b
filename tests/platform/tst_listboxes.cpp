// The file, folder and drive lists: what they list, in what order, and when they emit; which volumes
// are drives and which drive a path is on; what each style of message box shows.
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/FileListBox.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

using namespace vorlin;
using namespace Qt::StringLiterals;

// Each row's text; "*" marks the current row. Which rows show the open folder's icon, the window's
// reference pictures show.
static QStringList rowsOf(const QListView& list)
{
    QStringList rows;
    for (int i = 0; i < list.model()->rowCount(); ++i) {
        const QModelIndex row = list.model()->index(i, 0);
        rows.append(row.data().toString() + QString(row == list.currentIndex(), u'*'));
    }
    return rows;
}

class TestListBoxes : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        // Created against the order they sort in.
        for (const QString& name :
             u"Été.bmp écu.bmp r.txt drawing_B.bmp drawing_a.bmp drawing_9.bmp drawing_10.bmp c.dib "
             u"bmp b.Bmp B.bmp .hidden.bmp"_s.split(u' '))
            QVERIFY(QFile(m_dir.filePath(name)).open(QIODevice::WriteOnly));
        QVERIFY(QDir(m_dir.path()).mkdir(u"x.bmp"_s));
        QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath(u"fifo.bmp"_s)).constData(), 0644), 0);
        QVERIFY(QFile::link(u"b.Bmp"_s, m_dir.filePath(u"link.bmp"_s)));
    }
    void cleanup() { Drives::setListForTesting(std::nullopt); }

    void fileListFiltersAndSorts_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("names");
        // Names equal but for case keep a fixed order; non-ASCII letters sort by their folded code.
        const QStringList bitmaps = u".hidden.bmp B.bmp b.Bmp drawing_10.bmp drawing_9.bmp drawing_a.bmp "
                                    u"drawing_B.bmp link.bmp écu.bmp Été.bmp"_s.split(u' ');
        QTest::newRow("bmp: case ignored, links to files in; folders and FIFOs out") << u"*.bmp"_s << bitmaps;
        QTest::newRow("everything: names without a dot too")
            << u"*.*"_s
            << u".hidden.bmp B.bmp b.Bmp bmp c.dib drawing_10.bmp drawing_9.bmp drawing_a.bmp drawing_B.bmp "
               u"link.bmp r.txt écu.bmp Été.bmp"_s.split(u' ');
        QTest::newRow("wildcards in the stem") << u"?.bmp"_s << QStringList{u"B.bmp"_s, u"b.Bmp"_s};
        QTest::newRow("two patterns, a wildcard in the extension")
            << u"*.di?;*.txt"_s << QStringList{u"c.dib"_s, u"r.txt"_s};
    }

    void fileListFiltersAndSorts()
    {
        QFETCH(QString, pattern);
        FileListBox box;
        box.setPath(m_dir.path()); // the pattern set later applies too
        box.setPattern(pattern);
        QTEST(rowsOf(box), "names");
        // Picked from code, a row past the end is ignored.
        box.setListIndex(0);
        box.setListIndex(box.listCount());
        QCOMPARE(box.listIndex(), 0);
    }

    void fileListRereadsOnLaterEventsAndRefresh()
    {
        QTemporaryDir dir;
        FileListBox first, later;
        QVERIFY(QFile(dir.filePath(u"one"_s)).open(QIODevice::WriteOnly));
        first.setPath(dir.path());
        QVERIFY(QFile(dir.filePath(u"two"_s)).open(QIODevice::WriteOnly));
        // The lists share one reading of a folder within an event; a later event or a refresh reads anew.
        QCoreApplication::processEvents();
        later.setPath(dir.path());
        QCOMPARE(later.listCount(), 2);
        QVERIFY(QFile(dir.filePath(u"three"_s)).open(QIODevice::WriteOnly));
        first.refresh();
        QCOMPARE(rowsOf(first), (QStringList{u"one"_s, u"three"_s, u"two"_s}));
    }

    void dirListOpensFoldersAndReportsFailures()
    {
        QTemporaryDir dir;
        const QString drive = dir.filePath(u"drive"_s), folder = drive + u"/Drawings"_s;
        for (const char* sub : {"beta", "Alpha", ".hidden", "Gamma", "alpha2", "x."})
            QVERIFY(QDir().mkpath(folder + u'/' + QLatin1String(sub)));
        QVERIFY(QFile(folder + u"/file.bmp"_s).open(QIODevice::WriteOnly));
        Drives::setListForTesting(QList<Drive>{
            {"/", "/", ""}, {drive, drive + u'/', ""}, {drive + "/stick", drive + "/stick/", ""}});
        DirListBox box;
        QVERIFY(!box.setPath(folder + u"/beta/.."_s));
        // The chain down from the drive's root, the open folder current, then the subfolders but
        // dot folders, ignoring case.
        QCOMPARE(rowsOf(box),
                 QStringList{drive + u"/"_s} + u"Drawings* Alpha alpha2 beta Gamma x."_s.split(u' '));
        QSignalSpy changes(&box, &DirListBox::change);
        QVERIFY(!box.setPath(folder + u'/'));
        QCOMPARE(box.setPath(folder + u"/missing"_s).value_or(Failure{}).number, ENOENT);
        QCOMPARE(box.setPath(drive + u"/stick"_s).value_or(Failure{}).number, Failure::DeviceUnavailable);
        QCOMPARE(changes.count(), 0);

        box.setCurrentIndex(box.model()->index(1, 0));
        QTest::keyClick(&box, Qt::Key_Down); // moves, opens nothing
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(rowsOf(box), (QStringList{drive + u"/"_s, u"Drawings"_s, u"Alpha*"_s}));
        emit box.doubleClicked(box.model()->index(1, 0)); // as a double click on Drawings
        QCOMPARE(rowsOf(box).at(1), u"Drawings*"_s);
    }

    void driveListChangesOnlyOnAnotherDrive()
    {
        Drives::setListForTesting(QList<Drive>{{"/media/a", "/media/a/", {}}, {"/", "/", {}}});
        DriveListBox box;
        QSignalSpy changes(&box, &DriveListBox::change);
        box.setDrive("/media/a/"); // a drive's root names it too
        box.setDrive("/media/a");
        box.setDrive("/media/nowhere");
        box.showPopup(); // and picked again from the list
        QTest::keyClick(box.view(), Qt::Key_Return);
        box.refresh();
        QCOMPARE(changes.count(), 1);
        QCOMPARE(box.drive(), u"/media/a"_s);
        box.showPopup(); // another one picked from the list
        QTest::keyClick(box.view(), Qt::Key_Down);
        QTest::keyClick(box.view(), Qt::Key_Return);
        QCOMPARE(changes.count(), 2);
        // Once the drive in use is gone, the one holding the current folder shows, with no change.
        box.setDrive("/media/a");
        Drives::setListForTesting(QList<Drive>{{"/", "/", {}}});
        box.refresh();
        QCOMPARE(changes.count(), 3);
        QCOMPARE(box.drive(), u"/"_s);
    }

    // Each style's icon, and its buttons: Escape answers Cancel (2) where there is one, else OK (1).
    void messageBoxesShowTheirStyle()
    {
        QStringList shown;
        for (int style : {0, 1, 16, 32, 48, 49, 64}) {
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                shown << QLatin1String(QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon()));
                QTest::keyClick(box, Qt::Key_Escape);
            });
            shown << QString::number(MessageBox::show(u"?"_s, style));
        }
        QCOMPARE(shown.join(u' '),
                 u"NoIcon 1 NoIcon 2 Critical 1 Question 1 Warning 1 Warning 2 Information 1"_s);
    }

    void drivesFromVolumes_data()
    {
        QTest::addColumn<QList<Volume>>("volumes");
        QTest::addColumn<QStringList>("drives"); // key | list entry
        QTest::newRow("/ first, then the mounts by path, each with its label")
            << QList<Volume>{{"/media/st", "vfat", "ST"}, {"/", "ext4", "sys"}, {"/boot/efi", "vfat", {}}}
            << QStringList{"/ | /  [sys]", "/boot/efi | /boot/efi/", "/media/st | /media/st/  [ST]"};
        QTest::newRow("memory, package images and mounts without a folder out; / there unlisted")
            << QList<Volume>{{"/tmp", "tmpfs", {}}, {"/snap/core/1", "squashfs", {}}, {{}, "fuse.sshfs", {}}}
            << QStringList{"/ | /"};
        QTest::newRow("system mount under /run out, removable media under /run/media in")
            << QList<Volume>{{"/run/user/1/gvfs", "fuse.gvfsd-fuse", {}}, {"/run/media/CAM", "exfat", "CAM"}}
            << QStringList{"/ | /", "/run/media/CAM | /run/media/CAM/  [CAM]"};
        QTest::newRow("a later mount on the same folder wins")
            << QList<Volume>{{"/media/x", "ext4", "OLD"}, {"/media/x", "vfat", "NEW"}}
            << QStringList{"/ | /", "/media/x | /media/x/  [NEW]"};
        QTest::newRow("drive letters lower-case, one without a medium listed too")
            << QList<Volume>{{"A:/", "", {}}, {"C:/", "NTFS", "SYSTEM"}}
            << QStringList{"A | a:", "C | c:  [SYSTEM]"};
    }

    void drivesFromVolumes()
    {
        QFETCH(QList<Volume>, volumes);
        QStringList drives;
        for (const Drive& drive : Drives::fromVolumes(volumes))
            drives.append(drive.key + u" | "_s + drive.displayText());
        QTEST(drives, "drives");
    }

    void keyOfTakesLongestDriveOnFolderBoundary_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("key");
        QTest::newRow("the deeper of two nested drives") << u"/media/usb/deep/x"_s << u"/media/usb/deep"_s;
        QTest::newRow("name prefix is not a folder prefix") << u"/media/usbx/y"_s << u"/"_s;
        QTest::newRow("dot-dot leaves the drive") << u"/media/usb/../other"_s << u"/"_s;
    }

    void keyOfTakesLongestDriveOnFolderBoundary()
    {
        Drives::setListForTesting(QList<Drive>{
            {"/", "/", {}}, {"/media/usb/deep", "/media/usb/deep/", {}}, {"/media/usb", "/media/usb/", {}}});
        QFETCH(QString, path);
        QTEST(Drives::keyOf(path), "key");
    }
};

QTEST_MAIN(TestListBoxes)
#include "tst_listboxes.moc"
