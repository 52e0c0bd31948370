#include "output/Bmp.h"

#include "base/FileIo.h"
#include "base/LittleEndian.h"
#include "base/UserError.h"

#include <algorithm>
#include <array>
#include <bit>
#include "base/Check.h"
#include <cstddef>
#include <limits>

namespace tavrik {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
// Neither side of a bitmap may exceed this many pixels; it keeps every size
// computation far from overflow and refuses absurd headers early.
constexpr std::int64_t kMaxSide = 32768;
// Files are read whole; no bitmap this system handles comes near this.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
constexpr std::uint32_t kPixelsPerMetre = 2835; // 72 dots per inch

// Byte offsets of the BITMAPINFOHEADER fields.
enum InfoField : std::size_t {
    kSize = 0,
    kWidth = 4,
    kHeight = 8,
    kPlanes = 12,
    kBitCount = 14,
    kCompression = 16,
    kSizeImage = 20,
    kXPelsPerMeter = 24,
    kYPelsPerMeter = 28,
    kClrUsed = 32,
    kClrImportant = 36,
};

// Bytes of one stored row: whole 32-bit words.
std::uint64_t RowBytes(std::int64_t width, unsigned bitCount)
{
    return (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
}

[[noreturn]] void Invalid(const std::string& name, const std::string& reason)
{
    throw UserError("Invalid bitmap " + name + ": " + reason);
}

bool SupportedFormat(std::uint32_t compression, unsigned bitCount)
{
    if (compression == kBiRgb)
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16
            || bitCount == 24 || bitCount == 32;
    return compression == kBiBitfields && (bitCount == 16 || bitCount == 32);
}

// One colour channel of a bitfields pixel: the mask's bits, shifted down and
// scaled to 0..255 with rounding (a 5-bit 31 and an 8-bit 255 both give 255).
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0),
          max_(mask ? (std::uint64_t{mask} >> shift_) : 0)
    {
    }

    std::uint8_t operator()(std::uint32_t pixel) const
    {
        if (max_ == 0)
            return 0;
        const std::uint64_t value = (pixel & mask_) >> shift_;
        return static_cast<std::uint8_t>((value * 255 + max_ / 2) / max_);
    }

private:
    std::uint32_t mask_;
    int shift_;
    std::uint64_t max_; // the mask shifted down: the largest channel value
};

// Rows of `dib` top row first, whatever order they are stored in.
const std::uint8_t* StoredRow(const Dib& dib, std::size_t rowBytes, int y, int height)
{
    const int stored = dib.height() < 0 ? y : height - 1 - y;
    return dib.bits.data() + static_cast<std::size_t>(stored) * rowBytes;
}

// Converts rows of blue-green-red pixels `Step` bytes apart into `out`, top
// row first. The constant step lets the compiler unroll the loop.
template <std::size_t Step>
void CopyBgrRows(const Dib& dib, std::size_t rowBytes, std::uint8_t* out)
{
    const std::size_t width = static_cast<std::size_t>(dib.width());
    const int height = dib.height() < 0 ? -dib.height() : dib.height();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = StoredRow(dib, rowBytes, y, height);
        for (std::size_t x = 0; x < width; ++x) {
            out[3 * x] = src[Step * x + 2];
            out[3 * x + 1] = src[Step * x + 1];
            out[3 * x + 2] = src[Step * x];
        }
        out += 3 * width;
    }
}

void WriteInfoHeader24(std::uint8_t* p, const RgbImage& image, std::uint32_t imageSize)
{
    std::fill(p, p + kInfoHeaderSize, std::uint8_t{0});
    PutLittleEndian<std::uint32_t>(p + kSize, kInfoHeaderSize);
    PutLittleEndian<std::uint32_t>(p + kWidth, static_cast<std::uint32_t>(image.width()));
    PutLittleEndian<std::uint32_t>(p + kHeight, static_cast<std::uint32_t>(image.height()));
    PutLittleEndian<std::uint16_t>(p + kPlanes, 1);
    PutLittleEndian<std::uint16_t>(p + kBitCount, 24);
    PutLittleEndian<std::uint32_t>(p + kCompression, kBiRgb);
    PutLittleEndian<std::uint32_t>(p + kSizeImage, imageSize);
    PutLittleEndian<std::uint32_t>(p + kXPelsPerMeter, kPixelsPerMetre);
    PutLittleEndian<std::uint32_t>(p + kYPelsPerMeter, kPixelsPerMetre);
}

