// Draws Vorlin's pictures and icons with QPainter and writes them under the given resources folder:
//   pictures/vehicle.bmp   669 x 58, 24 bits: a train in side view, sliding along the About window's band
//   pictures/image1.bmp    54 x 53, 8 bits with a 256-colour palette: a drawing sheet and a pencil
//   pictures/vorlin.png    32 x 32, 16 colours: the window icon
//   icons/hicolor/<N>x<N>/apps/vorlin.png   the same icon design in full colour, for desktop integration
// Everything is drawn here; the output is deterministic so that a rerun changes no committed file.

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <climits>
#include <cstdio>
#include <set>
#include <vector>

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor FormYellow(255, 255, 128);

// ---------------------------------------------------------------------------------------------
// Shared parts

// A pencil from its tail (eraser end) to its point, as seen from above.
void drawPencil(QPainter& p, QPointF tail, QPointF tip, qreal width)
{
    const QLineF axis(tail, tip);
    p.save();
    p.translate(tail);
    p.rotate(-axis.angle());
    const qreal length = axis.length();
    const qreal half = width / 2;
    const qreal eraser = length * 0.12;
    const qreal ferrule = length * 0.08;
    const qreal cone = length * 0.22;
    const qreal lead = cone * 0.35;
    const qreal outline = qMax(1.0, width / 12);

    p.setPen(QPen(QColor(60, 40, 20), outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(240, 130, 150));
    p.drawRoundedRect(QRectF(0, -half, eraser + outline, width), half * 0.5, half * 0.5);
    p.setBrush(QColor(180, 180, 185));
    p.drawRect(QRectF(eraser, -half, ferrule, width));

    const qreal bodyStart = eraser + ferrule;
    const qreal bodyEnd = length - cone;
    p.setBrush(QColor(255, 205, 0));
    p.drawRect(QRectF(bodyStart, -half, bodyEnd - bodyStart, width));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 140, 0));
    p.drawRect(
        QRectF(bodyStart + outline / 2, half * 0.2, bodyEnd - bodyStart - outline, half * 0.8 - outline / 2));

    p.setPen(QPen(QColor(60, 40, 20), outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(235, 190, 130));
    p.drawPolygon(QPolygonF{QPointF(bodyEnd, -half), QPointF(length, 0), QPointF(bodyEnd, half)});
    p.setBrush(QColor(40, 40, 40));
    const qreal leadHalf = half * lead / cone;
    p.drawPolygon(
        QPolygonF{QPointF(length - lead, -leadHalf), QPointF(length, 0), QPointF(length - lead, leadHalf)});
    p.restore();
}

// A wheel of a bogie: dark tyre, lighter rim and hub.
void drawWheel(QPainter& p, QPointF centre, qreal radius)
{
    p.setPen(QPen(QColor(130, 130, 135), 1));
    p.setBrush(QColor(45, 45, 48));
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 150, 155));
    p.drawEllipse(centre, radius * 0.3, radius * 0.3);
}

// A bogie with two axles: frame, spring and wheels.
void drawBogie(QPainter& p, qreal centreX, qreal axleSpacing, qreal wheelY, qreal radius)
{
    p.setPen(QPen(QColor(110, 110, 115), 1));
    p.setBrush(QColor(60, 60, 64));
    p.drawRoundedRect(QRectF(centreX - axleSpacing / 2 - radius - 1, wheelY - radius - 1,
                             axleSpacing + 2 * radius + 2, radius + 1.5),
                      1.5, 1.5);
    drawWheel(p, QPointF(centreX - axleSpacing / 2, wheelY), radius);
    drawWheel(p, QPointF(centreX + axleSpacing / 2, wheelY), radius);
    // Axle box and spring between the wheels.
    p.setPen(QPen(QColor(170, 170, 60), 1));
    for (int i = -1; i <= 1; ++i)
        p.drawLine(QPointF(centreX - 3 + 3 * i, wheelY - radius + 0.5), QPointF(centreX + 3 * i, wheelY - 1));
}

