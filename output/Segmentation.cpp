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

void MarkChangedDepth(std::span<std::int16_t> ids, int width, std::span<const float> reference,
                      std::span<const float> pass, const PixelRect& region, int id)
{
    TAVRIK_CHECK(width > 0 && reference.size() % static_cast<std::size_t>(width) == 0);
    const int height = static_cast<int>(reference.size() / static_cast<std::size_t>(width));
    TAVRIK_CHECK_EQ(ids.size(), reference.size());
    TAVRIK_CHECK_EQ(pass.size(), reference.size());
    TAVRIK_CHECK(id >= 0 && id <= 255);
    TAVRIK_CHECK(region.empty()
           || (region.x >= 0 && region.y >= 0 && region.x + region.width <= width
               && region.y + region.height <= height));
    if (region.empty())
        return;
    const auto label = static_cast<std::int16_t>(id);
    const auto w = static_cast<std::size_t>(width);
    for (int j = region.y; j < region.y + region.height; ++j) {
        const std::size_t row = static_cast<std::size_t>(j) * w;
        for (std::size_t i = row + static_cast<std::size_t>(region.x); i < row + static_cast<std::size_t>(region.x + region.width); ++i)
            if (reference[i] != pass[i] && ids[i] < label)
                ids[i] = label;
    }
}

void MarkIdsByPasses(PixelIds& ids, int width, std::span<const int> passIds,
                     std::span<const float> referenceDepth, const DepthWithoutId& depthWithout)
{
    const std::array<int, 256> counts = CountIds(passIds);
    std::vector<float> pass(referenceDepth.size());
    for (int id = 0; id < 256; ++id) {
        if (counts[static_cast<std::size_t>(id)] == 0)
            continue;
        const PixelRect changed = depthWithout(id, pass);
        MarkChangedDepth(ids, width, referenceDepth, pass, changed, id);
    }
}

RgbImage SegmentationImage(std::span<const std::int16_t> ids, int width, int height, bool palette)
{
    const auto w = static_cast<std::size_t>(width);
    TAVRIK_CHECK_EQ(ids.size(), w * static_cast<std::size_t>(height));
    RgbImage map(width, height, Rgb{255, 255, 255});
    std::array<Rgb, 256> labels;
    for (int k = 0; k < 256; ++k)
        labels[static_cast<std::size_t>(k)] = LabelColour(k, palette);
    std::uint8_t* pixels = map.bytes().data();
    for (int j = 0; j < height; ++j) {
        const std::int16_t* row = ids.data() + static_cast<std::size_t>(j) * w;
        std::uint8_t* imageRow = pixels + static_cast<std::size_t>(height - 1 - j) * w * 3;
        for (std::size_t x = 0; x < w; ++x) {
            if (row[x] == noId)
                continue;
            const Rgb c = labels[static_cast<std::size_t>(row[x])];
            imageRow[3 * x] = c.red;
            imageRow[3 * x + 1] = c.green;
            imageRow[3 * x + 2] = c.blue;
        }
    }
    return map;
}

RgbImage SegmentationMap(int width, int height, std::span<const int> objectIds, bool palette,
                         std::span<const float> referenceDepth, const DepthWithoutId& depthWithout)
{
    PixelIds ids(referenceDepth.size(), noId);
    MarkIdsByPasses(ids, width, objectIds, referenceDepth, depthWithout);
    return SegmentationImage(ids, width, height, palette);
}

Rgb IdPassColour(int id)
{
    if (id < 0 || id > 255)
        return {255, 255, 0};
    const auto k = static_cast<std::uint8_t>(id);
    return {k, static_cast<std::uint8_t>(255 - k), 255};
}

PixelIds FrontIdsFromIdPass(std::span<const std::uint8_t> idRgba, std::span<const float> depth)
{
    TAVRIK_CHECK_EQ(idRgba.size(), depth.size() * 4);
    PixelIds ids(depth.size(), noId);
    for (std::size_t i = 0; i < depth.size(); ++i) {
        const std::uint8_t* id = &idRgba[i * 4];
        if (depth[i] != 1.0f && id[2] != 0 && id[0] == 255 - id[1])
            ids[i] = id[0];
    }
    return ids;
}

} // namespace tavrik
