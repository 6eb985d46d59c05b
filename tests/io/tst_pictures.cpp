// Picture loading beneath the window. The bitmap suite carries
// the pixel formats (tst_rename refuses the broken files of MalformedBitmaps.h); the rows made here
// add data after an RLE picture's end, and a drawing too high to show whole, whose top left is
// shown all the same.
#include "BmpWriter.h"
#include "platform/Pictures.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sys/resource.h>

using namespace vorlin;
using namespace vorlin::test;
using namespace Qt::StringLiterals;

// Whether shown looks like reference, each channel within tolerance; premultiplied, the colour of a
// fully transparent pixel does not count.
static bool looksLike(const QImage& shown, const QImage& reference, int tolerance)
{
    const QImage a = shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 b = reference.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return a.size() == b.size() && std::equal(a.constBits(), a.constBits() + a.sizeInBytes(), b.constBits(),
                                              [&](uchar x, uchar y) { return qAbs(x - y) <= tolerance; });
}

class TestPictures : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

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
            // The suite leaves 2 bits a pixel optional; this loader shows them.
            const bool show = fields[1] == u"show" || fields[0].startsWith(u"q/pal2");
            QTest::newRow(qPrintable(fields[0]))
                << suite + fields[0] << looks << (show ? u"show"_s : QString());
        }

        const QByteArray rle = bmp(2, 1, 8, 1, le(0xff123456) + le(0xffabcdef), "\1\0\1\1\0\1"_ba);
        QTest::newRow("RLE8 picture followed by 1 GiB of zeros")
            << writeFile(m_dir.filePath(u"rle.bmp"_s), rle, rle.size() + (qint64(1) << 30)) << QList<QImage>{}
            << u"show"_s;
        QTest::newRow("1 by 40000, higher than any side shown whole")
            << writeFile(m_dir.filePath(u"tall.bmp"_s), bmp(1, 40000, 24), 54 + 4 * 40000) << QList<QImage>{}
            << u"at most 32767 pixels a side"_s;
    }

    // A good file is shown exactly as its reference; any other is refused or shown as one of its
    // references (a bad one without a reference can only be refused or tolerated). A questionable
    // one may lie one step off: the 11-bit values of q/rgb32-111110.bmp are no exact scaling of its
    // reference's. The top left that the box shows, 311 by 63 pixels, is shown unless the whole is
    // refused for more than its size, and takes no memory for the rest of the picture nor for bytes
    // after its pixels.
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
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
