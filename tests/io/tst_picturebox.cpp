#include "BmpWriter.h"
#include "platform/PictureBox.h"

#include <QTest>

using namespace vorlin;
using namespace vorlin::test;

namespace {

const QColor background(255, 255, 128);

QImage pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, patternColor(x, y));
    return image;
}

void prepare(PictureBox& box)
{
    QPalette palette = box.palette();
    palette.setColor(QPalette::Window, background);
    box.setPalette(palette);
    box.resize(100, 80);
}

QImage shot(PictureBox& box)
{
    return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPictureBox : public QObject
{
    Q_OBJECT

private slots:
    // The order the preview uses: clear, set, repaint.
    void showsThePictureAtTheTopLeftUnscaled()
    {
        PictureBox box;
        prepare(box);
        const QImage picture = pattern(20, 10);
        box.cls();
        box.setPicture(picture);
        box.refresh();

        const QImage image = shot(box);
        const QRect contents = box.contentsRect();
        QVERIFY(contents.topLeft() != QPoint(0, 0)); // inside the frame
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                QCOMPARE(image.pixel(contents.topLeft() + QPoint(x, y)), picture.pixel(x, y));
        QCOMPARE(image.pixelColor(contents.topLeft() + QPoint(20, 0)), background);
        QCOMPARE(image.pixelColor(contents.topLeft() + QPoint(0, 10)), background);
        QCOMPARE(image.pixelColor(contents.bottomRight()), background);
    }

    void clipsAPictureLargerThanTheBox()
    {
        PictureBox empty;
        prepare(empty);
        const QImage frameOnly = shot(empty);

        PictureBox box;
        prepare(box);
        box.setPicture(pattern(300, 300));
        const QImage image = shot(box);
        const QRect contents = box.contentsRect();
        QCOMPARE(image.size(), frameOnly.size());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QPoint p(x, y);
                if (contents.contains(p))
                    QCOMPARE(image.pixel(p), patternColor(x - contents.left(), y - contents.top()));
                else
                    QCOMPARE(image.pixel(p), frameOnly.pixel(p)); // the frame stays whole
            }
    }

    void clsClearsUntilAPictureIsSetAgain()
    {
        PictureBox box;
        prepare(box);
        const QImage first = pattern(20, 10);
        box.setPicture(first);
        box.cls();
        QImage image = shot(box);
        const QRect contents = box.contentsRect();
        for (int y = contents.top(); y <= contents.bottom(); ++y)
            for (int x = contents.left(); x <= contents.right(); ++x)
                QCOMPARE(image.pixelColor(x, y), background);
        QCOMPARE(box.picture(), first);

        const QImage second = pattern(30, 5).mirrored(true, false);
        box.setPicture(second);
        image = shot(box);
        QCOMPARE(image.pixel(contents.topLeft()), second.pixel(0, 0));
        QCOMPARE(image.pixel(contents.topLeft() + QPoint(29, 4)), second.pixel(29, 4));
        QCOMPARE(image.pixelColor(contents.topLeft() + QPoint(0, 5)), background);
    }

    void showsAPaletteBitmapInItsColours()
    {
        QImage indexed(16, 4, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < 16; ++i)
            table << paletteColor(i * 16);
        indexed.setColorTable(table);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 16; ++x)
                indexed.setPixel(x, y, uint((x + y) % 16));

        PictureBox box;
        prepare(box);
        box.setPicture(indexed);
        const QImage image = shot(box);
        const QPoint origin = box.contentsRect().topLeft();
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 16; ++x)
                QCOMPARE(image.pixel(origin + QPoint(x, y)), table[(x + y) % 16]);
    }
};

QTEST_MAIN(TestPictureBox)
#include "tst_picturebox.moc"
