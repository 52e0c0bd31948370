#include "score/Trajectory.h"

#include "base/Check.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavrik {

namespace {

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<double, 9>;

Vec3 Centre(const CameraPose& pose) { return {pose[3], pose[7], pose[11]}; }

Mat3 Rotation(const CameraPose& pose)
{
    return {pose[0], pose[1], pose[2], pose[4], pose[5], pose[6], pose[8], pose[9], pose[10]};
}

Vec3 Apply(const Mat3& m, const Vec3& v)
{
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
            m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

// The pose a⁻¹·b: b seen from a.
CameraPose Relative(const CameraPose& a, const CameraPose& b)
{
    const Mat3 ra = Rotation(a);
    const Mat3 rb = Rotation(b);
    CameraPose out{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            out[4 * i + j] = ra[i] * rb[j] + ra[3 + i] * rb[3 + j] + ra[6 + i] * rb[6 + j];
        out[4 * i + 3] = ra[i] * (b[3] - a[3]) + ra[3 + i] * (b[7] - a[7]) + ra[6 + i] * (b[11] - a[11]);
    }
    return out;
}

// Eigenvalues and eigenvectors (columns of `vectors`) of a symmetric 4 × 4
// matrix by cyclic Jacobi rotations, which converge for every symmetric
// matrix and keep the vectors orthonormal.
void SymmetricEigen(std::array<double, 16>& a, std::array<double, 16>& vectors)
{
    vectors = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int sweep = 0; sweep < 100; ++sweep) {
        double off = 0.0;
        double all = 0.0;
        for (int i = 0; i < 16; ++i) {
            all += a[i] * a[i];
            if (i % 5 != 0)
                off += a[i] * a[i];
        }
        if (off <= 1e-30 * all || off == 0.0)
            return;
        for (int p = 0; p < 3; ++p)
            for (int q = p + 1; q < 4; ++q) {
                const double apq = a[4 * p + q];
                if (apq == 0.0)
                    continue;
                const double theta = (a[4 * q + q] - a[4 * p + p]) / (2.0 * apq);
                const double t = std::copysign(1.0, theta) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0);
                const double s = t * c;
                for (int k = 0; k < 4; ++k) { // columns p and q
                    const double akp = a[4 * k + p];
                    const double akq = a[4 * k + q];
                    a[4 * k + p] = c * akp - s * akq;
                    a[4 * k + q] = s * akp + c * akq;
                }
                for (int k = 0; k < 4; ++k) { // rows p and q
                    const double apk = a[4 * p + k];
                    const double aqk = a[4 * q + k];
                    a[4 * p + k] = c * apk - s * aqk;
                    a[4 * q + k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 4; ++k) {
                    const double vkp = vectors[4 * k + p];
                    const double vkq = vectors[4 * k + q];
                    vectors[4 * k + p] = c * vkp - s * vkq;
                    vectors[4 * k + q] = s * vkp + c * vkq;
                }
            }
    }
}

} // namespace

