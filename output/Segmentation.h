#pragma once

#include "output/Image.h"
#include "output/PixelRect.h"

#include <array>
#include <functional>
#include <cstdint>
#include <span>
#include <vector>

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

// The id of the object seen at each pixel of a frame: width·height values,
// bottom row first, 0 to 255, or noId where no id is labelled.
using PixelIds = std::vector<std::int16_t>;
inline constexpr std::int16_t noId = -1;

// Wherever, inside `region`, the depth at window row j, column x differs
// between `reference` and `pass` (exact comparison), raises the id at
// j·width + x to `id` unless it holds a higher one already. All three hold
// width·height values bottom row first; outside `region` they are not read.
void MarkChangedDepth(std::span<std::int16_t> ids, int width, std::span<const float> reference,
                      std::span<const float> pass, const PixelRect& region, int id);

// Draws the current frame leaving out every object of id `omitId` and
// stores its depth into `depth` (width·height values, bottom row first)
// inside the returned rectangle: the only pixels where leaving the id out
// can change the depth. Outside it `depth` is left as it was. An empty
// rectangle means the id changes nothing.
using DepthWithoutId = std::function<PixelRect(int omitId, std::span<float> depth)>;

// One pass per id: for every id k from 0 to 255 that occurs in `passIds`, in
// ascending order, the pixels whose depth changes when the objects of id k
// are left out are marked k (MarkChangedDepth), so a pixel changed by two
// passes keeps the higher id. `referenceDepth` is the complete frame's depth.
void MarkIdsByPasses(PixelIds& ids, int width, std::span<const int> passIds,
                     std::span<const float> referenceDepth, const DepthWithoutId& depthWithout);

// The segmentation image of `ids`: window row j becomes image row
// height − 1 − j; id k takes k's label colour, noId white.
RgbImage SegmentationImage(std::span<const std::int16_t> ids, int width, int height, bool palette);

// The segmentation map of a frame by one pass per id present in
// `objectIds`: a pixel shows the id of its frontmost object; pixels where two
// ids lie at the same depth, where an id outside 0 to 255 is in front, or
// where nothing is drawn stay white.
RgbImage SegmentationMap(int width, int height, std::span<const int> objectIds, bool palette,
                         std::span<const float> referenceDepth, const DepthWithoutId& depthWithout);

// The id pass draws every object once more where the view left its depth,
// each fragment coloured by its object's id, and keeps the per-channel
// minimum. Id k of 0 to 255 is (k, 255 − k, 255), so red ends as the smallest
// and 255 − green as the largest id at the frontmost depth; any other id is
// (255, 255, 0) and leaves a 0 in blue. Where nothing reached, all stay 255.
Rgb IdPassColour(int id);

// The ids from the id pass's buffer (`idRgba`: width·height RGBA
// quadruples) and the view's depth, both bottom row first. A pixel gets k
// when the frontmost depth is reached by objects of id k alone, that is when
// leaving id k out would change the depth there; it gets noId where ids tie,
// where an id outside 0 to 255 reaches the frontmost depth, and where the
// depth is still the cleared 1.
PixelIds FrontIdsFromIdPass(std::span<const std::uint8_t> idRgba, std::span<const float> depth);

} // namespace tavrik
