#include "render/Manifest.h"

#include "base/Checksum.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace tavrik {

namespace {

// Texts from the user (paths) go into the JSON as these stand-ins, which no
// other text of the manifest can equal, and are replaced by their own
// literals after the dump: the library refuses bytes that are not UTF-8.
constexpr const char* userTexts[] = {"@outputFolder@", "@texturesFolder@"};

nlohmann::ordered_json SettingsJson(const GenerationSettings& s)
{
    return {{"viewWidth", s.viewWidth},
            {"viewHeight", s.viewHeight},
            {"outputFolder", userTexts[0]},
            {"sequenceNumber", s.sequenceNumber},
            {"background", {s.backgroundRed, s.backgroundGreen, s.backgroundBlue}},
            {"paletteSegmentation", s.paletteSegmentation},
            {"antiAliasing", s.antiAliasing},
            {"subpixelDisparity", s.subpixelDisparity},
            {"baseline", s.baseline},
            {"focalLength", s.focalLength},
            {"texturesFolder", userTexts[1]},
            {"seed", s.planeColourSeed}};
}

nlohmann::ordered_json CalibrationJson(const StereoCalibration& c)
{
    return {{"fx", c.fx}, {"fy", c.fy}, {"cx", c.cx}, {"cy", c.cy}, {"baseline", c.baseline},
            {"width", c.width}, {"height", c.height}, {"ndisp", c.ndisp}};
}

// The length of the valid UTF-8 sequence at the start of `s` (no overlong
// forms, no surrogates, nothing above U+10FFFF), or 0.
std::size_t Utf8SequenceLength(std::string_view s)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

// The part of `manifest` before its "cameras" entry, and that entry's text.
std::pair<std::string_view, std::string_view> SplitAtCameras(std::string_view manifest)
{
    constexpr std::string_view key = ",\n  \"cameras\": ";
    const std::size_t at = manifest.rfind(key);
    const std::size_t end = manifest.rfind('}');
    if (at == std::string_view::npos || end == std::string_view::npos || end < at + key.size())
        return {};
    // The entry ends before the closing brace of the whole.
    return {manifest.substr(0, at), manifest.substr(at + key.size(), end - at - key.size())};
}

} // namespace

std::string JsonStringLiteral(std::string_view bytes)
{
    std::string literal = "\"";
    while (!bytes.empty()) {
        const unsigned char c = static_cast<unsigned char>(bytes.front());
        const std::size_t length = Utf8SequenceLength(bytes);
        char escape[8];
        if (c == '"' || c == '\\') {
            literal += '\\';
            literal += static_cast<char>(c);
        } else if (c < 0x20 || length == 0) {
            std::snprintf(escape, sizeof escape, "\\u%04x", length == 0 ? 0xDC00 + c : c);
            literal += escape;
        } else {
            literal.append(bytes.substr(0, length));
        }
        bytes.remove_prefix(length == 0 ? 1 : length);
    }
    return literal + "\"";
}

ManifestFile ManifestText(const GenerationSettings& settings, const StereoCalibration& calibration,
                          const RunRecord& run, std::string_view sceneText, std::string_view previous)
{
    nlohmann::ordered_json manifest = {
        {"program", "tavrik"},
        {"version", TAVRIK_VERSION},
        {"settings", SettingsJson(settings)},
        {"seed", settings.planeColourSeed},
        {"formats", settings.formats.names()},
        {"calibration", CalibrationJson(calibration)},
        {"frames", run.frames},
        {"scene", "scene.txt"},
        {"sceneFnv1a64", Fnv1a64Text(sceneText)},
    };
    const char* camera = run.rightCamera ? "right" : "left";
    const char* otherCamera = run.rightCamera ? "left" : "right";
    const std::string* userValues[] = {&settings.outputFolder, &settings.texturesFolder};
    const auto dump = [&] {
        std::string text = manifest.dump(2) + "\n";
        for (std::size_t i = 0; i < std::size(userTexts); ++i) {
            const std::string standIn = std::string("\"") + userTexts[i] + "\"";
            text.replace(text.find(standIn), standIn.size(), JsonStringLiteral(*userValues[i]));
        }
        return text;
    };
    const nlohmann::ordered_json entry = {{"files", run.files}};
    manifest["cameras"] = {{camera, entry}};
    ManifestFile file{dump(), {}};

    // Compared as text, which the paths' escapes leave comparable; the
    // cameras' entries hold file names only, which the library reads.
    const auto [head, cameras] = SplitAtCameras(file.text);
    const auto [oldHead, oldCameras] = SplitAtCameras(previous);
    const auto old = nlohmann::ordered_json::parse(oldCameras, nullptr, /*allow_exceptions=*/false);
    if (!old.is_object() || !old.contains(otherCamera))
        return file;
    if (oldHead != head) {
        file.warning = std::string("the manifest's entry of the ") + otherCamera
            + " camera is dropped: its run had other settings or another scene text";
        return file;
    }
    // Left first whatever order the runs came in.
    manifest["cameras"] = {{"left", run.rightCamera ? old[otherCamera] : entry},
                           {"right", run.rightCamera ? entry : old[otherCamera]}};
    file.text = dump();
    return file;
}

} // namespace tavrik
