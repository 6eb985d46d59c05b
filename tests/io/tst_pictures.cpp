#include "BmpWriter.h"
#include "platform/Pictures.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace vorlin;
using namespace vorlin::test;

namespace {

constexpr int InvalidPicture = 481;

QImage patternImage24(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, patternColor(x, y));
    return image;
}

QImage patternImage8(int w, int h, int colours = 256)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, paletteColor(patternIndex(x, y, colours)));
    return image;
}

// An image from rows of palette indexes, top row first.
QImage indexedImage(const QList<QList<int>>& rows)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, paletteColor(rows[y][x]));
    return image;
}

Bmp runLengths(int w, int h, int bitCount, const QByteArray& data)
{
    Bmp b;
    b.width = w;
    b.height = h;
    b.bitCount = quint16(bitCount);
    b.compression = bitCount == 8 ? 1 : 2;
    for (int i = 0; i < (1 << bitCount); ++i) {
        const QRgb c = paletteColor(i);
        b.palette += char(qBlue(c));
        b.palette += char(qGreen(c));
        b.palette += char(qRed(c));
        b.palette += '\0';
    }
    b.pixels = data;
    return b;
}

// Rows, bottom first: three of 10, then 1 2 3 as they are; skip two, two of 7; six of 5.
const QByteArray rle8Data("\x03\x0a\x00\x03\x01\x02\x03\x00\x00\x00"
                          "\x00\x02\x02\x00\x02\x07\x00\x00"
                          "\x06\x05\x00\x01",
                          22);
const QList<QList<int>> rle8Rows{{5, 5, 5, 5, 5, 5}, {0, 0, 7, 7, 0, 0}, {10, 10, 10, 1, 2, 3}};

// Rows, bottom first: 1 2 1 2 1; then 3 4 5 as they are and two of 14.
const QByteArray rle4Data("\x05\x12\x00\x00"
                          "\x00\x03\x34\x50\x02\xee\x00\x01",
                          12);
const QList<QList<int>> rle4Rows{{3, 4, 5, 14, 14}, {1, 2, 1, 2, 1}};

Bmp withMasks(int bitCount, quint32 red, quint32 green, quint32 blue)
{
    Bmp b;
    b.width = 3;
    b.height = 2;
    b.bitCount = quint16(bitCount);
    b.compression = 3;
    Bmp::put32(b.masks, red);
    Bmp::put32(b.masks, green);
    Bmp::put32(b.masks, blue);
    const int stride = Bmp::stride(3, bitCount);
    b.pixels = QByteArray(stride * 2, '\0');
    if (bitCount == 32) {
        for (int r = 0; r < 2; ++r)
            for (int x = 0; x < 3; ++x) {
                const QRgb c = patternColor(x, 1 - r);
                char* p = b.pixels.data() + r * stride + x * 4;
                p[0] = char(qBlue(c));
                p[1] = char(qGreen(c));
                p[2] = char(qRed(c));
            }
    }
    return b;
}

// A bitmap of 1 or 4 bits a pixel whose index at (x, y) is (x + y) modulo the palette size.
Bmp packed(int w, int h, int bitCount)
{
    Bmp b = runLengths(w, h, bitCount, {});
    b.compression = 0;
    const int stride = Bmp::stride(w, bitCount);
    b.pixels = QByteArray(stride * h, '\0');
    const int colours = 1 << bitCount;
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            const int index = (x + (h - 1 - r)) % colours;
            const int bit = x * bitCount;
            b.pixels[r * stride + bit / 8] =
                char(b.pixels[r * stride + bit / 8] | index << (8 - bitCount - bit % 8));
        }
    return b;
}

QImage packedImage(int w, int h, int bitCount)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, paletteColor((x + y) % (1 << bitCount)));
    return image;
}

// The 12-byte header keeps three bytes a colour.
Bmp coreIndexed8(int w, int h)
{
    Bmp b = Bmp::indexed8(w, h);
    b.infoSize = 12;
    QByteArray table;
    for (qsizetype i = 0; i < b.palette.size(); i += 4)
        table += b.palette.mid(i, 3);
    b.palette = table;
    return b;
}

