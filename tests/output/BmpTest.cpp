#include "output/Bmp.h"

#include "base/FileIo.h"
#include "base/LittleEndian.h"
#include "base/UserError.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace tavrik {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Le32(std::initializer_list<std::uint32_t> values)
{
    Bytes out;
    for (std::uint32_t v : values)
        AppendLittleEndian(out, v);
    return out;
}

// A hand-made BMP file. Masks go inside headers of 52 bytes or more, else
// right after the 40-byte header; the pixel offset points just past the
// colour table.
struct Fixture {
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::uint32_t clrUsed = 0;
    Bytes masks{};
    Bytes table{};
    Bytes bits = Bytes(16, 0x55); // 2 x 2 at 24 bits: rows of 6 + 2 bytes
};

Bytes Build(const Fixture& f)
{
    const std::size_t masksAfter = f.headerSize == 40 ? f.masks.size() : 0;
    const std::size_t offset = 14 + f.headerSize + masksAfter + f.table.size();
    Bytes b(offset);
    b[0] = 'B';
    b[1] = 'M';
    PutLittleEndian<std::uint32_t>(b.data() + 2, static_cast<std::uint32_t>(offset + f.bits.size()));
    PutLittleEndian<std::uint32_t>(b.data() + 10, static_cast<std::uint32_t>(offset));
    PutLittleEndian<std::uint32_t>(b.data() + 14, f.headerSize);
    PutLittleEndian<std::uint32_t>(b.data() + 18, static_cast<std::uint32_t>(f.width));
    PutLittleEndian<std::uint32_t>(b.data() + 22, static_cast<std::uint32_t>(f.height));
    PutLittleEndian<std::uint16_t>(b.data() + 26, 1);
    PutLittleEndian<std::uint16_t>(b.data() + 28, f.bitCount);
    PutLittleEndian<std::uint32_t>(b.data() + 30, f.compression);
    PutLittleEndian<std::uint32_t>(b.data() + 34, static_cast<std::uint32_t>(f.bits.size()));
    PutLittleEndian<std::uint32_t>(b.data() + 46, f.clrUsed);
    std::copy(f.masks.begin(), f.masks.end(), b.begin() + 54);
    std::copy(f.table.begin(), f.table.end(), b.begin() + 54 + static_cast<std::ptrdiff_t>(masksAfter));
    b.insert(b.end(), f.bits.begin(), f.bits.end());
    return b;
}

// An image whose every pixel differs from its neighbours.
RgbImage Pattern(int width, int height)
{
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.set(x, y, {static_cast<std::uint8_t>(x * 37 + y * 11), static_cast<std::uint8_t>(200 - x * 5 - y * 29),
                             static_cast<std::uint8_t>(x * y * 13 + 7)});
    return image;
}

RgbImage ImageOf(int width, int height, const std::vector<Rgb>& topRowFirst)
{
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.set(x, y, topRowFirst[static_cast<std::size_t>(y * width + x)]);
    return image;
}

// The message of the UserError that `action` throws; fails the test when it
// throws none.
std::string UserErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const UserError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no UserError thrown";
    return {};
}

TEST(BmpEncode, WritesExactBytesOfThreeByTwoImage)
{
    const RgbImage image = ImageOf(3, 2, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9},
                                          {10, 11, 12}, {13, 14, 15}, {16, 17, 18}});
    const Bytes expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file size 78, pixels at 54
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0,            // header size, width, height
        1, 0, 24, 0, 0, 0, 0, 0, 24, 0, 0, 0,           // planes, bits, BI_RGB, image size
        0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0,             // 2835 pixels per metre
        0, 0, 0, 0, 0, 0, 0, 0,                         // colours used, important
        12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0,    // bottom row, blue first, padded
        3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0,             // top row
    };
    EXPECT_EQ(EncodeBmp24(image), expected);
}

TEST(BmpEncode, DibIsTheFileWithoutItsFileHeader)
{
    const RgbImage image = Pattern(5, 3);
    const Bytes file = EncodeBmp24(image);
    const Dib dib = ImageToDib24(image);
    EXPECT_EQ(dib.header, Bytes(file.begin() + 14, file.begin() + 54));
    EXPECT_TRUE(dib.colourTable.empty());
    EXPECT_EQ(dib.bits, Bytes(file.begin() + 54, file.end()));
    EXPECT_EQ(dib.width(), 5);
    EXPECT_EQ(dib.height(), 3);
    EXPECT_EQ(dib.bitCount(), 24);
    EXPECT_EQ(dib.compression(), 0u);
    EXPECT_EQ(dib.imageSize(), 48u); // rows of 15 bytes padded to 16
}