// ---------------------------------------------------------------------------------------------
// The sliding picture: a locomotive pulling two coaches to the right, on a track, at night.

constexpr int VehicleWidth = 669;
constexpr int VehicleHeight = 58;
constexpr qreal RailTop = 51;
constexpr qreal WheelY = 46;
constexpr qreal WheelRadius = 5;

void drawTrack(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(78, 56, 38));
    for (int x = 2; x < VehicleWidth; x += 9)
        p.drawRect(QRectF(x, RailTop + 2, 6, 3));
    p.setBrush(QColor(120, 122, 128));
    p.drawRect(QRectF(0, RailTop, VehicleWidth, 2));
    p.setBrush(QColor(205, 208, 214));
    p.drawRect(QRectF(0, RailTop, VehicleWidth, 0.8));
}

void drawCoach(QPainter& p, qreal x0, qreal width, bool last)
{
    const QColor body(40, 82, 170);
    const QColor band(236, 228, 196);
    const QColor lit(255, 214, 110);

    // Roof with a light edge.
    QLinearGradient roof(0, 11, 0, 17);
    roof.setColorAt(0, QColor(190, 192, 196));
    roof.setColorAt(1, QColor(110, 112, 118));
    p.setPen(Qt::NoPen);
    p.setBrush(roof);
    p.drawRoundedRect(QRectF(x0 + 2, 11, width - 4, 7), 3, 3);

    // Body.
    p.setPen(QPen(QColor(20, 40, 90), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(x0 + 0.5, 15.5, width - 1, 27), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRect(QRectF(x0 + 1, 20, width - 2, 11));
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(x0 + 1, 35, width - 2, 1.2));

    // Doors at both ends, each with a small window.
    for (const qreal doorX : {x0 + 7, x0 + width - 17}) {
        p.setPen(QPen(QColor(20, 40, 90), 1));
        p.setBrush(body.darker(115));
        p.drawRect(QRectF(doorX + 0.5, 18.5, 10, 23));
        p.setPen(Qt::NoPen);
        p.setBrush(lit);
        p.drawRect(QRectF(doorX + 3, 21, 5, 8));
    }

    // Passenger windows between the doors, lit from inside.
    const qreal first = x0 + 24;
    const qreal last_ = x0 + width - 24;
    const int count = int((last_ - first) / 16);
    const qreal pitch = (last_ - first) / count;
    for (int i = 0; i < count; ++i) {
        const QRectF pane(first + i * pitch + 2, 21.5, pitch - 4, 8);
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(lit);
        p.drawRoundedRect(pane, 1.2, 1.2);
        p.setPen(QPen(QColor(255, 240, 190), 1));
        p.drawLine(QPointF(pane.left() + 1.5, pane.top() + 1.5),
                   QPointF(pane.right() - 1.5, pane.top() + 1.5));
    }

    // Underframe with equipment boxes.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(55, 55, 58));
    p.drawRect(QRectF(x0 + 4, 42.5, width - 8, 2.5));
    p.setBrush(QColor(75, 75, 80));
    p.drawRect(QRectF(x0 + width * 0.38, 42, width * 0.1, 4));
    p.drawRect(QRectF(x0 + width * 0.52, 42, width * 0.08, 4));

    drawBogie(p, x0 + 30, 18, WheelY, WheelRadius);
    drawBogie(p, x0 + width - 30, 18, WheelY, WheelRadius);

    // Buffers at both ends; the last coach carries the red tail lamp.
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(x0 - 1.5, 37, 2, 3));
    p.drawRect(QRectF(x0 + width - 0.5, 37, 2, 3));
    if (last) {
        p.setBrush(QColor(255, 40, 30));
        p.drawEllipse(QPointF(x0 + 2.5, 39), 1.4, 1.4);
    }
}

