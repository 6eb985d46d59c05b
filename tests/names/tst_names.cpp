#include "names/CodeTables.h"
#include "names/DrawingName.h"
#include "names/NameReading.h"

#include <QRandomGenerator>
#include <QTest>

using namespace vorlin;

Q_DECLARE_METATYPE(vorlin::NameReading)
Q_DECLARE_METATYPE(std::optional<vorlin::MandatoryField>)

namespace vorlin {
// Lets QCOMPARE print both readings when they differ.
char* toString(const NameReading& r)
{
    const auto text = [](const std::optional<QString>& s) {
        return s ? '"' + *s + '"' : QStringLiteral("-");
    };
    const auto number = [](const std::optional<int>& n) {
        return n ? QString::number(*n) : QStringLiteral("-");
    };
    const QString kind = r.kind == NameReading::Kind::Structured ? QStringLiteral("structured") : "plain";
    return qstrdup(
        QStringLiteral("%1(%2, %3, %4, %5, %6)")
            .arg(kind, number(r.country), text(r.company), number(r.type), text(r.acronym), text(r.suffix))
            .toUtf8()
            .constData());
}
} // namespace vorlin

namespace {

constexpr auto unset = std::nullopt;

NameReading structured(int country, std::optional<QString> company, std::optional<int> type,
                       std::optional<QString> acronym, std::optional<QString> suffix)
{
    return {NameReading::Kind::Structured, country, company, type, acronym, suffix};
}

NameReading plain(const QString& acronym, const QString& suffix)
{
    return {NameReading::Kind::Plain, unset, unset, unset, acronym, suffix};
}

// What the five fields show: combo boxes by list position (-1 for none), text boxes by text.
struct Shown
{
    int country = -1;
    QString company;
    int type = -1;
    QString acronym;
    QString suffix;
    bool operator==(const Shown&) const = default;
};

// A reading applied onto the fields as they were: set members overwrite, unset ones carry over.
Shown applied(Shown shown, const NameReading& r)
{
    shown.country = r.country.value_or(shown.country);
    shown.company = r.company.value_or(shown.company);
    shown.type = r.type.value_or(shown.type);
    shown.acronym = r.acronym.value_or(shown.acronym);
    shown.suffix = r.suffix.value_or(shown.suffix);
    return shown;
}

} // namespace

class TestNames : public QObject
{
    Q_OBJECT

private slots:
    void listEntriesAreTheDesignedTexts();
    void positionOf_data();
    void positionOf();
    void codeOfComboText_data();
    void codeOfComboText();

    void readBitmapName_data();
    void readBitmapName();
    void readDibName_data();
    void readDibName();
    void maintainPrevious();
    void readingsOfGeneratedNames();

    void firstEmptyField_data();
    void firstEmptyField();
    void composeName_data();
    void composeName();
    void portableNameProblem_data();
    void portableNameProblem();
};

void TestNames::listEntriesAreTheDesignedTexts()
{
    QCOMPARE(GtTable().listEntries(),
             QStringList({"D  - Steam Locomotive", "DT - Steam Railcar", "E  - Electrical Locomotive",
                          "EA - Accumulator Car", "ES - Tramway", "ET - Electrical Multiple Unit",
                          "FC - Freight Car", "PC - Passenger Car", "V  - Diesel Locomotive", "VB - Bus",
                          "VT - Diesel Multiple Unit", "VZ - Amphibious Vehicle",
                          "X  - Special Vehicle and Other"}));
    QCOMPARE(UlandTable().listEntries(),
             QStringList({"A   - Austria", "B   - Belgium", "CH  - Switzerland", "DK  - Denmark",
                          "F   - France", "FRG - Germany", "GDR - Germany (ex DDR)", "H   - Hungary",
                          "I   - Italy", "JP  - Japan", "NL  - Netherlands", "P   - Portugal", "PL  - Poland",
                          "SP  - Spain", "USA - United States Of America"}));
}

void TestNames::positionOf_data()
{
    QTest::addColumn<bool>("country");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<int>>("position");
    QTest::newRow("first country") << true << "A" << std::optional(0);
    QTest::newRow("three-letter country") << true << "GDR" << std::optional(6);
    QTest::newRow("last type") << false << "X" << std::optional(12);
    QTest::newRow("small letter is no code") << true << "a" << std::optional<int>();
    QTest::newRow("trailing blank is no code") << true << "I " << std::optional<int>();
    QTest::newRow("prefix of a code is no code") << true << "FR" << std::optional<int>();
}

void TestNames::positionOf()
{
    QFETCH(bool, country);
    QFETCH(QString, text);
    QFETCH(std::optional<int>, position);
    QCOMPARE((country ? UlandTable() : GtTable()).positionOf(text), position);
}

