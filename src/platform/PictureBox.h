#pragma once

#include <QFrame>
#include <QImage>

namespace vorlin {

// Shows one picture at the top left, unscaled and clipped, inside a sunken frame; with the focus, a
// focus frame in the style's own way inside that frame.
class PictureBox : public QFrame
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QImage& picture() const { return m_picture; }
    void setPicture(const QImage& picture);
    // Clears the drawing surface (the picture stays until replaced).
    void cls();
    // Repaints the box now.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    bool m_cleared = false;
};

} // namespace vorlin
