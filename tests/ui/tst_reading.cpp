// Picking a drawing in either list: the fields read from its name, with and without "maintain
// previous", and the preview in the box of its kind.
#include "UiTestSupport.h"

#include <QCheckBox>

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
    return qstrdup(qPrintable(
        u"{%1, %2, %3, %4, %5}"_s.arg(f.country).arg(f.company).arg(f.type).arg(f.acronym, f.suffix)));
}

} // namespace

Q_DECLARE_METATYPE(Fields)

class TestReading : public QObject
{
    Q_OBJECT

    std::unique_ptr<Window> w;
    Fields fields() const
    {
        return {w->get<QComboBox>("cboUland")->currentIndex(), w->get<QLineEdit>("txtCompany")->text(),
                w->get<QComboBox>("cboGT")->currentIndex(), w->get<QLineEdit>("txtAcronym")->text(),
                w->get<QLineEdit>("txtSuffix")->text()};
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(u"Vorlin"_s); }
    void init() { w = std::make_unique<Window>(); }
    void cleanup() { w.reset(); }

    void pickingFillsTheFields_data()
    {
        QTest::addColumn<bool>("maintain");
        QTest::addColumn<QString>("first"); // picked before, when given
        QTest::addColumn<QString>("name");
        QTest::addColumn<Fields>("expected");
        const auto row = [](const char* tag, bool maintain, const char* first, const char* name, Fields f) {
            QTest::newRow(tag) << maintain << QString::fromLatin1(first) << QString::fromLatin1(name) << f;
        };
        const char* full = "I_FS_E_E626_2.bmp";
        row("conforming name with a suffix", false, "", "FRG_DB_V_V200_SAR.bmp", {5, "DB", 8, "V200", "SAR"});
        row("unknown type code", false, "", "I_FS_XX_E626.BMP", {8, "FS", -1, "E626", ""});
        row("plain name with a marker", false, "", "E626_10.bmp", {-1, "", -1, "E626", "1"});
        row("DIB name is not split", false, "", "I_FS_E_E626_2.dib", {-1, "", -1, "I", "2"});
        row("unmaintained: the next pick clears every field", false, full, "A_OBB.bmp",
            {0, "", -1, "OBB", ""});
        row("unmaintained: a plain name clears the rest", false, full, "E656.bmp", {-1, "", -1, "E656", ""});
        row("maintained: three underscores keep the suffix; the company as written", true, full,
            "A_Obb_E_1044.bmp", {0, "Obb", 2, "1044", "2"});
        row("maintained: one underscore keeps company and type", true, full, "A_OBB.bmp",
            {0, "FS", 2, "OBB", "2"});
        row("maintained: a plain name writes acronym and suffix", true, full, "E656.bmp",
            {8, "FS", 2, "E656", ""});
        row("maintained: a DIB writes acronym and suffix", true, full, "E626.dib", {8, "FS", 2, "E626", ""});
    }

    void pickingFillsTheFields()
    {
        QFETCH(bool, maintain);
        QFETCH(QString, first);
        QFETCH(QString, name);
        w->get<QCheckBox>("chkM")->setChecked(maintain);
        if (!first.isEmpty())
            QVERIFY(w->pick(first));
        w->get<QLineEdit>("txtFile")->setText(u"shown before"_s);
        QVERIFY(w->pick(name, Qt::green));
        QTEST(fields(), "expected");
        QCOMPARE(w->frm->strFile(), name);
        QCOMPARE(w->txtFile(), u"shown before"_s);
    }

    void clickWithNothingSelectedDoesNothing()
    {
        QVERIFY(writeBitmap(w->file(u"I_FS_E_E626.bmp"_s)));
        w->refresh();
        w->get<QLineEdit>("txtAcronym")->setText(u"typed"_s);
        QCOMPARE(w->get<FileListBox>("File2")->listIndex(), -1);
        w->frm->File2_Click();
        w->frm->File1_Click();
        QCOMPARE(fields(), (Fields{-1, "", -1, "typed", ""}));
        QVERIFY(w->frm->strFile().isEmpty());
        QVERIFY(w->boxes.isEmpty());
    }
};

QTEST_MAIN(TestReading)
#include "tst_reading.moc"
