#pragma once

// Helpers of the video tests: a small RIFF walker that checks every size on
// the way, WAV and bitmap fixtures made in memory or as a run's image files,
// and a way to run the external media tools.

#include "base/FileIo.h"
#include "base/LittleEndian.h"
#include "output/Bmp.h"
#include "output/FrameFiles.h"
#include "tests/ScratchFolder.h"
#include "video/AviLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <span>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace tavrik::test {

inline std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return LoadLittleEndian<std::uint32_t>(bytes, offset).value();
}

inline std::int32_t I32At(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return LoadLittleEndian<std::int32_t>(bytes, offset).value();
}

inline std::int16_t I16At(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return LoadLittleEndian<std::int16_t>(bytes, offset).value();
}

// Stores `value` little-endian in the `width` (2 or 4) bytes at `offset` of
// `bytes`: one header field changed by hand.
inline void PutField(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value, int width)
{
    ASSERT_TRUE(width == 2 || width == 4);
    ASSERT_LE(offset + width, bytes.size());
    if (width == 2)
        PutLittleEndian(&bytes[offset], static_cast<std::uint16_t>(value));
    else
        PutLittleEndian(&bytes[offset], value);
}

inline std::string FourCcAt(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    const auto text = bytes.subspan(offset, 4);
    return std::string(text.begin(), text.end());
}

// One chunk of a RIFF file. For 'RIFF' and 'LIST' chunks `listType` is the
// form or list type and `children` the chunks inside.
struct RiffChunk {
    std::string id;
    std::string listType;
    std::size_t offset = 0; // of the chunk header in the file
    std::span<const std::uint8_t> data;
    std::vector<RiffChunk> children;

    // The children with chunk id `childId` (for lists: list type `childId`).
    std::vector<const RiffChunk*> All(const std::string& childId) const
    {
        std::vector<const RiffChunk*> found;
        for (const RiffChunk& child : children)
            if (child.id == childId || (!child.listType.empty() && child.listType == childId))
                found.push_back(&child);
        return found;
    }

    // The one child `childId`; an empty chunk and a test failure otherwise.
    const RiffChunk& Only(const std::string& childId) const
    {
        static const RiffChunk none;
        const std::vector<const RiffChunk*> found = All(childId);
        EXPECT_EQ(found.size(), 1u) << "children '" << childId << "' of '" << id << listType << "'";
        return found.size() == 1 ? *found[0] : none;
    }
};

// Walks the chunks in bytes [begin, end) of `file`, failing the test on a
// chunk that overruns its parent.
inline std::vector<RiffChunk> WalkChunks(std::span<const std::uint8_t> file, std::size_t begin, std::size_t end)
{
    std::vector<RiffChunk> chunks;
    std::size_t at = begin;
    while (at < end) {
        if (end - at < 8) {
            ADD_FAILURE() << "truncated chunk header at " << at;
            break;
        }
        RiffChunk chunk;
        chunk.id = FourCcAt(file, at);
        chunk.offset = at;
        const std::size_t size = U32At(file, at + 4);
        if (size > end - at - 8) {
            ADD_FAILURE() << "chunk '" << chunk.id << "' at " << at << " overruns its parent";
            break;
        }
        chunk.data = file.subspan(at + 8, size);
        if (chunk.id == "RIFF" || chunk.id == "LIST") {
            chunk.listType = FourCcAt(file, at + 8);
            chunk.children = WalkChunks(file, at + 12, at + 8 + size);
            chunk.data = file.subspan(at + 12, size - 4);
        }
        chunks.push_back(std::move(chunk));
        at += 8 + size + (size & 1);
    }
    return chunks;
}

// The 'RIFF' chunk that must span the whole file.
inline RiffChunk WalkRiff(std::span<const std::uint8_t> file)
{
    const std::vector<RiffChunk> top = WalkChunks(file, 0, file.size());
    EXPECT_EQ(top.size(), 1u);
    if (top.empty())
        return {};
    EXPECT_EQ(top[0].id, "RIFF");
    EXPECT_EQ(top[0].offset + 8 + U32At(file, 4), file.size());
    return top[0];
}

// Checks that 'idx1' lists the sample chunks of 'movi' in order, each with
// its id, its offset from the 'movi' code, its size and the key-frame flag
// on video chunks only.
inline void ExpectIndexMatchesChunks(const RiffChunk& riff)
{
    const RiffChunk& movi = riff.Only("movi");
    const std::span<const std::uint8_t> index = riff.Only("idx1").data;
    ASSERT_EQ(index.size(), 16 * movi.children.size());
    for (std::size_t i = 0; i < movi.children.size(); ++i) {
        const RiffChunk& chunk = movi.children[i];
        const std::size_t entry = 16 * i;
        EXPECT_EQ(FourCcAt(index, entry), chunk.id) << "entry " << i;
        EXPECT_EQ(U32At(index, entry + 4), chunk.id.ends_with("db") ? 0x10u : 0u) << "entry " << i;
        EXPECT_EQ(U32At(index, entry + 8), chunk.offset - (movi.offset + 8)) << "entry " << i;
        EXPECT_EQ(U32At(index, entry + 12), chunk.data.size()) << "entry " << i;
    }
}

