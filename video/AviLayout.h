#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The byte layout of a RIFF AVI file, as pure functions over plain data:
//
//   'RIFF' size 'AVI '
//     'LIST' size 'hdrl'
//       'avih' main header
//       'LIST' size 'strl' 'strh' stream header, 'strf' stream format   (per stream)
//     'JUNK' padding up to kAviMoviListOffset
//     'LIST' size 'movi'  sample chunks '00db', '01wb', ... (stream number first)
//     'idx1' one 16-byte entry per sample chunk
//
// The headers sit in a fixed space before the sample chunks so that chunks
// can be written as they come and the headers, which hold the final counts,
// written last. All values are little-endian; every chunk's data is padded to
// an even size.

namespace tavrik {

// A four-character code as stored in RIFF files: the first character in the
// lowest byte.
constexpr std::uint32_t MakeFourCc(const char (&text)[5])
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0]))
        | static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8
        | static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16
        | static_cast<std::uint32_t>(static_cast<unsigned char>(text[3])) << 24;
}

inline constexpr std::uint32_t kStreamTypeVideo = MakeFourCc("vids");
inline constexpr std::uint32_t kStreamTypeAudio = MakeFourCc("auds");
// Handler of uncompressed device-independent bitmaps.
inline constexpr std::uint32_t kHandlerDib = MakeFourCc("DIB ");

inline constexpr std::uint32_t AVIF_HASINDEX = 0x10;  // main header: the file has 'idx1'
inline constexpr std::uint32_t AVIIF_KEYFRAME = 0x10; // index entry: a key frame

// Frame rectangle of a video stream in pixels, as the 16-bit values of the
// stream header.
struct AviRect {
    std::int16_t left = 0;
    std::int16_t top = 0;
    std::int16_t right = 0;
    std::int16_t bottom = 0;
};

// The description of one stream, field for field its stream header. A stream
// plays rate / scale samples per second; its length and positions count
// samples (video: frames; audio: blocks of sampleSize bytes).
struct AviStreamInfo {
    std::uint32_t type = 0;    // kStreamTypeVideo or kStreamTypeAudio
    std::uint32_t handler = 0; // compressor four-character code, 0 for none
    std::uint32_t flags = 0;
    std::uint16_t priority = 0;
    std::uint16_t language = 0;
    std::uint32_t initialFrames = 0;
    std::uint32_t scale = 0;
    std::uint32_t rate = 0;
    std::uint32_t start = 0;
    std::uint32_t length = 0;
    std::uint32_t suggestedBufferSize = 0; // bytes of the largest sample chunk
    std::int32_t quality = 0;              // -1: the reader's default
    std::uint32_t sampleSize = 0;          // 0: samples vary in size (video)
    AviRect frame;
};

// A stream as the headers describe it: its stream header and its format
// (video: BITMAPINFOHEADER and colour table; audio: the audio format block).
struct AviStreamHeaders {
    AviStreamInfo info;
    std::vector<std::uint8_t> format;
};

// One entry of 'idx1'. `offset` is the position of the chunk's header
// counted from the 'movi' four-character code; `size` excludes padding.
struct AviIndexEntry {
    std::uint32_t chunkId = 0;
    std::uint32_t flags = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// File offset of the 'LIST' header of the sample chunks. The first chunk
// header follows it at kAviFirstChunkOffset.
inline constexpr std::uint32_t kAviMoviListOffset = 2048;
inline constexpr std::uint32_t kAviFirstChunkOffset = kAviMoviListOffset + 12;
// Offsets of index entries count from the 'movi' code, 8 bytes into the list.
inline constexpr std::uint32_t kAviIndexBase = kAviMoviListOffset + 8;
inline constexpr std::uint32_t kAviIndexEntryBytes = 16;

// Sample chunk id of stream `streamIndex` (0..99) of type `streamType`: two
// decimal digits and "db" for video, "wb" for audio ("00db", "01wb").
std::uint32_t StreamChunkId(std::size_t streamIndex, std::uint32_t streamType);

// Whether the headers of `streams` fit the fixed space before the sample
// chunks, leaving room for the 'JUNK' chunk that fills it.
bool AviHeadersFit(std::span<const AviStreamHeaders> streams);

// The 8-byte header of a chunk of `size` data bytes.
std::array<std::uint8_t, 8> EncodeChunkHeader(std::uint32_t chunkId, std::uint32_t size);

// The first kAviFirstChunkOffset bytes of the file: RIFF header, header
// list, padding and the header of the sample-chunk list, for a file whose
// sample chunks take `chunkBytes` bytes (headers and padding included) and
// whose index has `indexEntries` entries. The main header is derived from the
// streams: frame period, frame count and size from the first video stream,
// the largest suggested buffer size, the summed data rate. The headers must
// fit (AviHeadersFit) and the file must stay below 4 GiB.
std::vector<std::uint8_t> EncodeAviHeaders(std::span<const AviStreamHeaders> streams,
                                           std::uint32_t chunkBytes,
                                           std::size_t indexEntries);

// The 'idx1' chunk holding `entries`.
std::vector<std::uint8_t> EncodeAviIndex(std::span<const AviIndexEntry> entries);

} // namespace tavrik
