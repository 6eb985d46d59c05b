// Drives: the failure a drive gives, which mounts are drives, their labels, the drive of a path,
// and the real message box's answers.
#include "platform/Drives.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
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

    // A desktop with a stick whose mount point holds a space, a snap, a container overlay and a
    // shadowed automount.
    void mountInfoKeepsRealStorage()
    {
        const QByteArray text = "22 1 0:21 / /proc rw - proc proc rw\n"
                                "23 1 0:22 / /sys rw - sysfs sysfs rw\n"
                                "24 1 0:6 / /dev rw - devtmpfs udev rw\n"
                                "25 1 0:23 / /run rw - tmpfs tmpfs rw\n"
                                "26 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
                                "27 26 8:1 / /boot/efi rw shared:2 - vfat /dev/sda1 rw\n"
                                "28 26 0:40 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
                                "29 26 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
                                "30 26 8:17 / /media/me/My\\040Stick rw shared:3 - vfat /dev/sdb1 rw\n"
                                "31 26 0:50 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
                                "32 25 0:51 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
                                "33 25 8:33 / /run/media/me/CAM rw - exfat /dev/sdc1 rw\n"
                                "34 26 0:52 / /mnt/nas rw - autofs systemd-1 rw\n"
                                "35 34 0:53 / /mnt/nas rw master:4 - nfs4 nas:/export rw\n"
                                "36 26 8:2 /srv/etc/hosts /etc/hosts rw - ext4 /dev/sda2 rw\n"
                                "37 26 8:2 /data /home/me/back\\134slash rw - btrfs /dev/sda3 rw\n"
                                "38 26 0:54 / /tmp rw - tmpfs tmpfs rw\n"
                                "39 26 0:55 / /mnt/ssh rw - fuse.sshfs me@host:/ rw\n";
        const QHash<QString, QString> labels{{u"/dev/sdb1"_s, u"STICK"_s}, {u"/dev/sda2"_s, u"system"_s}};
        QStringList probed;
        const QList<Drive> drives = Drives::fromMountInfo(
            text, [&](const QString& source) { return labels.value(source); },
            [&](const QString& mountPoint) {
                probed.append(mountPoint);
                return mountPoint != "/etc/hosts"_L1;
            });
        QStringList keys;
        for (const Drive& drive : drives)
            keys.append(drive.key);
        QCOMPARE(keys, QStringList({"/", "/boot/efi", "/home/me/back\\slash", "/media/me/My Stick",
                                    "/mnt/nas", "/mnt/ssh", "/run/media/me/CAM"}));
        QCOMPARE(drives[3].root, u"/media/me/My Stick/"_s);
        QCOMPARE(drives[0].displayText(), u"/  [system]"_s);
        QCOMPARE(drives[3].displayText(), u"/media/me/My Stick/  [STICK]"_s);
        QCOMPARE(drives[1].displayText(), u"/boot/efi/"_s);
        // Network mount points are never probed: a server that does not answer would hang the list.
        QVERIFY(!probed.contains(u"/mnt/nas"_s) && !probed.contains(u"/mnt/ssh"_s));

        // Without a root mount "/" still comes first; lines that are no mounts are skipped.
        const QList<Drive> bare =
            Drives::fromMountInfo("30 1 8:17 / /media/a rw - ext4 /dev/sdb1 rw\ngarbage line\n\n");
        QCOMPARE(bare.size(), 2);
        QCOMPARE(bare[0].key, u"/"_s);
        QCOMPARE(bare[0].root, u"/"_s);
        QCOMPARE(bare[1].key, u"/media/a"_s);

        // And so does this machine's own list.
        const QList<Drive> real = Drives::list();
        QVERIFY(!real.isEmpty());
        QCOMPARE(real.first().key, u"/"_s);
        for (const Drive& drive : real)
            QVERIFY2(drive.root.endsWith(u'/'), qPrintable(drive.root));
    }

    void labelsAreDecodedFromLinkNames()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"by-label"_s));
        QFile device(dir.filePath(u"sdz1"_s));
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.close();
        QVERIFY(QFile::link(u"../sdz1"_s, dir.filePath(u"by-label/My\\x20Stick"_s)));
        QVERIFY(QFile::link(u"../gone"_s, dir.filePath(u"by-label/GONE"_s)));
        const QHash<QString, QString> labels = Drives::labelsByDevice(dir.filePath(u"by-label"_s));
        QCOMPARE(labels, (QHash<QString, QString>{{QFileInfo(device).canonicalFilePath(), u"My Stick"_s}}));
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
