#include "BmpWriter.h"
#include "MalformedBitmaps.h"
#include "platform/Pictures.h"

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

        for (const MalformedBitmap& bitmap : malformedBitmaps())
            QTest::newRow(bitmap.tag) << bitmap.name << bitmap.bytes << bitmap.why;
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