// Writes the pixel rows of `image` bottom row first, blue-green-red, each row
// zero-padded to `rowBytes`.
void WriteBgrRows(std::uint8_t* out, const RgbImage& image, std::size_t rowBytes)
{
    const std::size_t width = static_cast<std::size_t>(image.width());
    const std::size_t rowLength = width * 3;
    const std::uint8_t* pixels = image.bytes().data();
    for (int row = image.height() - 1; row >= 0; --row) {
        const std::uint8_t* src = pixels + static_cast<std::size_t>(row) * rowLength;
        std::uint8_t* dst = out;
        for (std::size_t i = 0; i < rowLength; i += 3) {
            dst[i] = src[i + 2];
            dst[i + 1] = src[i + 1];
            dst[i + 2] = src[i];
        }
        std::fill(dst + rowLength, dst + rowBytes, std::uint8_t{0});
        out += rowBytes;
    }
}

std::size_t EncodedImageSize(const RgbImage& image)
{
    TAVRIK_CHECK(image.width() > 0 && image.height() > 0);
    const std::uint64_t size = RowBytes(image.width(), 24) * static_cast<std::uint64_t>(image.height());
    TAVRIK_CHECK_LE(size + kFileHeaderSize + kInfoHeaderSize, std::numeric_limits<std::uint32_t>::max());
    return static_cast<std::size_t>(size);
}

} // namespace

std::int32_t Dib::width() const
{
    TAVRIK_CHECK_EQ(header.size(), kInfoHeaderSize);
    return static_cast<std::int32_t>(GetLittleEndian<std::uint32_t>(header.data() + kWidth));
}

std::int32_t Dib::height() const
{
    TAVRIK_CHECK_EQ(header.size(), kInfoHeaderSize);
    return static_cast<std::int32_t>(GetLittleEndian<std::uint32_t>(header.data() + kHeight));
}

std::uint16_t Dib::bitCount() const
{
    TAVRIK_CHECK_EQ(header.size(), kInfoHeaderSize);
    return GetLittleEndian<std::uint16_t>(header.data() + kBitCount);
}

std::uint32_t Dib::compression() const
{
    TAVRIK_CHECK_EQ(header.size(), kInfoHeaderSize);
    return GetLittleEndian<std::uint32_t>(header.data() + kCompression);
}

std::uint32_t Dib::imageSize() const
{
    return static_cast<std::uint32_t>(bits.size());
}

