#include "render/DrawBatches.h"

#include <cstddef>
#include <vector>

namespace tavrik {

namespace {

bool JoinsBatch(const DrawnObject& previous, const DrawnObject& next)
{
    return !previous.ownBatch && !next.ownBatch && previous.texture == next.texture;
}

// The batch of every object and, per batch, whether it holds a clipped or a
// large object, with the objects of id `omitted` left out (none when the id
// is outside 0 to 255, which is never left out).
struct Batches {
    std::vector<std::size_t> of;  // per object; unused for left-out objects
    std::vector<bool> clipped;
    std::vector<bool> large;
    std::vector<std::size_t> size;
};

Batches Partition(std::span<const DrawnObject> objects, int omitted)
{
    Batches b;
    b.of.resize(objects.size());
    const DrawnObject* previous = nullptr;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const DrawnObject& object = objects[i];
        if (object.id == omitted && omitted >= 0 && omitted <= 255)
            continue;
        if (!previous || !JoinsBatch(*previous, object)) {
            b.clipped.push_back(false);
            b.large.push_back(false);
            b.size.push_back(0);
        }
        const std::size_t batch = b.clipped.size() - 1;
        b.of[i] = batch;
        b.clipped[batch] = b.clipped[batch] || object.clipped;
        b.large[batch] = b.large[batch] || object.large;
        ++b.size[batch];
        previous = &object;
    }
    return b;
}

} // namespace

std::set<int> IdsChangingOtherDepths(std::span<const DrawnObject> objects)
{
    const Batches all = Partition(objects, -1);
    std::set<int> present;
    for (const DrawnObject& object : objects)
        if (object.id >= 0 && object.id <= 255)
            present.insert(object.id);

    std::set<int> ids;
    for (const int id : present) {
        const Batches without = Partition(objects, id);
        for (std::size_t i = 0; i < objects.size() && !ids.contains(id); ++i) {
            if (objects[i].id == id)
                continue;
            const std::size_t before = all.of[i];
            const std::size_t after = without.of[i];
            // The batch's path changes, or a batch long enough to be drawn
            // in parts is cut into other parts.
            if (without.clipped[after] != all.clipped[before]
                || ((all.large[before] || without.large[after]) && without.size[after] != all.size[before]))
                ids.insert(id);
        }
    }
    return ids;
}

} // namespace tavrik
