#pragma once

#include "output/CameraText.h"
#include "render/GenerationSettings.h"

#include <span>
#include <string>
#include <string_view>

namespace tavrik {

// What one run of one camera wrote into its sequence folder.
struct RunRecord {
    bool rightCamera = false;
    int frames = 0;
    std::vector<std::string> files; // file names inside the sequence folder, in writing order
};

// The text of tavrik.json, the manifest of a sequence folder: program and
// version, every setting of the run (the seed among them), the formats, the
// calibration, the frame count, the scene file, and per camera ("left",
// "right") the files its run wrote. `previous` is the manifest already in the
// folder, or empty: when it describes a run of the other camera with the same
// settings (the second half of a stereo pair), that camera's entry is kept,
// so the folder's manifest lists both; otherwise it is replaced.
std::string ManifestText(const GenerationSettings& settings, const StereoCalibration& calibration,
                         const RunRecord& run, std::string_view previous);

} // namespace tavrik
