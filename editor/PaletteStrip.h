#pragma once

#include "output/Image.h"

#include <optional>

namespace tavrik {

// The chart of the 256 segmentation colours: 4 rows of 64 cells, id 64·r + c
// in row r (top to bottom) and column c (left to right). Cells are
// width div 64 by height div 4 pixels, so on a strip whose size is not a
// multiple of that the last columns and rows belong to no cell.
struct PaletteStripGrid {
    static constexpr int rows = 4;
    static constexpr int columns = 64;

    int cellWidth;
    int cellHeight;

    static PaletteStripGrid ForSize(int width, int height) { return {width / columns, height / rows}; }

    // The id of the cell under pixel (x, y), y = 0 the top row; none where no
    // cell is.
    std::optional<int> IdAt(int x, int y) const;
};

// The strip image: every cell filled with the colour of its id (grey
// (id, id, id), or the palette's entry with `palette`) and outlined in black
// on its own border pixels, so neighbours are parted by two black pixels.
// Pixels outside every cell stay black.
RgbImage DrawPaletteStrip(int width, int height, bool palette);

} // namespace tavrik
