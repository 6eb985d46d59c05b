// The main window through its controls: start-up, layout, tab order and folder navigation.
#include "UiTestSupport.h"
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/FileListBox.h"
#include "platform/Twips.h"
#include "ui/frmEdit.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlin;
using namespace vorlin::test;

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestFrmEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Vorlin")); }
    void init();
    void cleanup();

    void startsOnTheCurrentDirectory();
    void codeListsFilledWithNothingSelected();
    void fileListsShowOnlyTheirDrawings();
    void controlsStandWhereDesigned_data();
    void controlsStandWhereDesigned();
    void tabMovesInDesignedOrder();
    void txtFileTakesNoFocusNorInput();
    void resizingMovesNoControl();

    void openingAFolderMovesBothFileLists_data();
    void openingAFolderMovesBothFileLists();
    void choosingAReadyDrive();
    void unavailableDriveIsReportedAndUndone_data();
    void unavailableDriveIsReportedAndUndone();

private:
    template <typename T> T* control(const char* name)
    {
        auto* widget = m_window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    std::unique_ptr<ScratchFolder> m_folder;
    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<frmEdit> m_window;
};

void TestFrmEdit::init()
{
    m_folder = std::make_unique<ScratchFolder>();
    QDir(m_folder->path()).mkpath(QStringLiteral("Drawings/Locos"));
    QDir::setCurrent(m_folder->file(QStringLiteral("Drawings")));
    for (const char* name : {"E626.BMP", "a.bmp", "B.dib", "x.DIB", "notes.txt", ".hidden.bmp", "dib"})
        touch(m_folder->file(QStringLiteral("Drawings/") + QLatin1String(name)));
    QDir(m_folder->path()).mkpath(QStringLiteral("Drawings/folder.bmp"));
    QVERIFY(::mkfifo(QFile::encodeName(m_folder->file(QStringLiteral("Drawings/pipe.bmp"))).constData(),
                     0600) == 0);

    m_boxes = std::make_unique<BoxRecorder>();
    m_window = std::make_unique<frmEdit>();
}

void TestFrmEdit::cleanup()
{
    m_window.reset();
    m_boxes.reset();
    m_folder.reset();
}

void TestFrmEdit::startsOnTheCurrentDirectory()
{
    const QString drawings = m_folder->file(QStringLiteral("Drawings"));
    QCOMPARE(m_window->strPath(), drawings);
    QCOMPARE(control<DriveListBox>("Drive1")->drive(), m_folder->path());
    QCOMPARE(control<DirListBox>("dirSourceBMP")->path(), drawings);
    QCOMPARE(control<FileListBox>("File1")->path(), drawings);
    QCOMPARE(control<FileListBox>("File2")->path(), drawings);
    QCOMPARE(QDir::currentPath(), drawings);
    QVERIFY(m_window->strFile().isEmpty());
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestFrmEdit::codeListsFilledWithNothingSelected()
{
    auto* gt = control<QComboBox>("cboGT");
    auto* uland = control<QComboBox>("cboUland");
    QCOMPARE(gt->count(), 13);
    QCOMPARE(uland->count(), 15);
    QCOMPARE(gt->itemText(0), QStringLiteral("D  - Steam Locomotive"));
    QCOMPARE(gt->itemText(12), QStringLiteral("X  - Special Vehicle and Other"));
    QCOMPARE(uland->itemText(0), QStringLiteral("A   - Austria"));
    QCOMPARE(uland->itemText(14), QStringLiteral("USA - United States Of America"));
    for (auto* box : {gt, uland}) {
        QCOMPARE(box->currentIndex(), -1);
        QVERIFY(box->currentText().isEmpty());
        QVERIFY(box->isEditable());
    }
}

void TestFrmEdit::fileListsShowOnlyTheirDrawings()
{
    // Letter case of the extension does not matter; folders and FIFOs are never listed.
    QCOMPARE(
        entries(control<FileListBox>("File2")),
        QStringList({QStringLiteral(".hidden.bmp"), QStringLiteral("a.bmp"), QStringLiteral("E626.BMP")}));
    QCOMPARE(entries(control<FileListBox>("File1")),
             QStringList({QStringLiteral("B.dib"), QStringLiteral("x.DIB")}));
}

void TestFrmEdit::controlsStandWhereDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<int>("tabIndex");

    const struct
    {
        const char* name;
        QRect twips;
        int tab;
    } designed[] = {
        {"Label1", {120, 60, 4665, 255}, 4},         {"Drive1", {120, 300, 4665, 315}, 1},
        {"dirSourceBMP", {120, 645, 4665, 1665}, 2}, {"Label5", {120, 2565, 4665, 255}, 7},
        {"File1", {120, 2835, 4665, 2235}, 3},       {"picDib", {120, 5070, 4665, 945}, 0},
        {"Label6", {5175, 60, 5580, 210}, 14},       {"txtFile", {5130, 300, 5640, 330}, 13},
        {"Label4", {5130, 678, 1590, 255}, 9},       {"cboUland", {6870, 678, 3900, 330}, 5},
        {"Label7", {5130, 1056, 1425, 255}, 16},     {"txtCompany", {6870, 1056, 3900, 315}, 15},
        {"Label3", {5130, 1419, 1470, 255}, 8},      {"cboGT", {6870, 1419, 3900, 330}, 6},
        {"Label8", {5130, 1797, 1470, 255}, 19},     {"txtAcronym", {6870, 1797, 3900, 315}, 18},
        {"Label9", {5130, 2160, 1470, 255}, 21},     {"txtSuffix", {6870, 2160, 3900, 315}, 20},
        {"Label2", {6075, 2565, 4665, 255}, 12},     {"File2", {6105, 2835, 4665, 2235}, 10},
        {"picBmp", {6105, 5070, 4665, 945}, 11},     {"chkM", {4875, 1410, 195, 270}, 22},
        {"Label10", {5010, 2850, 960, 405}, 23},     {"cmdRD", {4905, 3720, 1095, 495}, 17},
    };
    for (const auto& row : designed)
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << row.twips << row.tab;
}