Dib DecodeDib(std::span<const std::uint8_t> file, const std::string& name)
{
    const std::size_t fileSize = file.size();
    if (fileSize < 2 || file[0] != 'B' || file[1] != 'M')
        Invalid(name, "not a BMP file");
    if (fileSize < kFileHeaderSize + 4)
        Invalid(name, "truncated header");
    const std::uint8_t* data = file.data();
    const std::uint32_t bitsOffset = GetLittleEndian<std::uint32_t>(data + 10);
    const std::uint32_t headerSize = GetLittleEndian<std::uint32_t>(data + kFileHeaderSize);
    // 40: BITMAPINFOHEADER; 52 and 56 add the colour masks; 108 (V4) and
    // 124 (V5) add colour space data, which is not needed here.
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108
        && headerSize != 124)
        Invalid(name, "unsupported header size " + std::to_string(headerSize));
    if (fileSize < kFileHeaderSize + headerSize)
        Invalid(name, "truncated header");
    const std::uint8_t* info = data + kFileHeaderSize;

    const std::int64_t width = static_cast<std::int32_t>(GetLittleEndian<std::uint32_t>(info + kWidth));
    const std::int64_t storedHeight = static_cast<std::int32_t>(GetLittleEndian<std::uint32_t>(info + kHeight));
    const std::int64_t height = storedHeight < 0 ? -storedHeight : storedHeight;
    if (width <= 0 || storedHeight == 0)
        Invalid(name, "invalid size " + std::to_string(width) + " x " + std::to_string(storedHeight));
    if (width > kMaxSide || height > kMaxSide)
        Invalid(name, "size " + std::to_string(width) + " x " + std::to_string(height) + " too large");

    const unsigned bitCount = GetLittleEndian<std::uint16_t>(info + kBitCount);
    const std::uint32_t compression = GetLittleEndian<std::uint32_t>(info + kCompression);
    if (compression != kBiRgb && compression != kBiBitfields)
        Invalid(name, "unsupported compression " + std::to_string(compression));
    if (!SupportedFormat(compression, bitCount))
        Invalid(name, "unsupported bit count " + std::to_string(bitCount));

    // Bitfields masks: inside headers of 52 bytes and more, else right after
    // the 40-byte header.
    std::uint64_t tableStart = kFileHeaderSize + headerSize;
    std::uint64_t maskBytes = 0;
    const std::uint8_t* masks = info + kInfoHeaderSize;
    if (compression == kBiBitfields) {
        maskBytes = 12;
        if (headerSize == kInfoHeaderSize) {
            if (tableStart + maskBytes > fileSize)
                Invalid(name, "truncated colour masks");
            tableStart += maskBytes;
        }
    }

    if (bitsOffset < tableStart)
        Invalid(name, "pixel data offset " + std::to_string(bitsOffset) + " lies inside the header");

    const std::uint64_t clrUsed = GetLittleEndian<std::uint32_t>(info + kClrUsed);
    std::uint64_t colours = clrUsed;
    if (bitCount <= 8) {
        const std::uint64_t possible = std::uint64_t{1} << bitCount;
        if (clrUsed > possible)
            Invalid(name, "colour table of " + std::to_string(clrUsed) + " entries is too large for "
                              + std::to_string(bitCount) + "-bit pixels");
        if (colours == 0)
            colours = possible;
    }
    const std::uint64_t tableBytes = colours * 4;
    if (tableStart + tableBytes > bitsOffset)
        Invalid(name, "colour table runs past the pixel data");

    const std::uint64_t imageBytes = RowBytes(width, bitCount) * static_cast<std::uint64_t>(height);
    if (imageBytes > std::numeric_limits<std::uint32_t>::max())
        Invalid(name, "pixel data larger than 4 GiB");
    if (std::uint64_t{bitsOffset} + imageBytes > fileSize)
        Invalid(name, "truncated pixel data");

    Dib dib;
    dib.header.assign(info, info + kInfoHeaderSize);
    PutLittleEndian<std::uint32_t>(dib.header.data() + kSize, kInfoHeaderSize);
    PutLittleEndian<std::uint32_t>(dib.header.data() + kSizeImage, static_cast<std::uint32_t>(imageBytes));
    dib.colourTable.reserve(static_cast<std::size_t>(maskBytes + tableBytes));
    dib.colourTable.assign(masks, masks + maskBytes);
    const std::uint8_t* table = data + tableStart;
    dib.colourTable.insert(dib.colourTable.end(), table, table + tableBytes);
    dib.bits.assign(data + bitsOffset, data + bitsOffset + imageBytes);
    return dib;
}

bool IsUsableDib(const Dib& dib)
{
    if (dib.header.size() != kInfoHeaderSize)
        return false;
    const std::int64_t width = dib.width();
    const std::int64_t height = dib.height() < 0 ? -std::int64_t{dib.height()} : dib.height();
    const unsigned bitCount = dib.bitCount();
    const std::uint32_t compression = dib.compression();
    if (width <= 0 || height == 0 || width > kMaxSide || height > kMaxSide
        || !SupportedFormat(compression, bitCount))
        return false;
    if (compression == kBiBitfields && dib.colourTable.size() < 12)
        return false;
    return dib.bits.size() >= DibPixelBytes(dib);
}

std::uint64_t DibPixelBytes(const Dib& dib)
{
    const std::int64_t height = dib.height();
    return RowBytes(dib.width(), dib.bitCount()) * static_cast<std::uint64_t>(height < 0 ? -height : height);
}

