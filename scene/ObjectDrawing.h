#pragma once

#include "scene/SceneObjects.h"

namespace tavrik {

// Sends `object` to OpenGL in the current modelview matrix, relying on the
// render state of the viewer (lighting on, the current colour as ambient and
// diffuse material). Some objects change the modelview matrix without
// restoring it: the caller saves and restores it around every Draw. An Ego
// draws nothing; a plane takes the next plane colour (NextPlaneRed).
void Draw(const Obiekt& object);

// The six faces of the box from (-a, -b, -c) to (a, b, c) as one GL_QUADS
// batch; each face carries the whole texture.
void DrawBox(double a, double b, double c);

} // namespace tavrik
