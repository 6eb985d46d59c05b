// Fuzz target for the name readers, the composition of names and the portable-name check.
// Every broken invariant aborts with a line that says which one.

#include "names/CodeTables.h"
#include "names/DrawingName.h"
#include "names/NameReading.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace vorlin;

namespace {

void check(bool holds, const char* invariant, const QString& text)
{
    if (holds)
        return;
    std::fprintf(stderr, "names_fuzz: broken: %s\n  text (UTF-8, percent-encoded): %s\n", invariant,
                 text.toUtf8().toPercentEncoding().constData());
    std::abort();
}

bool startsWithCountry(const QString& name)
{
    for (const CodeEntry& entry : UlandTable().entries()) {
        if (name.startsWith(entry.code + u'_'))
            return true;
    }
    return false;
}

bool inRange(const std::optional<int>& position, const CodeTable& table)
{
    return !position || (*position >= 0 && *position < table.size());
}

void checkPlain(const NameReading& r, const QString& name)
{
    check(r.kind == NameReading::Kind::Plain, "plain reading has kind plain", name);
    check(!r.country && !r.company && !r.type, "plain reading leaves country, company, type unset", name);
    check(r.acronym && r.suffix, "plain reading sets acronym and suffix", name);
    check(name.startsWith(*r.acronym), "plain acronym is a beginning of the name", name);
    static const QStringList markers = {"", "SAR", "0", "1", "2", "3"};
    check(markers.contains(*r.suffix), "plain suffix is a marker", name);
}

void checkPortable(const QString& name)
{
    const std::optional<QString> problem = portableNameProblem(name);
    if (problem) {
        check(!problem->trimmed().isEmpty(), "a refused name has a reason", name);
        return;
    }
    check(!name.isEmpty() && name != u"." && name != u"..", "an accepted name names a file", name);
    for (const QChar c : name) {
        check(c != u'/' && c != u'\\', "an accepted name has no path separator", name);
        check(c.unicode() >= 0x20 && c.unicode() != 0x7F, "an accepted name has no control character", name);
    }
    const QByteArray utf8 = name.toUtf8();
    check(utf8.size() <= MaxNameBytes, "an accepted name fits in 255 bytes of UTF-8", name);
    check(QString::fromUtf8(utf8) == name, "an accepted name survives UTF-8", name);
}

QString entryAt(const CodeTable& table, const std::optional<int>& position)
{
    return position ? table.at(*position).listEntry : QString();
}

void checkComposed(const DrawingFields& fields, const std::optional<int>& country)
{
    const QString name = composeName(fields);
    check(name.endsWith(u".bmp"), "a composed name ends in .bmp", name);
    if (country) {
        check(name.startsWith(UlandTable().at(*country).code + u'_'),
              "a composed name begins with the chosen country code", name);
        check(ReadBitmapName(name).country == country, "a composed name reads back its country", name);
    }
    checkPortable(name);
}

void fuzzText(const QString& text)
{
    const NameReading reading = ReadBitmapName(text);
    check(inRange(reading.country, UlandTable()) && inRange(reading.type, GtTable()), "positions in range",
          text);
    if (startsWithCountry(text)) {
        check(reading.kind == NameReading::Kind::Structured && reading.country.has_value(),
              "a name beginning with a country code and _ is read structured", text);
    } else {
        checkPlain(reading, text);
    }
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzText(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));

    // The same bytes taken as UTF-16 code units also reach unpaired surrogates, which decoding
    // UTF-8 never yields. An empty input may come as a null pointer, which memcpy must not get.
    if (size >= 2) {
        QString units(qsizetype(size / 2), Qt::Uninitialized);
        std::memcpy(units.data(), data, size / 2 * 2);
        fuzzText(units);
    }
    return 0;
}
