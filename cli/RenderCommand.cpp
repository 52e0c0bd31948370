#include "cli/Command.h"

#include "base/NumberText.h"
#include "base/UserError.h"
#include "output/FrameFiles.h"
#include "render/Viewer.h"
#include "scene/DefaultScene.h"
#include "scene/SceneText.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <tuple>
#include <utility>
#include <string>

namespace tavrik::cli {

namespace {

// The image sizes a run can have.
const std::map<std::string, std::pair<int, int>> imageSizes{
    {"320x240", {320, 240}}, {"512x384", {512, 384}}, {"800x600", {800, 600}}, {"1024x768", {1024, 768}}};

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
    std::string formats = "spec";
};

class RunReporter : public ViewerEvents {
public:
    explicit RunReporter(bool showProgress) : showProgress_(showProgress) {}

    void SceneLineMessage(int lineNumber, const ParseMessage& message) override
    {
        if (linesReported_)
            return;
        const bool error = message.kind == ParseMessage::Kind::ConvertError;
        std::cerr << "line " << lineNumber << ": " << (error ? "" : "warning: ") << message.text << '\n';
    }
    void ProgressRange(int frames) override { frames_ = frames; }
    void Progress(int done) override
    {
        ++framesDone_;
        if (!showProgress_ || frames_ <= 0)
            return;
        constexpr int barWidth = 30;
        const int filled = done * barWidth / frames_;
        std::fprintf(stderr, "\r%s camera [%.*s%*s] %d/%d", label_.c_str(), filled,
                     "##############################", barWidth - filled, "", done, frames_);
        if (done == frames_)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    // The scene is parsed again for every camera; its messages are shown once.
    void StartRun(std::string label)
    {
        linesReported_ = runs_++ > 0;
        label_ = std::move(label);
    }
    int framesDone() const { return framesDone_; }

private:
    bool showProgress_;
    bool linesReported_ = false;
    int runs_ = 0;
    int frames_ = 0;
    int framesDone_ = 0;
    std::string label_;
};

// Where the bundled textures are: next to an installed program first, then
// the source tree the program was built from.
std::string BundledTextureFolder()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const auto installed = exe.parent_path().parent_path() / "share" / "tavrik" / "textures";
        if (std::filesystem::exists(installed / "tex0.bmp", error))
            return installed.string();
    }
    return std::string(TAVRIK_ASSET_DIR) + "/textures";
}

void ApplyOptions(const RenderOptions& options, GenerationSettings& settings)
{
    std::tie(settings.viewWidth, settings.viewHeight) = imageSizes.at(options.size);

    int red = 0, green = 0, blue = 0;
    char tail = 0;
    if (std::sscanf(options.background.c_str(), "%d,%d,%d%c", &red, &green, &blue, &tail) != 3 || red < 0
        || red > 255 || green < 0 || green > 255 || blue < 0 || blue > 255)
        throw CLI::ValidationError("--background", "expected R,G,B with each from 0 to 255");
    settings.backgroundRed = red;
    settings.backgroundGreen = green;
    settings.backgroundBlue = blue;

    settings.outputFolder = options.outputFolder;
    settings.sequenceNumber = options.sequence;
    settings.baseline = ParsePointOrComma(options.baseline);
    settings.focalLength = ParsePointOrComma(options.focal);
    // The field of view and every disparity divide by it.
    if (!(settings.focalLength > 0))
        throw CLI::ValidationError("--focal", "the focal length must be above 0");
    settings.paletteSegmentation = options.palette;
    settings.antiAliasing = options.antialias;
    settings.previewOnly = options.preview;
    settings.planeColourSeed = options.seed;
    settings.formats = ParseOutputFormats(options.formats);
    settings.decimalSeparator = LocaleDecimalSeparator();
    if (!options.textures.empty())
        settings.texturesFolder = options.textures;
    else if (std::filesystem::exists("tex0.bmp"))
        settings.texturesFolder = ".";
    else
        settings.texturesFolder = BundledTextureFolder();
}

int RunRender(const RenderOptions& options)
{
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

    ImmediateTimer timer;
    RunReporter reporter(!options.quiet && isatty(STDERR_FILENO));
    Viewer viewer(settings, timer, reporter);
    viewer.CreateRenderContext();

    std::vector<bool> cameras;
    if (options.camera != "right")
        cameras.push_back(false);
    if (options.camera != "left")
        cameras.push_back(true);

    const auto start = std::chrono::steady_clock::now();
    for (bool right : cameras) {
        settings.rightCamera = right;
        reporter.StartRun(right ? "right" : "left");
        viewer.StartSequence(lines);
        while (timer.running())
            viewer.FrameTick();
    }
    const int frames = reporter.framesDone();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const double rate = seconds > 0.0 ? frames / seconds : 0.0;
    if (settings.previewOnly)
        std::printf("previewed %d frames (nothing written) at %.1f frames/s\n", frames, rate);
    else
        std::printf("wrote %d frames to %s at %.1f frames/s\n", frames,
                    sequenceFolder(settings.outputFolder, settings.sequenceNumber).c_str(), rate);
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
        ->check(CLI::Range(0, 100))
        ->capture_default_str();
    sub->add_option("--camera", options->camera, "Camera of the stereo rig; both = left run, then right run")
        ->check(CLI::IsMember({"left", "right", "both"}))
        ->capture_default_str();
    sub->add_option("--size", options->size, "Image size")
        ->check(CLI::IsMember(imageSizes))
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
        ->capture_default_str();
    sub->add_flag("--quiet,-q", options->quiet, "No progress bar");
    sub->add_option("--formats", options->formats,
                    "What each frame writes, a comma list: spec (the five files), pfm, kitti, depth, occlusion, "
                    "flow, poses, or all")
        ->capture_default_str();
    sub->callback([scene, builtIn] {
        if (scene->count() == 0 && builtIn->count() == 0)
            throw CLI::RequiredError("SCENE or --default");
    });
    return {sub, [options] { return RunRender(*options); }};
}

} // namespace tavrik::cli
