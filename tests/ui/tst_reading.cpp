// Picking a drawing in either list: the fields read from its name and the preview.
#include "UiTestSupport.h"
#include "platform/DirListBox.h"
#include "platform/FileListBox.h"
#include "platform/PictureBox.h"
#include "ui/frmEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <memory>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

namespace {

// What the five fields show: list positions for the combo boxes, texts for the others.
struct Fields
{
    int country = -1;
    QString company;
    int type = -1;
    QString acronym;
    QString suffix;
    bool operator==(const Fields&) const = default;
};

char* toString(const Fields& f)
{
    return qstrdup(QStringLiteral("{%1, %2, %3, %4, %5}")
                       .arg(f.country)
                       .arg(f.company, QString::number(f.type), f.acronym, f.suffix)
                       .toUtf8()
                       .constData());
}

} // namespace

Q_DECLARE_METATYPE(Fields)

class TestReading : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Vorlin")); }
    void init();
    void cleanup();

    void bitmapNamesFillTheFields_data();
    void bitmapNamesFillTheFields();
    void dibNamesFillAcronymAndSuffixOnly_data();
    void dibNamesFillAcronymAndSuffixOnly();
    void maintainPreviousCarriesUnsetFields_data();
    void maintainPreviousCarriesUnsetFields();

    void eachKindShowsInItsOwnBox();
    void drawingsLoadWithAndWithoutTrailingSeparator();
    void brokenBitmapIsReportedAndBoxesKeepTheirPictures();
    void clickWithNothingSelectedDoesNothing();

private:
    Fields fields() const;
    void writeDrawings(const QStringList& names);

    std::unique_ptr<ScratchFolder> m_folder;
    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<frmEdit> m_window;
};

void TestReading::init()
{
    m_folder = std::make_unique<ScratchFolder>();
    m_boxes = std::make_unique<BoxRecorder>();
    m_window = std::make_unique<frmEdit>();
    m_window->show();
}

void TestReading::cleanup()
{
    m_window.reset();
    m_boxes.reset();
    m_folder.reset();
}

Fields TestReading::fields() const
{
    return {control<QComboBox>(m_window.get(), "cboUland")->currentIndex(),
            control<QLineEdit>(m_window.get(), "txtCompany")->text(),
            control<QComboBox>(m_window.get(), "cboGT")->currentIndex(),
            control<QLineEdit>(m_window.get(), "txtAcronym")->text(),
            control<QLineEdit>(m_window.get(), "txtSuffix")->text()};
}

void TestReading::writeDrawings(const QStringList& names)
{
    for (const QString& name : names)
        QVERIFY2(writeBitmap(m_folder->file(name)), qPrintable(name));
    control<FileListBox>(m_window.get(), "File1")->refresh();
    control<FileListBox>(m_window.get(), "File2")->refresh();
}

void TestReading::bitmapNamesFillTheFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Fields>("expected");
    const QString none;
    QTest::newRow("full name") << u"I_FS_E_E626.bmp"_s << Fields{8, "FS", 2, "E626", none};
    QTest::newRow("suffix") << u"FRG_DB_V_V200_SAR.bmp"_s << Fields{5, "DB", 8, "V200", "SAR"};
    QTest::newRow("suffix holding underscores")
        << u"I_FS_E_E626_2_3.bmp"_s << Fields{8, "FS", 2, "E626", "2_3"};
    QTest::newRow("unknown type code") << u"I_FS_XX_E626.bmp"_s << Fields{8, "FS", -1, "E626", none};
    QTest::newRow("empty company") << u"I__E_E626.bmp"_s << Fields{8, none, 2, "E626", none};
    QTest::newRow("dot inside the acronym") << u"I_FS_E_E6.26.bmp"_s << Fields{8, "FS", 2, "E6", none};
    QTest::newRow("upper-case extension") << u"I_FS_E_E626.BMP"_s << Fields{8, "FS", 2, "E626", none};
    QTest::newRow("single underscore") << u"I_E626.bmp"_s << Fields{8, none, -1, "E626", none};
    QTest::newRow("lower-case country") << u"i_fs_e_e626.bmp"_s << Fields{-1, none, -1, "i", none};
    QTest::newRow("plain name, marker") << u"E626_10.bmp"_s << Fields{-1, none, -1, "E626", "1"};
    QTest::newRow("plain name, SAR") << u"Big_Boy_SAR.bmp"_s << Fields{-1, none, -1, "Big", "SAR"};
    QTest::newRow("leading underscore") << u"_X_1.bmp"_s << Fields{-1, none, -1, "_X_1", "1"};
    QTest::newRow("nothing but the extension") << u".bmp"_s << Fields{-1, none, -1, none, none};
}

