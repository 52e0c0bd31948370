#pragma once

#include "base/Async.h"
#include "base/UserError.h"
#include "output/Disparity.h"
#include "output/Image.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrik {

// One rendered frame as read back from OpenGL: everything its files are made
// from. It owns its buffers, so the next frame can be drawn while this one is
// written.
struct FrameCapture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> colour; // RGB triples, rows tightly packed, bottom row first
    std::vector<float> depth;         // width·height depth values in [0, 1], bottom row first
    std::vector<std::int16_t> segmentation; // width·height ids, bottom row first (PixelIds)
};

// The settings a frame's files depend on.
struct FrameOutputSettings {
    std::string outputFolder;
    int sequenceNumber = 0;
    bool rightCamera = false;
    double baseline = 0.12;     // scene units
    double focalLength = 389.0; // pixels
    bool paletteSegmentation = false;
};

// The image of `height` rows of `width` RGB triples given bottom row first:
// window row j becomes image row height − 1 − j.
RgbImage ImageFromBottomUpRows(const std::uint8_t* rgb, int width, int height);

// Writes every file of frame `frameIndex` into the run's sequence folder, in
// this order: colour image, fine disparity map, whole-pixel disparity map,
// disparity text, segmentation map. The sequence folder is created first
// (its last level only; a failure is ignored, the writes report it). Throws
// UserError "Cannot create file %s" at the first file that cannot be
// written; the files after it are not written. Every file a frame gets is
// made here, from the capture alone.
void WriteFrameOutputs(const FrameCapture& frame, const FrameOutputSettings& settings, int frameIndex);
// The same, making the disparity text in `text`, whose buffers a run reuses
// from frame to frame.
void WriteFrameOutputs(const FrameCapture& frame, const FrameOutputSettings& settings, int frameIndex,
                       DisparityText& text);

// A file of frame `frameIndex` that could not be written, found after that
// frame's writer was done: the files beyond the five are written while the
// next frame is made, and the next frame's writer reports them.
class FrameFilesError : public UserError {
public:
    FrameFilesError(const std::string& message, int frameIndex) : UserError(message), frameIndex_(frameIndex) {}
    int frameIndex() const { return frameIndex_; }

private:
    int frameIndex_;
};

// Writes frames on a thread of its own, so that a frame's files are made
// while the next frame is drawn. At most one frame is in flight; its error
// reaches the caller at the next Submit or Finish, naming that frame.
class FrameOutputQueue {
public:
    FrameOutputQueue() = default;
    // Waits for the frame in flight; an error it had is dropped.
    ~FrameOutputQueue();
    FrameOutputQueue(const FrameOutputQueue&) = delete;
    FrameOutputQueue& operator=(const FrameOutputQueue&) = delete;

    // Starts writing `frame`. Requires that no frame is in flight (Finish).
    void Submit(FrameCapture frame, FrameOutputSettings settings, int frameIndex);
    // Starts `write`, which writes the files of frame `frameIndex`, the same way.
    void Submit(std::function<void()> write, int frameIndex);
    // Waits until the frame in flight is written and returns its index, or
    // nothing when none was in flight. Its UserError is rethrown, after which
    // no frame is in flight; failedFrame() then names it, or the earlier
    // frame a FrameFilesError names.
    std::optional<int> Finish();
    bool busy() const { return pending_.valid(); }
    // True while the frame in flight is still being written.
    bool writing() const;
    int failedFrame() const { return failedFrame_; }

private:
    AsyncResult<void> pending_;
    int pendingIndex_ = -1;
    int failedFrame_ = -1;
};

} // namespace tavrik