void TestNames::codeOfComboText_data()
{
    QTest::addColumn<bool>("country");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code");
    QTest::newRow("three-letter country entry") << true << "USA - United States Of America"
                                                << "USA";
    QTest::newRow("one-letter country entry") << true << "A   - Austria"
                                              << "A";
    QTest::newRow("two-letter type entry") << false << "DT - Steam Railcar"
                                           << "DT";
    QTest::newRow("empty text") << true << ""
                                << "";
    QTest::newRow("shorter text yields what there is") << true << " x"
                                                       << "x";
    QTest::newRow("blanks before the cut hide the rest") << true << "   X"
                                                         << "";
    QTest::newRow("tab is not trimmed") << false << "\tE"
                                        << "\tE";
    QTest::newRow("surrogate pair counts as one character") << true
                                                            << QString::fromUtf8("\xF0\x9D\x94\xB8"
                                                                                 "BCD")
                                                            << QString::fromUtf8("\xF0\x9D\x94\xB8"
                                                                                 "BC");
}

void TestNames::codeOfComboText()
{
    QFETCH(bool, country);
    QFETCH(QString, text);
    QFETCH(QString, code);
    QCOMPARE((country ? UlandTable() : GtTable()).codeOfComboText(text), code);
}

void TestNames::readBitmapName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<NameReading>("reading");
    QTest::newRow("three underscores leave the suffix unset")
        << "I_FS_E_E626.bmp" << structured(8, "FS", 2, "E626", unset);
    QTest::newRow("worked example") << "FRG_DB_V_V200_SAR.bmp" << structured(5, "DB", 8, "V200", "SAR");
    QTest::newRow("suffix holds underscores")
        << "I_FS_E_E626_2_3.bmp" << structured(8, "FS", 2, "E626", "2_3");
    QTest::newRow("unknown type code") << "I_FS_XX_E626.bmp" << structured(8, "FS", unset, "E626", unset);
    QTest::newRow("empty company") << "I__E_E626.bmp" << structured(8, "", 2, "E626", unset);
    QTest::newRow("empty type piece") << "I_FS__E626.bmp" << structured(8, "FS", unset, "E626", unset);
    QTest::newRow("dot inside the acronym") << "I_FS_E_E6.26.bmp" << structured(8, "FS", 2, "E6", unset);
    QTest::newRow("empty acronym") << "I_FS_E_.bmp" << structured(8, "FS", 2, "", unset);
    QTest::newRow("single underscore") << "I_E626.bmp" << structured(8, unset, unset, "E626", unset);
    QTest::newRow("two underscores: the rest is the acronym")
        << "I_FS_E626.bmp" << structured(8, "FS", unset, "E626", unset);
    QTest::newRow("two underscores, no dot") << "I_FS_E626" << structured(8, "FS", unset, unset, unset);
    QTest::newRow("no dot after the fourth underscore")
        << "I_FS_E_E626_2" << structured(8, "FS", 2, "E626", unset);
    QTest::newRow("lower-case country code") << "i_fs_e_e626.bmp" << plain("i", "");
    QTest::newRow("unknown country code") << "GB_BR_D_A4.bmp" << plain("GB", "");
    QTest::newRow("no underscore, extension in capitals") << "E626.BMP" << plain("E626", "");
    QTest::newRow("later underscore digit") << "E626_10.bmp" << plain("E626", "1");
    QTest::newRow("_0 wins over _2") << "E626_2_03.bmp" << plain("E626", "0");
    QTest::newRow("SAR found in any case") << "e626_sar.bmp" << plain("e626", "SAR");
    QTest::newRow("leading underscore: up to the extension") << "_X_1.bmp" << plain("_X_1", "1");
    QTest::newRow("bare extension") << ".bmp" << plain("", "");
}

void TestNames::readBitmapName()
{
    QFETCH(QString, name);
    QFETCH(NameReading, reading);
    QCOMPARE(ReadBitmapName(name), reading);
}

void TestNames::readDibName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<NameReading>("reading");
    QTest::newRow("bitmap extension is not searched") << "E626.bmp.dib" << plain("E626.bmp", "");
    QTest::newRow("SAR without underscore") << "sar.dib" << plain("sar", "SAR");
    QTest::newRow("leading underscore") << "_X_1.dib" << plain("_X_1", "1");
    QTest::newRow("bare extension") << ".dib" << plain("", "");
    QTest::newRow("conforming name is not split") << "I_FS_E_E626_2.dib" << plain("I", "2");
}

void TestNames::readDibName()
{
    QFETCH(QString, name);
    QFETCH(NameReading, reading);
    QCOMPARE(ReadPlainName(name, ".dib"), reading);
}

