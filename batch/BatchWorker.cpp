#include "batch/BatchWorker.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "output/FrameFiles.h"
#include "scene/SceneText.h"
#include "scene/SceneWarnings.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tavrik {

namespace {

// The manifest is written while the sequence still lies in its temporary
// folder; the dataset's copy may not depend on that name, or sequence k
// would differ from one run to the next.
void NameDatasetInManifest(const std::string& folder, int index)
{
    const std::string path = folder + "tavrik.json";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return;
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    auto manifest = nlohmann::ordered_json::parse(text.str());
    manifest["settings"]["outputFolder"] = "";
    manifest["settings"]["sequenceNumber"] = index;
    WriteWholeFile(path, manifest.dump(2) + "\n");
}

} // namespace

BatchWorker::BatchWorker(std::string texturesFolder)
{
    settings_.texturesFolder = std::move(texturesFolder);
    settings_.decimalSeparator = '.';
}

BatchWorker::~BatchWorker() = default;

int BatchWorker::Render(const Task& task, const std::vector<std::string>& sceneLines, const std::string& outputFolder)
{
    const SceneCheck check = CheckSceneText(sceneLines, 11);
    for (const SceneLineMessage& m : check.messages)
        if (m.message.kind == ParseMessage::Kind::ConvertError)
            throw UserError("the scene has convert errors: " + LineMessageText(m.lineNumber, m.message));
    if (check.frames == 0)
        throw UserError("the scene has no EGO line");

    const SequenceSettings& s = task.settings;
    if (!viewer_ || settings_.viewWidth != s.size.width || settings_.viewHeight != s.size.height) {
        settings_.viewWidth = s.size.width;
        settings_.viewHeight = s.size.height;
        viewer_ = std::make_unique<Viewer>(settings_, timer_, events_);
        viewer_->CreateRenderContext();
    }
    settings_.outputFolder = outputFolder;
    settings_.sequenceNumber = 0;
    settings_.backgroundRed = s.background[0];
    settings_.backgroundGreen = s.background[1];
    settings_.backgroundBlue = s.background[2];
    settings_.baseline = s.baseline;
    settings_.focalLength = s.focal;
    settings_.paletteSegmentation = s.palette;
    settings_.antiAliasing = s.antialias;
    settings_.planeColourSeed = s.seed;
    settings_.formats = s.formats;
    settings_.previewOnly = false;

    const std::string folder = sequenceFolder(outputFolder, 0);
    PrepareOutputFolder(folder, FrameFileNames(folder, 0, !s.leftCamera).colour);
    events_.frames = 0;
    try {
        for (const bool right : {false, true}) {
            if (right ? !s.rightCamera : !s.leftCamera)
                continue;
            settings_.rightCamera = right;
            viewer_->SetOtherCameraRunFollows(!right && s.rightCamera);
            viewer_->StartSequence(sceneLines);
            while (timer_.running())
                viewer_->FrameTick();
        }
    } catch (const UserError&) {
        // A run that ended half-way leaves no state behind for the next.
        viewer_.reset();
        throw;
    }
    NameDatasetInManifest(folder, task.index);
    return events_.frames;
}

} // namespace tavrik
