// "Rename!" and the preview on real files, hostile ones included: the composed name, every
// refusal, and that no file is ever lost, replaced or renamed but the one picked.
#include "../io/MalformedBitmaps.h"
#include "UiTestSupport.h"
#include "platform/DirListBox.h"
#include "platform/Pictures.h"

#include <functional>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

namespace {
const QString NewName = u"I_FS_E_E626.bmp"_s;
using Setup = std::function<void(Window&)>;
} // namespace

Q_DECLARE_METATYPE(Setup)

class TestRename : public QObject
{
    Q_OBJECT

    std::unique_ptr<Window> w;
    QString file(const QString& name) const { return w->file(name); }
    FileListBox* file2() const { return w->get<FileListBox>("File2"); }
    void openFolder(const QString& name) const
    {
        QVERIFY(QDir().mkpath(file(name)));
        QVERIFY(!w->get<DirListBox>("dirSourceBMP")->setPath(file(name)));
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(u"Vorlin"_s);
        configurePictureLoading();
    }
    void init() { w = std::make_unique<Window>(); }
    void cleanup() { w.reset(); }

    void composedNameRenamesThePickedFile_data()
    {
        QTest::addColumn<QString>("folder"); // empty: the drive root
        QTest::addColumn<QByteArray>("picked");
        QTest::addColumn<QString>("texts");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("written"); // by another program, right before the press
        const auto row = [](const char* tag, const QString& folder, const QByteArray& picked,
                            const QString& texts, const QString& expected, const QStringList& written = {}) {
            QTest::newRow(tag) << folder << picked << texts << expected << written;
        };
        const QString conforming = u"I   - Italy|FS|E  - Electrical Locomotive|E626"_s;
        row("list entries, in a folder", u"Drawings"_s, "old drawing.bmp",
            u"I   - Italy|fs|E  - Electrical Locomotive|E626"_s, NewName);
        row("typed combo texts; acronym and suffix keep their case", u"Drawings"_s, "old.bmp",
            u"Italy|fs ag|el|  e626  |Sar"_s, u"ITA_FS AG_EL_e626_Sar.bmp"_s);
        row("a DIB becomes a bitmap, in the drive root", {}, "old.dib", conforming, NewName);
        // Shown as "bad\uFFFD.bmp", which is also the name of a file written after the pick.
        row("a name not valid UTF-8 is renamed by its bytes", u"Drawings"_s, "bad\xff.bmp", conforming,
            NewName, {u"bad\uFFFD.bmp"_s});
        row("only the letter case changes", u"Drawings"_s, "i_fs_e_e626.bmp",
            u"I   - Italy|fs|E  - Electrical Locomotive|e626"_s, u"I_FS_E_e626.bmp"_s);
        QStringList written{u"new.dib"_s};
        for (int i = 0; i < 30; ++i)
            written << u"a%1.bmp"_s.arg(i, 2, 10, QChar(u'0'));
        row("files written before the press are listed; the new name is scrolled to", u"Drawings"_s,
            "old.dib", conforming, NewName, written);
    }

