#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

// The folder of one run: `outputFolder`, a "/" unless that text is empty or
// already ends in one, the sequence number in decimal, and a closing "/".
// An empty folder gives a path relative to the working directory ("3/").
std::string sequenceFolder(const std::string& outputFolder, int sequenceNumber);

// The frame number text of file names: the 0-based frame index in decimal,
// padded with leading zeros to four digits. Indexes from 10000 on keep all
// their digits, so no frame's files overwrite another frame's.
std::string frameTag(int frameIndex);

// The full paths of the five files of one frame and camera. Both cameras'
// files share one folder without colliding.
struct FrameFiles {
    std::string colour;          // "left_" / "right_" + tag + ".bmp"
    std::string fineDisparity;   // "ldisp_" / "disp_" + tag + ".bmp"
    std::string wholeDisparity;  // "ldisp_p_" / "disp_p_" + tag + ".bmp"
    std::string disparityText;   // "lbindisp_" / "bindisp_" + tag + ".dat"
    std::string segmentation;    // "seg_l_" / "seg_r_" + tag + ".bmp"
};

// `sequenceFolder` is the result of the function of that name (ending in "/").
FrameFiles FrameFileNames(const std::string& sequenceFolder, int frameIndex, bool rightCamera);

// The name of every file a frame can get, of every format: left-camera
// prefix, right-camera prefix, then the frame tag, then the extension.
struct FrameFilePattern {
    std::string_view left;
    std::string_view right;
    std::string_view extension;
};
inline constexpr FrameFilePattern frameFilePatterns[] = {
    // The five files of every frame (FrameFiles), in their order.
    {"left_", "right_", ".bmp"},
    {"ldisp_", "disp_", ".bmp"},
    {"ldisp_p_", "disp_p_", ".bmp"},
    {"lbindisp_", "bindisp_", ".dat"},
    {"seg_l_", "seg_r_", ".bmp"},
    // The other formats' (FormatWriter).
    {"ldisp_", "disp_", ".pfm"},
    {"ldisp_", "disp_", ".png"},
    {"ldepth_", "depth_", ".pfm"},
    {"locc_", "occ_", ".png"},
    {"lflow_", "flow_", ".flo"},
    {"lflow_", "flow_", ".png"},
    {"lflowback_", "flowback_", ".flo"},
    {"lflowback_", "flowback_", ".png"},
    {"ldispchange_", "dispchange_", ".pfm"},
};

// How many of `fileNames` (names in a sequence folder, without the folder)
// are files of one camera's frames `frameCount` and later, of any format:
// files an earlier, longer run of that camera left, which a run of
// `frameCount` frames does not overwrite.
std::size_t CountStaleFrameFiles(const std::vector<std::string>& fileNames, bool rightCamera, int frameCount);

} // namespace tavrik
