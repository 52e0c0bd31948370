#pragma once

#include "output/OutputFormats.h"

#include <string>

namespace tavrik {

// The platform's folder for temporary files ("/tmp" where none is set).
std::string DefaultOutputFolder();

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

} // namespace tavrik
