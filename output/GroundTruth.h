#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavrik {

// Whether a depth-buffer value shows a drawn surface: every view is cleared
// to depth 1, so exactly 1 means nothing was drawn at that pixel.
inline bool IsDrawn(float depth) { return depth < 1.0f; }

// The maps below take a depth buffer as OpenGL delivers it (width·height
// values, bottom row first) and return width·height values top row first;
// window row j is image row height − 1 − j.

// Disparity B·F/Z in pixels, computed exactly as for the disparity text
// (the same doubles) and stored as float32; +INF where nothing was drawn.
std::vector<float> DisparityImage(std::span<const float> depth, int width, int height, double baseline,
                                  double focalLength);

// Distance Z along the optical axis in scene units, +INF where nothing was
// drawn.
std::vector<float> DistanceImage(std::span<const float> depth, int width, int height);

// Disparity of a 16-bit disparity PNG: round(D·256); 0 (invalid) where
// nothing was drawn, D ≤ 0 or D > 255.99.
std::vector<std::uint16_t> KittiDisparity(std::span<const float> depth, int width, int height, double baseline,
                                          double focalLength);

// The files of the maps above that a run asks for, made in one pass over the
// depth buffer straight into their bytes, rows sliced over the cores. A run
// reuses the buffers from frame to frame; one not asked for is left as it is.
struct DepthMapBytes {
    std::vector<std::uint8_t> disparityPfm; // EncodePfm of DisparityImage
    std::vector<std::uint8_t> distancePfm;  // EncodePfm of DistanceImage
    std::vector<std::uint8_t> kittiPng;     // KittiDisparity's samples, big-endian (PutPngSample16)
};
struct DepthMapsWanted {
    bool disparity = false;
    bool distance = false;
    bool kitti = false;
};
void MakeDepthMapFiles(std::span<const float> depth, int width, int height, double baseline, double focalLength,
                       DepthMapsWanted wanted, DepthMapBytes& files);

} // namespace tavrik
