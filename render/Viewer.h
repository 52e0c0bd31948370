#pragma once

#include "output/FrameWriter.h"
#include "output/Image.h"
#include "output/PixelRect.h"
#include "render/Camera.h"
#include "render/FormatWriter.h"
#include "render/FrameTimer.h"
#include "render/GenerationSettings.h"
#include "render/RenderContext.h"
#include "render/ViewDepths.h"
#include "scene/Parser.h"
#include "scene/Scene.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// What the engine tells the windows around it (or the command line). Every
// notification has an empty default, so a listener overrides what it shows.
class ViewerEvents {
public:
    virtual ~ViewerEvents() = default;
    // A scene line (1-based) produced a convert error or a warning.
    virtual void SceneLineMessage(int /*lineNumber*/, const ParseMessage& /*message*/) {}
    // Counts of the last preparation.
    virtual void SceneCounted(std::size_t /*objects*/, std::size_t /*frames*/) {}
    // One row each for the two ego-motion logs, per frame whose motion was applied.
    virtual void EgoMotionLogged(const std::string& /*tableRow*/, const std::string& /*listRow*/) {}
    virtual void EgoLogsCleared() {}
    // The last `rows` rows of each ego-motion log belong to frames drawn
    // after a frame whose files failed, where the run has ended.
    virtual void EgoMotionWithdrawn(int /*rows*/) {}
    // The model-view matrix of one object drawn in any view or depth pass,
    // while matrix logging is on.
    virtual void ObjectMatrixLogged(const std::string& /*row*/) {}
    virtual void ProgressRange(int /*frames*/) {}
    virtual void Progress(int /*framesDone*/) {}
    // The share (0 to 1) of the drawing of frame `frameIndex` (0-based) that
    // is done, while one frame takes longer than a second; at most ten times
    // a second.
    virtual void FrameProgress(int /*frameIndex*/, double /*share*/) {}
    // Something the user should know about the files of a run that ended.
    virtual void Warning(const std::string& /*text*/) {}
    // A view has been drawn and is ready to be read back and shown.
    virtual void ViewPresented() {}
};

// Base pose of the views: Translate(0, 0, −viewDistance) · RotX(−viewAngleX)
// · RotZ(−viewAngleZ). The values a paint sets put the base camera at world
// (0, −3, 0), looking along +y, with +z up and +x to the right in the image.
// The debug controls change them until the next paint or Start.
struct Navigation {
    float viewAngleX = 90.0f;  // degrees
    float viewAngleZ = 0.0f;   // degrees
    double viewDistance = 3.0; // scene units
};

// How the segmentation map finds the frontmost object's id. Both give the
// same maps byte for byte; one pass per id costs a draw per id present and
// serves as the reference the id pass is checked against.
enum class SegmentationMethod { IdPass, PassPerId };

// The viewer's engine, free of any window system: it owns the render
// context, the scene (objects, ego records, textures), the stereo camera and
// the frame loop's state. A run: StartSequence, then FrameTick at every
// timer event until the timer stays off.
class Viewer {
public:
    Viewer(const GenerationSettings& settings, FrameTimer& timer, ViewerEvents& events);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    // Makes the drawing surface at the settings' view size and sets the
    // render state up (frameIndex becomes −1). Called at creation and after
    // every change of resolution; the scene survives it.
    void CreateRenderContext();
    void ReleaseRenderContext();

    // Prepares a run from the settings and the scene text: the active focal
    // length and baseline, the render state and textures, the camera side,
    // the scene parsed line by line; then draws the base view.
    void PrepareSequence(const std::vector<std::string>& sceneLines);
    // Puts the navigation back to the base pose of a paint, prepares, then
    // starts the frame loop at frame 0.
    void StartSequence(const std::vector<std::string>& sceneLines);
    // One step of the frame loop: draws frame `frameIndex` and, unless only
    // a preview is wanted, has its files written while the next tick draws
    // the next frame. Progress counts frames whose files are all written, so
    // it follows one tick behind; the ground truth beyond the five files of
    // the last frame counted may still be on its way, as it is written while
    // the next frame's files are made. The tick after the last frame waits
    // for the last files. An error writing a frame's files is thrown by the
    // tick that finds it and ends the run at that frame. Under a timer that must
    // not block, a frame drawn while the writer is busy is held until it is
    // free, and ticks come back shortly instead of waiting.
    void FrameTick();