    void composedNameRenamesThePickedFile()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, picked);
        QFETCH(QString, expected);
        QFETCH(QStringList, written);
        const QString path = folder.isEmpty() ? w->folder.path() + u'/' : file(folder);
        QVERIFY(QDir().mkpath(path));
        QVERIFY(!w->get<DirListBox>("dirSourceBMP")->setPath(path));
        QVERIFY(w->pick(picked));
        QFETCH(QString, texts);
        w->fill(texts);
        Files files{{expected.toUtf8(), bitmapBytes()}};
        for (const QString& name : written) {
            QVERIFY(writeNative(QFile::encodeName(QDir(path).filePath(name)), {}));
            files.insert(name.toUtf8(), {});
        }
        w->pressRename();
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(w->txtFile(), expected);
        QCOMPARE(snapshot(path), files);
        // The folder gains its trailing separator and keeps it; the picked name stays as it was.
        QCOMPARE(w->frm->strPath(), folder.isEmpty() ? path : path + u'/');
        QCOMPARE(w->frm->strFile(), QFile::decodeName(picked));
        QCOMPARE(entries(file2()), written.filter(u".bmp"_s) << expected);
        QCOMPARE(entries(w->get<FileListBox>("File1")), written.filter(u".dib"_s));
        // The new name, last in its list, is in view and not selected.
        const QModelIndex renamed = file2()->model()->index(file2()->listCount() - 1, 0);
        QVERIFY(file2()->viewport()->rect().contains(file2()->visualRect(renamed)));
        QCOMPARE(file2()->listIndex(), -1);
    }

    void refusedRenameChangesNothing_data()
    {
        QTest::addColumn<QString>("texts");
        QTest::addColumn<QString>("reported"); // the prompt, or texts the error report names, between bars
        QTest::addColumn<QString>("focused");  // for a field left empty
        // Done after old.bmp was picked and the fields filled; no setup: old.bmp is never picked.
        QTest::addColumn<Setup>("setup");
        const auto row = [](
                             const char* tag, const QString& texts, const QString& reported,
                             const QString& focused = {}, const Setup& setup = [](Window&) {}) {
            QTest::newRow(tag) << texts << reported << focused << setup;
        };
        const QString conforming = u"I   - Italy|FS|E  - Electrical Locomotive|E626"_s;
        const QString acronym = u"I   - Italy|FS|E  - Electrical Locomotive|"_s;
        row("all fields empty", {}, u"Select the ULAND (country)!"_s, u"cboUland"_s);
        row("company of blanks", u"I   - Italy|   "_s, u"Select the company!"_s, u"txtCompany"_s);
        row("acronym missing", acronym + u' ', u"Select the acronym!"_s, u"txtAcronym"_s);
        row("nothing picked", conforming, u"Line up drive, folders and files!"_s, {}, Setup());
        row("a file of the new name exists", conforming, u"\"I_FS_E_E626.bmp\"|already exists"_s, {},
            [](Window& w) { QVERIFY(writeBitmap(w.file(NewName), Qt::blue)); });
        row("a separator naming a subfolder", acronym + u"sub/E626"_s, u"/"_s, {},
            [](Window& w) { QVERIFY(QDir().mkdir(w.file(u"I_FS_E_sub"_s))); });
        row("longer than 255 bytes", acronym + QString(250, u'é'), u"255"_s);
        row("a character Windows media refuse", acronym + u"E:626"_s, u":"_s);
        row("picked file deleted by someone else", conforming, u"\"old.bmp\" does not exist"_s, {},
            [](Window& w) { QVERIFY(QFile::remove(w.file(u"old.bmp"_s))); });
        row("picked file replaced by a folder", conforming, u"\"old.bmp\" is now a folder"_s, {},
            [](Window& w) {
                QVERIFY(QFile::remove(w.file(u"old.bmp"_s)) && QDir().mkdir(w.file(u"old.bmp"_s)));
            });
        row("open folder removed", conforming, u"\"old.bmp\"|cannot be opened"_s, {}, [](Window& w) {
            QVERIFY(QDir().mkdir(w.file(u"gone"_s)));
            QVERIFY(!w.get<DirListBox>("dirSourceBMP")->setPath(w.file(u"gone"_s)));
            QVERIFY(w.pick(u"old.bmp"_s));
            w.fill();
            QVERIFY(QDir(w.file(u"gone"_s)).removeRecursively());
        });
    }

    // The report names the reason; the lists, the files and the folder open stay as they were.
    void refusedRenameChangesNothing()
    {
        QFETCH(Setup, setup);
        QFETCH(QString, reported);
        QFETCH(QString, focused);
        QVERIFY(writeBitmap(file(u"bystander.bmp"_s), Qt::blue));
        QVERIFY(setup ? w->pick(u"old.bmp"_s) : writeBitmap(file(u"old.bmp"_s)));
        QFETCH(QString, texts);
        w->fill(texts);
        w->get<QLineEdit>("txtFile")->setText(u"earlier"_s);
        if (setup)
            setup(*w);
        if (QTest::currentTestFailed())
            return;
        const Files before = snapshot(w->folder.path());
        const QStringList listed = entries(file2());
        const QString path = w->frm->strPath();
        w->pressRename();
        const bool warning = reported.endsWith(u'!');
        w->expectOneErrorReport(reported.split(u'|'), warning ? 48 : 16);
        if (warning)
            QCOMPARE(w->boxes[0].prompt, reported);
        QCOMPARE(snapshot(w->folder.path()), before);
        QCOMPARE(entries(file2()), listed);
        QCOMPARE(w->txtFile().isEmpty(), warning);
        QVERIFY(w->frm->strPath() == path || w->frm->strPath() == path + u'/');
        if (!focused.isEmpty())
            QCOMPARE(focusedControl(), focused);
    }

    // A file of the same name in the folder open at the press stays untouched.
    void renameActsInTheFolderOfThePick()
    {
        openFolder(u"one"_s);
        QVERIFY(w->pick(u"old.bmp"_s));
        QVERIFY(QDir().mkdir(file(u"two"_s)) && writeBitmap(file(u"two/old.bmp"_s), Qt::blue));
        openFolder(u"two"_s);
        w->fill();
        w->pressRename();
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(snapshot(file(u"one"_s)), (Files{{NewName.toUtf8(), bitmapBytes()}}));
        QCOMPARE(snapshot(file(u"two"_s)), (Files{{"old.bmp", bitmapBytes(Qt::blue)}}));
    }

    void pickThatCannotBeShownIsReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>(
            "kind"); // what takes the listed file's place: bytes, a pipe, folder or link
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        for (const MalformedBitmap& bitmap : malformedBitmaps())
            QTest::newRow(bitmap.tag) << bitmap.name << u"bytes"_s << bitmap.bytes << bitmap.why;
        // A named pipe would block whoever opens it for reading until some writer comes.
        QTest::newRow("named pipe, once listed as a file")
            << u"x.bmp"_s << u"pipe"_s << QByteArray() << u"it is not an ordinary file"_s;
        QTest::newRow("folder, once listed as a file")
            << u"x.dib"_s << u"folder"_s << QByteArray() << u"it is a folder"_s;
        QTest::newRow("dangling link, once listed as a file")
            << u"x.bmp"_s << u"link"_s << QByteArray() << u"the file does not exist"_s;
    }

    // Picked while both boxes show a drawing: reported by name, the boxes and the files unchanged.
    // The name is still read, so a broken drawing can be renamed too; an entry that is not a file
    // is no longer listed after a refresh.
    void pickThatCannotBeShownIsReported()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QVERIFY(w->pick(u"good.bmp"_s, Qt::red) && w->pick(u"good.dib"_s, Qt::blue));
        QVERIFY(writeBitmap(file(name), Qt::green));
        w->refresh();
        const QString path = file(name);
        QFETCH(QByteArray, bytes);
        const bool broken = kind == u"bytes"_s;
        QVERIFY(broken ? writeNative(QFile::encodeName(path), bytes) : QFile::remove(path));
        if (kind == u"pipe"_s)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (!broken)
            QVERIFY(kind == u"link"_s ? QFile::link(file(u"nowhere"_s), path) : QDir().mkdir(path));
        const QImage bmpBefore = w->get<PictureBox>("picBmp")->picture();
        const QImage dibBefore = w->get<PictureBox>("picDib")->picture();
        const Files before = snapshot(w->folder.path());
        QVERIFY(clickNative(w->listFor(name), QFile::encodeName(name)));
        w->expectOneErrorReport({u"Cannot show \"%1\": "_s.arg(name), why});
        QCOMPARE(w->get<PictureBox>("picBmp")->picture(), bmpBefore);
        QCOMPARE(w->get<PictureBox>("picDib")->picture(), dibBefore);
        QCOMPARE(snapshot(w->folder.path()), before);
        QCOMPARE(w->get<QLineEdit>("txtAcronym")->text(), name.chopped(4));
        w->refresh();
        QCOMPARE(entries(w->listFor(name)).contains(name), broken);
    }
};

QTEST_MAIN(TestRename)
#include "tst_rename.moc"
