// Picture loading beneath the window, and the box that shows a picture. The bitmap suite carries
// the pixel formats (tst_hostile refuses the broken files of MalformedBitmaps.h); the rows made
// here add what the suite lacks: 2 bits a pixel, data after an RLE picture's end, and drawings too
// large to show whole, whose top left is shown all the same.
#include "BmpWriter.h"
#include "platform/PictureBox.h"
#include "platform/Pictures.h"

#include <QPainter>
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
// the reference is fully transparent. The bytes of a 32-bit ARGB pixel are blue, green, red, alpha.
static bool looksLike(const QImage& shown, const QImage& reference, int tolerance)
{
    const QImage a = argb(shown), b = argb(reference);
    bool same = a.size() == b.size();
    for (qsizetype i = 0; same && i < a.sizeInBytes(); ++i)
        same = (i % 4 != 3 && b.constBits()[i | 3] == 0) ||
               qAbs(a.constBits()[i] - b.constBits()[i]) <= tolerance;
    return same;
}

class TestPictures : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    // A file of size bytes, zeros but for head and end: sparse, however large.
    QString write(const char* name, const QByteArray& head, qint64 size, const QByteArray& end = {})
    {
        QFile file(m_dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size() || !file.resize(size) ||
            !file.seek(size - end.size()) || file.write(end) != end.size())
            qFatal("cannot write %s", name);
        return file.fileName();
    }

private slots:
    void initTestCase() { configurePictureLoading(); }

    void showsThePictureOrItsTopLeft_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<QImage>>("looks"); // what it may look like (its top left where too large)
        QTest::addColumn<QString>("whole");       // "show", "" (may be refused), or why it must be refused
        const QString suite = QStringLiteral(VORLIN_BMPSUITE "/");
        QFile list(suite + u"expected.tsv"_s);
        if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
            qWarning("no bitmap suite at %s", VORLIN_BMPSUITE);
        while (list.isOpen() && !list.atEnd()) {
            const QStringList fields = QString::fromUtf8(list.readLine()).trimmed().split(u'\t');
            if (fields.size() != 3 || fields[0].startsWith(u'#'))
                continue;
            QList<QImage> looks;
            for (const QString& reference : fields[2].split(u','))
                if (reference != u"-")
                    looks << QImage(suite + reference);
            QTest::newRow(qPrintable(fields[0]))
                << suite + fields[0] << looks << (fields[1] == u"show" ? fields[1] : QString());
        }

        QImage two(reinterpret_cast<const uchar*>("\0\1\2\3\1\0\0\0\3\2\1\0\2"), 5, 2, 8,
                   QImage::Format_Indexed8);
        two.setColorTable({0xff123456, 0xffabcdef, 0xffff0000, 0xff0000ff});
        QByteArray table;
        for (const QRgb colour : two.colorTable())
            table += le(colour);
        const QByteArray twoBits = bmp(5, 2, 2, 0, table, "\xe4\x80\0\0\x1b\x40\0\0"_ba);
        QTest::newRow("2 bits a pixel, width not a multiple of 4")
            << write("two.bmp", twoBits, twoBits.size()) << QList{two} << u"show"_s;
        const QByteArray rle = bmp(2, 1, 8, 1, table, "\1\0\1\1\0\1"_ba);
        QTest::newRow("RLE8 picture followed by 1 GiB of zeros")
            << write("rle.bmp", rle, rle.size() + (qint64(1) << 30)) << QList{two.copy(0, 0, 2, 1)}
            << u"show"_s;
        const auto huge = [this](const char* tag, int w, int h, const char* why) {
            QImage topLeft(qMin(w, 311), 63, QImage::Format_Grayscale8);
            const int stride = (w * 3 + 3) / 4 * 4;
            QByteArray top; // the top rows, stored last, each in a grey of its own
            for (int y = topLeft.height() - 1; y >= 0; --y) {
                std::memset(topLeft.scanLine(y), y, size_t(topLeft.width()));
                top += QByteArray(3 * topLeft.width(), char(y)).leftJustified(stride, '\0');
            }
            QTest::newRow(tag) << write(tag, bmp(w, h, 24), 54 + qint64(stride) * h, top) << QList{topLeft}
                               << QString::fromLatin1(why);
        };
        huge("30000 by 20000 at 24 bits, its top rows at the end", 30000, 20000,
             "would take 2289 MB; at most 512 MB");
        huge("1 by 40000, higher than any side shown whole", 1, 40000, "at most 32767 pixels a side");
    }

    // A good file is shown exactly as its reference; any other is refused or shown as one of its
    // references (a bad one without a reference can only be refused or tolerated). A questionable
    // one may lie one step off: the 11-bit values of q/rgb32-111110.bmp are no exact scaling of its
    // reference's. The top left that the box shows, 311 by 63 pixels, is shown unless the whole is
    // refused for more than its size, and takes no memory for the rest of the picture nor for bytes
    // after its pixels. The box paints it at the top left of its contents, unscaled and clipped,
    // never over its frame, and nothing after cls().
    void showsThePictureOrItsTopLeft()
    {
        QFETCH(QString, path);
        QFETCH(QList<QImage>, looks);
        QFETCH(QString, whole);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long peakKiB = usage.ru_maxrss;
        QImage picture, topLeft;
        const auto failure = loadPicture(path, picture);
        const auto topLeftFailure = loadPicture(QFile::encodeName(path), topLeft, QSize(311, 63));
        getrusage(RUSAGE_SELF, &usage);
        QCOMPARE_LT(usage.ru_maxrss - peakKiB, 64 << 10);
        const QString why = failure ? failure->description : QString();
        QVERIFY2(whole.isEmpty() || (whole == u"show" ? !failure : why.contains(whole)), qPrintable(why));
        QCOMPARE(topLeftFailure.has_value(), failure && whole.isEmpty());
        if (topLeftFailure)
            return;
        if (!failure)
            QCOMPARE(topLeft, picture.copy(QRect(0, 0, 311, 63) & picture.rect()));
        const auto looksRight = [&](const QImage& reference) {
            return looksLike(failure ? topLeft : picture, reference, path.contains(u"/q/") ? 1 : 0);
        };
        QVERIFY(looks.isEmpty() || std::any_of(looks.cbegin(), looks.cend(), looksRight));

        PictureBox box;
        box.resize(100, 40);
        QImage painted = argb(box.grab().toImage());
        const QImage empty = painted;
        box.setPicture(topLeft);
        QPainter(&painted).drawImage(box.contentsRect().topLeft(), topLeft,
                                     QRect({}, box.contentsRect().size()));
        QCOMPARE(argb(box.grab().toImage()), painted);
        box.cls();
        QCOMPARE(argb(box.grab().toImage()), empty);
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
