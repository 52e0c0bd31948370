#include "score/EstimateFiles.h"

#include "base/FileIo.h"
#include "base/UserError.h"
#include "output/Png.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

namespace tavrik {

namespace {

constexpr std::size_t maxFileBytes = std::size_t{1} << 31;

std::vector<std::uint8_t> ReadInput(const std::string& path)
{
    return ReadWholeFile(path, maxFileBytes, path + ": larger than 2 GiB");
}

bool EndsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

void RefuseNaN(std::span<const float> values, int width, const std::string& path)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        if (std::isnan(values[i]))
            throw UserError(path + ": NaN at pixel (" + std::to_string(i % width) + ", "
                            + std::to_string(i / width) + ")");
}

PngImage ReadPng(const std::string& path, int channels, int bitDepth, const char* what)
{
    PngImage image = DecodePng(ReadInput(path), path);
    if (image.channels != channels || image.bitDepth != bitDepth)
        throw UserError(path + ": " + what + " must be a " + std::to_string(bitDepth) + "-bit "
                        + (channels == 1 ? "grey" : "RGB") + " PNG");
    return image;
}

} // namespace

FloatImage ReadDisparityFile(const std::string& path)
{
    FloatImage image;
    if (EndsWith(path, ".pfm")) {
        image = DecodePfm(ReadInput(path), path);
        RefuseNaN(image.values, image.width, path);
        for (float& value : image.values)
            if (!std::isfinite(value))
                value = std::numeric_limits<float>::infinity();
    } else if (EndsWith(path, ".png")) {
        const PngImage png = ReadPng(path, 1, 16, "a disparity PNG");
        image.width = png.width;
        image.height = png.height;
        image.values.reserve(png.samples.size());
        for (const std::uint16_t sample : png.samples)
            image.values.push_back(sample == 0 ? std::numeric_limits<float>::infinity()
                                               : static_cast<float>(sample / 256.0));
    } else {
        throw UserError(path + ": a disparity file must be .pfm or .png");
    }
    return image;
}

FlowField ReadFlowFile(const std::string& path)
{
    if (EndsWith(path, ".flo")) {
        FlowField flow = DecodeFlo(ReadInput(path), path);
        RefuseNaN(flow.u, flow.width, path);
        RefuseNaN(flow.v, flow.width, path);
        return flow;
    }
    if (EndsWith(path, ".png")) {
        const PngImage png = ReadPng(path, 3, 16, "a flow PNG");
        return FlowFromKittiSamples(png.samples, png.width, png.height);
    }
    throw UserError(path + ": a flow file must be .flo or .png");
}

std::vector<std::uint8_t> ReadOcclusionFile(const std::string& path, int width, int height)
{
    const PngImage png = ReadPng(path, 1, 8, "an occlusion mask");
    if (png.width != width || png.height != height)
        throw UserError(path + ": " + std::to_string(png.width) + "x" + std::to_string(png.height)
                        + " pixels, the truth has " + std::to_string(width) + "x" + std::to_string(height));
    return {png.samples.begin(), png.samples.end()};
}

std::vector<std::optional<CameraPose>> ParseTrajectory(std::string_view text, const std::string& fileName)
{
    std::vector<std::optional<CameraPose>> poses;
    std::istringstream lines{std::string(text)};
    std::string line;
    int lineNumber = 0;
    int nextRow = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const auto fail = [&](const std::string& why) {
            return UserError(fileName + ": line " + std::to_string(lineNumber) + ": " + why);
        };
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::vector<double> numbers;
        std::istringstream words(line);
        std::string word;
        std::string stampText;
        while (words >> word) {
            if (stampText.empty())
                stampText = word;
            double value = 0.0;
            const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
            if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value))
                throw fail("'" + word + "' is not a finite number");
            numbers.push_back(value);
        }
        CameraPose pose{};
        std::size_t frame = 0;
        if (numbers.size() == 12) {
            std::copy(numbers.begin(), numbers.end(), pose.begin());
            frame = static_cast<std::size_t>(nextRow++);
        } else if (numbers.size() == 8) {
            const double stamp = numbers[0];
            if (stamp < 0.0 || stamp > 1e7 || std::fabs(stamp - std::round(stamp)) > 1e-6)
                throw fail("the time stamp " + stampText + " is not a frame index");
            frame = static_cast<std::size_t>(std::llround(stamp));
            const double qx = numbers[4], qy = numbers[5], qz = numbers[6], qw = numbers[7];
            const double norm = std::sqrt(qx * qx + qy * qy + qz * qz + qw * qw);
            if (norm < 1e-9)
                throw fail("the quaternion is 0");
            const double x = qx / norm, y = qy / norm, z = qz / norm, w = qw / norm;
            pose = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z),     2 * (x * z + w * y),     numbers[1],
                    2 * (x * y + w * z),     1 - 2 * (x * x + z * z), 2 * (y * z - w * x),     numbers[2],
                    2 * (x * z - w * y),     2 * (y * z + w * x),     1 - 2 * (x * x + y * y), numbers[3]};
        } else {
            throw fail(std::to_string(numbers.size())
                       + " numbers; a pose line has 12 (3 × 4 [R | t]) or 8 (stamp tx ty tz qx qy qz qw)");
        }
        if (poses.size() <= frame)
            poses.resize(frame + 1);
        if (poses[frame])
            throw fail("frame " + std::to_string(frame) + " is given twice");
        poses[frame] = pose;
    }
    return poses;
}

std::string FramePatternName(std::string_view pattern, int frameIndex)
{
    std::string name;
    std::size_t at = 0;
    while (at < pattern.size()) {
        const std::size_t open = pattern.find('{', at);
        if (open == std::string_view::npos) {
            name += pattern.substr(at);
            break;
        }
        name += pattern.substr(at, open - at);
        const std::size_t close = pattern.find('}', open);
        const std::string_view field = pattern.substr(open, close == std::string_view::npos ? close : close - open + 1);
        std::string digits = std::to_string(frameIndex);
        std::size_t width = 0;
        if (field.size() == 11 && field.starts_with("{frame:0") && field.ends_with("d}")
            && field[8] >= '1' && field[8] <= '9')
            width = static_cast<std::size_t>(field[8] - '0');
        else if (field != "{frame}")
            throw UserError("--pattern '" + std::string(pattern)
                            + "': use {frame} or {frame:0Nd} (N from 1 to 9) for the frame index");
        if (digits.size() < width)
            digits.insert(0, width - digits.size(), '0');
        name += digits;
        at = open + field.size();
    }
    return name;
}

} // namespace tavrik
