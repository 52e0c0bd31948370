#pragma once

#include "output/CameraText.h"
#include "output/Flow.h"
#include "render/Camera.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tavrik {

// One rendered view of the static scene as numbers: its camera matrix
// Persp · S · E(0) · … · E(k) (base-pose eye coordinates to clip
// coordinates, as StereoCamera::Matrix gives it) and its depth buffer
// (width·height values in [0, 1], bottom row first, 1 where nothing was
// drawn).
struct DepthView {
    Mat4 camera;
    std::span<const float> depth;
};

// How a pixel of one view is seen in another view of the same scene.
enum class Landing : std::uint8_t {
    nothingDrawn, // nothing was drawn at the pixel
    outside,      // its surface point falls outside the other view (or behind it)
    hidden,       // it lands inside, but something nearer covers it there
    visible,      // it is seen in the other view too
};

// Where each pixel's surface point lands in another view, top row first:
// pixel (x, y) of `from` is seen at (x + dx, y + dy) in `to` (pixels, y down).
struct Reprojection {
    std::vector<float> dx;
    std::vector<float> dy;
    std::vector<Landing> landing;
    // Window depth of the point in `to` (the depth buffer's units), wherever
    // it lies in front of `to`'s camera, even outside its view or hidden;
    // meaningless where `landing` is nothingDrawn or it lies behind.
    std::vector<double> depthThere;
    std::vector<std::uint8_t> inFront;
};

// Reprojects every drawn pixel of `from` into `to`: the pixel centre and its
// depth are taken back through the inverse of `from`'s camera matrix and
// projected with `to`'s. The point is hidden when its depth there exceeds
// the farthest of `to`'s four depth samples around the landing point by more
// than `depthTolerance` (in depth-buffer units): something nearer covers it
// there. Both views are width × height.
Reprojection Reproject(const DepthView& from, const DepthView& to, int width, int height, double depthTolerance);

// Pixels a reprojection makes at a time in vector instructions: four where
// the processor has AVX2, else two. Both give the same bits; tests set two
// on a processor with AVX2 to compare them. Four needs AVX2.
int ReprojectionLanes();
void SetReprojectionLanes(int lanes);

// Tolerance of the depth comparison for a depth buffer of `depthBits` bits:
// each of the two depths compared carries up to half a step of the buffer's
// fixed-point rounding and the rasteriser's single-precision interpolation
// adds a few float steps near 1 (2^-24 each); 16 steps of the buffer cover
// both with room for the reprojection's own rounding, while surfaces that
// truly cover one another lie thousands of steps apart.
double DepthTolerance(int depthBits);

// Optical flow of a frame to another frame of the same camera (the next one
// for forward flow, the previous one for backward flow) from the frame's
// reprojection into it: valid where the point is visible there.
FlowField OpticalFlow(Reprojection toOther, int width, int height);

// Disparity change of every pixel of a frame, top row first, from its
// depth buffer `depth` (bottom row first) and its reprojection into the
// next frame: the disparity B·F/Z' its surface point has there minus its
// disparity B·F/Z now (pixels, both from the linearised depth as in the
// disparity maps), known wherever the point lies in front of the next
// frame's camera, hidden there or not; +INF where nothing was drawn or it
// lies behind.
std::vector<float> DisparityChange(const Reprojection& toNext, std::span<const float> depth, int width, int height,
                                   double baseline, double focalLength);

// Occlusion mask of a view against the other camera of the rig in the same
// frame, top row first: 255 visible in both, 128 visible here but hidden or
// outside the other view, 0 nothing drawn.
std::vector<std::uint8_t> OcclusionMask(const DepthView& view, const DepthView& otherCamera, int width,
                                        int height, double depthTolerance);
// The same into `mask`, whose buffer a run reuses from frame to frame.
void MakeOcclusionMask(const DepthView& view, const DepthView& otherCamera, int width, int height,
                       double depthTolerance, std::vector<std::uint8_t>& mask);

// The files of a frame's optical flow to another frame, made in one pass
// over the pixels straight from the reprojection, without a FlowField in
// between. A run reuses the buffers from frame to frame: each is megabytes,
// and fresh memory costs a page fault per page.
struct FlowFileBytes {
    std::vector<std::uint8_t> flo;      // the .flo file, as EncodeFlo makes it
    std::vector<std::uint8_t> kittiPng; // the 16-bit flow PNG's samples (KittiFlowSamples), big-endian
    std::vector<std::uint8_t> disparityChangePfm; // the PFM file of DisparityChange, when asked for
};

// The flow of `from` into `to` (OpticalFlow(Reproject(from, to, …))) into
// `files`' .flo file and PNG samples, and, when `disparityChange` is set,
// the disparity change (DisparityChange with `from`'s depth, `baseline` and
// `focalLength`) into its PFM file; the other buffers are left as they are.
struct DisparityChangeOptics {
    double baseline = 0.0;
    double focalLength = 0.0;
};
void MakeFlowFiles(const DepthView& from, const DepthView& to, int width, int height, double depthTolerance,
                   const std::optional<DisparityChangeOptics>& disparityChange, FlowFileBytes& files);

// The pinhole model of a rig rendered with `perspective` at width × height
// (see StereoCalibration), with `baseline` and the disparity bound
// ⌈|baseline · focalLength| / nearDistance⌉, the disparity of the nearest
// point that can be drawn.
StereoCalibration RigCalibration(const Mat4& perspective, int width, int height, double baseline,
                                 double focalLength);

// The pose of the left camera after the accumulated motion `motion`
// (E(0) · … · E(k), a rotation and a translation) relative to the left
// camera after `reference`, in the computer-vision convention (x right,
// y down, z forward).
CameraPose RelativePose(const Mat4& reference, const Mat4& motion);

} // namespace tavrik