Similarity AlignTrajectory(std::span<const CameraPose> truth, std::span<const CameraPose> estimate, bool withScale)
{
    TAVRIK_CHECK_EQ(truth.size(), estimate.size());
    TAVRIK_CHECK(!truth.empty());
    const double n = static_cast<double>(truth.size());
    Vec3 meanTruth{};
    Vec3 meanEstimate{};
    for (std::size_t i = 0; i < truth.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            meanTruth[k] += Centre(truth[i])[k] / n;
            meanEstimate[k] += Centre(estimate[i])[k] / n;
        }
    // s[3a + b] = Σ estimate_a · truth_b over the centred centres.
    Mat3 s{};
    double estimateSpread = 0.0;
    for (std::size_t i = 0; i < truth.size(); ++i) {
        const Vec3 e = Centre(estimate[i]);
        const Vec3 t = Centre(truth[i]);
        for (int a = 0; a < 3; ++a) {
            estimateSpread += (e[a] - meanEstimate[a]) * (e[a] - meanEstimate[a]);
            for (int b = 0; b < 3; ++b)
                s[3 * a + b] += (e[a] - meanEstimate[a]) * (t[b] - meanTruth[b]);
        }
    }
    const double sxx = s[0], sxy = s[1], sxz = s[2], syx = s[3], syy = s[4], syz = s[5], szx = s[6], szy = s[7],
                 szz = s[8];
    std::array<double, 16> m{sxx + syy + szz, syz - szy,        szx - sxz,        sxy - syx,
                             syz - szy,       sxx - syy - szz,  sxy + syx,        szx + sxz,
                             szx - sxz,       sxy + syx,        -sxx + syy - szz, syz + szy,
                             sxy - syx,       szx + sxz,        syz + szy,        -sxx - syy + szz};
    std::array<double, 16> vectors{};
    SymmetricEigen(m, vectors);
    int largest = 0;
    for (int k = 1; k < 4; ++k)
        if (m[5 * k] > m[5 * largest])
            largest = k;
    const double w = vectors[largest], x = vectors[4 + largest], y = vectors[8 + largest], z = vectors[12 + largest];

    Similarity out;
    out.rotation = {1 - 2 * (y * y + z * z), 2 * (x * y - w * z),     2 * (x * z + w * y),
                    2 * (x * y + w * z),     1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
                    2 * (x * z - w * y),     2 * (y * z + w * x),     1 - 2 * (x * x + y * y)};
    if (withScale && estimateSpread > 0.0) {
        // Σ truth·(R·estimate) = Σ_ab R_ba·s_ab over the centred centres.
        double correlation = 0.0;
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b < 3; ++b)
                correlation += out.rotation[3 * b + a] * s[3 * a + b];
        out.scale = correlation / estimateSpread;
    }
    const Vec3 rotatedMean = Apply(out.rotation, meanEstimate);
    for (int k = 0; k < 3; ++k)
        out.translation[k] = meanTruth[k] - out.scale * rotatedMean[k];
    return out;
}

std::vector<CameraPose> RightCameraPoses(std::span<const CameraPose> leftPoses, double baseline)
{
    std::vector<CameraPose> right(leftPoses.begin(), leftPoses.end());
    for (CameraPose& pose : right) {
        // t' = R·b + t − b with b = (B, 0, 0).
        pose[3] += pose[0] * baseline - baseline;
        pose[7] += pose[4] * baseline;
        pose[11] += pose[8] * baseline;
    }
    return right;
}

TrajectoryScore ScoreTrajectory(std::span<const CameraPose> truth, std::span<const std::optional<CameraPose>> estimate,
                                bool withScale)
{
    TAVRIK_CHECK_EQ(truth.size(), estimate.size());
    std::vector<CameraPose> matchedTruth;
    std::vector<CameraPose> matchedEstimate;
    for (std::size_t i = 0; i < truth.size(); ++i)
        if (estimate[i]) {
            matchedTruth.push_back(truth[i]);
            matchedEstimate.push_back(*estimate[i]);
        }
    TrajectoryScore score;
    score.alignment = AlignTrajectory(matchedTruth, matchedEstimate, withScale);
    const Similarity& align = score.alignment;
    const double nan = std::nan("");
    score.positionError.assign(truth.size(), nan);
    score.relativeTranslation.assign(truth.size(), nan);
    score.relativeRotationDegrees.assign(truth.size(), nan);
    double squares = 0.0;
    for (std::size_t i = 0; i < truth.size(); ++i) {
        if (!estimate[i])
            continue;
        const Vec3 moved = Apply(align.rotation, Centre(*estimate[i]));
        const Vec3 expected = Centre(truth[i]);
        double square = 0.0;
        for (int k = 0; k < 3; ++k) {
            const double d = expected[k] - (align.scale * moved[k] + align.translation[k]);
            square += d * d;
        }
        score.positionError[i] = std::sqrt(square);
        squares += square;
        if (i == 0 || !estimate[i - 1])
            continue;
        CameraPose step = Relative(*estimate[i - 1], *estimate[i]);
        for (const int k : {3, 7, 11})
            step[k] *= align.scale;
        const CameraPose error = Relative(Relative(truth[i - 1], truth[i]), step);
        score.relativeTranslation[i] = std::hypot(error[3], error[7], error[11]);
        // The angle from both the trace and the skew part stays exact near 0,
        // where acos of the trace alone loses half the digits.
        const double cosine = (error[0] + error[5] + error[10] - 1.0) / 2.0;
        const double sine = std::hypot(error[9] - error[6], error[2] - error[8], error[4] - error[1]) / 2.0;
        score.relativeRotationDegrees[i] = std::atan2(sine, cosine) * 180.0 / std::numbers::pi;
    }
    score.absoluteError = std::sqrt(squares / static_cast<double>(matchedTruth.size()));
    return score;
}

} // namespace tavrik
