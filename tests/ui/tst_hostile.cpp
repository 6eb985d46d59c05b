// Hostile files and file-system faults met through the real window: each is reported, nothing on
// disk changes but what the user asked for, and the window goes on working.
#include "MalformedBitmaps.h"
#include "UiTestSupport.h"
#include "platform/DirListBox.h"
#include "platform/FileListBox.h"
#include "platform/PictureBox.h"
#include "platform/Pictures.h"
#include "ui/frmEdit.h"

#include <QBuffer>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

namespace {

const QString NewName = u"I_FS_E_E626.bmp"_s;

QByteArray bitmapBytes(QColor colour)
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

// Writes a file whose name is taken byte for byte; QFile would re-encode a name that is not UTF-8.
bool writeNative(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == ssize_t(content.size());
    return ::close(fd) == 0 && written;
}

// Every entry of a folder by its exact name, with the content of the regular files, so that a test
// can tell that nothing at all changed.
QMap<QByteArray, QByteArray> snapshot(const QString& folder)
{
    QMap<QByteArray, QByteArray> entries;
    const QByteArray base = QFile::encodeName(folder) + '/';
    DIR* dir = ::opendir(base.constData());
    if (!dir)
        return entries;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat st
        {};
        QByteArray content = "<not a file>";
        if (::lstat((base + name).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
            QFile file;
            const int fd = ::open((base + name).constData(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
                content = file.readAll();
        }
        entries.insert(name, content);
    }
    ::closedir(dir);
    return entries;
}

// Clicks the entry whose name is exactly these bytes.
bool clickNative(FileListBox* list, const QByteArray& name)
{
    for (int row = 0; row < list->listCount(); ++row) {
        if (list->listNative(row) != name)
            continue;
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        return list->listIndex() == row;
    }
    return false;
}

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void malformedBitmapIsReported_data();
    void malformedBitmapIsReported();

    void entryThatIsNotAFileIsNeitherListedNorLoaded_data();
    void entryThatIsNotAFileIsNeitherListedNorLoaded();
    void symbolicLinkIsRenamedNotItsTarget();
    void pickedFileReplacedByNamedPipeIsReported();
    void pickedFileGoneBeforeRenameIsReported_data();
    void pickedFileGoneBeforeRenameIsReported();
    void openFolderRemovedWhileOpen();
    void nameNotValidUtf8IsShownAndRenamedExactly_data();
    void nameNotValidUtf8IsShownAndRenamedExactly();
    void readOnlyFolderRefusesRename();

private:
    QWidget* window() const { return m_window.get(); }
    FileListBox* listFor(const QString& name) const
    {
        return control<FileListBox>(window(), name.endsWith(u".dib"_s) ? "File1" : "File2");
    }
    PictureBox* boxFor(const QString& name) const
    {
        return control<PictureBox>(window(), name.endsWith(u".dib"_s) ? "picDib" : "picBmp");
    }
    void refreshLists() const
    {
        control<FileListBox>(window(), "File1")->refresh();
        control<FileListBox>(window(), "File2")->refresh();
    }
    // Writes good.bmp (red) and good.dib (blue) into the open folder and shows both.
    void showGoodDrawings();
    void fillFields() const;
    void pressRename() const { QTest::mouseClick(control<QPushButton>(window(), "cmdRD"), Qt::LeftButton); }
    // The one box recorded is an error report (critical icon, the title "Vorlin") naming each of texts.
    void expectOneErrorReport(const QStringList& texts) const;

    std::unique_ptr<ScratchFolder> m_folder;
    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<frmEdit> m_window;
};

void TestHostile::initTestCase()
{
    QCoreApplication::setApplicationName(u"Vorlin"_s);
    configurePictureLoading();
}

void TestHostile::init()
{
    m_folder = std::make_unique<ScratchFolder>();
    m_boxes = std::make_unique<BoxRecorder>();
    m_window = std::make_unique<frmEdit>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestHostile::cleanup()
{
    // The temporary folder removes its entries by their decoded names, which misses a name that
    // is not valid UTF-8.
    const QByteArray folder = QFile::encodeName(m_folder->path()) + '/';
    for (const QByteArray& name : snapshot(m_folder->path()).keys())
        if (QFile::encodeName(QFile::decodeName(name)) != name)
            ::unlink((folder + name).constData());
    m_window.reset();
    m_boxes.reset();
    m_folder.reset();
}

void TestHostile::showGoodDrawings()
{
    QVERIFY(writeBitmap(m_folder->file(u"good.bmp"_s), Qt::red));
    QVERIFY(writeBitmap(m_folder->file(u"good.dib"_s), Qt::blue));
    refreshLists();
    QVERIFY(clickEntry(control<FileListBox>(window(), "File2"), u"good.bmp"_s));
    QVERIFY(clickEntry(control<FileListBox>(window(), "File1"), u"good.dib"_s));
    QCOMPARE(control<PictureBox>(window(), "picBmp")->picture().pixelColor(0, 0), QColor(Qt::red));
    QCOMPARE(control<PictureBox>(window(), "picDib")->picture().pixelColor(0, 0), QColor(Qt::blue));
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestHostile::fillFields() const
{
    control<QComboBox>(window(), "cboUland")->setEditText(u"I   - Italy"_s);
    control<QLineEdit>(window(), "txtCompany")->setText(u"FS"_s);
    control<QComboBox>(window(), "cboGT")->setEditText(u"E  - Electrical Locomotive"_s);
    control<QLineEdit>(window(), "txtAcronym")->setText(u"E626"_s);
    control<QLineEdit>(window(), "txtSuffix")->clear();
}

void TestHostile::expectOneErrorReport(const QStringList& texts) const
{
    QCOMPARE(m_boxes->boxes.size(), 1);
    const MessageBox::Shown& box = m_boxes->boxes.first();
    QCOMPARE(box.style, 16);
    QCOMPARE(box.title, u"Vorlin"_s);
    for (const QString& text : texts)
        QVERIFY2(box.prompt.contains(text), qPrintable(box.prompt));
}

void TestHostile::malformedBitmapIsReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    for (const MalformedBitmap& bitmap : malformedBitmaps())
        QTest::newRow(qPrintable(u"%1, picked as %2"_s.arg(QLatin1String(bitmap.tag), bitmap.name)))
            << bitmap.name << bitmap.bytes << bitmap.why;
}

// The broken file is picked in the list of its kind while both boxes show a drawing.
void TestHostile::malformedBitmapIsReported()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    showGoodDrawings();
    const QImage bmpBefore = control<PictureBox>(window(), "picBmp")->picture();
    const QImage dibBefore = control<PictureBox>(window(), "picDib")->picture();
    QVERIFY(writeFile(m_folder->file(name), bytes));
    QVERIFY(writeBitmap(m_folder->file(u"next.bmp"_s), Qt::green));
    QVERIFY(writeBitmap(m_folder->file(u"next.dib"_s), Qt::yellow));
    refreshLists();
    const auto before = snapshot(m_folder->path());

    QVERIFY(clickEntry(listFor(name), name));

    expectOneErrorReport({u"\"%1\""_s.arg(name), why});
    QCOMPARE(control<PictureBox>(window(), "picBmp")->picture(), bmpBefore);
    QCOMPARE(control<PictureBox>(window(), "picDib")->picture(), dibBefore);
    QCOMPARE(snapshot(m_folder->path()), before);

    // The window goes on: the next good drawing of the same kind shows.
    const QString next = name.endsWith(u".dib"_s) ? u"next.dib"_s : u"next.bmp"_s;
    QVERIFY(clickEntry(listFor(next), next));
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(boxFor(next)->picture().pixelColor(0, 0),
             QColor(name.endsWith(u".dib"_s) ? Qt::yellow : Qt::green));
}

void TestHostile::entryThatIsNotAFileIsNeitherListedNorLoaded_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");
    // A named pipe would block whoever opens it for reading until some writer comes.
    QTest::newRow("named pipe called x.bmp and x.dib") << u"pipe"_s << u"it is not an ordinary file"_s;
    QTest::newRow("folder called x.bmp and x.dib") << u"folder"_s << u"it is a folder"_s;
    QTest::newRow("dangling symbolic link called x.bmp and x.dib") << u"dangling"_s << u"does not exist"_s;
    QTest::newRow("symbolic link to itself called x.bmp and x.dib") << u"loop"_s << u"symbolic links"_s;
}

// Such an entry named like a drawing is left out of the lists; loading it fails at once.
void TestHostile::entryThatIsNotAFileIsNeitherListedNorLoaded()
{
    QFETCH(QString, kind);
    QFETCH(QString, why);
    for (const QString& name : {u"x.bmp"_s, u"x.dib"_s}) {
        const QString path = m_folder->file(name);
        if (kind == u"pipe"_s)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == u"folder"_s)
            QVERIFY(QDir(m_folder->path()).mkdir(name));
        else if (kind == u"dangling"_s)
            QVERIFY(QFile::link(m_folder->file(u"nowhere"_s), path));
        else
            QVERIFY(QFile::link(path, path));
    }
    showGoodDrawings();

