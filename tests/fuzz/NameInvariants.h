#pragma once

// What the name readers, the composition of names and the portable-name check promise for any
// text. The fuzz target checks it on its inputs, the naming tests on generated names.

#include "names/CodeTables.h"
#include "names/DrawingName.h"
#include "names/NameReading.h"

#include <QStringList>

namespace vorlin::test {

class NameInvariants
{
public:
    // The first promise that text breaks, with the text it was checked on; or nothing.
    static std::optional<QString> brokenBy(const QString& text)
    {
        NameInvariants invariants;
        invariants.checkText(text);
        return invariants.m_broken;
    }

private:
    std::optional<QString> m_broken;

    void check(bool holds, const char* invariant, const QString& text)
    {
        if (!holds && !m_broken)
            m_broken =
                QStringLiteral("%1\n  text (UTF-8, percent-encoded): %2")
                    .arg(QLatin1String(invariant), QString::fromLatin1(text.toUtf8().toPercentEncoding()));
    }

    static bool startsWithCountry(const QString& name)
    {
        for (const CodeEntry& entry : UlandTable().entries())
            if (name.startsWith(entry.code + u'_'))
                return true;
        return false;
    }

    static bool inRange(const std::optional<int>& position, const CodeTable& table)
    {
        return !position || (*position >= 0 && *position < table.size());
    }

    static QString entryAt(const CodeTable& table, const std::optional<int>& position)
    {
        return position ? table.at(*position).listEntry : QString();
    }

    void checkPlain(const NameReading& r, const QString& name)
    {
        static const QStringList markers = {"", "SAR", "0", "1", "2", "3"};
        check(r.kind == NameReading::Kind::Plain && !r.country && !r.company && !r.type,
              "a plain reading leaves country, company and type unset", name);
        check(r.acronym && name.startsWith(*r.acronym), "a plain acronym is set and begins the name", name);
        check(r.suffix && markers.contains(*r.suffix), "a plain suffix is set and is a marker", name);
    }

    void checkPortable(const QString& name)
    {
        if (const std::optional<QString> problem = portableNameProblem(name)) {
            check(!problem->trimmed().isEmpty(), "a refused name has a reason", name);
            return;
        }
        check(!name.isEmpty() && name != u"." && name != u"..", "an accepted name names a file", name);
        for (const QChar c : name)
            check(c != u'/' && c != u'\\' && c.unicode() >= 0x20 && c.unicode() != 0x7F,
                  "an accepted name has no path separator and no control character", name);
        check(name.toUtf8().size() <= MaxNameBytes, "an accepted name fits in 255 bytes of UTF-8", name);
        check(QString::fromUtf8(name.toUtf8()) == name, "an accepted name survives UTF-8", name);
    }

    void checkComposed(const DrawingFields& fields, const std::optional<int>& country)
    {
        const QString name = composeName(fields);
        check(name.endsWith(u".bmp"), "a composed name ends in .bmp", name);
        check(!country || (name.startsWith(UlandTable().at(*country).code + u'_') &&
                           ReadBitmapName(name).country == country),
              "a composed name begins with the chosen country code and reads it back", name);
        checkPortable(name);
    }

    void checkText(const QString& text)
    {
        const NameReading reading = ReadBitmapName(text);
        check(inRange(reading.country, UlandTable()) && inRange(reading.type, GtTable()),
              "positions in range", text);
        check(startsWithCountry(text)
                  ? reading.kind == NameReading::Kind::Structured && reading.country.has_value()
                  : reading == ReadPlainName(text, QStringLiteral(".bmp")),
              "a name beginning with a country code and _ is read structured, any other as a plain .bmp name",
              text);
        checkPlain(ReadPlainName(text, QStringLiteral(".bmp")), text);
        checkPlain(ReadPlainName(text, QStringLiteral(".dib")), text);

        DrawingFields fields{entryAt(UlandTable(), reading.country), reading.company.value_or(QString()),
                             entryAt(GtTable(), reading.type), reading.acronym.value_or(QString()),
                             reading.suffix.value_or(QString())};
        checkComposed(fields, reading.country);
        fields.acronym = text;
        checkComposed(fields, reading.country);
        checkComposed({text, text, text, text, text}, std::nullopt);
        checkPortable(text);
    }
};

} // namespace vorlin::test
