#pragma once

#include "output/CameraText.h"

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace tavrik {

// The similarity p ↦ s·R·p + t, R row-major.
struct Similarity {
    std::array<double, 9> rotation{1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::array<double, 3> translation{};
    double scale = 1.0;
};

// The similarity that brings the camera centres of `estimate` closest to
// those of `truth` (pose by pose, least squares): the rotation in closed form
// as the unit quaternion of the largest eigenvalue of the centres' 4 × 4
// correlation matrix, the scale (only `withScale`, else 1) as the one that
// then minimises the squares, the translation matching the centroids. Fewer
// than three centres off one line leave rotations about that line free;
// any one of them gives the same residual. Both spans have the same length.
Similarity AlignTrajectory(std::span<const CameraPose> truth, std::span<const CameraPose> estimate,
                           bool withScale);

// The trajectory of the right camera of a rig whose left camera has
// `leftPoses` (each relative to the left camera's first frame): the right
// camera stands `baseline` scene units along the left one's x axis, so its
// pose relative to its own first frame is S⁻¹·P·S with S = [I | (B, 0, 0)].
std::vector<CameraPose> RightCameraPoses(std::span<const CameraPose> leftPoses, double baseline);

// A trajectory scored frame by frame. Frames without an estimate hold NaN.
struct TrajectoryScore {
    Similarity alignment;
    // |c* − (s·R·c + t)| of each frame's camera centre, scene units.
    std::vector<double> positionError;
    // The root of the mean square of positionError over the estimated frames.
    double absoluteError = 0.0;
    // The relative pose error of the motion from frame i − 1 to frame i
    // (frame 0 and frames after or without an estimate hold NaN): the
    // translation (scene units, the estimate's motion scaled by s) and the
    // rotation angle (degrees) of (P*ᵢ₋₁⁻¹·P*ᵢ)⁻¹·(Pᵢ₋₁⁻¹·Pᵢ).
    std::vector<double> relativeTranslation;
    std::vector<double> relativeRotationDegrees;
};

// `estimate` has one entry per frame of `truth`; at least one holds a pose.
TrajectoryScore ScoreTrajectory(std::span<const CameraPose> truth, std::span<const std::optional<CameraPose>> estimate,
                                bool withScale);

} // namespace tavrik
