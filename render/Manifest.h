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

struct ManifestFile {
    std::string text;
    // Empty, or why the other camera's entry of the previous manifest was dropped.
    std::string warning;
};

// The text of tavrik.json, the manifest of a sequence folder: program and
// version, every setting of the run (the seed among them), the formats, the
// calibration, the frame count, the scene file and "sceneFnv1a64", the
// FNV-1a-64 hash of its text (Fnv1a64Text), and per camera ("left", "right")
// the files its run wrote. `previous` is the manifest the folder held before
// the run, or empty: when it describes a run of the other camera with the
// same settings and the same scene text (the other half of a stereo pair),
// that camera's entry is kept, so the folder's manifest lists both;
// otherwise it is replaced, with a warning when it held the other camera.
//
// Texts are written as JSON strings of UTF-8. A path that is not valid UTF-8
// is kept losslessly: each byte that is not part of a valid UTF-8 sequence is
// written as the escape \udcXX of its value XX (a lone surrogate, the
// "surrogateescape" convention: Python's json.loads followed by
// os.fsencode gives back the very bytes).
ManifestFile ManifestText(const GenerationSettings& settings, const StereoCalibration& calibration,
                          const RunRecord& run, std::string_view sceneText, std::string_view previous);

// `bytes` as a JSON string literal, quotes included, escaped as above.
std::string JsonStringLiteral(std::string_view bytes);

} // namespace tavrik
