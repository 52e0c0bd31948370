#include "render/Viewer.h"

#include "base/NumberText.h"
#include "base/UserError.h"
#include "output/Bmp.h"
#include "output/FrameWriter.h"
#include "output/Segmentation.h"
#include "render/DrawBatches.h"
#include "render/RenderState.h"
#include "render/ScreenBounds.h"
#include "scene/ObjectDrawing.h"
#include "scene/SceneText.h"

#include <GL/gl.h>

#include "base/Check.h"
#include <algorithm>
#include <array>
#include <future>
#include <map>
#include <set>

namespace tavrik {

Viewer::Viewer(const GenerationSettings& settings, FrameTimer& timer, ViewerEvents& events)
    : settings_(settings), timer_(timer), events_(events)
{
}

// Textures belong to the context and go with it.
Viewer::~Viewer() = default;

void Viewer::CreateRenderContext()
{
    // The objects hold the old context's texture names; they get the names
    // the same texture numbers have in the new one, so the scene stays
    // textured without a new preparation.
    const std::vector<std::uint32_t> oldTextures = scene_.textures;
    ReleaseRenderContext();
    context_ = std::make_unique<RenderContext>(settings_.viewWidth, settings_.viewHeight);
    InitRenderState(settings_.antiAliasing);
    for (const auto& object : scene_.objects) {
        const auto slot = std::ranges::find(oldTextures, object->texture);
        if (object->texture != 0 && slot != oldTextures.end()) {
            const auto number = static_cast<std::size_t>(slot - oldTextures.begin());
            object->texture = number < scene_.textures.size() ? scene_.textures[number] : 0;
        }
    }
}

void Viewer::ReleaseRenderContext()
{
    scene_.textures.clear();
    context_.reset();
}

int Viewer::width() const
{
    return context_ ? context_->width() : 0;
}

int Viewer::height() const
{
    return context_ ? context_->height() : 0;
}

const std::string& Viewer::contextDescription() const
{
    static const std::string none = "no context";
    return context_ ? context_->description() : none;
}

void Viewer::InitRenderState(bool antiAliasing)
{
    frameIndex_ = -1;
    camera_.Reset(ViewPerspective(width(), height(), activeFocalLength_), activeBaseline_, camera_.rightCamera());
    SetFixedRenderState(antiAliasing);
    // The textures live as long as the context: a run after the first reads
    // them again only when the folder or one of its files has changed.
    const std::string stamp = TextureFolderStamp(settings_.texturesFolder);
    if (scene_.textures.size() != static_cast<std::size_t>(textureCount) || stamp != texturesStamp_) {
        texturesStamp_.clear();
        LoadTextures(settings_.texturesFolder, scene_.textures);
        texturesStamp_ = stamp;
    }
    glEnable(GL_TEXTURE_2D);
}

void Viewer::PrepareSequence(const std::vector<std::string>& sceneLines)
{
    // A new run may not inherit the last run's frame in flight.
    FinishPendingFrame();
    activeFocalLength_ = settings_.focalLength;
    activeBaseline_ = settings_.baseline;
    sceneReady_ = true;
    if (context_) {
        context_->MakeCurrent();
        InitRenderState(settings_.antiAliasing);
        camera_.SetRightCamera(settings_.rightCamera);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    SeedPlaneColours(settings_.planeColourSeed);
    ParseSceneLines(sceneLines, scene_.textures, scene_, [this](std::size_t line, const ParseMessage& message) {
        events_.SceneLineMessage(static_cast<int>(line), message);
    });
    events_.SceneCounted(scene_.objects.size(), scene_.egos.size());
    RenderView(false);
}

void Viewer::StartSequence(const std::vector<std::string>& sceneLines)
{
    // A run is seen from the base pose a paint sets, whatever the debug
    // controls have made of the navigation since.
    navigation_ = Navigation{};
    PrepareSequence(sceneLines);
    StartFormats(sceneLines);
    events_.ProgressRange(static_cast<int>(scene_.egos.size()));
    frameIndex_ = 0;
    lastLoggedFrame_ = -1;
    events_.EgoLogsCleared();
    timer_.Start(writingTickInterval);
}

void Viewer::FrameTick()
{
    // A window's thread is not held while earlier files are written: the
    // frame drawn last waits for the writer, and the tick comes back.
    if (timer_.mustNotBlock() && !HandOverHeldFrame()) {
        timer_.Stop();
        timer_.Start(writerBusyTickInterval);
        return;
    }
    // −1 taken as unsigned is above any count, so an idle engine stops here
    // too; without a context there is nothing to draw into.
    if (static_cast<unsigned>(frameIndex_) >= scene_.egos.size() || !context_) {
        timer_.Stop();
        if (timer_.mustNotBlock() && outputs_.writing()) {
            timer_.Start(writerBusyTickInterval);
            return;
        }
        FinishPendingFrame();
        frameIndex_ = -1;
        if (const std::string warning = formatWriter_.Finish(); !warning.empty())
            events_.Warning(warning);
        // A window may stay open long after its run: the text's megabytes go.
        frameText_ = DisparityText();
        return;
    }
    timer_.Stop();
    tickStart_ = std::chrono::steady_clock::now();
    lastFrameProgress_ = tickStart_;
    tickDrawn_ = 0;
    // The view, and in a writing tick most often the id pass; the
    // segmentation corrects this once it knows its passes.
    tickDraws_ = scene_.objects.size() * (settings_.previewOnly ? 1 : 2);
    // Draws outside a tick (a paint) report nothing, even after an error.
    struct TickEnd {
        std::size_t& draws;
        ~TickEnd() { draws = 0; }
    } tickEnd{tickDraws_};
    int interval = writingTickInterval;
    if (settings_.previewOnly) {
        interval = previewTickInterval;
        RenderView(true);
        FinishPendingFrame();
        events_.Progress(frameIndex_ + 1);
    } else {
        WriteFrame();
    }
    timer_.Start(interval);
    ++frameIndex_;
}

void Viewer::FinishPendingFrame()
{
    try {
        if (const std::optional<int> written = outputs_.Finish())
            events_.Progress(*written + 1);
        if (heldFrame_) {
            SubmitFrame(std::move(*heldFrame_));
            heldFrame_.reset();
            FinishPendingFrame();
        }
    } catch (const UserError&) {
        // The run ends at the frame whose files failed, as if its own tick
        // had failed; a frame drawn after it is not written, and its ego
        // log rows are taken back.
        heldFrame_.reset();
        timer_.Stop();
        frameIndex_ = outputs_.failedFrame();
        if (lastLoggedFrame_ > frameIndex_)
            events_.EgoMotionWithdrawn(lastLoggedFrame_ - frameIndex_);
        lastLoggedFrame_ = frameIndex_;
        throw;
    }
}

bool Viewer::HandOverHeldFrame()
{
    if (!heldFrame_)
        return true;
    if (outputs_.writing())
        return false;
    HeldFrame held = std::move(*heldFrame_);
    heldFrame_.reset();
    FinishPendingFrame();
    SubmitFrame(std::move(held));
    return true;
}

void Viewer::SubmitFrame(HeldFrame frame)
{
    outputs_.Submit(std::move(frame.job), frame.index);
}

void Viewer::WriteFrame()
{
    // Drawn once: the off-screen framebuffer holds exactly the frame just
    // drawn, so a second identical draw before reading it back adds nothing.
    RenderView(true);

    FrameCapture frame;
    frame.width = width();
    frame.height = height();
    frame.depth = context_->ReadDepth();
    if (keptDepths_)
        keptDepths_->Add(frameIndex_, camera_.Matrix(), frame.depth);
    if (settings_.formats.has(OutputFormat::classic)) {
        frame.colour = context_->ReadColour();
        CaptureSegmentation(frame);
    }
    FrameOutputSettings output;
    output.outputFolder = settings_.outputFolder;
    output.sequenceNumber = settings_.sequenceNumber;
    output.rightCamera = camera_.rightCamera();
    output.baseline = activeBaseline_;
    output.focalLength = activeFocalLength_;
    output.paletteSegmentation = settings_.paletteSegmentation;
    HeldFrame drawn{FrameJob(std::move(frame), std::move(output)), frameIndex_};
    if (timer_.mustNotBlock() && outputs_.writing()) {
        heldFrame_ = std::move(drawn);
        return;
    }
    // The files of the frame before were written while this one was drawn.
    FinishPendingFrame();
    SubmitFrame(std::move(drawn));
}

void Viewer::CaptureSegmentation(FrameCapture& frame)
{
    const int w = width();
    const int h = height();
    // Leaving out id k can change depth only where the objects of id k are
    // seen, so each pass is drawn and read back inside their screen bounds.
    std::map<int, PixelRect> bounds;
    const Mat4 transform = camera_.Matrix() * NavigationMatrix();
    std::array<int, 256> planesOfId{};
    int planes = 0;
    std::vector<DrawnObject> drawn;
    drawn.reserve(scene_.objects.size());
    for (const auto& object : scene_.objects) {
        bounds[object->id] = bounds[object->id].United(ScreenBounds(*object, transform, w, h));
        if (object->kind == kindPlane) {
            // A plane without a normal draws nothing and changes no state.
            if (static_cast<const Plane&>(*object).SolvedAxis() < 0)
                continue;
            // Every drawing of a plane takes the next plane colour.
            ++planes;
            if (object->id >= 0 && object->id <= 255)
                ++planesOfId[static_cast<std::size_t>(object->id)];
        }
        const bool placed = object->kind == kindSphere || object->kind == kindCuboid || object->kind == kindCylinder;
        drawn.push_back({object->id, !InsideViewVolume(*object, transform), placed, object->texture,
                         object->kind == kindPlane});
    }
    // Only a pass of their own finds every pixel these ids change.
    const std::set<int> changingOthers = IdsChangingOtherDepths(drawn);
    // The ids one pass per id draws a pass for, those the id pass can take
    // over, and the plane colours those passes would take.
    std::vector<int> passIds;
    std::vector<int> ownPassIds;
    long long planeColours = 0;
    for (const auto& [id, region] : bounds)
        if (id >= 0 && id <= 255 && !region.empty()) {
            passIds.push_back(id);
            if (changingOthers.contains(id))
                ownPassIds.push_back(id);
            planeColours += planes - planesOfId[static_cast<std::size_t>(id)];
        }
    const auto depthWithout = [&](int omitId, std::span<float> depth) {
        const PixelRect& region = bounds.at(omitId);
        if (!region.empty()) {
            RenderDepthPass(omitId, region);
            context_->ReadDepth(region, depth);
        }
        return region;
    };

    // The id pass pays off from two ids on that it takes over.
    const bool idPass =
        segmentationMethod_ == SegmentationMethod::IdPass && passIds.size() >= ownPassIds.size() + 2;
    tickDraws_ = scene_.objects.size();
    for (const int id : idPass ? ownPassIds : passIds)
        tickDraws_ += static_cast<std::size_t>(std::ranges::count_if(
            scene_.objects, [id](const auto& object) { return object->id != id; }));
    if (idPass) {
        tickDraws_ += scene_.objects.size();
        frame.segmentation = FrontIdsFromIdPass(IdPass(), frame.depth);
        for (std::int16_t& id : frame.segmentation)
            if (id != noId && changingOthers.contains(id))
                id = noId;
        MarkIdsByPasses(frame.segmentation, w, ownPassIds, frame.depth, depthWithout);
        // Plane colours advance as if one pass per id had been drawn, so the
        // next frames' colours do not depend on how the map was found. The
        // passes taken over are two at least, so they would have taken at least
        // the id pass's share.
        const long long taken = planes + [&] {
            long long n = 0;
            for (const int id : ownPassIds)
                n += planes - planesOfId[static_cast<std::size_t>(id)];
            return n;
        }();
        TAVRIK_CHECK_GE(planeColours, taken);
        for (long long i = taken; i < planeColours; ++i)
            NextPlaneRed();
        return;
    }
    frame.segmentation.assign(frame.depth.size(), noId);
    MarkIdsByPasses(frame.segmentation, w, passIds, frame.depth, depthWithout);
}

std::vector<std::uint8_t> Viewer::IdPass()
{
    context_->BeginIdPass();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(camera_.Matrix().m.data());
    glMatrixMode(GL_MODELVIEW);
    LoadNavigation();
    DrawObjects(std::nullopt, settings_.logObjectMatrices, true);
    context_->EndIdPass();
    return context_->ReadIdColour();
}

void Viewer::RenderView(bool applyEgoStep, std::optional<int> omitId)
{
    if (!sceneReady_ || !context_)
        return;
    context_->MakeCurrent();
    glClearColor(static_cast<float>(settings_.backgroundRed) / 255.0f,
                 static_cast<float>(settings_.backgroundGreen) / 255.0f,
                 static_cast<float>(settings_.backgroundBlue) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glMatrixMode(GL_MODELVIEW);
    LoadNavigation();

    if (applyEgoStep && frameIndex_ >= 0) {
        TAVRIK_CHECK_LT(static_cast<std::size_t>(frameIndex_), scene_.egos.size());
        const Ego& ego = *scene_.egos[frameIndex_];
        camera_.ApplyEgoMotion(ego.position, ego.rotation);
        LogEgoMotion(ego);
        lastLoggedFrame_ = frameIndex_;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(camera_.Matrix().m.data());
    glMatrixMode(GL_MODELVIEW);

    // Taken through the navigation transform only: the light stays fixed
    // relative to the base pose in both cameras and every frame.
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition_);
    glColor3f(1.0f, 0.1f, 0.6f);
    DrawObjects(omitId, settings_.logObjectMatrices);
    context_->Present();
    events_.ViewPresented();
}

void Viewer::RenderDepthPass(std::optional<int> omitId, const PixelRect& region)
{
    // A fragment's depth does not depend on what colours it, so this gives
    // the depth of RenderView's draw at a fraction of its cost.
    context_->BeginDepthPass();
    // The rasteriser clears and draws a whole frame much faster without a
    // scissor than with one around the whole frame.
    const bool whole = region.x == 0 && region.y == 0 && region.width == width() && region.height == height();
    if (!whole) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(region.x, region.y, region.width, region.height);
    }
    glClear(GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(camera_.Matrix().m.data());
    glMatrixMode(GL_MODELVIEW);
    LoadNavigation();
    DrawObjects(omitId, settings_.logObjectMatrices);
    glDisable(GL_SCISSOR_TEST);
    context_->EndDepthPass();
}

Mat4 Viewer::NavigationMatrix() const
{
    return BasePose(navigation_.viewAngleX, navigation_.viewAngleZ, navigation_.viewDistance);
}

void Viewer::LoadNavigation()
{
    glLoadMatrixd(NavigationMatrix().m.data());
}

void Viewer::DrawObjects(std::optional<int> omitId, bool logMatrices, bool idColours)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, scene_.textures.empty() ? 0 : scene_.textures.front());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    for (const auto& object : scene_.objects) {
        if (omitId && object->id == *omitId)
            continue;
        if (idColours) {
            const Rgb c = IdPassColour(object->id);
            context_->SetIdColour(c.red, c.green, c.blue);
        }
        glPushMatrix();
        Draw(*object);
        if (logMatrices) {
            double m[16];
            glGetDoublev(GL_MODELVIEW_MATRIX, m);
            std::string row;
            for (double v : m)
                row += FormatFixedPoint(v, settings_.decimalSeparator) + "; ";
            events_.ObjectMatrixLogged(row);
        }
        glPopMatrix();
        ++objectsDrawn_;
        ObjectsDrawn(1);
    }
}

void Viewer::ObjectsDrawn(std::size_t objects)
{
    tickDrawn_ += objects;
    if (tickDraws_ == 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    using namespace std::chrono_literals;
    if (now - tickStart_ < 1s || now - lastFrameProgress_ < 100ms)
        return;
    lastFrameProgress_ = now;
    events_.FrameProgress(frameIndex_,
                          std::min(1.0, static_cast<double>(tickDrawn_) / static_cast<double>(tickDraws_)));
}

void Viewer::LogEgoMotion(const Ego& ego)
{
    const char separator = settings_.decimalSeparator;
    std::string tableRow;
    std::string listRow;
    for (const auto* values : {&ego.position, &ego.rotation})
        for (double v : *values) {
            const std::string text = FormatFixedPoint(v, separator);
            tableRow += text + "&";
            listRow += text + ";";
        }
    tableRow += "T & T & T & R & R & R \\\\";
    events_.EgoMotionLogged(tableRow, listRow);
}

void Viewer::Paint()
{
    navigation_ = Navigation{};
    RenderView(false);
}

void Viewer::SetRightCamera(bool rightCamera)
{
    camera_.SetRightCamera(rightCamera);
    RenderView(false);
}

void Viewer::SetLightZ(float z)
{
    lightPosition_[2] = z;
    RenderView(false);
}

std::vector<std::uint8_t> Viewer::ReadColour() const
{
    return context_ ? context_->ReadColour() : std::vector<std::uint8_t>{};
}

std::vector<float> Viewer::ReadDepth() const
{
    return context_ ? context_->ReadDepth() : std::vector<float>{};
}

std::vector<std::int16_t> Viewer::SegmentationIds()
{
    if (!context_)
        return {};
    FrameCapture frame;
    frame.depth = context_->ReadDepth();
    CaptureSegmentation(frame);
    return frame.segmentation;
}

} // namespace tavrik
