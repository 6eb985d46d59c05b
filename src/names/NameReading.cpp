#include "names/NameReading.h"

#include "names/CodeTables.h"

#include <array>

// Positions below count characters from 1, as the naming rules state them; 0 means "not found".
// Only find() and between() translate to QString's 0-based indices.

namespace vorlin {

namespace {

// Position of the first occurrence of needle at or after position from, ignoring case; 0 when none.
int find(const QString& name, QStringView needle, int from)
{
    return int(name.indexOf(needle, from - 1, Qt::CaseInsensitive)) + 1;
}

// The text between positions a and b: characters a+1 to b-1.
QString between(const QString& name, int a, int b)
{
    return name.mid(a, b - a - 1);
}

// The text from after position start up to the first "." after it, or none when no dot follows.
std::optional<QString> upToDot(const QString& name, int start)
{
    const int dot = find(name, u".", start + 1);
    if (dot == 0)
        return std::nullopt;
    return between(name, start, dot);
}

} // namespace

NameReading ReadBitmapName(const QString& name)
{
    const QString extension = QStringLiteral(".bmp");

    const int p1 = find(name, u"_", 1);
    if (p1 == 0)
        return ReadPlainName(name, extension);
    const std::optional<int> country = UlandTable().positionOf(name.left(p1 - 1));
    if (!country)
        return ReadPlainName(name, extension);

    NameReading reading;
    reading.kind = NameReading::Kind::Structured;
    reading.country = country;

    const int p2 = find(name, u"_", p1 + 1);
    if (p2 == 0) {
        // country_acronym.bmp
        reading.acronym = upToDot(name, p1);
        return reading;
    }
    reading.company = between(name, p1, p2);

    const int p3 = find(name, u"_", p2 + 1);
    if (p3 == 0) {
        // country_company_rest.bmp has no type piece. The rest is taken as the acronym, up to its
        // first dot, as for a name with a single underscore; the suffix stays unset.
        reading.acronym = upToDot(name, p2);
        return reading;
    }
    reading.type = GtTable().positionOf(between(name, p2, p3));

    const int p4 = find(name, u"_", p3 + 1);
    if (p4 == 0) {
        reading.acronym = upToDot(name, p3);
        return reading;
    }
    reading.acronym = between(name, p3, p4);
    // The suffix runs to the first dot and may hold underscores of its own.
    reading.suffix = upToDot(name, p4);
    return reading;
}

NameReading ReadPlainName(const QString& name, const QString& extension)
{
    NameReading reading;
    reading.kind = NameReading::Kind::Plain;

    const int q = find(name, u"_", 1);
    if (q >= 2) {
        reading.acronym = name.left(q - 1);
    } else {
        const int b = find(name, extension, 1);
        reading.acronym = b >= 2 ? name.left(b - 1) : QString();
    }

    // The first marker found anywhere in the name wins, in this order.
    static constexpr std::array<std::pair<const char16_t*, const char16_t*>, 5> markers{{
        {u"SAR", u"SAR"},
        {u"_0", u"0"},
        {u"_1", u"1"},
        {u"_2", u"2"},
        {u"_3", u"3"},
    }};
    reading.suffix = QString();
    for (const auto& [marker, suffix] : markers) {
        if (find(name, marker, 1) != 0) {
            reading.suffix = QString::fromUtf16(suffix);
            break;
        }
    }
    return reading;
}

} // namespace vorlin
