#pragma once

#include <QColor>
#include <QObject>
#include <QRect>

class QPainter;
class QWidget;

namespace vorlin {

// A line or a filled shape drawn on its window's surface, behind the controls. It is no widget:
// it takes no input, assistive technology does not list it, and a line one pixel wide is filled
// as a rectangle in logical pixels, so at least one device pixel of it shows at every scale.
// Keeps its designed name and its geometry, readable as the property "geometry" like a widget's.
class Decoration : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QRect geometry READ geometry CONSTANT)

public:
    // Decorations are painted in the order they were made, each over those made before it.
    Decoration(QWidget* surface, const char* name, QRect geometry, const QColor& colour);

    QRect geometry() const { return m_geometry; }
    QColor colour() const { return m_colour; }

    // Paints over control those decorations of its parent that were made after it, for a control
    // that lies under part of the window's drawing.
    static void paintOver(QWidget* control, QPainter& painter);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect m_geometry;
    QColor m_colour;
};

} // namespace vorlin
