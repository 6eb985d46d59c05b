// "Rename!" on real files: the field checks, the composed name, and that no file is ever lost.
#include "UiTestSupport.h"
#include "platform/DirListBox.h"

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

class TestRename : public QObject
{
    Q_OBJECT

    std::unique_ptr<Window> w;
    QString file(const QString& name) const { return w->file(name); }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(u"Vorlin"_s); }
    void init() { w = std::make_unique<Window>(); }
    void cleanup() { w.reset(); }

    void firstEmptyFieldIsReportedAndFocused_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("focused");
        QTest::newRow("all empty") << QStringList() << u"Select the ULAND (country)!"_s << u"cboUland"_s;
        QTest::newRow("company of blanks")
            << QStringList{u"I   - Italy"_s, u"   "_s} << u"Select the company!"_s << u"txtCompany"_s;
        QTest::newRow("acronym missing")
            << QStringList{u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, u" "_s}
            << u"Select the acronym!"_s << u"txtAcronym"_s;
    }

    void firstEmptyFieldIsReportedAndFocused()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, focused);
        QVERIFY(w->pick(u"old.bmp"_s));
        w->fill(texts);
        w->get<QLineEdit>("txtFile")->setText(u"earlier"_s);
        w->pressRename();
        QCOMPARE(w->boxes.size(), 1);
        QTEST(w->boxes.first().prompt, "prompt");
        QCOMPARE(w->boxes.first().style, 48);
        QCOMPARE(w->boxes.first().title, u"Vorlin"_s);
        QCOMPARE(focusedControl(), focused);
        QVERIFY(w->txtFile().isEmpty());
        QCOMPARE(snapshot(w->folder.path()), (Files{{"old.bmp", bitmapBytes()}}));
    }

    void composedNameRenamesThePickedFile_data()
    {
        QTest::addColumn<QString>("folder"); // empty: the drive root
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("written"); // by another program, right before the press
        QTest::newRow("list entries, in a folder")
            << u"Drawings"_s << u"old drawing.bmp"_s
            << QStringList{u"I   - Italy"_s, u"fs"_s, u"E  - Electrical Locomotive"_s, u"E626"_s}
            << u"I_FS_E_E626.bmp"_s << QStringList();
        QTest::newRow("typed combo texts; acronym and suffix keep their case")
            << u"Drawings"_s << u"old.bmp"_s
            << QStringList{u"Italy"_s, u"fs ag"_s, u"el"_s, u"  e626  "_s, u"Sar"_s}
            << u"ITA_FS AG_EL_e626_Sar.bmp"_s << QStringList();
        QTest::newRow("a DIB becomes a bitmap, in the drive root")
            << QString() << u"old.dib"_s
            << QStringList{u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, u"E626"_s}
            << u"I_FS_E_E626.bmp"_s << QStringList();
        QTest::newRow("only the letter case changes")
            << u"Drawings"_s << u"i_fs_e_e626.bmp"_s
            << QStringList{u"I   - Italy"_s, u"fs"_s, u"E  - Electrical Locomotive"_s, u"e626"_s}
            << u"I_FS_E_e626.bmp"_s << QStringList();
        QStringList written{u"new.dib"_s};
        for (int i = 0; i < 30; ++i)
            written << u"a%1.bmp"_s.arg(i, 2, 10, QChar(u'0'));
        QTest::newRow("files written before the press are listed; the new name is scrolled to")
            << u"Drawings"_s << u"old.dib"_s
            << QStringList{u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, u"E626"_s}
            << u"I_FS_E_E626.bmp"_s << written;
    }

    void composedNameRenamesThePickedFile()
    {
        QFETCH(QString, folder);
        QFETCH(QString, picked);
        QFETCH(QStringList, texts);
        QFETCH(QString, expected);
        QFETCH(QStringList, written);
        const QString path = folder.isEmpty() ? w->folder.path() + u'/' : file(folder);
        QVERIFY(QDir().mkpath(path));
        QVERIFY(!w->get<DirListBox>("dirSourceBMP")->setPath(path));
        QVERIFY(w->pick(picked));
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
        QCOMPARE(w->frm->strFile(), picked);
        auto* File2 = w->get<FileListBox>("File2");
        QCOMPARE(entries(File2), written.filter(u".bmp"_s) << expected);
        QCOMPARE(entries(w->get<FileListBox>("File1")), written.filter(u".dib"_s));
        // The new name, last in its list, is in view and not selected.
        const QModelIndex renamed = File2->model()->index(File2->listCount() - 1, 0);
        QVERIFY(File2->viewport()->rect().contains(File2->visualRect(renamed)));
        QCOMPARE(File2->listIndex(), -1);
    }

    void secondPressReportsTheMissingOldName()
    {
        QVERIFY(w->pick(u"old.bmp"_s));
        w->fill();
        w->pressRename();
        QVERIFY(w->boxes.isEmpty());
        w->pressRename();
        w->expectOneErrorReport({u"\"old.bmp\" does not exist"_s});
        QCOMPARE(w->txtFile(), u"I_FS_E_E626.bmp"_s);
        QCOMPARE(snapshot(w->folder.path()), (Files{{"I_FS_E_E626.bmp", bitmapBytes()}}));
    }

    void nothingPickedRenamesNothing()
    {
        QVERIFY(writeBitmap(file(u"old.bmp"_s)));
        w->fill();
        const QString before = w->frm->strPath();
        w->pressRename();
        QCOMPARE(w->boxes.size(), 1);
        QCOMPARE(w->boxes.first().prompt, u"Line up drive, folders and files!"_s);
        QCOMPARE(w->boxes.first().style, 48);
        QCOMPARE(w->frm->strPath(), before);
        QCOMPARE(snapshot(w->folder.path()), (Files{{"old.bmp", bitmapBytes()}}));
    }

    // The target is not listed: only a refresh after a rename would show it.
    void existingTargetIsNeverReplaced()
    {
        QVERIFY(w->pick(u"old.bmp"_s));
        QVERIFY(writeBitmap(file(u"I_FS_E_E626.bmp"_s), Qt::blue));
        const Files before = snapshot(w->folder.path());
        w->fill();
        w->pressRename();
        w->expectOneErrorReport({u"\"I_FS_E_E626.bmp\""_s, u"already exists"_s});
        QCOMPARE(snapshot(w->folder.path()), before);
        // A refused rename leaves the lists as they were and the composed name on show.
        QCOMPARE(entries(w->get<FileListBox>("File2")), QStringList(u"old.bmp"_s));
        QCOMPARE(w->txtFile(), u"I_FS_E_E626.bmp"_s);
        QVERIFY(w->frm->strPath().endsWith(u'/'));
    }

    void unsafeNamesAreRefusedBeforeTouchingTheDisk_data()
    {
        QTest::addColumn<QString>("acronym");
        QTest::addColumn<QString>("reason");
        QTest::newRow("separator naming a subfolder") << u"sub/E626"_s << u"/"_s;
        QTest::newRow("longer than 255 bytes") << QString(250, u'é') << u"255"_s;
        QTest::newRow("character Windows media refuse") << u"E:626"_s << u":"_s;
    }

    void unsafeNamesAreRefusedBeforeTouchingTheDisk()
    {
        QFETCH(QString, acronym);
        QFETCH(QString, reason);
        QVERIFY(QDir(w->folder.path()).mkpath(u"I_FS_E_sub"_s));
        QVERIFY(w->pick(u"old.bmp"_s));
        w->fill({u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, acronym});
        const QString before = w->frm->strPath();
        w->pressRename();
        w->expectOneErrorReport({reason});
        QCOMPARE(snapshot(w->folder.path()),
                 (Files{{"I_FS_E_sub", "<not a file>"}, {"old.bmp", bitmapBytes()}}));
        QVERIFY(snapshot(file(u"I_FS_E_sub"_s)).isEmpty());
        QCOMPARE(w->frm->strPath(), before);
    }

    // A file of the same name in the folder open at the press stays untouched.
    void renameActsInTheFolderOfThePick()
    {
        QVERIFY(QDir(w->folder.path()).mkpath(u"one"_s) && QDir(w->folder.path()).mkpath(u"two"_s));
        auto* dir = w->get<DirListBox>("dirSourceBMP");
        QVERIFY(!dir->setPath(file(u"one"_s)));
        QVERIFY(w->pick(u"old.bmp"_s));
        QVERIFY(writeBitmap(file(u"two/old.bmp"_s), Qt::blue));
        QVERIFY(!dir->setPath(file(u"two"_s)));
        w->fill();
        w->pressRename();
        QVERIFY2(w->boxes.isEmpty(), qPrintable(w->boxes.value(0).prompt));
        QCOMPARE(snapshot(file(u"one"_s)), (Files{{"I_FS_E_E626.bmp", bitmapBytes()}}));
        QCOMPARE(snapshot(file(u"two"_s)), (Files{{"old.bmp", bitmapBytes(Qt::blue)}}));
    }
};

QTEST_MAIN(TestRename)
#include "tst_rename.moc"
