#include "render/Viewer.h"

#include "output/FrameFiles.h"
#include "render/RenderState.h"
#include "render/Reprojection.h"
#include "scene/SceneObjects.h"

#include <GL/gl.h>

#include <utility>

namespace tavrik {

void Viewer::StartFormats(const std::vector<std::string>& sceneLines)
{
    formatWriter_ = FormatWriter{};
    otherRunDepths_ = std::move(keptDepths_);
    if (otherRunDepths_ && !otherRunDepths_->Serves(sceneLines, width(), height()))
        otherRunDepths_.reset();
    const bool keepDepths = std::exchange(otherCameraRunFollows_, false);
    if (settings_.previewOnly || !context_)
        return;
    context_->MakeCurrent();
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    const Mat4 perspective = ViewPerspective(width(), height(), activeFocalLength_);
    formatWriter_.Start(settings_,
                        RigCalibration(perspective, width(), height(), activeBaseline_, activeFocalLength_),
                        camera_.rightCamera(), depthBits, sceneLines);
    if (keepDepths && formatWriter_.needsOtherDepth())
        keptDepths_ = std::make_unique<ViewDepths>(sequenceFolder(settings_.outputFolder, settings_.sequenceNumber),
                                                   width(), height(), sceneLines);
}

std::function<void()> Viewer::FrameJob(FrameCapture frame, FrameOutputSettings output)
{
    const int index = frameIndex_;
    // Motions near the largest doubles overflow: such a frame's files would
    // hold nan, so the run ends before any of them is written.
    RequireFinitePose(camera_.Matrix().m, index);
    RequireFinitePose(camera_.motion().m, index);
    const bool classic = settings_.formats.has(OutputFormat::classic);
    // A run started as a preview has no formats set up, whatever it writes now.
    if (!formatWriter_.active())
        return [frame = std::move(frame), output = std::move(output), index, classic, text = &frameText_] {
            if (classic)
                WriteFrameOutputs(frame, output, index, *text);
        };

    const bool right = camera_.rightCamera();
    FrameCameras cameras{camera_.Matrix(), {}, camera_.motion()};
    camera_.SetRightCamera(!right);
    cameras.otherCamera = camera_.Matrix();
    std::vector<float> otherDepth;
    // The other camera's run before this one drew the same depth as its view.
    if (formatWriter_.needsOtherDepth()
        && !(otherRunDepths_ && otherRunDepths_->Take(index, cameras.otherCamera, otherDepth))) {
        // Planes take a new colour at every drawing; this extra view must
        // leave the colours of the later views as they would have been.
        const auto colours = SavePlaneColours();
        RenderDepthPass(std::nullopt, {0, 0, width(), height()});
        RestorePlaneColours(colours);
        otherDepth = context_->ReadDepth();
    }
    camera_.SetRightCamera(right);
    const bool last = static_cast<std::size_t>(index) + 1 == scene_.egos.size();
    return [this, frame = std::move(frame), output = std::move(output), index, cameras, classic, last,
            otherDepth = std::move(otherDepth)]() mutable {
        // The other files are made while the five are written, and written
        // while the next frame is made; all are written in order, none after
        // the first that fails, so this frame's first file waits for the
        // frame before's.
        FormatWriter::PendingFrame pending = formatWriter_.MakeFrame(index, frame.depth, std::move(otherDepth), cameras);
        formatWriter_.FinishWrites();
        if (classic)
            WriteFrameOutputs(frame, output, index, frameText_);
        formatWriter_.WriteFrame(std::move(pending), std::move(frame.depth));
        // A run's last frame is written when all of its files are.
        if (last)
            formatWriter_.FinishWrites();
    };
}

} // namespace tavrik
