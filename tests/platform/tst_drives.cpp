#include "platform/Drives.h"
#include "platform/Failure.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <unistd.h>

using namespace vorlin;

class TestDrives : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QGuiApplication::setApplicationDisplayName(QStringLiteral("Vorlin")); }
    void init() { m_cwd = QDir::currentPath(); }
    void cleanup()
    {
        Drives::setListForTesting(std::nullopt);
        MessageBox::clearResponder();
        QDir::setCurrent(m_cwd);
    }

    void failureFromErrno_data();
    void failureFromErrno();
    void mountInfoKeepsRealStorage();
    void mountInfoWithoutRootStillStartsWithRoot();
    void labelsAreDecodedFromLinkNames();
    void realListStartsWithRoot();
    void keyOfTakesLongestPrefixOnComponentBoundary_data();
    void keyOfTakesLongestPrefixOnComponentBoundary();
    void settingCurrentDriveAndDirectory();
    void responderRecordsBoxes();
    void realBoxAnswers_data();
    void realBoxAnswers();

private:
    QString m_cwd;
};

void TestDrives::failureFromErrno_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<bool>("onDriveRoot");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");

    const QString noEntry = QStringLiteral("Cannot open \"/media/x\": %1.").arg(qt_error_string(ENOENT));
    const QString denied = QStringLiteral("Cannot open \"/media/x\": %1.").arg(qt_error_string(EACCES));
    const QString unavailable = QStringLiteral("Device unavailable: \"/media/x\".");
    QTest::newRow("missing folder keeps errno") << ENOENT << false << ENOENT << noEntry;
    QTest::newRow("missing drive root is unavailable") << ENOENT << true << 68 << unavailable;
    QTest::newRow("no medium on drive root") << ENOMEDIUM << true << 68 << unavailable;
    QTest::newRow("I/O error on drive root") << EIO << true << 68 << unavailable;
    QTest::newRow("stale network root") << ESTALE << true << 68 << unavailable;
    QTest::newRow("permission denied on a root is not a missing device")
        << EACCES << true << EACCES << denied;
}

void TestDrives::failureFromErrno()
{
    QFETCH(int, err);
    QFETCH(bool, onDriveRoot);
    const Failure failure = Failure::fromErrno(err, QStringLiteral("/media/x"), onDriveRoot);
    QTEST(failure.number, "number");
    QTEST(failure.description, "description");
}

void TestDrives::mountInfoKeepsRealStorage()
{
    // A desktop with a stick whose mount point holds a space, a snap, a container overlay and a
    // shadowed automount.
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
    const QHash<QString, QString> labels{{QStringLiteral("/dev/sdb1"), QStringLiteral("STICK")},
                                         {QStringLiteral("/dev/sda2"), QStringLiteral("system")}};
    QStringList probed;
    const QList<Drive> drives = Drives::fromMountInfo(
        text, [&](const QString& source) { return labels.value(source); },
        [&](const QString& mountPoint) {
            probed.append(mountPoint);
            return mountPoint != QLatin1String("/etc/hosts");
        });

    QStringList keys, roots, shown;
    for (const Drive& drive : drives) {
        keys.append(drive.key);
        roots.append(drive.root);
        shown.append(drive.displayText());
    }
    QCOMPARE(keys, QStringList({"/", "/boot/efi", "/home/me/back\\slash", "/media/me/My Stick", "/mnt/nas",
                                "/mnt/ssh", "/run/media/me/CAM"}));
    QCOMPARE(roots.at(3), QStringLiteral("/media/me/My Stick/"));
    QCOMPARE(shown.at(0), QStringLiteral("/  [system]"));
    QCOMPARE(shown.at(3), QStringLiteral("/media/me/My Stick/  [STICK]"));
    QCOMPARE(shown.at(1), QStringLiteral("/boot/efi/"));
    // Network mount points are never probed: a server that does not answer would hang the list.
    QVERIFY(!probed.contains(QStringLiteral("/mnt/nas")));
    QVERIFY(!probed.contains(QStringLiteral("/mnt/ssh")));
}

void TestDrives::mountInfoWithoutRootStillStartsWithRoot()
{
    const QList<Drive> drives = Drives::fromMountInfo("30 1 8:17 / /media/a rw - ext4 /dev/sdb1 rw\n"
                                                      "garbage line\n"
                                                      "\n");
    QCOMPARE(drives.size(), 2);
    QCOMPARE(drives.at(0).key, QStringLiteral("/"));
    QCOMPARE(drives.at(0).root, QStringLiteral("/"));
    QCOMPARE(drives.at(1).key, QStringLiteral("/media/a"));
}

void TestDrives::labelsAreDecodedFromLinkNames()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("by-label")));
    QFile device(dir.filePath(QStringLiteral("sdz1")));
    QVERIFY(device.open(QIODevice::WriteOnly));
    device.close();
    QVERIFY(QFile::link(QStringLiteral("../sdz1"), dir.filePath(QStringLiteral("by-label/My\\x20Stick"))));
    QVERIFY(QFile::link(QStringLiteral("../gone"), dir.filePath(QStringLiteral("by-label/GONE"))));

    const QHash<QString, QString> labels = Drives::labelsByDevice(dir.filePath(QStringLiteral("by-label")));
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.value(QFileInfo(device).canonicalFilePath()), QStringLiteral("My Stick"));
}