void TestNames::maintainPrevious()
{
    const Shown previous = applied({}, ReadBitmapName("I_FS_E_E626_2.bmp"));
    QCOMPARE(previous, (Shown{8, "FS", 2, "E626", "2"}));

    QCOMPARE(applied(previous, ReadBitmapName("A_OBB_E_1044.bmp")), (Shown{0, "OBB", 2, "1044", "2"}));
    QCOMPARE(applied(previous, ReadBitmapName("A_OBB.bmp")), (Shown{0, "FS", 2, "OBB", "2"}));
    QCOMPARE(applied(previous, ReadBitmapName("E656.bmp")), (Shown{8, "FS", 2, "E656", ""}));
    QCOMPARE(applied(previous, ReadPlainName("E626.dib", ".dib")), (Shown{8, "FS", 2, "E626", ""}));
}

void TestNames::readingsOfGeneratedNames()
{
    QStringList codes;
    for (const CodeTable* table : {&UlandTable(), &GtTable()}) {
        for (const CodeEntry& entry : table->entries())
            codes << entry.code << entry.code << entry.code.toLower();
    }
    const QStringList others = {".",
                                ".bmp",
                                ".BMP",
                                ".dib",
                                "a",
                                "Z",
                                "sar",
                                "SaR",
                                "0",
                                "2",
                                "3",
                                " ",
                                "é",
                                "ß",
                                "Ä",
                                "ſ",
                                QString::fromUtf8("\xF0\x9D\x94\xB8")};
    const auto startsWithCountry = [](const QString& name) {
        for (const CodeEntry& entry : UlandTable().entries()) {
            if (name.startsWith(entry.code + '_'))
                return true;
        }
        return false;
    };
    const QStringList markers = {"", "SAR", "0", "1", "2", "3"};

    QRandomGenerator random(20240611);
    int structuredCount = 0;
    for (int i = 0; i < 20000; ++i) {
        // Half the names begin with a country code; underscores, codes and other pieces follow in
        // equal shares, so that many names begin like a conforming one and many almost do.
        QString name;
        if (random.bounded(2) == 0)
            name = UlandTable().at(random.bounded(UlandTable().size())).code;
        for (int n = random.bounded(12); n > 0; --n) {
            const int kind = random.bounded(3);
            const QStringList& from = kind == 1 ? codes : others;
            name += kind == 0 ? QStringLiteral("_") : from.at(random.bounded(int(from.size())));
        }

        const NameReading reading = ReadBitmapName(name);
        QCOMPARE(reading.kind == NameReading::Kind::Structured, startsWithCountry(name));
        if (reading.kind == NameReading::Kind::Structured) {
            ++structuredCount;
            QVERIFY(reading.country && *reading.country >= 0 && *reading.country < UlandTable().size());
            QVERIFY(!reading.type || (*reading.type >= 0 && *reading.type < GtTable().size()));
        } else {
            QCOMPARE(reading, ReadPlainName(name, ".bmp"));
        }

        for (const QString& extension : {QStringLiteral(".bmp"), QStringLiteral(".dib")}) {
            const NameReading r = ReadPlainName(name, extension);
            QVERIFY2(r.kind == NameReading::Kind::Plain && !r.country && !r.company && !r.type,
                     qPrintable(name));
            QVERIFY2(r.acronym && name.startsWith(*r.acronym), qPrintable(name));
            QVERIFY2(r.suffix && markers.contains(*r.suffix), qPrintable(name));
        }
    }
    // The generator must reach both readings in earnest.
    QVERIFY(structuredCount > 1000 && structuredCount < 19000);
}

void TestNames::firstEmptyField_data()
{
    QTest::addColumn<QStringList>("texts"); // country, company, type, acronym
    QTest::addColumn<std::optional<MandatoryField>>("field");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("all empty: country first")
        << QStringList{"", "", "", ""} << std::optional(MandatoryField::Country)
        << "Select the ULAND (country)!";
    QTest::newRow("company of blanks, rest not looked at")
        << QStringList{"I", "   ", "", ""} << std::optional(MandatoryField::Company) << "Select the company!";
    QTest::newRow("type empty") << QStringList{"I", "fs", " ", ""} << std::optional(MandatoryField::Type)
                                << "Select the GT (type)!";
    QTest::newRow("acronym empty") << QStringList{"I", "fs", "E", "  "}
                                   << std::optional(MandatoryField::Acronym) << "Select the acronym!";
    QTest::newRow("a tab is not blank")
        << QStringList{"\t", "\t", "\t", "\t"} << std::optional<MandatoryField>() << "";
    QTest::newRow("typed combo texts pass")
        << QStringList{"   X", "fs", "ITALY", "E626"} << std::optional<MandatoryField>() << "";
}

void TestNames::firstEmptyField()
{
    QFETCH(QStringList, texts);
    QFETCH(std::optional<MandatoryField>, field);
    QFETCH(QString, prompt);
    const std::optional<MandatoryField> found =
        vorlin::firstEmptyField({texts[0], texts[1], texts[2], texts[3], "   "});
    QCOMPARE(found, field);
    if (found)
        QCOMPARE(promptFor(*found), prompt);
}