RgbImage DibToImage(const Dib& dib)
{
    TAVRIK_CHECK(IsUsableDib(dib));
    const int width = dib.width();
    const int height = dib.height() < 0 ? -dib.height() : dib.height();
    const unsigned bitCount = dib.bitCount();
    const std::size_t rowBytes = static_cast<std::size_t>(RowBytes(width, bitCount));

    RgbImage image(width, height);
    std::uint8_t* out = image.bytes().data();
    if (bitCount == 24) {
        CopyBgrRows<3>(dib, rowBytes, out);
    } else if (bitCount == 32 && dib.compression() == kBiRgb) {
        CopyBgrRows<4>(dib, rowBytes, out);
    } else if (bitCount <= 8) {
        // Indices past the end of a short colour table read as black.
        std::array<Rgb, 256> palette{};
        const std::size_t entries = std::min<std::size_t>(dib.colourTable.size() / 4, palette.size());
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* quad = &dib.colourTable[4 * i];
            palette[i] = {quad[2], quad[1], quad[0]};
        }
        const unsigned mask = (1u << bitCount) - 1;
        const unsigned perByte = 8 / bitCount;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* src = StoredRow(dib, rowBytes, y, height);
            for (int x = 0; x < width; ++x, out += 3) {
                // The leftmost pixel sits in the most significant bits.
                const unsigned slot = static_cast<unsigned>(x) % perByte;
                const unsigned shift = 8 - bitCount * (slot + 1);
                const Rgb c = palette[(src[static_cast<unsigned>(x) / perByte] >> shift) & mask];
                out[0] = c.red;
                out[1] = c.green;
                out[2] = c.blue;
            }
        }
    } else {
        std::uint32_t redMask = 0x7C00, greenMask = 0x03E0, blueMask = 0x001F; // 16-bit BI_RGB: 5-5-5
        if (dib.compression() == kBiBitfields) {
            TAVRIK_CHECK_GE(dib.colourTable.size(), 12u);
            redMask = GetLittleEndian<std::uint32_t>(&dib.colourTable[0]);
            greenMask = GetLittleEndian<std::uint32_t>(&dib.colourTable[4]);
            blueMask = GetLittleEndian<std::uint32_t>(&dib.colourTable[8]);
        }
        const Channel red(redMask), green(greenMask), blue(blueMask);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* src = StoredRow(dib, rowBytes, y, height);
            for (int x = 0; x < width; ++x, out += 3) {
                const std::uint32_t pixel = bitCount == 16 ? GetLittleEndian<std::uint16_t>(src + 2 * x)
                                                            : GetLittleEndian<std::uint32_t>(src + 4 * x);
                out[0] = red(pixel);
                out[1] = green(pixel);
                out[2] = blue(pixel);
            }
        }
    }
    return image;
}

std::vector<std::uint8_t> EncodeBmp24(const RgbImage& image)
{
    const std::size_t imageSize = EncodedImageSize(image);
    const std::size_t offset = kFileHeaderSize + kInfoHeaderSize;
    std::vector<std::uint8_t> file(offset + imageSize);
    std::uint8_t* p = file.data();
    p[0] = 'B';
    p[1] = 'M';
    PutLittleEndian<std::uint32_t>(p + 2, static_cast<std::uint32_t>(file.size()));
    PutLittleEndian<std::uint32_t>(p + 6, 0); // two reserved words
    PutLittleEndian<std::uint32_t>(p + 10, static_cast<std::uint32_t>(offset));
    WriteInfoHeader24(p + kFileHeaderSize, image, static_cast<std::uint32_t>(imageSize));
    WriteBgrRows(p + offset, image, imageSize / static_cast<std::size_t>(image.height()));
    return file;
}

Dib ImageToDib24(const RgbImage& image)
{
    const std::size_t imageSize = EncodedImageSize(image);
    Dib dib;
    dib.header.resize(kInfoHeaderSize);
    WriteInfoHeader24(dib.header.data(), image, static_cast<std::uint32_t>(imageSize));
    dib.bits.resize(imageSize);
    WriteBgrRows(dib.bits.data(), image, imageSize / static_cast<std::size_t>(image.height()));
    return dib;
}

Dib ReadDibFile(const std::string& path)
{
    const std::vector<std::uint8_t> file
        = ReadWholeFile(path, kMaxFileBytes, "Invalid bitmap " + path + ": file too large");
    return DecodeDib(file, path);
}

RgbImage ReadBmpFile(const std::string& path)
{
    return DibToImage(ReadDibFile(path));
}

void WriteBmpFile(const std::string& path, const RgbImage& image)
{
    WriteWholeFile(path, EncodeBmp24(image));
}

} // namespace tavrik
