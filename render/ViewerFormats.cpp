#include "render/Viewer.h"

#include "render/RenderState.h"
#include "render/Reprojection.h"

#include <GL/gl.h>

namespace tavrik {

void Viewer::StartFormats(const std::vector<std::string>& sceneLines)
{
    if (settings_.previewOnly || !context_) {
        formatWriter_ = FormatWriter{};
        return;
    }
    context_->MakeCurrent();
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    const Mat4 perspective = ViewPerspective(width(), height(), activeFocalLength_);
    formatWriter_.Start(settings_,
                        RigCalibration(perspective, width(), height(), activeBaseline_, activeFocalLength_),
                        camera_.rightCamera(), depthBits, sceneLines);
}

void Viewer::WriteFormats(std::vector<float> depth)
{
    if (!formatWriter_.active())
        return;
    const bool right = camera_.rightCamera();
    FrameCameras cameras{camera_.Matrix(), {}, camera_.motion()};
    camera_.SetRightCamera(!right);
    cameras.otherCamera = camera_.Matrix();
    std::vector<float> otherDepth;
    if (formatWriter_.needsOtherDepth()) {
        RenderDepthPass(std::nullopt, {0, 0, width(), height()});
        otherDepth = context_->ReadDepth();
    }
    camera_.SetRightCamera(right);
    formatWriter_.AddFrame(frameIndex_, std::move(depth), otherDepth, cameras);
}

} // namespace tavrik