    QCOMPARE(entries(control<FileListBox>(window(), "File2")), QStringList(u"good.bmp"_s));
    QCOMPARE(entries(control<FileListBox>(window(), "File1")), QStringList(u"good.dib"_s));

    QImage picture;
    const auto failure = loadPicture(m_folder->file(u"x.bmp"_s), picture);
    QVERIFY(failure);
    QVERIFY2(failure->description.startsWith(u"Cannot show \"x.bmp\": "_s), qPrintable(failure->description));
    QVERIFY2(failure->description.contains(why, Qt::CaseInsensitive), qPrintable(failure->description));
    QVERIFY(picture.isNull());
}

// A link named like a drawing shows the drawing it points to; a rename renames the link only.
void TestHostile::symbolicLinkIsRenamedNotItsTarget()
{
    QVERIFY(QDir(m_folder->path()).mkdir(u"elsewhere"_s));
    QVERIFY(writeBitmap(m_folder->file(u"elsewhere/target.bmp"_s), Qt::green));
    QVERIFY(QFile::link(m_folder->file(u"elsewhere/target.bmp"_s), m_folder->file(u"link.bmp"_s)));
    const auto elsewhere = snapshot(m_folder->file(u"elsewhere"_s));
    refreshLists();
    QVERIFY(clickEntry(control<FileListBox>(window(), "File2"), u"link.bmp"_s));
    QCOMPARE(control<PictureBox>(window(), "picBmp")->picture().pixelColor(0, 0), QColor(Qt::green));
    fillFields();

    pressRename();

    QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->boxes.value(0).prompt));
    QCOMPARE(QFileInfo(m_folder->file(NewName)).symLinkTarget(), m_folder->file(u"elsewhere/target.bmp"_s));
    QCOMPARE(snapshot(m_folder->path()).keys(), (QList<QByteArray>{NewName.toUtf8(), "elsewhere"}));
    QCOMPARE(snapshot(m_folder->file(u"elsewhere"_s)), elsewhere);
}

