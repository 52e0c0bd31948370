// Frames per second of full writing runs (every file of every frame written)
// of the default scene, the time of each step of a frame, and peak memory.
//
//   tavrik-bench [--frames N] [--out DIR]

#include "output/Bmp.h"
#include "output/Disparity.h"
#include "output/FrameWriter.h"
#include "output/Segmentation.h"
#include "render/Viewer.h"
#include "scene/DefaultScene.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <algorithm>
#include <optional>
#include <vector>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Mean milliseconds of `repeats` calls of `step`.
double TimeStep(int repeats, const std::function<void()>& step)
{
    const auto start = Clock::now();
    for (int i = 0; i < repeats; ++i)
        step();
    return Seconds(start) * 1000.0 / repeats;
}

std::vector<std::string> BenchScene(int frames)
{
    // The default scene's objects, with a gentle forward drift per frame.
    std::vector<std::string> lines;
    for (const std::string& line : tavrik::DefaultSceneLines())
        if (line.rfind("EGO", 0) != 0)
            lines.push_back(line);
    for (int i = 0; i < frames; ++i)
        lines.push_back(i % 2 ? "EGO; 0; 0; 0.05; 0.1; 0.5; 0" : "EGO; 0; 0; 0.05; -0.1; -0.5; 0");
    return lines;
}

void Measure(int width, int height, int frames, const std::string& outputFolder)
{
    tavrik::GenerationSettings settings;
    settings.viewWidth = width;
    settings.viewHeight = height;
    settings.outputFolder = outputFolder;
    settings.texturesFolder = std::string(TAVRIK_ASSET_DIR) + "/textures";
    tavrik::ImmediateTimer timer;
    tavrik::ViewerEvents events;
    tavrik::Viewer viewer(settings, timer, events);
    viewer.CreateRenderContext();
    const auto scene = BenchScene(frames);

    const auto start = Clock::now();
    viewer.StartSequence(scene);
    while (timer.running())
        viewer.FrameTick();
    const double seconds = Seconds(start);
    std::printf("%4d x %-4d  %3d frames written in %6.2f s: %6.1f frames/s  (%s)\n", width, height, frames,
                seconds, frames / seconds, viewer.contextDescription().c_str());

    // The same run writing only the disparity as PFM: no .dat text, no BMPs.
    settings.formats = tavrik::OutputFormats(tavrik::OutputFormat::pfm);
    const auto pfmStart = Clock::now();
    viewer.StartSequence(scene);
    while (timer.running())
        viewer.FrameTick();
    const double pfmSeconds = Seconds(pfmStart);
    std::printf("%4d x %-4d  %3d frames with --formats pfm in %6.2f s: %6.1f frames/s\n", width, height, frames,
                pfmSeconds, frames / pfmSeconds);
    settings.formats = tavrik::OutputFormats();

    // Where a frame's time goes.
    constexpr int repeats = 10;
    viewer.PrepareSequence(scene);
    const double render = TimeStep(repeats, [&] { viewer.RenderView(false); });
    const double depthPass = TimeStep(repeats, [&] {
        viewer.RenderDepthPass(std::nullopt, {0, 0, width, height});
        viewer.ReadDepth();
    });
    std::vector<float> depth;
    const double readDepth = TimeStep(repeats, [&] { depth = viewer.ReadDepth(); });
    std::vector<std::uint8_t> colour;
    const double readColour = TimeStep(repeats, [&] { colour = viewer.ReadColour(); });
    tavrik::DisparityOutputs disparity;
    const double convert = TimeStep(repeats, [&] {
        disparity = tavrik::ConvertDepth(depth, width, height, settings.baseline, settings.focalLength);
    });
    std::string text;
    const double format = TimeStep(repeats, [&] {
        text = tavrik::FormatDisparityText(disparity.values, width, height);
    });
    const tavrik::RgbImage image = tavrik::ImageFromBottomUpRows(colour.data(), width, height);
    const std::string scratch = outputFolder + "/bench.bmp";
    const double bmp = TimeStep(repeats, [&] { tavrik::WriteBmpFile(scratch, image); });
    const std::string datPath = outputFolder + "/bench.dat";
    const double dat = TimeStep(repeats, [&] {
        tavrik::WriteDisparityText(datPath, disparity.values, width, height);
    });
    std::printf("    depth-only pass of the whole view with read-back %.2f\n", depthPass);
    std::printf("    per step, ms: render %.2f | read depth %.2f | read colour %.2f | depth to disparity %.2f | "
                "format .dat %.2f | write .dat (with format) %.2f | write one BMP %.2f\n",
                render, readDepth, readColour, convert, format, dat, bmp);
    std::vector<int> ids;
    for (const auto& object : viewer.scene().objects)
        ids.push_back(object->id);
    const auto counts = tavrik::CountIds(ids);
    std::printf("    a writing frame draws the view once, then one depth-only pass per object id (%td here, each "
                "inside the id's screen bounds), and writes 4 BMPs and 1 .dat\n",
                std::ranges::count_if(counts, [](int n) { return n > 0; }));
}

} // namespace

int main(int argc, char** argv)
{
    int frames = 30;
    std::string out = (std::filesystem::temp_directory_path() / "tavrik-bench").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--frames") == 0)
            frames = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
    }
    if (frames <= 0) {
        std::fprintf(stderr, "tavrik-bench: --frames takes a whole number above 0\n");
        return 2;
    }
    std::filesystem::create_directories(out);
    try {
        Measure(512, 384, frames, out);
        Measure(1024, 768, frames, out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavrik-bench: %s\n", e.what());
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
