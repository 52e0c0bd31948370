#include "render/FormatWriter.h"

#include "base/FileIo.h"
#include "output/FrameFiles.h"
#include "output/GroundTruth.h"
#include "output/Pfm.h"
#include "output/Png.h"
#include "render/Manifest.h"
#include "render/Reprojection.h"

#include <filesystem>
#include <system_error>

namespace tavrik {

void FormatWriter::Start(const GenerationSettings& settings, const StereoCalibration& calibration, bool rightCamera,
                         int depthBits, std::vector<std::string> sceneLines)
{
    run_.reset();
    if (!settings.formats.beyondClassic())
        return;
    Run run;
    run.settings = settings;
    run.settings.rightCamera = rightCamera;
    run.calibration = calibration;
    run.depthTolerance = DepthTolerance(depthBits);
    run.sceneLines = std::move(sceneLines);
    run.folder = sequenceFolder(settings.outputFolder, settings.sequenceNumber);
    run_ = std::move(run);
}

bool FormatWriter::needsOtherDepth() const
{
    return run_ && run_->settings.formats.has(OutputFormat::occlusion);
}

std::string FormatWriter::FrameName(const char* stem, int frameIndex, const char* extension) const
{
    return (run_->settings.rightCamera ? "" : "l") + std::string(stem) + "_" + frameTag(frameIndex) + extension;
}

void FormatWriter::Write(const std::string& name, std::span<const std::uint8_t> bytes)
{
    WriteWholeFile(run_->folder + name, bytes);
    run_->files.push_back(name);
}

void FormatWriter::Write(const std::string& name, std::string_view text)
{
    WriteWholeFile(run_->folder + name, text);
    run_->files.push_back(name);
}

void FormatWriter::AddFrame(int frameIndex, std::vector<float> depth, const std::vector<float>& otherDepth,
                            const FrameCameras& cameras)
{
    if (!run_)
        return;
    Run& run = *run_;
    const OutputFormats formats = run.settings.formats;
    const int w = run.calibration.width;
    const int h = run.calibration.height;
    const double baseline = run.settings.baseline;
    const double focal = run.settings.focalLength;
    // The folder may not exist yet when the five files per frame are not written.
    std::error_code ignored;
    std::filesystem::create_directory(run.folder, ignored);

    if (formats.has(OutputFormat::classic)) {
        const FrameFiles classic = FrameFileNames("", frameIndex, run.settings.rightCamera);
        for (const std::string* name :
             {&classic.colour, &classic.fineDisparity, &classic.wholeDisparity, &classic.disparityText, &classic.segmentation})
            run.files.push_back(*name);
    }
    if (formats.has(OutputFormat::pfm))
        Write(FrameName("disp", frameIndex, ".pfm"), EncodePfm(DisparityImage(depth, w, h, baseline, focal), w, h));
    if (formats.has(OutputFormat::kitti))
        Write(FrameName("disp", frameIndex, ".png"), EncodePng(KittiDisparity(depth, w, h, baseline, focal), w, h, 1));
    if (formats.has(OutputFormat::depth))
        Write(FrameName("depth", frameIndex, ".pfm"), EncodePfm(DistanceImage(depth, w, h), w, h));
    if (formats.has(OutputFormat::occlusion)) {
        const auto mask = OcclusionMask({cameras.camera, depth}, {cameras.otherCamera, otherDepth}, w, h,
                                        run.depthTolerance);
        Write(FrameName("occ", frameIndex, ".png"), EncodePng(mask, w, h, 1));
    }
    const bool flow = formats.has(OutputFormat::flow);
    const bool dispchange = formats.has(OutputFormat::dispchange);
    if (run.previousIndex >= 0 && (flow || dispchange)) {
        const DepthView previous{run.previousCamera, run.previousDepth};
        const DepthView current{cameras.camera, depth};
        Reprojection forward = Reproject(previous, current, w, h, run.depthTolerance);
        if (dispchange)
            Write(FrameName("dispchange", run.previousIndex, ".pfm"),
                  EncodePfm(DisparityChange(forward, run.previousDepth, w, h, baseline, focal), w, h));
        if (flow) {
            const auto writeFlow = [&](const char* stem, int index, const FlowField& field) {
                Write(FrameName(stem, index, ".flo"), EncodeFlo(field));
                Write(FrameName(stem, index, ".png"), EncodePng(KittiFlowSamples(field), w, h, 3));
            };
            writeFlow("flow", run.previousIndex, OpticalFlow(std::move(forward), w, h));
            writeFlow("flowback", frameIndex,
                      OpticalFlow(Reproject(current, previous, w, h, run.depthTolerance), w, h));
        }
    }
    if (flow || dispchange) {
        run.previousIndex = frameIndex;
        run.previousDepth = std::move(depth);
        run.previousCamera = cameras.camera;
    }
    run.motions.push_back(cameras.motion);
}

void FormatWriter::Finish()
{
    // A run without frames writes nothing, as it writes no frame files.
    if (!run_ || run_->motions.empty()) {
        run_.reset();
        return;
    }
    Run& run = *run_;
    if (run.settings.formats.has(OutputFormat::poses)) {
        std::vector<CameraPose> poses;
        for (const Mat4& motion : run.motions)
            poses.push_back(RelativePose(run.motions.front(), motion));
        Write("poses.txt", KittiPosesText(poses));
        Write("poses_tum.txt", TumPosesText(poses));
    }
    Write("calib.txt", MiddleburyCalibText(run.calibration));
    Write("calib_kitti.txt", KittiCalibText(run.calibration));
    std::string scene;
    for (const std::string& line : run.sceneLines)
        scene += line + "\n";
    Write("scene.txt", scene);

    const std::string manifestPath = run.folder + "tavrik.json";
    std::string previous;
    if (std::filesystem::exists(manifestPath)) {
        constexpr std::size_t maxManifestBytes = std::size_t{256} << 20;
        const auto bytes = ReadWholeFile(manifestPath, maxManifestBytes, "Cannot open file " + manifestPath);
        previous.assign(bytes.begin(), bytes.end());
    }
    run.files.push_back("tavrik.json");
    const RunRecord record{run.settings.rightCamera, static_cast<int>(run.motions.size()), run.files};
    WriteWholeFile(manifestPath, ManifestText(run.settings, run.calibration, record, previous));
    run_.reset();
}

} // namespace tavrik