struct Size {
    int width;
    int height;
};

class BmpRoundTrip : public ::testing::TestWithParam<Size> {};

// Widths 1 to 5 give every row padding from 0 to 3 bytes.
TEST_P(BmpRoundTrip, DecodesWhatItEncodes)
{
    const RgbImage image = Pattern(GetParam().width, GetParam().height);
    const Bytes file = EncodeBmp24(image);
    ASSERT_EQ(file.size(), 54 + (GetParam().width * 3 + 3) / 4 * 4 * static_cast<std::size_t>(GetParam().height));
    EXPECT_EQ(DibToImage(DecodeDib(file, "round.bmp")), image);
    EXPECT_EQ(DibToImage(ImageToDib24(image)), image);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BmpRoundTrip,
                         ::testing::Values(Size{1, 1}, Size{2, 3}, Size{3, 2}, Size{4, 1}, Size{5, 7}, Size{1024, 768}),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

struct DecodeCase {
    const char* name;
    std::function<Bytes()> file;
    int width;
    int height;
    std::vector<Rgb> pixels; // top row first
};

class BmpDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(BmpDecode, GivesExpectedPixels)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(DibToImage(DecodeDib(c.file(), "fixture.bmp")), ImageOf(c.width, c.height, c.pixels));
}

Bytes Rows24(bool topDown)
{
    return Build({.height = topDown ? -2 : 2, .bits = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}});
}

// 10 pixels take 2 bytes, padded to 4; unused low bits are set on purpose.
Bytes OneBit()
{
    return Build({.width = 10,
                  .bitCount = 1,
                  .table = {0x10, 0x20, 0x30, 0, 0xFF, 0x80, 0x00, 0},
                  .bits = {0b10100000, 0b11111111, 0, 0,    // bottom row 1010000011
                           0b01111111, 0b10111111, 0, 0}}); // top row    0111111110
}

// Index 15 lies past the three-entry table.
Bytes FourBitShortTable()
{
    return Build({.width = 3, .height = 1, .bitCount = 4, .clrUsed = 3,
                  .table = {0, 0, 0, 0, 10, 20, 30, 0, 40, 50, 60, 0}, .bits = {0x12, 0xF0, 0, 0}});
}

// Entry i is red 255 - i, green 0, blue i.
Bytes EightBit()
{
    Bytes table{};
    for (int i = 0; i < 256; ++i)
        table.insert(table.end(), {static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i), 0});
    return Build({.bitCount = 8, .table = table, .bits = {7, 128, 0, 0, 0, 255, 0, 0}});
}

Bytes Sixteen555()
{
    return Build({.width = 3, .height = 1, .bitCount = 16, .bits = {0xFF, 0x7F, 0x00, 0x7C, 0x10, 0x02, 0, 0}});
}

Bytes Sixteen565()
{
    return Build({.width = 3, .height = 1, .bitCount = 16, .compression = 3,
                  .masks = Le32({0xF800, 0x07E0, 0x001F}), .bits = {0x00, 0xF8, 0xE0, 0x07, 0x41, 0x08, 0, 0}});
}

Bytes ThirtyTwoRgb()
{
    return Build({.width = 1, .height = 1, .bitCount = 32, .bits = {1, 2, 3, 0xFF}});
}

// Red in the first byte of a pixel.
Bytes ThirtyTwoBitfields()
{
    return Build({.width = 1, .height = 1, .bitCount = 32, .compression = 3,
                  .masks = Le32({0x000000FF, 0x0000FF00, 0x00FF0000}), .bits = {10, 20, 30, 40}});
}

Bytes V5TopDownBitfields()
{
    return Build({.width = 1, .height = -2, .bitCount = 32, .compression = 3, .headerSize = 124,
                  .masks = Le32({0x00FF0000, 0x0000FF00, 0x000000FF}), .bits = {1, 2, 3, 0, 4, 5, 6, 0}});
}

