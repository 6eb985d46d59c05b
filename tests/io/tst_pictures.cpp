// Picture loading beneath the window: the formats it must decode pixel for pixel, the bitmap
// suite, truncation at any byte, and huge drawings. Broken files are tried through the window
// (tst_hostile).
#include "BmpWriter.h"
#include "platform/Pictures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace vorlin;
using namespace vorlin::test;

namespace {

// The picture of run-length data: rows of palette indexes, top row first, in runLengths' palette.
QImage decoded(const QList<QList<int>>& rows, int colours)
{
    QImage image = pattern(int(rows[0].size()), int(rows.size()), colours);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, uint(rows[y][x]));
    return image;
}

Bmp with(Bmp b, auto change)
{
    change(b);
    return b;
}

QImage rowOf(const QList<QRgb>& pixels)
{
    QImage image(int(pixels.size()), 1, QImage::Format_ARGB32);
    for (int x = 0; x < image.width(); ++x)
        image.setPixel(x, 0, pixels[x]);
    return image;
}

// Whether shown looks like reference as 32-bit ARGB, each channel within tolerance, and the colour
// not compared where the reference is fully transparent.
bool looksLike(const QImage& shown, const QImage& reference, int tolerance)
{
    const QImage a = shown.convertToFormat(QImage::Format_ARGB32);
    const QImage b = reference.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height() && a.size() == b.size(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift = qAlpha(b.pixel(x, y)) ? 0 : 24; shift < 32; shift += 8)
                if (qAbs(int(a.pixel(x, y) >> shift & 0xff) - int(b.pixel(x, y) >> shift & 0xff)) > tolerance)
                    return false;
    return a.size() == b.size();
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        if (!writeFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase() { configurePictureLoading(); }

    // Each format decodes to its exact pixels, and its top left alone to the same pixels; every
    // prefix of the file is refused, whole and top left alike, or gives the whole picture when
    // nothing is missing.
    void loadsBitmapsWholeOrNotAtAll_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        const auto row = [](const char* tag, const char* name, const Bmp& bmp, const QImage& image) {
            QTest::newRow(tag) << QString::fromLatin1(name) << bmp.bytes() << image;
        };
        const QImage rgb = pattern(7, 5), pal256 = pattern(9, 4, 256), pal16 = pattern(9, 4, 16);
        const QImage mono = pattern(13, 3, 2);
        row("24 bits, named .DIB", "LOCO.DIB", encode(rgb), rgb);
        row("rows stored top first, named .dib", "top.dib", encode(rgb, 24, true), rgb);
        row("8 bits with a palette of 256", "pal.bmp", encode(pal256, 8), pal256);
        row("8 bits with a palette of 16", "pal16.bmp", encode(pal16, 8), pal16);
        row("1 bit, width not a multiple of 8", "mono.bmp", encode(mono, 1), mono);
        row("4 bits, odd width", "four.bmp", encode(pal16, 4), pal16);
        row("12-byte header, 8 bits", "core.bmp", with(encode(pal256, 8), [](Bmp& b) { b.infoSize = 12; }),
            pal256);
        row("12-byte header, 8 bits, a table of 16 colours ended by the pixel offset", "core16.bmp",
            with(encode(pal16, 8), [](Bmp& b) { b.infoSize = 12; }), pal16);
        row("124-byte header", "v5.bmp", with(encode(rgb), [](Bmp& b) { b.infoSize = 124; }), rgb);
        row("32 bits with colour masks", "masks.bmp", encode(rgb, 32), rgb);
        row("24 bits claiming 2^31 colours: the count is unused", "many.bmp",
            with(encode(rgb), [](Bmp& b) { b.clrUsed = 0x80000000u; }), rgb);
        row("pixel offset pointing into the header: pixels follow the header", "back.bmp",
            with(encode(rgb), [](Bmp& b) { b.offBits = 0; }), rgb);
        row("bytes after the pixels", "tail.bmp", with(encode(rgb), [](Bmp& b) { b.pixels += "tail"; }), rgb);
        row("RLE8 runs, literal pixels and a skip; skipped pixels are colour 0", "rle8.bmp",
            runLengths(6, 3, 8, rle8Data), decoded(rle8Rows, 256));
        row("RLE8 without its end mark", "open.bmp", runLengths(6, 3, 8, rle8Data.chopped(2)),
            decoded(rle8Rows, 256));
        row("RLE4", "rle4.bmp", runLengths(5, 2, 4, rle4Data), decoded(rle4Rows, 16));
        row("BI_RGB in a V5 header with an alpha mask: the fourth byte is not alpha", "v5rgb.bmp",
            with(maskedRow(32, {0xff0000, 0xff00, 0xff, 0xff000000}, {0x123456, 0xabcdef}, 124),
                 [](Bmp& b) { b.compression = 0; }),
            rowOf({qRgb(0x12, 0x34, 0x56), qRgb(0xab, 0xcd, 0xef)}));
        row("10-bit channels, scaled with rounding", "ten.bmp",
            maskedRow(32, {0x3ff00000, 0xffc00, 0x3ff}, {0x3ff00000 | 3 << 10 | 512}, 40),
            rowOf({qRgb(255, 1, 128)}));
        row("4-bit alpha, opaque at 15", "alpha4.bmp",
            maskedRow(16, {0xf00, 0xf0, 0xf, 0xf000}, {0xff00, 0x800f}, 124),
            rowOf({qRgba(255, 0, 0, 255), qRgba(0, 0, 255, 136)}));
    }

    void loadsBitmapsWholeOrNotAtAll()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        const QByteArray path = QFile::encodeName(write(name, bytes));
        QImage whole, part;
        const auto failure = loadPicture(path, whole);
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(whole.convertToFormat(QImage::Format_ARGB32),
                 expected.convertToFormat(QImage::Format_ARGB32));
        QVERIFY(!loadPicture(path, part, QSize(3, 2)));
        QCOMPARE(part, whole.copy(QRect(0, 0, 3, 2) & whole.rect()));
        for (qsizetype length = 0; length < bytes.size(); ++length) {
            const QString prefix = QStringLiteral("prefix of %1 bytes").arg(length);
            QImage picture, top;
            const bool shown = !loadPicture(write(name, bytes.left(length)), picture);
            QVERIFY2(!shown || picture == whole, qPrintable(prefix));
            QVERIFY2(loadPicture(path, top, QSize(3, 2)).has_value() != shown && (!shown || top == part),
                     qPrintable(prefix + QStringLiteral(", its top left")));
        }
    }

    void showsTheBitmapSuite_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expect");
        QTest::addColumn<QStringList>("references");
        QFile list(QStringLiteral(VORLIN_BMPSUITE "/expected.tsv"));
        if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
            QSKIP("no bitmap suite at " VORLIN_BMPSUITE);
        while (!list.atEnd()) {
            const QStringList fields = QString::fromUtf8(list.readLine()).trimmed().split(u'\t');
            if (fields.size() == 3 && !fields[0].startsWith(u'#'))
                QTest::newRow(qPrintable(fields[0]))
                    << fields[0] << fields[1] << (fields[2] == u"-" ? QStringList() : fields[2].split(u','));
        }
    }

    // A good file is shown exactly as its reference; any other is refused or shown as one of its
    // references (a bad one without a reference can only be refused or tolerated). A questionable
    // one may lie one step off: the 11-bit values of q/rgb32-111110.bmp are no exact scaling of
    // its reference's. The top left alone is the same.
    void showsTheBitmapSuite()
    {
        QFETCH(QString, file);
        QFETCH(QString, expect);
        QFETCH(QStringList, references);
        const QDir suite(QStringLiteral(VORLIN_BMPSUITE));
        const QByteArray path = QFile::encodeName(suite.filePath(file));
        QImage whole, part;
        const auto failure = loadPicture(path, whole);
        QCOMPARE(loadPicture(path, part, QSize(50, 20)).has_value(), failure.has_value());
        if (failure) {
            QVERIFY2(expect != u"show", qPrintable(failure->description));
            return;
        }
        QCOMPARE(part, whole.copy(QRect(0, 0, 50, 20) & whole.rect()));
        const auto looks = [&](const QString& reference) {
            return looksLike(whole, QImage(suite.filePath(reference)), file.startsWith(u"q/") ? 1 : 0);
        };
        QVERIFY(references.isEmpty() || std::any_of(references.cbegin(), references.cend(), looks));
    }

