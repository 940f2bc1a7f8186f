#pragma once

#include <QRect>

namespace quorvex {

// Window layouts are designed in twips: 15 to a pixel at 96 dots per inch.
constexpr int twipsToPixels(int twips) {
    return (twips + 7) / 15;
}

inline QRect rectFromTwips(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

inline QSize sizeFromTwips(int width, int height) {
    return QSize(twipsToPixels(width), twipsToPixels(height));
}

} // namespace quorvex