void TestFrmEdit::controlsStandWhereDesigned()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(int, tabIndex);
    auto* widget = m_window->findChild<QWidget*>(name);
    QVERIFY(widget);
    // 15 twips to a pixel, rounded to the nearest.
    const QRect expected(qRound(twips.x() / 15.0), qRound(twips.y() / 15.0), qRound(twips.width() / 15.0),
                         qRound(twips.height() / 15.0));
    QCOMPARE(widget->geometry(), expected);
    QCOMPARE(widget->property("TabIndex").toInt(), tabIndex);
}

void TestFrmEdit::tabMovesInDesignedOrder()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    const QStringList designed = {
        QStringLiteral("picDib"), QStringLiteral("Drive1"),     QStringLiteral("dirSourceBMP"),
        QStringLiteral("File1"),  QStringLiteral("cboUland"),   QStringLiteral("cboGT"),
        QStringLiteral("File2"),  QStringLiteral("picBmp"),     QStringLiteral("txtCompany"),
        QStringLiteral("cmdRD"),  QStringLiteral("txtAcronym"), QStringLiteral("txtSuffix"),
        QStringLiteral("chkM"),   QStringLiteral("picDib")};
    QStringList visited;
    QWidget* focused = QApplication::focusWidget();
    // An editable combo box hands its focus to its line edit; name the control, not the inner widget.
    auto nameOf = [](QWidget* w) {
        while (w && w->property("TabIndex").isNull())
            w = w->parentWidget();
        return w ? w->objectName() : QString();
    };
    visited << nameOf(focused);
    for (int i = 1; i < designed.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << nameOf(QApplication::focusWidget());
    }
    QCOMPARE(visited, designed);
}

void TestFrmEdit::txtFileTakesNoFocusNorInput()
{
    auto* txtFile = control<QLineEdit>("txtFile");
    QVERIFY(!txtFile->isEnabled());
    txtFile->setFocus();
    QVERIFY(!txtFile->hasFocus());
    QTest::keyClicks(txtFile, QStringLiteral("typed"));
    QVERIFY(txtFile->text().isEmpty());
}

