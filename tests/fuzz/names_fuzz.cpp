// Fuzz target for the name readers, the composition of names and the portable-name check: a broken
// promise aborts with a line that says which one. Built with NAMES_FUZZ_REPLAY (the committed
// corpus folder) it is an ordinary program that runs every file of a corpus folder through the
// target once: the folder given as its argument, or else the committed corpus.
#include "names/CodeTables.h"
#include "names/DrawingName.h"
#include "names/NameReading.h"

#include <QDir>
#include <QRegularExpression>

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

    // The country chosen from its list entry, the text in every other field.
    const QString country = reading.country ? UlandTable().at(*reading.country).listEntry : QString();
    const QString composed = composeName({country, text, text, text, text});
    if (reading.country && ReadBitmapName(composed).country != reading.country)
        return u"a composed name reads its country back"_s;

    static const QRegularExpression unsafe(uR"([/\\\x00-\x1F\x7F])"_s);
    for (const QString& name : {text, composed, composeName({text, text, text, text, text})}) {
        if (!portableNameProblem(name) &&
            (name.isEmpty() || name == u"." || name == u".." || name.toUtf8().size() > MaxNameBytes ||
             QString::fromUtf8(name.toUtf8()) != name || name.contains(unsafe)))
            return u"an accepted name names a file, fits in 255 bytes, survives UTF-8 and has no path "
                   u"separator or control character"_s;
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The same bytes taken as UTF-16 code units also reach unpaired surrogates, which decoding
    // UTF-8 never yields. A broken promise is reported with the text UTF-8 and percent-encoded.
    QString units;
    for (size_t i = 0; i + 1 < size; i += 2)
        units.append(QChar(char16_t(data[i] | data[i + 1] << 8)));
    for (const QString& text :
         {QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)), units})
        if (const QString broken = brokenBy(text); !broken.isEmpty())
            qFatal("names_fuzz: %s: %s", qPrintable(broken), text.toUtf8().toPercentEncoding().constData());
    return 0;
}

#ifdef NAMES_FUZZ_REPLAY
int main(int argc, char** argv)
{
    const QDir corpus(QString::fromLocal8Bit(argc > 1 ? argv[1] : NAMES_FUZZ_REPLAY));
    const QFileInfoList files = corpus.entryInfoList(QDir::Files);
    for (const QFileInfo& file : files) {
        QFile in(file.filePath());
        if (!in.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray bytes = in.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
    return files.isEmpty() ? 1 : 0;
}
#endif