void TestReading::bitmapNamesFillTheFields()
{
    QFETCH(QString, name);
    QFETCH(Fields, expected);
    writeDrawings({name});
    auto* txtFile = control<QLineEdit>(m_window.get(), "txtFile");
    txtFile->setText(QStringLiteral("shown before"));

    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File2"), name));

    QCOMPARE(fields(), expected);
    QCOMPARE(m_window->strFile(), name);
    QCOMPARE(txtFile->text(), QStringLiteral("shown before"));
    QVERIFY(!control<PictureBox>(m_window.get(), "picBmp")->picture().isNull());
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestReading::dibNamesFillAcronymAndSuffixOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("acronym");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("plain") << u"E626.dib"_s << u"E626"_s << u""_s;
    QTest::newRow("upper-case extension") << u"E626.DIB"_s << u"E626"_s << u""_s;
    QTest::newRow("marker from the whole name") << u"E626_12.dib"_s << u"E626"_s << u"1"_s;
    QTest::newRow("SAR inside the acronym") << u"sar.dib"_s << u"sar"_s << u"SAR"_s;
    QTest::newRow("convention name is not split") << u"I_FS_E_E626_2.dib"_s << u"I"_s << u"2"_s;
}

void TestReading::dibNamesFillAcronymAndSuffixOnly()
{
    QFETCH(QString, name);
    QFETCH(QString, acronym);
    QFETCH(QString, suffix);
    writeDrawings({name});

    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File1"), name));

    QCOMPARE(fields(), (Fields{-1, {}, -1, acronym, suffix}));
    QVERIFY(!control<PictureBox>(m_window.get(), "picDib")->picture().isNull());
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestReading::maintainPreviousCarriesUnsetFields_data()
{
    QTest::addColumn<QString>("second");
    QTest::addColumn<Fields>("expected");
    QTest::newRow("three underscores keep the suffix")
        << u"A_OBB_E_1044.bmp"_s << Fields{0, "OBB", 2, "1044", "2"};
    QTest::newRow("one underscore keeps company and type")
        << u"A_OBB.bmp"_s << Fields{0, "FS", 2, "OBB", "2"};
    QTest::newRow("plain name writes acronym and suffix") << u"E656.bmp"_s << Fields{8, "FS", 2, "E656", ""};
    QTest::newRow("a DIB writes acronym and suffix") << u"E626.dib"_s << Fields{8, "FS", 2, "E626", ""};
}

void TestReading::maintainPreviousCarriesUnsetFields()
{
    QFETCH(QString, second);
    QFETCH(Fields, expected);
    writeDrawings({QStringLiteral("I_FS_E_E626_2.bmp"), second});
    control<QCheckBox>(m_window.get(), "chkM")->setChecked(true);

    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File2"), QStringLiteral("I_FS_E_E626_2.bmp")));
    QCOMPARE(fields(), (Fields{8, "FS", 2, "E626", "2"}));
    const char* list = second.endsWith(QStringLiteral(".dib")) ? "File1" : "File2";
    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), list), second));

    QCOMPARE(fields(), expected);
}

void TestReading::eachKindShowsInItsOwnBox()
{
    writeDrawings({QStringLiteral("a.bmp"), QStringLiteral("b.bmp")});
    QVERIFY(writeBitmap(m_folder->file(QStringLiteral("c.dib")), Qt::blue));
    control<FileListBox>(m_window.get(), "File1")->refresh();
    auto* picBmp = control<PictureBox>(m_window.get(), "picBmp");
    auto* picDib = control<PictureBox>(m_window.get(), "picDib");

    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File2"), QStringLiteral("a.bmp")));
    QVERIFY(picDib->picture().isNull());
    QCOMPARE(picBmp->picture().pixelColor(0, 0), QColor(Qt::red));

    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File1"), QStringLiteral("c.dib")));
    QCOMPARE(picDib->picture().pixelColor(0, 0), QColor(Qt::blue));
    QCOMPARE(picBmp->picture().pixelColor(0, 0), QColor(Qt::red));

    // Another drawing of the same kind replaces the picture in that box only.
    QVERIFY(writeBitmap(m_folder->file(QStringLiteral("b.bmp")), Qt::green));
    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File2"), QStringLiteral("b.bmp")));
    QCOMPARE(picBmp->picture().pixelColor(0, 0), QColor(Qt::green));
    QCOMPARE(picDib->picture().pixelColor(0, 0), QColor(Qt::blue));
}

