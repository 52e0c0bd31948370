#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavrik {

// Exported videos play 2 frames per second.
inline constexpr std::uint32_t kExportFramePeriod = 500; // milliseconds

// An export stops after this many missing images in a row: a frame count
// far beyond the images there are then costs no more than this.
inline constexpr int kMaxMissingImagesInARow = 100;

// What an export achieved, for telling the user. Every text names its file.
struct AviExportReport {
    std::string videoPath;
    bool created = false;   // the video file was created
    bool written = false;   // created, finished and under its name
    int framesWritten = 0;  // images that went in as frames
    bool soundWritten = false;
    std::vector<std::string> imagesLeftOut; // each image left out and why
    std::string stoppedEarly; // why the images stopped before frameCount
    std::string soundProblem; // why the sound was left out
    // Why the video was not written (it could not be created, the file
    // refused a frame or the sound, or it could not be finished); an earlier
    // video of the same name is then left as it was.
    std::string failure;
};

// Makes one camera's video from the colour images a run writes:
// `workFolder`/"left_" + frameTag(i) + ".bmp" (or "right_" for the right
// camera) for i = 0 .. frameCount - 1 become the frames of
// `workFolder`/"L.avi" ("P.avi"), which an existing video of that name is
// replaced by; then the WAV file `wavPath` is appended as the sound track.
// An image that is missing, cannot be read or differs in format from the
// first frame is left out and the later ones still go in, up to
// kMaxMissingImagesInARow missing ones in a row; a missing or unusable WAV
// file leaves the video silent. A frame or sound the file refuses (a write
// error, the size limit) ends the export without a video.
AviExportReport ExportStereoAvi(const std::filesystem::path& workFolder, bool rightCamera, int frameCount,
                                const std::string& wavPath);

} // namespace tavrik
