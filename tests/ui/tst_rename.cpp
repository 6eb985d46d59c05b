// "Rename!" on real files: the field checks, the composed name, and that no file is ever lost.
#include "UiTestSupport.h"
#include "platform/DirListBox.h"
#include "platform/FileListBox.h"
#include "platform/SafeRename.h"
#include "ui/frmEdit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

class TestRename : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Vorlin")); }
    void init();
    void cleanup();

    void firstEmptyFieldIsReportedAndFocused_data();
    void firstEmptyFieldIsReportedAndFocused();
    void composedNameRenamesThePickedFile_data();
    void composedNameRenamesThePickedFile();
    void dibBecomesABitmapInTheDriveRoot();
    void secondPressReportsTheMissingOldName();
    void nothingPickedRenamesNothing();

    void existingTargetIsNeverReplaced();
    void targetAppearingAtTheLastMomentIsNeverReplaced();
    void unsafeNamesAreRefusedBeforeTouchingTheDisk_data();
    void unsafeNamesAreRefusedBeforeTouchingTheDisk();
    void caseOnlyChangeRenames();
    void renameActsInTheFolderOfThePick();

private:
    QWidget* window() const { return m_window.get(); }
    void fill(const QString& country, const QString& company, const QString& type, const QString& acronym,
              const QString& suffix = QString());
    void pick(const QString& name);
    void pressRename() { QTest::mouseClick(control<QPushButton>(window(), "cmdRD"), Qt::LeftButton); }
    QString txtFile() const { return control<QLineEdit>(window(), "txtFile")->text(); }
    QStringList filesOnDisk(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    std::unique_ptr<ScratchFolder> m_folder;
    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<frmEdit> m_window;
};

void TestRename::init()
{
    m_folder = std::make_unique<ScratchFolder>();
    m_boxes = std::make_unique<BoxRecorder>();
    m_window = std::make_unique<frmEdit>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestRename::cleanup()
{
    setBeforeRenameHookForTesting({});
    m_window.reset();
    m_boxes.reset();
    m_folder.reset();
}

void TestRename::fill(const QString& country, const QString& company, const QString& type,
                      const QString& acronym, const QString& suffix)
{
    control<QComboBox>(window(), "cboUland")->setEditText(country);
    control<QLineEdit>(window(), "txtCompany")->setText(company);
    control<QComboBox>(window(), "cboGT")->setEditText(type);
    control<QLineEdit>(window(), "txtAcronym")->setText(acronym);
    control<QLineEdit>(window(), "txtSuffix")->setText(suffix);
}

// Writes the drawing into the open folder and picks it in its list.
void TestRename::pick(const QString& name)
{
    const QString folder = control<FileListBox>(window(), "File2")->path();
    QVERIFY(writeBitmap(QDir(folder).filePath(name)));
    auto* list =
        control<FileListBox>(window(), name.endsWith(u".dib"_s, Qt::CaseInsensitive) ? "File1" : "File2");
    list->refresh();
    QVERIFY(clickEntry(list, name));
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestRename::firstEmptyFieldIsReportedAndFocused_data()
{
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("acronym");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("focused");
    QTest::newRow("all empty") << u""_s << u""_s << u""_s << u"Select the ULAND (country)!"_s
                               << u"cboUland"_s;
    QTest::newRow("company of blanks")
        << u"I   - Italy"_s << u"   "_s << u""_s << u"Select the company!"_s << u"txtCompany"_s;
    QTest::newRow("acronym missing") << u"I   - Italy"_s << u"FS"_s << u" "_s << u"Select the acronym!"_s
                                     << u"txtAcronym"_s;
}

void TestRename::firstEmptyFieldIsReportedAndFocused()
{
    QFETCH(QString, country);
    QFETCH(QString, company);
    QFETCH(QString, acronym);
    QFETCH(QString, prompt);
    QFETCH(QString, focused);
    pick(u"old.bmp"_s);
    fill(country, company, u"E  - Electrical Locomotive"_s, acronym);
    control<QLineEdit>(window(), "txtFile")->setText(u"earlier"_s);

    pressRename();

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes.first().prompt, prompt);
    QCOMPARE(m_boxes->boxes.first().style, 48);
    QCOMPARE(m_boxes->boxes.first().title, u"Vorlin"_s);
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus);
    QVERIFY2(focus->objectName() == focused || focus->parentWidget()->objectName() == focused,
             qPrintable(focus->objectName()));
    QVERIFY(txtFile().isEmpty());
    QCOMPARE(filesOnDisk(m_folder->path()), QStringList(u"old.bmp"_s));
}

