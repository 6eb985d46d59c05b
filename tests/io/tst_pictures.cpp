// Picture loading beneath the window, and the box that shows a picture. The bitmap suite carries the
// pixel formats (tst_hostile refuses the broken files of MalformedBitmaps.h); here is what the suite
// lacks: 2 bits a pixel, data after an RLE picture, and drawings too large to show whole.
#include "BmpWriter.h"
#include "platform/PictureBox.h"
#include "platform/Pictures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <sys/resource.h>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

static QImage argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Whether shown looks like reference, each channel within tolerance, the colour not compared where
// the reference is fully transparent.
static bool looksLike(const QImage& shown, const QImage& reference, int tolerance)
{
    const QImage a = argb(shown), b = argb(reference);
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

private slots:
    void initTestCase() { configurePictureLoading(); }

    void showsTheBitmapSuite_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("references");
        QFile list(QStringLiteral(VORLIN_BMPSUITE "/expected.tsv"));
        if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
            QSKIP("no bitmap suite at " VORLIN_BMPSUITE);
        while (!list.atEnd()) {
            const QStringList fields = QString::fromUtf8(list.readLine()).trimmed().split(u'\t');
            if (fields.size() == 3 && !fields[0].startsWith(u'#'))
                QTest::newRow(qPrintable(fields[0]))
                    << fields[0] << (fields[2] == u"-" ? QStringList() : fields[2].split(u','));
        }
    }

    // A good file is shown exactly as its reference; any other is refused or shown as one of its
    // references (a bad one without a reference can only be refused or tolerated). A questionable
    // one may lie one step off: the 11-bit values of q/rgb32-111110.bmp are no exact scaling of
    // its reference's. The top left alone is the same.
    void showsTheBitmapSuite()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, references);
        const QDir suite(QStringLiteral(VORLIN_BMPSUITE));
        const QByteArray path = QFile::encodeName(suite.filePath(file));
        QImage whole, part;
        const auto failure = loadPicture(path, whole);
        QCOMPARE(loadPicture(path, part, QSize(50, 20)).has_value(), failure.has_value());
        if (failure) {
            QVERIFY2(!file.startsWith(u"g/"), qPrintable(failure->description));
            return;
        }
        QCOMPARE(part, whole.copy(QRect(0, 0, 50, 20) & whole.rect()));
        const auto looks = [&](const QString& reference) {
            return looksLike(whole, QImage(suite.filePath(reference)), file.startsWith(u"q/") ? 1 : 0);
        };
        QVERIFY(references.isEmpty() || std::any_of(references.cbegin(), references.cend(), looks));
    }

    void showsTheTopLeftAndReadsNoMore_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("size"); // of the file, zeros but for head and end
        QTest::addColumn<QByteArray>("end");
        QTest::addColumn<QImage>("topLeft"); // the 311 by 63 pixels at most that the box shows
        QTest::addColumn<QString>("whole");  // why the whole picture is refused; empty: it is topLeft
        const QList<QRgb> colours{0xff123456, 0xffabcdef, 0xffff0000, 0xff0000ff};
        QByteArray table;
        for (const QRgb colour : colours)
            table += le(colour);
        QImage two(reinterpret_cast<const uchar*>("\0\1\2\3\1\0\0\0\3\2\1\0\2"), 5, 2, 8,
                   QImage::Format_Indexed8);
        two.setColorTable(colours);
        const QByteArray twoBits = bmp(5, 2, 2, 0, table, "\xe4\x80\0\0\x1b\x40\0\0"_ba);
        QTest::newRow("2 bits a pixel, width not a multiple of 4")
            << twoBits << qint64(twoBits.size()) << QByteArray() << two << QString();
        const QByteArray rle = bmp(2, 1, 8, 1, table, "\1\0\1\1\0\1"_ba);
        QTest::newRow("RLE8 picture followed by 1 GiB of zeros")
            << rle << rle.size() + (qint64(1) << 30) << QByteArray() << two.copy(0, 0, 2, 1) << QString();
        const auto huge = [](const char* tag, int w, int h, const char* why) {
            QImage topLeft(qMin(w, 311), 63, QImage::Format_Grayscale8);
            const int stride = (w * 3 + 3) / 4 * 4;
            QByteArray top; // the top rows, stored last, each in a grey of its own
            for (int y = topLeft.height() - 1; y >= 0; --y) {
                std::memset(topLeft.scanLine(y), y, size_t(topLeft.width()));
                top += QByteArray(3 * topLeft.width(), char(y)).leftJustified(stride, '\0');
            }
            QTest::newRow(tag) << bmp(w, h, 24) << 54 + qint64(stride) * h << top << topLeft
                               << QString::fromLatin1(why);
        };
        huge("30000 by 20000 at 24 bits, its top rows at the end", 30000, 20000,
             "would take 2289 MB; at most 512 MB");
        huge("1 by 40000, higher than any side shown whole", 1, 40000, "at most 32767 pixels a side");
    }

    // The top left takes no memory for the rest of the drawing nor for bytes after its pixels (the
    // files are sparse), and a shorter file is refused. The box paints it at the top left of its
    // contents, unscaled and clipped, never over its frame, and nothing after cls().
    void showsTheTopLeftAndReadsNoMore()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, size);
        QFETCH(QByteArray, end);
        QFETCH(QImage, topLeft);
        QFETCH(QString, whole);
        const QTemporaryDir dir;
        QFile file(dir.filePath(u"drawing.bmp"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(head) == head.size() && file.resize(size));
        QVERIFY(file.seek(size - end.size()) && file.write(end) == end.size());
        file.close();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long peakKiB = usage.ru_maxrss;
        QImage picture, shown;
        const auto failure = loadPicture(file.fileName(), picture);
        QVERIFY2(failure ? !whole.isEmpty() && failure->description.contains(whole)
                         : argb(picture) == argb(topLeft),
                 failure ? qPrintable(failure->description) : "the whole picture differs");
        QVERIFY(!loadPicture(QFile::encodeName(file.fileName()), shown, QSize(311, 63)));
        QCOMPARE(argb(shown), argb(topLeft));
        getrusage(RUSAGE_SELF, &usage);
        QCOMPARE_LT(usage.ru_maxrss - peakKiB, 64 << 10);
        for (qsizetype length = 0; size == head.size() && length < size; ++length) {
            QVERIFY(writeFile(file.fileName(), head.left(length)));
            QVERIFY2(loadPicture(file.fileName(), picture) &&
                         loadPicture(QFile::encodeName(file.fileName()), picture, QSize(311, 63)),
                     qPrintable(u"shown when cut after %1 bytes"_s.arg(length)));
        }

        PictureBox box;
        box.resize(100, 40);
        const QImage empty = argb(box.grab().toImage()), expected = argb(shown);
        box.setPicture(shown);
        const QImage painted = argb(box.grab().toImage());
        const QRect contents = box.contentsRect(), drawn = expected.rect().translated(contents.topLeft());
        for (int y = 0; y < painted.height(); ++y)
            for (int x = 0; x < painted.width(); ++x)
                QCOMPARE(painted.pixel(x, y), contents.contains(x, y) && drawn.contains(x, y)
                                                  ? expected.pixel(QPoint(x, y) - contents.topLeft())
                                                  : empty.pixel(x, y));
        box.cls();
        QCOMPARE(argb(box.grab().toImage()), empty);
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
