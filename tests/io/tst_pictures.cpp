// Picture loading beneath the window: what the bitmap suite does not hold decoded pixel for pixel,
// the bitmap suite, truncation at any byte, broken files refused naming them, and huge drawings.
#include "MalformedBitmaps.h"
#include "platform/Pictures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sys/resource.h>

using namespace vorlin;
using namespace vorlin::test;

// Whether shown looks like reference as 32-bit ARGB, each channel within tolerance, and the colour
// not compared where the reference is fully transparent.
static bool looksLike(const QImage& shown, const QImage& reference, int tolerance)
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

class TestPictures : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString write(const QString& name, const QByteArray& bytes)
    {
        if (!writeFile(m_dir.filePath(name), bytes))
            qFatal("cannot write %s", qPrintable(name));
        return m_dir.filePath(name);
    }

private slots:
    void initTestCase() { configurePictureLoading(); }

    // Each decodes to its exact pixels, and its top left alone to the same pixels; every prefix of
    // the file is refused, whole and top left alike, or gives the whole picture.
    void loadsBitmapsWholeOrNotAtAll_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        const QImage mono = pattern(13, 3, 2), two = pattern(9, 3, 4);
        const auto row = [](const QList<QRgb>& pixels) {
            QImage image(int(pixels.size()), 1, QImage::Format_ARGB32);
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, 0, pixels[x]);
            return image;
        };
        Bmp rgbInV5 = maskedRow(32, {0xff0000, 0xff00, 0xff, 0xff000000}, {0x123456, 0xabcdef}, 124);
        rgbInV5.compression = 0;
        QTest::newRow("1 bit, width not a multiple of 8") << encode(mono, 1).bytes() << mono;
        QTest::newRow("2 bits, width not a multiple of 4") << encode(two, 2).bytes() << two;
        QTest::newRow("BI_RGB in a V5 header with an alpha mask: the fourth byte is not alpha")
            << rgbInV5.bytes() << row({qRgb(0x12, 0x34, 0x56), qRgb(0xab, 0xcd, 0xef)});
        QTest::newRow("10-bit channels, scaled with rounding")
            << maskedRow(32, {0x3ff00000, 0xffc00, 0x3ff}, {0x3ff00000 | 3 << 10 | 512}).bytes()
            << row({qRgb(255, 1, 128)});
    }

    void loadsBitmapsWholeOrNotAtAll()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        const QString path = write("whole.bmp", bytes);
        QImage whole, part;
        const auto failure = loadPicture(path, whole);
        QVERIFY2(!failure, failure ? qPrintable(failure->description) : "");
        QCOMPARE(whole.convertToFormat(QImage::Format_ARGB32),
                 expected.convertToFormat(QImage::Format_ARGB32));
        QVERIFY(!loadPicture(QFile::encodeName(path), part, QSize(3, 2)));
        QCOMPARE(part, whole.copy(QRect(0, 0, 3, 2) & whole.rect()));
        for (qsizetype length = 0; length < bytes.size(); ++length) {
            QImage picture, top;
            const QString prefix = write("prefix.bmp", bytes.left(length));
            const bool shown = !loadPicture(prefix, picture);
            QVERIFY2(!shown || picture == whole, qPrintable(QString::number(length)));
            QVERIFY2(loadPicture(QFile::encodeName(prefix), top, QSize(3, 2)).has_value() != shown &&
                         (!shown || top == part),
                     qPrintable(QStringLiteral("top left of a prefix of %1 bytes").arg(length)));
        }
    }

    void refusesBrokenBitmapsNamingTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        for (const MalformedBitmap& bitmap : malformedBitmaps())
            QTest::newRow(bitmap.tag) << bitmap.name << bitmap.bytes << bitmap.why;
    }

    void refusesBrokenBitmapsNamingTheFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        QImage picture;
        const auto failure = loadPicture(write(name, bytes), picture);
        QVERIFY(failure);
        QVERIFY2(failure->description.startsWith(QStringLiteral("Cannot show \"%1\": ").arg(name)) &&
                     failure->description.contains(why),
                 qPrintable(failure->description));
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

    void readsNoMoreThanItShows_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("size"); // of the file, zeros but for head and end
        QTest::addColumn<QByteArray>("end");
        QTest::addColumn<QImage>("topLeft");
        QTest::addColumn<QString>("whole"); // why the whole picture is refused; empty when it is shown
        const QByteArray rle = rle8(QByteArray("\x01\x00\x01\x01\x00\x01", 6)).bytes();
        QTest::newRow("RLE8 picture followed by 1 GiB of zeros")
            << rle << rle.size() + (qint64(1) << 30) << QByteArray()
            << pattern(2, 1, 2).convertToFormat(QImage::Format_RGB32) << QString();
        const auto huge = [](const char* tag, int w, int h, const char* why) {
            Bmp b;
            b.width = w;
            b.height = h;
            const QImage topLeft = pattern(qMin(w, 311), 63);
            const int stride = (w * 3 + 3) / 4 * 4;
            QByteArray top; // the top rows, stored last
            for (int y = topLeft.height() - 1; y >= 0; --y)
                top += encode(topLeft.copy(0, y, topLeft.width(), 1)).pixels.leftJustified(stride, '\0');
            QTest::newRow(tag) << b.head() << b.head().size() + qint64(stride) * h << top << topLeft
                               << QString::fromLatin1(why);
        };
        huge("30000 by 20000 at 24 bits, its top rows at the end", 30000, 20000,
             "would take 2289 MB; at most 512 MB");
        huge("1 by 40000, higher than any side shown whole", 1, 40000, "at most 32767 pixels a side");
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
};

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