void TestRename::composedNameRenamesThePickedFile_data()
{
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("acronym");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("expected");
    const QString italy = u"I   - Italy"_s;
    const QString electric = u"E  - Electrical Locomotive"_s;
    QTest::newRow("list entries") << italy << u"fs"_s << electric << u"E626"_s << u""_s
                                  << u"I_FS_E_E626.bmp"_s;
    QTest::newRow("acronym and suffix keep their case")
        << italy << u"fs"_s << electric << u"  e626  "_s << u"Sar"_s << u"I_FS_E_e626_Sar.bmp"_s;
    QTest::newRow("suffix of blanks")
        << italy << u"fs"_s << electric << u"E626"_s << u"   "_s << u"I_FS_E_E626.bmp"_s;
    QTest::newRow("typed combo texts")
        << u"Italy"_s << u"fs ag"_s << u"el"_s << u"E626"_s << u""_s << u"ITA_FS AG_EL_E626.bmp"_s;
    QTest::newRow("country of blanks and X")
        << u"   X"_s << u"fs"_s << electric << u"E626"_s << u""_s << u"_FS_E_E626.bmp"_s;
}

void TestRename::composedNameRenamesThePickedFile()
{
    QFETCH(QString, country);
    QFETCH(QString, company);
    QFETCH(QString, type);
    QFETCH(QString, acronym);
    QFETCH(QString, suffix);
    QFETCH(QString, expected);
    QDir(m_folder->path()).mkdir(u"Drawings"_s);
    QVERIFY(!control<DirListBox>(window(), "dirSourceBMP")->setPath(m_folder->file(u"Drawings"_s)));
    pick(u"old drawing.bmp"_s);
    const QByteArray content = contentOf(m_folder->file(u"Drawings/old drawing.bmp"_s));
    fill(country, company, type, acronym, suffix);

    pressRename();

    QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->boxes.value(0).prompt));
    QCOMPARE(txtFile(), expected);
    QCOMPARE(filesOnDisk(m_folder->file(u"Drawings"_s)), QStringList(expected));
    QCOMPARE(contentOf(m_folder->file(u"Drawings/"_s + expected)), content);
    // The folder gains its trailing separator and keeps it; the picked name stays as it was.
    QCOMPARE(m_window->strPath(), m_folder->file(u"Drawings/"_s));
    QCOMPARE(m_window->strFile(), u"old drawing.bmp"_s);
    QCOMPARE(entries(control<FileListBox>(window(), "File2")), QStringList(expected));
}

void TestRename::dibBecomesABitmapInTheDriveRoot()
{
    QVERIFY(!control<DirListBox>(window(), "dirSourceBMP")->setPath(m_folder->path() + u"/"_s));
    const QString root = m_window->strPath();
    QVERIFY(root.endsWith(u'/'));
    pick(u"old.dib"_s);
    fill(u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, u"E626"_s);

    pressRename();

    QVERIFY(m_boxes->boxes.isEmpty());
    QCOMPARE(m_window->strPath(), root);
    QCOMPARE(filesOnDisk(m_folder->path()), QStringList(u"I_FS_E_E626.bmp"_s));
    QVERIFY(entries(control<FileListBox>(window(), "File1")).isEmpty());
    QCOMPARE(entries(control<FileListBox>(window(), "File2")), QStringList(u"I_FS_E_E626.bmp"_s));
}

void TestRename::secondPressReportsTheMissingOldName()
{
    pick(u"old.bmp"_s);
    fill(u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, u"E626"_s);
    pressRename();
    QVERIFY(m_boxes->boxes.isEmpty());
    const QByteArray content = contentOf(m_folder->file(u"I_FS_E_E626.bmp"_s));

    pressRename();

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes.first().style, 16);
    QVERIFY2(m_boxes->boxes.first().prompt.contains(u"old.bmp"_s), qPrintable(m_boxes->boxes.first().prompt));
    QCOMPARE(txtFile(), u"I_FS_E_E626.bmp"_s);
    QCOMPARE(filesOnDisk(m_folder->path()), QStringList(u"I_FS_E_E626.bmp"_s));
    QCOMPARE(contentOf(m_folder->file(u"I_FS_E_E626.bmp"_s)), content);
}

void TestRename::nothingPickedRenamesNothing()
{
    QVERIFY(writeBitmap(m_folder->file(u"old.bmp"_s)));
    fill(u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, u"E626"_s);
    const QString before = m_window->strPath();

    pressRename();

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes.first().prompt, u"Line up drive, folders and files!"_s);
    QCOMPARE(m_boxes->boxes.first().style, 48);
    QCOMPARE(m_window->strPath(), before);
    QCOMPARE(filesOnDisk(m_folder->path()), QStringList(u"old.bmp"_s));
}

