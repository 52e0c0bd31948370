#pragma once

#include "render/Camera.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// The view depths of a run, frame by frame, for the run of the other camera
// that follows it: there the other camera's depth of a frame is this run's
// view depth of the same frame, so it need not be drawn again. They are kept
// in an unnamed file in the run's folder, as a run's depths take far more
// memory than a frame's; a depth taken gives its disk space back at once, so
// the two runs never take more room than their files, and the file goes when
// the object does. Keeping is best effort: where the file system has no
// unnamed files, or a write fails, nothing more is kept and the other run
// draws what it does not find.
class ViewDepths {
public:
    // Keeps depths of `width` × `height` in `folder`, for a run of the
    // scene `sceneLines`.
    ViewDepths(const std::string& folder, int width, int height, std::vector<std::string> sceneLines);
    ~ViewDepths();
    ViewDepths(const ViewDepths&) = delete;
    ViewDepths& operator=(const ViewDepths&) = delete;

    // Keeps the depth of frame `frameIndex`, drawn through `camera`
    // (bottom row first).
    void Add(int frameIndex, const Mat4& camera, std::span<const float> depth);
    // Whether the depths are those of a run of `sceneLines` at this size.
    bool Serves(const std::vector<std::string>& sceneLines, int width, int height) const;
    // Frame `frameIndex`'s depth into `depth` when it was kept, drawn through
    // exactly `camera`, and not taken before; false otherwise.
    bool Take(int frameIndex, const Mat4& camera, std::vector<float>& depth);

private:
    std::size_t recordBytes() const;

    int fd_ = -1;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::string> sceneLines_;
    std::vector<bool> kept_;
};

} // namespace tavrik
