// Frames per second of full writing runs (every file of every frame
// written) of the default scene with both cameras and of 300 spheres with
// 256 different ids (and, for comparison, the same spheres with one id), at
// 512 × 384 and 1024 × 768; medians of repeated runs. Then the default
// scene's rate per output format, into new and into existing folders, where
// a frame's time goes, step by step, and peak memory.
//
//   tavrik-bench [--frames N] [--repeats R] [--out DIR] [--formats-only | --steps-only] [--rows FORMATS]
//
// --formats-only prints only the table of formats, --steps-only only the
// steps of one frame; --rows limits the table to one --formats value (such
// as all, or spec,flow).

#include "base/FileIo.h"
#include "output/Bmp.h"
#include "output/Disparity.h"
#include "output/FrameWriter.h"
#include "output/GroundTruth.h"
#include "output/Png.h"
#include "output/OutputFormats.h"
#include "output/Segmentation.h"
#include "render/Reprojection.h"
#include "render/Viewer.h"
#include "scene/DefaultScene.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

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

std::vector<std::string> EgoLines(int frames)
{
    std::vector<std::string> lines;
    for (int i = 0; i < frames; ++i)
        lines.push_back(i % 2 ? "EGO; 0; 0; 0.05; 0.1; 0.5; 0" : "EGO; 0; 0; 0.05; -0.1; -0.5; 0");
    return lines;
}

// The default scene's objects, with a gentle forward drift per frame.
std::vector<std::string> DefaultBenchScene(int frames)
{
    std::vector<std::string> lines;
    for (const std::string& line : tavrik::DefaultSceneLines())
        if (line.rfind("EGO", 0) != 0)
            lines.push_back(line);
    for (const std::string& ego : EgoLines(frames))
        lines.push_back(ego);
    return lines;
}

// `count` textured spheres spread over the view, ids 0, 1, … `ids` − 1 in
// turn; the same seed places them alike whatever the number of ids.
std::vector<std::string> SpheresScene(int count, int ids, int frames)
{
    std::mt19937 random(7);
    auto uniform = [&](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        const double y = uniform(3, 12);
        const double spread = (y + 3) * 0.6;
        std::ostringstream line;
        line << "SPHERE; id " << i % ids << "; texture: " << i % 12 - 1 << "; colour: 1; 1; 1; position: "
             << uniform(-0.5 * spread, 0.5 * spread) << "; " << y << "; " << uniform(-0.4 * spread, 0.4 * spread)
             << "; 0; 0; 0; dim: " << uniform(0.15, 0.3);
        lines.push_back(line.str());
    }
    for (const std::string& ego : EgoLines(frames))
        lines.push_back(ego);
    return lines;
}

struct BenchScene {
    const char* name;
    std::function<std::vector<std::string>(int frames)> lines;
    int frames;
    bool bothCameras = false;
};

tavrik::GenerationSettings Settings(int width, int height, const std::string& outputFolder)
{
    tavrik::GenerationSettings settings;
    settings.viewWidth = width;
    settings.viewHeight = height;
    settings.outputFolder = outputFolder;
    settings.texturesFolder = std::string(TAVRIK_ASSET_DIR) + "/textures";
    return settings;
}

// Frames per second of full writing runs, one per camera in `cameras`
// (false: left), as `render --camera both` makes them: one engine for all,
// whose start-up (the context, the rasteriser's first compiled shaders, the
// textures) comes before the clock starts, as the command line reports it
// apart from the frames.
double RunRate(const tavrik::GenerationSettings& settings, const std::vector<std::string>& scene,
               std::initializer_list<bool> cameras)
{
    // Each run starts with nothing of the runs before it left to write back:
    // that write-back would take the disk, and the page cache's room for
    // dirty pages, from this run.
    ::sync();
    double seconds = 0;
    int frames = 0;
    tavrik::GenerationSettings cameraSettings = settings;
    tavrik::ImmediateTimer timer;
    tavrik::ViewerEvents events;
    tavrik::Viewer viewer(cameraSettings, timer, events);
    viewer.CreateRenderContext();
    viewer.PrepareSequence(scene);
    for (const bool right : cameras) {
        cameraSettings.rightCamera = right;
        viewer.SetOtherCameraRunFollows(right != *(cameras.end() - 1));
        const auto start = Clock::now();
        viewer.StartSequence(scene);
        int ticks = 0;
        while (timer.running()) {
            viewer.FrameTick();
            ++ticks;
        }
        seconds += Seconds(start);
        // The last tick only waits for the last frame's files.
        frames += ticks - 1;
    }
    return frames / seconds;
}

