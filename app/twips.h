#pragma once

#include "optiontable.h"

#include <QRect>
#include <QSize>

// Layout places are in twips; at 96 dpi a logical pixel is 15 twips, and Qt
// scales logical pixels for high-dpi screens.
constexpr int twipsPerPixel = 15;

constexpr int toPixels(int twips)
{
    return twips / twipsPerPixel;
}

inline QRect toPixels(const TwipRect &rect)
{
    return QRect(
        toPixels(rect.left), toPixels(rect.top), toPixels(rect.width), toPixels(rect.height));
}

inline QSize toPixels(int widthTwips, int heightTwips)
{
    return QSize(toPixels(widthTwips), toPixels(heightTwips));
}
