#include "output/Png.h"

#include "base/Check.h"
#include "base/UserError.h"

#include <isa-l/igzip_lib.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>

namespace tavrik {

namespace {

constexpr std::uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// The signature and the IHDR chunk: 8 + 4 + 4 + 13 + 4 bytes.
constexpr std::size_t headerBytes = 33;
// A chunk's length and type before its data, its CRC after it.
constexpr std::size_t chunkFrame = 12;

void PutBigEndian32(std::uint8_t* out, std::uint32_t v)
{
    out[0] = static_cast<std::uint8_t>(v >> 24);
    out[1] = static_cast<std::uint8_t>(v >> 16);
    out[2] = static_cast<std::uint8_t>(v >> 8);
    out[3] = static_cast<std::uint8_t>(v);
}

// Frames the `length` data bytes at `chunk` + 8 as a chunk of `type`: its
// length before, and its CRC (over type and data) after them.
void FinishChunk(std::uint8_t* chunk, const char* type, std::size_t length)
{
    TAVRIK_CHECK(length < (std::size_t{1} << 31));
    PutBigEndian32(chunk, static_cast<std::uint32_t>(length));
    std::memcpy(chunk + 4, type, 4);
    const uLong crc = crc32(crc32(0, nullptr, 0), chunk + 4, static_cast<uInt>(length + 4));
    PutBigEndian32(chunk + 8 + length, static_cast<std::uint32_t>(crc));
}

// The scanlines as PNG compresses them: every row its filter byte, then each
// byte minus the one a pixel to the left ("Sub"). Ground-truth maps are
// smooth, so this one fixed filter turns them into runs without trying
// every filter on every row.
std::unique_ptr<std::uint8_t[]> SubFiltered(const std::uint8_t* pixels, std::size_t rowBytes, int height,
                                            std::size_t pixelBytes)
{
    constexpr std::uint8_t sub = 1;
    auto filtered = std::make_unique_for_overwrite<std::uint8_t[]>((rowBytes + 1) * static_cast<std::size_t>(height));
    const std::size_t first = std::min(pixelBytes, rowBytes);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* __restrict in = pixels + static_cast<std::size_t>(row) * rowBytes;
        std::uint8_t* __restrict out = filtered.get() + static_cast<std::size_t>(row) * (rowBytes + 1) + 1;
        out[-1] = sub;
        std::memcpy(out, in, first);
        for (std::size_t i = first; i < rowBytes; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] - in[i - pixelBytes]);
    }
    return filtered;
}

// Rows are `rowBytes` apart in `pixels`, already in the file's byte order.
// The file is signature, IHDR, one IDAT and IEND. Ground-truth maps are
// megabytes a frame, so the zlib stream is made by ISA-L's fastest level,
// several times faster than zlib's and about as small.
std::vector<std::uint8_t> Encode(const std::uint8_t* pixels, std::size_t rowBytes, int width, int height,
                                 int channels, int bitDepth)
{
    TAVRIK_CHECK(width > 0 && height > 0);
    TAVRIK_CHECK(channels == 1 || channels == 3);
    TAVRIK_CHECK(bitDepth == 8 || bitDepth == 16);
    const std::size_t filteredBytes = (rowBytes + 1) * static_cast<std::size_t>(height);
    TAVRIK_CHECK(filteredBytes <= UINT32_MAX);
    const auto filtered = SubFiltered(pixels, rowBytes, height, static_cast<std::size_t>(channels * bitDepth / 8));
    const auto level = std::make_unique_for_overwrite<std::uint8_t[]>(ISAL_DEF_LVL1_DEFAULT);
    // Deflate's stored blocks (5 bytes per 64 KiB) bound what any input
    // takes; the zlib header and checksum add 6. Only the part written is
    // touched.
    const std::size_t room = filteredBytes + filteredBytes / 16 + 1024;
    const auto stream = std::make_unique_for_overwrite<std::uint8_t[]>(room);
    // Cleared first: the init leaves fields unset that the compressor reads,
    // and the same samples must always give the same bytes.
    isal_zstream z{};
    isal_deflate_stateless_init(&z);
    z.level = 1;
    z.level_buf = level.get();
    z.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
    z.gzip_flag = IGZIP_ZLIB;
    z.next_in = filtered.get();
    z.avail_in = static_cast<std::uint32_t>(filteredBytes);
    z.next_out = stream.get();
    z.avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(room, UINT32_MAX));
    z.end_of_stream = 1;
    z.flush = NO_FLUSH;
    TAVRIK_CHECK_EQ(isal_deflate_stateless(&z), COMP_OK);
    const std::size_t compressed = z.total_out;

    std::vector<std::uint8_t> file(headerBytes + chunkFrame + compressed + chunkFrame);
    std::memcpy(file.data() + headerBytes + 8, stream.get(), compressed);
    std::memcpy(file.data(), pngSignature, sizeof pngSignature);
    std::uint8_t* ihdr = file.data() + sizeof pngSignature;
    PutBigEndian32(ihdr + 8, static_cast<std::uint32_t>(width));
    PutBigEndian32(ihdr + 12, static_cast<std::uint32_t>(height));
    ihdr[16] = static_cast<std::uint8_t>(bitDepth);
    ihdr[17] = channels == 1 ? 0 : 2; // grey or RGB
    ihdr[18] = ihdr[19] = ihdr[20] = 0; // deflate, adaptive filtering, no interlacing
    FinishChunk(ihdr, "IHDR", 13);
    FinishChunk(file.data() + headerBytes, "IDAT", compressed);
    std::uint8_t* iend = file.data() + headerBytes + chunkFrame + compressed;
    FinishChunk(iend, "IEND", 0);
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
