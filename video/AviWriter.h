#pragma once

#include "output/Bmp.h"
#include "video/AudioFormat.h"
#include "video/AviFile.h"
#include "video/AviResult.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>

namespace tavrik {

// One AVI file being built: a video stream of uncompressed DIB frames at a
// fixed frame period and optionally an audio stream filled from WAV data.
// Made by OpenAviWriter, finished and destroyed by CloseAviWriter.
struct AviWriter {
    std::unique_ptr<AviFile> aviFile;
    // The file's audio format; channels == 0 while none is known.
    AudioFormat audioFormat;
    std::uint32_t framePeriod = 0; // milliseconds per video frame
    std::optional<AviStream> audioStream;      // made by the first audio append
    std::optional<AviStream> videoStream;      // made by the first frame
    std::optional<AviStream> compressedStream; // "DIB " layer on videoStream; frames go here
    std::uint32_t frameCount = 0;  // frames written = position of the next frame
    std::uint32_t sampleCount = 0; // audio samples (blocks) written = next position
    // Set when a file operation or opening a WAV file fails; from then on
    // every append returns AVIERR_ERROR.
    bool failed = false;
    // Why the last append that wrote nothing did so, in words for the user
    // (not set for the argument checks before the writer's state is looked
    // at).
    std::string problem;
};

// Where AppendWavAudio takes a whole WAV file from: its image in memory
// (kind SND_MEMORY) or its path (kind SND_FILENAME). std::monostate is "no
// source".
using WavSource = std::variant<std::monostate, std::span<const std::uint8_t>, std::string>;

// Creates or replaces `fileName` for a video of `framePeriod` milliseconds
// per frame; the video appears under that name only when CloseAviWriter has
// finished it (see AviFile), and a writer destroyed without CloseAviWriter
// leaves an earlier file of that name as it was. `audioFormat`, when given, is the format every WAV append must
// match. The finished file stays within `maxFileBytes`. Returns null, and
// creates nothing, for a frame period of 0 (no reader can time such a
// video); null also when the file cannot be created.
std::unique_ptr<AviWriter> OpenAviWriter(const std::string& fileName, std::uint32_t framePeriod,
                                         const std::optional<AudioFormat>& audioFormat = std::nullopt,
                                         std::uint64_t maxFileBytes = kMaxAviFileBytes);

// Appends `bitmap` as the next key frame: the bytes of its pixel rows (each
// padded to 4 bytes); bits beyond them are left out. The first frame fixes
// the video stream: its size in the stream description, its header and
// colour table as the stream format, the header stating 40 bytes, one plane
// and the rows' size as image size. Checked in this order:
//   no writer                                  AVIERR_BADHANDLE
//   no bitmap, or no DIB section: a bitmap IsUsableDib refuses, or a side
//     over 32767 pixels (the 16-bit frame rectangle)  AVIERR_BADPARAM
//   the writer failed earlier                  AVIERR_ERROR
//   size, row order, pixel format or colour table differs from the first
//     frame's                                  AVIERR_BADFORMAT
// A file operation that fails sets `failed` and its code is returned.
AviResult AppendVideoFrame(AviWriter* writer, const Dib* bitmap);

// Appends the samples of a whole WAV file. The first append fixes the audio
// format (unless OpenAviWriter was given one) and makes the audio stream.
// Checked in this order:
//   no writer                                  AVIERR_BADHANDLE
//   sourceKind neither SND_MEMORY nor SND_FILENAME  AVIERR_BADFLAGS
//   no source, or a source of the other kind   AVIERR_BADPARAM
//   the writer failed earlier                  AVIERR_ERROR
//   the WAV file is not a regular file, is larger than the room the video
//     has left, or cannot be read (sets `failed`; nothing is read then)
//                                              AVIERR_FILEOPEN
//   not a usable WAV image (see ParseWavImage), or a sample format that
//     differs from the known one               AVIERR_BADFORMAT
// Samples are counted in blocks of all channels (data bytes / block
// alignment); a trailing partial block is left out. A file operation that
// fails sets `failed` and its code is returned.
AviResult AppendWavAudio(AviWriter* writer, const WavSource& source, std::uint32_t sourceKind);

// Finishes the file with what was written (also after a failure) and
// destroys the writer. AVIERR_BADHANDLE without a writer; AVIERR_FILEWRITE
// when the file cannot be finished.
AviResult CloseAviWriter(std::unique_ptr<AviWriter> writer);

} // namespace tavrik