// The steps of one writing frame, one after another: the frame thread draws
// and reads back, the writer thread makes and writes the files while the
// next frame is drawn.
void StepTimes(const tavrik::GenerationSettings& settings, const std::vector<std::string>& scene, int repeats)
{
    tavrik::ImmediateTimer timer;
    tavrik::ViewerEvents events;
    tavrik::Viewer viewer(settings, timer, events);
    viewer.CreateRenderContext();
    viewer.PrepareSequence(scene);
    const int w = settings.viewWidth;
    const int h = settings.viewHeight;

    const double render = TimeStep(repeats, [&] { viewer.RenderView(false); });
    std::vector<float> depth;
    std::vector<std::uint8_t> colour;
    const double readBack = TimeStep(repeats, [&] {
        colour = viewer.ReadColour();
        depth = viewer.ReadDepth();
    });
    std::vector<std::int16_t> ids;
    const double segmentation = TimeStep(repeats, [&] { ids = viewer.SegmentationIds(); });
    // The occlusion mask's extra view: the other camera's depth alone.
    const double depthPass = TimeStep(repeats, [&] { viewer.RenderDepthPass(std::nullopt, {0, 0, w, h}); });
    tavrik::DisparityOutputs disparity;
    const double convert = TimeStep(repeats, [&] {
        disparity = tavrik::ConvertDepth(depth, w, h, settings.baseline, settings.focalLength);
    });
    // A run's writer formats every frame's text into the same buffers.
    tavrik::DisparityText text;
    text.Format(disparity.values, w, h);
    const double format = TimeStep(repeats, [&] { text.Format(disparity.values, w, h); });
    const std::string datPath = settings.outputFolder + "/bench.dat";
    const double writeDat = TimeStep(repeats, [&] { tavrik::WriteFilePieces(datPath, text.pieces()); });
    const std::string bmpPath = settings.outputFolder + "/bench.bmp";
    const double bmps = TimeStep(repeats, [&] {
        tavrik::WriteBmpFile(bmpPath, tavrik::ImageFromBottomUpRows(colour.data(), w, h));
        tavrik::WriteBmpFile(bmpPath, disparity.fine);
        tavrik::WriteBmpFile(bmpPath, disparity.whole);
        tavrik::WriteBmpFile(bmpPath, tavrik::SegmentationImage(ids, w, h, false));
    });
    // The ground truth beyond the five files, from this view and the other
    // camera's (which stands in for the next frame of the flow: a real
    // motion, every pixel landing somewhere else).
    const tavrik::DepthView here{viewer.camera().Matrix(), depth};
    viewer.SetRightCamera(!settings.rightCamera);
    const std::vector<float> otherDepth = viewer.ReadDepth();
    const tavrik::DepthView there{viewer.camera().Matrix(), otherDepth};
    viewer.SetRightCamera(settings.rightCamera);
    const double tolerance = tavrik::DepthTolerance(24);
    tavrik::DepthMapBytes maps;
    const double depthMaps = TimeStep(repeats, [&] {
        tavrik::MakeDepthMapFiles(depth, w, h, settings.baseline, settings.focalLength, {true, true, true}, maps);
    });
    std::vector<std::uint8_t> mask;
    const double occlusion = TimeStep(repeats, [&] {
        tavrik::MakeOcclusionMask(here, there, w, h, tolerance, mask);
    });
    tavrik::FlowFileBytes flow;
    const double forward = TimeStep(repeats, [&] {
        tavrik::MakeFlowFiles(here, there, w, h, tolerance,
                              tavrik::DisparityChangeOptics{settings.baseline, settings.focalLength}, flow);
    });
    const double flowPng = TimeStep(repeats, [&] { tavrik::EncodePngBigEndian16(flow.kittiPng, w, h, 3); });
    std::printf("      ground truth, each sliced over the cores: depth maps %.1f ms, occlusion %.1f, "
                "flow with disparity change %.1f, flow PNG %.1f\n",
                depthMaps, occlusion, forward, flowPng);
    const double drawing = render + readBack + segmentation;
    const double writing = convert + format + writeDat + bmps;
    const double all = drawing + writing;
    auto share = [all](double ms) { return 100.0 * ms / all; };
    std::printf("      frame thread %.1f ms: view %.1f (%.0f%%), read-back %.1f (%.0f%%), segmentation %.1f (%.0f%%); "
                "a depth pass %.1f\n",
                drawing, render, share(render), readBack, share(readBack), segmentation, share(segmentation), depthPass);
    std::printf("      writer thread %.1f ms: depth to disparity %.1f (%.0f%%), .dat text %.1f (%.0f%%), "
                "write .dat %.1f (%.0f%%), 4 BMPs %.1f (%.0f%%)\n",
                writing, convert, share(convert), format, share(format), writeDat, share(writeDat), bmps,
                share(bmps));
}

