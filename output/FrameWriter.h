#pragma once

#include "output/Image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavrik {

// One rendered frame as read back from OpenGL.
struct FrameCapture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> colour; // RGB triples, rows tightly packed, bottom row first
    std::vector<float> depth;         // width·height depth values in [0, 1], bottom row first
};

// The settings a frame's files depend on.
struct FrameOutputSettings {
    std::string outputFolder;
    int sequenceNumber = 0;
    bool rightCamera = false;
    double baseline = 0.12;     // scene units
    double focalLength = 389.0; // pixels
};

// The image of `height` rows of `width` RGB triples given bottom row first:
// window row j becomes image row height − 1 − j.
RgbImage ImageFromBottomUpRows(const std::uint8_t* rgb, int width, int height);

// Writes the first four files of frame `frameIndex` into the run's sequence
// folder, in this order: colour image, fine disparity map, whole-pixel
// disparity map, disparity text. The sequence folder is created first (its
// last level only; a failure is ignored, the writes report it). Throws
// UserError "Cannot create file %s" at the first file that cannot be written;
// the files after it are not written. Returns the path the frame's
// segmentation map is to be written to.
std::string WriteFrameOutputs(const FrameCapture& frame, const FrameOutputSettings& settings,
                              int frameIndex);

} // namespace tavrik
