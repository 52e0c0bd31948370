#include "render/FormatWriter.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "output/FrameFiles.h"
#include "output/FrameWriter.h"
#include "output/GroundTruth.h"
#include "output/Pfm.h"
#include "output/Png.h"
#include "render/Manifest.h"
#include "render/Reprojection.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace tavrik {

void RequireFinitePose(std::span<const double> matrix, int frameIndex)
{
    if (!std::ranges::all_of(matrix, [](double v) { return std::isfinite(v); }))
        throw UserError("Frame " + std::to_string(frameIndex) + ": the camera's pose is not finite (the EGO "
                        "motions up to this frame are too large): the run ends before its files");
}

namespace {

// Moves the buffers a frame needs only until its PNGs are made.
void MovePngScratch(FormatWriter::FrameBuffers& from, FormatWriter::FrameBuffers& to)
{
    to.depthMaps.kittiPng = std::move(from.depthMaps.kittiPng);
    to.occlusionMask = std::move(from.occlusionMask);
    to.forward.kittiPng = std::move(from.forward.kittiPng);
    to.backward.kittiPng = std::move(from.backward.kittiPng);
}

} // namespace

void FormatWriter::Start(const GenerationSettings& settings, const StereoCalibration& calibration, bool rightCamera,
                         int depthBits, std::vector<std::string> sceneLines)
{
    run_.reset();
    // The folder's manifest and calibration would describe the files of the
    // earlier run while this one replaces them: they go before any file of
    // this run is written, the manifest first, and come back only when the
    // run is complete. The manifest is kept in memory to be joined.
    const std::string folder = sequenceFolder(settings.outputFolder, settings.sequenceNumber);
    std::string previous;
    const std::string manifestPath = folder + manifestName;
    if (settings.formats.beyondClassic() && std::filesystem::is_regular_file(manifestPath)) {
        constexpr std::size_t maxManifestBytes = std::size_t{16} << 20;
        const auto bytes = ReadWholeFile(manifestPath, maxManifestBytes, "Cannot open file " + manifestPath);
        previous.assign(bytes.begin(), bytes.end());
    }
    for (const char* name : runFileNames)
        RemoveFileIfPresent(folder + name);
    if (!settings.formats.beyondClassic())
        return;
    Run run;
    run.previousManifest = std::move(previous);
    run.settings = settings;
    run.settings.rightCamera = rightCamera;
    run.calibration = calibration;
    run.depthTolerance = DepthTolerance(depthBits);
    run.sceneLines = std::move(sceneLines);
    run.folder = folder;
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

FormatWriter::PendingFrame FormatWriter::MakeFrame(int frameIndex, std::span<const float> depth,
                                                  std::vector<float> otherDepth, const FrameCameras& cameras)
{
    PendingFrame pending;
    if (!run_)
        return pending;
    Run& run = *run_;
    RequireFinitePose(RelativePose(run.motions.empty() ? cameras.motion : run.motions.front(), cameras.motion),
                      frameIndex);
    pending.frameIndex = frameIndex;
    pending.camera = cameras.camera;
    pending.motion = cameras.motion;
    const OutputFormats formats = run.settings.formats;
    const int w = run.calibration.width;
    const int h = run.calibration.height;
    const double baseline = run.settings.baseline;
    const double focal = run.settings.focalLength;
    const double tolerance = run.depthTolerance;

    // Each group of files is made on a thread of its own and its PNG
    // deflated there, so that the groups share the cores; the files are
    // still written one after another, in order.
    pending.buffers = run.spare ? std::move(run.spare) : std::make_unique<FrameBuffers>();
    MovePngScratch(run.scratch, *pending.buffers);
    FrameBuffers* const buffers = pending.buffers.get();
    const DepthMapsWanted maps{formats.has(OutputFormat::pfm), formats.has(OutputFormat::depth),
                               formats.has(OutputFormat::kitti)};
    if (maps.disparity || maps.distance || maps.kitti)
        pending.depthMaps = RunAsync([buffers, depth, w, h, baseline, focal, maps] {
            MakeDepthMapFiles(depth, w, h, baseline, focal, maps, buffers->depthMaps);
            return maps.kitti ? EncodePngBigEndian16(buffers->depthMaps.kittiPng, w, h, 1) : std::vector<std::uint8_t>{};
        });
    if (formats.has(OutputFormat::occlusion)) {
        run.otherDepth = std::move(otherDepth);
        pending.occlusion = RunAsync([&run, buffers, depth, cameras, w, h, tolerance] {
            MakeOcclusionMask({cameras.camera, depth}, {cameras.otherCamera, run.otherDepth}, w, h, tolerance,
                              buffers->occlusionMask);
            return EncodePng(buffers->occlusionMask, w, h, 1);
        });
    }
    const bool flow = formats.has(OutputFormat::flow);
    const bool dispchange = formats.has(OutputFormat::dispchange);
    if (run.previousIndex >= 0 && (flow || dispchange)) {
        const DepthView previous{run.previousCamera, run.previousDepth};
        const DepthView current{cameras.camera, depth};
        const auto change = dispchange ? std::optional(DisparityChangeOptics{baseline, focal}) : std::nullopt;
        pending.forward = RunAsync([buffers, previous, current, w, h, tolerance, change, flow] {
            MakeFlowFiles(previous, current, w, h, tolerance, change, buffers->forward);
            return flow ? EncodePngBigEndian16(buffers->forward.kittiPng, w, h, 3) : std::vector<std::uint8_t>{};
        });
        if (flow)
            pending.backward = RunAsync([buffers, previous, current, w, h, tolerance] {
                MakeFlowFiles(current, previous, w, h, tolerance, std::nullopt, buffers->backward);
                return EncodePngBigEndian16(buffers->backward.kittiPng, w, h, 3);
            });
    }
    return pending;
}

void FormatWriter::WriteFrame(PendingFrame pending, std::vector<float> depth)
{
    if (!run_)
        return;
    FinishWrites();
    Run& run = *run_;
    const int frameIndex = pending.frameIndex;
    const OutputFormats formats = run.settings.formats;
    // The folder may not exist yet when the five files per frame are not written.
    std::error_code ignored;
    std::filesystem::create_directory(run.folder, ignored);

    if (formats.has(OutputFormat::classic)) {
        const FrameFiles classic = FrameFileNames("", frameIndex, run.settings.rightCamera);
        for (const std::string* name :
             {&classic.colour, &classic.fineDisparity, &classic.wholeDisparity, &classic.disparityText, &classic.segmentation})
            run.files.push_back(*name);
    }
    // The frame's files in the order they are written: spans into the
    // frame's buffers and into the PNGs, which the writing owns (a PNG's
    // bytes stay where they are as `pngs` grows).
    std::vector<std::pair<std::string, std::span<const std::uint8_t>>> files;
    std::vector<std::vector<std::uint8_t>> pngs;
    const auto add = [&](std::string name, std::span<const std::uint8_t> bytes) {
        run.files.push_back(name);
        files.emplace_back(run.folder + name, bytes);
    };
    const auto addPng = [&](std::string name, std::vector<std::uint8_t> png) {
        pngs.push_back(std::move(png));
        add(std::move(name), pngs.back());
    };
    const FrameBuffers& buffers = *pending.buffers;
    try {
        if (pending.depthMaps.valid()) {
            std::vector<std::uint8_t> kittiPng = pending.depthMaps.get();
            if (formats.has(OutputFormat::pfm))
                add(FrameName("disp", frameIndex, ".pfm"), buffers.depthMaps.disparityPfm);
            if (formats.has(OutputFormat::kitti))
                addPng(FrameName("disp", frameIndex, ".png"), std::move(kittiPng));
            if (formats.has(OutputFormat::depth))
                add(FrameName("depth", frameIndex, ".pfm"), buffers.depthMaps.distancePfm);
        }
        if (pending.occlusion.valid())
            addPng(FrameName("occ", frameIndex, ".png"), pending.occlusion.get());
        if (pending.forward.valid()) {
            std::vector<std::uint8_t> flowPng = pending.forward.get();
            if (formats.has(OutputFormat::dispchange))
                add(FrameName("dispchange", run.previousIndex, ".pfm"), buffers.forward.disparityChangePfm);
            if (formats.has(OutputFormat::flow)) {
                add(FrameName("flow", run.previousIndex, ".flo"), buffers.forward.flo);
                addPng(FrameName("flow", run.previousIndex, ".png"), std::move(flowPng));
                std::vector<std::uint8_t> backPng = pending.backward.get();
                add(FrameName("flowback", frameIndex, ".flo"), buffers.backward.flo);
                addPng(FrameName("flowback", frameIndex, ".png"), std::move(backPng));
            }
        }
    } catch (...) {
        // The work still running reads the frame's depth: it ends first.
        for (auto* work : {&pending.depthMaps, &pending.occlusion, &pending.forward, &pending.backward})
            if (work->valid())
                work->wait();
        throw;
    }
    MovePngScratch(*pending.buffers, run.scratch);
    run.writingIndex = frameIndex;
    run.writing = RunAsync([files = std::move(files), pngs = std::move(pngs),
                            buffers = std::move(pending.buffers)]() mutable {
        for (const auto& [path, bytes] : files)
            WriteWholeFile(path, bytes);
        return std::move(buffers);
    });
    if (formats.has(OutputFormat::flow) || formats.has(OutputFormat::dispchange)) {
        run.previousIndex = frameIndex;
        run.previousDepth = std::move(depth);
        run.previousCamera = pending.camera;
    }
    run.motions.push_back(pending.motion);
}

void FormatWriter::FinishWrites()
{
    if (!run_ || !run_->writing.valid())
        return;
    try {
        run_->spare = run_->writing.get();
    } catch (const UserError& error) {
        throw FrameFilesError(error.what(), run_->writingIndex);
    }
}

std::string FormatWriter::Finish()
{
    // A run without frames writes nothing, as it writes no frame files.
    if (!run_ || run_->motions.empty()) {
        run_.reset();
        return {};
    }
    FinishWrites();
    Run& run = *run_;
    // The last frame has no flow and no disparity change: one left by an
    // earlier, longer run would pass for this run's.
    if (run.settings.formats.has(OutputFormat::flow))
        for (const char* extension : {".flo", ".png"})
            RemoveFileIfPresent(run.folder + FrameName("flow", run.previousIndex, extension));
    if (run.settings.formats.has(OutputFormat::dispchange))
        RemoveFileIfPresent(run.folder + FrameName("dispchange", run.previousIndex, ".pfm"));
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

    run.files.push_back(manifestName);
    const RunRecord record{run.settings.rightCamera, static_cast<int>(run.motions.size()), run.files};
    ManifestFile manifest = ManifestText(run.settings, run.calibration, record, scene, run.previousManifest);
    WriteWholeFile(run.folder + manifestName, manifest.text);
    run_.reset();
    return manifest.warning;
}

} // namespace tavrik
