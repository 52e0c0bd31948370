#include "cli/Command.h"
#include "cli/DecimalInteger.h"

#include "base/FileIo.h"
#include "base/NumberText.h"
#include "base/RunFolder.h"
#include "base/UserError.h"
#include "output/FrameFiles.h"
#include "render/Viewer.h"
#include "scene/DefaultScene.h"
#include "scene/SceneText.h"
#include "scene/SceneWarnings.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>
#include <string>

namespace tavrik::cli {

namespace {

// The signal that asked the run to stop (SIGINT, SIGTERM), or 0.
volatile std::sig_atomic_t stopSignal = 0;

void AskToStop(int signal) { stopSignal = signal; }

// From now on SIGINT and SIGTERM end the run between two frames: the files
// in flight are finished, none is left torn, and no manifest is written for
// the unfinished run.
void StopBetweenFrames()
{
    struct sigaction action {};
    action.sa_handler = AskToStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // the writes in flight go on
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

// The image sizes a run can have, by their option text "WxH".
std::map<std::string, ViewSize> ImageSizes()
{
    std::map<std::string, ViewSize> sizes;
    for (const ViewSize& size : viewSizes)
        sizes.emplace(std::to_string(size.width) + "x" + std::to_string(size.height), size);
    return sizes;
}

// The options as typed; their defaults are those of GenerationSettings.
struct RenderOptions {
    explicit RenderOptions(const GenerationSettings& defaults)
        : outputFolder(defaults.outputFolder), sequence(defaults.sequenceNumber),
          size(std::to_string(defaults.viewWidth) + "x" + std::to_string(defaults.viewHeight)),
          background(std::to_string(defaults.backgroundRed) + "," + std::to_string(defaults.backgroundGreen) + ","
                     + std::to_string(defaults.backgroundBlue)),
          baseline(FormatFixedPoint(defaults.baseline, '.')), focal(FormatFixedPoint(defaults.focalLength, '.')),
          seed(defaults.planeColourSeed)
    {
    }

    std::string scenePath;
    bool defaultScene = false;
    std::string outputFolder;
    int sequence;
    std::string camera = "left";
    std::string size;
    std::string background;
    std::string baseline;
    std::string focal;
    bool palette = false;
    bool antialias = false;
    bool preview = false;
    std::string textures;
    unsigned seed;
    bool quiet = false;
    bool keepGoing = false;
    std::string formats = "spec";
};

class RunReporter : public ViewerEvents {
public:
    explicit RunReporter(bool showProgress) : showProgress_(showProgress) {}

    // The scene's messages were shown by the check before the run.
    void SceneLineMessage(int, const ParseMessage&) override {}
    void ProgressRange(int frames) override { frames_ = frames; }
    void Progress(int done) override
    {
        ++framesDone_;
        done_ = done;
        ShowBar(done);
        if (showProgress_ && frames_ > 0 && done == frames_) {
            std::fputc('\n', stderr);
            std::fflush(stderr);
        }
    }
    void Warning(const std::string& text) override { std::cerr << "tavrik-cli: warning: " << text << '\n'; }
    // A long frame moves the bar within its own share.
    void FrameProgress(int frameIndex, double share) override { ShowBar(frameIndex + share); }
    void StartRun(std::string label)
    {
        label_ = std::move(label);
        done_ = 0;
        position_ = 0;
    }
    int framesDone() const { return framesDone_; }

private:
    // The bar stands at `position` frames, or further when a frame's drawing
    // has already been shown beyond it; the count says how many are written.
    void ShowBar(double position)
    {
        if (!showProgress_ || frames_ <= 0)
            return;
        position_ = std::max(position_, position);
        position = position_;
        constexpr int barWidth = 30;
        const int filled = std::clamp(static_cast<int>(position * barWidth / frames_), 0, barWidth);
        std::fprintf(stderr, "\r%s camera [%.*s%*s] %d/%d", label_.c_str(), filled,
                     "##############################", barWidth - filled, "", done_, frames_);
        std::fflush(stderr);
    }

    bool showProgress_;
    int done_ = 0;
    double position_ = 0;
    int frames_ = 0;
    int framesDone_ = 0;
    std::string label_;
};

void ApplyOptions(const RenderOptions& options, GenerationSettings& settings)
{
    const ViewSize size = ImageSizes().at(options.size);
    settings.viewWidth = size.width;
    settings.viewHeight = size.height;

    char tail = 0;
    if (std::sscanf(options.background.c_str(), "%d,%d,%d%c", &settings.backgroundRed, &settings.backgroundGreen,
                    &settings.backgroundBlue, &tail)
        != 3)
        throw CLI::ValidationError("--background", "expected R,G,B with each from 0 to 255");

    settings.outputFolder = options.outputFolder;
    settings.sequenceNumber = options.sequence;
    settings.baseline = ParsePointOrComma(options.baseline);
    settings.focalLength = ParsePointOrComma(options.focal);
    settings.paletteSegmentation = options.palette;
    settings.antiAliasing = options.antialias;
    settings.previewOnly = options.preview;
    settings.planeColourSeed = options.seed;
    settings.formats = ParseOutputFormats(options.formats);
    settings.decimalSeparator = LocaleDecimalSeparator();
    settings.texturesFolder = options.textures.empty() ? DefaultTexturesFolder() : options.textures;
    Validate(settings);
}

// "T s: S s start-up, M ms a frame": the time of the whole run, of what came
// before the first frame (checks, the context, the textures) and of one frame.
std::string RunTimesText(int frames, std::chrono::steady_clock::duration startUp,
                         std::chrono::steady_clock::duration framesTime)
{
    using Seconds = std::chrono::duration<double>;
    const double perFrame = frames > 0 ? Seconds(framesTime).count() * 1000.0 / frames : 0.0;
    char text[128];
    std::snprintf(text, sizeof text, "%.2f s: %.2f s start-up, %.*f ms a frame",
                  Seconds(startUp + framesTime).count(), Seconds(startUp).count(), perFrame < 10.0 ? 1 : 0,
                  perFrame);
    return text;
}

int RunRender(const RenderOptions& options)
{
    const auto started = std::chrono::steady_clock::now();
    StopBetweenFrames();
    GenerationSettings settings;
    std::vector<std::string> lines;
    try {
        ApplyOptions(options, settings);
        lines = options.defaultScene ? DefaultSceneLines() : ReadSceneFile(options.scenePath);
    } catch (const UserError& e) {
        std::cerr << "tavrik-cli: " << e.what() << '\n';
        return exitUsage;
    } catch (const CLI::ValidationError& e) {
        std::cerr << "tavrik-cli: " << e.what() << '\n';
        return exitUsage;
    }

    // Textures 0 to 10 are loaded for every run.
    const SceneCheck check = CheckSceneText(lines, 11);
    for (const SceneLineMessage& m : check.messages)
        std::cerr << LineMessageText(m.lineNumber, m.message) << '\n';
    if (check.convertErrors && !options.keepGoing) {
        std::cerr << "tavrik-cli: nothing rendered: the scene has convert errors (--keep-going renders it with "
                     "those numbers as 0)\n";
        return exitFailure;
    }
    if (check.frames == 0) {
        std::printf("nothing rendered: the scene has no EGO line\n");
        return exitOk;
    }
    if (!(settings.baseline > 0))
        std::cerr << "tavrik-cli: warning: the baseline " << options.baseline
                  << " is not above 0: the disparities are not above 0 either\n";

    std::vector<bool> cameras;
    if (options.camera != "right")
        cameras.push_back(false);
    if (options.camera != "left")
        cameras.push_back(true);

    const std::string folder = sequenceFolder(settings.outputFolder, settings.sequenceNumber);
    std::optional<RunFolder> runFolder;
    if (!settings.previewOnly) {
        runFolder.emplace(folder, FrameFileNames(folder, 0, cameras.front()).colour);
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        for (const bool right : cameras)
            if (const std::size_t stale = CountStaleFrameFiles(names, right, static_cast<int>(check.frames)))
                std::cerr << "tavrik-cli: warning: " << stale << " files of frames " << check.frames
                          << " and later of the " << (right ? "right" : "left") << " camera remain in " << folder
                          << " from an earlier run\n";
    }

    int frames = 0;
    std::chrono::steady_clock::time_point firstTick;
    {
        RunReporter reporter(!options.quiet && isatty(STDERR_FILENO));
        ImmediateTimer timer;
        Viewer viewer(settings, timer, reporter);
        viewer.CreateRenderContext();
        for (bool right : cameras) {
            if (stopSignal != 0)
                break;
            settings.rightCamera = right;
            reporter.StartRun(right ? "right" : "left");
            viewer.SetOtherCameraRunFollows(right != cameras.back());
            viewer.StartSequence(lines);
            if (firstTick == std::chrono::steady_clock::time_point{})
                firstTick = std::chrono::steady_clock::now();
            while (timer.running() && stopSignal == 0)
                viewer.FrameTick();
        }
        // The viewer finishes the frame in flight as it goes, without the
        // files of a whole run when it was stopped.
        frames = reporter.framesDone();
    }
    const auto end = std::chrono::steady_clock::now();
    if (stopSignal != 0) {
        std::cerr << "tavrik-cli: stopped by " << (stopSignal == SIGINT ? "SIGINT" : "SIGTERM") << " after "
                  << frames << " frames; " << folder << " is left without a manifest\n";
        return 128 + stopSignal;
    }
    std::printf("%s %d frames%s%s in %s\n", settings.previewOnly ? "previewed" : "wrote", frames,
                settings.previewOnly ? " (nothing written)" : " to ", settings.previewOnly ? "" : folder.c_str(),
                RunTimesText(frames, firstTick - started, end - firstTick).c_str());
    return exitOk;
}

} // namespace

Command AddRenderCommand(CLI::App& app)
{
    auto options = std::make_shared<RenderOptions>(GenerationSettings{});
    CLI::App* sub = app.add_subcommand("render", "Render a scene into a numbered sequence folder of camera images, "
                                                 "disparity maps, disparity text files and segmentation maps");
    auto* scene = sub->add_option("SCENE", options->scenePath, "Scene text file")->check(CLI::ExistingFile);
    auto* builtIn = sub->add_flag("--default", options->defaultScene, "Render the built-in default scene");
    scene->excludes(builtIn); // both ways
    sub->add_option("--out", options->outputFolder, "Output folder; the sequence folder is made inside it")
        ->capture_default_str();
    sub->add_option("--sequence", options->sequence, "Sequence number: the name of the folder made in --out")
        ->transform(DecimalInteger())
        ->check(CLI::Range(0, 100))
        ->capture_default_str();
    sub->add_option("--camera", options->camera, "Camera of the stereo rig; both = left run, then right run")
        ->check(CLI::IsMember({"left", "right", "both"}))
        ->capture_default_str();
    sub->add_option("--size", options->size, "Image size")
        ->check(CLI::IsMember(ImageSizes()))
        ->capture_default_str();
    sub->add_option("--background", options->background, "Background colour R,G,B (0 to 255 each)")
        ->capture_default_str();
    sub->add_option("--baseline", options->baseline, "Stereo baseline in scene units (\".\" or \",\" as decimal point)")
        ->capture_default_str();
    sub->add_option("--focal", options->focal, "Focal length in pixels (\".\" or \",\" as decimal point)")
        ->capture_default_str();
    sub->add_flag("--palette", options->palette, "Colour palette in segmentation maps instead of grey ids");
    sub->add_flag("--antialias", options->antialias, "Switch the antialiasing filter on");
    sub->add_flag("--preview", options->preview, "Render every frame but write nothing");
    sub->add_option("--textures", options->textures,
                    "Folder holding tex0.bmp to tex10.bmp (default: the working folder when it holds tex0.bmp, "
                    "else the bundled set)");
    sub->add_option("--seed", options->seed, "Seed of the plane colours; the same seed gives identical files")
        ->transform(DecimalInteger())
        ->capture_default_str();
    sub->add_flag("--quiet,-q", options->quiet, "No progress bar");
    sub->add_flag("--keep-going", options->keepGoing,
                  "Render a scene with convert errors, the numbers that failed read as 0");
    sub->add_option("--formats", options->formats,
                    "What each frame writes, a comma list: spec (the five files), pfm, kitti, depth, occlusion, "
                    "flow, poses, dispchange, or all")
        ->capture_default_str();
    sub->callback([scene, builtIn] {
        if (scene->count() == 0 && builtIn->count() == 0)
            throw CLI::RequiredError("SCENE or --default");
    });
    return {sub, [options] { return RunRender(*options); }};
}

} // namespace tavrik::cli