// A canonical WAV file image of `blocks` blocks of a 440 Hz sine at half
// amplitude in every channel; 8-bit samples are unsigned, 16-bit signed.
inline std::vector<std::uint8_t> MakeWav(std::uint16_t channels, std::uint32_t samplesPerSecond,
                                         std::uint16_t bitsPerSample, std::uint32_t blocks)
{
    const std::uint16_t blockAlignment = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    const std::uint32_t dataSize = blocks * blockAlignment;
    std::vector<std::uint8_t> wav;
    AppendLittleEndian(wav, MakeFourCc("RIFF"));
    AppendLittleEndian(wav, 36 + dataSize);
    AppendLittleEndian(wav, MakeFourCc("WAVE"));
    AppendLittleEndian(wav, MakeFourCc("fmt "));
    AppendLittleEndian(wav, std::uint32_t{16});
    AppendLittleEndian(wav, std::uint16_t{1}); // integer PCM
    AppendLittleEndian(wav, channels);
    AppendLittleEndian(wav, samplesPerSecond);
    AppendLittleEndian(wav, samplesPerSecond * blockAlignment);
    AppendLittleEndian(wav, blockAlignment);
    AppendLittleEndian(wav, bitsPerSample);
    AppendLittleEndian(wav, MakeFourCc("data"));
    AppendLittleEndian(wav, dataSize);
    for (std::uint32_t i = 0; i < blocks; ++i) {
        const double value = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * i / samplesPerSecond);
        for (std::uint16_t c = 0; c < channels; ++c) {
            if (bitsPerSample == 8)
                wav.push_back(static_cast<std::uint8_t>(128 + std::lround(value * 127)));
            else
                AppendLittleEndian(wav, static_cast<std::int16_t>(std::lround(value * 32767)));
        }
    }
    return wav;
}

// A RIFF file of form `form` holding `chunks` (id, data), each padded to an
// even size.
inline std::vector<std::uint8_t> Riff(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& chunks,
                               const char (&form)[5] = "WAVE")
{
    std::vector<std::uint8_t> body;
    AppendLittleEndian(body, MakeFourCc(form));
    for (const auto& [id, data] : chunks) {
        body.insert(body.end(), id.begin(), id.end());
        AppendLittleEndian(body, static_cast<std::uint32_t>(data.size()));
        body.insert(body.end(), data.begin(), data.end());
        if (data.size() % 2 != 0)
            body.push_back(0);
    }
    std::vector<std::uint8_t> file;
    AppendLittleEndian(file, MakeFourCc("RIFF"));
    AppendLittleEndian(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// A format chunk of `size` bytes (16, 18, 40 or any other) for consistent
// integer samples; `subFormatTag` goes into the first two bytes of the GUID
// of a 40-byte chunk.
inline std::vector<std::uint8_t> Fmt(std::uint16_t tag, std::uint16_t channels, std::uint16_t bits, std::size_t size = 16,
                              std::uint16_t subFormatTag = 1)
{
    const auto block = static_cast<std::uint16_t>(channels * bits / 8);
    std::vector<std::uint8_t> fmt;
    AppendLittleEndian(fmt, tag);
    AppendLittleEndian(fmt, channels);
    AppendLittleEndian(fmt, std::uint32_t{8000});
    AppendLittleEndian(fmt, std::uint32_t{8000} * block);
    AppendLittleEndian(fmt, block);
    AppendLittleEndian(fmt, bits);
    if (size >= 18)
        AppendLittleEndian(fmt, static_cast<std::uint16_t>(size - 18));
    if (size == 40) {
        AppendLittleEndian(fmt, bits);                // valid bits
        AppendLittleEndian(fmt, std::uint32_t{0x4});  // channel mask
        AppendLittleEndian(fmt, subFormatTag);
        for (const std::uint8_t b : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
            fmt.push_back(b);
    }
    fmt.resize(size);
    return fmt;
}

// A 24-bit bitmap whose pixels differ with `seed`, position and channel.
inline RgbImage MakeImage(int width, int height, int seed)
{
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.set(x, y, {static_cast<std::uint8_t>(x * 7 + seed), static_cast<std::uint8_t>(y * 5 + seed),
                             static_cast<std::uint8_t>(seed * 40 + x + y)});
    return image;
}

inline Dib MakeDib(int width, int height, int seed)
{
    return ImageToDib24(MakeImage(width, height, seed));
}

// An 8-bit bitmap with colour table `palette` (blue, green, red, 0 per entry)
// whose stored bytes, row padding included, cycle through the entries: byte i
// of the bits (bottom row first) is i % entries.
inline Dib MakePaletteDib(int width, int height, std::vector<std::uint8_t> palette)
{
    Dib dib = MakeDib(width, height, 0);
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) + 3) / 4 * 4;
    const std::uint32_t imageSize = rowBytes * static_cast<std::uint32_t>(height);
    const std::uint32_t colours = static_cast<std::uint32_t>(palette.size() / 4);
    PutLittleEndian(&dib.header[14], std::uint16_t{8}); // bits per pixel
    PutLittleEndian(&dib.header[20], imageSize);
    PutLittleEndian(&dib.header[32], colours);           // colours used
    dib.colourTable = std::move(palette);
    dib.bits.resize(imageSize);
    for (std::size_t i = 0; i < dib.bits.size(); ++i)
        dib.bits[i] = static_cast<std::uint8_t>(i % colours);
    return dib;
}

// Writes the colour images of frames 0 .. count-1 of one camera into `folder`
// under the names a run gives them; image i is MakeImage(8, 4, seed + i).
inline void WriteCameraImages(const std::filesystem::path& folder, bool rightCamera, int count, int seed)
{
    for (int i = 0; i < count; ++i)
        WriteBmpFile((folder / FrameFileNames("", i, rightCamera).colour).string(), MakeImage(8, 4, seed + i));
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    return ReadWholeFile(path.string(), std::size_t{1} << 30, "too large: " + path.string());
}

struct CommandOutput {
    int exitCode = -1;
    std::string output; // stdout and stderr together
};

// Runs `command` with the shell and collects what it prints.
inline CommandOutput RunCommand(const std::string& command)
{
    CommandOutput result;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return result;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace tavrik::test
