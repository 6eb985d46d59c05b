// Drives: the failure a drive gives, which volumes are drives, the drive of a path, and the real
// message box's answers.
#include "platform/Drives.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <cerrno>

using namespace vorlin;
using namespace Qt::StringLiterals;

class TestDrives : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QGuiApplication::setApplicationDisplayName(u"Vorlin"_s); }
    void cleanup() { Drives::setListForTesting(std::nullopt); }

    void failureFromErrno_data()
    {
        QTest::addColumn<int>("err");
        QTest::addColumn<bool>("onDriveRoot");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        const QString noEntry = u"Cannot open \"/media/x\": %1."_s.arg(qt_error_string(ENOENT));
        const QString denied = u"Cannot open \"/media/x\": %1."_s.arg(qt_error_string(EACCES));
        const QString unavailable = u"Device unavailable: \"/media/x\"."_s;
        QTest::newRow("missing folder keeps errno") << ENOENT << false << ENOENT << noEntry;
        QTest::newRow("missing drive root is unavailable") << ENOENT << true << 68 << unavailable;
        QTest::newRow("no medium on drive root") << ENOMEDIUM << true << 68 << unavailable;
        QTest::newRow("I/O error on drive root") << EIO << true << 68 << unavailable;
        QTest::newRow("stale network root") << ESTALE << true << 68 << unavailable;
        QTest::newRow("permission denied on a root is not a missing device")
            << EACCES << true << EACCES << denied;
    }

    void failureFromErrno()
    {
        QFETCH(int, err);
        QFETCH(bool, onDriveRoot);
        const Failure failure = Failure::fromErrno(err, u"/media/x"_s, onDriveRoot);
        QTEST(failure.number, "number");
        QTEST(failure.description, "description");
    }

    void drivesFromVolumes_data()
    {
        QTest::addColumn<QList<Volume>>("volumes");
        QTest::addColumn<QStringList>("drives"); // key | root | list entry
        QTest::newRow("root first, then the mounts by path, each with its label")
            << QList<Volume>{{u"/media/me/My Stick"_s, "vfat", u"STICK"_s},
                             {u"/"_s, "ext4", u"system"_s},
                             {u"/boot/efi"_s, "vfat", {}}}
            << QStringList{u"/ | / | /  [system]"_s, u"/boot/efi | /boot/efi/ | /boot/efi/"_s,
                           u"/media/me/My Stick | /media/me/My Stick/ | /media/me/My Stick/  [STICK]"_s};
        QTest::newRow("memory, package images, containers, system mounts and unresolved mounts out")
            << QList<Volume>{{u"/"_s, "ext4", {}},
                             {u"/tmp"_s, "tmpfs", {}},
                             {u"/snap/core/16202"_s, "squashfs", {}},
                             {u"/var/lib/docker/overlay2/x/merged"_s, "overlay", {}},
                             {u"/mnt/nas"_s, "autofs", {}},
                             {u"/run/user/1000/gvfs"_s, "fuse.gvfsd-fuse", {}},
                             {QString(), "fuse.sshfs", {}}}
            << QStringList{u"/ | / | /"_s};
        QTest::newRow("removable media, images and network shares in; / even when not listed")
            << QList<Volume>{{u"/run/media/me/CAM"_s, "exfat", u"CAM"_s},
                             {u"/mnt/nas"_s, "nfs4", {}},
                             {u"/mnt/ssh"_s, "fuse.sshfs", {}},
                             {u"/media/me/DVD"_s, "iso9660", u"DVD"_s}}
            << QStringList{u"/ | / | /"_s, u"/media/me/DVD | /media/me/DVD/ | /media/me/DVD/  [DVD]"_s,
                           u"/mnt/nas | /mnt/nas/ | /mnt/nas/"_s, u"/mnt/ssh | /mnt/ssh/ | /mnt/ssh/"_s,
                           u"/run/media/me/CAM | /run/media/me/CAM/ | /run/media/me/CAM/  [CAM]"_s};
        QTest::newRow("a later mount on the same folder hides the earlier one")
            << QList<Volume>{{u"/"_s, "ext4", {}},
                             {u"/media/x"_s, "ext4", u"OLD"_s},
                             {u"/media/x"_s, "vfat", u"NEW"_s}}
            << QStringList{u"/ | / | /"_s, u"/media/x | /media/x/ | /media/x/  [NEW]"_s};
        QTest::newRow("drive letters lower-case with their label, one without medium too")
            << QList<Volume>{{u"A:/"_s, "", {}},
                             {u"C:/"_s, "NTFS", u"SYSTEM"_s},
                             {u"E:/"_s, "FAT32", u"STICK"_s}}
            << QStringList{u"A | A:\\ | a:"_s, u"C | C:\\ | c:  [SYSTEM]"_s, u"E | E:\\ | e:  [STICK]"_s};
    }

    void drivesFromVolumes()
    {
        QFETCH(QList<Volume>, volumes);
        QStringList drives;
        for (const Drive& drive : Drives::fromVolumes(volumes))
            drives.append(drive.key + u" | "_s + drive.root + u" | "_s + drive.displayText());
        QTEST(drives, "drives");
    }

    void thisMachinesDrivesStartAtRoot()
    {
        const QList<Drive> drives = Drives::list();
        QVERIFY(!drives.isEmpty());
        QCOMPARE(drives.first().key, u"/"_s);
    }

    void keyOfTakesLongestPrefixOnComponentBoundary_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("key");
        QTest::newRow("drive's own folder") << u"/media/usb"_s << u"/media/usb"_s;
        QTest::newRow("drive root with separator") << u"/media/usb/"_s << u"/media/usb"_s;
        QTest::newRow("folder on the drive") << u"/media/usb/Drawings/Locos"_s << u"/media/usb"_s;
        QTest::newRow("longer drive wins") << u"/media/usb2/x"_s << u"/media/usb2"_s;
        QTest::newRow("name prefix is not a folder prefix") << u"/media/usbx/y"_s << u"/"_s;
        QTest::newRow("parent of a drive") << u"/media"_s << u"/"_s;
        QTest::newRow("root") << u"/"_s << u"/"_s;
        QTest::newRow("dot-dot leaves the drive") << u"/media/usb/../other"_s << u"/"_s;
    }

    void keyOfTakesLongestPrefixOnComponentBoundary()
    {
        Drives::setListForTesting(QList<Drive>{
            {"/", "/", ""}, {"/media/usb", "/media/usb/", ""}, {"/media/usb2", "/media/usb2/", "TWO"}});
        QFETCH(QString, path);
        QTEST(Drives::keyOf(path), "key");
    }

    void realBoxAnswers_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("OK only, Enter") << 0 << int(Qt::Key_Return) << 1;
        QTest::newRow("OK only, Escape still answers OK") << 48 << int(Qt::Key_Escape) << 1;
        QTest::newRow("OK and Cancel, Enter presses OK") << 49 << int(Qt::Key_Return) << 1;
        QTest::newRow("OK and Cancel, Escape cancels") << 49 << int(Qt::Key_Escape) << 2;
    }

    void realBoxAnswers()
    {
        QFETCH(int, style);
        QFETCH(int, key);
        QString title;
        QTimer::singleShot(0, this, [&] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            title = box->windowTitle();
            QTest::keyClick(box, Qt::Key(key));
        });
        QTEST(MessageBox::show(u"Question?"_s, style), "answer");
        QCOMPARE(title, u"Vorlin"_s);
    }
};

QTEST_MAIN(TestDrives)
#include "tst_drives.moc"
