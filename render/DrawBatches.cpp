#include "render/DrawBatches.h"

#include <cstddef>
#include <vector>

namespace tavrik {

namespace {

bool JoinsBatch(const DrawnObject& previous, const DrawnObject& next)
{
    return !previous.ownBatch && !next.ownBatch && previous.texture == next.texture;
}

} // namespace

std::set<int> IdsChangingOtherDepths(std::span<const DrawnObject> objects)
{
    const std::size_t n = objects.size();
    std::vector<std::size_t> batch(n);
    std::vector<bool> clippedBatch;
    for (std::size_t i = 0; i < n; ++i) {
        if (i == 0 || !JoinsBatch(objects[i - 1], objects[i]))
            clippedBatch.push_back(false);
        batch[i] = clippedBatch.size() - 1;
        if (objects[i].clipped)
            clippedBatch[batch[i]] = true;
    }

    std::set<int> ids;
    for (std::size_t i = 0; i < n;) {
        const int id = objects[i].id;
        // A run of consecutive objects of one id: leaving it out puts its
        // neighbours next to each other.
        std::size_t end = i;
        bool risky = false;
        for (; end < n && objects[end].id == id; ++end)
            risky = risky || clippedBatch[batch[end]];
        if (!risky && i > 0 && end < n) {
            const std::size_t before = i - 1;
            const std::size_t after = end;
            risky = JoinsBatch(objects[before], objects[after]) && batch[before] != batch[after]
                 && (clippedBatch[batch[before]] || clippedBatch[batch[after]]);
        }
        if (risky && id >= 0 && id <= 255)
            ids.insert(id);
        i = end;
    }
    return ids;
}

} // namespace tavrik