// The entry was an ordinary file when listed; by the click it is a named pipe.
void TestHostile::pickedFileReplacedByNamedPipeIsReported()
{
    showGoodDrawings();
    const QImage bmpBefore = control<PictureBox>(window(), "picBmp")->picture();
    QVERIFY(writeBitmap(m_folder->file(u"x.bmp"_s), Qt::green));
    refreshLists();
    QVERIFY(QFile::remove(m_folder->file(u"x.bmp"_s)));
    QCOMPARE(::mkfifo(QFile::encodeName(m_folder->file(u"x.bmp"_s)).constData(), 0600), 0);

    QVERIFY(clickEntry(control<FileListBox>(window(), "File2"), u"x.bmp"_s));

    expectOneErrorReport({u"\"x.bmp\""_s, u"not an ordinary file"_s});
    QCOMPARE(control<PictureBox>(window(), "picBmp")->picture(), bmpBefore);
    QVERIFY(clickEntry(control<FileListBox>(window(), "File2"), u"good.bmp"_s));
    QCOMPARE(m_boxes->boxes.size(), 1);
}

void TestHostile::pickedFileGoneBeforeRenameIsReported_data()
{
    QTest::addColumn<QString>("renamedTo");
    QTest::newRow("picked file deleted by someone else") << QString();
    QTest::newRow("picked file renamed by someone else") << u"moved.bmp"_s;
}

void TestHostile::pickedFileGoneBeforeRenameIsReported()
{
    QFETCH(QString, renamedTo);
    QVERIFY(writeBitmap(m_folder->file(u"old.bmp"_s), Qt::red));
    QVERIFY(writeBitmap(m_folder->file(u"bystander.bmp"_s), Qt::blue));
    refreshLists();
    QVERIFY(clickEntry(control<FileListBox>(window(), "File2"), u"old.bmp"_s));
    fillFields();
    if (renamedTo.isEmpty())
        QVERIFY(QFile::remove(m_folder->file(u"old.bmp"_s)));
    else
        QVERIFY(QFile::rename(m_folder->file(u"old.bmp"_s), m_folder->file(renamedTo)));
    const auto before = snapshot(m_folder->path());

    pressRename();

    expectOneErrorReport({u"\"old.bmp\" does not exist"_s});
    QCOMPARE(snapshot(m_folder->path()), before);
    // A refused rename keeps the composed name on show and the lists as they were.
    QCOMPARE(control<QLineEdit>(window(), "txtFile")->text(), NewName);
    QCOMPARE(entries(control<FileListBox>(window(), "File2")),
             (QStringList{u"bystander.bmp"_s, u"old.bmp"_s}));
}

