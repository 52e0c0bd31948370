#pragma once

#include <array>
#include <span>
#include <string>

namespace tavrik {

// The pinhole model of the projection a run renders with, in the
// computer-vision convention: x right, y down, z forward; a point (X, Y, Z)
// of the left camera lands at pixel (fx·X/Z + cx, fy·Y/Z + cy), where pixel
// (0, 0) is the centre of the top-left pixel. The right camera has the same
// model and stands `baseline` scene units along the left camera's +x axis.
struct StereoCalibration {
    double fx = 0.0; // pixels
    double fy = 0.0; // pixels
    double cx = 0.0; // pixels
    double cy = 0.0; // pixels
    double baseline = 0.0; // scene units
    int width = 0;
    int height = 0;
    int ndisp = 0; // a bound on the magnitude of every disparity, whole pixels
};

// calib.txt of a stereo pair, one "name=value" per line:
//   cam0=[fx 0 cx; 0 fy cy; 0 0 1]
//   cam1=[fx 0 cx; 0 fy cy; 0 0 1]
//   doffs=0, baseline=B, width=W, height=H, ndisp=N
// Numbers are written in the shortest form that reads back to the same double.
std::string MiddleburyCalibText(const StereoCalibration& calibration);

// calib_kitti.txt: the 3 × 4 projection matrices of both cameras, row-major,
// one line each: "P0: fx 0 cx 0 0 fy cy 0 0 0 1 0" and
// "P1: fx 0 cx −fx·B 0 fy cy 0 0 0 1 0".
std::string KittiCalibText(const StereoCalibration& calibration);

// A camera pose [R | t] as 12 numbers, row-major 3 × 4: it takes a point from
// the camera's coordinates to those of the reference camera (x right, y down,
// z forward), so t is the camera's centre in the reference camera.
using CameraPose = std::array<double, 12>;

// One line per pose: its 12 numbers separated by spaces.
std::string KittiPosesText(std::span<const CameraPose> poses);

// One line per pose "i tx ty tz qx qy qz qw": the index as time stamp, the
// translation and the rotation as a unit quaternion with qw ≥ 0.
std::string TumPosesText(std::span<const CameraPose> poses);

} // namespace tavrik
