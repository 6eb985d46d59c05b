#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/FileListBox.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlin;

namespace {

bool touch(const QString& folder, const QByteArray& name)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

QStringList namesOf(const FileListBox& box)
{
    QStringList names;
    for (int i = 0; i < box.listCount(); ++i)
        names.append(box.list(i));
    return names;
}

QStringList rowsOf(const DirListBox& box)
{
    QStringList rows;
    for (int i = 0; i < box.model()->rowCount(); ++i)
        rows.append(box.model()->index(i, 0).data().toString());
    return rows;
}

} // namespace

class TestListBoxes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void fileListFilters_data();
    void fileListFilters();
    void fileListKeepsNonUtf8Bytes();
    void fileListSortsIgnoringCase();
    void fileListSortsPastALongCommonStart();
    void fileListRereadsOnPathAndRefresh();
    void fileListsShareOneReadingPerEvent();
    void fileListClicks();

    void dirListShowsChainAndChildren();
    void dirListChangesOnlyOnActualChange();
    void dirListOpensOnEnterAndDoubleClick();

    void driveListEmitsOnlyOnChange();

private:
    QTemporaryDir m_dir;
    QString m_files;
    QByteArray m_latin1Name = "caf\xe9.bmp";
};

void TestListBoxes::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_files = m_dir.filePath(QStringLiteral("files"));
    QVERIFY(QDir().mkpath(m_files));
    for (const char* name :
         {"a.bmp", "E626.BMP", "b.Bmp", ".hidden.bmp", "c.dib", "D.DIB", "readme.txt", "bmp"})
        QVERIFY(touch(m_files, name));
    QVERIFY(touch(m_files, m_latin1Name));
    QVERIFY(QDir(m_files).mkdir(QStringLiteral("x.bmp")));
    QVERIFY(::mkfifo(QFile::encodeName(m_files + "/fifo.bmp").constData(), 0644) == 0);
    QVERIFY(QFile::link(QStringLiteral("nowhere"), m_files + "/dangling.bmp"));
    QVERIFY(QFile::link(QStringLiteral("a.bmp"), m_files + "/link.bmp"));
    QVERIFY(QFile::link(QStringLiteral("x.bmp"), m_files + "/folderlink.bmp"));
}

void TestListBoxes::cleanupTestCase()
{
    // QDir cannot name this file to remove it.
    ::unlink((QFile::encodeName(m_files) + '/' + m_latin1Name).constData());
}

void TestListBoxes::cleanup()
{
    Drives::setListForTesting(std::nullopt);
    MessageBox::clearResponder();
}

void TestListBoxes::fileListFilters_data()
{
    const QString latin1 = QFile::decodeName(m_latin1Name);
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("bmp: case ignored, dotfiles and links to files in; folders, FIFOs, dangling links out")
        << "*.bmp" << QStringList{".hidden.bmp", "a.bmp", "b.Bmp", latin1, "E626.BMP", "link.bmp"};
    QTest::newRow("pattern in capitals")
        << "*.BMP" << QStringList{".hidden.bmp", "a.bmp", "b.Bmp", latin1, "E626.BMP", "link.bmp"};
    QTest::newRow("dib") << "*.dib" << QStringList{"c.dib", "D.DIB"};
    QTest::newRow("everything: names without a dot too")
        << "*.*" << QStringList{".hidden.bmp", "a.bmp", "b.Bmp",    "bmp",      "c.dib",
                                latin1,        "D.DIB", "E626.BMP", "link.bmp", "readme.txt"};
    QTest::newRow("wildcards in the stem") << "?.bmp" << QStringList{"a.bmp", "b.Bmp"};
    QTest::newRow("two patterns") << "*.dib;*.txt" << QStringList{"c.dib", "D.DIB", "readme.txt"};
}

void TestListBoxes::fileListFilters()
{
    QFETCH(QString, pattern);
    FileListBox box;
    box.setPattern(pattern);
    box.setPath(m_files);
    QTEST(namesOf(box), "names");
}

void TestListBoxes::fileListKeepsNonUtf8Bytes()
{
    FileListBox box;
    box.setPattern(QStringLiteral("*.bmp"));
    box.setPath(m_files);
    int row = -1;
    for (int i = 0; i < box.listCount(); ++i)
        if (box.listNative(i) == m_latin1Name)
            row = i;
    QVERIFY(row >= 0);
    QVERIFY(box.list(row).contains(QChar::ReplacementCharacter));
    // The bytes name the file itself, which its shown text cannot.
    QCOMPARE(::access((QFile::encodeName(m_files) + '/' + box.listNative(row)).constData(), F_OK), 0);
    QVERIFY(!QFile::exists(m_files + '/' + box.list(row)));
}