struct Rates {
    double median, low, high;
};

Rates MedianOf(std::vector<double> rates)
{
    std::ranges::sort(rates);
    return {rates[rates.size() / 2], rates.front(), rates.back()};
}

Rates Measure(const tavrik::GenerationSettings& settings, const BenchScene& scene, int repeats)
{
    std::vector<double> rates;
    for (int i = 0; i < repeats; ++i)
        rates.push_back(scene.bothCameras ? RunRate(settings, scene.lines(scene.frames), {false, true})
                                          : RunRate(settings, scene.lines(scene.frames), {false}));
    return MedianOf(std::move(rates));
}

// Folders the table of formats wrote, emptied when their row is done and
// removed when the bench ends. On ext4 without a journal a new file skips
// every inode freed in the last one to six minutes, one lookup each: after a
// row's thousands of files were deleted, that took up to a tenth of the next
// rows' CPU time. An emptied file keeps its inode and gives back its blocks.
class SpentFolders {
public:
    SpentFolders() = default;
    SpentFolders(const SpentFolders&) = delete;
    SpentFolders& operator=(const SpentFolders&) = delete;
    ~SpentFolders()
    {
        for (const std::string& folder : folders_) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }

    // A folder named for this process, row and run, so that no earlier
    // bench's folder passes for a new one.
    std::string Name(const std::string& out, const std::string& what)
    {
        const std::string folder = out + "/formats-" + std::to_string(::getpid()) + "-" + what;
        folders_.push_back(folder);
        return folder;
    }
    void Empty(const std::string& folder)
    {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                std::filesystem::resize_file(entry.path(), 0);
    }

private:
    std::vector<std::string> folders_;
};

