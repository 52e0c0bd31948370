#pragma once

#include "output/Image.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// A device-independent bitmap as it stands in a BMP file: the 40-byte
// BITMAPINFOHEADER exactly as stored (little-endian), the colour table that
// follows it (4 bytes per entry, may be empty) and the pixel bits (rows
// bottom-up unless the header's height is negative, each padded to 4 bytes).
// The AVI writer stores frames in this form without converting them.
struct Dib {
    std::vector<std::uint8_t> header;      // exactly 40 bytes
    std::vector<std::uint8_t> colourTable; // 4 * colours-used bytes
    std::vector<std::uint8_t> bits;        // image-size bytes

    std::int32_t width() const;
    std::int32_t height() const;   // as stored: negative for top-down rows
    std::uint16_t bitCount() const;
    std::uint32_t compression() const;
    std::uint32_t imageSize() const; // bits.size()
};

// Parses a whole BMP file image. Accepts uncompressed (BI_RGB) bitmaps of
// 1, 4, 8, 24 and 32 bits per pixel and BI_BITFIELDS bitmaps of 16 and 32
// bits, bottom-up or top-down, with an info header of 40 bytes or more.
// Throws UserError naming `name` for anything else or for a malformed file
// (truncated data, lying header, absurd size); never reads out of bounds.
Dib DecodeDib(std::span<const std::uint8_t> file, const std::string& name);

// Converts a decoded bitmap into an RGB image, top row first.
RgbImage DibToImage(const Dib& dib);

// The 24-bit BMP file image of `image`: a 14-byte file header, a 40-byte
// info header (BI_RGB, bottom-up rows, 2835 pixels per metre), no colour
// table, rows of blue, green, red bytes padded to 4 bytes.
std::vector<std::uint8_t> EncodeBmp24(const RgbImage& image);

// The DIB of `image` as EncodeBmp24 lays it out (the file minus its 14-byte
// file header).
Dib ImageToDib24(const RgbImage& image);

// Reads and decodes a BMP file. Throws UserError "Cannot open file %s" when
// the file cannot be read, or the decoder's message when it is malformed.
Dib ReadDibFile(const std::string& path);
RgbImage ReadBmpFile(const std::string& path);

// Writes `image` as a 24-bit BMP file, creating or overwriting it. Throws
// UserError "Cannot create file %s" when the file cannot be created or not
// every byte reaches it.
void WriteBmpFile(const std::string& path, const RgbImage& image);

} // namespace tavrik