void TestRename::existingTargetIsNeverReplaced()
{
    QVERIFY(writeBitmap(m_folder->file(u"I_FS_E_E626.bmp"_s), Qt::blue));
    pick(u"old.bmp"_s);
    const QByteArray target = contentOf(m_folder->file(u"I_FS_E_E626.bmp"_s));
    const QByteArray picked = contentOf(m_folder->file(u"old.bmp"_s));
    fill(u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, u"E626"_s);
    // Remove the target from the list: only a refresh after a rename would bring it back.
    QFile::rename(m_folder->file(u"I_FS_E_E626.bmp"_s), m_folder->file(u"I_FS_E_E626.tmp"_s));
    control<FileListBox>(window(), "File2")->refresh();
    QFile::rename(m_folder->file(u"I_FS_E_E626.tmp"_s), m_folder->file(u"I_FS_E_E626.bmp"_s));

    pressRename();

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes.first().style, 16);
    QVERIFY2(m_boxes->boxes.first().prompt.contains(u"I_FS_E_E626.bmp"_s),
             qPrintable(m_boxes->boxes.first().prompt));
    QCOMPARE(contentOf(m_folder->file(u"I_FS_E_E626.bmp"_s)), target);
    QCOMPARE(contentOf(m_folder->file(u"old.bmp"_s)), picked);
    // A refused rename leaves the lists as they were and the composed name on show.
    QCOMPARE(entries(control<FileListBox>(window(), "File2")), QStringList(u"old.bmp"_s));
    QCOMPARE(txtFile(), u"I_FS_E_E626.bmp"_s);
    QVERIFY(m_window->strPath().endsWith(u'/'));
}

void TestRename::targetAppearingAtTheLastMomentIsNeverReplaced()
{
    pick(u"old.bmp"_s);
    const QByteArray picked = contentOf(m_folder->file(u"old.bmp"_s));
    fill(u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, u"E626"_s);
    const QByteArray intruder("written by someone else");
    setBeforeRenameHookForTesting([&](const QByteArray& target) {
        QFile file(QFile::decodeName(target));
        if (file.open(QIODevice::NewOnly))
            file.write(intruder);
    });

    pressRename();

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(contentOf(m_folder->file(u"I_FS_E_E626.bmp"_s)), intruder);
    QCOMPARE(contentOf(m_folder->file(u"old.bmp"_s)), picked);
}

void TestRename::unsafeNamesAreRefusedBeforeTouchingTheDisk_data()
{
    QTest::addColumn<QString>("acronym");
    QTest::addColumn<QString>("reason");
    QTest::newRow("separator naming a subfolder") << u"sub/E626"_s << u"/"_s;
    QTest::newRow("longer than 255 bytes") << QString(250, u'é') << u"255"_s;
    QTest::newRow("character Windows media refuse") << u"E:626"_s << u":"_s;
}

void TestRename::unsafeNamesAreRefusedBeforeTouchingTheDisk()
{
    QFETCH(QString, acronym);
    QFETCH(QString, reason);
    QDir(m_folder->path()).mkpath(u"I_FS_E_sub"_s);
    pick(u"old.bmp"_s);
    const QByteArray picked = contentOf(m_folder->file(u"old.bmp"_s));
    fill(u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, acronym);
    const QString before = m_window->strPath();

    pressRename();

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes.first().style, 16);
    QVERIFY2(m_boxes->boxes.first().prompt.contains(reason), qPrintable(m_boxes->boxes.first().prompt));
    QCOMPARE(filesOnDisk(m_folder->path()), QStringList(u"old.bmp"_s));
    QVERIFY(filesOnDisk(m_folder->file(u"I_FS_E_sub"_s)).isEmpty());
    QCOMPARE(contentOf(m_folder->file(u"old.bmp"_s)), picked);
    QCOMPARE(m_window->strPath(), before);
}

void TestRename::caseOnlyChangeRenames()
{
    pick(u"i_fs_e_e626.bmp"_s);
    fill(u"I   - Italy"_s, u"fs"_s, u"E  - Electrical Locomotive"_s, u"e626"_s);

    pressRename();

    QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->boxes.value(0).prompt));
    QCOMPARE(filesOnDisk(m_folder->path()), QStringList(u"I_FS_E_e626.bmp"_s));
}

void TestRename::renameActsInTheFolderOfThePick()
{
    QDir(m_folder->path()).mkpath(u"one"_s);
    QDir(m_folder->path()).mkpath(u"two"_s);
    auto* dir = control<DirListBox>(window(), "dirSourceBMP");
    QVERIFY(!dir->setPath(m_folder->file(u"one"_s)));
    pick(u"old.bmp"_s);
    // A file of the same name in the other folder must stay untouched.
    QVERIFY(writeBitmap(m_folder->file(u"two/old.bmp"_s), Qt::blue));
    const QByteArray other = contentOf(m_folder->file(u"two/old.bmp"_s));
    QVERIFY(!dir->setPath(m_folder->file(u"two"_s)));
    fill(u"I   - Italy"_s, u"FS"_s, u"E  - Electrical Locomotive"_s, u"E626"_s);

    pressRename();

    QVERIFY2(m_boxes->boxes.isEmpty(), qPrintable(m_boxes->boxes.value(0).prompt));
    QCOMPARE(filesOnDisk(m_folder->file(u"one"_s)), QStringList(u"I_FS_E_E626.bmp"_s));
    QCOMPARE(filesOnDisk(m_folder->file(u"two"_s)), QStringList(u"old.bmp"_s));
    QCOMPARE(contentOf(m_folder->file(u"two/old.bmp"_s)), other);
}

QTEST_MAIN(TestRename)
#include "tst_rename.moc"