void TestNames::composeName_data()
{
    QTest::addColumn<QStringList>("texts"); // country, company, type, acronym, suffix
    QTest::addColumn<QString>("name");
    const QString italy = "I   - Italy";
    const QString electric = "E  - Electrical Locomotive";
    QTest::newRow("list entries, no suffix")
        << QStringList{italy, "fs", electric, "E626", ""} << "I_FS_E_E626.bmp";
    QTest::newRow("acronym and suffix keep their case, trimmed")
        << QStringList{italy, "fs", electric, "  e626 ", "Sar"} << "I_FS_E_e626_Sar.bmp";
    QTest::newRow("blank inside the company stays")
        << QStringList{italy, "fs ag", electric, "E626", ""} << "I_FS AG_E_E626.bmp";
    QTest::newRow("typed combo texts")
        << QStringList{"Italy", "fs", "ITALY", "E626", ""} << "ITA_FS_IT_E626.bmp";
    QTest::newRow("country of blanks before X")
        << QStringList{"   X", "fs", electric, "E626", ""} << "_FS_E_E626.bmp";
    QTest::newRow("suffix of blanks")
        << QStringList{italy, "fs", electric, "E626", "   "} << "I_FS_E_E626.bmp";
    QTest::newRow("suffix with underscores")
        << QStringList{"USA - United States Of America", "up", "D  - Steam Locomotive", "BigBoy", " 2_3 "}
        << "USA_UP_D_BigBoy_2_3.bmp";
    QTest::newRow("upper-casing is Unicode-aware")
        << QStringList{italy, "société", electric, "é", "ß"} << "I_SOCIÉTÉ_E_é_ß.bmp";
    QTest::newRow("tabs are kept") << QStringList{italy, "\tfs", electric, "E626\t", ""}
                                   << "I_\tFS_E_E626\t.bmp";
}

void TestNames::composeName()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, name);
    QCOMPARE(vorlin::composeName({texts[0], texts[1], texts[2], texts[3], texts[4]}), name);
}

void TestNames::portableNameProblem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem"); // a part of the reason; empty when the name is fine
    QTest::newRow("conforming name") << "I_FS_E_E626.bmp"
                                     << "";
    QTest::newRow("non-ASCII letters") << "I_SOCIÉTÉ_E_é_ß.bmp"
                                       << "";
    QTest::newRow("slash") << "a/b.bmp"
                           << "The name \"a/b.bmp\" contains \"/\"";
    QTest::newRow("backslash") << "a\\b.bmp"
                               << "\"\\\"";
    QTest::newRow("newline") << "a\nb.bmp"
                             << "U+000A";
    QTest::newRow("delete") << "a\x7F.bmp"
                            << "U+007F";
    QTest::newRow("colon") << "I_FS_E_E:1.bmp"
                           << "\":\"";
    QTest::newRow("question mark") << "E?.bmp"
                                   << "\"?\"";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + ".bmp"
                                    << "U+D800";
    QTest::newRow("leading byte order mark") << QChar(0xFEFF) + QString("E626.bmp") << "U+FEFF";
    QTest::newRow("byte order mark inside") << "E" + QString(QChar(0xFEFF)) + "626.bmp"
                                            << "";
    QTest::newRow("trailing dot") << "E626."
                                  << "ends in a dot";
    QTest::newRow("trailing space") << "E626 "
                                    << "ends in a space";
    QTest::newRow("device name") << "CON"
                                 << "reserved for a device";
    QTest::newRow("device name in small letters, with extension") << "com1.bmp"
                                                                  << "reserved for a device";
    QTest::newRow("COM0 is no device") << "COM0.bmp"
                                       << "";
    QTest::newRow("longer stem is no device") << "CONSOLE.bmp"
                                              << "";
    QTest::newRow("255 bytes") << QString(251, 'x') + ".bmp"
                               << "";
    QTest::newRow("256 bytes") << QString(252, 'x') + ".bmp"
                               << "256 bytes";
    QTest::newRow("255 characters but 256 bytes") << QString(250, 'x') + "é.bmp"
                                                  << "256 bytes";
    QTest::newRow("empty") << ""
                           << "empty";
    QTest::newRow("dot dot") << ".."
                             << "folder";
}

void TestNames::portableNameProblem()
{
    QFETCH(QString, name);
    QFETCH(QString, problem);
    const std::optional<QString> reason = vorlin::portableNameProblem(name);
    QCOMPARE(reason.has_value(), !problem.isEmpty());
    if (reason)
        QVERIFY2(reason->contains(problem), qPrintable(*reason));
}

QTEST_APPLESS_MAIN(TestNames)
#include "tst_names.moc"
