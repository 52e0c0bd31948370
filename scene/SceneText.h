#pragma once

#include "scene/Parser.h"
#include "scene/Scene.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

// The largest scene file read, in bytes.
inline constexpr std::size_t maxSceneFileBytes = 16u << 20;

// The lines of `text`. A line ends at CR LF, at a lone CR or at a lone LF; a
// line end at the very end does not start another, empty line.
std::vector<std::string> SplitLines(std::string_view text);

// The lines of the scene file `path`, without a UTF-8 byte-order mark at its
// start. Throws UserError "Cannot open file %s" when it cannot be read and
// "Text exceeds memo capacity: %s holds more than 16 MiB" when it holds more
// than maxSceneFileBytes.
std::vector<std::string> ReadSceneFile(const std::string& path);

// Creates or overwrites `path` with `lines`, each ended by CR LF, so that
// ReadSceneFile gives back the same lines (trailing empty ones included).
// Throws UserError "Cannot create file %s".
void WriteSceneFile(const std::string& path, const std::vector<std::string>& lines);

// The text under which a parser message of line `lineNumber` (1-based) is
// reported: "line N: " followed by the convert error, or by "warning: " and
// the warning.
std::string LineMessageText(std::size_t lineNumber, const ParseMessage& message);

// Receives a parser message together with the 1-based number of its line.
using SceneMessageSink = std::function<void(std::size_t lineNumber, const ParseMessage& message)>;

// Turns a scene text into `scene`: its objects and ego records are replaced
// by those of `lines`, parsed in order (an Ego goes to the ego list, any other
// object to the object list, a line that yields nothing is skipped).
// `textures` maps texture numbers to GL texture names; the scene's own
// texture list is not touched. `sink` may be empty.
void ParseSceneLines(const std::vector<std::string>& lines, const std::vector<std::uint32_t>& textures, Scene& scene,
                     const SceneMessageSink& sink);

} // namespace tavrik
