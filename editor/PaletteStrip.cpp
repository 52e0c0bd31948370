#include "editor/PaletteStrip.h"

#include "output/Segmentation.h"

namespace tavrik {

std::optional<int> PaletteStripGrid::IdAt(int x, int y) const
{
    if (x < 0 || y < 0 || cellWidth <= 0 || cellHeight <= 0)
        return std::nullopt;
    const int column = x / cellWidth;
    const int row = y / cellHeight;
    if (column >= columns || row >= rows)
        return std::nullopt;
    return row * columns + column;
}

RgbImage DrawPaletteStrip(int width, int height, bool palette)
{
    RgbImage strip(width, height);
    const PaletteStripGrid grid = PaletteStripGrid::ForSize(width, height);
    for (int row = 0; row < PaletteStripGrid::rows; ++row)
        for (int column = 0; column < PaletteStripGrid::columns; ++column) {
            const Rgb colour = LabelColour(row * PaletteStripGrid::columns + column, palette);
            const int left = column * grid.cellWidth;
            const int top = row * grid.cellHeight;
            const int right = left + grid.cellWidth - 1; // inclusive
            const int bottom = top + grid.cellHeight - 1;
            for (int y = top; y <= bottom; ++y)
                for (int x = left; x <= right; ++x) {
                    const bool outline = x == left || x == right || y == top || y == bottom;
                    strip.set(x, y, outline ? Rgb{} : colour);
                }
        }
    return strip;
}

} // namespace tavrik
