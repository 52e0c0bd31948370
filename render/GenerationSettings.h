#pragma once

#include "output/OutputFormats.h"

#include <array>
#include <string>

namespace tavrik {

// The platform's folder for temporary files ("/tmp" where none is set).
std::string DefaultOutputFolder();

// The folder the textures are read from unless the user names one: the
// working folder when it holds tex0.bmp, else the bundled set.
std::string DefaultTexturesFolder();

// A drawing-area size in pixels.
struct ViewSize {
    int width;
    int height;
    friend bool operator==(const ViewSize&, const ViewSize&) = default;
};

// The drawing-area sizes a user can choose, in the order they are offered.
inline constexpr std::array<ViewSize, 4> viewSizes{{{320, 240}, {512, 384}, {800, 600}, {1024, 768}}};

// The size of choice `index` of viewSizes; any other index (no choice made)
// gives 320 × 240.
ViewSize ViewSizeOfChoice(int index);

// The usable ranges of the settings a run's output depends on. Within them
// the projection stays well-formed (a field of view between about 0.4° and
// 179.7°) and every disparity B·F/Z stays finite.
inline constexpr int maxSequenceNumber = 100;
inline constexpr double minFocalLength = 1.0;      // pixels
inline constexpr double maxFocalLength = 100000.0; // pixels
inline constexpr double maxBaseline = 1000.0;      // scene units, either sign

// Every user setting of a run. One instance lives as long as the program;
// the engine reads each field at the moment it needs it, so a change made
// during a run takes effect at the next point where the field is read.
struct GenerationSettings {
    // Drawing-area size in pixels: 320 × 240, 512 × 384, 800 × 600 or
    // 1024 × 768. Takes effect when the render context is (re)created.
    int viewWidth = 512;
    int viewHeight = 384;

    // The run's images go to sequenceFolder(outputFolder, sequenceNumber).
    std::string outputFolder = DefaultOutputFolder();
    int sequenceNumber = 0; // 0 to 100

    // Clear colour of every view, 0 to 255 each.
    int backgroundRed = 0;
    int backgroundGreen = 255;
    int backgroundBlue = 255;

    bool rightCamera = false;         // false: the left (reference) camera
    bool previewOnly = false;         // render the frames, write nothing
    bool paletteSegmentation = false; // palette colours instead of grey ids
    bool antiAliasing = false;        // smoothing and blending switches
    bool subpixelDisparity = false;   // kept for the GUI; changes no output

    // Stereo baseline in scene units and focal length in pixels; taken into
    // the engine at every preparation.
    double baseline = 0.12;
    double focalLength = 389.0;

    bool logObjectMatrices = false; // one log line per object drawn

    // Folder holding tex0.bmp to tex10.bmp.
    std::string texturesFolder = ".";
    // Seed of the plane colour generator, set again at every preparation so
    // the same seed gives byte-identical output.
    unsigned planeColourSeed = 1;
    // What a writing run writes: the five files per frame unless told otherwise.
    OutputFormats formats;
    // Decimal separator of the number texts written into the logs.
    char decimalSeparator = '.';
};

// Throws UserError naming the first setting outside its usable range:
// background values 0 to 255, sequence number 0 to maxSequenceNumber, focal
// length minFocalLength to maxFocalLength, baseline at most maxBaseline in
// magnitude (not-a-number and infinities are outside every range).
void Validate(const GenerationSettings& settings);

} // namespace tavrik