#ifdef Q_OS_UNIX
    void refusesAnUnreadableFile()
    {
        if (::geteuid() == 0)
            QSKIP("running as root, which reads any file");
        const QString path = write("locked.bmp", encode(pattern(2, 2)).bytes());
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QImage picture;
        const auto failure = loadPicture(path, picture);
        QVERIFY(failure);
        QCOMPARE(failure->number, EACCES);
        QCOMPARE(failure->description,
                 QStringLiteral("Cannot show \"locked.bmp\": access to the file is denied."));
    }
#endif

#ifdef Q_OS_UNIX
    void readsNoMoreThanItShows_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("size"); // of the file, zeros but for head and end
        QTest::addColumn<QByteArray>("end");
        QTest::addColumn<QImage>("topLeft");
        QTest::addColumn<QString>("whole"); // why the whole picture is refused; empty when it is shown
        const QByteArray rle = runLengths(6, 3, 8, rle8Data).bytes();
        QTest::newRow("RLE8 picture followed by 1 GiB of zeros")
            << rle << rle.size() + (qint64(1) << 30) << QByteArray()
            << decoded(rle8Rows, 256).convertToFormat(QImage::Format_RGB32) << QString();
        Bmp huge;
        huge.width = 30000;
        huge.height = 20000;
        const QImage topLeft = pattern(311, 63);
        QByteArray top; // the top rows, stored last
        for (int y = topLeft.height() - 1; y >= 0; --y)
            top += encode(topLeft.copy(0, y, 311, 1)).pixels.leftJustified(30000 * 3, '\0');
        QTest::newRow("30000 by 20000 at 24 bits, its top rows at the end")
            << huge.head() << huge.head().size() + qint64(30000) * 3 * 20000 << top << topLeft
            << QStringLiteral("would take 2289 MB; at most 512 MB");
    }

    // A drawing's top left, as the box shows it, takes no memory for the rest of the drawing nor
    // for bytes after its pixels. The files are sparse.
    void readsNoMoreThanItShows()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, size);
        QFETCH(QByteArray, end);
        QFETCH(QImage, topLeft);
        QFETCH(QString, whole);
        QFile file(m_dir.filePath("huge.bmp"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(head) == head.size() && file.resize(size));
        QVERIFY(file.seek(size - end.size()) && file.write(end) == end.size());
        file.close();
        const auto peakMemoryKiB = [] {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            return usage.ru_maxrss;
        };
        const long before = peakMemoryKiB();
        QImage picture;
        const auto failure = loadPicture(file.fileName(), picture);
        QVERIFY2(failure ? !whole.isEmpty() && failure->description.contains(whole)
                         : picture.convertToFormat(QImage::Format_RGB32) == topLeft,
                 failure ? qPrintable(failure->description) : "the whole picture differs");
        QVERIFY(!loadPicture(QFile::encodeName(file.fileName()), picture, QSize(311, 63)));
        QCOMPARE(picture.convertToFormat(QImage::Format_RGB32), topLeft);
        QCOMPARE_LT(peakMemoryKiB() - before, 64 << 10);
        file.remove();
    }
#endif
};

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
