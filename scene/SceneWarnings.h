#pragma once

#include "scene/Parser.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tavrik {

// Warnings about a scene line that the parser takes without a word but whose
// writer most likely meant something else:
//   - a keyword that matches a scene word only once blanks and tabs around
//     it are dropped and it is put in capitals (" SPHERE", "sphere",
//     "SPHERE<tab>"): the line yields nothing;
//   - an EGO line with neither 6 numbers (short form) nor 11 or more (long
//     form);
//   - an object with fewer numbers than its layout has (the rest are 0);
//   - a sphere radius <= 0, a cylinder height <= 0, a negative cylinder
//     radius or both radii 0, a quad whose corners enclose no area, a plane
//     whose normal is zero;
//   - an id outside 0 to 255 (its pixels are "nothing" in the segmentation
//     maps), -1 excepted.
// Empty lines and lines that start with "//" never warn. The parser's own
// messages (convert errors, textures) are not repeated here.
std::vector<std::string> LineWarnings(const std::string& line);

// A message about line `lineNumber` (1-based) of a scene text.
struct SceneLineMessage {
    std::size_t lineNumber = 0;
    ParseMessage message;
};

// What checking a scene text finds.
struct SceneCheck {
    std::size_t objects = 0;
    std::size_t frames = 0; // EGO lines that yield a record
    // The parser's messages and the warnings of LineWarnings, in line order.
    std::vector<SceneLineMessage> messages;
    bool convertErrors = false;
};

// Parses `lines` as a run would with `textureCount` textures (numbers 0 to
// textureCount - 1) and collects every message about them.
SceneCheck CheckSceneText(const std::vector<std::string>& lines, std::size_t textureCount);

} // namespace tavrik