// A single-arm pantograph standing on the roof at baseX, raised to the wire or lowered.
void drawPantograph(QPainter& p, qreal baseX, qreal roofY, bool raised)
{
    const QPen arm(QColor(200, 202, 208), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 235, 225));
    p.drawRect(QRectF(baseX - 1, roofY - 1.5, 2, 1.5));
    p.drawRect(QRectF(baseX + 21, roofY - 1.5, 2, 1.5));
    p.setPen(QPen(QColor(90, 90, 95), 1));
    p.drawLine(QPointF(baseX - 2, roofY - 2), QPointF(baseX + 24, roofY - 2));

    p.setPen(arm);
    if (raised) {
        const QPointF pivot(baseX + 2, roofY - 2.5);
        const QPointF knee(baseX + 22, roofY - 8);
        const QPointF head(baseX + 9, 2.5);
        p.drawLine(pivot, knee);
        p.drawLine(knee, head);
        p.drawLine(QPointF(pivot.x() + 3, pivot.y()), QPointF(knee.x() - 2, knee.y() + 0.5));
        p.setPen(QPen(QColor(225, 225, 230), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(head.x() - 8, 2), QPointF(head.x() + 8, 2));
        p.drawLine(QPointF(head.x() - 8, 2), QPointF(head.x() - 10, 3.5));
        p.drawLine(QPointF(head.x() + 8, 2), QPointF(head.x() + 10, 3.5));
    } else {
        p.drawLine(QPointF(baseX + 2, roofY - 2.5), QPointF(baseX + 20, roofY - 4));
        p.drawLine(QPointF(baseX + 20, roofY - 4), QPointF(baseX + 6, roofY - 5));
        p.drawLine(QPointF(baseX - 1, roofY - 5), QPointF(baseX + 13, roofY - 5));
    }
}

