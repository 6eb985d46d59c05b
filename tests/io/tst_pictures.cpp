// Picture loading beneath the window: the formats it must decode pixel for pixel, truncation at
// any byte, and a large drawing. Broken files are tried through the window (tst_hostile).
#include "BmpWriter.h"
#include "platform/Pictures.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

#ifdef Q_OS_UNIX
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

    // Each format decodes to its exact pixels; every prefix of the file is refused, or gives the
    // whole picture when nothing is missing.
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
    }

    void loadsBitmapsWholeOrNotAtAll()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QImage whole;
        const auto failure = loadPicture(write(name, bytes), whole);
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(whole.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));
        for (qsizetype length = 0; length < bytes.size(); ++length) {
            QImage picture;
            if (!loadPicture(write(name, bytes.left(length)), picture))
                QVERIFY2(picture == whole, qPrintable(QStringLiteral("prefix of %1 bytes").arg(length)));
        }
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

    // 8000 by 6000 at 24 bits decodes to 183 MiB, more than Qt's own default limit allows. The file
    // is written a row at a time.
    void loadsALargeDrawing()
    {
        QVERIFY(QImageReader::allocationLimit() * qint64(1 << 20) >= qint64(8000) * 6000 * 4);
        QFile file(m_dir.filePath("large.bmp"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        Bmp head;
        head.width = 8000;
        head.height = 6000;
        file.write(head.head());
        QByteArray row(8000 * 3, '\0');
        for (int y = 5999; y >= 0; --y) {
            for (int x = 0; x < 8000; ++x) {
                const QRgb c = patternColor(x, y);
                row[3 * x] = char(qBlue(c));
                row[3 * x + 1] = char(qGreen(c));
                row[3 * x + 2] = char(qRed(c));
            }
            QCOMPARE(file.write(row), row.size());
        }
        file.close();
        QImage picture;
        const auto failure = loadPicture(file.fileName(), picture);
        file.remove();
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(picture.size(), QSize(8000, 6000));
        for (const QPoint p :
             {QPoint(0, 0), QPoint(7999, 0), QPoint(0, 5999), QPoint(7999, 5999), QPoint(4321, 1234)})
            QCOMPARE(picture.pixel(p), patternColor(p.x(), p.y()));
    }
};

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
