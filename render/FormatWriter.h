#pragma once

#include "base/Async.h"
#include "output/CameraText.h"
#include "output/GroundTruth.h"
#include "render/Camera.h"
#include "render/GenerationSettings.h"
#include "render/Reprojection.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// The camera matrices of one rendered frame.
struct FrameCameras {
    Mat4 camera;      // Persp · S · E(0) · … · E(k) of the camera rendered
    Mat4 otherCamera; // the same with the other camera's shift
    Mat4 motion;      // E(0) · … · E(k)
};

// Throws UserError naming frame `frameIndex` when a number of its camera's
// pose or matrix `matrix` is not finite.
void RequireFinitePose(std::span<const double> matrix, int frameIndex);

// Writes the ground truth of a run beyond the five files per frame, as the
// settings' formats ask (names for the left camera; the right camera drops
// the leading "l"): per frame ldisp_TTTT.pfm, ldisp_TTTT.png, ldepth_TTTT.pfm,
// locc_TTTT.png, and once frame TTTT + 1 is known lflow_TTTT.flo with
// lflow_TTTT.png, ldispchange_TTTT.pfm, and frame TTTT + 1's backward flow
// lflowback_TTTT.flo with lflowback_TTTT.png; per run poses.txt, poses_tum.txt, calib.txt, calib_kitti.txt,
// scene.txt and the manifest tavrik.json.
class FormatWriter {
public:
    // The files of a whole run; the manifest is written last of all, so a
    // folder that holds one holds every file it names, from one run.
    static constexpr const char* manifestName = "tavrik.json";
    static constexpr const char* runFileNames[] = {manifestName,  "calib.txt",  "calib_kitti.txt",
                                                   "poses.txt",   "poses_tum.txt", "scene.txt"};

    // Starts a run of one camera that writes files (with any formats):
    // removes the folder's manifest and the other files of a whole run first.
    // `calibration` is the rig's, `depthBits` the precision of the depth
    // buffer. Throws UserError when they cannot be removed.
    void Start(const GenerationSettings& settings, const StereoCalibration& calibration, bool rightCamera,
               int depthBits, std::vector<std::string> sceneLines);
    bool active() const { return run_.has_value(); }
    // Whether the frames need the other camera's depth (for the occlusion mask).
    bool needsOtherDepth() const;

    // What a frame's files are made in. The megabytes are reused from frame
    // to frame, as fresh memory costs a page fault per page; there are two
    // sets, one for the frame being made and one for the frame before,
    // whose files are still being written. The PNGs' samples and the mask
    // are done with once their PNG is made: the frames pass one set of them
    // on (see scratch).
    struct FrameBuffers {
        DepthMapBytes depthMaps;
        std::vector<std::uint8_t> occlusionMask;
        FlowFileBytes forward;
        FlowFileBytes backward;
    };

    // The files of one frame being made on other threads, while the caller
    // writes the frame's five files. Destroying it waits for that work, so
    // what it reads outlives it.
    struct PendingFrame {
        int frameIndex = -1;
        Mat4 camera;
        Mat4 motion;
        std::unique_ptr<FrameBuffers> buffers; // before the work that fills them: it ends first
        AsyncResult<std::vector<std::uint8_t>> depthMaps;  // the disparity PNG; the PFMs in the buffers
        AsyncResult<std::vector<std::uint8_t>> occlusion;  // the mask's PNG
        AsyncResult<std::vector<std::uint8_t>> forward;    // the flow PNG; .flo and disparity change in the buffers
        AsyncResult<std::vector<std::uint8_t>> backward;   // the backward flow PNG, .flo in the buffers
    };

    // Starts making frame `frameIndex`'s files from its depth buffer (bottom
    // row first) and, when the occlusion mask is wanted, the other camera's
    // depth of the same frame; and the previous frame's flow and disparity
    // change, and this frame's backward flow. `depth` must stay as it is
    // until the frame is written or the pending frame is gone. Throws
    // UserError when the camera's pose is not finite.
    PendingFrame MakeFrame(int frameIndex, std::span<const float> depth, std::vector<float> otherDepth,
                           const FrameCameras& cameras);
    // Starts writing the files of `pending`, the frame made from `depth`, in
    // order, none after the first that fails, on a thread of their own: the
    // next frame is made meanwhile. The files of the frame before are
    // finished first (FinishWrites).
    void WriteFrame(PendingFrame pending, std::vector<float> depth);
    // Waits until the files WriteFrame started are written. A frame's first
    // file must follow the earlier frame's files, so its writer calls this
    // before writing anything. Throws FrameFilesError naming that frame and
    // carrying "Cannot create file %s" when one of them could not be written.
    void FinishWrites();
    // Ends the run: finishes the frames' files, then writes the files of the
    // whole run, the manifest last. Does nothing when no run is active or it
    // had no frame. Returns a warning for the user, or nothing: see
    // ManifestFile.
    std::string Finish();

private:
    struct Run {
        GenerationSettings settings; // rightCamera: the camera of the run
        StereoCalibration calibration;
        double depthTolerance = 0.0;
        std::vector<std::string> sceneLines;
        std::string previousManifest; // the folder's manifest before the run, or empty
        std::string folder;
        std::vector<Mat4> motions;
        std::vector<std::string> files;
        // The last frame, kept until the next one gives the flows between them.
        int previousIndex = -1;
        std::vector<float> previousDepth;
        Mat4 previousCamera;
        // The other camera's depth, which the frame being made reads.
        std::vector<float> otherDepth;
        // The buffers of the next frame, and the writing of frame
        // writingIndex's files, which gives its buffers back.
        std::unique_ptr<FrameBuffers> spare;
        FrameBuffers scratch; // the PNGs' samples and the mask between frames
        AsyncResult<std::unique_ptr<FrameBuffers>> writing;
        int writingIndex = -1;
    };

    void Write(const std::string& name, std::span<const std::uint8_t> bytes);
    void Write(const std::string& name, std::string_view text);
    // "l" + stem for the left camera, stem alone for the right.
    std::string FrameName(const char* stem, int frameIndex, const char* extension) const;

    std::optional<Run> run_;
};

} // namespace tavrik
