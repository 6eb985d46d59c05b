// Fuzz target for the name readers, the composition of names and the portable-name check: a broken
// promise aborts with a line that says which one. Built with NAMES_FUZZ_REPLAY it is an ordinary
// program that runs every file of a corpus folder through the target once.
#include "names/CodeTables.h"
#include "names/DrawingName.h"
#include "names/NameReading.h"

#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace vorlin;
using namespace Qt::StringLiterals;

namespace {

// The first promise that text breaks, or an empty text.
QString brokenBy(const QString& text)
{
    const NameReading reading = ReadBitmapName(text);
    bool countryFirst = false;
    for (const CodeEntry& entry : UlandTable().entries())
        countryFirst = countryFirst || text.startsWith(entry.code + u'_');
    if (countryFirst ? reading.kind != NameReading::Kind::Structured || !reading.country
                     : reading != ReadPlainName(text, u".bmp"_s))
        return u"a name beginning with a country code and _ is read structured, any other as plain"_s;
    for (const QString& extension : {u".bmp"_s, u".dib"_s}) {
        const NameReading r = ReadPlainName(text, extension);
        if (r.country || r.company || r.type || !r.acronym || !text.startsWith(*r.acronym) ||
            !QStringList{"", "SAR", "0", "1", "2", "3"}.contains(r.suffix.value_or(u"x"_s)))
            return u"a plain reading sets only an acronym that begins the name and a suffix marker"_s;
    }

    // The country chosen from its list entry, the text in every other field.
    const QString country = reading.country ? UlandTable().at(*reading.country).listEntry : QString();
    const QString composed = composeName({country, text, text, text, text});
    if (reading.country && ReadBitmapName(composed).country != reading.country)
        return u"a composed name reads its country back"_s;
    for (const QString& name : {text, composed, composeName({text, text, text, text, text})}) {
        if (portableNameProblem(name))
            continue;
        if (name.isEmpty() || name == u"." || name == u".." || name.toUtf8().size() > MaxNameBytes ||
            QString::fromUtf8(name.toUtf8()) != name)
            return u"an accepted name names a file, fits in 255 bytes and survives UTF-8"_s;
        for (const QChar c : name)
            if (c == u'/' || c == u'\\' || c.unicode() < 0x20 || c.unicode() == 0x7F)
                return u"an accepted name has no path separator and no control character"_s;
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The same bytes taken as UTF-16 code units also reach unpaired surrogates, which decoding
    // UTF-8 never yields. An empty input may come as a null pointer, which memcpy must not get.
    QString units(qsizetype(size / 2), Qt::Uninitialized);
    if (size >= 2)
        std::memcpy(units.data(), data, size / 2 * 2);
    for (const QString& text :
         {QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)), units}) {
        if (const QString broken = brokenBy(text); !broken.isEmpty()) {
            std::fprintf(stderr, "names_fuzz: broken: %s\n  text (UTF-8, percent-encoded): %s\n",
                         qPrintable(broken), text.toUtf8().toPercentEncoding().constData());
            std::abort();
        }
    }
    return 0;
}

#ifdef NAMES_FUZZ_REPLAY
int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const QFileInfoList files = QDir(QString::fromLocal8Bit(argv[1])).entryInfoList(QDir::Files);
    for (const QFileInfo& file : files) {
        QFile in(file.filePath());
        if (!in.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray bytes = in.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
    std::printf("replayed %lld inputs from %s\n", qlonglong(files.size()), argv[1]);
    return files.isEmpty() ? 1 : 0;
}
#endif
