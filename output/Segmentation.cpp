#include "output/Segmentation.h"

#include <algorithm>
#include "base/Check.h"

namespace tavrik {

namespace {

constexpr std::uint8_t Level(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

constexpr std::array<Rgb, 256> MakePalette()
{
    std::array<Rgb, 256> palette{};
    for (int i = 0; i < 256; ++i) {
        if (i < 32)
            palette[i] = {0, 0, Level(131 + 4 * i)};
        else if (i < 96)
            palette[i] = {0, Level(4 * i - 125), 255};
        else if (i < 160)
            palette[i] = {Level(4 * i - 381), 255, Level(635 - 4 * i)};
        else if (i < 224)
            palette[i] = {255, Level(891 - 4 * i), 0};
        else
            palette[i] = {Level(1147 - 4 * i), 0, 0};
    }
    return palette;
}

} // namespace

const std::array<Rgb, 256>& segmentationPalette()
{
    static constexpr std::array<Rgb, 256> palette = MakePalette();
    return palette;
}

Rgb LabelColour(int id, bool palette)
{
    TAVRIK_CHECK(id >= 0 && id <= 255);
    if (palette)
        return segmentationPalette()[static_cast<std::size_t>(id)];
    const auto grey = static_cast<std::uint8_t>(id);
    return {grey, grey, grey};
}

std::array<int, 256> CountIds(std::span<const int> objectIds)
{
    std::array<int, 256> counts{};
    for (const int id : objectIds)
        if (id >= 0 && id <= 255)
            ++counts[static_cast<std::size_t>(id)];
    return counts;
}

void MarkChangedDepth(RgbImage& map, std::span<const float> reference, std::span<const float> pass,
                      const PixelRect& region, Rgb colour)
{
    const std::size_t width = static_cast<std::size_t>(map.width());
    const int height = map.height();
    TAVRIK_CHECK_EQ(reference.size(), width * static_cast<std::size_t>(height));
    TAVRIK_CHECK_EQ(pass.size(), reference.size());
    TAVRIK_CHECK(region.empty()
           || (region.x >= 0 && region.y >= 0 && region.x + region.width <= map.width()
               && region.y + region.height <= height));
    if (region.empty())
        return;

    std::uint8_t* pixels = map.bytes().data();
    const auto left = static_cast<std::size_t>(region.x);
    const auto right = left + static_cast<std::size_t>(region.width);
    for (int j = region.y; j < region.y + region.height; ++j) {
        const std::size_t windowRow = static_cast<std::size_t>(j) * width;
        std::uint8_t* imageRow = pixels + static_cast<std::size_t>(height - 1 - j) * width * 3;
        for (std::size_t x = left; x < right; ++x) {
            if (reference[windowRow + x] != pass[windowRow + x]) {
                imageRow[3 * x] = colour.red;
                imageRow[3 * x + 1] = colour.green;
                imageRow[3 * x + 2] = colour.blue;
            }
        }
    }
}

RgbImage SegmentationMap(int width, int height, std::span<const int> objectIds, bool palette,
                         std::span<const float> referenceDepth, const DepthWithoutId& depthWithout)
{
    RgbImage map(width, height, Rgb{255, 255, 255});
    const std::array<int, 256> counts = CountIds(objectIds);
    std::vector<float> pass(referenceDepth.size());
    for (int id = 0; id < 256; ++id) {
        if (counts[static_cast<std::size_t>(id)] == 0)
            continue;
        const PixelRect changed = depthWithout(id, pass);
        MarkChangedDepth(map, referenceDepth, pass, changed, LabelColour(id, palette));
    }
    return map;
}

Rgb IdPassColour(int id)
{
    if (id < 0 || id > 255)
        return {255, 255, 0};
    const auto k = static_cast<std::uint8_t>(id);
    return {k, static_cast<std::uint8_t>(255 - k), 255};
}

RgbImage SegmentationFromIdPass(std::span<const std::uint8_t> idRgba, std::span<const float> depth, int width,
                                int height, bool palette)
{
    const std::size_t w = static_cast<std::size_t>(width);
    TAVRIK_CHECK_EQ(depth.size(), w * static_cast<std::size_t>(height));
    TAVRIK_CHECK_EQ(idRgba.size(), depth.size() * 4);
    RgbImage map(width, height, Rgb{255, 255, 255});
    std::array<Rgb, 256> labels;
    for (int k = 0; k < 256; ++k)
        labels[static_cast<std::size_t>(k)] = LabelColour(k, palette);
    std::uint8_t* pixels = map.bytes().data();
    for (int j = 0; j < height; ++j) {
        const std::size_t windowRow = static_cast<std::size_t>(j) * w;
        std::uint8_t* imageRow = pixels + static_cast<std::size_t>(height - 1 - j) * w * 3;
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint8_t* id = &idRgba[(windowRow + x) * 4];
            const int smallest = id[0];
            const int largest = 255 - id[1];
            if (depth[windowRow + x] == 1.0f || id[2] == 0 || smallest != largest)
                continue;
            const Rgb c = labels[static_cast<std::size_t>(smallest)];
            imageRow[3 * x] = c.red;
            imageRow[3 * x + 1] = c.green;
            imageRow[3 * x + 2] = c.blue;
        }
    }
    return map;
}

} // namespace tavrik