void drawLocomotive(QPainter& p, qreal x0, qreal width)
{
    const qreal x1 = x0 + width;
    const QColor red(210, 36, 36);
    const QColor darkRed(120, 14, 14);
    const QColor glass(150, 205, 240);

    // Roof and pantographs: the rear one raised, the front one lowered.
    QLinearGradient roof(0, 10, 0, 16);
    roof.setColorAt(0, QColor(185, 188, 192));
    roof.setColorAt(1, QColor(100, 102, 108));
    p.setPen(Qt::NoPen);
    p.setBrush(roof);
    p.drawRoundedRect(QRectF(x0 + 10, 11, width - 20, 6), 2.5, 2.5);
    p.setBrush(QColor(80, 82, 88));
    p.drawRect(QRectF(x0 + width * 0.42, 9.5, width * 0.16, 2.5));
    drawPantograph(p, x0 + 24, 12, true);
    drawPantograph(p, x1 - 48, 12, false);

    // Body with slanted cab ends.
    QPolygonF body{QPointF(x0 + 11, 15.5), QPointF(x1 - 11, 15.5), QPointF(x1 - 4, 19),
                   QPointF(x1 - 0.5, 31),  QPointF(x1 - 0.5, 43),  QPointF(x0 + 0.5, 43),
                   QPointF(x0 + 0.5, 31),  QPointF(x0 + 4, 19)};
    QLinearGradient shade(0, 15, 0, 43);
    shade.setColorAt(0, red.lighter(115));
    shade.setColorAt(1, red.darker(120));
    p.setPen(QPen(darkRed, 1, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(shade);
    p.drawPolygon(body);

    // Cream stripe along the side.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 232, 200));
    p.drawRect(QRectF(x0 + 1, 33, width - 2, 2));

    // Wind screens at both ends and side windows of the cabs.
    p.setPen(QPen(QColor(40, 40, 45), 1));
    p.setBrush(glass);
    p.drawPolygon(QPolygonF{QPointF(x1 - 11, 18.5), QPointF(x1 - 5, 20.5), QPointF(x1 - 2.5, 28),
                            QPointF(x1 - 11, 28)});
    p.drawPolygon(QPolygonF{QPointF(x0 + 11, 18.5), QPointF(x0 + 5, 20.5), QPointF(x0 + 2.5, 28),
                            QPointF(x0 + 11, 28)});
    p.drawRect(QRectF(x1 - 24.5, 19.5, 8, 8));
    p.drawRect(QRectF(x0 + 16.5, 19.5, 8, 8));

    // Cab doors.
    p.setPen(QPen(darkRed, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(x1 - 36.5, 18.5, 9, 23));
    p.drawRect(QRectF(x0 + 27.5, 18.5, 9, 23));
    p.setPen(QPen(QColor(230, 230, 230), 1));
    p.drawLine(QPointF(x1 - 30, 32), QPointF(x1 - 30, 38));
    p.drawLine(QPointF(x0 + 34, 32), QPointF(x0 + 34, 38));

    // Ventilation grilles of the machine room.
    const qreal grillesFrom = x0 + 44;
    const qreal grillesTo = x1 - 44;
    const int grilles = 5;
    const qreal pitch = (grillesTo - grillesFrom) / grilles;
    for (int g = 0; g < grilles; ++g) {
        const QRectF grille(grillesFrom + g * pitch + 2, 19.5, pitch - 4, 10);
        p.setPen(QPen(darkRed, 1));
        p.setBrush(red.darker(135));
        p.drawRect(grille);
        p.setPen(QPen(QColor(235, 120, 110), 0.8));
        for (qreal y = grille.top() + 2; y < grille.bottom() - 0.5; y += 2)
            p.drawLine(QPointF(grille.left() + 1, y), QPointF(grille.right() - 1, y));
    }

    // Emblem in the middle of the side.
    p.setPen(QPen(QColor(255, 220, 80), 1.2));
    p.setBrush(Qt::NoBrush);
    const QPointF emblem(x0 + width / 2, 38.5);
    p.drawEllipse(emblem, 3, 2.2);
    p.drawLine(emblem - QPointF(5, 0), emblem + QPointF(5, 0));

    // Head lamps at the front; the red tail lamp is on the last coach.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 250, 210));
    p.drawEllipse(QPointF(x1 - 2.5, 39), 1.5, 1.5);
    p.drawEllipse(QPointF(x1 - 6.5, 16.8), 1.3, 1.1);

    // Underframe, buffers and two bogies.
    p.setBrush(QColor(55, 55, 58));
    p.drawRect(QRectF(x0 + 6, 42.5, width - 12, 2.5));
    p.setBrush(QColor(70, 72, 76));
    p.drawRoundedRect(QRectF(x0 + width * 0.4, 42, width * 0.2, 5), 1.5, 1.5);
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(x0 - 1.5, 37, 2, 3));
    p.drawRect(QRectF(x1 - 0.5, 37, 2, 3));
    drawBogie(p, x0 + 34, 20, WheelY, WheelRadius + 0.5);
    drawBogie(p, x1 - 34, 20, WheelY, WheelRadius + 0.5);
}

QImage vehicle()
{
    QImage image(VehicleWidth, VehicleHeight, QImage::Format_RGB32);
    image.fill(Black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawTrack(p);

    const qreal coach = 238;
    const qreal gap = 6;
    qreal x = 8;
    drawCoach(p, x, coach, true);
    x += coach + gap;
    drawCoach(p, x, coach, false);
    x += coach + gap;
    drawLocomotive(p, x, VehicleWidth - 9 - x);

    // Couplings between the vehicles.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 120, 120));
    for (const qreal joint : {8 + coach, 8 + 2 * coach + gap})
        p.drawRect(QRectF(joint, 38, gap, 1.5));
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------------------------------------
// The icon: a drawing sheet with a locomotive on it, and a pencil. Drawn on a 256 by 256 grid and
// scaled to the size asked for.

void drawIcon(QPainter& p, int size)
{
    p.save();
    p.scale(size / 256.0, size / 256.0);
    const qreal outline = size <= 32 ? 12 : size <= 64 ? 8 : 6;

    // The sheet with its folded corner.
    const QPolygonF sheet{QPointF(30, 18), QPointF(178, 18), QPointF(226, 66), QPointF(226, 238),
                          QPointF(30, 238)};
    p.setPen(QPen(QColor(64, 64, 64), outline, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(White);
    p.drawPolygon(sheet);
    p.setBrush(QColor(192, 192, 192));
    p.drawPolygon(QPolygonF{QPointF(178, 18), QPointF(178, 66), QPointF(226, 66)});

    // A locomotive on the sheet: pantograph, roof, red body with windows, wheels on a rail.
    const QPen thin(QColor(0, 0, 0), outline * 0.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(thin);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{QPointF(92, 96), QPointF(128, 72), QPointF(104, 54)});
    p.drawLine(QPointF(84, 54), QPointF(124, 54));

    p.setPen(QPen(QColor(64, 64, 64), outline * 0.6));
    p.setBrush(QColor(128, 128, 128));
    p.drawRect(QRectF(62, 94, 132, 12));

    p.setPen(QPen(QColor(120, 0, 0), outline * 0.6, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(QColor(200, 30, 30));
    p.drawPolygon(QPolygonF{QPointF(60, 104), QPointF(196, 104), QPointF(212, 128), QPointF(212, 158),
                            QPointF(44, 158), QPointF(44, 128)});
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 200, 235));
    p.drawPolygon(QPolygonF{QPointF(182, 112), QPointF(196, 112), QPointF(206, 128), QPointF(182, 128)});
    p.drawPolygon(QPolygonF{QPointF(74, 112), QPointF(60, 112), QPointF(50, 128), QPointF(74, 128)});
    p.setBrush(White);
    p.drawRect(QRectF(46, 140, 164, 7));

    p.setPen(QPen(QColor(64, 64, 64), outline * 0.8, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(36, 182), QPointF(220, 182));
    p.setPen(Qt::NoPen);
    p.setBrush(Black);
    for (const qreal x : {72, 100, 156, 184})
        p.drawEllipse(QPointF(x, 166), 14, 14);

    // The pencil lying across the lower right corner of the sheet.
    p.restore();
    p.save();
    p.scale(size / 256.0, size / 256.0);
    drawPencil(p, QPointF(240, 126), QPointF(128, 238), 38);
    p.restore();
}

QImage iconFullColour(int size, bool antialiased = true)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, antialiased);
    drawIcon(p, size);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The colours of the 16-colour window icon; entry 0 is transparent.
const std::vector<QRgb> IconPalette{
    qRgba(0, 0, 0, 0),   qRgb(0, 0, 0),       qRgb(64, 64, 64),    qRgb(128, 128, 128),
    qRgb(192, 192, 192), qRgb(255, 255, 255), qRgb(200, 30, 30),   qRgb(120, 0, 0),
    qRgb(150, 200, 235), qRgb(240, 130, 150), qRgb(255, 205, 0),   qRgb(200, 140, 0),
    qRgb(235, 190, 130), qRgb(60, 40, 20),    qRgb(180, 180, 185), qRgb(255, 255, 128),
};

int nearestOpaque(QRgb colour)
{
    int best = 1;
    int bestDistance = INT_MAX;
    for (int i = 1; i < int(IconPalette.size()); ++i) {
        const int dr = qRed(colour) - qRed(IconPalette[i]);
        const int dg = qGreen(colour) - qGreen(IconPalette[i]);
        const int db = qBlue(colour) - qBlue(IconPalette[i]);
        const int distance = 30 * dr * dr + 59 * dg * dg + 11 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

// The window icon: the design drawn at 32 pixels without smoothing, so that its colours stay those of
// the palette, each pixel mapped to the nearest palette colour.
QImage icon16Colours()
{
    const QImage source = iconFullColour(32, false);
    QImage image(32, 32, QImage::Format_Indexed8);
    image.setColorTable(QList<QRgb>(IconPalette.begin(), IconPalette.end()));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb pixel = source.pixel(x, y);
            image.setPixel(x, y, qAlpha(pixel) < 128 ? 0 : nearestOpaque(pixel));
        }
    }
    return image;
}

// ---------------------------------------------------------------------------------------------
// Image1: a drawing sheet with a technical drawing of a wagon, and a pencil, on the window's yellow.

QImage image1()
{
    QImage image(54, 53, QImage::Format_RGB32);
    image.fill(FormYellow);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Shadow, sheet and folded corner.
    const QPolygonF sheet{QPointF(4.5, 3.5), QPointF(34.5, 3.5), QPointF(42.5, 11.5), QPointF(42.5, 48.5),
                          QPointF(4.5, 48.5)};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(205, 200, 90));
    p.drawPolygon(sheet.translated(2, 2));
    p.setPen(QPen(QColor(70, 70, 70), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(White);
    p.drawPolygon(sheet);
    p.setBrush(QColor(200, 200, 200));
    p.drawPolygon(QPolygonF{QPointF(34.5, 3.5), QPointF(34.5, 11.5), QPointF(42.5, 11.5)});

    // The drawing: a wagon in blue lines with a dimension line below it and a title block.
    const QColor ink(20, 60, 170);
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(8.5, 15.5, 26, 10));
    p.drawLine(QPointF(10.5, 13.5), QPointF(32.5, 13.5));
    for (const qreal x : {11.5, 18.5, 25.5})
        p.drawRect(QRectF(x, 17.5, 4, 3));
    p.drawEllipse(QPointF(13.5, 28), 2.2, 2.2);
    p.drawEllipse(QPointF(29.5, 28), 2.2, 2.2);
    p.drawLine(QPointF(6.5, 31.5), QPointF(37.5, 31.5));
    p.setPen(QPen(ink.lighter(150), 1));
    p.drawLine(QPointF(8.5, 35.5), QPointF(34.5, 35.5));
    p.drawLine(QPointF(8.5, 33.5), QPointF(8.5, 37.5));
    p.drawLine(QPointF(34.5, 33.5), QPointF(34.5, 37.5));
    p.setPen(QPen(ink, 1));
    p.drawRect(QRectF(22.5, 40.5, 17, 5));
    p.drawLine(QPointF(22.5, 43), QPointF(39.5, 43));

    drawPencil(p, QPointF(52, 18), QPointF(27, 50), 8);
    p.end();
    return image;
}

// An 8-bit copy with a 256-entry palette: the picture's own colours when they fit, entries
// beyond them black and unused.
QImage toIndexed8(const QImage& source)
{
    std::set<QRgb> colours;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            colours.insert(source.pixel(x, y));

    QImage image;
    if (colours.size() <= 256) {
        QList<QRgb> table(colours.begin(), colours.end());
        image = QImage(source.size(), QImage::Format_Indexed8);
        image.setColorTable(table);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                image.setPixel(x, y, int(table.indexOf(source.pixel(x, y))));
    } else {
        image = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    }
    QList<QRgb> table = image.colorTable();
    while (table.size() < 256)
        table.append(qRgb(0, 0, 0));
    image.setColorTable(table);
    return image;
}

// ---------------------------------------------------------------------------------------------

bool save(const QImage& image, const QString& path, const char* format)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, format)) {
        std::fprintf(stderr, "make-pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(QDir::current().relativeFilePath(path)));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-pictures <resources folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    bool ok = save(vehicle(), out.filePath("pictures/vehicle.bmp"), "BMP");
    ok = save(toIndexed8(image1()), out.filePath("pictures/image1.bmp"), "BMP") && ok;
    ok = save(icon16Colours(), out.filePath("pictures/vorlin.png"), "PNG") && ok;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = out.filePath(QStringLiteral("icons/hicolor/%1x%1/apps/vorlin.png").arg(size));
        ok = save(iconFullColour(size), path, "PNG") && ok;
    }
    return ok ? 0 : 1;
}