QByteArray pngBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    patternImage24(4, 4).save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        if (!writeFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        configurePictureLoading();
    }

    void loadsBitmaps_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");

        QTest::newRow("24 bits, named .bmp")
            << "loco.bmp" << Bmp::rgb24(7, 5).bytes() << patternImage24(7, 5);
        QTest::newRow("ordinary bitmap named .dib")
            << "loco.dib" << Bmp::rgb24(7, 5).bytes() << patternImage24(7, 5);
        QTest::newRow("ordinary bitmap named .DIB")
            << "LOCO.DIB" << Bmp::rgb24(7, 5).bytes() << patternImage24(7, 5);
        QTest::newRow("bitmap without suffix") << "loco" << Bmp::rgb24(3, 2).bytes() << patternImage24(3, 2);
        QTest::newRow("rows stored top first")
            << "top.bmp" << Bmp::rgb24(7, -5).bytes() << patternImage24(7, 5);
        QTest::newRow("8 bits with a palette")
            << "pal.bmp" << Bmp::indexed8(9, 4).bytes() << patternImage8(9, 4);
        QTest::newRow("8 bits, palette of 16, named .dib")
            << "pal16.dib" << Bmp::indexed8(9, 4, 16).bytes() << patternImage8(9, 4, 16);
        QTest::newRow("1 bit, width not a multiple of 8")
            << "mono.bmp" << packed(13, 3, 1).bytes() << packedImage(13, 3, 1);
        QTest::newRow("4 bits, odd width") << "four.bmp" << packed(9, 3, 4).bytes() << packedImage(9, 3, 4);
        QTest::newRow("12-byte header, 8 bits")
            << "core8.bmp" << coreIndexed8(5, 3).bytes() << patternImage8(5, 3);
        Bmp core24 = Bmp::rgb24(5, 3);
        core24.infoSize = 12;
        QTest::newRow("12-byte header, 24 bits") << "core24.bmp" << core24.bytes() << patternImage24(5, 3);
        Bmp v4 = Bmp::rgb24(5, 3);
        v4.infoSize = 108;
        QTest::newRow("108-byte header") << "v4.bmp" << v4.bytes() << patternImage24(5, 3);
        Bmp v5 = Bmp::rgb24(5, 3);
        v5.infoSize = 124;
        QTest::newRow("124-byte header") << "v5.bmp" << v5.bytes() << patternImage24(5, 3);
        QTest::newRow("32 bits with colour masks")
            << "masks.bmp" << withMasks(32, 0xff0000, 0xff00, 0xff).bytes() << patternImage24(3, 2);
        Bmp manyColours = Bmp::rgb24(4, 4);
        manyColours.clrUsed = 0x80000000u;
        QTest::newRow("24 bits claiming 2^31 colours: the count is unused")
            << "many.bmp" << manyColours.bytes() << patternImage24(4, 4);
        Bmp backOffset = Bmp::rgb24(4, 4);
        backOffset.offBits = 0;
        QTest::newRow("pixel offset pointing into the header: pixels follow the header")
            << "back.bmp" << backOffset.bytes() << patternImage24(4, 4);
        QTest::newRow("bytes after the pixels")
            << "tail.bmp" << Bmp::rgb24(4, 4).bytes() + QByteArray(100, 'x') << patternImage24(4, 4);
        QTest::newRow("RLE8 runs, literal pixels and a skip; skipped pixels are colour 0")
            << "rle8.bmp" << runLengths(6, 3, 8, rle8Data).bytes() << indexedImage(rle8Rows);
        QTest::newRow("RLE8 without its end mark")
            << "rle8open.bmp" << runLengths(6, 3, 8, rle8Data.chopped(2)).bytes() << indexedImage(rle8Rows);
        QTest::newRow("RLE4") << "rle4.bmp" << runLengths(5, 2, 4, rle4Data).bytes()
                              << indexedImage(rle4Rows);
    }

    void loadsBitmaps()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);

        QImage picture;
        const auto failure = loadPicture(write(name, bytes), picture);
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(picture.size(), expected.size());
        QCOMPARE(picture.convertToFormat(QImage::Format_RGB32), expected);
    }

    void refusesBrokenFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");

        const QByteArray good = Bmp::rgb24(7, 5).bytes();
        QTest::newRow("empty file") << "empty.bmp" << QByteArray() << "the file is empty";
        QTest::newRow("only BM") << "bm.bmp" << QByteArray("BM") << "cut off";
        QTest::newRow("cut in the file header") << "h10.bmp" << good.left(10) << "cut off";
        QTest::newRow("cut after the file header") << "h14.bmp" << good.left(14) << "cut off";
        QTest::newRow("cut in the info header") << "h30.bmp" << good.left(30) << "cut off";
        QTest::newRow("cut one byte before the pixels") << "h53.bmp" << good.left(53) << "cut off";
        QTest::newRow("cut at the first pixel") << "h54.bmp" << good.left(54) << "ends before its pixel data";
        QTest::newRow("cut in the pixel rows")
            << "rows.bmp" << good.left(good.size() - 10)
            << "the file is cut off (it holds 110 of 120 bytes of pixel data).";
        const QByteArray pal = Bmp::indexed8(4, 4).bytes();
        QTest::newRow("cut in the colour table") << "pal.bmp" << pal.left(54 + 500) << "colour table";
        Bmp beyond = Bmp::rgb24(4, 4);
        beyond.offBits = 100000;
        QTest::newRow("pixel offset beyond the end")
            << "far.bmp" << beyond.bytes() << "ends before its pixel data";
        QTest::newRow("PNG named .bmp")
            << "png.bmp" << pngBytes() << "not a Windows bitmap but a PNG picture";
        QTest::newRow("text named .dib")
            << "text.dib" << QByteArray("Not a drawing\n") << "not a Windows bitmap";
        QByteArray os2 = good;
        os2[1] = 'A';
        QTest::newRow("OS/2 bitmap array") << "ba.bmp" << os2 << "not a Windows bitmap";

        const auto broken = [&](const char* row, const char* name, auto change, const char* why) {
            Bmp b = Bmp::rgb24(4, 4);
            change(b);
            QTest::newRow(row) << name << b.bytes() << why;
        };
        broken(
            "7 bits a pixel", "b7.bmp", [](Bmp& b) { b.bitCount = 7; }, "7 bits a pixel");
        broken(
            "0 bits a pixel", "b0.bmp", [](Bmp& b) { b.bitCount = 0; }, "0 bits a pixel");
        broken(
            "no colour planes", "p0.bmp", [](Bmp& b) { b.planes = 0; }, "0 colour planes");
        broken(
            "three colour planes", "p3.bmp", [](Bmp& b) { b.planes = 3; }, "3 colour planes");
        broken(
            "negative width", "wneg.bmp", [](Bmp& b) { b.width = -4; }, "width of -4 pixels");
        broken(
            "zero width", "w0.bmp", [](Bmp& b) { b.width = 0; }, "width of 0 pixels");
        broken(
            "zero height", "h0.bmp", [](Bmp& b) { b.height = 0; }, "height of 0 pixels");
        broken(
            "most negative height", "hmin.bmp", [](Bmp& b) { b.height = INT_MIN; }, "too large");
        broken(
            "height of 40000", "h40k.bmp", [](Bmp& b) { b.height = 40000; }, "too large");
        broken(
            "width of 2^31 - 1", "wmax.bmp", [](Bmp& b) { b.width = INT_MAX; }, "too large");
        broken(
            "30000 by 30000 pixels", "huge.bmp",
            [](Bmp& b) {
                b.width = 30000;
                b.height = 30000;
            },
            "would take 3434 MB; at most 512 MB");
        broken(
            "header size 0", "i0.bmp", [](Bmp& b) { b.infoSize = 0; }, "header size of 0 bytes");
        broken(
            "header size 1000", "i1000.bmp", [](Bmp& b) { b.infoSize = 1000; }, "header size of 1000 bytes");
        broken(
            "52-byte header", "i52.bmp", [](Bmp& b) { b.infoSize = 52; }, "kind of bitmap header (52 bytes)");
        broken(
            "RLE8 with 24 bits", "c1.bmp", [](Bmp& b) { b.compression = 1; }, "type 1 with 24 bits");
        broken(
            "embedded JPEG", "c4.bmp", [](Bmp& b) { b.compression = 4; }, "type 4 with 24 bits");

        Bmp manyColours = Bmp::indexed8(4, 4);
        manyColours.clrUsed = 0x80000000u;
        QTest::newRow("8 bits claiming 2^31 colours")
            << "pal31.bmp" << manyColours.bytes() << "claims 2147483648";
        Bmp fourBit = runLengths(5, 2, 4, rle4Data);
        fourBit.clrUsed = 17;
        QTest::newRow("4 bits claiming 17 colours") << "pal17.bmp" << fourBit.bytes() << "claims 17 colours";
        QTest::newRow("colour masks all zero")
            << "m0.bmp" << withMasks(32, 0, 0, 0).bytes() << "colour masks";
        QTest::newRow("colour masks all ones")
            << "m1.bmp" << withMasks(32, 0xffffffff, 0xffffffff, 0xffffffff).bytes() << "colour masks";
        QTest::newRow("overlapping colour masks")
            << "mo.bmp" << withMasks(32, 0xffff00, 0xff00, 0xff).bytes() << "colour masks";
        QTest::newRow("gap in a colour mask")
            << "mg.bmp" << withMasks(32, 0xf0f000, 0xff, 0xf0000000).bytes() << "colour masks";
        QTest::newRow("16-bit masks wider than 16 bits")
            << "m16.bmp" << withMasks(16, 0x1f0000, 0x3e0, 0x1f).bytes() << "colour masks";
        QTest::newRow("colour masks cut off")
            << "mc.bmp" << withMasks(32, 0xff0000, 0xff00, 0xff).bytes().left(60) << "cut off";

        QTest::newRow("RLE8 run past the end of a row")
            << "r1.bmp" << runLengths(6, 3, 8, QByteArray("\x07\x01\x00\x01", 4)).bytes()
            << "past the end of row 1";
        QTest::newRow("RLE8 literal pixels past the end of a row")
            << "r2.bmp"
            << runLengths(6, 3, 8, QByteArray("\x03\x01\x00\x04\x01\x02\x03\x04\x00\x01", 10)).bytes()
            << "past the end of row 1";
        QTest::newRow("RLE4 run past the end of a row")
            << "r3.bmp" << runLengths(5, 2, 4, QByteArray("\x06\x12\x00\x01", 4)).bytes()
            << "past the end of row";
        QTest::newRow("RLE8 skip beyond the top")
            << "r4.bmp" << runLengths(6, 3, 8, QByteArray("\x00\x02\x00\x09\x00\x01", 6)).bytes()
            << "above the top row";
        QTest::newRow("RLE8 pixels above the top row")
            << "r5.bmp" << runLengths(2, 1, 8, QByteArray("\x02\x01\x00\x00\x02\x01\x00\x01", 8)).bytes()
            << "above the top row";
        QTest::newRow("RLE8 data ending in the second row")
            << "r6.bmp" << runLengths(6, 3, 8, rle8Data.left(14)).bytes() << "ends in row 2 of 3";
        QTest::newRow("RLE8 literal pixels cut off")
            << "r7.bmp" << runLengths(6, 3, 8, QByteArray("\x00\x05\x01\x02", 4)).bytes()
            << "ends in row 1 of 3";
        QTest::newRow("RLE8 skip cut off")
            << "r8.bmp" << runLengths(6, 3, 8, QByteArray("\x00\x02\x01", 3)).bytes() << "ends in row 1 of 3";
        Bmp topDownRle = runLengths(6, -3, 8, rle8Data);
        QTest::newRow("RLE8 stored top row first") << "r9.bmp" << topDownRle.bytes() << "top row first";
    }

    void refusesBrokenFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);

        // A failed load leaves the caller's picture as it was.
        const QImage before = patternImage24(2, 2);
        QImage picture = before;
        const auto failure = loadPicture(write(name, bytes), picture);
        QVERIFY2(failure, "the file was accepted");
        QCOMPARE(failure->number, InvalidPicture);
        QVERIFY2(failure->description.startsWith(QStringLiteral("Cannot show \"%1\": ").arg(name)),
                 qPrintable(failure->description));
        QVERIFY2(failure->description.contains(why), qPrintable(failure->description));
        QVERIFY(failure->description.endsWith('.'));
        QCOMPARE(picture, before);
    }

    // Every prefix of a bitmap is either refused or, when nothing is missing, the whole picture.
    void neverShowsPartOfAFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("24 bits") << Bmp::rgb24(5, 3).bytes();
        QTest::newRow("8 bits with palette of 16") << Bmp::indexed8(5, 3, 16).bytes();
        QTest::newRow("RLE8") << runLengths(6, 3, 8, rle8Data).bytes();
        QTest::newRow("RLE4") << runLengths(5, 2, 4, rle4Data).bytes();
        QTest::newRow("32 bits with colour masks") << withMasks(32, 0xff0000, 0xff00, 0xff).bytes();
        QTest::newRow("1 bit") << packed(13, 3, 1).bytes();
    }

    void neverShowsPartOfAFile()
    {
        QFETCH(QByteArray, bytes);
        QImage whole;
        QVERIFY(!loadPicture(write("whole.bmp", bytes), whole));
        for (qsizetype length = 0; length < bytes.size(); ++length) {
            QImage picture;
            const auto failure = loadPicture(write("prefix.bmp", bytes.left(length)), picture);
            if (!failure)
                QVERIFY2(picture == whole, qPrintable(QStringLiteral("prefix of %1 bytes").arg(length)));
        }
    }

    // Any single damaged header byte gives a failure or a picture, never a crash (the sanitizer
    // build watches the reads).
    void survivesDamagedHeaderBytes()
    {
        const QList<QByteArray> files{Bmp::rgb24(5, 3).bytes(), Bmp::indexed8(5, 3, 16).bytes(),
                                      runLengths(6, 3, 8, rle8Data).bytes()};
        int refused = 0;
        for (const QByteArray& good : files) {
            for (qsizetype at = 0; at < 54; ++at) {
                for (const char value : {'\x00', '\x7f', '\x80', '\xff'}) {
                    QByteArray bytes = good;
                    bytes[at] = value;
                    QImage picture;
                    const auto failure = loadPicture(write("damaged.bmp", bytes), picture);
                    if (failure) {
                        ++refused;
                        QVERIFY(failure->description.startsWith("Cannot show \"damaged.bmp\": "));
                    } else {
                        QVERIFY(!picture.isNull());
                    }
                }
            }
        }
        QVERIFY(refused > 0);
    }

    void refusesWhatIsNotAFile()
    {
        QImage picture;
        auto failure = loadPicture(m_dir.filePath("missing.bmp"), picture);
        QVERIFY(failure);
        QCOMPARE(failure->number, ENOENT);
        QCOMPARE(failure->description,
                 QStringLiteral("Cannot show \"missing.bmp\": the file does not exist."));

        QVERIFY(QDir(m_dir.path()).mkdir("folder.bmp"));
        failure = loadPicture(m_dir.filePath("folder.bmp"), picture);
        QVERIFY(failure);
        QCOMPARE(failure->number, EISDIR);
        QVERIFY(failure->description.contains("\"folder.bmp\""));
        QVERIFY(picture.isNull());
    }

