#pragma once

#include <cstdint>
#include <set>
#include <span>

namespace tavrik {

// What the segmentation needs to know of one drawn object, in drawing order.
//
// OpenGL collects the vertices of consecutive objects into one batch until a
// state change ends it: a change of the model-view matrix (spheres, cuboids
// and cylinders place themselves with one, so each is a batch of its own) or
// of the texture. The software rasteriser transforms a batch that holds a
// clipped primitive along another path than one that does not, and the two
// may give depths one unit in the last place apart.
struct DrawnObject {
    int id = 0;
    bool clipped = false;       // the view volume clips some of it
    bool ownBatch = false;      // moves the model-view matrix while drawing
    std::uint32_t texture = 0;  // bound texture, 0 untextured
    bool large = false;         // may need more than one buffer of vertices (a plane)
};

// The ids (0 to 255) for which leaving their objects out may change the
// depth of other objects: leaving them out changes whether a remaining
// object's batch holds a clipped primitive (by taking the clipped objects
// out of it or by joining it with another batch), or changes the length of
// a batch that holds a large object. For every other id, leaving it out
// changes the depth exactly where it is the only id at the frontmost depth.
std::set<int> IdsChangingOtherDepths(std::span<const DrawnObject> objects);

} // namespace tavrik
