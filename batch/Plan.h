#pragma once

#include "output/OutputFormats.h"
#include "render/GenerationSettings.h"
#include "scene/RandomScene.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrik {

// The render settings of one sequence: those of the plan, changed by the
// sequence's own "settings" object.
struct SequenceSettings {
    ViewSize size{512, 384};
    double baseline = 0.12;   // scene units
    double focal = 389.0;     // pixels
    std::array<int, 3> background{0, 255, 255};
    bool leftCamera = true;   // "camera": "left", "right" or "both"
    bool rightCamera = false;
    OutputFormats formats;
    bool antialias = false;
    bool palette = false;
    unsigned seed = 1; // plane colours
};

// Where a sequence's scene text comes from: a scene file (its path already
// taken relative to the plan's folder), the text itself, or the generator.
struct SceneSource {
    enum class Kind { file, text, random } kind = Kind::text;
    std::string path;
    std::string text;
    RandomSceneOptions random;
};

// One entry of "sequences": `count` sequences (1 but for a random block,
// whose sequence i takes the scene seed seed + i).
struct PlanEntry {
    SceneSource source;
    int count = 1;
    SequenceSettings settings;
};

// A dataset plan, read once; nothing after the reader looks at JSON.
struct Plan {
    std::vector<PlanEntry> entries;
    // The plan's JSON in one canonical text: two plans with the same value
    // (whatever their layout) have the same text.
    std::string canonical;
};

// Reads the plan in the JSON text `text` of the file `path`:
//   {"settings": {…}, "sequences": [ {"scene": "FILE"} | {"text": "…"} |
//    {"random": {"count": N, "seed": S, "objects": N, "frames": M,
//                "motion": "small|medium|large", "floor": false}}, … ]}
// each sequence entry optionally with its own "settings". Setting keys:
// size ("WxH"), baseline, focal, background ([R, G, B]), camera
// ("left|right|both"), formats (a comma list or an array of names),
// antialias, palette, seed. Throws UserError "PATH L:C: …" naming the line
// and column of the key or value at fault.
Plan ParsePlan(const std::string& text, const std::string& path);

} // namespace tavrik
