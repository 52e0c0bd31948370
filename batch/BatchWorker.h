#pragma once

#include "batch/Tasks.h"
#include "render/FrameTimer.h"
#include "render/GenerationSettings.h"
#include "render/Viewer.h"

#include <memory>
#include <string>
#include <vector>

namespace tavrik {

// Renders sequence after sequence with one engine, whose render context
// lives as long as the image size stays; every sequence starts from the
// same engine state (camera, plane colours, textures), so its files are
// those of a fresh engine.
class BatchWorker {
public:
    explicit BatchWorker(std::string texturesFolder);
    ~BatchWorker();

    // Renders every camera of `task` into sequenceFolder(outputFolder, 0)
    // and returns the frames written. The scene's manifest names the
    // dataset, not the temporary folder: its outputFolder is "" and its
    // sequence number the task's index. Throws UserError for a scene with
    // convert errors or without EGO lines, and for any write error.
    int Render(const Task& task, const std::vector<std::string>& sceneLines, const std::string& outputFolder);

private:
    class Events : public ViewerEvents {
    public:
        void Progress(int) override { ++frames; }
        int frames = 0;
    };

    GenerationSettings settings_;
    ImmediateTimer timer_;
    Events events_;
    std::unique_ptr<Viewer> viewer_;
};

} // namespace tavrik
