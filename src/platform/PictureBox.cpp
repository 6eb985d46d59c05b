#include "platform/PictureBox.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace vorlin {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setBackgroundRole(QPalette::Window);
    // Assistive technology reads which drawing the box shows; the window names it when it shows one.
    setAccessibleDescription(QStringLiteral("No drawing"));
}

void PictureBox::setPicture(const QImage& picture)
{
    // Convert once to a format the painter draws directly, instead of at every paint.
    const bool direct = picture.format() == QImage::Format_RGB32 ||
                        picture.format() == QImage::Format_ARGB32_Premultiplied || picture.isNull();
    m_picture = direct
                    ? picture
                    : picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                        : QImage::Format_RGB32);
    m_cleared = false;
    update();
}

void PictureBox::cls()
{
    m_cleared = true;
    update();
}

void PictureBox::refresh()
{
    repaint();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect contents = contentsRect();
    const QRect dirty = event->rect() & contents;
    painter.fillRect(dirty, palette().color(backgroundRole()));
    if (!m_cleared && !m_picture.isNull()) {
        // Only the part of the picture that is to be repainted: a large drawing costs no more
        // than the box is big.
        const QRect target = dirty & QRect(contents.topLeft(), m_picture.size());
        if (!target.isEmpty())
            painter.drawImage(target, m_picture, target.translated(-contents.topLeft()));
    }
    drawFrame(&painter);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = contents;
        focus.backgroundColor = palette().color(backgroundRole());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace vorlin
