#pragma once

#include "output/Image.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// A device-independent bitmap as it stands in a BMP file: a 40-byte
// BITMAPINFOHEADER (little-endian), the colour table that follows it and the
// pixel bits (rows bottom-up unless the header's height is negative, each
// padded to 4 bytes). Together they form a BITMAPINFO plus bits, so the AVI
// writer stores frames in this form without converting them.
//
// A file with a larger header (52, 56, 108 or 124 bytes) keeps only its first
// 40 bytes, with biSize rewritten to 40; the colour masks such a header holds
// for BI_BITFIELDS move to the start of `colourTable`, where a 40-byte header
// expects them. biSizeImage is always the true size of `bits` (files often
// store 0 or a wrong value there); every other field is as in the file.
struct Dib {
    std::vector<std::uint8_t> header;      // exactly 40 bytes
    // BI_BITFIELDS: the red, green and blue masks (12 bytes) first. Then
    // 4 bytes (blue, green, red, 0) per colour: biClrUsed entries, or
    // 2^bitCount when biClrUsed is 0 and bitCount is 8 or less.
    std::vector<std::uint8_t> colourTable;
    std::vector<std::uint8_t> bits;        // image-size bytes

    std::int32_t width() const;
    std::int32_t height() const;   // as stored: negative for top-down rows
    std::uint16_t bitCount() const;
    std::uint32_t compression() const;
    std::uint32_t imageSize() const; // bits.size()
};

// Parses a whole BMP file image. Accepts uncompressed (BI_RGB) bitmaps of
// 1, 4, 8, 16 (5-5-5), 24 and 32 bits per pixel (the fourth byte of a 32-bit
// pixel is ignored) and BI_BITFIELDS bitmaps of 16 and 32 bits, bottom-up or
// top-down, with an info header of 40, 52, 56, 108 or 124 bytes; each side at
// most 32768 pixels. Throws UserError "Invalid bitmap <name>: <reason>" for
// anything else or for a malformed file (truncated data, lying header, absurd
// size); never reads out of bounds. The pixel data must be complete: its size
// is computed from width, height and bit count, never taken from the header.
Dib DecodeDib(std::span<const std::uint8_t> file, const std::string& name);

// Whether `dib` is a bitmap of the kind DecodeDib returns: a 40-byte header
// of a supported format and size (see DecodeDib), BI_BITFIELDS masks in the
// colour table, and at least the pixel bits its rows need. The results of
// DecodeDib and ImageToDib24 always are; a hand-made Dib may not be.
bool IsUsableDib(const Dib& dib);

// Bytes of the pixel rows `dib`'s header describes, each row padded to whole
// 32-bit words. `dib` has a 40-byte header.
std::uint64_t DibPixelBytes(const Dib& dib);

// Converts a bitmap as DecodeDib or ImageToDib24 produce it into an RGB
// image, top row first. Palette indices past the end of the colour table read
// as black; bitfields channels are scaled to 0..255 with rounding.
RgbImage DibToImage(const Dib& dib);

// The 24-bit BMP file image of `image`: a 14-byte file header, a 40-byte
// info header (BI_RGB, bottom-up rows, 2835 pixels per metre), no colour
// table, rows of blue, green, red bytes padded to 4 bytes. `image` must not
// be empty.
std::vector<std::uint8_t> EncodeBmp24(const RgbImage& image);

// The DIB of `image` as EncodeBmp24 lays it out (the file minus its 14-byte
// file header).
Dib ImageToDib24(const RgbImage& image);

// Reads and decodes a BMP file. Throws UserError "Cannot open file %s" when
// the file cannot be read, or the decoder's message (naming `path`) when it
// is malformed or larger than 1 GiB.
Dib ReadDibFile(const std::string& path);
RgbImage ReadBmpFile(const std::string& path);

// Writes `image` as a 24-bit BMP file, creating or overwriting it. Throws
// UserError "Cannot create file %s" when the file cannot be created or not
// every byte reaches it.
void WriteBmpFile(const std::string& path, const RgbImage& image);

} // namespace tavrik