#ifdef Q_OS_UNIX
    // A named pipe that looks like a drawing must not hang the window waiting for a writer.
    void refusesANamedPipe()
    {
        const QString path = m_dir.filePath("pipe.bmp");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        QImage picture;
        const auto failure = loadPicture(path, picture);
        QVERIFY(failure);
        QVERIFY(failure->description.startsWith("Cannot show \"pipe.bmp\": it is not an ordinary file"));
    }

    void refusesAnUnreadableFile()
    {
        if (::geteuid() == 0)
            QSKIP("running as root, which reads any file");
        const QString path = write("locked.bmp", Bmp::rgb24(2, 2).bytes());
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QImage picture;
        const auto failure = loadPicture(path, picture);
        QVERIFY(failure);
        QCOMPARE(failure->number, EACCES);
        QCOMPARE(failure->description,
                 QStringLiteral("Cannot show \"locked.bmp\": access to the file is denied."));
    }
#endif

    // 8000 by 6000 at 24 bits decodes to 183 MiB, more than Qt's own default limit allows.
    void loadsALargeDrawing()
    {
        QVERIFY(QImageReader::allocationLimit() * qint64(1 << 20) >= qint64(8000) * 6000 * 4);
        const QString path = m_dir.filePath("large.bmp");
        QVERIFY(writeLargeRgb24(path, 8000, 6000));
        QImage picture;
        const auto failure = loadPicture(path, picture);
        QFile::remove(path);
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(picture.size(), QSize(8000, 6000));
        for (const QPoint p :
             {QPoint(0, 0), QPoint(7999, 0), QPoint(0, 5999), QPoint(7999, 5999), QPoint(4321, 1234)})
            QCOMPARE(picture.pixel(p), patternColor(p.x(), p.y()));
    }
};

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
