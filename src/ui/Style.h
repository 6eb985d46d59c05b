#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>

class QWidget;

namespace vorlin::style {

// The light yellow background of both windows and of the controls that repeat it.
inline const QColor Yellow{255, 255, 128};
// Dark navy: the text of txtFile and the About window's description.
inline const QColor Navy{0, 0, 64};

// "MS Sans Serif" 8.25 pt: the windows' default font, which the designed sizes of the controls were
// made for. Falls back to Liberation Sans (fonts-liberation), whose widths are close to it, then to
// the system's sans serif; the desktop's own font, often larger, would not fit the fixed layout.
QFont defaultFont();
// The same, bold, for captions.
QFont captionFont();
// "Courier New" 8.25 pt for text and combo boxes; falls back to a metric-compatible monospace font.
QFont fixedFont();

// Keeps the desktop's font for menus, message boxes and the other text Qt draws with the
// application's font, unless it resolves to a fixed-width face: with Liberation's fonts alone, the
// generic "Sans Serif" resolves to Liberation Mono. Then the same size in a sans serif face is used.
void useProportionalApplicationFont();

// Makes the pictures compiled into the ui library available under ":/pictures/". The library is
// static, so its resources must be pulled in explicitly; calling this more than once is harmless.
void loadResources();
// The icon of both windows: 32 by 32 pixels, 16 colours.
QIcon windowIcon();

// Fills a widget's own background with colour; the fields inside it keep their usual white.
void setBackground(QWidget* widget, const QColor& colour);

// Gives a widget a plain background colour (and, optionally, a text colour) through its palette.
void setColours(QWidget* widget, const QColor& background, const QColor& text = QColor());

} // namespace vorlin::style
