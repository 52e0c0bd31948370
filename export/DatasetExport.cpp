#include "export/DatasetExport.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "output/Bmp.h"
#include "output/Flow.h"
#include "output/FrameFiles.h"
#include "output/Pfm.h"
#include "output/Png.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tavrik {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t maxInputBytes = std::size_t{1} << 30;

// File name parts of each source: left stem, right stem, extension, and
// the --formats name that writes it (none for the calibration, which every
// run with a manifest writes).
struct SourceFile {
    const char* left;
    const char* right;
    const char* extension;
    const char* format;
};

SourceFile SourceFileOf(ExportSource source)
{
    switch (source) {
    case ExportSource::image: return {"left_", "right_", ".bmp", "spec"};
    case ExportSource::disparity: return {"ldisp_", "disp_", ".pfm", "pfm"};
    case ExportSource::kittiDisparity: return {"ldisp_", "disp_", ".png", "kitti"};
    case ExportSource::occlusion: return {"locc_", "occ_", ".png", "occlusion"};
    case ExportSource::flow: return {"lflow_", "flow_", ".flo", "flow"};
    case ExportSource::flowPng: return {"lflow_", "flow_", ".png", "flow"};
    case ExportSource::flowBack: return {"lflowback_", "flowback_", ".flo", "flow"};
    case ExportSource::disparityChange: return {"ldispchange_", "dispchange_", ".pfm", "dispchange"};
    case ExportSource::calibration: return {"calib", "calib", ".txt", nullptr};
    }
    TAVRIK_CHECK(false);
    return {};
}

std::string SourcePath(const fs::path& folder, ExportSource source, bool rightCamera, int frame)
{
    const SourceFile file = SourceFileOf(source);
    if (source == ExportSource::calibration)
        return (folder / "calib.txt").string();
    return (folder / (std::string(rightCamera ? file.right : file.left) + frameTag(frame) + file.extension)).string();
}

std::vector<std::uint8_t> ReadInput(const std::string& path)
{
    return ReadWholeFile(path, maxInputBytes, "Cannot open file " + path + ": larger than 1 GiB");
}

// One exported sequence: its folder and what its manifest says.
struct SequenceInput {
    fs::path folder;
    int frames = 0;
    std::vector<std::string> formats;
    std::vector<std::string> cameras;
    int width = 0;
    int height = 0;
};

SequenceInput ReadSequence(const fs::path& folder)
{
    const std::string path = (folder / "tavrik.json").string();
    const auto bytes = ReadInput(path);
    const auto manifest = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!manifest.is_object() || !manifest.contains("frames") || !manifest["frames"].is_number_integer()
        || !manifest.contains("formats") || !manifest["formats"].is_array() || !manifest.contains("cameras")
        || !manifest["cameras"].is_object() || !manifest.contains("calibration")
        || !manifest["calibration"].is_object() || !manifest["calibration"].value("width", nlohmann::json()).is_number_integer()
        || !manifest["calibration"].value("height", nlohmann::json()).is_number_integer())
        throw UserError(path + ": not a Tavrik manifest");
    SequenceInput sequence{folder, manifest["frames"].get<int>(), {}, {}, manifest["calibration"]["width"].get<int>(),
                           manifest["calibration"]["height"].get<int>()};
    for (const auto& format : manifest["formats"])
        if (format.is_string())
            sequence.formats.push_back(format.get<std::string>());
    for (const auto& [camera, entry] : manifest["cameras"].items())
        sequence.cameras.push_back(camera);
    return sequence;
}

std::vector<SequenceInput> FindSequences(const std::string& source)
{
    std::vector<fs::path> folders;
    std::error_code error;
    if (fs::exists(fs::path(source) / "tavrik.json", error)) {
        folders.emplace_back(source);
    } else if (fs::is_directory(source, error)) {
        for (auto it = fs::recursive_directory_iterator(source, error); !error && it != fs::recursive_directory_iterator();
             it.increment(error))
            if (it->path().filename() == "tavrik.json")
                folders.push_back(it->path().parent_path());
    }
    if (folders.empty())
        throw UserError("No sequence folder (tavrik.json) in " + source);
    std::ranges::sort(folders);
    std::vector<SequenceInput> sequences;
    for (const fs::path& folder : folders)
        sequences.push_back(ReadSequence(folder));
    return sequences;
}

