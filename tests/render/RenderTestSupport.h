#pragma once

#include "render/Viewer.h"

#include <string>
#include <vector>

namespace tavrik::test {

// A timer that only records what the engine asks of it; tests drive the
// ticks themselves.
class RecordingTimer : public FrameTimer {
public:
    void Start(int intervalMs) override
    {
        running = true;
        interval = intervalMs;
        ++starts;
    }
    void Stop() override { running = false; }
    bool mustNotBlock() const override { return nonBlocking; }

    bool nonBlocking = false; // stands in for a window's timer
    bool running = false;
    int interval = 0;
    int starts = 0;
};

class RecordingEvents : public ViewerEvents {
public:
    void SceneCounted(std::size_t objects, std::size_t frames) override
    {
        objectCount = objects;
        frameCount = frames;
    }
    void EgoMotionLogged(const std::string& tableRow, const std::string& listRow) override
    {
        tableRows.push_back(tableRow);
        listRows.push_back(listRow);
    }
    void ObjectMatrixLogged(const std::string& row) override { matrixRows.push_back(row); }
    void Progress(int done) override { progress = done; }
    void ViewPresented() override { ++presented; }

    std::size_t objectCount = 0;
    std::size_t frameCount = 0;
    std::vector<std::string> tableRows;
    std::vector<std::string> listRows;
    std::vector<std::string> matrixRows;
    int progress = 0;
    int presented = 0;
};

// An engine with its own settings, timer and listener, drawing at a small
// size with the bundled textures.
struct TestViewer {
    explicit TestViewer(int width = 160, int height = 120)
    {
        settings.viewWidth = width;
        settings.viewHeight = height;
        settings.texturesFolder = std::string(TAVRIK_ASSET_DIR) + "/textures";
        viewer.CreateRenderContext();
    }

    // Starts a run and ticks until the engine leaves the timer off.
    void Run(const std::vector<std::string>& lines)
    {
        viewer.StartSequence(lines);
        while (timer.running)
            viewer.FrameTick();
    }

    GenerationSettings settings;
    RecordingTimer timer;
    RecordingEvents events;
    Viewer viewer{settings, timer, events};
};

} // namespace tavrik::test