    // Draws and presents one view. With `applyEgoStep` the motion of ego
    // record frameIndex is added to the camera first. `omitId` leaves out
    // every object of that id; no value leaves out nothing.
    void RenderView(bool applyEgoStep, std::optional<int> omitId = std::nullopt);
    // Draws the current view into the depth buffer only, inside `region`,
    // without a new ego step: the same camera, projection and depth test as
    // RenderView, so the same depth values. `omitId` as for RenderView.
    void RenderDepthPass(std::optional<int> omitId, const PixelRect& region);
    // A paint of the window: the base pose of the navigation, then a view.
    void Paint();
    // Switches between the left and the right camera and redraws.
    void SetRightCamera(bool rightCamera);
    void SetLightZ(float z);
    Navigation& navigation() { return navigation_; }
    void SetSegmentationMethod(SegmentationMethod method) { segmentationMethod_ = method; }
    // Before StartSequence: the run about to start is followed by the run of
    // the other camera with the same scene and settings. This run then keeps
    // its view depths, and that run takes them as its other camera's depth
    // (for the occlusion mask) instead of drawing it: the two are the same
    // to the last bit. Applies to the next run only.
    void SetOtherCameraRunFollows(bool follows) { otherCameraRunFollows_ = follows; }

    // The presented view: RGB bottom row first, and depth bottom row first.
    std::vector<std::uint8_t> ReadColour() const;
    std::vector<float> ReadDepth() const;
    // The segmentation of the presented view, as a writing frame makes it
    // (plane colours advance as there): ids bottom row first.
    std::vector<std::int16_t> SegmentationIds();

    int frameIndex() const { return frameIndex_; }
    // Objects drawn since the viewer was made, in every view and pass.
    std::size_t objectsDrawn() const { return objectsDrawn_; }
    bool sceneReady() const { return sceneReady_; }
    double activeFocalLength() const { return activeFocalLength_; }
    double activeBaseline() const { return activeBaseline_; }
    const Scene& scene() const { return scene_; }
    const StereoCamera& camera() const { return camera_; }
    bool hasContext() const { return context_ != nullptr; }
    int width() const;
    int height() const;
    const std::string& contextDescription() const;

private:
    void InitRenderState(bool antiAliasing);
    // With `idColours` every object is drawn in its id pass colour.
    void DrawObjects(std::optional<int> omitId, bool logMatrices, bool idColours = false);
    Mat4 NavigationMatrix() const;
    void LoadNavigation();
    void LogEgoMotion(const Ego& ego);
    // Counts `objects` more drawn in this tick and tells the listener when
    // the tick has been long.
    void ObjectsDrawn(std::size_t objects);
    void WriteFrame();
    // The ground-truth formats of a run (ViewerFormats.cpp): set up at the
    // start, and the job that writes every file of the frame just drawn.
    void StartFormats(const std::vector<std::string>& sceneLines);
    std::function<void()> FrameJob(FrameCapture frame, FrameOutputSettings output);
    // The frontmost ids of the view just drawn, whose depth `frame` holds.
    void CaptureSegmentation(FrameCapture& frame);
    // A drawn frame: the job that writes its files, and its index.
    struct HeldFrame {
        std::function<void()> job;
        int index;
    };
    // Waits for the files of the frame in flight, and of a held frame, and
    // reports them done; a failure ends the run at that frame and is rethrown.
    void FinishPendingFrame();
    // Hands a held frame to the writer once it is free: false while it is
    // still writing the frame before.
    bool HandOverHeldFrame();
    void SubmitFrame(HeldFrame frame);
    // The id pass's buffer of the view just drawn.
    std::vector<std::uint8_t> IdPass();

    const GenerationSettings& settings_;
    FrameTimer& timer_;
    ViewerEvents& events_;

    std::unique_ptr<RenderContext> context_;
    Scene scene_;
    // TextureFolderStamp of the folder scene_.textures were loaded from;
    // empty while they are not a complete set.
    std::string texturesStamp_;
    Analiza parser_;
    StereoCamera camera_;
    Navigation navigation_;
    FormatWriter formatWriter_;
    // The view depths this run keeps for the other camera's run, and those
    // the run before kept for this one.
    bool otherCameraRunFollows_ = false;
    std::unique_ptr<ViewDepths> keptDepths_;
    std::unique_ptr<ViewDepths> otherRunDepths_;
    float lightPosition_[4] = {-10.0f, 20.0f, 20.0f, 1.0f};

    SegmentationMethod segmentationMethod_ = SegmentationMethod::IdPass;
    // The disparity text of the frame being written; only the writer touches
    // it, one frame at a time, and its buffers serve every frame of a run.
    DisparityText frameText_;
    FrameOutputQueue outputs_;
    // A frame drawn while the writer was still busy, under a timer that must
    // not wait for it.
    std::optional<HeldFrame> heldFrame_;
    // Objects drawn in this tick and to be drawn in it in all.
    std::size_t tickDrawn_ = 0;
    std::size_t tickDraws_ = 0;
    std::chrono::steady_clock::time_point tickStart_;
    std::chrono::steady_clock::time_point lastFrameProgress_;
    int frameIndex_ = -1;
    // The frame of the last ego log rows of a run; −1 before its first.
    int lastLoggedFrame_ = -1;
    std::size_t objectsDrawn_ = 0;
    bool sceneReady_ = false;
    double activeFocalLength_ = 389.0;
    double activeBaseline_ = 0.12;
};

} // namespace tavrik
