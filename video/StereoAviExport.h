#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace tavrik {

// Exported videos play 2 frames per second.
inline constexpr std::uint32_t kExportFramePeriod = 500; // milliseconds

// What an export achieved, for telling the user.
struct AviExportReport {
    std::string videoPath;
    bool created = false;   // the video file was created
    bool written = false;   // created and finished
    int framesWritten = 0;  // images that went in as frames
    bool soundWritten = false;
};

// Makes one camera's video from the colour images a run writes:
// `workFolder`/"left_" + frameTag(i) + ".bmp" (or "right_" for the right
// camera) for i = 0 .. frameCount - 1 become the frames of
// `workFolder`/"L.avi" ("P.avi"), which an existing video of that name is
// replaced by; then the WAV file `wavPath` is appended as the sound track.
// An image that is missing or cannot be read is left out and the later ones
// still go in; a missing or unusable WAV file leaves the video silent.
AviExportReport ExportStereoAvi(const std::filesystem::path& workFolder, bool rightCamera, int frameCount,
                                const std::string& wavPath);

} // namespace tavrik
