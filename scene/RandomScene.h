#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrik {

// How far the rig moves from one frame to the next: each translation
// component is drawn within ±translation scene units and each rotation
// component within ±rotation degrees.
enum class MotionPreset { small, medium, large };

struct MotionRange {
    MotionPreset preset;
    const char* name;
    double translation; // scene units per frame and axis
    double rotation;    // degrees per frame and axis
};

inline constexpr MotionRange motionRanges[] = {
    {MotionPreset::small, "small", 0.02, 0.3},
    {MotionPreset::medium, "medium", 0.05, 1.0},
    {MotionPreset::large, "large", 0.12, 2.5},
};

// The preset named `name` ("small", "medium", "large"); throws UserError
// "unknown motion 'NAME' (small, medium or large)" for any other text.
MotionPreset MotionPresetNamed(const std::string& name);

struct RandomSceneOptions {
    std::uint64_t seed = 1;
    int objects = 0; // 1 to 255; 0 draws the count from 20 to 40
    int frames = 10;  // EGO lines, 1 to 10000
    MotionPreset motion = MotionPreset::medium;
    bool floorPlane = false; // one plane under the rig, id N + 1 (N at most 254)
};

// The whole camera path stays within this distance of the base camera
// (scene units): the sum of the per-frame translations' lengths, so it holds
// whatever the rotations. Longer paths are scaled down to it.
inline constexpr double maxPathLength = 2.0;
// Radius of the enclosing background sphere around the base camera: its far
// side stays inside the far plane (34) and its near side far from the near
// plane (0.5) wherever the camera goes on its path.
inline constexpr double backgroundRadius = 30.0;

// A random scene as scene text lines: a textured background sphere with id 0
// enclosing everything, `objects` spheres, cuboids, cylinders and quads with
// ids 1 … N (random sizes, rotations, textures 0 to 10, colours), placed in
// the view of the base camera (world (0, −3, 0) looking along +y, +z up) from
// about 1 to 26 units away, and one EGO line per frame. The rig's motion is
// smooth: velocities follow a damped random walk pulled back toward the start
// so the objects stay in view. No object comes within 0.75 units of any
// camera position of the path, so none crosses the near plane.
// The text depends only on the options: the generator is a 64-bit
// splitmix and only exactly rounded arithmetic (+, −, ×, ÷, √) is used, so
// every machine writes the same bytes. Throws UserError for options outside
// their ranges.
std::vector<std::string> RandomSceneLines(const RandomSceneOptions& options);

} // namespace tavrik
