// Hostile files and file-system faults met through the real window: each is reported, nothing on
// disk changes but what the user asked for, and the window goes on working.
#include "MalformedBitmaps.h"
#include "UiTestSupport.h"
#include "platform/DirListBox.h"
#include "platform/Pictures.h"

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

namespace {
const QString NewName = u"I_FS_E_E626.bmp"_s;
}

class TestHostile : public QObject
{
    Q_OBJECT

    std::unique_ptr<Window> w;
    QString file(const QString& name) const { return w->file(name); }
    FileListBox* file2() const { return w->get<FileListBox>("File2"); }
    QImage shown(const char* box) const { return w->get<PictureBox>(box)->picture(); }
    // good.bmp (red) and good.dib (blue), each shown in its box.
    void showGoodDrawings() const
    {
        QVERIFY(w->pick(u"good.bmp"_s, Qt::red));
        QVERIFY(w->pick(u"good.dib"_s, Qt::blue));
        QCOMPARE(shown("picBmp").pixelColor(0, 0), QColor(Qt::red));
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(u"Vorlin"_s);
        configurePictureLoading();
    }
    void init() { w = std::make_unique<Window>(); }
    void cleanup() { w.reset(); }

    void malformedBitmapIsReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        for (const MalformedBitmap& bitmap : malformedBitmaps())
            QTest::newRow(qPrintable(u"%1, picked as %2"_s.arg(QLatin1String(bitmap.tag), bitmap.name)))
                << bitmap.name << bitmap.bytes << bitmap.why;
    }

    // The broken file is picked in the list of its kind while both boxes show a drawing.
    void malformedBitmapIsReported()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        showGoodDrawings();
        const QImage bmpBefore = shown("picBmp"), dibBefore = shown("picDib");
        QVERIFY(writeFile(file(name), bytes));
        w->refresh();
        const Files before = snapshot(w->folder.path());

        QVERIFY(clickEntry(w->listFor(name), name));

        w->expectOneErrorReport({u"\"%1\""_s.arg(name), why});
        QCOMPARE(shown("picBmp"), bmpBefore);
        QCOMPARE(shown("picDib"), dibBefore);
        QCOMPARE(snapshot(w->folder.path()), before);
        // The name was still read, so the broken drawing can be renamed too.
        QCOMPARE(w->get<QLineEdit>("txtAcronym")->text(), name.chopped(4));
        // The window goes on: the next good drawing of the same kind shows.
        w->boxes.clear();
        QVERIFY(w->pick(u"next"_s + name.right(4), Qt::green));
    }

    void entryThatIsNotAFileIsNeitherListedNorLoaded_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        // A named pipe would block whoever opens it for reading until some writer comes.
        QTest::newRow("named pipe called x.bmp and x.dib") << u"pipe"_s << u"it is not an ordinary file"_s;
        QTest::newRow("folder called x.bmp and x.dib") << u"folder"_s << u"it is a folder"_s;
        QTest::newRow("dangling symbolic link called x.bmp and x.dib")
            << u"dangling"_s << u"does not exist"_s;
        QTest::newRow("symbolic link to itself called x.bmp and x.dib") << u"loop"_s << u"symbolic links"_s;
    }

    // Such an entry named like a drawing is left out of the lists. Should an ordinary file listed
    // before turn into one by the click, loading it fails at once and is reported.
    void entryThatIsNotAFileIsNeitherListedNorLoaded()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        for (const QString& name : {u"x.bmp"_s, u"x.dib"_s})
            QVERIFY(writeBitmap(file(name), Qt::green));
        showGoodDrawings();
        const QImage bmpBefore = shown("picBmp"), dibBefore = shown("picDib");
        for (const QString& name : {u"x.bmp"_s, u"x.dib"_s}) {
            const QString path = file(name);
            QVERIFY(QFile::remove(path));
            if (kind == u"pipe"_s)
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            else if (kind == u"folder"_s)
                QVERIFY(QDir(w->folder.path()).mkdir(name));
            else
                QVERIFY(QFile::link(kind == u"dangling"_s ? file(u"nowhere"_s) : path, path));
        }
        QVERIFY(clickEntry(file2(), u"x.bmp"_s));
        w->expectOneErrorReport({u"Cannot show \"x.bmp\": "_s, why});
        QCOMPARE(shown("picBmp"), bmpBefore);
        QCOMPARE(shown("picDib"), dibBefore);
        w->refresh();
        QCOMPARE(entries(file2()), QStringList(u"good.bmp"_s));
        QCOMPARE(entries(w->get<FileListBox>("File1")), QStringList(u"good.dib"_s));
        QVERIFY(clickEntry(file2(), u"good.bmp"_s));
        QCOMPARE(w->boxes.size(), 1);
    }

    // A link named like a drawing shows the drawing it points to; a rename renames the link only.
    void symbolicLinkIsRenamedNotItsTarget()
    {
        QVERIFY(QDir(w->folder.path()).mkdir(u"elsewhere"_s));
        QVERIFY(writeBitmap(file(u"elsewhere/target.bmp"_s), Qt::green));
        QVERIFY(QFile::link(file(u"elsewhere/target.bmp"_s), file(u"link.bmp"_s)));
        const Files elsewhere = snapshot(file(u"elsewhere"_s));
        w->refresh();
        QVERIFY(clickEntry(file2(), u"link.bmp"_s));
        QCOMPARE(shown("picBmp").pixelColor(0, 0), QColor(Qt::green));
        w->fill();
        w->pressRename();
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(QFileInfo(file(NewName)).symLinkTarget(), file(u"elsewhere/target.bmp"_s));
        QCOMPARE(snapshot(w->folder.path()).keys(), (QList<QByteArray>{NewName.toUtf8(), "elsewhere"}));
        QCOMPARE(snapshot(file(u"elsewhere"_s)), elsewhere);
    }

    void pickedFileGoneBeforeRenameIsReported_data()
    {
        QTest::addColumn<QString>("renamedTo");
        QTest::addColumn<QString>("reason");
        const QString gone = u"\"old.bmp\" does not exist"_s;
        QTest::newRow("picked file deleted by someone else") << QString() << gone;
        QTest::newRow("picked file renamed by someone else") << u"moved.bmp"_s << gone;
        QTest::newRow("picked file replaced by a folder") << u"old.bmp"_s << u"\"old.bmp\" is now a folder"_s;
    }

    void pickedFileGoneBeforeRenameIsReported()
    {
        QFETCH(QString, renamedTo);
        QFETCH(QString, reason);
        QVERIFY(writeBitmap(file(u"bystander.bmp"_s), Qt::blue));
        QVERIFY(w->pick(u"old.bmp"_s));
        w->fill();
        QVERIFY(renamedTo.isEmpty() || renamedTo == u"old.bmp"_s
                    ? QFile::remove(file(u"old.bmp"_s))
                    : QFile::rename(file(u"old.bmp"_s), file(renamedTo)));
        if (renamedTo == u"old.bmp"_s)
            QVERIFY(QDir(w->folder.path()).mkdir(renamedTo));
        const Files before = snapshot(w->folder.path());
        w->pressRename();
        w->expectOneErrorReport({reason});
        QCOMPARE(snapshot(w->folder.path()), before);
        QVERIFY(renamedTo != u"old.bmp"_s || QFileInfo(file(renamedTo)).isDir());
        // A refused rename keeps the composed name on show and the lists as they were.
        QCOMPARE(w->txtFile(), NewName);
        QCOMPARE(entries(file2()), (QStringList{u"bystander.bmp"_s, u"old.bmp"_s}));
    }

    void openFolderRemovedWhileOpen()
    {
        QVERIFY(QDir(w->folder.path()).mkdir(u"gone"_s) && QDir(w->folder.path()).mkdir(u"other"_s));
        QVERIFY(writeBitmap(file(u"gone/a.bmp"_s), Qt::red));
        auto* dir = w->get<DirListBox>("dirSourceBMP");
        QVERIFY(!dir->setPath(file(u"gone"_s)));
        QCOMPARE(entries(file2()), QStringList(u"a.bmp"_s));
        QVERIFY(QDir(file(u"gone"_s)).removeRecursively());

        // The stale entry is still listed; picking it reports that the file is not there.
        QVERIFY(clickEntry(file2(), u"a.bmp"_s));
        w->expectOneErrorReport({u"\"a.bmp\""_s, u"does not exist"_s});
        QVERIFY(shown("picBmp").isNull());
        w->boxes.clear();
        w->fill();
        w->pressRename();
        w->expectOneErrorReport({u"\"a.bmp\""_s, u"cannot be opened"_s});
        QVERIFY(!QFileInfo::exists(file(u"gone"_s)));
        QVERIFY(snapshot(file(u"other"_s)).isEmpty());

        // Another folder opens and works as usual.
        w->boxes.clear();
        QVERIFY(!dir->setPath(file(u"other"_s)));
        QVERIFY(w->pick(u"b.bmp"_s, Qt::green));
        w->fill();
        w->pressRename();
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(snapshot(file(u"other"_s)), (Files{{NewName.toUtf8(), bitmapBytes(Qt::green)}}));
    }

    void nameNotValidUtf8IsShownAndRenamedExactly_data()
    {
        // "bad\xff.bmp" is shown as "bad\uFFFD.bmp", which is also the name of a second file.
        QTest::addColumn<QByteArray>("picked");
        QTest::addColumn<QByteArray>("other");
        QTest::newRow("name with an invalid UTF-8 byte picked")
            << QByteArray("bad\xff.bmp") << u"bad\uFFFD.bmp"_s.toUtf8();
        QTest::newRow("its replacement-character namesake picked")
            << u"bad\uFFFD.bmp"_s.toUtf8() << QByteArray("bad\xff.bmp");
        QTest::newRow("DIB name with an invalid UTF-8 byte picked")
            << QByteArray("bad\xff.dib") << u"bad\uFFFD.dib"_s.toUtf8();
    }

    void nameNotValidUtf8IsShownAndRenamedExactly()
    {
        QFETCH(QByteArray, picked);
        QFETCH(QByteArray, other);
        const QByteArray folder = QFile::encodeName(w->folder.path()) + '/';
        QVERIFY(writeNative(folder + picked, bitmapBytes(Qt::red)));
        QVERIFY(writeNative(folder + other, bitmapBytes(Qt::blue)));
        w->refresh();
        const QString shown = QFile::decodeName(picked);
        QCOMPARE(entries(w->listFor(shown)), (QStringList{shown, shown}));
        QVERIFY(clickNative(w->listFor(shown), picked));
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(w->boxFor(shown)->picture().pixelColor(0, 0), QColor(Qt::red));
        w->fill();
        w->pressRename();
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(snapshot(w->folder.path()),
                 (Files{{NewName.toUtf8(), bitmapBytes(Qt::red)}, {other, bitmapBytes(Qt::blue)}}));
    }

    void readOnlyFolderRefusesRename()
    {
        if (::geteuid() == 0)
            QSKIP("running as root: permissions do not apply");
        const QString locked = file(u"locked"_s);
        QVERIFY(QDir().mkdir(locked));
        QVERIFY(!w->get<DirListBox>("dirSourceBMP")->setPath(locked));
        QVERIFY(w->pick(u"old.bmp"_s));
        w->fill();
        const Files before = snapshot(locked);
        QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        w->pressRename();
        const Files after = snapshot(locked);
        QFile::setPermissions(locked,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        w->expectOneErrorReport({u"\"old.bmp\""_s, u"access is denied"_s});
        QCOMPARE(after, before);
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