void TestFrmEdit::resizingMovesNoControl()
{
    m_window->show();
    const QRect before = control<QWidget>("cmdRD")->geometry();
    m_window->resize(m_window->size() * 2);
    QCoreApplication::processEvents();
    QCOMPARE(control<QWidget>("cmdRD")->geometry(), before);
}

void TestFrmEdit::openingAFolderMovesBothFileLists_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("a subfolder, no trailing separator") << QStringLiteral("Drawings/Locos");
    QTest::newRow("the drive root keeps its separator") << QString();
}

void TestFrmEdit::openingAFolderMovesBothFileLists()
{
    QFETCH(QString, folder);
    const QString cwd = QDir::currentPath();
    const QString target = folder.isEmpty() ? m_folder->path() + QLatin1Char('/') : m_folder->file(folder);

    QVERIFY(!control<DirListBox>("dirSourceBMP")->setPath(target));
    QCOMPARE(m_window->strPath(), target);
    QCOMPARE(control<FileListBox>("File1")->path(), target);
    QCOMPARE(control<FileListBox>("File2")->path(), target);
    QCOMPARE(QDir::currentPath(), cwd);
}

void TestFrmEdit::choosingAReadyDrive()
{
    QTemporaryDir other;
    touch(other.filePath(QStringLiteral("V200.bmp")));
    Drives::setListForTesting(
        QList<Drive>{{QStringLiteral("/"), QStringLiteral("/"), QString()},
                     {m_folder->path(), m_folder->path() + QLatin1Char('/'), QString()},
                     {other.path(), other.path() + QLatin1Char('/'), QStringLiteral("STICK")}});
    auto* drive = control<DriveListBox>("Drive1");
    drive->refresh();

    drive->setDrive(other.path());

    const QString root = other.path() + QLatin1Char('/');
    QCOMPARE(QDir::currentPath() + QLatin1Char('/'), root);
    QCOMPARE(m_window->strPath(), root);
    QCOMPARE(control<DirListBox>("dirSourceBMP")->path(), root);
    QCOMPARE(entries(control<FileListBox>("File2")), QStringList(QStringLiteral("V200.bmp")));
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestFrmEdit::unavailableDriveIsReportedAndUndone_data()
{
    QTest::addColumn<bool>("loop");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");
    QTest::newRow("unplugged stick") << false << QStringLiteral("Device NOT available!") << 48
                                     << QStringLiteral("Quenta");
    // A root that is a loop of symbolic links fails with a number other than 68.
    QTest::newRow("other failure") << true << QString() << 0 << QStringLiteral("Vorlin");
}

void TestFrmEdit::unavailableDriveIsReportedAndUndone()
{
    QFETCH(bool, loop);
    QFETCH(QString, prompt);
    QFETCH(int, style);
    QFETCH(QString, title);

    const QString bad = m_folder->file(QStringLiteral("gone"));
    if (loop)
        QVERIFY(QFile::link(bad, bad));
    Drives::setListForTesting(QList<Drive>{{QStringLiteral("/"), QStringLiteral("/"), QString()},
                                           {m_folder->path(), m_folder->path() + QLatin1Char('/'), QString()},
                                           {bad, bad + QLatin1Char('/'), QString()}});
    auto* drive = control<DriveListBox>("Drive1");
    drive->refresh();

    drive->setDrive(bad);

    QCOMPARE(m_boxes->boxes.size(), 1);
    const auto box = m_boxes->boxes.first();
    if (!prompt.isEmpty())
        QCOMPARE(box.prompt, prompt);
    else
        QVERIFY2(box.prompt.contains(QStringLiteral("gone")), qPrintable(box.prompt));
    QCOMPARE(box.style, style);
    QCOMPARE(box.title, title);

    // Back on the previous drive, at its root; the folder open before is not reopened.
    const QString root = m_folder->path() + QLatin1Char('/');
    QCOMPARE(drive->drive(), m_folder->path());
    QCOMPARE(m_window->strPath(), root);
    QCOMPARE(control<DirListBox>("dirSourceBMP")->path(), root);
    QCOMPARE(control<FileListBox>("File2")->path(), root);
    QCOMPARE(QDir::currentPath() + QLatin1Char('/'), root);
}

QTEST_MAIN(TestFrmEdit)
#include "tst_frmedit.moc"