// Refuses a sequence that lacks a camera or a format the layout reads.
void CheckInputs(const SequenceInput& sequence, const ExportLayout& layout)
{
    const auto has = [](const std::vector<std::string>& list, const std::string& item) {
        return std::ranges::find(list, item) != list.end();
    };
    for (const ExportFile& file : layout.files) {
        std::vector<ExportSource> sources{file.source};
        if (ReadsOcclusionMask(file.encoding))
            sources.push_back(ExportSource::occlusion);
        const std::string prefix = sequence.folder.string() + ": the " + layout.name + " layout needs ";
        if (!has(sequence.cameras, file.rightCamera ? "right" : "left"))
            throw UserError(prefix + "the " + (file.rightCamera ? "right" : "left")
                            + " camera: render with --camera both");
        for (const ExportSource source : sources) {
            const SourceFile needed = SourceFileOf(source);
            if (needed.format && !has(sequence.formats, needed.format))
                throw UserError(prefix + (file.rightCamera ? needed.right : needed.left) + "TTTT" + needed.extension
                                + ": render with --formats " + needed.format);
        }
    }
}

std::vector<int> FramesOf(const SequenceInput& sequence, ExportFrames frames)
{
    std::vector<int> list;
    for (int t = 0; t < sequence.frames - (frames == ExportFrames::withNext ? 1 : 0); ++t)
        list.push_back(t);
    return list;
}

std::string Digits(int value, int width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return text;
}

// `samples` is the number of samples of the file, so that each spread
// folder holds a run of consecutive samples, in the order loaders read them.
std::string Expand(std::string pattern, const ExportLayout& layout, int sequence, int frame, int sample, int samples)
{
    const auto replace = [&pattern](std::string_view field, const std::string& value) {
        for (auto at = pattern.find(field); at != std::string::npos; at = pattern.find(field))
            pattern.replace(at, field.size(), value);
    };
    replace("{seq}", Digits(sequence, 4));
    replace("{frame}", Digits(frame, 4));
    replace("{sample}", Digits(sample, 6));
    if (!layout.spread.empty())
        replace("{spread}", layout.spread[static_cast<std::size_t>(sample) * layout.spread.size()
                                          / static_cast<std::size_t>(samples)]);
    return pattern;
}

std::vector<std::uint8_t> EncodePpm(const RgbImage& image)
{
    const std::string header = "P6\n" + std::to_string(image.width()) + " " + std::to_string(image.height()) + "\n255\n";
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), image.bytes().begin(), image.bytes().end());
    return bytes;
}

// The 8-bit grey file of `predicate` over every pixel: 255 where it holds.
template <typename Predicate>
std::vector<std::uint8_t> MaskPng(int width, int height, Predicate predicate)
{
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < mask.size(); ++i)
        mask[i] = predicate(i) ? 255 : 0;
    return EncodePng(mask, width, height, 1);
}

// Whether the point at pixel i (disparity `d`, flagged 128 by the occlusion
// mask) lands left of the right camera's view: x − D < −0.5.
bool OutOfFrame(std::size_t i, int width, float d, std::uint16_t occlusion)
{
    return occlusion == 128 && static_cast<double>(i % static_cast<std::size_t>(width)) - d < -0.5;
}

// The files one exported file of a frame is made from.
struct FrameInput {
    std::string path;          // of the file's source
    std::string occlusionPath; // of the frame's occlusion mask, same camera
    int width = 0;
    int height = 0;
};

