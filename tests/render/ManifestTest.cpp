#include "render/Manifest.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

const StereoCalibration calibration{389.0, 389.0, 255.5, 191.5, 0.12, 512, 384, 94};

ManifestFile Manifest(bool right, unsigned seed, std::string_view previous, std::string_view scene = "EGO; 0\n")
{
    GenerationSettings settings;
    settings.planeColourSeed = seed;
    settings.formats = ParseOutputFormats("spec,pfm");
    return ManifestText(settings, calibration, {right, 2, {right ? "disp_0000.pfm" : "ldisp_0000.pfm"}}, scene,
                        previous);
}

TEST(ManifestTest, SecondCameraOfTheSameSettingsAndSceneKeepsTheFirstCamerasFiles)
{
    const std::string left = Manifest(false, 1, "").text;
    EXPECT_NE(left.find("\"formats\": [\n    \"spec\",\n    \"pfm\"\n  ]"), std::string::npos) << left;
    EXPECT_NE(left.find("\"frames\": 2"), std::string::npos);

    const ManifestFile both = Manifest(true, 1, left);
    EXPECT_NE(both.text.find("\"left\": {\n      \"files\": [\n        \"ldisp_0000.pfm\""), std::string::npos)
        << both.text;
    EXPECT_LT(both.text.find("\"left\""), both.text.find("\"right\""));
    EXPECT_EQ(both.warning, "");

    // Another seed or another scene is another sequence, said so; nor is
    // anything kept from a broken file.
    for (const std::string& previous : {Manifest(false, 2, "").text, Manifest(false, 1, "", "EGO; 1\n").text,
                                        std::string("{\"cameras\": ")}) {
        const ManifestFile replaced = Manifest(true, 1, previous);
        EXPECT_EQ(replaced.text.find("\"left\""), std::string::npos) << replaced.text;
        EXPECT_NE(replaced.text.find("\"right\""), std::string::npos);
        EXPECT_EQ(replaced.warning.empty(), previous.starts_with("{\"cameras"));
    }
}

// Valid UTF-8 passes as it is; every other byte becomes \udcXX, and the
// JSON escapes are made where JSON needs them.
TEST(ManifestTest, TextsOfAnyBytesAreWrittenLosslessly)
{
    EXPECT_EQ(JsonStringLiteral("/tmp/\xc3\xa9t\xc3\xa9"), "\"/tmp/\xc3\xa9t\xc3\xa9\"");
    EXPECT_EQ(JsonStringLiteral("bad\xff/x\xc3"), "\"bad\\udcff/x\\udcc3\"");
    EXPECT_EQ(JsonStringLiteral("\xed\xa0\x80\xe0\x80\xaf"), "\"\\udced\\udca0\\udc80\\udce0\\udc80\\udcaf\"");
    EXPECT_EQ(JsonStringLiteral(std::string("q\"\\\n\0", 5)), "\"q\\\"\\\\\\u000a\\u0000\"");

    GenerationSettings settings;
    settings.outputFolder = "/tmp/bad\xff";
    const std::string text = ManifestText(settings, calibration, {false, 1, {}}, "", "").text;
    EXPECT_NE(text.find("\"outputFolder\": \"/tmp/bad\\udcff\""), std::string::npos) << text;
}

} // namespace
} // namespace tavrik
