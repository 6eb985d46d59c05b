// The naming convention: the code tables, reading names, the mandatory fields, composing a name and
// whether it can be a file name.
#include "../fuzz/NameInvariants.h"

#include <QRandomGenerator>
#include <QTest>

using namespace vorlin;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(vorlin::NameReading)
Q_DECLARE_METATYPE(std::optional<vorlin::MandatoryField>)

namespace vorlin {
// Lets QCOMPARE print both readings when they differ.
char* toString(const NameReading& r)
{
    const auto text = [](const std::optional<QString>& s) {
        return s ? '"' + *s + '"' : u"-"_s;
    };
    const auto number = [](const std::optional<int>& n) {
        return n ? QString::number(*n) : u"-"_s;
    };
    return qstrdup(qPrintable(u"%1(%2, %3, %4, %5, %6)"_s.arg(
        r.kind == NameReading::Kind::Structured ? u"structured"_s : u"plain"_s, number(r.country),
        text(r.company), number(r.type), text(r.acronym), text(r.suffix))));
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

} // namespace

class TestNames : public QObject
{
    Q_OBJECT

private slots:

    void listEntriesAreTheDesignedTexts()
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
                              "I   - Italy", "JP  - Japan", "NL  - Netherlands", "P   - Portugal",
                              "PL  - Poland", "SP  - Spain", "USA - United States Of America"}));
    }

    void positionOf_data()
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

    void positionOf()
    {
        QFETCH(bool, country);
        QFETCH(QString, text);
        QTEST((country ? UlandTable() : GtTable()).positionOf(text), "position");
    }

    void codeOfComboText_data()
    {
        QTest::addColumn<bool>("country");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code");
        const auto row = [](const char* tag, bool country, const QString& text, const QString& code) {
            QTest::newRow(tag) << country << text << code;
        };
        row("three-letter country entry", true, u"USA - United States Of America"_s, u"USA"_s);
        row("one-letter country entry", true, u"A   - Austria"_s, u"A"_s);
        row("two-letter type entry", false, u"DT - Steam Railcar"_s, u"DT"_s);
        row("empty text", true, u""_s, u""_s);
        row("shorter text yields what there is", true, u" x"_s, u"x"_s);
        row("blanks before the cut hide the rest", true, u"   X"_s, u""_s);
        row("tab is not trimmed", false, u"\tE"_s, u"\tE"_s);
        row("surrogate pair counts as one character", true, u"\U0001D538BCD"_s, u"\U0001D538BC"_s);
    }

    void codeOfComboText()
    {
        QFETCH(bool, country);
        QFETCH(QString, text);
        QTEST((country ? UlandTable() : GtTable()).codeOfComboText(text), "code");
    }

    void readBitmapName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<NameReading>("reading");
        const auto row = [](const char* tag, const QString& name, const NameReading& reading) {
            QTest::newRow(tag) << name << reading;
        };
        row("three underscores leave the suffix unset", u"I_FS_E_E626.bmp"_s,
            structured(8, "FS", 2, "E626", unset));
        row("worked example", u"FRG_DB_V_V200_SAR.bmp"_s, structured(5, "DB", 8, "V200", "SAR"));
        row("suffix holds underscores", u"I_FS_E_E626_2_3.bmp"_s, structured(8, "FS", 2, "E626", "2_3"));
        row("unknown type code", u"I_FS_XX_E626.bmp"_s, structured(8, "FS", unset, "E626", unset));
        row("empty company", u"I__E_E626.bmp"_s, structured(8, "", 2, "E626", unset));
        row("empty type piece", u"I_FS__E626.bmp"_s, structured(8, "FS", unset, "E626", unset));
        row("dot inside the acronym", u"I_FS_E_E6.26.bmp"_s, structured(8, "FS", 2, "E6", unset));
        row("empty acronym", u"I_FS_E_.bmp"_s, structured(8, "FS", 2, "", unset));
        row("single underscore", u"I_E626.bmp"_s, structured(8, unset, unset, "E626", unset));
        row("two underscores: the rest is the acronym", u"I_FS_E626.bmp"_s,
            structured(8, "FS", unset, "E626", unset));
        row("two underscores, no dot", u"I_FS_E626"_s, structured(8, "FS", unset, unset, unset));
        row("no dot after the fourth underscore", u"I_FS_E_E626_2"_s, structured(8, "FS", 2, "E626", unset));
        row("lower-case country code", u"i_fs_e_e626.bmp"_s, plain("i", ""));
        row("unknown country code", u"GB_BR_D_A4.bmp"_s, plain("GB", ""));
        row("no underscore, extension in capitals", u"E626.BMP"_s, plain("E626", ""));
        row("later underscore digit", u"E626_10.bmp"_s, plain("E626", "1"));
        row("_0 wins over _2", u"E626_2_03.bmp"_s, plain("E626", "0"));
        row("SAR found in any case", u"e626_sar.bmp"_s, plain("e626", "SAR"));
        row("leading underscore: up to the extension", u"_X_1.bmp"_s, plain("_X_1", "1"));
        row("bare extension", u".bmp"_s, plain("", ""));
    }

    void readBitmapName()
    {
        QFETCH(QString, name);
        QTEST(ReadBitmapName(name), "reading");
    }

    void readDibName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<NameReading>("reading");
        QTest::newRow("bitmap extension is not searched") << u"E626.bmp.dib"_s << plain("E626.bmp", "");
        QTest::newRow("SAR without underscore") << u"sar.dib"_s << plain("sar", "SAR");
        QTest::newRow("leading underscore") << u"_X_1.dib"_s << plain("_X_1", "1");
        QTest::newRow("bare extension") << u".dib"_s << plain("", "");
        QTest::newRow("conforming name is not split") << u"I_FS_E_E626_2.dib"_s << plain("I", "2");
    }

    void readDibName()
    {
        QFETCH(QString, name);
        QTEST(ReadPlainName(name, ".dib"), "reading");
    }

    // Names that begin like a conforming one, or almost do, keep every promise of the readers, the
    // composition and the name check (NameInvariants.h, which the fuzz target checks as well).
    void generatedNamesKeepEveryPromise()
    {
        QStringList codes;
        for (const CodeTable* table : {&UlandTable(), &GtTable()})
            for (const CodeEntry& entry : table->entries())
                codes << entry.code << entry.code << entry.code.toLower();
        const QStringList others = u".|.bmp|.BMP|.dib|a|Z|sar|SaR|0|2|3| |é|ß|Ä|ſ|\U0001D538"_s.split(u'|');
        QRandomGenerator random(20240611);
        int structuredCount = 0;
        for (int i = 0; i < 20000; ++i) {
            // Half the names begin with a country code; underscores, codes and other pieces follow in
            // equal shares.
            QString name;
            if (random.bounded(2) == 0)
                name = UlandTable().at(random.bounded(UlandTable().size())).code;
            for (int n = random.bounded(12); n > 0; --n) {
                const int kind = random.bounded(3);
                const QStringList& from = kind == 1 ? codes : others;
                name += kind == 0 ? u"_"_s : from.at(random.bounded(int(from.size())));
            }
            const std::optional<QString> broken = test::NameInvariants::brokenBy(name);
            QVERIFY2(!broken, qPrintable(broken.value_or(QString())));
            structuredCount += ReadBitmapName(name).kind == NameReading::Kind::Structured;
        }
        // The generator must reach both readings in earnest.
        QVERIFY(structuredCount > 1000 && structuredCount < 19000);
    }

    void firstEmptyField_data()
    {
        QTest::addColumn<QStringList>("texts"); // country, company, type, acronym
        QTest::addColumn<std::optional<MandatoryField>>("field");
        QTest::addColumn<QString>("prompt");
        const auto row = [](const char* tag, const QStringList& texts, std::optional<MandatoryField> field,
                            const QString& prompt) {
            QTest::newRow(tag) << texts << field << prompt;
        };
        row("all empty: country first", {"", "", "", ""}, MandatoryField::Country,
            u"Select the ULAND (country)!"_s);
        row("company of blanks, rest not looked at", {"I", "   ", "", ""}, MandatoryField::Company,
            u"Select the company!"_s);
        row("type empty", {"I", "fs", " ", ""}, MandatoryField::Type, u"Select the GT (type)!"_s);
        row("acronym empty", {"I", "fs", "E", "  "}, MandatoryField::Acronym, u"Select the acronym!"_s);
        row("a tab is not blank", {"\t", "\t", "\t", "\t"}, unset, {});
        row("typed combo texts pass", {"   X", "fs", "ITALY", "E626"}, unset, {});
    }

    void firstEmptyField()
    {
        QFETCH(QStringList, texts);
        QFETCH(std::optional<MandatoryField>, field);
        const std::optional<MandatoryField> found =
            vorlin::firstEmptyField({texts[0], texts[1], texts[2], texts[3], "   "});
        QCOMPARE(found, field);
        if (found)
            QTEST(promptFor(*found), "prompt");
    }

    void composeName_data()
    {
        QTest::addColumn<QStringList>("texts"); // country, company, type, acronym, suffix
        QTest::addColumn<QString>("name");
        const auto row = [](const char* tag, const QStringList& texts, const QString& name) {
            QTest::newRow(tag) << texts << name;
        };
        const QString italy = u"I   - Italy"_s, electric = u"E  - Electrical Locomotive"_s;
        row("list entries, no suffix", {italy, "fs", electric, "E626", ""}, u"I_FS_E_E626.bmp"_s);
        row("acronym and suffix keep their case, trimmed", {italy, "fs", electric, "  e626 ", "Sar"},
            u"I_FS_E_e626_Sar.bmp"_s);
        row("blank inside the company stays", {italy, "fs ag", electric, "E626", ""},
            u"I_FS AG_E_E626.bmp"_s);
        row("typed combo texts", {"Italy", "fs", "ITALY", "E626", ""}, u"ITA_FS_IT_E626.bmp"_s);
        row("country of blanks before X", {"   X", "fs", electric, "E626", ""}, u"_FS_E_E626.bmp"_s);
        row("suffix of blanks", {italy, "fs", electric, "E626", "   "}, u"I_FS_E_E626.bmp"_s);
        row("suffix with underscores",
            {"USA - United States Of America", "up", "D  - Steam Locomotive", "BigBoy", " 2_3 "},
            u"USA_UP_D_BigBoy_2_3.bmp"_s);
        row("upper-casing is Unicode-aware", {italy, "société", electric, "é", "ß"},
            u"I_SOCIÉTÉ_E_é_ß.bmp"_s);
        row("tabs are kept", {italy, "\tfs", electric, "E626\t", ""}, u"I_\tFS_E_E626\t.bmp"_s);
    }

    void composeName()
    {
        QFETCH(QStringList, texts);
        QTEST(vorlin::composeName({texts[0], texts[1], texts[2], texts[3], texts[4]}), "name");
    }

    void portableNameProblem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem"); // a part of the reason; empty when the name is fine
        const auto row = [](const char* tag, const QString& name, const QString& problem) {
            QTest::newRow(tag) << name << problem;
        };
        row("conforming name", u"I_FS_E_E626.bmp"_s, {});
        row("non-ASCII letters", u"I_SOCIÉTÉ_E_é_ß.bmp"_s, {});
        row("slash", u"a/b.bmp"_s, u"The name \"a/b.bmp\" contains \"/\""_s);
        row("backslash", u"a\\b.bmp"_s, u"\"\\\""_s);
        row("newline", u"a\nb.bmp"_s, u"U+000A"_s);
        row("delete", u"a\x7F.bmp"_s, u"U+007F"_s);
        row("colon", u"I_FS_E_E:1.bmp"_s, u"\":\""_s);
        row("question mark", u"E?.bmp"_s, u"\"?\""_s);
        row("lone surrogate", QString(QChar(0xD800)) + u".bmp"_s, u"U+D800"_s);
        row("leading byte order mark", u"\uFEFFE626.bmp"_s, u"U+FEFF"_s);
        row("byte order mark inside", u"E\uFEFF626.bmp"_s, {});
        row("trailing dot", u"E626."_s, u"ends in a dot"_s);
        row("trailing space", u"E626 "_s, u"ends in a space"_s);
        row("device name", u"CON"_s, u"reserved for a device"_s);
        row("device name in small letters, with extension", u"com1.bmp"_s, u"reserved for a device"_s);
        row("COM0 is no device", u"COM0.bmp"_s, {});
        row("longer stem is no device", u"CONSOLE.bmp"_s, {});
        row("255 bytes", QString(251, u'x') + u".bmp"_s, {});
        row("256 bytes", QString(252, u'x') + u".bmp"_s, u"256 bytes"_s);
        row("255 characters but 256 bytes", QString(250, u'x') + u"é.bmp"_s, u"256 bytes"_s);
        row("empty", u""_s, u"empty"_s);
        row("dot dot", u".."_s, u"folder"_s);
    }

    void portableNameProblem()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        const std::optional<QString> reason = vorlin::portableNameProblem(name);
        QCOMPARE(reason.has_value(), !problem.isEmpty());
        if (reason)
            QVERIFY2(reason->contains(problem), qPrintable(*reason));
    }
};

QTEST_APPLESS_MAIN(TestNames)
#include "tst_names.moc"
