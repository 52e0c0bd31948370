#include "cli/Command.h"
#include "cli/DecimalInteger.h"

#include "base/UserError.h"
#include "video/StereoAviExport.h"

#include <iostream>
#include <memory>
#include <string>

namespace tavrik::cli {

Command AddAviCommand(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand(
        "avi", "Make a video (2 frames per second, with a WAV sound track) of one camera's colour images");
    struct Options {
        std::string folder;
        std::string camera = "left";
        int frames = 0;
        std::string wav = "wav.wav";
    };
    auto options = std::make_shared<Options>();
    sub->add_option("--folder", options->folder,
                    "Folder holding left_0000.bmp ... or right_0000.bmp ...; L.avi or P.avi is written there")
        ->required();
    sub->add_option("--camera", options->camera, "Camera whose images make the video: left (L.avi) or right (P.avi)")
        ->check(CLI::IsMember({"left", "right"}))
        ->capture_default_str();
    sub->add_option("--frames", options->frames,
                    "Number of images, from frame 0; the export stops after "
                        + std::to_string(kMaxMissingImagesInARow) + " missing images in a row")
        ->required()
        ->transform(DecimalInteger())
        ->check(CLI::NonNegativeNumber);
    sub->add_option("--wav", options->wav, "WAV file of the sound track")->capture_default_str();

    const auto run = [options]() -> int {
        const AviExportReport report =
            ExportStereoAvi(options->folder, options->camera == "right", options->frames, options->wav);
        for (const std::string& image : report.imagesLeftOut)
            std::cerr << "tavrik-cli: image left out: " << image << '\n';
        if (!report.stoppedEarly.empty())
            std::cerr << "tavrik-cli: " << report.stoppedEarly << '\n';
        if (!report.failure.empty())
            throw UserError(report.failure);
        if (!report.soundWritten)
            std::cerr << "tavrik-cli: no sound: " << report.soundProblem << '\n';
        std::cout << report.videoPath << ": " << report.framesWritten << " of " << options->frames
                  << " frames, " << (report.soundWritten ? "with sound" : "no sound") << '\n';
        // Images asked for and none found is a failed export, not an empty success.
        return options->frames > 0 && report.framesWritten == 0 ? exitFailure : exitOk;
    };
    return {sub, run};
}

} // namespace tavrik::cli
