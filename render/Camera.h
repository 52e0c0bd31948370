#pragma once

#include <array>

namespace tavrik {

// A 4 × 4 matrix of doubles in OpenGL's column order: element (row r,
// column c) is m[c * 4 + r]. Products follow OpenGL's rule: A * B applies B
// to a vertex first.
struct Mat4 {
    std::array<double, 16> m{};

    static Mat4 Identity();
    double operator()(int row, int column) const { return m[column * 4 + row]; }
    double& operator()(int row, int column) { return m[column * 4 + row]; }
    friend Mat4 operator*(const Mat4& a, const Mat4& b);
    // The point (x, y, z, 1) transformed, without the perspective division.
    std::array<double, 4> Apply(double x, double y, double z) const;
};

// The inverse of `a`, which must be invertible (camera and projection
// matrices are).
Mat4 Inverse(const Mat4& a);

// The matrices of glTranslated, glRotated (degrees, counter-clockwise about
// the axis seen from its positive end) and gluPerspective.
Mat4 Translation(double x, double y, double z);
Mat4 RotationX(double degrees);
Mat4 RotationY(double degrees);
Mat4 RotationZ(double degrees);
Mat4 Perspective(double fovyDegrees, double aspect, double zNear, double zFar);

// The model-view matrix of the base pose: Translate(0, 0, −viewDistance) ·
// RotX(−viewAngleX) · RotZ(−viewAngleZ), angles in degrees.
Mat4 BasePose(double viewAngleX, double viewAngleZ, double viewDistance);

// Number of equal sub-steps into which one frame's ego motion is divided.
inline constexpr int egoSubSteps = 256;

// One frame's ego motion: (Translate(T/256) · RotX(Wx/256) · RotY(Wy/256) ·
// RotZ(Wz/256)) multiplied 256 times in a row. The small steps alternate, so
// this is not the same as translating by T and then rotating by W.
// T in scene units, W in degrees.
Mat4 EgoMotion(const std::array<double, 3>& translation, const std::array<double, 3>& rotationDegrees);

// The stereo camera: clip = Persp · S · E(0) · … · E(k) · (eye coordinates
// of the base pose). S shifts the scene by −baseline along the camera's x
// axis for the right camera, so the right camera stands one baseline to the
// right of the left (reference) camera with parallel axes. S stays left of
// every motion: the baseline is always along the moved camera's x axis.
// Lighting happens before this matrix (it is the projection matrix), so the
// shading of a vertex is the same in both cameras and in every frame.
class StereoCamera {
public:
    // Starts over from the base pose: only the perspective, no motion.
    void Reset(const Mat4& perspective, double baseline, bool rightCamera);
    // Multiplies one frame's motion on the right of the motions so far, so
    // it acts in the base camera's frame before the earlier motions.
    void ApplyEgoMotion(const std::array<double, 3>& translation, const std::array<double, 3>& rotationDegrees);
    void SetRightCamera(bool rightCamera) { rightCamera_ = rightCamera; }
    bool rightCamera() const { return rightCamera_; }

    // Persp · S · E(0) · … · E(k).
    Mat4 Matrix() const;
    const Mat4& motion() const { return motion_; }

private:
    Mat4 perspective_ = Mat4::Identity();
    Mat4 motion_ = Mat4::Identity();
    double baseline_ = 0.0;
    bool rightCamera_ = false;
};

} // namespace tavrik
