#pragma once

#include "base/Async.h"

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace tavrik {

// Work on `count` items (values, pixels, rows) is cut into one slice per
// core; small jobs stay on one thread, as a thread costs more than they do.
// `smallest` is the fewest items worth a thread of their own.
inline std::size_t SliceCount(std::size_t count, std::size_t smallest = 16384)
{
    const std::size_t cores = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    return std::clamp<std::size_t>(count / smallest, 1, cores);
}

// Runs work(slice, first, last) for `slices` slices of `count` items
// [first, last), the first on the calling thread, and returns when all are
// done.
template <typename Work>
void InSlices(std::size_t count, std::size_t slices, const Work& work)
{
    std::vector<AsyncResult<void>> others;
    for (std::size_t s = 1; s < slices; ++s)
        others.push_back(RunAsync([&work, s, count, slices] {
            work(s, count * s / slices, count * (s + 1) / slices);
        }));
    work(0, 0, count / slices);
    for (auto& other : others)
        other.get();
}

} // namespace tavrik
