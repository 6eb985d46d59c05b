#include "ui/Decoration.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace vorlin {

namespace {

void paintDecorations(const QObjectList& objects, qsizetype from, QPainter& painter, QPoint origin)
{
    for (qsizetype i = from; i < objects.size(); ++i)
        if (const auto* decoration = qobject_cast<const Decoration*>(objects[i]))
            painter.fillRect(decoration->geometry().translated(-origin), decoration->colour());
}

} // namespace

Decoration::Decoration(QWidget* surface, const char* name, QRect geometry, const QColor& colour)
    : QObject(surface), m_geometry(geometry), m_colour(colour)
{
    setObjectName(QLatin1String(name));
    // The first decoration of a surface paints them all, in order, after the surface's background.
    if (surface->findChildren<Decoration*>(Qt::FindDirectChildrenOnly).size() == 1)
        surface->installEventFilter(this);
}

void Decoration::paintOver(QWidget* control, QPainter& painter)
{
    const QObjectList siblings = control->parentWidget()->children();
    paintDecorations(siblings, siblings.indexOf(control) + 1, painter, control->pos());
}

bool Decoration::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && watched == parent()) {
        auto* surface = static_cast<QWidget*>(watched);
        QPainter painter(surface);
        painter.setClipRegion(static_cast<QPaintEvent*>(event)->region());
        paintDecorations(surface->children(), 0, painter, QPoint());
    }
    return false;
}

} // namespace vorlin
