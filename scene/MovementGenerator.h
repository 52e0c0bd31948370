#pragma once

#include <string>
#include <vector>

namespace tavrik {

// Which of the six ego-motion components move and how. Every moving
// component takes the same value v in a line; the others stay 0.
//   without return frames: v(k) = k * step + start;
//   with return frames: line 2j is the outgoing frame v = start + step * j and
//   line 2j + 1 its return, -(start + step * j).
struct MovementSettings {
    bool x = false, y = false, z = false; // translation along x, y, z
    bool a = false, b = false, g = false; // rotation about x, y, z, degrees
    double start = 0.25;
    double step = 0.25;
    int frames = 20; // lines to write
    bool returnFrame = true;
};

// The EGO lines k = 0 .. frames - 1: "EGO; " followed by tx, ty, tz, ta, tb, tg,
// each as a fixed-point number text with `separator` and followed by ";".
std::vector<std::string> GenerateEgoLines(const MovementSettings& settings, char separator);

} // namespace tavrik
