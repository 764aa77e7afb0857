#pragma once

#include <QRect>
#include <QSize>

// Layout places are in twips (1/1440 inch); at 96 dpi a logical pixel is 15
// twips, and Qt scales logical pixels for high-dpi screens.
constexpr int twipsPerPixel = 15;

// A rectangle in twips, measured from the top-left corner of the enclosing
// frame.
struct TwipRect
{
    int left;
    int top;
    int width;
    int height;
};

constexpr int toPixels(int twips)
{
    return twips / twipsPerPixel;
}

constexpr QRect toPixels(const TwipRect &rect)
{
    return QRect(
        toPixels(rect.left), toPixels(rect.top), toPixels(rect.width), toPixels(rect.height));
}

constexpr QSize toPixels(int widthTwips, int heightTwips)
{
    return QSize(toPixels(widthTwips), toPixels(heightTwips));
}
