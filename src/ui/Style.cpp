#include "ui/Style.h"

#include <QApplication>
#include <QFontInfo>
#include <QPalette>
#include <QWidget>

// Q_INIT_RESOURCE declares a function, so it must be used outside any namespace.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace vorlin::style {

void loadResources()
{
    static const bool loaded = (initResources(), true);
    Q_UNUSED(loaded);
}

QIcon windowIcon()
{
    // Qt reads an icon's file when the icon is made: read it once for the application and its windows.
    static const QIcon icon = (loadResources(), QIcon(QStringLiteral(":/pictures/vorlin.png")));
    return icon;
}

namespace {

void makeSans(QFont& font)
{
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
}

} // namespace

QFont defaultFont()
{
    QFont font;
    makeSans(font);
    font.setPointSizeF(8.25);
    return font;
}

QFont captionFont()
{
    QFont font = defaultFont();
    font.setBold(true);
    return font;
}

QFont fixedFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(8.25);
    return font;
}

void useProportionalApplicationFont()
{
    QFont font = QApplication::font();
    if (!QFontInfo(font).fixedPitch())
        return;
    makeSans(font);
    QApplication::setFont(font);
}

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setColours(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Base, background);
    if (text.isValid()) {
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Disabled, QPalette::Text, text);
        palette.setColor(QPalette::Disabled, QPalette::WindowText, text);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace vorlin::style
