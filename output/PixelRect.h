#pragma once

#include <algorithm>

namespace tavrik {

// A rectangle of window pixels: x from the left, y from the bottom row,
// as glScissor and glReadPixels take it.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }

    // The smallest rectangle holding both.
    PixelRect United(const PixelRect& other) const
    {
        if (empty())
            return other;
        if (other.empty())
            return *this;
        const int left = std::min(x, other.x);
        const int bottom = std::min(y, other.y);
        const int right = std::max(x + width, other.x + other.width);
        const int top = std::max(y + height, other.y + other.height);
        return {left, bottom, right - left, top - bottom};
    }
};

} // namespace tavrik
