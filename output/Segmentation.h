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

// The id pass draws every object once more where the view left its depth,
// each fragment coloured by its object's id, and keeps the per-channel
// minimum. Id k of 0 to 255 is (k, 255 − k, 255), so red ends as the smallest
// and 255 − green as the largest id at the frontmost depth; any other id is
// (255, 255, 0) and leaves a 0 in blue. Where nothing reached, all stay 255.
Rgb IdPassColour(int id);

// The segmentation map from the id pass's buffer (`idRgba`: width·height
// RGBA quadruples) and the view's depth, both bottom row first. A pixel
// takes k's label colour when the frontmost depth is reached by objects of
// id k alone, that is when leaving id k out would change the depth there; it
// stays white where ids tie, where an id outside 0 to 255 reaches the
// frontmost depth, and where the depth is still the cleared 1.
RgbImage SegmentationFromIdPass(std::span<const std::uint8_t> idRgba, std::span<const float> depth, int width,
                                int height, bool palette);

} // namespace tavrik
