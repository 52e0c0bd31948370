#include "render/Manifest.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

const StereoCalibration calibration{389.0, 389.0, 255.5, 191.5, 0.12, 512, 384, 94};

std::string Manifest(bool right, unsigned seed, std::string_view previous)
{
    GenerationSettings settings;
    settings.planeColourSeed = seed;
    settings.formats = ParseOutputFormats("spec,pfm");
    return ManifestText(settings, calibration, {right, 2, {right ? "disp_0000.pfm" : "ldisp_0000.pfm"}}, previous);
}

TEST(ManifestTest, SecondCameraOfTheSameSettingsKeepsTheFirstCamerasFiles)
{
    const std::string left = Manifest(false, 1, "");
    EXPECT_NE(left.find("\"formats\": [\n    \"spec\",\n    \"pfm\"\n  ]"), std::string::npos) << left;
    EXPECT_NE(left.find("\"frames\": 2"), std::string::npos);

    const std::string both = Manifest(true, 1, left);
    EXPECT_NE(both.find("\"left\": {\n      \"files\": [\n        \"ldisp_0000.pfm\""), std::string::npos) << both;
    EXPECT_LT(both.find("\"left\""), both.find("\"right\""));

    // Another seed is another sequence; nor is anything kept from a broken file.
    for (const std::string& previous : {Manifest(false, 2, ""), std::string("{\"cameras\": ")}) {
        const std::string replaced = Manifest(true, 1, previous);
        EXPECT_EQ(replaced.find("\"left\""), std::string::npos) << replaced;
        EXPECT_NE(replaced.find("\"right\""), std::string::npos);
    }
}

} // namespace
} // namespace tavrik