void TestHostile::openFolderRemovedWhileOpen()
{
    QDir scratch(m_folder->path());
    QVERIFY(scratch.mkdir(u"gone"_s) && scratch.mkdir(u"other"_s));
    QVERIFY(writeBitmap(m_folder->file(u"gone/a.bmp"_s), Qt::red));
    QVERIFY(writeBitmap(m_folder->file(u"other/b.bmp"_s), Qt::green));
    auto* dir = control<DirListBox>(window(), "dirSourceBMP");
    auto* file2 = control<FileListBox>(window(), "File2");
    QVERIFY(!dir->setPath(m_folder->file(u"gone"_s)));
    QCOMPARE(entries(file2), QStringList(u"a.bmp"_s));
    QVERIFY(QDir(m_folder->file(u"gone"_s)).removeRecursively());
    const auto before = snapshot(m_folder->file(u"other"_s));

    // The stale entry is still listed; picking it reports that the file is not there.
    QVERIFY(clickEntry(file2, u"a.bmp"_s));
    expectOneErrorReport({u"\"a.bmp\""_s, u"does not exist"_s});
    QVERIFY(control<PictureBox>(window(), "picBmp")->picture().isNull());

    m_boxes->boxes.clear();
    fillFields();
    pressRename();
    expectOneErrorReport({u"\"a.bmp\""_s, u"cannot be opened"_s});
    QVERIFY(!QFileInfo::exists(m_folder->file(u"gone"_s)));
    QCOMPARE(snapshot(m_folder->file(u"other"_s)), before);

    // Another folder opens and works as usual.
    m_boxes->boxes.clear();
    QVERIFY(!dir->setPath(m_folder->file(u"other"_s)));
    QCOMPARE(entries(file2), QStringList(u"b.bmp"_s));
    QVERIFY(clickEntry(file2, u"b.bmp"_s));
    QCOMPARE(control<PictureBox>(window(), "picBmp")->picture().pixelColor(0, 0), QColor(Qt::green));
    fillFields();
    pressRename();
    QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->boxes.value(0).prompt));
    QCOMPARE(snapshot(m_folder->file(u"other"_s)).keys(), QList<QByteArray>{NewName.toUtf8()});
}

void TestHostile::nameNotValidUtf8IsShownAndRenamedExactly_data()
{
    // "bad\xff.bmp" is shown as "bad\uFFFD.bmp", which is also the name of a second file.
    const QByteArray invalid("bad\xff.bmp");
    const QByteArray namesake = u"bad\uFFFD.bmp"_s.toUtf8();
    QTest::addColumn<QByteArray>("picked");
    QTest::addColumn<QByteArray>("other");
    QTest::newRow("name with an invalid UTF-8 byte picked") << invalid << namesake;
    QTest::newRow("its replacement-character namesake picked") << namesake << invalid;
    QTest::newRow("DIB name with an invalid UTF-8 byte picked")
        << QByteArray("bad\xff.dib") << u"bad\uFFFD.dib"_s.toUtf8();
}

void TestHostile::nameNotValidUtf8IsShownAndRenamedExactly()
{
    QFETCH(QByteArray, picked);
    QFETCH(QByteArray, other);
    const QByteArray folder = QFile::encodeName(m_folder->path()) + '/';
    const QByteArray pickedContent = bitmapBytes(Qt::red);
    const QByteArray otherContent = bitmapBytes(Qt::blue);
    QVERIFY(writeNative(folder + picked, pickedContent));
    QVERIFY(writeNative(folder + other, otherContent));
    refreshLists();
    const QString shown = QFile::decodeName(picked);
    FileListBox* list = listFor(shown);
    QCOMPARE(entries(list), (QStringList{shown, shown}));

    QVERIFY(clickNative(list, picked));

    QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->boxes.value(0).prompt));
    QCOMPARE(boxFor(shown)->picture().pixelColor(0, 0), QColor(Qt::red));

    fillFields();
    pressRename();

    QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->boxes.value(0).prompt));
    const QMap<QByteArray, QByteArray> expected{{NewName.toUtf8(), pickedContent}, {other, otherContent}};
    QCOMPARE(snapshot(m_folder->path()), expected);
}

void TestHostile::readOnlyFolderRefusesRename()
{
    if (::geteuid() == 0)
        QSKIP("running as root: permissions do not apply");
    QVERIFY(QDir(m_folder->path()).mkdir(u"locked"_s));
    const QString locked = m_folder->file(u"locked"_s);
    QVERIFY(writeBitmap(locked + u"/old.bmp"_s, Qt::red));
    QVERIFY(!control<DirListBox>(window(), "dirSourceBMP")->setPath(locked));
    QVERIFY(clickEntry(control<FileListBox>(window(), "File2"), u"old.bmp"_s));
    fillFields();
    const auto before = snapshot(locked);
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther));

    pressRename();

    const auto after = snapshot(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    expectOneErrorReport({u"\"old.bmp\""_s, u"access is denied"_s});
    QCOMPARE(after, before);
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