void TestListBoxes::fileListSortsIgnoringCase()
{
    QTemporaryDir dir;
    for (const char* name : {"Zeta.bmp", "beta.bmp", "alpha.bmp", "Beta.bmp", "_under.bmp", "10.bmp", "9.bmp",
                             "\xc3\x89t\xc3\xa9.bmp", "eta.bmp", "\xc3\xa9psilon.bmp"})
        QVERIFY(touch(dir.path(), name));
    FileListBox box;
    box.setPattern(QStringLiteral("*.bmp"));
    box.setPath(dir.path());
    // Names equal but for case keep a fixed order; non-ASCII letters sort by their folded code.
    QCOMPARE(namesOf(box), QStringList({"10.bmp", "9.bmp", "_under.bmp", "alpha.bmp", "Beta.bmp", "beta.bmp",
                                        "eta.bmp", "Zeta.bmp", QString::fromUtf8("\xc3\xa9psilon.bmp"),
                                        QString::fromUtf8("\xc3\x89t\xc3\xa9.bmp")}));
}

void TestListBoxes::fileListSortsPastALongCommonStart()
{
    // Names alike in their first eight letters, and names that begin with another name: the order
    // must come from the whole name, not its start.
    QTemporaryDir dir;
    for (const char* name : {"drawing_9.bmp", "drawing_10.bmp", "DRAWING_10.BMP", "Drawing_1.bmp",
                             "drawing_.bmp", "drawing.bmp", "drawin.bmp"})
        QVERIFY(touch(dir.path(), name));
    FileListBox box;
    box.setPattern(QStringLiteral("*.bmp"));
    box.setPath(dir.path());
    QCOMPARE(namesOf(box), QStringList({"drawin.bmp", "drawing.bmp", "drawing_.bmp", "Drawing_1.bmp",
                                        "DRAWING_10.BMP", "drawing_10.bmp", "drawing_9.bmp"}));
}

void TestListBoxes::fileListRereadsOnPathAndRefresh()
{
    QTemporaryDir dir;
    QVERIFY(touch(dir.path(), "one.bmp"));
    FileListBox box;
    box.setPattern(QStringLiteral("*.bmp"));
    box.setPath(dir.path());
    QCOMPARE(box.listCount(), 1);

    box.setPath(dir.filePath(QStringLiteral("missing")));
    QCOMPARE(box.listCount(), 0);
    QCOMPARE(box.list(0), QString());
    QCOMPARE(box.listNative(-1), QByteArray());

    box.setPath(dir.path());
    QVERIFY(touch(dir.path(), "two.bmp"));
    box.setListIndex(0);
    box.refresh();
    QCOMPARE(namesOf(box), QStringList({"one.bmp", "two.bmp"}));
    QCOMPARE(box.listIndex(), -1);
}

void TestListBoxes::fileListsShareOneReadingPerEvent()
{
    QTemporaryDir dir;
    QVERIFY(touch(dir.path(), "one.bmp"));
    FileListBox first, second, later;
    for (FileListBox* box : {&first, &second, &later})
        box->setPattern(QStringLiteral("*.bmp"));
    first.setPath(dir.path());
    QVERIFY(touch(dir.path(), "two.bmp"));

    // Within one event the lists opening a folder share one reading of it...
    second.setPath(dir.path());
    QCOMPARE(namesOf(second), QStringList({"one.bmp"}));
    // ...but a refresh, and any later event, read the folder as it is now.
    first.refresh();
    QCOMPARE(namesOf(first), QStringList({"one.bmp", "two.bmp"}));
    QVERIFY(touch(dir.path(), "three.bmp"));
    QCoreApplication::processEvents();
    later.setPath(dir.path());
    QCOMPARE(namesOf(later), QStringList({"one.bmp", "three.bmp", "two.bmp"}));
}

void TestListBoxes::fileListClicks()
{
    FileListBox box;
    box.setPattern(QStringLiteral("*.bmp"));
    box.setPath(m_files);
    box.resize(200, 300);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy clicks(&box, &FileListBox::click);

    // Arriving by keyboard picks nothing; the first Down picks the first file.
    box.activateWindow();
    box.setFocus(Qt::TabFocusReason);
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QCOMPARE(box.listIndex(), -1);
    QCOMPARE(clicks.count(), 0);
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(box.listIndex(), 0);
    QCOMPARE(clicks.count(), 1);
    clicks.clear();

    auto rowCentre = [&box](int row) {
        return box.visualRect(box.model()->index(row, 0)).center();
    };

    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, rowCentre(1));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(box.listIndex(), 1);

    // Clicking the picked entry again is a click as well.
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, rowCentre(1));
    QCOMPARE(clicks.count(), 2);

    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(clicks.count(), 3);
    QCOMPARE(box.listIndex(), 2);

    // The empty space below the entries picks nothing and keeps the selection.
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, QPoint(10, box.viewport()->height() - 2));
    QCOMPARE(clicks.count(), 3);
    QCOMPARE(box.listIndex(), 2);

    box.setListIndex(0);
    QCOMPARE(box.listIndex(), 0);
    box.setListIndex(-1);
    QCOMPARE(box.listIndex(), -1);
    box.setListIndex(3);
    box.refresh();
    box.setPath(QDir::rootPath());
    QCOMPARE(clicks.count(), 3);
}

