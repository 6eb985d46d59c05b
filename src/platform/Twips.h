#pragma once

#include <QRect>

namespace vorlin {

// Designed positions are in twips; 15 twips make one pixel at 96 dpi. Qt's high-dpi scaling
// takes it from there.
constexpr int twipsToPixels(int twips)
{
    return (twips >= 0 ? twips + 7 : twips - 7) / 15;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

} // namespace vorlin
