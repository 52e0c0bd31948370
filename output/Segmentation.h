#pragma once

#include "output/Image.h"
#include "output/PixelRect.h"

#include <array>
#include <functional>
#include <span>

namespace tavrik {

// The 256 label colours of palette segmentation: a ramp from dark blue
// (0, 0, 131) through blue, cyan, yellow and red to dark red (127, 0, 0).
// No entry is white, so every palette label differs from the background.
const std::array<Rgb, 256>& segmentationPalette();

// The colour of object id `id` (0 to 255): grey (id, id, id), or the
// palette's entry `id` when `palette` is set.
Rgb LabelColour(int id, bool palette);

// How many of `objectIds` hold each id 0 to 255; other ids are not counted.
std::array<int, 256> CountIds(std::span<const int> objectIds);

// Sets pixel (x, height − 1 − j) of `map` to `colour` wherever, inside
// `region`, the depth at window row j, column x differs between `reference`
// and `pass` (exact comparison). Both buffers hold width·height values
// bottom row first; outside `region` they are not read.
void MarkChangedDepth(RgbImage& map, std::span<const float> reference, std::span<const float> pass,
                      const PixelRect& region, Rgb colour);

// Draws the current frame leaving out every object of id `omitId` and
// stores its depth into `depth` (width·height values, bottom row first)
// inside the returned rectangle: the only pixels where leaving the id out
// can change the depth. Outside it `depth` is left as it was. An empty
// rectangle means the id changes nothing.
using DepthWithoutId = std::function<PixelRect(int omitId, std::span<float> depth)>;

// The segmentation map of a frame: white, then for every id k from 0 to 255
// that occurs in `objectIds`, in ascending order, the pixels whose depth
// changes when the objects of id k are left out take k's label colour. A
// pixel thus shows the id of its frontmost object; pixels where two ids lie
// at the same depth, where an id outside 0 to 255 is in front, or where
// nothing is drawn stay white. `referenceDepth` is the complete frame's depth.
RgbImage SegmentationMap(int width, int height, std::span<const int> objectIds, bool palette,
                         std::span<const float> referenceDepth, const DepthWithoutId& depthWithout);

} // namespace tavrik