void TestListBoxes::dirListShowsChainAndChildren()
{
    const QString drive = m_dir.filePath(QStringLiteral("drive"));
    const QString folder = drive + "/Drawings";
    for (const char* sub : {"beta", "Alpha", ".hidden", "Gamma", "alpha2"})
        QVERIFY(QDir().mkpath(folder + '/' + sub));
    QVERIFY(touch(folder, "file.bmp"));
    Drives::setListForTesting(QList<Drive>{{"/", "/", ""}, {drive, drive + "/", ""}});

    DirListBox box;
    QVERIFY(!box.setPath(folder));
    QCOMPARE(box.path(), folder);
    QCOMPARE(rowsOf(box), QStringList({drive + "/", "Drawings", "Alpha", "alpha2", "beta", "Gamma"}));
    QCOMPARE(box.currentIndex().row(), 1);

    QVERIFY(!box.setPath(drive));
    QCOMPARE(box.path(), drive + "/");
    QCOMPARE(rowsOf(box), QStringList({drive + "/", "Drawings"}));
    QCOMPARE(box.currentIndex().row(), 0);
}

void TestListBoxes::dirListChangesOnlyOnActualChange()
{
    const QString folder = m_dir.filePath(QStringLiteral("nav/A"));
    QVERIFY(QDir().mkpath(folder + "/B"));
    DirListBox box;
    QVERIFY(!box.setPath(folder));
    QSignalSpy changes(&box, &DirListBox::change);

    QVERIFY(!box.setPath(folder + "/"));
    QVERIFY(!box.setPath(folder + "/B/.."));
    QCOMPARE(changes.count(), 0);

    QVERIFY(!box.setPath(folder + "/B"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(box.path(), folder + "/B");

    const std::optional<Failure> failure = box.setPath(folder + "/missing");
    QVERIFY(failure);
    QVERIFY(failure->description.contains(folder + "/missing"));
    QCOMPARE(box.path(), folder + "/B");
    QCOMPARE(changes.count(), 1);
}

void TestListBoxes::dirListOpensOnEnterAndDoubleClick()
{
    const QString folder = m_dir.filePath(QStringLiteral("open"));
    QVERIFY(QDir().mkpath(folder + "/one/two"));
    DirListBox box;
    QVERIFY(!box.setPath(folder));
    box.resize(300, 400);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy changes(&box, &DirListBox::change);

    const int one = int(rowsOf(box).indexOf("one"));
    box.setCurrentIndex(box.model()->index(one, 0));
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(box.path(), folder + "/one");
    QCOMPARE(changes.count(), 1);

    const QModelIndex two = box.model()->index(int(rowsOf(box).indexOf("two")), 0);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, box.visualRect(two).center());
    QCOMPARE(box.path(), folder + "/one");
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, box.visualRect(two).center());
    QCOMPARE(box.path(), folder + "/one/two");
    QCOMPARE(changes.count(), 2);

    // A folder that vanished after listing is reported, and the list stays where it was.
    QVERIFY(!box.setPath(folder + "/one"));
    QVERIFY(QDir(folder + "/one/two").removeRecursively());
    QStringList prompts;
    MessageBox::setResponder([&](const MessageBox::Shown& shown) {
        prompts.append(shown.prompt);
        return 1;
    });
    box.setCurrentIndex(box.model()->index(int(rowsOf(box).indexOf("two")), 0));
    QTest::keyClick(&box, Qt::Key_Enter);
    QCOMPARE(prompts.size(), 1);
    QVERIFY(prompts[0].contains(folder + "/one/two"));
    QCOMPARE(box.path(), folder + "/one");
}

void TestListBoxes::driveListEmitsOnlyOnChange()
{
    Drives::setListForTesting(
        QList<Drive>{{"/", "/", ""}, {"/media/a", "/media/a/", "STICK"}, {"/media/b", "/media/b/", ""}});
    DriveListBox box;
    QCOMPARE(box.count(), 3);
    QCOMPARE(box.itemText(1), QStringLiteral("/media/a/  [STICK]"));
    QSignalSpy changes(&box, &DriveListBox::change);

    box.setDrive(QStringLiteral("/media/a"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(box.drive(), QStringLiteral("/media/a"));
    QCOMPARE(box.currentIndex(), 1);

    box.setDrive(QStringLiteral("/media/a"));
    box.setDrive(QStringLiteral("/media/nowhere"));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(box.drive(), QStringLiteral("/media/a"));

    // A pick by the user.
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(box.drive(), QStringLiteral("/media/b"));

    // The handler sees the new drive when it runs, nested in the assignment.
    QString seen;
    connect(&box, &DriveListBox::change, this, [&] { seen = box.drive(); });
    box.setDrive(QStringLiteral("/"));
    QCOMPARE(seen, QStringLiteral("/"));
}

QTEST_MAIN(TestListBoxes)
#include "tst_listboxes.moc"
