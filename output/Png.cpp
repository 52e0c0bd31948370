#include "output/Png.h"

#include "base/Check.h"
#include "base/UserError.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <string>

namespace tavrik {

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// libpng reports errors by longjmp; every one of them here would be a bug
// (the data is in memory and its size was checked), so it becomes a check.
[[noreturn]] void PngFailed(png_structp, png_const_charp message)
{
    CheckFailed((std::string("libpng: ") + message).c_str(), __FILE__, __LINE__);
}

// Rows are `rowBytes` apart in `pixels`, already in the file's byte order.
std::vector<std::uint8_t> Encode(const std::uint8_t* pixels, std::size_t rowBytes, int width, int height,
                                 int channels, int bitDepth)
{
    TAVRIK_CHECK(width > 0 && height > 0);
    TAVRIK_CHECK(channels == 1 || channels == 3);
    std::vector<std::uint8_t> file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, nullptr);
    TAVRIK_CHECK(png != nullptr);
    png_infop info = png_create_info_struct(png);
    TAVRIK_CHECK(info != nullptr);
    png_set_write_fn(png, &file, AppendBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth,
                 channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Ground-truth maps are large and written every frame: the fastest level
    // and one fixed filter (each byte minus the one a pixel to the left,
    // which turns smooth maps into runs) instead of trying every filter on
    // every row.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_write_info(png, info);
    for (int row = 0; row < height; ++row)
        png_write_row(png, pixels + static_cast<std::size_t>(row) * rowBytes);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return file;
}

} // namespace

std::vector<std::uint8_t> EncodePng(std::span<const std::uint8_t> samples, int width, int height, int channels)
{
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    TAVRIK_CHECK_EQ(samples.size(), rowBytes * static_cast<std::size_t>(height));
    return Encode(samples.data(), rowBytes, width, height, channels, 8);
}

std::vector<std::uint8_t> EncodePng(std::span<const std::uint16_t> samples, int width, int height, int channels)
{
    std::vector<std::uint8_t> bigEndian(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        PutPngSample16(bigEndian.data() + 2 * i, samples[i]);
    return EncodePngBigEndian16(bigEndian, width, height, channels);
}

std::vector<std::uint8_t> EncodePngBigEndian16(std::span<const std::uint8_t> bigEndianSamples, int width, int height,
                                               int channels)
{
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels * 2;
    TAVRIK_CHECK_EQ(bigEndianSamples.size(), rowBytes * static_cast<std::size_t>(height));
    return Encode(bigEndianSamples.data(), rowBytes, width, height, channels, 16);
}

namespace {

struct PngSource {
    std::span<const std::uint8_t> file;
    std::size_t at = 0;
    std::string error;
};

void ReadBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->file.size() - source->at < length)
        png_error(png, "the file ends early");
    std::copy_n(source->file.data() + source->at, length, data);
    source->at += length;
}

// A damaged file is the user's doing: the message is kept and libpng
// returns to the setjmp in DecodePng, which turns it into a UserError.
[[noreturn]] void ReadFailed(png_structp png, png_const_charp message)
{
    static_cast<PngSource*>(png_get_error_ptr(png))->error = message;
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

} // namespace

PngImage DecodePng(std::span<const std::uint8_t> file, const std::string& fileName)
{
    if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0)
        throw UserError(fileName + ": not a PNG file: no PNG signature");
    PngSource source{file, 0, {}};
    PngImage image;
    std::vector<std::uint8_t> rows;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, ReadFailed, IgnoreWarning);
    TAVRIK_CHECK(png != nullptr);
    png_infop info = png_create_info_struct(png);
    TAVRIK_CHECK(info != nullptr);
    // Only libpng's own frames lie between here and png_longjmp; the C++
    // objects above outlive the jump.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw UserError(fileName + ": not a PNG file: " + source.error);
    }
    png_set_read_fn(png, &source, ReadBytes);
    png_set_user_limits(png, 1u << 16, 1u << 16);
    png_read_info(png, info);
    png_set_expand(png); // palette to RGB, low-depth grey to 8 bits, tRNS to alpha
    png_set_strip_alpha(png);
    png_read_update_info(png, info);
    image.width = static_cast<int>(png_get_image_width(png, info));
    image.height = static_cast<int>(png_get_image_height(png, info));
    image.channels = png_get_channels(png, info);
    image.bitDepth = png_get_bit_depth(png, info);
    TAVRIK_CHECK(image.channels == 1 || image.channels == 3);
    TAVRIK_CHECK(image.bitDepth == 8 || image.bitDepth == 16);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    rows.resize(rowBytes * static_cast<std::size_t>(image.height));
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int row = 0; row < image.height; ++row)
            png_read_row(png, rows.data() + static_cast<std::size_t>(row) * rowBytes, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    const std::size_t count = static_cast<std::size_t>(image.width) * image.height * image.channels;
    image.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        image.samples[i] = image.bitDepth == 8 ? rows[i] : static_cast<std::uint16_t>(rows[2 * i] << 8 | rows[2 * i + 1]);
    return image;
}

} // namespace tavrik
