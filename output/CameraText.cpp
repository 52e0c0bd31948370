#include "output/CameraText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tavrik {

namespace {

// The shortest text that reads back to `value`; −0 is written as 0.
std::string Number(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value + 0.0).ptr;
    return std::string(text, end);
}

std::string Joined(std::span<const double> values)
{
    std::string line;
    for (const double value : values)
        line += (line.empty() ? "" : " ") + Number(value);
    return line;
}

std::string IntrinsicMatrix(const StereoCalibration& c)
{
    return "[" + Number(c.fx) + " 0 " + Number(c.cx) + "; 0 " + Number(c.fy) + " " + Number(c.cy) + "; 0 0 1]";
}

// The unit quaternion (x, y, z, w), w ≥ 0, of the rotation part of `pose`,
// taken from the largest of its four candidate components for accuracy.
std::array<double, 4> Quaternion(const CameraPose& pose)
{
    const auto r = [&pose](int row, int column) { return pose[static_cast<std::size_t>(row * 4 + column)]; };
    const double trace = r(0, 0) + r(1, 1) + r(2, 2);
    std::array<double, 4> q{};
    if (trace > 0.0) {
        const double s = 2.0 * std::sqrt(1.0 + trace);
        q = {(r(2, 1) - r(1, 2)) / s, (r(0, 2) - r(2, 0)) / s, (r(1, 0) - r(0, 1)) / s, s / 4.0};
    } else if (r(0, 0) >= r(1, 1) && r(0, 0) >= r(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + r(0, 0) - r(1, 1) - r(2, 2));
        q = {s / 4.0, (r(0, 1) + r(1, 0)) / s, (r(0, 2) + r(2, 0)) / s, (r(2, 1) - r(1, 2)) / s};
    } else if (r(1, 1) >= r(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + r(1, 1) - r(0, 0) - r(2, 2));
        q = {(r(0, 1) + r(1, 0)) / s, s / 4.0, (r(1, 2) + r(2, 1)) / s, (r(0, 2) - r(2, 0)) / s};
    } else {
        const double s = 2.0 * std::sqrt(1.0 + r(2, 2) - r(0, 0) - r(1, 1));
        q = {(r(0, 2) + r(2, 0)) / s, (r(1, 2) + r(2, 1)) / s, s / 4.0, (r(1, 0) - r(0, 1)) / s};
    }
    const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    const double sign = q[3] < 0.0 ? -1.0 : 1.0;
    for (double& component : q)
        component *= sign / length;
    return q;
}

} // namespace

std::string MiddleburyCalibText(const StereoCalibration& c)
{
    const std::string camera = IntrinsicMatrix(c);
    return "cam0=" + camera + "\ncam1=" + camera + "\ndoffs=0\nbaseline=" + Number(c.baseline)
         + "\nwidth=" + std::to_string(c.width) + "\nheight=" + std::to_string(c.height)
         + "\nndisp=" + std::to_string(c.ndisp) + "\n";
}

std::string KittiCalibText(const StereoCalibration& c)
{
    const double left[12] = {c.fx, 0, c.cx, 0, 0, c.fy, c.cy, 0, 0, 0, 1, 0};
    double right[12];
    std::copy(std::begin(left), std::end(left), right);
    right[3] = -c.fx * c.baseline;
    return "P0: " + Joined(left) + "\nP1: " + Joined(right) + "\n";
}

std::string KittiPosesText(std::span<const CameraPose> poses)
{
    std::string text;
    for (const CameraPose& pose : poses)
        text += Joined(pose) + "\n";
    return text;
}

std::string TumPosesText(std::span<const CameraPose> poses)
{
    std::string text;
    for (std::size_t i = 0; i < poses.size(); ++i) {
        const CameraPose& pose = poses[i];
        const std::array<double, 4> q = Quaternion(pose);
        const double values[7] = {pose[3], pose[7], pose[11], q[0], q[1], q[2], q[3]};
        text += std::to_string(i) + " " + Joined(values) + "\n";
    }
    return text;
}

} // namespace tavrik
