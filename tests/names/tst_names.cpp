// The naming convention: the code tables, reading names, the mandatory fields, composing a name and
// whether it can be a file name.
#include "names/CodeTables.h"
#include "names/DrawingName.h"
#include "names/NameReading.h"

#include <QTest>

using namespace vorlin;
using namespace Qt::StringLiterals;

static void row(const char* tag, const QString& input, const QString& expected)
{
    QTest::newRow(tag) << input << expected;
}

class TestNames : public QObject
{
    Q_OBJECT

private slots:
    // Names ending in .dib are read as plain names with that extension, all others as bitmap names.
    void readName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reading"); // country|company|type|acronym|suffix, "-" for unset
        row("worked example", "FRG_DB_V_V200_SAR.bmp", "FRG|DB|V|V200|SAR");
        row("three underscores leave the suffix unset", "I_FS_E_E626.bmp", "I|FS|E|E626|-");
        row("unknown type code, suffix holds underscores", "I_FS_XX_E626_2_3.bmp", "I|FS|-|E626|2_3");
        row("single underscore, no dot", "I_E626", "I|-|-|-|-");
        row("two underscores: the rest is the acronym", "I_FS_E626.bmp", "I|FS|-|E626|-");
        row("lower-case country code is no code", "i_fs_e_e626.bmp", "-|-|-|i|");
        row("no underscore: up to the first extension, in any case", "E626.BMP.bmp", "-|-|-|E626|");
        row("SAR found in any case, before _2", "e626_2_sar.bmp", "-|-|-|e626|SAR");
        row("_0 found before _1, wherever they stand", "E626_1_0.bmp", "-|-|-|E626|0");
        row("_3", "e626_3.dib", "-|-|-|e626|3");
        row("leading underscore: up to the extension", "_X_1.bmp", "-|-|-|_X_1|1");
        row("dib: bitmap extension is not searched", "E626.bmp.dib", "-|-|-|E626.bmp|");
    }

    void readName()
    {
        QFETCH(QString, name);
        const NameReading r = name.endsWith(u".dib") ? ReadPlainName(name, u".dib"_s) : ReadBitmapName(name);
        const auto code = [](const CodeTable& table, std::optional<int> position) {
            return position ? table.at(*position).code : u"-"_s;
        };
        QTEST(QStringList({code(UlandTable(), r.country), r.company.value_or(u"-"_s), code(GtTable(), r.type),
                           r.acronym.value_or(u"-"_s), r.suffix.value_or(u"-"_s)})
                  .join(u'|'),
              "reading");
    }

    void composeName_data()
    {
        QTest::addColumn<QString>("fields"); // country|company|type|acronym|suffix, combo boxes by text
        QTest::addColumn<QString>("name");   // or "no <field>" for the first empty mandatory field
        row("all empty: country first", "||||", "no country");
        row("company of blanks, type not looked at", "I|   |||", "no company");
        row("type of blanks", "I|fs| ||", "no type");
        row("acronym of blanks", "I|fs|E|  |", "no acronym");
        row("list entries, no suffix", "I   - Italy|fs|E  - Electrical Locomotive|E626|", "I_FS_E_E626.bmp");
        row("acronym and suffix keep their case, trimmed", "I|fs|E|  e626 | Sar ", "I_FS_E_e626_Sar.bmp");
        row("country of blanks before X, suffix of blanks", "   X|fs|E|E626|   ", "_FS_E_E626.bmp");
        row("typed texts give their first characters, a surrogate pair or a lone half as one",
            u"BC\U0001D538D|fs|E\xDC00X|E626|"_s, u"BC\U0001D538_FS_E\xFFFD_E626.bmp"_s);
        row("tabs are not blank and are kept", "\t|\t|\t|\t|", "\t_\t_\t_\t.bmp");
    }

    void composeName()
    {
        QFETCH(QString, fields);
        const QStringList f = fields.split(u'|');
        const DrawingFields drawing{f[0], f[1], f[2], f[3], f[4]};
        const QStringList names{"no country", "no company", "no type", "no acronym"};
        const std::optional<MandatoryField> empty = firstEmptyField(drawing);
        QTEST(empty ? names.at(int(*empty)) : vorlin::composeName(drawing), "name");
    }

    void portableNameProblem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem"); // a part of the reason, or "accepted"
        row("slash", "a/b.bmp", "The name \"a/b.bmp\" contains \"/\"");
        row("backslash", "a\\b.bmp", "\"\\\"");
        row("newline", "a\nb.bmp", "U+000A");
        row("delete", "a\x7F.bmp", "U+007F");
        row("question mark", "E?.bmp", "\"?\"");
        row("lone surrogate", QChar(0xD800) + u".bmp"_s, "U+D800");
        row("leading byte order mark", u"\uFEFFE626.bmp"_s, "U+FEFF");
        row("trailing dot", "E626.", "ends in a dot");
        row("trailing space", "E626 ", "ends in a space");
        row("device name in small letters, a space before the extension", "com1 .bmp",
            "reserved for a device");
        row("COM0 is no device", "COM0.bmp", "accepted");
        row("255 bytes, one character beyond U+FFFF", QString(247, u'x') + u"\U0001F682.bmp"_s, "accepted");
        row("256 bytes in 255 characters", QString(250, u'x') + u"é.bmp"_s, "256 bytes");
        row("empty", "", "empty");
        row("dot dot", "..", "folder");
    }

    void portableNameProblem()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        const QString reason = vorlin::portableNameProblem(name).value_or(u"accepted"_s);
        QVERIFY2(reason.contains(problem), qPrintable(reason));
    }
};

QTEST_APPLESS_MAIN(TestNames)
#include "tst_names.moc"