Bytes V4Rgb()
{
    return Build({.width = 1, .height = 2, .headerSize = 108, .bits = {1, 2, 3, 0, 4, 5, 6, 0}});
}

Bytes WithImageSizeField(std::uint32_t size)
{
    Bytes b = Rows24(false);
    PutLittleEndian<std::uint32_t>(b.data() + 34, size);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, BmpDecode,
    ::testing::Values(
        DecodeCase{"BottomUp24", [] { return Rows24(false); }, 2, 2, {{9, 8, 7}, {12, 11, 10}, {3, 2, 1}, {6, 5, 4}}},
        DecodeCase{"TopDown24", [] { return Rows24(true); }, 2, 2, {{3, 2, 1}, {6, 5, 4}, {9, 8, 7}, {12, 11, 10}}},
        DecodeCase{"ImageSizeFieldZero", [] { return WithImageSizeField(0); }, 2, 2,
                   {{9, 8, 7}, {12, 11, 10}, {3, 2, 1}, {6, 5, 4}}},
        DecodeCase{"ImageSizeFieldTooLarge", [] { return WithImageSizeField(99999); }, 2, 2,
                   {{9, 8, 7}, {12, 11, 10}, {3, 2, 1}, {6, 5, 4}}},
        DecodeCase{"OneBitPalette", OneBit, 10, 2,
                   {{0x30, 0x20, 0x10}, {0, 0x80, 0xFF}, {0, 0x80, 0xFF}, {0, 0x80, 0xFF}, {0, 0x80, 0xFF},
                    {0, 0x80, 0xFF}, {0, 0x80, 0xFF}, {0, 0x80, 0xFF}, {0, 0x80, 0xFF}, {0x30, 0x20, 0x10},
                    {0, 0x80, 0xFF}, {0x30, 0x20, 0x10}, {0, 0x80, 0xFF}, {0x30, 0x20, 0x10}, {0x30, 0x20, 0x10},
                    {0x30, 0x20, 0x10}, {0x30, 0x20, 0x10}, {0x30, 0x20, 0x10}, {0, 0x80, 0xFF}, {0, 0x80, 0xFF}}},
        DecodeCase{"FourBitShortTableReadsBlackPastIt", FourBitShortTable, 3, 1, {{30, 20, 10}, {60, 50, 40}, {0, 0, 0}}},
        DecodeCase{"EightBitPalette", EightBit, 2, 2, {{255, 0, 0}, {0, 0, 255}, {248, 0, 7}, {127, 0, 128}}},
        // 5-bit 16 scales to (16 * 255 + 15) / 31 = 132.
        DecodeCase{"SixteenBit555", Sixteen555, 3, 1, {{255, 255, 255}, {255, 0, 0}, {0, 132, 132}}},
        // 5-bit 1 gives 8; 6-bit 2 gives (2 * 255 + 31) / 63 = 8.
        DecodeCase{"SixteenBit565Bitfields", Sixteen565, 3, 1, {{255, 0, 0}, {0, 255, 0}, {8, 8, 8}}},
        DecodeCase{"ThirtyTwoBitIgnoresFourthByte", ThirtyTwoRgb, 1, 1, {{3, 2, 1}}},
        DecodeCase{"ThirtyTwoBitfieldsAnyOrder", ThirtyTwoBitfields, 1, 1, {{10, 20, 30}}},
        DecodeCase{"V5HeaderTopDownBitfields", V5TopDownBitfields, 1, 2, {{3, 2, 1}, {6, 5, 4}}},
        DecodeCase{"V4Header24", V4Rgb, 1, 2, {{6, 5, 4}, {3, 2, 1}}}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(BmpDecode, LargeHeaderBecomesFortyBytesWithMasksInColourTable)
{
    Bytes file = V5TopDownBitfields();
    PutLittleEndian<std::uint32_t>(file.data() + 34, 0); // image size field left empty
    const Dib dib = DecodeDib(file, "v5.bmp");
    ASSERT_EQ(dib.header.size(), 40u);
    EXPECT_EQ(GetLittleEndian<std::uint32_t>(dib.header.data() + 0), 40u);
    EXPECT_EQ(GetLittleEndian<std::uint32_t>(dib.header.data() + 20), 8u); // the true image size
    EXPECT_EQ(Bytes(dib.header.begin() + 4, dib.header.begin() + 20), Bytes(file.begin() + 18, file.begin() + 34));
    EXPECT_EQ(Bytes(dib.header.begin() + 24, dib.header.end()), Bytes(file.begin() + 38, file.begin() + 54));
    EXPECT_EQ(dib.colourTable, Le32({0x00FF0000, 0x0000FF00, 0x000000FF}));
    EXPECT_EQ(dib.bits, Bytes({1, 2, 3, 0, 4, 5, 6, 0}));
    EXPECT_EQ(dib.height(), -2);
    EXPECT_EQ(dib.imageSize(), 8u);
}

TEST(BmpDecode, KeepsPaletteAsStored)
{
    const Dib dib = DecodeDib(FourBitShortTable(), "four.bmp");
    EXPECT_EQ(dib.bitCount(), 4);
    EXPECT_EQ(dib.colourTable, Bytes({0, 0, 0, 0, 10, 20, 30, 0, 40, 50, 60, 0}));
    EXPECT_EQ(dib.bits, Bytes({0x12, 0xF0, 0, 0}));
}

struct MalformedCase {
    const char* name;
    std::function<Bytes()> file;
    const char* reason;
};

class BmpMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(BmpMalformed, ThrowsUserErrorNamingFile)
{
    const Bytes file = GetParam().file();
    EXPECT_EQ(UserErrorOf([&] { DecodeDib(file, "fixture.bmp"); }),
              std::string("Invalid bitmap fixture.bmp: ") + GetParam().reason);
}

Bytes Valid24() { return Build(Fixture{}); }

Bytes Mutated(Bytes b, std::size_t at, std::uint32_t value)
{
    PutLittleEndian<std::uint32_t>(b.data() + at, value);
    return b;
}

Bytes WithBitCount(std::uint16_t bits, std::uint32_t compression)
{
    Bytes b = Valid24();
    PutLittleEndian<std::uint16_t>(b.data() + 28, bits);
    PutLittleEndian<std::uint32_t>(b.data() + 30, compression);
    return b;
}

Bytes Truncated(Bytes b, std::size_t size)
{
    b.resize(size);
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BmpMalformed,
    ::testing::Values(
        MalformedCase{"Empty", [] { return Bytes{}; }, "not a BMP file"},
        MalformedCase{"WrongSignature", [] { Bytes b = Valid24(); b[1] = 'A'; return b; }, "not a BMP file"},
        MalformedCase{"CutInFileHeader", [] { return Truncated(Valid24(), 10); }, "truncated header"},
        MalformedCase{"CutInInfoHeader", [] { return Truncated(Valid24(), 40); }, "truncated header"},
        MalformedCase{"CoreHeader", [] { return Mutated(Valid24(), 14, 12); }, "unsupported header size 12"},
        MalformedCase{"UnknownHeaderSize", [] { return Mutated(Valid24(), 14, 64); }, "unsupported header size 64"},
        MalformedCase{"HugeHeaderSize", [] { return Mutated(Valid24(), 14, 0xFFFFFFFF); },
                      "unsupported header size 4294967295"},
        MalformedCase{"V5HeaderCut", [] { return Truncated(V5TopDownBitfields(), 100); }, "truncated header"},
        MalformedCase{"ZeroWidth", [] { return Mutated(Valid24(), 18, 0); }, "invalid size 0 x 2"},
        MalformedCase{"NegativeWidth", [] { return Mutated(Valid24(), 18, static_cast<std::uint32_t>(-2)); },
                      "invalid size -2 x 2"},
        MalformedCase{"ZeroHeight", [] { return Mutated(Valid24(), 22, 0); }, "invalid size 2 x 0"},
        MalformedCase{"WidthTooLarge", [] { return Mutated(Valid24(), 18, 32769); }, "size 32769 x 2 too large"},
        MalformedCase{"MostNegativeHeight", [] { return Mutated(Valid24(), 22, 0x80000000); },
                      "size 2 x 2147483648 too large"},
        // 32768 x 32768 at 32 bits is 4 GiB: more than a 32-bit size can say.
        MalformedCase{"LargestSize",
                      [] { return Mutated(Mutated(WithBitCount(32, 0), 18, 32768), 22, 32768); },
                      "pixel data larger than 4 GiB"},
        MalformedCase{"Rle8", [] { return WithBitCount(8, 1); }, "unsupported compression 1"},
        MalformedCase{"AlphaBitfields", [] { return WithBitCount(32, 6); }, "unsupported compression 6"},
        MalformedCase{"TwoBitCount", [] { return WithBitCount(2, 0); }, "unsupported bit count 2"},
        MalformedCase{"Bitfields24", [] { return WithBitCount(24, 3); }, "unsupported bit count 24"},
        MalformedCase{"MasksCut", [] { return Truncated(Sixteen565(), 60); }, "truncated colour masks"},
        MalformedCase{"OffsetZero", [] { return Mutated(Valid24(), 10, 0); }, "pixel data offset 0 lies inside the header"},
        MalformedCase{"OffsetInsideMasks", [] { return Mutated(Sixteen565(), 10, 60); },
                      "pixel data offset 60 lies inside the header"},
        MalformedCase{"OffsetPastEnd", [] { return Mutated(Valid24(), 10, 1000); }, "truncated pixel data"},
        MalformedCase{"OffsetMaximal", [] { return Mutated(Valid24(), 10, 0xFFFFFFFF); }, "truncated pixel data"},
        MalformedCase{"PixelsCutByOneByte", [] { return Truncated(Valid24(), 54 + 15); }, "truncated pixel data"},
        MalformedCase{"PixelsCutWithShrunkSizeField",
                      [] { return Mutated(Truncated(Valid24(), 54 + 8), 34, 8); }, "truncated pixel data"},
        MalformedCase{"TooManyColoursForOneBit", [] { return Mutated(OneBit(), 46, 3); },
                      "colour table of 3 entries is too large for 1-bit pixels"},
        MalformedCase{"TooManyColoursForEightBit", [] { return Mutated(EightBit(), 46, 0x40000001); },
                      "colour table of 1073741825 entries is too large for 8-bit pixels"},
        MalformedCase{"ColourTableOverlapsPixels", [] { return Mutated(EightBit(), 10, 54 + 1020); },
                      "colour table runs past the pixel data"},
        MalformedCase{"HugeColourCountFor24Bit", [] { return Mutated(Valid24(), 46, 0xFFFFFFFF); },
                      "colour table runs past the pixel data"}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

TEST(BmpFile, WritesAndReadsBack)
{
    const std::string path = test::ScratchFolder("bmp-write").string() + "/image.bmp";
    const RgbImage image = Pattern(7, 5);
    WriteBmpFile(path, image);
    EXPECT_EQ(ReadBmpFile(path), image);
    EXPECT_EQ(ReadDibFile(path).bits, ImageToDib24(image).bits);
}

TEST(BmpFile, MissingFileCannotBeOpened)
{
    const std::string path = test::ScratchFolder("bmp-missing").string() + "/absent.bmp";
    EXPECT_EQ(UserErrorOf([&] { ReadBmpFile(path); }), "Cannot open file " + path);
}

TEST(BmpFile, MalformedFileErrorNamesPath)
{
    const std::string path = test::ScratchFolder("bmp-malformed").string() + "/cut.bmp";
    WriteWholeFile(path, Truncated(Valid24(), 60));
    EXPECT_EQ(UserErrorOf([&] { ReadDibFile(path); }), "Invalid bitmap " + path + ": truncated pixel data");
}

TEST(BmpFile, FolderThatDoesNotExistCannotBeCreated)
{
    const std::string path = test::ScratchFolder("bmp-nofolder").string() + "/absent/image.bmp";
    EXPECT_EQ(UserErrorOf([&] { WriteBmpFile(path, Pattern(2, 2)); }), "Cannot create file " + path + ": No such file or directory");
}

// An independent decoder must read our files as the same pixels.
TEST(BmpFile, IndependentDecoderReadsSamePixels)
{
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    const std::string folder = test::ScratchFolder("bmp-independent").string();
    const RgbImage image = Pattern(5, 3);
    WriteBmpFile(folder + "/image.bmp", image);
    const std::string command = "ffmpeg -v error -y -i '" + folder + "/image.bmp' -f rawvideo -pix_fmt rgb24 '"
        + folder + "/image.rgb'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadWholeFile(folder + "/image.rgb", 1000, "too large"), image.bytes());
}

} // namespace
} // namespace tavrik
