#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tavrik {

// A file of a sequence folder that an exported file is made from (left
// camera name; the right camera's drops the leading "l", or is right_ for
// the image).
enum class ExportSource : std::uint8_t {
    image,           // left_TTTT.bmp
    disparity,       // ldisp_TTTT.pfm
    kittiDisparity,  // ldisp_TTTT.png
    occlusion,       // locc_TTTT.png
    flow,            // lflow_TTTT.flo, to frame TTTT + 1
    flowPng,         // lflow_TTTT.png
    flowBack,        // lflowback_TTTT.flo, to frame TTTT − 1
    disparityChange, // ldispchange_TTTT.pfm
    calibration,     // calib.txt, once per sequence
};

// How an exported file is made from its source.
enum class ExportEncoding : std::uint8_t {
    link,             // the source's bytes unchanged: a hard link, or a copy across file systems
    png,              // the camera image as an 8-bit RGB PNG
    ppm,              // the camera image as a binary PPM (P6, maxval 255)
    disparity16,      // 16-bit grey PNG of round(D·scale); 0 where invalid, D ≤ 0 or beyond 65535
    kittiNonOccluded, // the 16-bit disparity PNG with 0 where the occlusion mask is not 255
    nonOccludedMask,  // 8-bit grey, 255 where the occlusion mask is 255, else 0
    sintelDisparity,  // RGB: R = ⌊D/4⌋, G = ⌊D·2^6⌋ mod 256, B = ⌊D·2^14⌋ mod 256; 0 where invalid
    sintelOutOfFrame, // 8-bit grey, 255 where the occlusion mask is 128 and x − D < −0.5 (left of the right view)
    sintelOccluded,   // 8-bit grey, 255 where the occlusion mask is not 255 and not out of frame
    flowPfm,          // 3-channel PFM of u, v, 0 (unknown flow 1e10); unknown everywhere without a source
};

// Whether an encoding reads the occlusion mask besides its source.
bool ReadsOcclusionMask(ExportEncoding encoding);

// Which frames of a sequence give a file.
enum class ExportFrames : std::uint8_t {
    every,    // every frame
    withNext, // every frame that has a next one: the frames with forward flow
};

// One file per sample of a layout. `pattern` is its path under the export
// folder with {seq} (the sequence's place among those exported, 4 digits),
// {frame} (the frame index plus `frameOffset`, 4 digits), {sample} (the
// sample's place among all samples of `frames` over every sequence,
// 6 digits) and {spread} (the layout's spread folder of that sample).
struct ExportFile {
    const char* pattern;
    bool rightCamera;
    ExportFrames frames;
    int frameOffset;
    ExportSource source;
    ExportEncoding encoding;
    double scale = 0.0; // disparity16: steps per pixel
};

// The tree and encodings a dataset loader reads, named as the benchmark
// whose layout it copies.
struct ExportLayout {
    const char* name;
    std::vector<ExportFile> files;
    // Folders {spread} shares the samples among, in runs of consecutive
    // samples, for loaders that refuse a tree where one of their folders is
    // empty (so at least one sample per folder is needed).
    std::vector<const char*> spread;
    // A text file with one line "1" (the training split) per sample of
    // files[0], or none.
    const char* splitFile = nullptr;
};

std::span<const ExportLayout> ExportLayouts();

// The layout named `name`, or nullptr.
const ExportLayout* FindExportLayout(std::string_view name);

} // namespace tavrik