void TestReading::drawingsLoadWithAndWithoutTrailingSeparator()
{
    QDir(m_folder->path()).mkdir(QStringLiteral("sub"));
    QVERIFY(writeBitmap(m_folder->file(QStringLiteral("root.bmp")), Qt::red));
    QVERIFY(writeBitmap(m_folder->file(QStringLiteral("sub/inner.bmp")), Qt::blue));
    auto* dir = control<DirListBox>(m_window.get(), "dirSourceBMP");
    auto* picBmp = control<PictureBox>(m_window.get(), "picBmp");

    // The drive root ends in the separator; the path still has a single one.
    QVERIFY(!dir->setPath(m_folder->path() + QLatin1Char('/')));
    QVERIFY(m_window->strPath().endsWith(QLatin1Char('/')));
    control<FileListBox>(m_window.get(), "File2")->refresh();
    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File2"), QStringLiteral("root.bmp")));
    QCOMPARE(picBmp->picture().pixelColor(0, 0), QColor(Qt::red));

    QVERIFY(!dir->setPath(m_folder->file(QStringLiteral("sub"))));
    QVERIFY(!m_window->strPath().endsWith(QLatin1Char('/')));
    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File2"), QStringLiteral("inner.bmp")));
    QCOMPARE(picBmp->picture().pixelColor(0, 0), QColor(Qt::blue));
    QVERIFY(m_boxes->boxes.isEmpty());
}

void TestReading::brokenBitmapIsReportedAndBoxesKeepTheirPictures()
{
    writeDrawings({QStringLiteral("good.bmp"), QStringLiteral("good.dib")});
    QFile broken(m_folder->file(QStringLiteral("I_FS_E_broken.bmp")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write(contentOf(m_folder->file(QStringLiteral("good.bmp"))).left(100));
    broken.close();
    control<FileListBox>(m_window.get(), "File2")->refresh();
    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File2"), QStringLiteral("good.bmp")));
    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File1"), QStringLiteral("good.dib")));
    const QImage bmpBefore = control<PictureBox>(m_window.get(), "picBmp")->picture();
    const QImage dibBefore = control<PictureBox>(m_window.get(), "picDib")->picture();

    QVERIFY(clickEntry(control<FileListBox>(m_window.get(), "File2"), QStringLiteral("I_FS_E_broken.bmp")));

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes.first().style, 16);
    QVERIFY2(m_boxes->boxes.first().prompt.contains(QStringLiteral("I_FS_E_broken.bmp")),
             qPrintable(m_boxes->boxes.first().prompt));
    QCOMPARE(control<PictureBox>(m_window.get(), "picBmp")->picture(), bmpBefore);
    QCOMPARE(control<PictureBox>(m_window.get(), "picDib")->picture(), dibBefore);
    // The name was still read, so the user can rename the broken drawing too.
    QCOMPARE(fields().acronym, QStringLiteral("broken"));
    QVERIFY(m_window->isVisible());
}

void TestReading::clickWithNothingSelectedDoesNothing()
{
    writeDrawings({QStringLiteral("I_FS_E_E626.bmp")});
    control<QLineEdit>(m_window.get(), "txtAcronym")->setText(QStringLiteral("typed"));
    QCOMPARE(control<FileListBox>(m_window.get(), "File2")->listIndex(), -1);

    m_window->File2_Click();
    m_window->File1_Click();

    QCOMPARE(fields().acronym, QStringLiteral("typed"));
    QVERIFY(m_window->strFile().isEmpty());
    QVERIFY(m_boxes->boxes.isEmpty());
}

QTEST_MAIN(TestReading)
#include "tst_reading.moc"