// Frames/s of both cameras of the default scene per format alone and for
// all of them, into a folder written just before ("existing") and into one
// never written ("new": every run gets a folder of its own, as dataset runs
// do). New and existing runs take turns, so that both see the same load of a
// shared machine.
void FormatRates(int width, int height, const std::string& out, int frames, int repeats,
                 const std::vector<std::string>& rows, SpentFolders& spent)
{
    std::printf("  --formats, default scene, both cameras, %d frames per camera, median of %d (lowest to highest):\n",
                frames, repeats);
    std::printf("    %-11s %-26s %-26s\n", "format", "new folder", "existing folder");
    const auto scene = DefaultBenchScene(frames);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::string& formats = rows[row];
        const std::string size = std::to_string(width) + "x" + std::to_string(height) + "-" + std::to_string(row);
        std::vector<double> fresh;
        std::vector<double> existing;
        std::vector<std::string> written;
        const std::string existingFolder = spent.Name(out, size + "-existing");
        written.push_back(existingFolder);
        tavrik::GenerationSettings settings = Settings(width, height, existingFolder);
        settings.formats = tavrik::ParseOutputFormats(formats);
        std::filesystem::create_directories(existingFolder);
        RunRate(settings, scene, {false, true}); // the files to write over
        for (int i = 0; i < repeats; ++i) {
            settings.outputFolder = existingFolder;
            existing.push_back(RunRate(settings, scene, {false, true}));
            settings.outputFolder = spent.Name(out, size + "-new-" + std::to_string(i));
            written.push_back(settings.outputFolder);
            std::filesystem::create_directories(settings.outputFolder);
            fresh.push_back(RunRate(settings, scene, {false, true}));
        }
        for (const std::string& folder : written)
            spent.Empty(folder);
        const Rates n = MedianOf(fresh);
        const Rates e = MedianOf(existing);
        std::printf("    %-11s %6.1f (%5.1f to %5.1f)      %6.1f (%5.1f to %5.1f)\n", formats.c_str(), n.median, n.low, n.high,
                    e.median, e.low, e.high);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int frames = 60;
    int repeats = 5;
    std::string out = (std::filesystem::temp_directory_path() / "tavrik-bench").string();
    bool formatsOnly = false;
    bool stepsOnly = false;
    std::vector<std::string> rows = {"spec", "pfm", "kitti", "depth", "occlusion", "flow", "dispchange", "all"};
    const char* const usageText =
        "usage: tavrik-bench [--frames N] [--repeats R] [--out DIR] [--formats-only | --steps-only] [--rows FORMATS]\n"
        "  --frames N      frames per camera of the default scene's runs (60)\n"
        "  --repeats R     runs of each measurement; the median is printed (5)\n"
        "  --out DIR       where the runs write (a folder in the temporary directory)\n"
        "  --formats-only  only the table of frames/s per --formats value\n"
        "  --steps-only    only the time of each step of one frame\n"
        "  --rows FORMATS  only this row of the table (such as all, or spec,flow)\n";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usageText, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--formats-only") == 0) {
            formatsOnly = true;
            continue;
        }
        if (std::strcmp(argv[i], "--steps-only") == 0) {
            stepsOnly = true;
            continue;
        }
        const bool valued = std::strcmp(argv[i], "--frames") == 0 || std::strcmp(argv[i], "--repeats") == 0 ||
                            std::strcmp(argv[i], "--out") == 0 || std::strcmp(argv[i], "--rows") == 0;
        if (!valued || i + 1 == argc) {
            std::fprintf(stderr, "tavrik-bench: %s %s\n%s", valued ? "no value after" : "unknown option", argv[i],
                         usageText);
            return 2;
        }
        if (std::strcmp(argv[i], "--frames") == 0)
            frames = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--repeats") == 0)
            repeats = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
        else
            rows = {argv[i + 1]};
        ++i;
    }
    if (frames <= 1 || repeats <= 0) {
        std::fprintf(stderr, "tavrik-bench: --frames takes a whole number above 1, --repeats one above 0\n");
        return 2;
    }
    std::filesystem::create_directories(out);
    SpentFolders spent;
    const int sphereFrames = std::max(2, frames / 6);
    const BenchScene scenes[] = {
        {"default scene", DefaultBenchScene, frames, true},
        {"300 spheres, 256 ids", [](int n) { return SpheresScene(300, 256, n); }, sphereFrames},
        {"300 spheres, 1 id", [](int n) { return SpheresScene(300, 1, n); }, sphereFrames},
    };
    try {
        for (const auto& [width, height] : {std::pair{512, 384}, std::pair{1024, 768}}) {
            const tavrik::GenerationSettings settings = Settings(width, height, out);
            if (formatsOnly || stepsOnly) {
                std::printf("%d x %d:\n", width, height);
                if (formatsOnly)
                    FormatRates(width, height, out, frames, repeats, rows, spent);
                else
                    StepTimes(settings, scenes[0].lines(2), repeats);
                continue;
            }
            std::printf("%d x %d, every file written, median of %d runs (lowest to highest):\n", width, height,
                        repeats);
            std::vector<double> medians;
            for (const BenchScene& scene : scenes) {
                const Rates rates = Measure(settings, scene, repeats);
                std::printf("  %-22s %6.1f frames/s (%.1f to %.1f) over %d frames%s\n", scene.name, rates.median,
                            rates.low, rates.high, scene.frames, scene.bothCameras ? " per camera" : "");
                medians.push_back(rates.median);
            }
            std::printf("  256 ids run at %.0f%% of the rate of one id\n", 100.0 * medians[1] / medians[2]);
            FormatRates(width, height, out, frames, repeats, rows, spent);
            for (int s = 0; s < 2; ++s) {
                std::printf("    steps of one frame of the %s, ms and share:\n", scenes[s].name);
                StepTimes(settings, scenes[s].lines(2), 5);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavrik-bench: %s\n", e.what());
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
