#pragma once
// Counting the ink of a drawn picture, for the tests that check what a view or a page shows.

#include <QImage>
#include <QRect>

namespace ks::test {

// The pixels of an area of an image (the whole image unless told) for which `inked(colour)` is
// true, looking at every `step`-th pixel each way.
template <typename Inked> int CountInk(const QImage& image, Inked inked, QRect area = {}, int step = 1)
{
    area = area.isNull() ? image.rect() : area & image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); y += step)
        for (int x = area.left(); x <= area.right(); x += step)
            count += inked(image.pixel(x, y)) ? 1 : 0;
    return count;
}

// Ink as darker than a grey level (0 to 255), or as any colour but the background.
inline auto DarkerThan(int grey)
{
    return [grey](QRgb colour) { return qGray(colour) < grey; };
}
inline auto Not(QRgb background)
{
    return [background](QRgb colour) { return colour != background; };
}

// The smallest box holding every pixel that is not white; empty for a blank image.
inline QRect InkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace ks::test
