#include "render/RenderState.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

struct Texel {
    int r, g, b, a;
};

Texel TexelAt(const std::vector<std::uint8_t>& texels, int row, int column)
{
    const std::uint8_t* t = &texels[(row * textureSize + column) * 4];
    return {t[0], t[1], t[2], t[3]};
}

TEST(TextureTexels, TransposeTheBitmapAndFillBeyondItWithWhite)
{
    // A 3 × 2 picture that is not symmetric about its diagonal.
    RgbImage bitmap(3, 2);
    bitmap.set(0, 0, {10, 11, 12});
    bitmap.set(1, 0, {20, 21, 22});
    bitmap.set(2, 0, {30, 31, 32});
    bitmap.set(0, 1, {40, 41, 42});
    bitmap.set(1, 1, {50, 51, 52});
    bitmap.set(2, 1, {60, 61, 62});

    const auto texels = TextureTexels(bitmap);
    ASSERT_EQ(texels.size(), static_cast<std::size_t>(textureSize * textureSize * 4));
    // Texel (row r, column c) takes bitmap pixel (x = r, y = c).
    const Texel t10 = TexelAt(texels, 1, 0);
    EXPECT_EQ(t10.r, 20);
    EXPECT_EQ(t10.b, 22);
    const Texel t01 = TexelAt(texels, 0, 1);
    EXPECT_EQ(t01.r, 40);
    const Texel t21 = TexelAt(texels, 2, 1);
    EXPECT_EQ(t21.g, 61);
    EXPECT_EQ(t21.a, 255);
    // Column 2 lies below the picture's two rows, row 3 right of its three columns.
    for (auto [row, column] : {std::pair{0, 2}, std::pair{3, 0}, std::pair{127, 127}}) {
        const Texel white = TexelAt(texels, row, column);
        EXPECT_EQ(white.r + white.g + white.b + white.a, 4 * 255) << row << "," << column;
    }
}

TEST(TextureTexels, UseOnlyTheTopLeftCornerOfALargerBitmap)
{
    RgbImage bitmap(256, 256, {7, 7, 7});
    bitmap.set(127, 0, {1, 2, 3});
    bitmap.set(128, 0, {200, 200, 200});
    const auto texels = TextureTexels(bitmap);
    EXPECT_EQ(TexelAt(texels, 127, 0).g, 2);
    EXPECT_EQ(TexelAt(texels, 0, 0).r, 7);
}

TEST(TexturePath, JoinsTheFolderWithOneSeparator)
{
    EXPECT_EQ(TexturePath("/data/textures", 0), "/data/textures/tex0.bmp");
    EXPECT_EQ(TexturePath("/data/textures/", 10), "/data/textures/tex10.bmp");
}

} // namespace
} // namespace tavrik