void TestDrives::realListStartsWithRoot()
{
    const QList<Drive> drives = Drives::list();
    QVERIFY(!drives.isEmpty());
    QCOMPARE(drives.first().key, QStringLiteral("/"));
    for (const Drive& drive : drives)
        QVERIFY2(drive.root.endsWith(QLatin1Char('/')), qPrintable(drive.root));
}

void TestDrives::keyOfTakesLongestPrefixOnComponentBoundary_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("key");
    QTest::newRow("drive's own folder") << "/media/usb"
                                        << "/media/usb";
    QTest::newRow("drive root with separator") << "/media/usb/"
                                               << "/media/usb";
    QTest::newRow("folder on the drive") << "/media/usb/Drawings/Locos"
                                         << "/media/usb";
    QTest::newRow("longer drive wins") << "/media/usb2/x"
                                       << "/media/usb2";
    QTest::newRow("name prefix is not a folder prefix") << "/media/usbx/y"
                                                        << "/";
    QTest::newRow("parent of a drive") << "/media"
                                       << "/";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("dot-dot leaves the drive") << "/media/usb/../other"
                                              << "/";
}

void TestDrives::keyOfTakesLongestPrefixOnComponentBoundary()
{
    Drives::setListForTesting(QList<Drive>{
        {"/", "/", ""}, {"/media/usb", "/media/usb/", ""}, {"/media/usb2", "/media/usb2/", "TWO"}});
    QFETCH(QString, path);
    QTEST(Drives::keyOf(path), "key");
}

void TestDrives::settingCurrentDriveAndDirectory()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString stick = dir.filePath(QStringLiteral("stick"));
    const QString unplugged = dir.filePath(QStringLiteral("unplugged"));
    QVERIFY(QDir().mkdir(stick));
    Drives::setListForTesting(
        QList<Drive>{{"/", "/", ""}, {stick, stick + "/", ""}, {unplugged, unplugged + "/", ""}});
    const QString before = currentDirectory();

    const std::optional<Failure> gone = setCurrentDrive(unplugged);
    QVERIFY(gone);
    QCOMPARE(gone->number, Failure::DeviceUnavailable);
    QVERIFY(gone->description.contains(unplugged));
    QCOMPARE(currentDirectory(), before);

    QVERIFY(!setCurrentDrive(stick));
    QCOMPARE(QDir::currentPath(), QFileInfo(stick).canonicalFilePath());

    // A missing folder that is not a drive's root keeps the system's error.
    const std::optional<Failure> missing = setCurrentDirectory(unplugged + "/sub");
    QVERIFY(missing);
    QCOMPARE(missing->number, ENOENT);
    QVERIFY(missing->description.contains(unplugged + "/sub"));

    QVERIFY(!setCurrentDirectory(QStringLiteral("/")));
    QCOMPARE(currentDirectory(), QStringLiteral("/"));
}

void TestDrives::responderRecordsBoxes()
{
    QList<MessageBox::Shown> shown;
    MessageBox::setResponder([&](const MessageBox::Shown& box) {
        shown.append(box);
        return int(MessageBox::Cancel);
    });

    QCOMPARE(MessageBox::show(QStringLiteral("Device NOT available!"), 48, QStringLiteral("Quenta")),
             int(MessageBox::Cancel));
    MessageBox::show(QStringLiteral("This will end the program's session"), 49);
    MessageBox::reportError(Failure{5, QStringLiteral("Cannot open \"/x\": Input/output error.")});

    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].title, QStringLiteral("Quenta"));
    QCOMPARE(shown[1].prompt, QStringLiteral("This will end the program's session"));
    QCOMPARE(shown[1].style, 49);
    QCOMPARE(shown[1].title, QStringLiteral("Vorlin"));
    QCOMPARE(shown[2].prompt, QStringLiteral("Cannot open \"/x\": Input/output error."));
    QCOMPARE(shown[2].style, 16);
    QCOMPARE(shown[2].title, QStringLiteral("Vorlin"));
}

void TestDrives::realBoxAnswers_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    QTest::newRow("OK only, Enter") << 0 << int(Qt::Key_Return) << 1;
    QTest::newRow("OK only, Escape still answers OK") << 48 << int(Qt::Key_Escape) << 1;
    QTest::newRow("OK and Cancel, Enter presses OK") << 49 << int(Qt::Key_Return) << 1;
    QTest::newRow("OK and Cancel, Escape cancels") << 49 << int(Qt::Key_Escape) << 2;
}

void TestDrives::realBoxAnswers()
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
    QTEST(MessageBox::show(QStringLiteral("Question?"), style), "answer");
    QCOMPARE(title, QStringLiteral("Vorlin"));
}

QTEST_MAIN(TestDrives)
#include "tst_drives.moc"
