#pragma once

#include "scene/SceneObjects.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavrik {

// A message the parser raises about a line and then goes on.
struct ParseMessage {
    enum class Kind {
        ConvertError, // a numeric field that is not a number; it reads as 0
        Warning,      // the line is used, with a value it could not honour
    };
    Kind kind;
    std::string text;
};

// Receives the parser's messages; may be empty, which drops them.
using ParseMessageSink = std::function<void(const ParseMessage&)>;

// The scene-line parser. A line is fields separated by ";" (empty fields are
// skipped). The first field, with trailing spaces removed, is the keyword,
// compared case-sensitively:
//   "KULA"/"SPHERE", "PROST"/"CUBOID", "WALEC"/"CYLINDER",
//   "CZWOR"/"QUADRILATERAL"/"QUAD", "PLANE", "EGO".
// Every later field is number k = 1, 2, ... (a field counts even when it fails
// to convert). Any character other than "0123456789.,-" in it is a blank, "."
// and "," are both decimal points, and what remains must read
// [blanks][-]digits[point digits][blanks] with at least one digit or the point.
// Numbers 1 to 99 are kept, missing or failed ones are 0; further fields are
// converted (and reported) but dropped.
//
// Layout: 1 id (truncated toward zero), 2 texture number (truncated; negative
// = untextured), 3-5 colour, 6-8 position, 9-11 rotation in degrees, then
//   SPHERE 12 radius; CUBOID 12-14 half-extents; CYLINDER 12 base radius,
//   13 top radius, 14 height; QUAD 6-17 the four vertices; PLANE 6-8 normal,
//   9-11 point.
// An EGO line with exactly six numbers is T (1-3) and W (4-6); any other EGO
// line uses the common layout (T = 6-8, W = 9-11).
class Analiza {
public:
    // Returns the object of `line` (without its line end), or nothing for an
    // unknown or empty keyword. `textures` maps texture numbers to GL texture
    // names; a texture number beyond it leaves the object untextured and
    // raises a warning. A field that fails to convert raises
    // "Convert error: '<field after filtering>' is not a valid floating point
    // value (field <k>: "<field as typed>")", k its number, and parsing goes
    // on. The result does not depend on the locale.
    std::unique_ptr<Obiekt> ParseLine(std::string line, std::vector<std::uint32_t> textures,
                                      const ParseMessageSink& sink) const;
};

} // namespace tavrik