std::vector<std::uint8_t> Encode(const ExportFile& file, const FrameInput& input)
{
    const std::string& path = input.path;
    const std::string& occlusionPath = input.occlusionPath;
    const auto occlusion = [&] { return DecodePng(ReadInput(occlusionPath), occlusionPath); };
    const auto disparity = [&] { return DecodePfm(ReadInput(path), path); };
    switch (file.encoding) {
    case ExportEncoding::png: {
        const RgbImage image = ReadBmpFile(path);
        return EncodePng(image.bytes(), image.width(), image.height(), 3);
    }
    case ExportEncoding::ppm: return EncodePpm(ReadBmpFile(path));
    case ExportEncoding::disparity16: {
        const FloatImage d = disparity();
        std::vector<std::uint16_t> samples(d.values.size(), 0);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double step = std::round(static_cast<double>(d.values[i]) * file.scale);
            if (std::isfinite(d.values[i]) && step > 0.0 && step <= 65535.0)
                samples[i] = static_cast<std::uint16_t>(step);
        }
        return EncodePng(samples, d.width, d.height, 1);
    }
    case ExportEncoding::kittiNonOccluded: {
        PngImage kitti = DecodePng(ReadInput(path), path);
        const PngImage mask = occlusion();
        for (std::size_t i = 0; i < kitti.samples.size(); ++i)
            if (mask.samples[i] != 255)
                kitti.samples[i] = 0;
        return EncodePng(kitti.samples, kitti.width, kitti.height, 1);
    }
    case ExportEncoding::nonOccludedMask: {
        const PngImage mask = occlusion();
        return MaskPng(mask.width, mask.height, [&](std::size_t i) { return mask.samples[i] == 255; });
    }
    case ExportEncoding::sintelDisparity: {
        const FloatImage d = disparity();
        std::vector<std::uint8_t> rgb(d.values.size() * 3, 0);
        for (std::size_t i = 0; i < d.values.size(); ++i) {
            const double value = d.values[i];
            if (!(value > 0.0 && value < 1024.0))
                continue;
            rgb[3 * i] = static_cast<std::uint8_t>(std::floor(value / 4.0));
            rgb[3 * i + 1] = static_cast<std::uint8_t>(std::fmod(std::floor(value * 64.0), 256.0));
            rgb[3 * i + 2] = static_cast<std::uint8_t>(std::fmod(std::floor(value * 16384.0), 256.0));
        }
        return EncodePng(rgb, d.width, d.height, 3);
    }
    case ExportEncoding::sintelOutOfFrame:
    case ExportEncoding::sintelOccluded: {
        const FloatImage d = disparity();
        const PngImage mask = occlusion();
        const bool outOfFrame = file.encoding == ExportEncoding::sintelOutOfFrame;
        return MaskPng(d.width, d.height, [&](std::size_t i) {
            const bool out = OutOfFrame(i, d.width, d.values[i], mask.samples[i]);
            return outOfFrame ? out : mask.samples[i] != 255 && !out;
        });
    }
    case ExportEncoding::flowPfm: {
        // Missing only before the first frame or after the last: the stand-in.
        if (!fs::exists(path)) {
            const std::size_t count = static_cast<std::size_t>(input.width) * input.height;
            return EncodeFlowPfm({input.width, input.height, std::vector<float>(count), std::vector<float>(count),
                                  std::vector<std::uint8_t>(count, 0)});
        }
        return EncodeFlowPfm(DecodeFlo(ReadInput(path), path));
    }
    case ExportEncoding::link: break;
    }
    TAVRIK_CHECK(false);
    return {};
}

// Makes `target` hold the bytes of `source`: a hard link, or a copy where
// none can be made (another file system). Returns whether it is a link.
bool LinkOrCopy(const std::string& source, const fs::path& target)
{
    std::error_code error;
    fs::remove(target, error);
    fs::create_hard_link(source, target, error);
    if (!error)
        return true;
    WriteWholeFile(target.string(), ReadInput(source));
    return false;
}

} // namespace

ExportReport ExportDataset(const std::string& source, const ExportLayout& layout, const std::string& outFolder)
{
    const std::vector<SequenceInput> sequences = FindSequences(source);
    for (const SequenceInput& sequence : sequences)
        CheckInputs(sequence, layout);

    ExportReport report;
    report.sequences = static_cast<int>(sequences.size());
    for (const ExportFile& file : layout.files) {
        int samples = 0;
        for (const SequenceInput& sequence : sequences)
            samples += static_cast<int>(FramesOf(sequence, file.frames).size());
        int sample = 0;
        for (std::size_t s = 0; s < sequences.size(); ++s) {
            for (const int t : FramesOf(sequences[s], file.frames)) {
                const int frame = t + file.frameOffset;
                const fs::path target =
                    fs::path(outFolder) / Expand(file.pattern, layout, static_cast<int>(s), frame, sample++, samples);
                std::error_code ignored;
                fs::create_directories(target.parent_path(), ignored);
                const std::string path = SourcePath(sequences[s].folder, file.source, file.rightCamera, frame);
                if (file.encoding == ExportEncoding::link) {
                    ++(LinkOrCopy(path, target) ? report.linked : report.copied);
                    continue;
                }
                const FrameInput input{
                    path, SourcePath(sequences[s].folder, ExportSource::occlusion, file.rightCamera, frame),
                    sequences[s].width, sequences[s].height};
                // Never written through a link an earlier export left there.
                fs::remove(target, ignored);
                WriteWholeFile(target.string(), Encode(file, input));
                ++report.converted;
            }
        }
        if (&file == &layout.files.front())
            report.samples = samples;
    }
    if (layout.splitFile) {
        std::string lines;
        for (int i = 0; i < report.samples; ++i)
            lines += "1\n";
        WriteWholeFile((fs::path(outFolder) / layout.splitFile).string(), lines);
    }
    return report;
}

} // namespace tavrik
