#include "output/Png.h"

#include "base/Check.h"

#include <png.h>

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
    const std::size_t rowSamples = static_cast<std::size_t>(width) * channels;
    TAVRIK_CHECK_EQ(samples.size(), rowSamples * static_cast<std::size_t>(height));
    std::vector<std::uint8_t> bigEndian(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        bigEndian[2 * i] = static_cast<std::uint8_t>(samples[i] >> 8);
        bigEndian[2 * i + 1] = static_cast<std::uint8_t>(samples[i]);
    }
    return Encode(bigEndian.data(), rowSamples * 2, width, height, channels, 16);
}

} // namespace tavrik
