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
};

// The ids (0 to 255) for which leaving their objects out may change the
// depth of other objects: an object of the id is clipped or shares a batch
// with a clipped one, or leaving the id out joins two batches of which one
// holds a clipped object. For every other id, leaving it out changes the
// depth exactly where it is the only id at the frontmost depth.
std::set<int> IdsChangingOtherDepths(std::span<const DrawnObject> objects);

} // namespace tavrik
