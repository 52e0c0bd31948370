#include "render/Manifest.h"

#include <nlohmann/json.hpp>

namespace tavrik {

namespace {

nlohmann::ordered_json SettingsJson(const GenerationSettings& s)
{
    return {{"viewWidth", s.viewWidth},
            {"viewHeight", s.viewHeight},
            {"outputFolder", s.outputFolder},
            {"sequenceNumber", s.sequenceNumber},
            {"background", {s.backgroundRed, s.backgroundGreen, s.backgroundBlue}},
            {"paletteSegmentation", s.paletteSegmentation},
            {"antiAliasing", s.antiAliasing},
            {"subpixelDisparity", s.subpixelDisparity},
            {"baseline", s.baseline},
            {"focalLength", s.focalLength},
            {"texturesFolder", s.texturesFolder},
            {"seed", s.planeColourSeed}};
}

nlohmann::ordered_json CalibrationJson(const StereoCalibration& c)
{
    return {{"fx", c.fx}, {"fy", c.fy}, {"cx", c.cx}, {"cy", c.cy}, {"baseline", c.baseline},
            {"width", c.width}, {"height", c.height}, {"ndisp", c.ndisp}};
}

} // namespace

std::string ManifestText(const GenerationSettings& settings, const StereoCalibration& calibration,
                         const RunRecord& run, std::string_view previous)
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
    };
    const char* camera = run.rightCamera ? "right" : "left";
    const char* otherCamera = run.rightCamera ? "left" : "right";
    nlohmann::ordered_json cameras = nlohmann::ordered_json::object();
    const auto old = nlohmann::ordered_json::parse(previous, nullptr, /*allow_exceptions=*/false);
    if (old.is_object() && old.contains("cameras") && old["cameras"].contains(otherCamera)) {
        nlohmann::ordered_json same = old;
        same.erase("cameras");
        if (same == manifest)
            cameras[otherCamera] = old["cameras"][otherCamera];
    }
    cameras[camera] = {{"files", run.files}};
    // Left first whatever order the runs came in.
    nlohmann::ordered_json ordered = nlohmann::ordered_json::object();
    for (const char* name : {"left", "right"})
        if (cameras.contains(name))
            ordered[name] = cameras[name];
    manifest["cameras"] = ordered;
    return manifest.dump(2) + "\n";
}

} // namespace tavrik
