#pragma once

#include <string>
#include <vector>

namespace tavrik {

// The scene a new session starts with: 18 lines (three of them empty) that
// prepare to 9 objects (a background sphere of id 254, a textured sphere, two
// cuboids, a cylinder and four quadrilaterals as floor and walls) and 5 frames.
const std::vector<std::string>& DefaultSceneLines();

} // namespace tavrik
