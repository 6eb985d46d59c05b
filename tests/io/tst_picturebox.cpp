// The picture box paints its picture at the top left of its contents, unscaled and clipped, never
// over its frame, and nothing after cls() until a picture is set again.
#include "BmpWriter.h"
#include "platform/PictureBox.h"

#include <QTest>

using namespace vorlin;
using namespace vorlin::test;

class TestPictureBox : public QObject
{
    Q_OBJECT

private slots:
    void paintsAtTheTopLeftUnscaledAndClipped()
    {
        const QColor background(255, 255, 128);
        PictureBox box;
        QPalette palette = box.palette();
        palette.setColor(QPalette::Window, background);
        box.setPalette(palette);
        box.resize(100, 80);
        const auto shot = [&box] {
            return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QImage empty = shot();
        const QPoint origin = box.contentsRect().topLeft();
        QVERIFY(origin != QPoint(0, 0));

        // Wider than the box and lower than it: cut off at the right, background below.
        const QImage picture = pattern(300, 10);
        box.cls();
        box.setPicture(picture);
        box.refresh();
        QImage image = shot();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QPoint p(x, y);
                if (!box.contentsRect().contains(p))
                    QCOMPARE(image.pixel(p), empty.pixel(p));
                else if (y - origin.y() < picture.height())
                    QCOMPARE(image.pixel(p), picture.pixel(p - origin));
                else
                    QCOMPARE(image.pixelColor(p), background);
            }

        box.cls();
        QCOMPARE(shot(), empty);
        QCOMPARE(box.picture(), picture);

        // A palette picture shows in its colours.
        const QImage indexed = pattern(5, 3, 16);
        box.setPicture(indexed);
        image = shot();
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                QCOMPARE(image.pixelColor(origin + QPoint(x, y)),
                         x < 5 && y < 3 ? QColor(indexed.pixel(x, y)) : background);
    }
};

QTEST_MAIN(TestPictureBox)
#include "tst_picturebox.moc"
